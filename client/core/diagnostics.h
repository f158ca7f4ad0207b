// The client's log file and crash dumps.
//
// The log folder is the current directory at process start; every line is opened, appended,
// flushed and closed within one call, so it is on disk when WriteLog returns. Texts are narrow
// (ANSI code page) and written exactly as given.
#pragma once

#include <functional>
#include <string>

#include "platform/fault_guard.h"

namespace tessaro {

// The process's current directory; empty when it cannot be read.
std::string GetCurrentDir();

// Moves the log to `folder` for the rest of the process; for test programs and tools that run
// the workflows in a folder of their own.
void SetLogFolder(const std::string& folder);

// The folder the log is written to now.
std::string LogFolder();

// Hands every log line from now on, as written (stamp included, no line end), also to `echo`
// (none when empty), on the writing thread, in the order of the lines. `echo` must not write to
// the log itself.
void SetLogEcho(std::function<void(const std::string& line)> echo);

// Appends "< YY-MM-DD hh:mm:ss " + text + line end to Corvid.log in the log folder. A log
// larger than 5,242,880 bytes is emptied first. Failures are silent. Thread-safe: one
// process-wide lock keeps lines whole.
void WriteLog(const char* text);
void WriteLog(std::string text);

// Writes a crash dump into `folder`, named "<year>-<month>-<day>_<hour>-<minute>-<second>_<n>.dmp"
// (local time, no zero padding, n counting the dumps of this process from 0), with
// platform::WriteCrashReport: a minidump on Windows, a text report on POSIX. Called from a fault
// handler with the fault being handled, the dump holds the faulting thread; `fault` may be null.
// Uses no heap memory and no lock, so it works after a fault that left the heap locked. Returns 1
// in every case, even when the file cannot be created.
int WriteCrashDump(const platform::FaultRecord* fault, const char* folder);

}  // namespace tessaro

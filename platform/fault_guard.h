// Containing hardware faults (bad memory access, illegal instruction, arithmetic fault) raised
// inside a call, and writing a report of them.
#pragma once

namespace platform {

// What is known of a fault: the signal (or exception code), its detail code, the faulting
// address, and the return addresses of the stack at the fault, innermost first.
struct FaultRecord {
  int signal = 0;
  int code = 0;
  const void* address = nullptr;
  static constexpr int kMaxFrames = 64;
  void* frames[kMaxFrames] = {};
  int frameCount = 0;
};

// Runs `call(context)` on the calling thread. When a fault is raised inside it, the call is
// abandoned where it stands (its stack frames are not unwound, locks it held stay held) and
// CallGuarded returns false with `fault` filled in; otherwise it returns true. Faults outside a
// guarded call keep their usual effect. Thread-safe; any thread may make guarded calls.
bool CallGuarded(void (*call)(void* context), void* context, FaultRecord& fault);

// Writes a crash report of the current process to the new file `path` (replacing one of that
// name): on POSIX a text report with the signal, the address, the backtrace and the memory
// mappings. `fault` may be null. Allocates no heap memory. Returns false when the file cannot be
// created.
bool WriteCrashReport(const char* path, const FaultRecord* fault);

}  // namespace platform

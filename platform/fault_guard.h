// Containing hardware faults (bad memory access, arithmetic fault, illegal instruction) raised
// inside a call, and writing a crash dump of them.
//
// A fault is reported to the caller's handler while it is being handled, on the faulting thread,
// before the call is abandoned: the faulting thread's registers and stack still exist then, and
// a dump written at that moment can hold them (a Windows minidump needs them). POSIX backends
// catch the fault signals on an alternate stack; Windows backends use a vectored exception
// handler.
#pragma once

namespace platform {

enum class FaultKind {
  kBadAccess,           // an address that cannot be read or written (null, unmapped, protected)
  kArithmetic,          // integer division by zero, a trapping floating-point operation
  kIllegalInstruction,  // an instruction the processor refuses (including a trap instruction)
  kOther,               // any other hardware fault the guard catches
};

// What is known of a fault, in the same terms on every platform. Filled by the guard; the
// handler may read it but must not keep a pointer to it.
struct FaultRecord {
  FaultKind kind = FaultKind::kOther;
  // The system's own number for the fault: the signal on POSIX (SIGSEGV, ...), the exception
  // code on Windows (EXCEPTION_ACCESS_VIOLATION, ...).
  unsigned long systemCode = 0;
  // The system's detail: the signal's si_code on POSIX; on Windows, for a bad access, 0 for a
  // read, 1 for a write and 8 for an execution.
  long detail = 0;
  // The address that could not be used (bad access), else the faulting instruction's.
  const void* address = nullptr;
  // The return addresses of the stack at the fault, innermost first.
  static constexpr int kMaxFrames = 64;
  void* frames[kMaxFrames] = {};
  int frameCount = 0;
  // The system's own description of the fault, for the backend's dump writer; valid only while
  // the handler runs, null in a record that was not made by the guard. POSIX: the signal
  // handler's ucontext_t; Windows: the EXCEPTION_POINTERS of the exception.
  const void* systemContext = nullptr;
};

// Called by the guard on the faulting thread while the fault is being handled, with the context
// given to CallGuarded. It runs where the fault left the process: locks the abandoned call held
// stay held and the heap may be in disorder, so it must not allocate memory nor take locks (on
// POSIX it runs inside a signal handler: async-signal-safe calls only). A fault inside the
// handler ends the handler; the guarded call is abandoned all the same.
using FaultHandler = void (*)(const FaultRecord& fault, void* context);

// Runs `call(callContext)` on the calling thread. When a fault is raised inside it, `onFault`
// (when not null) is called with the fault and `handlerContext`, then the call is abandoned
// where it stands (its stack frames are not unwound, locks it held stay held) and CallGuarded
// returns false; otherwise it returns true. Guards nest: a fault belongs to the innermost guarded
// call of its thread. Faults outside a guarded call keep their usual effect (the handlers that
// were there before, or the end of the process). Thread-safe; any thread may make guarded calls.
bool CallGuarded(void (*call)(void* callContext), void* callContext, FaultHandler onFault,
                 void* handlerContext);

// Writes a crash dump of the current process to the new file `path` (replacing one of that name).
// When called from a FaultHandler with its `fault`, the dump describes that fault and the
// faulting thread: on Windows a minidump (MiniDumpWriteDump with the exception's information);
// on POSIX a text report with the signal, the address, the backtrace and the memory mappings.
// `fault` may be null: a dump of the process as it is. Safe to call from a FaultHandler (on
// POSIX it allocates no heap memory and makes async-signal-safe calls only). Returns false when
// the file cannot be created or the dump cannot be written into it.
bool WriteCrashReport(const char* path, const FaultRecord* fault);

}  // namespace platform

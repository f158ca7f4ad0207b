// Fault containment for Windows on x86 and x86-64 (mingw has no __try): a vectored exception
// handler and a per-thread stack of guarded calls.
//
// The handler sees every exception of the process first. It takes only the hardware faults that
// arise inside a guarded call of the faulting thread; everything else (C++ exceptions, debugger
// messages, faults outside a guard) goes on to the handlers that were there before. Being first,
// it also takes a fault that code inside the call would have caught itself with __try (some
// system functions probe memory that way); the engine's own code has no such handlers.
//
// For a fault of its own it fills the record, calls the caller's handler on the faulting thread,
// with the faulting registers and stack still in place, and then lets the thread continue in a
// landing function: the exception's context is changed to resume there, so that the system
// itself leaves the exception dispatch. The landing function jumps back into CallGuarded with
// __builtin_longjmp, which restores the frame and stack pointers only and never unwinds (the C
// runtime's longjmp would unwind the abandoned frames). A stack overflow leaves too little stack
// for the caller's handler: it is called from the landing function instead, which runs where the
// abandoned call's frames were, and the stack's guard page is put back afterwards.
#ifdef _WIN32

#include "platform/fault_guard.h"

#include <malloc.h>
#include <windows.h>
// Built on <windows.h>:
#include <dbghelp.h>

#include <atomic>
#include <cstdint>

namespace platform {
namespace {

// The floating-point faults of SSE, which have no EXCEPTION_ name.
constexpr DWORD kFloatMultipleFaults = 0xC00002B4;
constexpr DWORD kFloatMultipleTraps = 0xC00002B5;

struct Guard {
  void* jump[5];  // __builtin_setjmp's buffer
  FaultHandler onFault = nullptr;
  void* handlerContext = nullptr;
  Guard* outer = nullptr;  // the guarded call this one runs in
  FaultRecord fault;
  bool handling = false;                   // the handler runs: a fault now ends it
  EXCEPTION_POINTERS* overflow = nullptr;  // a stack overflow that the landing is to report
  std::uintptr_t callStack = 0;            // the stack pointer where the call began
#ifdef __i386__
  void* exceptionList = nullptr;  // the thread's frame-based handlers when the call began
#endif
  // The landing function's stack after an ordinary fault, away from the exception dispatch.
  alignas(16) unsigned char landingStack[512];
};

// The innermost guard of each thread, in a slot of the system's own: reading it allocates
// nothing, even on a thread that never made a guarded call.
DWORD g_guardSlot = TLS_OUT_OF_INDEXES;

// The thread writing a dump, or 0: dbghelp serves one thread at a time. A writer whose own
// fault abandoned it gives the turn back when its guarded call returns.
std::atomic<DWORD> g_dumpWriter{0};
constexpr ULONGLONG kDumpWaitMilliseconds = 10000;

bool KindOf(DWORD code, FaultKind& kind) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_STACK_OVERFLOW:
      kind = FaultKind::kBadAccess;
      return true;
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_STACK_CHECK:
    case kFloatMultipleFaults:
    case kFloatMultipleTraps:
      kind = FaultKind::kArithmetic;
      return true;
    case EXCEPTION_ILLEGAL_INSTRUCTION:  // ud2, which __builtin_trap emits, included
    case EXCEPTION_PRIV_INSTRUCTION:
      kind = FaultKind::kIllegalInstruction;
      return true;
    default:
      return false;  // breakpoints belong to debuggers; software exceptions to their catchers
  }
}

// The thread's whole stack, its reserve included.
struct StackBounds {
  ULONG_PTR low = 0;
  ULONG_PTR high = 0;
  bool Holds(std::uintptr_t address, std::size_t size) const {
    return address >= low && address <= high && high - address >= size;
  }
};

#ifdef __i386__
// The head of the thread's chain of frame-based handlers, the first word of its thread block.
void* ExceptionList() {
  void* head;
  __asm__ volatile("movl %%fs:0, %0" : "=r"(head));
  return head;
}
void SetExceptionList(void* head) { __asm__ volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }
#endif

// The faulting instruction and the return addresses above it, walked from the fault's context
// with the unwind tables (x86-64) or the frame-pointer chain (x86). Reads the stack only within
// the thread's bounds; allocates nothing.
int CaptureFrames(const CONTEXT& fault, void** frames, int max) {
  StackBounds stack;
  GetCurrentThreadStackLimits(&stack.low, &stack.high);
  int count = 0;
#if defined(__x86_64__)
  CONTEXT context = fault;
  while (count < max && context.Rip != 0) {
    frames[count++] = reinterpret_cast<void*>(context.Rip);
    DWORD64 imageBase = 0;
    PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(context.Rip, &imageBase, nullptr);
    if (function == nullptr) {
      // A leaf function: the return address is on top of the stack.
      if (!stack.Holds(context.Rsp, 8)) break;
      context.Rip = *reinterpret_cast<const DWORD64*>(context.Rsp);
      context.Rsp += 8;
    } else {
      void* handlerData = nullptr;
      DWORD64 establisherFrame = 0;
      RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, context.Rip, function, &context, &handlerData,
                       &establisherFrame, nullptr);
    }
    if (!stack.Holds(context.Rsp, 8)) break;
  }
#elif defined(__i386__)
  frames[count++] = reinterpret_cast<void*>(fault.Eip);
  std::uintptr_t frame = fault.Ebp;
  while (count < max && stack.Holds(frame, 8)) {
    const auto* words = reinterpret_cast<const std::uintptr_t*>(frame);
    if (words[1] == 0) break;
    frames[count++] = reinterpret_cast<void*>(words[1]);
    if (words[0] <= frame) break;  // frames lie ever higher on the stack
    frame = words[0];
  }
#else
#error "the fault guard knows the stacks of x86 and x86-64 only"
#endif
  return count;
}

std::uintptr_t StackPointer() {
  std::uintptr_t pointer;
#if defined(__x86_64__)
  __asm__ volatile("mov %%rsp, %0" : "=r"(pointer));
#else
  __asm__ volatile("mov %%esp, %0" : "=r"(pointer));
#endif
  return pointer;
}

// Fills the guard's record from `exception` and calls the caller's handler, once per call.
void Report(Guard& guard, EXCEPTION_POINTERS* exception, FaultKind kind) {
  guard.handling = true;
  const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
  FaultRecord& fault = guard.fault;
  fault.kind = kind;
  fault.systemCode = record.ExceptionCode;
  const bool addressed = (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION ||
                          record.ExceptionCode == EXCEPTION_IN_PAGE_ERROR) &&
                         record.NumberParameters >= 2;
  // 0 read, 1 write, 8 execution; and the address that could not be used.
  fault.detail = addressed ? static_cast<long>(record.ExceptionInformation[0]) : 0;
  fault.address = addressed ? reinterpret_cast<const void*>(record.ExceptionInformation[1])
                            : record.ExceptionAddress;
  fault.frameCount =
      CaptureFrames(*exception->ContextRecord, fault.frames, FaultRecord::kMaxFrames);
  fault.systemContext = exception;
  if (guard.onFault != nullptr) guard.onFault(fault, guard.handlerContext);
  fault.systemContext = nullptr;
}

// Where a faulting thread continues: the guard comes in a register (fastcall on x86), so that
// nothing is written to memory while the exception is still being dispatched.
#if defined(__i386__)
#define TESSARO_LANDING_CALL __attribute__((fastcall))
#else
#define TESSARO_LANDING_CALL
#endif
[[noreturn]] __attribute__((noinline)) void TESSARO_LANDING_CALL Landing(Guard* guard) {
  // After a stack overflow the exception's records lie deeper on the stack, untouched here.
  if (guard->overflow != nullptr && !guard->handling) {
    Report(*guard, guard->overflow, FaultKind::kBadAccess);
  }
  __builtin_longjmp(guard->jump, 1);
}

// Makes the faulting thread continue in Landing(guard), as if it had been called there: on the
// guard's own small stack, or after a stack overflow where the abandoned call's frames were.
void ResumeInLanding(CONTEXT& context, Guard* guard, bool overflow) {
  const std::uintptr_t top =
      (overflow
           ? guard->callStack - 256
           : reinterpret_cast<std::uintptr_t>(guard->landingStack + sizeof guard->landingStack)) &
      ~static_cast<std::uintptr_t>(15);
#if defined(__x86_64__)
  // Below the 32 bytes of home space the callee may use, and its return address's slot.
  context.Rsp = top - 32 - 8;
  context.Rcx = reinterpret_cast<DWORD64>(guard);
  context.Rip = reinterpret_cast<DWORD64>(&Landing);
#elif defined(__i386__)
  context.Esp = static_cast<DWORD>(top - 4);  // its return address's slot
  context.Ecx = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(guard));
  context.Eip = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(&Landing));
#endif
}

LONG CALLBACK OnException(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
  FaultKind kind;
  if (!KindOf(record.ExceptionCode, kind) || (record.ExceptionFlags & EXCEPTION_NONCONTINUABLE)) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  const DWORD lastError = GetLastError();  // TlsGetValue resets it
  auto* guard = static_cast<Guard*>(TlsGetValue(g_guardSlot));
  SetLastError(lastError);
  if (guard == nullptr) return EXCEPTION_CONTINUE_SEARCH;
  // A fault inside the handler comes back here while `handling` is set and ends it.
  const bool overflow = record.ExceptionCode == EXCEPTION_STACK_OVERFLOW && !guard->handling;
  if (overflow) {
    guard->overflow = exception;  // reported by the landing, which has stack to spare
  } else if (!guard->handling) {
    Report(*guard, exception, kind);
  }
  ResumeInLanding(*exception->ContextRecord, guard, overflow);
  return EXCEPTION_CONTINUE_EXECUTION;
}

bool InstallHandler() {
  static const bool installed = [] {
    g_guardSlot = TlsAlloc();
    if (g_guardSlot == TLS_OUT_OF_INDEXES) return false;
    return AddVectoredExceptionHandler(1, &OnException) != nullptr;
  }();
  return installed;
}

}  // namespace

bool CallGuarded(void (*call)(void* callContext), void* callContext, FaultHandler onFault,
                 void* handlerContext) {
  if (!InstallHandler()) {
    call(callContext);  // the system gives no handler: the call runs unguarded
    return true;
  }
  Guard guard;
  guard.onFault = onFault;
  guard.handlerContext = handlerContext;
  guard.outer = static_cast<Guard*>(TlsGetValue(g_guardSlot));
#ifdef __i386__
  guard.exceptionList = ExceptionList();
#endif
  if (__builtin_setjmp(guard.jump) != 0) {
    // Back from Landing: the call is abandoned where it stood.
    TlsSetValue(g_guardSlot, guard.outer);
#ifdef __i386__
    // The frame-based handlers that abandoned frames registered are gone with them.
    SetExceptionList(guard.exceptionList);
#endif
    // The stack's guard page was used up: put it back, or the next overflow ends the process.
    if (guard.overflow != nullptr) _resetstkoflw();
    DWORD self = GetCurrentThreadId();
    g_dumpWriter.compare_exchange_strong(self, 0);
    return false;
  }
  guard.callStack = StackPointer();  // the call's frames lie below
  TlsSetValue(g_guardSlot, &guard);
  call(callContext);
  TlsSetValue(g_guardSlot, guard.outer);
  return true;
}

bool WriteCrashReport(const char* path, const FaultRecord* fault) {
  HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  // The record's exception, and the thread it faulted on: the caller's own.
  MINIDUMP_EXCEPTION_INFORMATION exception{};
  const bool withException = fault != nullptr && fault->systemContext != nullptr;
  if (withException) {
    exception.ThreadId = GetCurrentThreadId();
    exception.ExceptionPointers =
        static_cast<EXCEPTION_POINTERS*>(const_cast<void*>(fault->systemContext));
    exception.ClientPointers = FALSE;
  }
  // One writer at a time, and no one waits for good.
  const DWORD self = GetCurrentThreadId();
  const ULONGLONG deadline = GetTickCount64() + kDumpWaitMilliseconds;
  bool owned = false;
  while (true) {
    DWORD idle = 0;
    owned = g_dumpWriter.compare_exchange_strong(idle, self);
    if (owned || GetTickCount64() >= deadline) break;
    Sleep(1);
  }
  const BOOL written =
      MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal,
                        withException ? &exception : nullptr, nullptr, nullptr);
  if (owned) g_dumpWriter.store(0);
  CloseHandle(file);
  return written != FALSE;
}

}  // namespace platform

#endif  // _WIN32

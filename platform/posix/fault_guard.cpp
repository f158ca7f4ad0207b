// Fault containment for POSIX systems (glibc's backtrace and Linux's /proc/self/maps): handlers
// for SIGSEGV, SIGBUS, SIGFPE and SIGILL on an alternate stack, which report the fault and then
// siglongjmp back into the guarded call's frame.

#include "platform/fault_guard.h"

#include <execinfo.h>
#include <fcntl.h>
#include <setjmp.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
struct sigaction g_previous[sizeof kSignals / sizeof kSignals[0]];

struct Guard {
  sigjmp_buf jump;
  FaultHandler onFault;
  void* handlerContext;
  FaultRecord fault;
  bool handling = false;  // the handler runs: a fault now ends it
};

thread_local Guard* t_guard = nullptr;
thread_local bool t_altStackReady = false;
thread_local char t_altStack[64 * 1024];

FaultKind KindOf(int signo) {
  switch (signo) {
    case SIGSEGV:
    case SIGBUS:
      return FaultKind::kBadAccess;
    case SIGFPE:
      return FaultKind::kArithmetic;
    case SIGILL:
      return FaultKind::kIllegalInstruction;
    default:
      return FaultKind::kOther;
  }
}

// Hands a fault that no guarded call owns to whoever handled it before, or lets it end the
// process.
void PassOn(int signo, siginfo_t* info, void* ucontext) {
  for (std::size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) {
    if (kSignals[i] != signo) continue;
    const struct sigaction& old = g_previous[i];
    if ((old.sa_flags & SA_SIGINFO) && old.sa_sigaction) {
      old.sa_sigaction(signo, info, ucontext);
      return;
    }
    if (old.sa_handler != SIG_DFL && old.sa_handler != SIG_IGN) {
      old.sa_handler(signo);
      return;
    }
  }
  signal(signo, SIG_DFL);
  raise(signo);
}

void OnFault(int signo, siginfo_t* info, void* ucontext) {
  Guard* guard = t_guard;
  if (guard == nullptr) {
    PassOn(signo, info, ucontext);
    return;
  }
  if (!guard->handling) {
    guard->handling = true;
    FaultRecord& fault = guard->fault;
    fault.kind = KindOf(signo);
    fault.systemCode = static_cast<unsigned long>(signo);
    fault.detail = info ? info->si_code : 0;
    fault.address = info ? info->si_addr : nullptr;
    fault.frameCount = backtrace(fault.frames, FaultRecord::kMaxFrames);
    fault.systemContext = ucontext;
    // SA_NODEFER: a fault inside the handler comes back here and takes the branch below.
    if (guard->onFault != nullptr) guard->onFault(fault, guard->handlerContext);
    fault.systemContext = nullptr;
  }
  siglongjmp(guard->jump, 1);
}

void InstallHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    void* warm[1];
    backtrace(warm, 1);  // loads the unwinder now, not inside a fault
    for (std::size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) {
      struct sigaction action {};
      action.sa_sigaction = &OnFault;
      action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
      sigemptyset(&action.sa_mask);
      sigaction(kSignals[i], &action, &g_previous[i]);
    }
  });
}

void PrepareAltStack() {
  if (t_altStackReady) return;
  stack_t current{};
  if (sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE)) {
    t_altStackReady = true;  // the thread has one already (sanitizers set their own)
    return;
  }
  stack_t stack{};
  stack.ss_sp = t_altStack;
  stack.ss_size = sizeof t_altStack;
  t_altStackReady = sigaltstack(&stack, nullptr) == 0;
}

void WriteAll(int fd, const char* text, std::size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, text, size);
    if (n <= 0) return;
    text += n;
    size -= static_cast<std::size_t>(n);
  }
}

void WriteText(int fd, const char* text) { WriteAll(fd, text, std::strlen(text)); }

}  // namespace

bool CallGuarded(void (*call)(void* callContext), void* callContext, FaultHandler onFault,
                 void* handlerContext) {
  InstallHandlers();
  PrepareAltStack();
  Guard guard;
  guard.onFault = onFault;
  guard.handlerContext = handlerContext;
  Guard* outer = t_guard;
  if (sigsetjmp(guard.jump, 1) != 0) {
    t_guard = outer;
    return false;
  }
  t_guard = &guard;
  call(callContext);
  t_guard = outer;
  return true;
}

bool WriteCrashReport(const char* path, const FaultRecord* fault) {
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  char line[256];
  WriteText(fd, "Tessaro crash report\n");
  std::snprintf(line, sizeof line, "process: %d\n", static_cast<int>(getpid()));
  WriteText(fd, line);
  if (fault != nullptr) {
    const int signo = static_cast<int>(fault->systemCode);
    const char* name = sigabbrev_np(signo);
    std::snprintf(line, sizeof line, "signal: SIG%s (%d), code %ld\naddress: %p\n",
                  name ? name : "?", signo, fault->detail, fault->address);
    WriteText(fd, line);
    WriteText(fd, "backtrace:\n");
    backtrace_symbols_fd(const_cast<void* const*>(fault->frames), fault->frameCount, fd);
  } else {
    WriteText(fd, "no fault record\n");
  }
  WriteText(fd, "mappings:\n");
  int maps = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (maps >= 0) {
    char buffer[4096];
    ssize_t n;
    while ((n = read(maps, buffer, sizeof buffer)) > 0) {
      WriteAll(fd, buffer, static_cast<std::size_t>(n));
    }
    close(maps);
  }
  close(fd);
  return true;
}

}  // namespace platform

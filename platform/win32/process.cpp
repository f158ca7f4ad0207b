// Program runs for Windows: CreateProcessA hidden and suspended, assigned to a job object of its
// own, resumed, waited for with WaitForSingleObject, and the job terminated at the end.
#ifdef _WIN32

#include "platform/process.h"

#include <windows.h>
// Built on <windows.h>:
#include <shellapi.h>

#include <vector>

namespace platform {
namespace {

// How long the killed programs of a run are given to be gone, so that the files they held are
// closed when the call returns.
constexpr ULONGLONG kEndAfterKillMilliseconds = 10000;
constexpr UINT kKilledExitCode = 1;
constexpr DWORD kElevationRequired = 740;  // ERROR_ELEVATION_REQUIRED

DWORD WaitMilliseconds(std::chrono::milliseconds bound) {
  if (bound.count() <= 0) return 0;
  if (bound.count() >= static_cast<long long>(INFINITE)) return INFINITE - 1;
  return static_cast<DWORD>(bound.count());
}

// The job that holds a hidden run: whatever the program starts joins it, and closing the last
// handle of the job ends them all, should this process end first.
HANDLE CreateRunJob() {
  HANDLE job = CreateJobObjectA(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  // A program that crashes ends without the system's crash dialog, which nobody would see.
  limits.BasicLimitInformation.LimitFlags =
      JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    CloseHandle(job);
    return nullptr;
  }
  return job;
}

// Waits until no program of `job` runs any more (termination takes effect a moment after it was
// asked for), or the time for it has passed.
void WaitUntilEmpty(HANDLE job, HANDLE program) {
  const ULONGLONG deadline = GetTickCount64() + kEndAfterKillMilliseconds;
  WaitForSingleObject(program, static_cast<DWORD>(kEndAfterKillMilliseconds));
  while (GetTickCount64() < deadline) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting,
                                   sizeof accounting, nullptr) ||
        accounting.ActiveProcesses == 0) {
      return;
    }
    Sleep(1);
  }
}

// The standard handles of a hidden run, and the list that hands them to that one program alone:
// other inheritable handles of this process (another thread's run, say) stay here.
class NulHandles {
 public:
  NulHandles() {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    // Reading gives end of file at once; what is written goes nowhere.
    nul_ = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inherit, OPEN_EXISTING, 0, nullptr);
    if (nul_ == INVALID_HANDLE_VALUE) return;
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    buffer_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
    list_ = list;
    if (!UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &nul_, sizeof nul_,
                                   nullptr, nullptr)) {
      return;
    }
    ready_ = true;
  }
  ~NulHandles() {
    if (list_ != nullptr) DeleteProcThreadAttributeList(list_);
    if (nul_ != INVALID_HANDLE_VALUE) CloseHandle(nul_);
  }
  NulHandles(const NulHandles&) = delete;
  NulHandles& operator=(const NulHandles&) = delete;

  bool ready() const { return ready_; }
  HANDLE nul() const { return nul_; }
  LPPROC_THREAD_ATTRIBUTE_LIST list() const { return list_; }

 private:
  HANDLE nul_ = INVALID_HANDLE_VALUE;
  std::vector<unsigned char> buffer_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
  bool ready_ = false;
};

}  // namespace

RunResult RunHiddenProgram(const std::string& file, const std::string& parameters,
                           std::chrono::milliseconds bound) {
  RunResult result;
  NulHandles handles;
  if (!handles.ready()) return result;
  HANDLE job = CreateRunJob();
  if (job == nullptr) return result;

  STARTUPINFOEXA startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.StartupInfo.wShowWindow = SW_HIDE;
  startup.StartupInfo.hStdInput = handles.nul();
  startup.StartupInfo.hStdOutput = handles.nul();
  startup.StartupInfo.hStdError = handles.nul();
  startup.lpAttributeList = handles.list();
  // The program's own name comes first, as every program expects; without an application name
  // CreateProcessA looks a bare name up on the search path (adding ".exe") and never shows a
  // dialog when it cannot start it.
  std::string commandLine = "\"" + file + "\"";
  if (!parameters.empty()) commandLine += " " + parameters;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                      CREATE_NO_WINDOW | CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT, nullptr,
                      nullptr, &startup.StartupInfo, &process)) {
    CloseHandle(job);
    return result;
  }
  // In the job before it runs a single instruction, so that nothing it starts escapes.
  if (!AssignProcessToJobObject(job, process.hProcess)) {
    TerminateProcess(process.hProcess, kKilledExitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(job);
    return result;
  }
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);

  const bool ended =
      WaitForSingleObject(process.hProcess, WaitMilliseconds(bound)) == WAIT_OBJECT_0;
  // Whatever of the job still runs goes now: the program itself when the bound passed, and what
  // it left running when it ended.
  TerminateJobObject(job, kKilledExitCode);
  WaitUntilEmpty(job, process.hProcess);
  if (ended) {
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.outcome = RunOutcome::kExited;
    result.exitCode = static_cast<int>(code);
  } else {
    result.outcome = RunOutcome::kKilled;
  }
  CloseHandle(process.hProcess);
  CloseHandle(job);
  return result;
}

bool StartProgram(const std::string& path) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string commandLine = "\"" + path + "\"";
  // Out of any job this process is in, so that it outlives the caller; a job that allows no
  // breakaway refuses that, and the program then stays in it.
  DWORD flags = CREATE_BREAKAWAY_FROM_JOB | CREATE_NEW_PROCESS_GROUP;
  // With an application name exactly that file runs: no search, no added extension.
  BOOL started = CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags,
                                nullptr, nullptr, &startup, &process);
  if (!started && GetLastError() == ERROR_ACCESS_DENIED) {
    flags &= ~static_cast<DWORD>(CREATE_BREAKAWAY_FROM_JOB);
    started = CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags,
                             nullptr, nullptr, &startup, &process);
  }
  if (started) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
  }
  if (GetLastError() != kElevationRequired) return false;
  // A program that asks for administrator rights (an installer) is started by the shell, which
  // asks the user for them.
  SHELLEXECUTEINFOA shell{};
  shell.cbSize = sizeof shell;
  shell.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  shell.lpVerb = "open";
  shell.lpFile = path.c_str();
  shell.nShow = SW_SHOWNORMAL;
  return ShellExecuteExA(&shell) != FALSE;
}

}  // namespace platform

#endif  // _WIN32

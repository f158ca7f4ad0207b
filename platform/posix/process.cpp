// Program runs for generic POSIX systems (Linux's pidfd when there is one): posix_spawnp into a
// process group of its own, waitid/waitpid, the group killed with SIGKILL.

#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <vector>

#include "platform/command_line.h"

extern char** environ;

namespace platform {
namespace {

enum class WaitResult { kEnded, kGone, kRunning };

// Waits for `pid` for at most `bound`. kEnded: it has ended and is left unreaped, so that its
// number stays its own and names its process group still; kGone: it cannot be waited for (it was
// reaped elsewhere).
WaitResult WaitWithin(pid_t pid, std::chrono::milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
#ifdef SYS_pidfd_open
  int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
  int pidfd = -1;
#endif
  auto delay = std::chrono::milliseconds(1);
  WaitResult result = WaitResult::kRunning;
  while (true) {
    siginfo_t info{};
    int r = waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
    if (r == 0 && info.si_pid == pid) {
      result = WaitResult::kEnded;
      break;
    }
    if (r < 0 && errno != EINTR) {
      result = WaitResult::kGone;
      break;
    }
    auto now = std::chrono::steady_clock::now();
    if (now >= deadline) break;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    if (pidfd >= 0) {
      pollfd pfd{pidfd, POLLIN, 0};
      int timeout = static_cast<int>(std::min<long long>(left.count() + 1, 60'000));
      poll(&pfd, 1, timeout);
    } else {
      std::this_thread::sleep_for(std::min(delay, left));
      delay = std::min(delay * 2, std::chrono::milliseconds(50));
    }
  }
  if (pidfd >= 0) close(pidfd);
  return result;
}

}  // namespace

RunResult RunHiddenProgram(const std::string& file, const std::string& parameters,
                           std::chrono::milliseconds bound) {
  RunResult result;
  std::vector<std::string> args = SplitParameterLine(parameters);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(file.c_str()));
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none;
  sigemptyset(&none);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = -1;
  int rc = posix_spawnp(&pid, file.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0 || pid <= 0) return result;

  WaitResult waited = WaitWithin(pid, bound);
  int status = 0;
  if (waited == WaitResult::kGone) {
    result.outcome = RunOutcome::kExited;
    return result;
  }
  // The whole group goes: what the program left running as well as the program itself when the
  // bound passed. Its unreaped leader keeps the group's number from being reused meanwhile.
  kill(-pid, SIGKILL);
  if (waited == WaitResult::kRunning) kill(pid, SIGKILL);  // in case it left its group
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (waited == WaitResult::kRunning) {
    result.outcome = RunOutcome::kKilled;
    return result;
  }
  result.outcome = RunOutcome::kExited;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

bool StartProgram(const std::string& path) {
  char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);  // it outlives the client
  pid_t pid = -1;
  int rc = posix_spawn(&pid, path.c_str(), nullptr, &attr, argv, environ);
  posix_spawnattr_destroy(&attr);
  return rc == 0 && pid > 0;
}

}  // namespace platform

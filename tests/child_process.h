// Programs of the project run as children of a test. (On Windows only RunProgram.)
#pragma once

#ifdef _WIN32
// (Winsock's header, which the tests' server takes, must come before <windows.h>.)
#include <winsock2.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "test_support.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace tessaro_test {

#ifndef _WIN32

// A program run as a child with its stdout on a pipe and its stderr in a file.
class Child {
 public:
  Child(const std::string& program, const std::vector<std::string>& args,
        const std::string& stderrPath)
      : stderrPath_(stderrPath) {
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    posix_spawn_file_actions_addopen(&actions, 2, stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<std::string> argStrings = {program};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argStrings) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    stdout_ = fdopen(fds[0], "r");
  }
  ~Child() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (stdout_ != nullptr) fclose(stdout_);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool started() const { return pid_ > 0; }

  // One line of its stdout without the line break; empty at end of output.
  std::string ReadLine() {
    std::string line;
    for (int c; stdout_ != nullptr && (c = fgetc(stdout_)) != EOF && c != '\n';) {
      line.push_back(static_cast<char>(c));
    }
    return line;
  }

  // Sends `signal` (none when 0), waits for the end and returns the exit code (-1: killed).
  int Wait(int signal = 0) {
    if (pid_ <= 0) return -1;
    if (signal != 0) kill(pid_, signal);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string Stderr() const { return ReadFile(stderrPath_); }

 private:
  pid_t pid_ = -1;
  FILE* stdout_ = nullptr;
  std::string stderrPath_;
};

// tessaro-service on a free port serving `catalog`; its log in `logPath`.
class ServiceProcess {
 public:
  ServiceProcess(const std::string& catalog, const std::string& logPath)
      : child_(std::string(TESSARO_BIN_DIR) + "/tessaro-service",
               {"--catalog", catalog, "--port", "0"}, logPath) {
    firstLine_ = child_.ReadLine();
    const std::string prefix = "listening on http://127.0.0.1:";
    if (firstLine_.rfind(prefix, 0) == 0) port_ = std::stoi(firstLine_.substr(prefix.size()));
  }
  int port() const { return port_; }
  const std::string& firstLine() const { return firstLine_; }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }
  // Stops it with SIGTERM; returns its exit code.
  int Stop() { return child_.Wait(SIGTERM); }
  std::string Log() const { return child_.Stderr(); }

 private:
  Child child_;
  std::string firstLine_;
  int port_ = -1;
};

#endif  // !_WIN32

// The exit code and the output of a program run to its end.
struct ProgramRun {
  int exitCode = -1;
  std::string out;  // on Windows with its lines ended by "\n", as on POSIX
  std::string err;
};

#ifdef _WIN32

// Quotes `arg` for a command line by the rules that CommandLineToArgvW and the C runtime read.
inline std::string QuotedArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(2 * backslashes, '\\');
  return out + "\"";
}

// `text` with its CR LF line ends made "\n".
inline std::string WithLineFeeds(std::string text) {
  for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos;) text.erase(at, 1);
  return text;
}

// `environment` ("NAME=value ...") is set for the program (this process's environment meanwhile);
// `workDir` is its current directory (the test's own when empty).
inline ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                             const std::string& environment = "", const std::string& workDir = "") {
  TempDir capture;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved;
  for (std::size_t start = 0; start < environment.size();) {
    std::size_t end = environment.find(' ', start);
    if (end == std::string::npos) end = environment.size();
    const std::string pair = environment.substr(start, end - start);
    const std::size_t equals = pair.find('=');
    if (equals != std::string::npos) {
      const std::string name = pair.substr(0, equals);
      saved.emplace_back(name, platform::GetEnvironmentValue(name));
      platform::SetEnvironmentValue(name, pair.substr(equals + 1));
    }
    start = end + 1;
  }
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileA((capture / "out").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE err = CreateFileA((capture / "err").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE none = CreateFileA("NUL", GENERIC_READ, 0, &inherit, OPEN_EXISTING, 0, nullptr);
  std::string line = QuotedArgument(program);
  for (const std::string& arg : args) line += " " + QuotedArgument(arg);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = none;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  const BOOL started =
      CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                     workDir.empty() ? nullptr : workDir.c_str(), &startup, &process);
  for (HANDLE handle : {out, err, none}) {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  for (const auto& [name, value] : saved) platform::SetEnvironmentValue(name, value);
  ProgramRun run;
  if (started) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    run.exitCode = static_cast<int>(code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  run.out = WithLineFeeds(ReadFile(capture / "out"));
  run.err = WithLineFeeds(ReadFile(capture / "err"));
  return run;
}

#else

// `environment` is put before the command ("NAME=value ..."); `workDir` is its current directory
// (the test's own when empty).
inline ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                             const std::string& environment = "", const std::string& workDir = "") {
  TempDir capture;
  std::string command = environment + " '" + program + "'";
  if (!workDir.empty()) command = "cd '" + workDir + "' && " + command;
  for (const std::string& arg : args) command += " '" + arg + "'";
  command += " > '" + (capture / "out") + "' 2> '" + (capture / "err") + "' < /dev/null";
  int status = std::system(command.c_str());
  ProgramRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadFile(capture / "out");
  run.err = ReadFile(capture / "err");
  return run;
}

#endif  // _WIN32

}  // namespace tessaro_test

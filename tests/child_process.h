// Programs of the project run as children of a test.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "test_support.h"

extern char** environ;

namespace tessaro_test {

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

// Runs `command` (a shell command line) and returns its exit code and output.
struct ProgramRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

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

}  // namespace tessaro_test

// Child processes for black-box tests, with fork and exec.
#include "support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string_view>
#include <thread>

namespace kartovel::testing {

namespace {

constexpr std::chrono::milliseconds kPoll{5};

// argv-style arrays built before the fork, so the child only calls async-signal-safe code.
std::vector<char*> NullTerminated(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) {
    pointers.push_back(text.data());
  }
  pointers.push_back(nullptr);
  return pointers;
}

// True when one of the "NAME=value" entries names the variable of entry.
bool NamedIn(const std::vector<std::string>& entries, std::string_view entry) {
  const std::string_view name = entry.substr(0, entry.find('=') + 1);
  return std::any_of(entries.begin(), entries.end(),
                     [&](const std::string& given) { return given.starts_with(name); });
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::vector<std::string>& environment, const std::string& outFile,
                           const std::string& errFile) {
  std::vector<std::string> argumentTexts{program};
  argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
  std::vector<std::string> environmentTexts = environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (!NamedIn(environment, *entry)) {
      environmentTexts.emplace_back(*entry);
    }
  }
  std::vector<char*> argv = NullTerminated(argumentTexts);
  std::vector<char*> envp = NullTerminated(environmentTexts);
  const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  pid_ = (out >= 0 && err >= 0) ? fork() : -1;
  if (pid_ == 0) {
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(out);
  close(err);
  if (pid_ < 0) {
    throw std::runtime_error("cannot start " + program);
  }
}

ChildProcess::~ChildProcess() {
  if (!reaped_ && pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

void ChildProcess::Signal(int signal) const {
  if (!reaped_) {
    kill(pid_, signal);
  }
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!reaped_) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      reaped_ = true;
      if (WIFEXITED(status)) {
        exitStatus_ = WEXITSTATUS(status);
      } else if (WIFSIGNALED(status)) {
        exitStatus_ = 128 + WTERMSIG(status);
      }
    } else if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      reaped_ = true;
    } else {
      std::this_thread::sleep_for(kPoll);
    }
  }
  return exitStatus_;
}

}  // namespace kartovel::testing

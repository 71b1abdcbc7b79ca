// A program started as a child process for black-box tests: its arguments and extra
// environment, standard output and error into files, signals, and a bounded wait.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace kartovel::testing {

class ChildProcess {
 public:
  // Starts program with the arguments; environment entries are "NAME=value" added to
  // this process's environment, in place of a variable of the same name. Output goes to the two
  // files. Throws when it cannot start.
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment, const std::string& outFile,
               const std::string& errFile);
  // Kills a child still running and reaps it.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  void Signal(int signal) const;
  // The exit status once the child has ended within the limit (killed and empty after
  // it); a child ended by a signal gives 128 + the signal, as a shell reports it.
  std::optional<int> Wait(std::chrono::milliseconds limit);

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
  std::optional<int> exitStatus_;
};

}  // namespace kartovel::testing

// Starting this test program again as a child process with a few more environment
// variables: a new process image, so no thread of the parent is carried into it and the
// sanitizers see a fresh program.
#pragma once

#include <spawn.h>
#include <sys/types.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace kartovel::testing {

// Returns the child's id, or -1. The filter keeps it from running any test should its
// main() not know the variables.
inline pid_t SpawnTestChild(const std::vector<std::string>& variables) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    environment.emplace_back(*entry);
  }
  environment.insert(environment.end(), variables.begin(), variables.end());
  std::vector<char*> envp;
  for (auto& entry : environment) {
    envp.push_back(entry.data());
  }
  envp.push_back(nullptr);
  std::string program = "/proc/self/exe";
  std::string filter = "--gtest_filter=-*";
  char* argv[] = {program.data(), filter.data(), nullptr};
  pid_t child = -1;
  if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) {
    return -1;
  }
  return child;
}

}  // namespace kartovel::testing

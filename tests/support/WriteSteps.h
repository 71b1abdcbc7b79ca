// Test helpers around the file-write path: a recorder of its steps (through the write-step
// seam) and a scoped umask.
#pragma once

#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "common/WriteFault.h"

namespace kartovel::testing {

struct RecordedStep {
  std::string FileName;
  WriteStep Step;
};

// Records every step of the write path while it lives; one recorder at a time. A check,
// when given, runs at every step on the writing thread (before the step is recorded).
class WriteStepRecorder {
 public:
  explicit WriteStepRecorder(std::function<void(const RecordedStep&)> check = {});
  ~WriteStepRecorder();
  WriteStepRecorder(const WriteStepRecorder&) = delete;
  WriteStepRecorder& operator=(const WriteStepRecorder&) = delete;

  std::vector<RecordedStep> Steps() const;
  // The file of every write that reached its bytes, in order.
  std::vector<std::string> WrittenFiles() const;
  void Clear();
};

// Sets the process's umask for a scope.
class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : previous_(umask(mask)) {}
  ~ScopedUmask() { umask(previous_); }
  ScopedUmask(const ScopedUmask&) = delete;
  ScopedUmask& operator=(const ScopedUmask&) = delete;

 private:
  mode_t previous_;
};

// The permission bits of a file (the file at the end of a symbolic link).
mode_t PermissionsOf(const std::string& fileName);

}  // namespace kartovel::testing

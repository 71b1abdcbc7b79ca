// The write-step recorder: one process-wide log behind the seam's plain function pointer.
#include "support/WriteSteps.h"

#include <mutex>
#include <stdexcept>

namespace kartovel::testing {
namespace {

struct StepLog {
  std::mutex mutex;
  std::vector<RecordedStep> steps;
  std::function<void(const RecordedStep&)> check;
};

StepLog& Log() {
  static StepLog log;
  return log;
}

void Record(const std::string& fileName, WriteStep step) {
  StepLog& log = Log();
  const RecordedStep recorded{fileName, step};
  std::lock_guard lock(log.mutex);
  if (log.check) {
    log.check(recorded);
  }
  log.steps.push_back(recorded);
}

}  // namespace

WriteStepRecorder::WriteStepRecorder(std::function<void(const RecordedStep&)> check) {
  {
    std::lock_guard lock(Log().mutex);
    Log().steps.clear();
    Log().check = std::move(check);
  }
  SetWriteStepHandler(Record);
}

WriteStepRecorder::~WriteStepRecorder() {
  SetWriteStepHandler(nullptr);
  std::lock_guard lock(Log().mutex);
  Log().check = nullptr;
}

std::vector<RecordedStep> WriteStepRecorder::Steps() const {
  std::lock_guard lock(Log().mutex);
  return Log().steps;
}

std::vector<std::string> WriteStepRecorder::WrittenFiles() const {
  std::vector<std::string> files;
  for (const RecordedStep& step : Steps()) {
    if (step.Step == WriteStep::BytesWritten) {
      files.push_back(step.FileName);
    }
  }
  return files;
}

void WriteStepRecorder::Clear() {
  std::lock_guard lock(Log().mutex);
  Log().steps.clear();
}

mode_t PermissionsOf(const std::string& fileName) {
  struct stat info {};
  if (stat(fileName.c_str(), &info) != 0) {
    throw std::runtime_error("cannot stat " + fileName);
  }
  return info.st_mode & 07777;
}

}  // namespace kartovel::testing

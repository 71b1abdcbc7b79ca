// The queue runner's lock.
#include "queue/QueueRunLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

namespace kartovel {

QueueRunLock::QueueRunLock(const std::string& queueFilePath) {
  const std::string lockFile = LockFileOf(queueFilePath);
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(lockFile).parent_path(), ignored);
  descriptor_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (descriptor_ >= 0 && ::flock(descriptor_, LOCK_EX | LOCK_NB) != 0) {
    ::close(descriptor_);
    descriptor_ = -1;
  }
}

QueueRunLock::~QueueRunLock() {
  if (descriptor_ >= 0) {
    ::close(descriptor_);  // drops the lock
  }
}

std::string QueueRunLock::LockFileOf(const std::string& queueFilePath) {
  return queueFilePath + ".lock";
}

}  // namespace kartovel

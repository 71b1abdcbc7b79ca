// The one runner of a queue at a time: two programs (the window and kartovel-cli, or two
// shells) running the same queue would run the same task twice at once and spoil its
// files. The lock is an advisory lock on a file beside the queue's, held while the runner
// lives; the system drops it when the process ends, however it ends, so a killed run
// never leaves the queue locked.
#pragma once

#include <string>

namespace kartovel {

class QueueRunLock {
 public:
  // Tries to take the lock of the queue file's runner; Held() says whether it was taken.
  explicit QueueRunLock(const std::string& queueFilePath);
  ~QueueRunLock();
  QueueRunLock(const QueueRunLock&) = delete;
  QueueRunLock& operator=(const QueueRunLock&) = delete;

  bool Held() const { return descriptor_ >= 0; }
  // The lock file: the queue file's name with ".lock".
  static std::string LockFileOf(const std::string& queueFilePath);

 private:
  int descriptor_ = -1;
};

}  // namespace kartovel

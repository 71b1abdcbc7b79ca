// An open file or folder descriptor that closes itself at the end of its scope, so that
// no way out of a function (an early return, an exception) leaks it; -1 holds none.
#pragma once

#include <unistd.h>

#include <utility>

namespace kartovel {

class FileDescriptor {
 public:
  explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
  ~FileDescriptor() { Close(); }
  FileDescriptor(FileDescriptor&& other) noexcept
      : descriptor_(std::exchange(other.descriptor_, -1)) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
      Close();
      descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
  }

  int Get() const { return descriptor_; }

 private:
  void Close() {
    if (descriptor_ >= 0) {
      close(descriptor_);
    }
  }

  int descriptor_;
};

}  // namespace kartovel

// A temporary folder for one test, removed with everything in it at the end.
#pragma once

#include <string>

namespace kartovel::testing {

class Sandbox {
 public:
  Sandbox();
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  // The folder, ending with the path separator.
  const std::string& Folder() const { return folder_; }
  std::string Path(const std::string& name) const { return folder_ + name; }

  // Whole-file helpers for assertions and set-up.
  static std::string ReadAll(const std::string& fileName);
  static void WriteAll(const std::string& fileName, const std::string& bytes);

 private:
  std::string folder_;
};

}  // namespace kartovel::testing

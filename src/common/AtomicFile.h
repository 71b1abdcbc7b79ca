// Writing a file so that a crash never leaves it half-written: the bytes go to a
// temporary file in the same folder, which is flushed, synced and renamed over the target.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace kartovel {

class AtomicFileWriter {
 public:
  // Opens the temporary file. Throws "Cannot create file %s" (with the target's name).
  explicit AtomicFileWriter(std::string fileName);
  // Without Commit the temporary file is removed and the target stays as it was.
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void Write(std::string_view bytes);
  // Flushes, syncs and renames over the target. Throws "Cannot create file %s".
  void Commit();

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::string fileName_;
  std::string tempName_;
  std::unique_ptr<std::FILE, FileCloser> file_;
  bool failed_ = false;
};

// Replaces the file with the given bytes in one atomic step.
void WriteFileAtomically(const std::string& fileName, std::string_view bytes);

}  // namespace kartovel

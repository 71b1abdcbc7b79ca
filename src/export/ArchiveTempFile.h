// The temporary file an export writes before it becomes the target: made beside the
// target (after the temporaries of interrupted exports of it are removed), synced and
// renamed over the target when complete, and removed on every other way out, so a
// failed or abandoned export leaves the target as it was.
#pragma once

#include <string>

#include "common/Error.h"

namespace kartovel {

// An export that failed after its file was begun (a full disk, a lost folder): the text
// names the file and the cause. Nothing is left of it; the target stays as it was.
class ExportWriteError : public AppError {
 public:
  using AppError::AppError;
};

// "Cannot write file <fileName>: " + the system's reason.
AppError CannotWriteFile(const std::string& fileName, int systemError);

class ArchiveTempFile {
 public:
  // Throws "Cannot create file <target>" when no temporary can be made beside it.
  explicit ArchiveTempFile(std::string targetFile);
  ~ArchiveTempFile();
  ArchiveTempFile(const ArchiveTempFile&) = delete;
  ArchiveTempFile& operator=(const ArchiveTempFile&) = delete;

  const std::string& Name() const { return tempFile_; }
  const std::string& Target() const { return targetFile_; }

  // Syncs the finished temporary and renames it over the target; ExportWriteError with
  // the system's reason when either fails.
  void PutInPlace();
  // Why a write at the end of the temporary fails now (0 when it succeeds): a library
  // that reports only "disk I/O error" leaves the system's reason to be found this way.
  int WriteFailureAtEnd() const;

 private:
  std::string targetFile_;
  std::string tempFile_;
  bool placed_ = false;
};

}  // namespace kartovel

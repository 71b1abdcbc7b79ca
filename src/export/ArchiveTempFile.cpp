// The export's temporary file: stale ones removed, a new one made, synced and renamed.
#include "export/ArchiveTempFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "common/Error.h"
#include "common/AtomicFile.h"

namespace kartovel {

namespace {

constexpr char kTempMark[] = ".tmp-";
constexpr char kTempPattern[] = "XXXXXX";

// The files "<target>.tmp-" + six characters beside the target: regular files of this
// user, which only a writer of the target makes.
void RemoveStaleTempFiles(const std::string& targetFile) {
  const std::filesystem::path target(targetFile);
  const std::string prefix = target.filename().string() + kTempMark;
  const std::filesystem::path folder =
      target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
  std::error_code error;
  for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    struct stat info {};
    if (name.size() == prefix.size() + std::strlen(kTempPattern) && name.starts_with(prefix) &&
        lstat(entry->path().c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_uid == geteuid()) {
      std::remove(entry->path().c_str());
    }
  }
}

std::string CreateTempFileBeside(const std::string& targetFile) {
  RemoveStaleTempFiles(targetFile);
  std::string name = targetFile + kTempMark + kTempPattern;
  const int descriptor = mkstemp(name.data());
  if (descriptor < 0) {
    // The reason (a folder that does not exist, no write access) is what the user can fix.
    throw AppError(WithSystemReason(CannotCreateFile(targetFile).what(), errno));
  }
  fchmod(descriptor, 0644);
  close(descriptor);
  return name;
}

bool SyncFile(const std::string& fileName) {
  const int descriptor = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) {
    return false;
  }
  const bool synced = fsync(descriptor) == 0;
  return close(descriptor) == 0 && synced;
}

}  // namespace

AppError CannotWriteFile(const std::string& fileName, int systemError) {
  return AppError("Cannot write file " + fileName + ": " + SystemErrorText(systemError));
}

ArchiveTempFile::ArchiveTempFile(std::string targetFile)
    : targetFile_(std::move(targetFile)), tempFile_(CreateTempFileBeside(targetFile_)) {}

ArchiveTempFile::~ArchiveTempFile() {
  if (!placed_) {
    std::remove(tempFile_.c_str());
  }
}

void ArchiveTempFile::PutInPlace() {
  if (!SyncFile(tempFile_) || std::rename(tempFile_.c_str(), targetFile_.c_str()) != 0) {
    throw ExportWriteError(CannotWriteFile(targetFile_, errno).what());
  }
  placed_ = true;
  SyncFolderOf(targetFile_);
}

int ArchiveTempFile::WriteFailureAtEnd() const {
  const int descriptor = open(tempFile_.c_str(), O_WRONLY | O_CLOEXEC);
  if (descriptor < 0) {
    return errno;
  }
  struct stat info {};
  int failure = fstat(descriptor, &info) == 0 ? 0 : errno;
  const std::string page(65536, '\0');
  for (size_t written = 0; failure == 0 && written < page.size();) {
    const ssize_t wrote = pwrite(descriptor, page.data() + written, page.size() - written,
                                 info.st_size + static_cast<off_t>(written));
    if (wrote <= 0) {
      failure = wrote < 0 ? errno : 0;
      break;
    }
    written += static_cast<size_t>(wrote);
  }
  close(descriptor);
  return failure;
}

}  // namespace kartovel

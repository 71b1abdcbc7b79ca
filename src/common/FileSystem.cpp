// File-system queries, whole-file reading and the two changes the program makes outside
// its own files: creating a folder and copying the blank image.
#include "common/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/Paths.h"

namespace kartovel {

bool DirectoryExists(const std::string& folder) {
  struct stat info {};
  return !folder.empty() && stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool FileExists(const std::string& fileName) {
  struct stat info {};
  return !fileName.empty() && stat(fileName.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool CreateOneDirectory(const std::string& folder) {
  return CreateOneDirectoryError(folder) == 0;
}

int CreateOneDirectoryError(const std::string& folder) {
  if (folder.empty()) {
    return ENOENT;
  }
  return mkdir(folder.c_str(), 0777) == 0 ? 0 : (errno != 0 ? errno : EIO);
}

// The copy goes through the one write path and is linked to the target name only when
// no file has that name: a crash never leaves a half-copied file at the target, and a
// symbolic link at the target, even one to nowhere, counts as a file there.
namespace {

bool CopyFileNoReplaceTo(const std::string& from, const std::string& to, SyncGroup* laterSync) {
  if (FileExists(to)) {
    return false;
  }
  const std::optional<std::string> bytes = ReadWholeFile(from);
  if (!bytes) {
    return false;
  }
  try {
    AtomicFileWriter writer(to, FileAccess::Shared, LinkHandling::ReplaceLink);
    writer.Write(*bytes);
    return laterSync != nullptr ? writer.CommitIfAbsent(*laterSync) : writer.CommitIfAbsent();
  } catch (const AppError&) {
    return false;
  }
}

}  // namespace

bool CopyFileNoReplace(const std::string& from, const std::string& to) {
  return CopyFileNoReplaceTo(from, to, nullptr);
}

bool CopyFileNoReplace(const std::string& from, const std::string& to, SyncGroup& laterSync) {
  return CopyFileNoReplaceTo(from, to, &laterSync);
}

// Only a regular file is read: a pipe or a device in a file's place would never end
// (opening does not wait for a pipe's writer).
std::optional<std::string> ReadWholeFile(const std::string& fileName) {
  const int descriptor = open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (descriptor < 0) {
    return std::nullopt;
  }
  std::string bytes;
  struct stat info {};
  bool whole = fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode);
  if (whole && info.st_size > 0) {
    bytes.reserve(static_cast<size_t>(info.st_size));
  }
  char buffer[1 << 16];
  while (whole) {
    const ssize_t count = read(descriptor, buffer, sizeof buffer);
    if (count > 0) {
      bytes.append(buffer, static_cast<size_t>(count));
    } else if (count == 0) {
      break;
    } else if (errno != EINTR) {
      whole = false;
    }
  }
  close(descriptor);
  if (!whole) {
    return std::nullopt;
  }
  return bytes;
}

std::optional<uint64_t> FileSize(const std::string& fileName) {
  struct stat info {};
  if (fileName.empty() || stat(fileName.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
    return std::nullopt;
  }
  return static_cast<uint64_t>(info.st_size);
}

std::string ProgramFolder() {
  std::error_code error;
  std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) {
    return IncludeTrailingSeparator(std::filesystem::current_path().string());
  }
  return IncludeTrailingSeparator(executable.parent_path().string());
}

}  // namespace kartovel

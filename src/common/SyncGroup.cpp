// The pending-sync group: the folders that files were put in since the last sync, each
// file system among them synced as a whole in one call (syncfs). One call per batch costs
// less processor time than a sync of every file and its folder in turn, and needs no
// file opened again by its name.
#include "common/SyncGroup.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "common/Error.h"
#include "common/Paths.h"
#include "common/WriteFault.h"

namespace kartovel {
namespace {

std::string FolderOf(const std::string& fileName) {
  const std::string folder = ExtractFilePath(fileName);
  return folder.empty() ? "." : folder;
}

// 0, or the errno of the failed step. A folder that is gone has nothing left to keep.
int SyncFileSystemOf(const std::string& folder) {
  const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) {
    return errno == ENOENT ? 0 : errno;
  }
  const int result = syncfs(descriptor) == 0 ? 0 : errno;
  close(descriptor);
  return result;
}

}  // namespace

void SyncGroup::Add(const std::string& fileName) {
  std::string folder = FolderOf(fileName);
  std::lock_guard lock(mutex_);
  if (std::find(folders_.begin(), folders_.end(), folder) == folders_.end()) {
    folders_.push_back(std::move(folder));
  }
}

void SyncGroup::SyncPending() {
  std::lock_guard syncing(syncing_);
  std::vector<std::string> folders;
  {
    std::lock_guard lock(mutex_);
    if (failure_ != 0) {
      throw FileError(CannotCreateFile(failedFolder_), failure_);
    }
    folders.swap(folders_);
  }
  for (const std::string& folder : folders) {
    ReachWriteStep(folder, WriteStep::GroupSync);
    if (const int error = SyncFileSystemOf(folder); error != 0) {
      std::lock_guard lock(mutex_);
      failedFolder_ = folder;
      failure_ = error;
      throw FileError(CannotCreateFile(folder), error);
    }
  }
}

}  // namespace kartovel

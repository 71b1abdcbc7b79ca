// Recording a folder's entries.
#include "support/FolderSnapshot.h"

#include <filesystem>

#include "support/Sandbox.h"

namespace kartovel::testing {

namespace {

namespace fs = std::filesystem;

std::string ModeText(const fs::file_status& status) {
  return std::to_string(static_cast<unsigned>(status.permissions()) & 07777);
}

std::string Describe(const fs::directory_entry& entry) {
  const fs::file_status status = entry.symlink_status();
  if (fs::is_symlink(status)) {
    return "link " + fs::read_symlink(entry.path()).string();
  }
  if (fs::is_directory(status)) {
    return "folder " + ModeText(status);
  }
  return "file " + ModeText(status) + " " + Sandbox::ReadAll(entry.path().string());
}

}  // namespace

FolderSnapshot SnapshotFolder(const std::string& folder) {
  FolderSnapshot snapshot;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    snapshot[fs::relative(entry.path(), folder).string()] = Describe(entry);
  }
  return snapshot;
}

}  // namespace kartovel::testing

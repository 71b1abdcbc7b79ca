// The user's task file and folders.
#include "app/UserFiles.h"

#include "common/FileSystem.h"
#include "common/Paths.h"

namespace kartovel {

std::string NamedTaskFile(const std::string& folder, const std::string& name) {
  if (folder.empty() || name.empty()) {
    return {};
  }
  const std::string named = IncludeTrailingSeparator(folder) + name;
  return FileExists(named) ? named : std::string();
}

std::string ChooserFolder(const std::string& taskFile, const std::string& defaultPath) {
  if (!taskFile.empty() && DirectoryExists(ExtractFilePath(taskFile))) {
    return ExtractFilePath(taskFile);
  }
  return DirectoryExists(defaultPath) ? defaultPath : std::string();
}

}  // namespace kartovel

// File-system queries and the two changes the program makes outside its own files:
// creating a folder and copying the blank image.
#include "common/FileSystem.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

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
  return !folder.empty() && mkdir(folder.c_str(), 0777) == 0;
}

// The copy is made under a temporary name and linked to the target name: link() never
// replaces an existing file, and a crash never leaves a half-copied file at the target.
bool CopyFileNoReplace(const std::string& from, const std::string& to) {
  if (FileExists(to)) {
    return false;
  }
  std::string temporary = to + ".copy-tmp";
  std::error_code error;
  std::filesystem::remove(temporary, error);
  if (!std::filesystem::copy_file(from, temporary, std::filesystem::copy_options::none, error) ||
      error) {
    std::filesystem::remove(temporary, error);
    return false;
  }
  bool linked = link(temporary.c_str(), to.c_str()) == 0;
  unlink(temporary.c_str());
  return linked;
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

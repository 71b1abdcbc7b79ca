// Name parts of paths and the user's standard folders.
#include "common/Paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "common/FileSystem.h"
#include "common/UserDirs.h"

namespace kartovel {
namespace {

size_t NameStart(std::string_view fullName) {
  size_t separator = fullName.rfind(kPathSeparator);
  return separator == std::string_view::npos ? 0 : separator + 1;
}

}  // namespace

std::string IncludeTrailingSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != kPathSeparator) {
    folder += kPathSeparator;
  }
  return folder;
}

std::string ExtractFilePath(std::string_view fullName) {
  return std::string(fullName.substr(0, NameStart(fullName)));
}

std::string ExtractFileName(std::string_view fullName) {
  return std::string(fullName.substr(NameStart(fullName)));
}

std::string ExtractFileExt(std::string_view fullName) {
  size_t dot = fullName.rfind('.');
  if (dot == std::string_view::npos || dot < NameStart(fullName)) {
    return "";
  }
  return std::string(fullName.substr(dot));
}

std::string RemoveFileExt(std::string_view fullName) {
  return std::string(fullName.substr(0, fullName.size() - ExtractFileExt(fullName).size()));
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    return home;
  }
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return entry->pw_dir;
  }
  return "/tmp";
}

std::string DefaultDownloadFolder() {
  std::string home = HomeFolder();
  if (!home.empty() && home.back() == kPathSeparator) {
    home.pop_back();
  }
  const std::string own = home + "/downloads";
  // A new user's save folder: the desktop's download folder, until the program's own exists.
  if (!DirectoryExists(own)) {
    if (std::optional<std::string> desktop = DesktopDownloadFolder()) {
      return *desktop;
    }
  }
  return own;
}

}  // namespace kartovel

// Reading the one line of user-dirs.dirs the program needs, by the rules its writer
// (xdg-user-dirs-update) follows: KEY="VALUE", VALUE beginning with $HOME/ or /.
#include "common/UserDirs.h"

#include <cstdlib>

#include "common/FileSystem.h"
#include "common/Paths.h"

namespace kartovel {

namespace {

constexpr std::string_view kKey = "XDG_DOWNLOAD_DIR=\"";
constexpr std::string_view kHomePrefix = "$HOME";
// The file is a few lines; anything far larger is no user-dirs file.
constexpr size_t kMaxUserDirsBytes = 64 * 1024;

std::string WithoutTrailingSeparators(std::string folder) {
  while (folder.size() > 1 && folder.back() == kPathSeparator) {
    folder.pop_back();
  }
  return folder;
}

}  // namespace

std::optional<std::string> DownloadFolderNamedIn(std::string_view userDirsText,
                                                 const std::string& home) {
  size_t start = 0;
  while (start < userDirsText.size()) {
    size_t end = userDirsText.find('\n', start);
    if (end == std::string_view::npos) {
      end = userDirsText.size();
    }
    std::string_view line = userDirsText.substr(start, end - start);
    start = end + 1;
    if (line.substr(0, kKey.size()) != kKey || line.size() < kKey.size() + 1 ||
        line.back() != '"') {
      continue;
    }
    std::string_view value = line.substr(kKey.size(), line.size() - kKey.size() - 1);
    std::string folder;
    if (value.substr(0, kHomePrefix.size()) == kHomePrefix &&
        (value.size() == kHomePrefix.size() || value[kHomePrefix.size()] == kPathSeparator)) {
      folder = home + std::string(value.substr(kHomePrefix.size()));
    } else if (!value.empty() && value.front() == kPathSeparator) {
      folder = std::string(value);
    } else {
      continue;
    }
    if (folder.find('"') != std::string::npos || folder.find('\\') != std::string::npos) {
      continue;  // quoting this reader does not undo
    }
    folder = WithoutTrailingSeparators(folder);
    if (folder == WithoutTrailingSeparators(home)) {
      return std::nullopt;
    }
    return folder;
  }
  return std::nullopt;
}

std::optional<std::string> DesktopDownloadFolder() {
  const std::string home = HomeFolder();
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  const std::string folder = configHome != nullptr && configHome[0] == kPathSeparator
                                 ? IncludeTrailingSeparator(configHome)
                                 : IncludeTrailingSeparator(home) + ".config/";
  const std::optional<uint64_t> size = FileSize(folder + "user-dirs.dirs");
  if (!size || *size > kMaxUserDirsBytes) {
    return std::nullopt;
  }
  const std::optional<std::string> text = ReadWholeFile(folder + "user-dirs.dirs");
  return text ? DownloadFolderNamedIn(*text, WithoutTrailingSeparators(home)) : std::nullopt;
}

}  // namespace kartovel

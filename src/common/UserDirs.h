// The download folder the desktop names for the user (XDG_DOWNLOAD_DIR of the
// user-dirs.dirs file in the user's config folder), which a new user's default save folder
// is when the program's own default does not exist yet.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kartovel {

// The folder XDG_DOWNLOAD_DIR names in the text of a user-dirs.dirs file: "$HOME/..." or an
// absolute path in double quotes. None when the line is missing, malformed, or names the
// home itself (the desktop's way of saying there is none).
std::optional<std::string> DownloadFolderNamedIn(std::string_view userDirsText,
                                                 const std::string& home);

// The same read from $XDG_CONFIG_HOME/user-dirs.dirs (or ~/.config/user-dirs.dirs).
std::optional<std::string> DesktopDownloadFolder();

}  // namespace kartovel

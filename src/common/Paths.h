// Path rules: one separator for the platform, every folder value ends with it, and
// the name parts (folder, file name, extension) taken as the program needs them.
#pragma once

#include <string>
#include <string_view>

namespace kartovel {

inline constexpr char kPathSeparator = '/';

// The folder with exactly one separator at its end (an empty text stays empty).
std::string IncludeTrailingSeparator(std::string folder);

// Folder part of a full name, with its trailing separator ("" when there is none).
std::string ExtractFilePath(std::string_view fullName);
// File-name part, extension included.
std::string ExtractFileName(std::string_view fullName);
// From the last "." after the last separator on, "." included; "" when there is none.
std::string ExtractFileExt(std::string_view fullName);
// The name without its extension (as ExtractFileExt defines it).
std::string RemoveFileExt(std::string_view fullName);

// The user's home folder and the default download folder: home + "/downloads", or the
// desktop's download folder (common/UserDirs.h) while that one does not exist.
std::string HomeFolder();
std::string DefaultDownloadFolder();

}  // namespace kartovel

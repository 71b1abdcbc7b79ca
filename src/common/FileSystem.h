// The few file-system operations the program needs, none of which throws.
#pragma once

#include <string>

namespace kartovel {

bool DirectoryExists(const std::string& folder);
bool FileExists(const std::string& fileName);
// Creates one folder level; true when it was created.
bool CreateOneDirectory(const std::string& folder);
// Copies a file to a new name, leaving an existing target untouched; true on success.
bool CopyFileNoReplace(const std::string& from, const std::string& to);

// The folder of the running executable, with its trailing separator.
std::string ProgramFolder();

}  // namespace kartovel

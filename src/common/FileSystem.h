// The few file-system operations the program needs, none of which throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kartovel {

bool DirectoryExists(const std::string& folder);
bool FileExists(const std::string& fileName);
// Creates one folder level; true when it was created.
bool CreateOneDirectory(const std::string& folder);
// The same, giving the system's error number of a failure (0 on success), so that the
// message can say why.
int CreateOneDirectoryError(const std::string& folder);
class SyncGroup;

// Copies a file to a new name, leaving an existing target untouched; true on success.
bool CopyFileNoReplace(const std::string& from, const std::string& to);
// The same, the copy synced with the group.
bool CopyFileNoReplace(const std::string& from, const std::string& to, SyncGroup& laterSync);

// Every byte of a regular file; none when it cannot be opened, is no regular file, or a
// read fails part-way (a file is never taken for what was read of it).
std::optional<std::string> ReadWholeFile(const std::string& fileName);
// The size in bytes of a file that exists (not a folder).
std::optional<uint64_t> FileSize(const std::string& fileName);

// The folder of the running executable, with its trailing separator.
std::string ProgramFolder();

}  // namespace kartovel

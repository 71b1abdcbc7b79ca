// Everything a folder holds, for tests that must show a step left it untouched: each
// entry's kind, mode and bytes (or link target), by path below the folder.
#pragma once

#include <map>
#include <string>

namespace kartovel::testing {

using FolderSnapshot = std::map<std::string, std::string>;

// Links are recorded, never followed.
FolderSnapshot SnapshotFolder(const std::string& folder);

}  // namespace kartovel::testing

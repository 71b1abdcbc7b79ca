// The version every program of Kartovel reports with --version (the project's version,
// fixed by the build).
#pragma once

#include <string>

namespace kartovel {

std::string ProgramVersion();

// The first line of --version: the program's name, a blank, the version.
std::string VersionLine(const std::string& programName);

}  // namespace kartovel

// The build hands the project's version to this one file only, so that a new version
// recompiles nothing else.
#include "common/ProgramVersion.h"

#ifndef KARTOVEL_VERSION
#error "The build defines KARTOVEL_VERSION for this file"
#endif

namespace kartovel {

std::string ProgramVersion() {
  return KARTOVEL_VERSION;
}

std::string VersionLine(const std::string& programName) {
  return programName + " " + ProgramVersion() + "\n";
}

}  // namespace kartovel

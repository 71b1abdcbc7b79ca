// GDAL's gdalinfo (Debian gdal-bin) as an independent reader of the files the program
// writes for GIS tools; the tests that use it are skipped where it is not installed.
#pragma once

#include <optional>
#include <string>

namespace kartovel::testing {

// gdalinfo's output (standard output and error) for the file, and its exit status;
// none when gdalinfo is not installed.
struct GdalinfoRun {
  std::string Output;
  int Status = -1;
};
std::optional<GdalinfoRun> Gdalinfo(const std::string& fileName);

}  // namespace kartovel::testing

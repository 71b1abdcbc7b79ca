// What every front end reads from the program's folder before its first run: the
// configuration's place, folder, version and tile host, and the map sources it offers
// with the one it chose last.
#pragma once

#include <cstdint>
#include <string>

#include "task/MapSourcesFile.h"

namespace kartovel {

// The tile service when the configuration names none: the demo service.
inline constexpr char kDefaultTileHost[] = "127.0.0.1:8642";

struct ProgramSettings {
  std::string ConfigFilePath;
  std::string DefaultPath;      // [IniParas] DefaultPath
  std::string Version;          // [IniParas] Version
  std::string TileHost;         // [TileService] Host without blanks, never empty
  std::string SourceUserAgent;  // what a source without a UserAgent sends
  // Map type 3 first, then the valid sources of ini/sources.ini; the refusal lines of
  // the sections left out.
  MapSourceTable Sources;
  int32_t RememberedMapsType = kBuiltInMapsType;  // [IniParas] MapsType
};

// Reads them, first removing a temporary that an options dialog killed while it saved
// the configuration may have left.
ProgramSettings ReadProgramSettings(const std::string& programFolder);

// The first of the sources of that map type, or nullptr.
const MapSource* SourceOfMapsType(const MapSourceTable& table, int32_t mapsType);

}  // namespace kartovel

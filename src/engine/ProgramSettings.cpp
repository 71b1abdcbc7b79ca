// Reading the settings a run takes from the program's folder.
#include "engine/ProgramSettings.h"

#include "common/AtomicFile.h"
#include "common/IniFile.h"
#include "common/Text.h"
#include "engine/ConfigFile.h"

namespace kartovel {

namespace {

// The deployment key that names the tile service.
constexpr char kTileServiceSection[] = "TileService";
constexpr char kTileServiceHost[] = "Host";

}  // namespace

ProgramSettings ReadProgramSettings(const std::string& programFolder) {
  ProgramSettings settings;
  settings.ConfigFilePath = config::ConfigFilePath(programFolder);
  RemoveStaleTemporaries(settings.ConfigFilePath);
  const TIniFile configuration(settings.ConfigFilePath);
  settings.DefaultPath = configuration.ReadString(config::kIniParas, config::kDefaultPath,
                                                  config::DefaultPathDefault());
  settings.Version =
      configuration.ReadString(config::kIniParas, config::kVersion, config::kDefaultVersion);
  // A hand-edited "Host = name" keeps its blanks in the value; they are no part of a host.
  // An empty host falls back like a missing key; any other unusable one stops Start.
  settings.TileHost =
      TrimBlanks(configuration.ReadString(kTileServiceSection, kTileServiceHost, kDefaultTileHost));
  if (settings.TileHost.empty()) {
    settings.TileHost = kDefaultTileHost;
  }
  settings.SourceUserAgent = DefaultSourceUserAgent(settings.Version);
  settings.Sources = ReadMapSources(SourcesFilePath(programFolder), settings.SourceUserAgent);
  settings.RememberedMapsType =
      configuration.ReadInteger(config::kIniParas, config::kMapsType, kBuiltInMapsType);
  return settings;
}

const MapSource* SourceOfMapsType(const MapSourceTable& table, int32_t mapsType) {
  for (const MapSource& source : table.Sources) {
    if (source.MapsType == mapsType) {
      return &source;
    }
  }
  return nullptr;
}

}  // namespace kartovel

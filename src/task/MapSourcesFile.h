// The map sources the user describes in ini/sources.ini beside the program, one section
// "[MapType N]" per source, and the copy of a source that a task file keeps as [Source].
// Both are read by the same rules, so a task needs nothing but itself to be continued,
// viewed or combined after the sources file changed or went away.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/IniFile.h"
#include "task/MapSource.h"

namespace kartovel {

// The keys of a source's section, in the order a task file's copy writes them.
namespace sourcekeys {
inline constexpr char kName[] = "Name";
inline constexpr char kUrl[] = "Url";
inline constexpr char kPrefix[] = "Prefix";
inline constexpr char kExtension[] = "Extension";
inline constexpr char kSubdomains[] = "Subdomains";
inline constexpr char kUserAgent[] = "UserAgent";
inline constexpr char kReferer[] = "Referer";
inline constexpr char kMinZoom[] = "MinZoom";
inline constexpr char kMaxZoom[] = "MaxZoom";
inline constexpr char kWorkers[] = "Workers";
inline constexpr char kPauseMs[] = "PauseMs";
// Optional: written into the task file's copy only when the source names one.
inline constexpr char kAttribution[] = "Attribution";
inline constexpr char kMaxTilesPerJob[] = "MaxTilesPerJob";
inline constexpr char kPolicy[] = "Policy";
}  // namespace sourcekeys

inline constexpr int32_t kFirstSourceMapsType = 100;
inline constexpr int32_t kLastSourceMapsType = 999;

// The settings folder (common/ProgramLayout.h) + "sources.ini": programFolder +
// "ini/sources.ini" in a portable folder.
std::string SourcesFilePath(const std::string& programFolder);

// What a source without a UserAgent sends: "Kartovel/" + version.
std::string DefaultSourceUserAgent(const std::string& version);

// A source, or why there is none.
struct SourceReading {
  std::optional<MapSource> Source;
  std::string Fault;  // empty when Source is set
};

// The source of map type mapsType from one section. Missing or blank keys take their
// defaults; a value that breaks a rule makes the whole source a fault.
// A value longer than 8192 characters makes the source a fault too.
SourceReading ReadSourceSection(const TIniFile& file, const std::string& section, int32_t mapsType,
                                const std::string& defaultUserAgent);
SourceReading ReadSourceSection(const IniSnapshot& file, const std::string& section,
                                int32_t mapsType, const std::string& defaultUserAgent);

// Map type 3 first, then the valid sources of the file in file order, and one line for
// each section left out, naming it and why. A missing file holds no sources; a file larger
// than 1 MB (1048576 bytes) is not read: one line says so.
struct MapSourceTable {
  std::vector<MapSource> Sources;
  std::vector<std::string> Refusals;
};
MapSourceTable ReadMapSources(const std::string& sourcesFile, const std::string& defaultUserAgent);

// The source a task was run with: map type 3, or the task file's [Source] copy.
SourceReading ReadTaskMapSource(const std::string& taskFile, const std::string& defaultUserAgent);

// The task file's copy of a source: "[Source]" and every key with the value in effect,
// Attribution last and only when the source names one.
std::vector<std::string> SourceSectionLines(const MapSource& source);

}  // namespace kartovel

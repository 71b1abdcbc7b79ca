// Reading map sources from INI sections by one set of rules, and writing a task's copy.
#include "task/MapSourcesFile.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string_view>

#include "common/Error.h"
#include "common/FileSystem.h"
#include "common/IntegerText.h"
#include "common/Paths.h"
#include "common/ProgramLayout.h"
#include "common/Text.h"
#include "task/TaskFile.h"
#include "task/TaskFileKeys.h"

namespace kartovel {
namespace {

namespace keys = sourcekeys;

constexpr std::string_view kSectionWord = "MapType";
constexpr int32_t kGridMaxZoom = 30;
constexpr int32_t kMaxWorkers = 8;
constexpr int32_t kMinPauseMs = 100;
// A longer pause would hold a Stop for as long, since a pause is waited out whole.
constexpr int32_t kMaxPauseMs = 60000;
constexpr size_t kMaxPrefixLength = 40;

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_';
}

bool HasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < ' ' || c == '\x7f'; });
}

std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text;
}

// The map type a section name "MapType N" gives, when N is a source's number.
std::optional<int32_t> MapsTypeOfSection(std::string_view name) {
  if (!StartsWithIgnoringCase(name, kSectionWord)) {
    return std::nullopt;
  }
  const std::string_view digits = TrimBlanks(name.substr(kSectionWord.size()));
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos ||
      digits.size() > 3) {
    return std::nullopt;
  }
  const std::optional<int32_t> number = ParseIntegerText(digits);
  if (!number || *number < kFirstSourceMapsType || *number > kLastSourceMapsType) {
    return std::nullopt;
  }
  return number;
}

// Reads the keys of one section; every value without its surrounding blanks.
class SectionReader {
 public:
  SectionReader(const IniSnapshot& file, const std::string& section)
      : file_(file), section_(section) {}

  std::string Text(const char* key, const std::string& fallback = "") const {
    const std::string stored(TrimBlanks(file_.ReadString(section_, key, "")));
    return stored.empty() ? fallback : stored;
  }

  int32_t Integer(const char* key, int32_t fallback) const {
    const std::string text = Text(key);
    if (text.empty()) {
      return fallback;
    }
    if (const std::optional<int32_t> value = ParseIntegerText(text)) {
      return *value;
    }
    throw AppError(std::string(key) + " is not a whole number");
  }

 private:
  const IniSnapshot& file_;
  const std::string& section_;
};

// No value of a source is anywhere near this long; a longer one is refused rather than
// cut, so a source never runs with half a URL.
constexpr size_t kMaxValueBytes = 8192;
// A sources file is a page of text; a larger one is not read at all.
constexpr uintmax_t kMaxSourcesFileBytes = uintmax_t{1} << 20;

void RefuseLongValues(const IniSnapshot& file, const std::string& section) {
  for (const auto& [key, value] : file.Entries(section)) {
    if (value.size() > kMaxValueBytes) {
      throw AppError(std::string(key) + " is longer than " + std::to_string(kMaxValueBytes) +
                     " characters");
    }
  }
}

void Require(bool holds, const std::string& fault) {
  if (!holds) {
    throw AppError(fault);
  }
}

// Empty: no limit. Else a whole number of tiles from 1 up; the sentence names the value.
int32_t MaxTilesPerJobOf(const std::string& text) {
  if (text.empty()) {
    return 0;
  }
  const std::optional<int32_t> tiles = ParseIntegerText(text);
  Require(tiles && *tiles >= 1, std::string(keys::kMaxTilesPerJob) + " \"" + text +
                                    "\" is not a whole number of tiles from 1 to 2147483647");
  return *tiles;
}

MapSource ReadSource(const SectionReader& section, int32_t mapsType,
                     const std::string& defaultUserAgent) {
  MapSource source;
  source.MapsType = mapsType;
  source.Name = section.Text(keys::kName);
  Require(!source.Name.empty(), "Name is missing");
  source.Url = section.Text(keys::kUrl);
  Require(!source.Url.empty(), "Url is missing");
  source.Subdomains = section.Text(keys::kSubdomains);
  if (std::optional<std::string> fault = UrlTemplateFault(source.Url, source.Subdomains)) {
    throw AppError(*fault);
  }
  source.Prefix = section.Text(keys::kPrefix, "mt" + std::to_string(mapsType));
  Require(source.Prefix.size() <= kMaxPrefixLength &&
              std::all_of(source.Prefix.begin(), source.Prefix.end(), IsNameCharacter),
          "Prefix must be 1 to 40 letters, digits, '-' or '_'");
  source.Extension = LowerAscii(section.Text(keys::kExtension, "png"));
  Require(source.Extension == "png" || source.Extension == "jpg" || source.Extension == "webp",
          "Extension must be png, jpg or webp");
  source.UserAgent = section.Text(keys::kUserAgent, defaultUserAgent);
  source.Referer = section.Text(keys::kReferer);
  Require(!HasControlCharacter(source.UserAgent) && !HasControlCharacter(source.Referer),
          "UserAgent and Referer may not hold control characters");
  source.Attribution = section.Text(keys::kAttribution);
  source.Policy = section.Text(keys::kPolicy);
  Require(!HasControlCharacter(source.Policy), "Policy may not hold control characters");
  source.MaxTilesPerJob = MaxTilesPerJobOf(section.Text(keys::kMaxTilesPerJob));
  source.MinZoom = section.Integer(keys::kMinZoom, 0);
  source.MaxZoom = section.Integer(keys::kMaxZoom, 19);
  Require(source.MinZoom >= 0 && source.MinZoom <= source.MaxZoom && source.MaxZoom <= kGridMaxZoom,
          "MinZoom and MaxZoom must be from 0 to 30, MinZoom not above MaxZoom");
  source.Workers = section.Integer(keys::kWorkers, 2);
  Require(source.Workers >= 1 && source.Workers <= kMaxWorkers, "Workers must be from 1 to 8");
  source.PauseMs = section.Integer(keys::kPauseMs, 1000);
  Require(source.PauseMs >= kMinPauseMs && source.PauseMs <= kMaxPauseMs,
          "PauseMs must be from 100 to 60000");
  return source;
}

std::string RefusalLine(const std::string& section, const std::string& fault) {
  return "Map source [" + section + "] left out: " + fault + ".";
}

}  // namespace

std::string SourcesFilePath(const std::string& programFolder) {
  return SettingsFolder(programFolder) + "sources.ini";
}

std::string DefaultSourceUserAgent(const std::string& version) {
  return "Kartovel/" + version;
}

SourceReading ReadSourceSection(const IniSnapshot& file, const std::string& section,
                                int32_t mapsType, const std::string& defaultUserAgent) {
  try {
    RefuseLongValues(file, section);
    return {ReadSource(SectionReader(file, section), mapsType, defaultUserAgent), ""};
  } catch (const AppError& fault) {
    return {std::nullopt, fault.what()};
  }
}

SourceReading ReadSourceSection(const TIniFile& file, const std::string& section, int32_t mapsType,
                                const std::string& defaultUserAgent) {
  return ReadSourceSection(IniSnapshot(file.FileName()), section, mapsType, defaultUserAgent);
}

MapSourceTable ReadMapSources(const std::string& sourcesFile, const std::string& defaultUserAgent) {
  MapSourceTable table;
  table.Sources.push_back(BuiltInMapSource());
  std::error_code error;
  if (const uintmax_t size = std::filesystem::file_size(sourcesFile, error);
      !error && size > kMaxSourcesFileBytes) {
    table.Refusals.push_back("Map sources file " + sourcesFile + " left out: it is larger than " +
                             std::to_string(kMaxSourcesFileBytes) + " bytes.");
    return table;
  }
  const IniSnapshot file(sourcesFile);
  std::set<int32_t> seen;
  for (const std::string& section : file.ReadSections()) {
    const std::optional<int32_t> mapsType = MapsTypeOfSection(section);
    if (!mapsType) {
      table.Refusals.push_back(
          RefusalLine(section, "a section is named MapType and a number from 100 to 999"));
      continue;
    }
    if (!seen.insert(*mapsType).second) {
      table.Refusals.push_back(
          RefusalLine(section, "map type " + std::to_string(*mapsType) + " is described above"));
      continue;
    }
    SourceReading reading = ReadSourceSection(file, section, *mapsType, defaultUserAgent);
    if (reading.Source) {
      table.Sources.push_back(std::move(*reading.Source));
    } else {
      table.Refusals.push_back(RefusalLine(section, reading.Fault));
    }
  }
  return table;
}

SourceReading ReadTaskMapSource(const std::string& taskFile, const std::string& defaultUserAgent) {
  const TaskFileReading reading = ReadTaskFile(taskFile);
  if (!reading.Exists) {
    return {std::nullopt, "the task file " + taskFile + " does not exist"};
  }
  const TIniFile task(taskFile);
  const int32_t mapsType = reading.Values.MapsType.value_or(0);
  if (mapsType == kBuiltInMapsType) {
    return {BuiltInMapSource(), ""};
  }
  if (mapsType < kFirstSourceMapsType || mapsType > kLastSourceMapsType) {
    return {std::nullopt, "map type " + std::to_string(mapsType) + " is not known"};
  }
  return ReadSourceSection(task, taskfile::kSourceSection, mapsType, defaultUserAgent);
}

std::vector<std::string> SourceSectionLines(const MapSource& source) {
  const auto entry = [](const char* key, const std::string& value) {
    return std::string(key) + "=" + value;
  };
  std::vector<std::string> lines = {
      "[" + std::string(taskfile::kSourceSection) + "]",
      entry(keys::kName, source.Name),
      entry(keys::kUrl, source.Url),
      entry(keys::kPrefix, source.Prefix),
      entry(keys::kExtension, source.Extension),
      entry(keys::kSubdomains, source.Subdomains),
      entry(keys::kUserAgent, source.UserAgent),
      entry(keys::kReferer, source.Referer),
      entry(keys::kMinZoom, std::to_string(source.MinZoom)),
      entry(keys::kMaxZoom, std::to_string(source.MaxZoom)),
      entry(keys::kWorkers, std::to_string(source.Workers)),
      entry(keys::kPauseMs, std::to_string(source.PauseMs)),
  };
  // Left out when empty, so the copy of a source without it stays as it always was.
  if (!source.Attribution.empty()) {
    lines.push_back(entry(keys::kAttribution, source.Attribution));
  }
  if (source.MaxTilesPerJob > 0) {
    lines.push_back(entry(keys::kMaxTilesPerJob, std::to_string(source.MaxTilesPerJob)));
  }
  if (!source.Policy.empty()) {
    lines.push_back(entry(keys::kPolicy, source.Policy));
  }
  return lines;
}

}  // namespace kartovel

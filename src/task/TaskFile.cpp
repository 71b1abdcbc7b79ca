// Reading a task file's keys in one pass, judging them, and writing the file's lines.
#include "task/TaskFile.h"

#include <string_view>

#include "common/FileSystem.h"
#include "common/IniFile.h"
#include "task/MapSourcesFile.h"
#include "task/TaskFileKeys.h"

namespace kartovel {

namespace {

std::string SectionLine(std::string_view section) {
  return "[" + std::string(section) + "]";
}

std::string EntryLine(std::string_view key, std::string_view value) {
  std::string line(key);
  line.push_back('=');
  line.append(value);
  return line;
}

std::string IntegerOrEmpty(const std::optional<int32_t>& value) {
  return value ? std::to_string(*value) : std::string();
}

std::optional<std::string> TextOf(const IniSnapshot& file, std::string_view section,
                                  std::string_view key) {
  if (!file.StoredValue(section, key)) {
    return std::nullopt;
  }
  return file.ReadString(section, key, "");
}

bool HoldsWorkerKey(const IniSnapshot& file, int32_t n) {
  return file.StoredValue(taskfile::kThreadsSection, taskfile::WorkerColumnKey(n)) ||
         file.StoredValue(taskfile::kThreadsSection, taskfile::WorkerRowKey(n));
}

std::vector<WorkerPosition> WorkersOf(const IniSnapshot& file) {
  int32_t slots = 0;
  for (int32_t n = 1; n <= kMaxTaskFileWorkerSlots; ++n) {
    if (HoldsWorkerKey(file, n)) {
      slots = n;
    }
  }
  std::vector<WorkerPosition> workers;
  for (int32_t n = 1; n <= slots; ++n) {
    workers.push_back({file.ReadInteger(taskfile::kThreadsSection, taskfile::WorkerColumnKey(n)),
                       file.ReadInteger(taskfile::kThreadsSection, taskfile::WorkerRowKey(n))});
  }
  return workers;
}

}  // namespace

std::optional<TileRange> TaskFileValues::Range() const {
  if (!Zoom || !MinX || !MinY || !MaxX || !MaxY) {
    return std::nullopt;
  }
  return TileRange{.Zoom = *Zoom, .MinX = *MinX, .MaxX = *MaxX, .MinY = *MinY, .MaxY = *MaxY};
}

WorkerPosition TaskFileValues::Worker(int32_t n) const {
  if (n < 1 || n > std::ssize(Workers)) {
    return {};
  }
  return Workers[n - 1];
}

TaskFileReading ReadTaskFile(const std::string& taskFile) {
  namespace k = taskfile;
  TaskFileReading reading;
  reading.Exists = FileExists(taskFile);
  if (!reading.Exists) {
    return reading;
  }
  const IniSnapshot file(taskFile);
  TaskFileValues& v = reading.Values;
  v.MapsType = file.ReadInteger(k::kMapsTypeSection, k::kMapsType);
  v.LeftLongitude = TextOf(file, k::kAreaSection, k::kLeftLongitude);
  v.RightLongitude = TextOf(file, k::kAreaSection, k::kRightLongitude);
  v.TopLatitude = TextOf(file, k::kAreaSection, k::kTopLatitude);
  v.BottomLatitude = TextOf(file, k::kAreaSection, k::kBottomLatitude);
  v.LeftLongitudeDownload = TextOf(file, k::kAreaSection, k::kLeftLongitudeDownload);
  v.RightLongitudeDownload = TextOf(file, k::kAreaSection, k::kRightLongitudeDownload);
  v.TopLatitudeDownload = TextOf(file, k::kAreaSection, k::kTopLatitudeDownload);
  v.BottomLatitudeDownload = TextOf(file, k::kAreaSection, k::kBottomLatitudeDownload);
  v.Zoom = file.ReadInteger(k::kZoomSection, k::kZoom);
  v.MinX = file.ReadInteger(k::kRangeSection, k::kMinX);
  v.MinY = file.ReadInteger(k::kRangeSection, k::kMinY);
  v.MaxX = file.ReadInteger(k::kRangeSection, k::kMaxX);
  v.MaxY = file.ReadInteger(k::kRangeSection, k::kMaxY);
  v.ThreadCount = file.ReadInteger(k::kThreadsSection, k::kThreadCount);
  v.Workers = WorkersOf(file);
  return reading;
}

std::string TaskFileFault(const TaskFileReading& reading) {
  namespace k = taskfile;
  if (!reading.Exists) {
    return "the file does not exist";
  }
  const TaskFileValues& v = reading.Values;
  const struct {
    const std::optional<int32_t>& Value;
    const char* Section;
    const char* Key;
  } keys[] = {
      {v.MapsType, k::kMapsTypeSection, k::kMapsType},
      {v.Zoom, k::kZoomSection, k::kZoom},
      {v.MinX, k::kRangeSection, k::kMinX},
      {v.MinY, k::kRangeSection, k::kMinY},
      {v.MaxX, k::kRangeSection, k::kMaxX},
      {v.MaxY, k::kRangeSection, k::kMaxY},
  };
  for (const auto& key : keys) {
    if (!key.Value) {
      return "key " + std::string(key.Key) + " of section [" + key.Section +
             "] is missing or not a whole number";
    }
  }
  return "";
}

std::string TaskFileRefusal(const std::string& taskFile, const std::string& fault) {
  return "The task file " + taskFile + " is refused: " + fault + ".";
}

Lines TaskFileLines(const TaskFileValues& values) {
  namespace k = taskfile;
  const auto text = [](const std::optional<std::string>& value) { return value.value_or(""); };
  Lines lines = {
      SectionLine(k::kMapsTypeSection),
      EntryLine(k::kMapsType, IntegerOrEmpty(values.MapsType)),
      "",
  };
  if (values.Source) {
    const Lines sourceLines = SourceSectionLines(*values.Source);
    lines.insert(lines.end(), sourceLines.begin(), sourceLines.end());
    lines.emplace_back();
  }
  const Lines rest = {
      SectionLine(k::kAreaSection),
      EntryLine(k::kLeftLongitude, text(values.LeftLongitude)),
      EntryLine(k::kRightLongitude, text(values.RightLongitude)),
      EntryLine(k::kTopLatitude, text(values.TopLatitude)),
      EntryLine(k::kBottomLatitude, text(values.BottomLatitude)),
      "",
      EntryLine(k::kLeftLongitudeDownload, text(values.LeftLongitudeDownload)),
      EntryLine(k::kRightLongitudeDownload, text(values.RightLongitudeDownload)),
      EntryLine(k::kTopLatitudeDownload, text(values.TopLatitudeDownload)),
      EntryLine(k::kBottomLatitudeDownload, text(values.BottomLatitudeDownload)),
      "",
      SectionLine(k::kZoomSection),
      EntryLine(k::kZoom, IntegerOrEmpty(values.Zoom)),
      "",
      SectionLine(k::kRangeSection),
      EntryLine(k::kMinX, IntegerOrEmpty(values.MinX)),
      EntryLine(k::kMinY, IntegerOrEmpty(values.MinY)),
      EntryLine(k::kMaxX, IntegerOrEmpty(values.MaxX)),
      EntryLine(k::kMaxY, IntegerOrEmpty(values.MaxY)),
      "",
      SectionLine(k::kThreadsSection),
      EntryLine(k::kThreadCount, IntegerOrEmpty(values.ThreadCount)),
  };
  lines.insert(lines.end(), rest.begin(), rest.end());
  for (int32_t n = 1; n <= std::ssize(values.Workers); ++n) {
    const WorkerPosition& worker = values.Workers[n - 1];
    lines.push_back(EntryLine(k::WorkerColumnKey(n), IntegerOrEmpty(worker.X)));
    lines.push_back(EntryLine(k::WorkerRowKey(n), IntegerOrEmpty(worker.Y)));
  }
  lines.emplace_back();
  return lines;
}

void WriteTaskFile(const std::string& taskFile, const TaskFileValues& values) {
  SaveLines(taskFile, TaskFileLines(values));
}

}  // namespace kartovel

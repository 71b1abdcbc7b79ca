// The task file as one value: the one reader every program takes a task file's keys
// from, the verdict on whether a file holds what the program writes, and the one writer.
// Each reader picks the keys it needs and its own default for a missing one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/LineFile.h"
#include "geometry/TileRange.h"
#include "task/MapSource.h"

namespace kartovel {

// The most worker slots a reader looks at: a file names T1X..T16Y at most.
inline constexpr int32_t kMaxTaskFileWorkerSlots = 16;

// One worker's last settled tile; a key that is missing, empty or not an integer is none.
struct WorkerPosition {
  std::optional<int32_t> X;
  std::optional<int32_t> Y;
  bool operator==(const WorkerPosition&) const = default;
};

// The keys of a task file. Integers are read by the integer text rule; texts exactly as
// stored (at most 2047 characters, as the INI service reads them). A key the file lacks
// is none.
struct TaskFileValues {
  std::optional<int32_t> MapsType;
  // The map source's copy ([Source]); written when set, never read into this value
  // (ReadTaskMapSource reads it with the defaults of a source).
  std::optional<MapSource> Source;
  // The request's rectangle as typed, then the outer edges of its tile range.
  std::optional<std::string> LeftLongitude;
  std::optional<std::string> RightLongitude;
  std::optional<std::string> TopLatitude;
  std::optional<std::string> BottomLatitude;
  std::optional<std::string> LeftLongitudeDownload;
  std::optional<std::string> RightLongitudeDownload;
  std::optional<std::string> TopLatitudeDownload;
  std::optional<std::string> BottomLatitudeDownload;
  std::optional<int32_t> Zoom;
  std::optional<int32_t> MinX;
  std::optional<int32_t> MinY;
  std::optional<int32_t> MaxX;
  std::optional<int32_t> MaxY;
  std::optional<int32_t> ThreadCount;
  // Slot n - 1 holds worker n's position. A reading holds the slots up to the last one
  // with a key in the file; the writer writes one pair per slot.
  std::vector<WorkerPosition> Workers;

  // The range of Zoom and [XY] when the file holds all five; none otherwise.
  std::optional<TileRange> Range() const;
  // Worker n's (counted from 1) position, none beyond the slots.
  WorkerPosition Worker(int32_t n) const;

  bool operator==(const TaskFileValues&) const = default;
};

// A reading of a task file: whether the file was there and its keys.
struct TaskFileReading {
  bool Exists = false;
  TaskFileValues Values;
};

// Reads every key of the task file in one pass. A missing or unreadable file holds no keys.
TaskFileReading ReadTaskFile(const std::string& taskFile);

// Why a reading holds no task file the program wrote: the file is missing, or the first
// key a reader of its tiles relies on (map type, zoom, range) is missing or not a whole
// number, named with its section; empty when it holds them all.
std::string TaskFileFault(const TaskFileReading& reading);
// The sentence a program refuses a task file with: "The task file <file> is refused: "
// + fault + ".".
std::string TaskFileRefusal(const std::string& taskFile, const std::string& fault);

// The lines the writer produces for values, in the order every task file has: map type,
// the source's copy when there is one, area, zoom, range, thread count, the worker slots.
// A value that is none is written empty; a fresh run's slots are all empty.
Lines TaskFileLines(const TaskFileValues& values);

// Saves TaskFileLines(values) to taskFile in one piece, replacing it. Throws AppError
// ("Cannot create file %s"...) when it cannot be written.
void WriteTaskFile(const std::string& taskFile, const TaskFileValues& values);

}  // namespace kartovel

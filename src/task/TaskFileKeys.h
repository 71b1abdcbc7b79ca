// The names of the task file's sections and keys, for everything that writes or reads a
// task file: the task, the main window, the command line and the companion programs.
// A name spelt differently in one reader would make a resume silently start over.
#pragma once

#include <cstdint>
#include <string>

namespace kartovel::taskfile {

inline constexpr char kMapsTypeSection[] = "MapsType";
inline constexpr char kMapsType[] = "MapsType";

// A task of a map source (map type 100 to 999) keeps a copy of the source's definition,
// with the keys of the sources file, so that it can be continued and read without it.
inline constexpr char kSourceSection[] = "Source";

// The request's rectangle as typed, then the outer edges of its tile range.
inline constexpr char kAreaSection[] = "AREA";
inline constexpr char kLeftLongitude[] = "LeftLongitude";
inline constexpr char kRightLongitude[] = "RightLongitude";
inline constexpr char kTopLatitude[] = "TopLatitude";
inline constexpr char kBottomLatitude[] = "BottomLatitude";
inline constexpr char kLeftLongitudeDownload[] = "Left_Longitude_download";
inline constexpr char kRightLongitudeDownload[] = "Right_Longitude_download";
inline constexpr char kTopLatitudeDownload[] = "Top_Latitude_download";
inline constexpr char kBottomLatitudeDownload[] = "Bottom_Latitude_download";

inline constexpr char kZoomSection[] = "Zoom";
inline constexpr char kZoom[] = "Zoom";

// The tile range.
inline constexpr char kRangeSection[] = "XY";
inline constexpr char kMinX[] = "MinX";
inline constexpr char kMinY[] = "MinY";
inline constexpr char kMaxX[] = "MaxX";
inline constexpr char kMaxY[] = "MaxY";

// The worker count and each worker's last settled tile, the resume positions.
inline constexpr char kThreadsSection[] = "THREADS";
inline constexpr char kThreadCount[] = "ThreadCount";

// A shaped task's area: its name, corridor width, polygons ("P" + n outer ring, "P" + n +
// "H" + m its holes) and lines ("L" + n), each a list of "lon,lat" pairs, and a check
// value over the section that tells a hand edit from what the program wrote. The
// rectangle keys of a shaped task hold the shape's bounds.
inline constexpr char kShapeSection[] = "Shape";
inline constexpr char kShapeName[] = "Name";
inline constexpr char kShapeCorridor[] = "Corridor";
inline constexpr char kShapePolygons[] = "Polygons";
inline constexpr char kShapeLines[] = "Lines";
inline constexpr char kShapeCheck[] = "Check";

// A task file the program writes holds well under a kilobyte; a file larger than this is
// damaged or no task file, and is refused rather than parsed again on every key.
inline constexpr uint64_t kMaxTaskFileBytes = uint64_t{1} << 20;

// The keys of worker n's (counted from 1) last settled column and row: "T" + n + "X"/"Y".
inline std::string WorkerColumnKey(int32_t worker) {
  return "T" + std::to_string(worker) + "X";
}
inline std::string WorkerRowKey(int32_t worker) {
  return "T" + std::to_string(worker) + "Y";
}

}  // namespace kartovel::taskfile

// A download request as a front end hands it over (the texts as typed, the chosen map
// source, where the settings lie) and its checks, which turn it into a task's parameters
// or name the first fault in the order the main window has always checked them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "task/MapSource.h"
#include "task/Unitclasstask.h"

namespace kartovel {

// The workers of a run of map type 3, and the resume slots of every task file.
inline constexpr int32_t kWorkerSlots = 8;

struct RunRequest {
  std::string LeftLongitude;   // the texts as typed; a comma reads as a point
  std::string RightLongitude;
  std::string TopLatitude;
  std::string BottomLatitude;
  std::string Zoom;            // an integer text
  std::string SavePath;        // the folder; created when missing
  std::string TaskName;        // ".qtsk" is appended unless it ends so
  MapSource Source = BuiltInMapSource();
  std::string TileHost;        // [TileService] Host without blanks (map type 3 only)
  std::string ConfigFilePath;  // where the proxy settings are read at the check
  std::string SourceUserAgent; // what a source without a UserAgent sends
  // A shaped area (checked and, when the user agreed, repaired): its bounds stand for the
  // four coordinate texts, which are then not read.
  std::optional<Shape> AreaShape;
};

// Why a request does not start. A message is shown as such; an error goes to the general
// error display (the front end raises it as an AppError in its handler).
struct RequestFault {
  enum class Kind { Message, Error };
  std::string Text;
  Kind FaultKind = Kind::Message;
};

// The proxy settings read from the configuration, then the checks one by one; the first
// fault ends them. The save folder is created when missing (and stays). On success the
// parameters of a fresh run: ContinueTask is decided by the resume policy.
std::variant<TaskParameters, RequestFault> CheckRequest(const RunRequest& request);

// The message of the first range or order fault of the rectangle, or nullptr.
const char* RectangleFault(double left, double right, double top, double bottom);

// The refusal of a task file too large to be one the program wrote, if it is one.
std::optional<std::string> OversizedTaskFile(const std::string& taskFilePath);

}  // namespace kartovel

// The request's checks, in the order the main window has always made them.
#include "engine/RunRequest.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <string_view>

#include "common/Error.h"
#include "common/FileSystem.h"
#include "common/IniFile.h"
#include "common/IntegerText.h"
#include "common/Paths.h"
#include "engine/ConfigFile.h"
#include "engine/DecimalText.h"
#include "engine/TileHost.h"
#include "task/TaskFileKeys.h"
#include "task/TaskName.h"
#include "task/TaskShape.h"

namespace kartovel {

namespace {

std::string CommasToPoints(std::string text) {
  std::replace(text.begin(), text.end(), ',', '.');
  return text;
}

// The longest name a task gives one of its files: the base and this suffix.
constexpr std::string_view kLongestTaskFileSuffix = "_failed.ftl";
// Room under the path limit for the tile folder's separator and a tile's name.
constexpr size_t kTilePathRoom = 64;

// Whether every file of a task of that name can be stored in the folder: no name past the
// folder's file-name limit, no tile path past the path limit.
bool TaskNameFits(const std::string& savePath, const std::string& taskFileName) {
  long nameLimit = pathconf(savePath.c_str(), _PC_NAME_MAX);
  if (nameLimit <= 0) {
    nameLimit = NAME_MAX;
  }
  const size_t base = RemoveFileExt(taskFileName).size();
  return base + kLongestTaskFileSuffix.size() <= static_cast<size_t>(nameLimit) &&
         taskFileName.size() <= static_cast<size_t>(nameLimit) &&
         savePath.size() + base + kTilePathRoom < PATH_MAX;
}

void ReadProxySettings(const std::string& configFilePath, TaskParameters& params) {
  const TIniFile configuration(configFilePath);
  params.UseProxy =
      configuration.ReadInteger(config::kProxy, config::kUseProxy, 0) == config::kProxyOn;
  params.ProxyServer = configuration.ReadString(config::kProxy, config::kProxyServer, "");
  params.ProxyPort = configuration.ReadString(config::kProxy, config::kProxyPort, "");
  params.ProxyUsername = configuration.ReadString(config::kProxy, config::kProxyUsername, "");
  params.ProxyPassword = configuration.ReadString(config::kProxy, config::kProxyPassword, "");
}

RequestFault Message(std::string text) {
  return {std::move(text), RequestFault::Kind::Message};
}

// The folder and the rectangle, each check ending at its fault.
std::optional<RequestFault> PlaceFault(const RunRequest& request, TaskParameters& params) {
  const std::string& path = request.SavePath;
  if (path.empty()) {
    return Message("Please select a path to save the images.");
  }
  if (const auto fault = SavePathFault(path)) {
    return Message(*fault);
  }
  if (!DirectoryExists(path)) {
    if (const int reason = CreateOneDirectoryError(path); reason != 0) {
      return Message(WithSystemReason("Create directory " + path + " Failed", reason) + ".");
    }
  }
  params.SavePath = IncludeTrailingSeparator(path);
  if (request.AreaShape) {
    TakeShapeArea(params, *request.AreaShape);
    return std::nullopt;
  }

  const auto left = ParseDecimalText(CommasToPoints(request.LeftLongitude));
  const auto right = ParseDecimalText(CommasToPoints(request.RightLongitude));
  const auto top = ParseDecimalText(CommasToPoints(request.TopLatitude));
  const auto bottom = ParseDecimalText(CommasToPoints(request.BottomLatitude));
  if (!left || !right || !top || !bottom) {
    return Message("Longitude or latitude input error!");
  }
  if (const char* fault = RectangleFault(*left, *right, *top, *bottom)) {
    return Message(fault);
  }
  params.LeftLongitude = *left;
  params.RightLongitude = *right;
  params.TopLatitude = *top;
  params.BottomLatitude = *bottom;
  return std::nullopt;
}

// The source's zoom levels and the task's name and file.
std::optional<RequestFault> TaskFault(const RunRequest& request, TaskParameters& params) {
  const MapSource& source = request.Source;
  if (!IsBuiltIn(source) && (params.Zoom < source.MinZoom || params.Zoom > source.MaxZoom)) {
    return Message("The map source " + source.Name + " serves zoom levels " +
                   std::to_string(source.MinZoom) + " to " + std::to_string(source.MaxZoom) +
                   ".");
  }
  if (const auto fault = TaskNameFault(request.TaskName)) {
    return Message(*fault);
  }
  params.TaskFileName = TaskFileNameFor(request.TaskName);
  if (!TaskNameFits(params.SavePath, params.TaskFileName)) {
    return Message(
        "The task name is too long to store the task's files in this folder. Choose a shorter "
        "task name.");
  }
  if (const auto refusal = OversizedTaskFile(params.SavePath + params.TaskFileName)) {
    return Message(*refusal + " Choose another task name or move that file away.");
  }
  return std::nullopt;
}

}  // namespace

std::variant<TaskParameters, RequestFault> CheckRequest(const RunRequest& request) {
  TaskParameters params;
  ReadProxySettings(request.ConfigFilePath, params);
  params.ContinueTask = false;
  const auto zoom = ParseIntegerText(request.Zoom);
  if (!zoom) {
    return RequestFault{"'" + request.Zoom + "' is not a valid integer value",
                        RequestFault::Kind::Error};
  }
  params.Zoom = *zoom;
  const MapSource& source = request.Source;
  params.MapsType = source.MapsType;
  if (!IsBuiltIn(source)) {
    params.Source = source;
  }
  // Only map type 3 asks the tile host; a source names its own.
  if (IsBuiltIn(source) && !IsTileHost(request.TileHost)) {
    return Message(TileHostFault(request.TileHost, request.ConfigFilePath));
  }
  if (auto fault = PlaceFault(request, params)) {
    return *fault;
  }
  if (auto fault = TaskFault(request, params)) {
    return *fault;
  }
  params.ThreadCount = params.Source ? params.Source->Workers : kWorkerSlots;
  params.ThreadSlots = kWorkerSlots;
  params.TileHost = request.TileHost;
  return params;
}

const char* RectangleFault(double left, double right, double top, double bottom) {
  if (left < -180 || left > 180) {
    return "Left Longitude should be between -180 and 180.";
  }
  if (right < -180 || right > 180) {
    return "Right Longitude should be between -180 and 180.";
  }
  if (top < -85 || top > 85) {
    return "Top Latitude should be between -85 and 85.";
  }
  if (bottom < -85 || bottom > 85) {
    return "Bottom Latitude should be between -85 and 85.";
  }
  if (left > right) {
    return "Left Longitude should less than Right Longitude!";
  }
  if (top < bottom) {
    return "Bottom Latitude should less than Top Latitude!";
  }
  return nullptr;
}

std::optional<std::string> OversizedTaskFile(const std::string& taskFilePath) {
  if (FileSize(taskFilePath).value_or(0) <= taskfile::kMaxTaskFileBytes) {
    return std::nullopt;
  }
  return "The task file " + taskFilePath +
         " is larger than 1 MB, so it is not a task file of this program.";
}

}  // namespace kartovel

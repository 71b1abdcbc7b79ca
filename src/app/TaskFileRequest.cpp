// A task file read back as the request that continues it.
#include "app/TaskFileRequest.h"

#include <filesystem>

#include "common/Error.h"
#include "common/Paths.h"
#include "export/TaskTiles.h"
#include "task/MapSourcesFile.h"
#include "task/TaskFile.h"
#include "task/TaskShape.h"

namespace kartovel {

std::variant<RunRequest, std::string> RequestOfTaskFile(const std::string& taskFile,
                                                        const ProgramSettings& settings) {
  const std::string path = std::filesystem::absolute(taskFile).lexically_normal().string();
  TaskTiles task;
  try {
    // The checks every companion makes of a task file: there, whole, of a sound range.
    task = ReadSoundTaskTiles(path);
  } catch (const AppError& fault) {
    return std::string(fault.what());
  }
  RunRequest request;
  const TaskFileValues& saved = task.Saved.Values;
  request.LeftLongitude = saved.LeftLongitude.value_or("");
  request.RightLongitude = saved.RightLongitude.value_or("");
  request.TopLatitude = saved.TopLatitude.value_or("");
  request.BottomLatitude = saved.BottomLatitude.value_or("");
  request.Zoom = std::to_string(task.Range.Zoom);
  try {
    request.AreaShape = ReadTaskShape(path);  // a shaped task continues with its shape
  } catch (const AppError& fault) {
    return std::string(fault.what());
  }
  request.SavePath = std::filesystem::path(path).parent_path().string();
  request.TaskName = ExtractFileName(path);
  if (task.MapsType != kBuiltInMapsType) {
    const SourceReading stored = ReadTaskMapSource(path, settings.SourceUserAgent);
    if (!stored.Source) {
      return path + " holds no usable copy of its map source: " + stored.Fault;
    }
    request.Source = *stored.Source;
  }
  request.TileHost = settings.TileHost;
  request.ConfigFilePath = settings.ConfigFilePath;
  request.SourceUserAgent = settings.SourceUserAgent;
  return request;
}

}  // namespace kartovel

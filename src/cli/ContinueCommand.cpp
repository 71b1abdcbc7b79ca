// The continue command.
#include "cli/ContinueCommand.h"

#include <filesystem>
#include <vector>

#include "app/HandlerGuard.h"
#include "cli/DownloadCommand.h"
#include "cli/TerminalPlatform.h"
#include "common/Error.h"
#include "common/Paths.h"
#include "export/TaskTiles.h"
#include "task/MapSourcesFile.h"
#include "task/TaskFile.h"
#include "task/TaskShape.h"

namespace kartovel::cli {

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

int RunContinue(const ContinueArguments& arguments, const CommandContext& context) {
  TerminalPlatform platform(context.ProgramFolder, context.Err);
  ProgramSettings settings;
  if (!RunHandler(platform, [&] { settings = ReadProgramSettings(context.ProgramFolder); })) {
    return kExitNotStarted;
  }
  auto request = RequestOfTaskFile(arguments.TaskFile, settings);
  if (const auto* fault = std::get_if<std::string>(&request)) {
    platform.ShowError(*fault);
    return kExitNotStarted;
  }
  RunRequest& continued = std::get<RunRequest>(request);
  std::vector<RunRequest> requests{std::move(continued)};
  return RunRequests(std::move(requests), arguments.Quiet, platform, context);
}

}  // namespace kartovel::cli

// The continue command.
#include "cli/ContinueCommand.h"

#include <filesystem>
#include <vector>

#include "app/HandlerGuard.h"
#include "cli/DownloadCommand.h"
#include "cli/TerminalPlatform.h"
#include "common/Error.h"
#include "common/IniFile.h"
#include "common/Paths.h"
#include "export/TaskTiles.h"
#include "task/MapSourcesFile.h"
#include "task/TaskFileKeys.h"

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
  const TIniFile ini(path);
  const auto area = [&ini](const char* key) {
    return ini.ReadString(taskfile::kAreaSection, key, "");
  };
  request.LeftLongitude = area(taskfile::kLeftLongitude);
  request.RightLongitude = area(taskfile::kRightLongitude);
  request.TopLatitude = area(taskfile::kTopLatitude);
  request.BottomLatitude = area(taskfile::kBottomLatitude);
  request.Zoom = std::to_string(task.Zoom);
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
  const int32_t zoom = std::stoi(continued.Zoom);
  std::vector<RunRequest> requests{std::move(continued)};
  return RunRequests(std::move(requests), zoom, arguments.Quiet, platform, context);
}

}  // namespace kartovel::cli

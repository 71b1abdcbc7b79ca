// The task summary of the info command.
#include "cli/InfoCommand.h"

#include <optional>

#include "app/HandlerGuard.h"
#include "cli/TerminalPlatform.h"
#include "common/FileSystem.h"
#include "common/LineFile.h"
#include "export/TaskTiles.h"
#include "task/MapSourcesFile.h"

namespace kartovel::cli {

namespace {

std::string Line(const std::string& label, const std::string& value) {
  return label + " " + value + "\n";
}

int64_t TilesOnDisk(const TaskTiles& task) {
  int64_t count = 0;
  ForEachTileFile(task, [&count](const TileFile&) {
    ++count;
    return true;
  });
  return count;
}

}  // namespace

std::string TaskInfoText(const std::string& taskFile) {
  const TaskTiles task = ReadSoundTaskTiles(taskFile);
  const TaskFileValues& saved = task.Saved.Values;
  const auto area = [](const std::optional<std::string>& text) { return text.value_or(""); };
  const std::optional<MapSource> source = ReadTaskMapSource(taskFile, "").Source;
  const size_t failedRecords = FileExists(task.FailedFile) ? ReadLines(task.FailedFile).size() : 0;
  return Line("Task file:", taskFile) + Line("Map type:", std::to_string(task.MapsType)) +
         Line("Map source:", source ? source->Name : "none") +
         Line("Left Longitude:", area(saved.LeftLongitude)) +
         Line("Right Longitude:", area(saved.RightLongitude)) +
         Line("Top Latitude:", area(saved.TopLatitude)) +
         Line("Bottom Latitude:", area(saved.BottomLatitude)) +
         Line("Zoom level:", std::to_string(task.Range.Zoom)) +
         Line("Tile range:", "columns " + std::to_string(task.Range.MinX) + " to " +
                                 std::to_string(task.Range.MaxX) + ", rows " +
                                 std::to_string(task.Range.MinY) + " to " +
                                 std::to_string(task.Range.MaxY)) +
         Line("Tile folder:", task.TileFolder) +
         Line("Tiles on disk:",
              std::to_string(TilesOnDisk(task)) + " / " + std::to_string(task.TotalCount())) +
         Line("Failed records:", std::to_string(failedRecords));
}

int RunInfo(const InfoArguments& arguments, const CommandContext& context) {
  TerminalPlatform platform(context.ProgramFolder, context.Err);
  std::string text;
  if (!RunHandler(platform, [&] { text = TaskInfoText(arguments.TaskFile); })) {
    return kExitNotStarted;
  }
  std::fputs(text.c_str(), context.Out);
  return kExitAllFetched;
}

}  // namespace kartovel::cli

// The differences between a request and its task file.
#include "engine/TaskDifferences.h"

#include "common/IniFile.h"
#include "task/MapSourcesFile.h"
#include "task/TaskFileKeys.h"

namespace kartovel {
namespace {

constexpr int32_t kMissing = -1;
constexpr char kUnfinished[] = "an unfinished start";

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (size_t i = 0; i < parts.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
  }
  return text;
}

}  // namespace

std::vector<std::string> TaskDifferences(const RunRequest& request, const TaskParameters& params) {
  const std::string taskFilePath = params.SavePath + params.TaskFileName;
  const TIniFile taskFile(taskFilePath);
  const int32_t mapsType =
      taskFile.ReadInteger(taskfile::kMapsTypeSection, taskfile::kMapsType, kMissing);
  if (mapsType == kMissing) {
    return {kUnfinished};
  }
  std::vector<std::string> differences;
  const auto area = [&taskFile](const char* key) {
    return taskFile.ReadString(taskfile::kAreaSection, key, "");
  };
  if (area(taskfile::kLeftLongitude) != request.LeftLongitude ||
      area(taskfile::kRightLongitude) != request.RightLongitude ||
      area(taskfile::kTopLatitude) != request.TopLatitude ||
      area(taskfile::kBottomLatitude) != request.BottomLatitude) {
    differences.emplace_back("area");
  }
  // A zoom the file does not hold is no difference to name; such a file (written by
  // hand, or damaged) is still replaced only after the question.
  const int32_t zoom = taskFile.ReadInteger(taskfile::kZoomSection, taskfile::kZoom, kMissing);
  if (zoom != kMissing && zoom != params.Zoom) {
    differences.emplace_back("zoom");
  }
  const MapSource& chosen = request.Source;
  if (mapsType != chosen.MapsType ||
      (!IsBuiltIn(chosen) &&
       ReadTaskMapSource(taskFilePath, request.SourceUserAgent).Source != chosen)) {
    differences.emplace_back("map source");
  }
  if (differences.empty() && zoom == kMissing) {
    differences.emplace_back("area");  // the question as it has always been put
  }
  return differences;
}

std::string ReplaceQuestion(const std::string& taskFileName,
                            const std::vector<std::string>& differences) {
  const bool unfinished = differences.size() == 1 && differences.front() == kUnfinished;
  const std::string what =
      unfinished ? " whose last start did not finish" : " with another " + Joined(differences);
  return "A task named " + taskFileName + what +
         " already exists in this folder. Replace it and its log, tile list and failed-tile "
         "list?";
}

}  // namespace kartovel

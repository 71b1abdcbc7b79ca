// The task-name and save-folder rules.
#include "task/TaskName.h"

#include <algorithm>

#include "common/Paths.h"

namespace kartovel {

namespace {

constexpr char kRecordSeparator = '|';

bool IsControlCharacter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7f;
}

bool HoldsControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), IsControlCharacter);
}

}  // namespace

std::string TaskFileNameFor(std::string_view typedName) {
  std::string name(typedName);
  if (ExtractFileExt(name) != kTaskFileExtension) {
    name += kTaskFileExtension;
  }
  return name;
}

std::string TaskNameForZoom(const std::string& typedName, bool zoomRange, int32_t zoom) {
  if (!zoomRange) {
    return TaskFileNameFor(typedName);
  }
  const std::string base =
      ExtractFileExt(typedName) == kTaskFileExtension ? RemoveFileExt(typedName) : typedName;
  return TaskFileNameFor(base + "_" + std::to_string(zoom));
}

std::optional<std::string> TaskNameFault(std::string_view typedName) {
  if (typedName.empty()) {
    return "Please enter a task name.";
  }
  if (typedName.find(kPathSeparator) != std::string_view::npos) {
    return "A task name cannot hold \"/\": the task's files would leave the chosen folder.";
  }
  if (typedName.find(kRecordSeparator) != std::string_view::npos) {
    return "A task name cannot hold \"|\".";
  }
  if (HoldsControlCharacter(typedName)) {
    return "A task name cannot hold control characters.";
  }
  const std::string base = RemoveFileExt(TaskFileNameFor(typedName));
  if (base.empty() || base == "." || base == "..") {
    return "The task name \"" + std::string(typedName) +
           "\" cannot be used: the task's files would be hidden or lie outside the chosen "
           "folder.";
  }
  return std::nullopt;
}

std::optional<std::string> SavePathFault(std::string_view savePath) {
  if (savePath.find(kRecordSeparator) != std::string_view::npos) {
    return "The path to save cannot hold \"|\".";
  }
  if (HoldsControlCharacter(savePath)) {
    return "The path to save cannot hold control characters.";
  }
  return std::nullopt;
}

std::optional<std::string> TaskFilePathFault(std::string_view taskFilePath) {
  if (auto fault = SavePathFault(ExtractFilePath(taskFilePath))) {
    return fault;
  }
  return TaskNameFault(ExtractFileName(taskFilePath));
}

}  // namespace kartovel

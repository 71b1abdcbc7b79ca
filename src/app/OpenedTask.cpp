// Reading a task file for the main window.
#include "app/OpenedTask.h"

#include "app/TaskStanding.h"
#include "common/Error.h"
#include "common/Paths.h"
#include "engine/RunRequest.h"
#include "task/TaskName.h"
#include "task/TaskShape.h"

namespace kartovel {

std::variant<OpenedTask, std::string> ReadOpenedTask(const std::string& taskFile) {
  if (const auto fault = TaskFilePathFault(taskFile)) {
    return *fault;
  }
  if (const auto refusal = OversizedTaskFile(taskFile)) {
    return *refusal;
  }
  OpenedTask opened;
  try {
    opened.AreaShape = ReadTaskShape(taskFile);
  } catch (const AppError& refusal) {
    return std::string(refusal.what());
  }
  opened.Stored = ReadTaskFile(taskFile).Values;
  opened.Folder = ExtractFilePath(taskFile);
  opened.Name = ExtractFileName(taskFile);
  return opened;
}

std::string TaskStandingLine(const std::string& taskFile) {
  try {
    return TaskStandingText(ExtractFileName(taskFile), ReadTaskStanding(taskFile));
  } catch (const AppError& error) {
    // The boxes are filled all the same; the line says why the count is missing.
    return ErrorDisplayText(error.what());
  }
}

}  // namespace kartovel

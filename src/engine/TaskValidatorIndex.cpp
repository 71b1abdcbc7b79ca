// Opening a task's validator index under the task's identity.
#include "engine/TaskValidatorIndex.h"

#include "common/Error.h"

namespace kartovel {

std::string TaskIdentityOf(const DownloadTask& task) {
  const MapSource* source = task.SourceInUse();
  return "maps type " + std::to_string(task.Params.MapsType) + ", " +
         (source ? source->Url : task.Params.TileHost) + ", zoom " +
         std::to_string(task.Params.Zoom) + ", columns " + std::to_string(task.MinX) + "-" +
         std::to_string(task.MaxX) + ", rows " + std::to_string(task.MinY) + "-" +
         std::to_string(task.MaxY);
}

std::unique_ptr<TileValidatorIndex> OpenTaskValidatorIndex(
    const DownloadTask& task, const std::function<void(std::string)>& log) {
  try {
    auto index = std::make_unique<TileValidatorIndex>(
        ValidatorIndexFileName(task.TaskFilePath()), TaskIdentityOf(task));
    if (!index->RebuildReason().empty()) {
      log(index->RebuildReason());
    }
    return index;
  } catch (const AppError& error) {
    log(std::string(error.what()) + "; the servers' tile versions are not kept this time.");
    return nullptr;
  }
}

}  // namespace kartovel

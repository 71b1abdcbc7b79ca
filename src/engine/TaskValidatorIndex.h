// The validator index of a download task: opened beside its task file under the task's
// identity (what its tiles are: map type, source address, zoom and range), so that an
// index left by another task of that name is never taken for this one's.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "download/TileValidatorIndex.h"
#include "task/Unitclasstask.h"

namespace kartovel {

std::string TaskIdentityOf(const DownloadTask& task);

// The task's index; a replaced file and an index that cannot be made are told to log in
// one line each. None when it cannot be made: the run goes on without one.
std::unique_ptr<TileValidatorIndex> OpenTaskValidatorIndex(
    const DownloadTask& task, const std::function<void(std::string)>& log);

}  // namespace kartovel

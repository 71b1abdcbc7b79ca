// When a Start continues an earlier run of its task, and what the workers of a continued
// run skip: the tiles up to each one's saved position in its own share.
#pragma once

#include <cstdint>

#include "engine/RunRequest.h"
#include "task/Unitclasstask.h"

namespace kartovel {

// True when the task file the parameters name exists and holds the request as typed: the
// map type (and a source's copy), the four coordinate texts, the zoom, the folder and the
// name exactly as typed (a name completed with ".qtsk" never continues).
bool ContinuesEarlierRun(const RunRequest& request, const TaskParameters& params);

// The tiles a continued run had settled before, by the same rule that makes its workers
// skip them.
int32_t ResumedSettledCount(const DownloadTask& task);

// The tiles one worker has to settle in this run: its share after what it skips.
int64_t ShareThisRun(const DownloadTask& task, int32_t index);

}  // namespace kartovel

// The word of the user before a download starts: a job with a task above the largest is
// refused with its figures, a big one (config.ini's [Jobs]) is asked about with its
// estimate, before anything is written. No changes nothing.
#pragma once

#include <memory>

#include "app/RequestEstimate.h"
#include "common/Platform.h"

namespace kartovel {

// True: go on with the start. A request whose rectangle or zooms the estimate cannot read
// goes on too, so that Start's own checks name its fault as they always have.
bool ApproveJob(const RequestedJob& job, Platform& platform, HttpClientFactory makeClient,
                std::shared_ptr<TileDiskCache> cache);

}  // namespace kartovel

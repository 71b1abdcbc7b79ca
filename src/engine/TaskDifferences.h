// What a request would change in the task file of the same name it finds in its folder:
// the replace question names it ("with another zoom"), and a request that changes nothing
// (only its name was typed without ".qtsk") continues the task instead of asking.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/RunRequest.h"
#include "task/Unitclasstask.h"

namespace kartovel {

// "area", "zoom", "map source", in that order; "an unfinished start" when the task file's
// last start never wrote it whole (its map type is blank).
std::vector<std::string> TaskDifferences(const RunRequest& request, const TaskParameters& params);

// "A task named X with another area already exists in this folder. Replace it and its
// log, tile list and failed-tile list?", naming every difference.
std::string ReplaceQuestion(const std::string& taskFileName,
                            const std::vector<std::string>& differences);

}  // namespace kartovel

// The area window's line on what the drawn area costs beyond its tile count and time:
// the size of its tiles per zoom, and the free space of the folder they would go to.
#pragma once

#include <string>

#include "map/JobEstimate.h"

namespace kartovel {

// "About 12 MB; 41 GB free in /home/user/maps/", with a size per zoom for several zooms,
// "more than the ... free" when the tiles would not fit, and while sizes are still being
// fetched (weighing) a word that says so instead of "size unknown".
std::string AreaCostText(const JobEstimate& estimate, bool weighing);

}  // namespace kartovel

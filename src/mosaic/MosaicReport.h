// The text file written beside a mosaic: where it lies (edge longitudes and
// latitudes), how it was made, and which tiles were missing.
#pragma once

#include "common/LineFile.h"
#include "mosaic/MosaicCombiner.h"

namespace kartovel::tools {

Lines MosaicReportLines(const CombineResult& result);

}  // namespace kartovel::tools

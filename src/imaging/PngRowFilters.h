// The PNG row filters (None, Sub, Up, Average, Paeth): undoing any of them on a row in
// place, and applying Up, the one the mosaic is written with.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kartovel::tools {

// Restores row (rowBytes bytes) from its filtered form. above is the row before it,
// already restored, or all zeros for the first row; step is the bytes of one pixel (at
// least 1). False when filterType is none of the five.
bool UnfilterPngRow(uint8_t filterType, uint8_t* row, const uint8_t* above, size_t rowBytes,
                    size_t step);

// Writes the filter type byte of Up and then row minus above, byte by byte, into out
// (rowBytes + 1 bytes).
void FilterPngRowUp(const uint8_t* row, const uint8_t* above, uint8_t* out, size_t rowBytes);

}  // namespace kartovel::tools

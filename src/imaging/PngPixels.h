// Turns the unfiltered rows of a PNG of 8 bits or fewer a sample into the mosaic's 8-bit
// RGB or RGBA pixels, exactly as libpng's simplified reader expands them to RGBA.
#pragma once

#include <array>
#include <cstdint>

#include "imaging/PngStructure.h"

namespace kartovel::tools {

enum class RowConversion {
  kDone,
  kTransparent,  // the mosaic has no alpha channel and this row has a pixel that is not opaque
  kBadIndex,     // a palette index beyond the palette: left to libpng, which has its own rule
};

class PngPixels {
 public:
  // The structure's palette and transparency must stay alive while rows are converted.
  explicit PngPixels(const PngStructure& png);

  // Converts one unfiltered row into width pixels of 3 (RGB) or 4 (RGBA) bytes.
  RowConversion ConvertRow(const uint8_t* row, uint8_t* out, bool withAlpha) const;

 private:
  RowConversion ThroughTable(const uint8_t* row, uint8_t* out, bool withAlpha) const;
  RowConversion FromRgb(const uint8_t* row, uint8_t* out, bool withAlpha) const;
  RowConversion FromGreyAlpha(const uint8_t* row, uint8_t* out, bool withAlpha) const;
  RowConversion FromRgba(const uint8_t* row, uint8_t* out, bool withAlpha) const;

  PngHeader header_;
  // Grey levels and palette indexes map through this table: RGBA for each sample value.
  std::array<std::array<uint8_t, 4>, 256> table_{};
  uint32_t tableEntries_ = 0;  // sample values below this are valid
  bool colourKeyed_ = false;   // RGB with a tRNS colour key
  std::array<uint8_t, 3> colourKey_{};
};

}  // namespace kartovel::tools

// Sample expansion as libpng does it for 8-bit RGBA output: grey levels of fewer bits are
// scaled to 0..255 by repeating their bits, a colour key makes matching pixels
// transparent and keeps their colour, palette entries take their tRNS alpha.
#include "imaging/PngPixels.h"

#include <cstring>

namespace kartovel::tools {
namespace {

constexpr uint8_t kOpaque = 255;

uint16_t Sample16(std::span<const uint8_t> data, size_t index) {
  return static_cast<uint16_t>(data[2 * index] << 8 | data[2 * index + 1]);
}

// The sample of pixel x in a row of samples of bitDepth bits (1, 2, 4 or 8).
uint32_t PackedSample(const uint8_t* row, uint32_t x, uint32_t bitDepth) {
  if (bitDepth == 8) {
    return row[x];
  }
  const uint32_t bitOffset = x * bitDepth;
  const uint32_t shift = 8 - bitDepth - bitOffset % 8;
  return (row[bitOffset / 8] >> shift) & ((1u << bitDepth) - 1);
}

}  // namespace

PngPixels::PngPixels(const PngStructure& png) : header_(png.header) {
  const uint32_t depth = header_.bitDepth;
  if (header_.colourType == PngColourType::kGrey) {
    tableEntries_ = 1u << depth;
    const bool keyed = !png.transparency.empty();
    const uint32_t key = keyed ? Sample16(png.transparency, 0) : tableEntries_;
    for (uint32_t value = 0; value < tableEntries_; ++value) {
      const auto level = static_cast<uint8_t>(value * 255 / (tableEntries_ - 1));
      table_[value] = {level, level, level, value == key ? uint8_t{0} : kOpaque};
    }
  } else if (header_.colourType == PngColourType::kPalette) {
    tableEntries_ = static_cast<uint32_t>(png.palette.size() / 3);
    for (uint32_t entry = 0; entry < tableEntries_; ++entry) {
      const uint8_t alpha = entry < png.transparency.size() ? png.transparency[entry] : kOpaque;
      table_[entry] = {png.palette[3 * entry], png.palette[3 * entry + 1],
                       png.palette[3 * entry + 2], alpha};
    }
  } else if (header_.colourType == PngColourType::kRgb && !png.transparency.empty()) {
    colourKeyed_ = true;
    for (size_t channel = 0; channel < 3; ++channel) {
      colourKey_[channel] = static_cast<uint8_t>(Sample16(png.transparency, channel));
    }
  }
}

RowConversion PngPixels::ConvertRow(const uint8_t* row, uint8_t* out, bool withAlpha) const {
  switch (header_.colourType) {
    case PngColourType::kGrey:
    case PngColourType::kPalette:
      return ThroughTable(row, out, withAlpha);
    case PngColourType::kRgb:
      return FromRgb(row, out, withAlpha);
    case PngColourType::kGreyAlpha:
      return FromGreyAlpha(row, out, withAlpha);
    case PngColourType::kRgba:
      return FromRgba(row, out, withAlpha);
  }
  return RowConversion::kBadIndex;
}

RowConversion PngPixels::ThroughTable(const uint8_t* row, uint8_t* out, bool withAlpha) const {
  const size_t outStep = withAlpha ? 4 : 3;
  for (uint32_t x = 0; x < header_.width; ++x, out += outStep) {
    const uint32_t value = PackedSample(row, x, header_.bitDepth);
    if (value >= tableEntries_) {
      return RowConversion::kBadIndex;
    }
    const std::array<uint8_t, 4>& rgba = table_[value];
    if (!withAlpha && rgba[3] != kOpaque) {
      return RowConversion::kTransparent;
    }
    std::memcpy(out, rgba.data(), outStep);
  }
  return RowConversion::kDone;
}

RowConversion PngPixels::FromRgb(const uint8_t* row, uint8_t* out, bool withAlpha) const {
  if (!withAlpha && !colourKeyed_) {
    std::memcpy(out, row, size_t{header_.width} * 3);
    return RowConversion::kDone;
  }
  const size_t outStep = withAlpha ? 4 : 3;
  for (uint32_t x = 0; x < header_.width; ++x, row += 3, out += outStep) {
    const bool keyed = colourKeyed_ && std::memcmp(row, colourKey_.data(), 3) == 0;
    if (keyed && !withAlpha) {
      return RowConversion::kTransparent;
    }
    std::memcpy(out, row, 3);
    if (withAlpha) {
      out[3] = keyed ? 0 : kOpaque;
    }
  }
  return RowConversion::kDone;
}

RowConversion PngPixels::FromGreyAlpha(const uint8_t* row, uint8_t* out, bool withAlpha) const {
  const size_t outStep = withAlpha ? 4 : 3;
  for (uint32_t x = 0; x < header_.width; ++x, row += 2, out += outStep) {
    if (!withAlpha && row[1] != kOpaque) {
      return RowConversion::kTransparent;
    }
    out[0] = out[1] = out[2] = row[0];
    if (withAlpha) {
      out[3] = row[1];
    }
  }
  return RowConversion::kDone;
}

RowConversion PngPixels::FromRgba(const uint8_t* row, uint8_t* out, bool withAlpha) const {
  if (withAlpha) {
    std::memcpy(out, row, size_t{header_.width} * 4);
    return RowConversion::kDone;
  }
  for (uint32_t x = 0; x < header_.width; ++x, row += 4, out += 3) {
    if (row[3] != kOpaque) {
      return RowConversion::kTransparent;
    }
    std::memcpy(out, row, 3);
  }
  return RowConversion::kDone;
}

}  // namespace kartovel::tools

// The PNG tile decoder: the common kinds of tile (8 bits or fewer a sample, not
// interlaced: grey, grey with alpha, RGB, RGBA, palette, with or without tRNS) are
// inflated with libdeflate and unfiltered straight into the band; every other file goes
// through libpng, which also words the error of a file that cannot be read.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "imaging/PngStructure.h"
#include "imaging/TileDecoder.h"

struct libdeflate_decompressor;

namespace kartovel::tools {

class PngTileDecoder final : public TileDecoder {
 public:
  PngTileDecoder();
  ~PngTileDecoder() override;
  PngTileDecoder(const PngTileDecoder&) = delete;
  PngTileDecoder& operator=(const PngTileDecoder&) = delete;

  std::optional<ImageSize> ReadSize(const std::string& fileName) override;
  bool PromisesOpaque(const std::string& fileName, ImageSize size) override;
  TileResult Decode(const std::string& fileName, const TileTarget& target) override;

 private:
  enum class FastResult { kPlaced, kTransparent, kLeftToLibpng };

  FastResult DecodeFast(const TileTarget& target);
  bool Inflate(const PngStructure& png);
  FastResult PlaceRows(const PngStructure& png, const TileTarget& target);
  TileResult DecodeWithLibpng(const std::string& fileName, const TileTarget& target);

  struct InflaterDeleter {
    void operator()(libdeflate_decompressor* inflater) const;
  };
  std::unique_ptr<libdeflate_decompressor, InflaterDeleter> inflater_;
  std::vector<uint8_t> file_;        // the whole tile file
  std::vector<uint8_t> joinedData_;  // the IDAT chunks' data end to end, when there are several
  std::vector<uint8_t> filtered_;    // the inflated rows, each led by its filter type
  std::vector<uint8_t> zeroRow_;     // the row above the first
  RgbaImage libpngImage_;
};

}  // namespace kartovel::tools

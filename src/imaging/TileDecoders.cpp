// The extension table of the tile decoders; the first entry is the default.
#include "imaging/TileDecoders.h"

#include <algorithm>
#include <cctype>

#include "common/Paths.h"
#include "imaging/JpegTileDecoder.h"
#include "imaging/PngTileDecoder.h"
#include "imaging/WebpTileDecoder.h"

namespace kartovel::tools {
namespace {

std::string LowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char letter) { return static_cast<char>(std::tolower(letter)); });
  return text;
}

}  // namespace

TileDecoders::TileDecoders() {
  byExtension_.emplace_back(".png", std::make_unique<PngTileDecoder>());
  byExtension_.emplace_back(".jpg", std::make_unique<JpegTileDecoder>());
  byExtension_.emplace_back(".jpeg", std::make_unique<JpegTileDecoder>());
  byExtension_.emplace_back(".webp", std::make_unique<WebpTileDecoder>());
}

TileDecoder& TileDecoders::For(const std::string& fileName) {
  const std::string extension = LowerCase(ExtractFileExt(fileName));
  for (auto& [known, decoder] : byExtension_) {
    if (known == extension) {
      return *decoder;
    }
  }
  return *byExtension_.front().second;
}

bool DecodeTileImage(TileDecoders& decoders, const std::string& fileName, RgbaImage& image,
                     std::string& error) {
  TileDecoder& decoder = decoders.For(fileName);
  const std::optional<ImageSize> size = decoder.ReadSize(fileName);
  if (!size || size->width < 1 || size->height < 1) {
    error = "not a readable image";
    return false;
  }
  if (!IsTileSizeOfAList(size->width, size->height)) {
    error =
        "size " + std::to_string(size->width) + " x " + std::to_string(size->height) + " pixels";
    return false;
  }
  image = RgbaImage(size->width, size->height);
  const TileTarget target{image.pixels.data(), static_cast<size_t>(size->width) * 4, *size, true};
  TileResult result = decoder.Decode(fileName, target);
  error = std::move(result.error);
  return result.outcome == TileOutcome::kPlaced;
}

}  // namespace kartovel::tools

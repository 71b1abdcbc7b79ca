// The extension table of the tile decoders; the first entry is the default.
#include "core/TileDecoders.h"

#include <algorithm>
#include <cctype>

#include "common/Paths.h"
#include "core/PngTileDecoder.h"

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

}  // namespace kartovel::tools

// PNG decoding through libpng's simplified API, which converts every colour type,
// bit depth and transparency form to RGBA and reports errors without longjmp.
#include "imaging/PngImage.h"

#include <png.h>

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "tiles/TileFileReader.h"

namespace kartovel::tools {
namespace {

// Frees the decoder state on every path out of a read.
class PngReadImage {
 public:
  PngReadImage() { image_.version = PNG_IMAGE_VERSION; }
  ~PngReadImage() { png_image_free(&image_); }
  PngReadImage(const PngReadImage&) = delete;
  PngReadImage& operator=(const PngReadImage&) = delete;

  png_image& Get() { return image_; }
  // Reads the file through the tile reader (no link, no pipe, regular files only) and
  // lets libpng read its copy: limit bounds what is read, the head is enough for a size.
  bool Begin(const std::string& fileName, size_t limit, bool wholeFile) {
    if (!ReadTileFileBytes(fileName, bytes_, limit, wholeFile)) {
      std::snprintf(image_.message, sizeof image_.message, "%s", "cannot be read");
      return false;
    }
    return png_image_begin_read_from_memory(&image_, bytes_.data(), bytes_.size()) != 0;
  }
  bool FitsInt32() const {
    constexpr auto kLimit = static_cast<png_uint_32>(std::numeric_limits<int32_t>::max() / 4);
    return image_.width <= kLimit && image_.height <= kLimit;
  }

 private:
  png_image image_{};
  std::vector<uint8_t> bytes_;  // the file, which libpng reads until finished
};

}  // namespace

std::optional<ImageSize> ReadPngSize(const std::string& fileName) {
  PngReadImage reader;
  if (!reader.Begin(fileName, kTileHeaderBytes, false) || !reader.FitsInt32()) {
    return std::nullopt;
  }
  return ImageSize{static_cast<int32_t>(reader.Get().width),
                   static_cast<int32_t>(reader.Get().height)};
}

bool DecodePng(const std::string& fileName, RgbaImage& image, std::string& error,
               std::optional<ImageSize> expected) {
  PngReadImage reader;
  if (!reader.Begin(fileName, kMaxTileFileBytes, true)) {
    error = reader.Get().message;
    return false;
  }
  if (!reader.FitsInt32()) {
    error = "image too large";
    return false;
  }
  if (expected && (reader.Get().width != static_cast<png_uint_32>(expected->width) ||
                   reader.Get().height != static_cast<png_uint_32>(expected->height))) {
    error = "size " + std::to_string(reader.Get().width) + " x " +
            std::to_string(reader.Get().height) + " pixels";
    return false;
  }
  reader.Get().format = PNG_FORMAT_RGBA;
  image.width = static_cast<int32_t>(reader.Get().width);
  image.height = static_cast<int32_t>(reader.Get().height);
  image.pixels.resize(PNG_IMAGE_SIZE(reader.Get()));
  if (png_image_finish_read(&reader.Get(), nullptr, image.pixels.data(), 0, nullptr) == 0) {
    error = reader.Get().message;
    return false;
  }
  return true;
}

}  // namespace kartovel::tools

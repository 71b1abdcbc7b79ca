// PNG through libpng's simplified reader (every chunk's CRC checked, read to IEND), JPEG
// through libjpeg with a warning taken as damage, WebP through libwebp.
#include "imaging/TileBytesDecoder.h"

#include <png.h>
#include <webp/decode.h>

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE declared first
#include <jpeglib.h>
#include <span>
#include <vector>

#include "imaging/PngImage.h"
#include "imaging/TileDecoder.h"
#include "imaging/WebpTileDecoder.h"

namespace kartovel::tools {

namespace {

bool DecodePngBytes(std::string_view bytes, std::string& error) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) == 0) {
    error = image.message;
    return false;
  }
  if (image.width > static_cast<uint32_t>(kMaxTileSide) ||
      image.height > static_cast<uint32_t>(kMaxTileSide)) {
    png_image_free(&image);
    error = "larger than " + std::to_string(kMaxTileSide) + " pixels a side";
    return false;
  }
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) {
    error = image.message;
    return false;
  }
  return true;
}

struct JpegRun {
  jpeg_error_mgr errors;  // first: libjpeg's error pointer points at it
  std::jmp_buf escape;
  char message[JMSG_LENGTH_MAX] = {};
  jpeg_decompress_struct info;
};

[[noreturn]] void Escape(j_common_ptr info) {
  auto* run = reinterpret_cast<JpegRun*>(info->err);
  info->err->format_message(info, run->message);
  std::longjmp(run->escape, 1);
}

void EscapeOnWarning(j_common_ptr info, int level) {
  if (level < 0) {
    Escape(info);
  }
}

// run must start zeroed.
bool DriveJpeg(std::string_view bytes, std::vector<uint8_t>& row, JpegRun& run) {
  run.info.err = jpeg_std_error(&run.errors);
  run.errors.error_exit = Escape;
  run.errors.emit_message = EscapeOnWarning;
  if (setjmp(run.escape) != 0) {
    jpeg_destroy_decompress(&run.info);
    return false;
  }
  jpeg_create_decompress(&run.info);
  jpeg_mem_src(&run.info, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&run.info, TRUE);
  if (run.info.image_width > static_cast<uint32_t>(kMaxTileSide) ||
      run.info.image_height > static_cast<uint32_t>(kMaxTileSide)) {
    jpeg_destroy_decompress(&run.info);
    std::snprintf(run.message, sizeof run.message, "larger than %d pixels a side", kMaxTileSide);
    return false;
  }
  run.info.out_color_space = JCS_EXT_RGBA;
  jpeg_start_decompress(&run.info);
  row.resize(size_t{run.info.output_width} * 4);
  while (run.info.output_scanline < run.info.output_height) {
    JSAMPROW rows = row.data();
    jpeg_read_scanlines(&run.info, &rows, 1);
  }
  jpeg_finish_decompress(&run.info);
  jpeg_destroy_decompress(&run.info);
  return true;
}

bool DecodeJpegBytes(std::string_view bytes, std::string& error) {
  JpegRun run{};
  std::vector<uint8_t> row;
  if (!DriveJpeg(bytes, row, run)) {
    error = run.message[0] != '\0' ? run.message : "not a JPEG image";
    return false;
  }
  return true;
}

}  // namespace

bool DecodeTileBytes(std::string_view bytes, std::string& error) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  if (bytes.starts_with("\x89PNG\r\n\x1a\n")) {
    return DecodePngBytes(bytes, error);
  }
  if (bytes.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) {
    return DecodeJpegBytes(bytes, error);
  }
  if (bytes.size() >= 12 && bytes.starts_with("RIFF") && bytes.substr(8, 4) == "WEBP") {
    int width = 0;
    int height = 0;
    RgbaImage image;
    if (WebPGetInfo(data, bytes.size(), &width, &height) != 0 && width <= kMaxTileSide &&
        height <= kMaxTileSide && DecodeWebpImage(std::span(data, bytes.size()), image)) {
      return true;
    }
    error = "a WebP image that does not decode";
    return false;
  }
  error = "not a PNG, JPEG or WebP image";
  return false;
}

}  // namespace kartovel::tools

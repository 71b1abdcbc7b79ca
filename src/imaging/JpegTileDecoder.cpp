// libjpeg reports errors through a callback that must not return; it jumps back to the
// one function that drives libjpeg, which holds only plain values (the decoder's state
// lives in the caller's frame), so the jump skips no destructor.
#include "imaging/JpegTileDecoder.h"

// clang-format off
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE declared first
#include <jpeglib.h>
// clang-format on

#include "tiles/TileFileReader.h"

namespace kartovel::tools {
namespace {

struct LibjpegRun {
  jpeg_error_mgr errors;  // first: libjpeg's error pointer points at it
  std::jmp_buf escape;
  char message[JMSG_LENGTH_MAX] = {};
  jpeg_decompress_struct info;
  ImageSize size;  // from the header
};

[[noreturn]] void Escape(j_common_ptr info) {
  auto* run = reinterpret_cast<LibjpegRun*>(info->err);
  info->err->format_message(info, run->message);
  std::longjmp(run->escape, 1);
}

// A warning is corrupt data that libjpeg would paint grey: it fails the tile instead.
void EscapeOnWarning(j_common_ptr info, int level) {
  if (level < 0) {
    Escape(info);
  }
}

// run must start zeroed. Reads the header into run.size and, with a target of that size, the pixels
// into it. False on any libjpeg error (run.message says which) or another size (message empty).
bool DriveLibjpeg(const std::vector<uint8_t>& bytes, const TileTarget* target, LibjpegRun& run) {
  run.info.err = jpeg_std_error(&run.errors);
  run.errors.error_exit = Escape;
  run.errors.emit_message = EscapeOnWarning;
  if (setjmp(run.escape) != 0) {
    jpeg_destroy_decompress(&run.info);  // safe on the zeroed struct of a failed create
    return false;
  }
  jpeg_create_decompress(&run.info);
  jpeg_mem_src(&run.info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&run.info, TRUE);
  run.size = ImageSize{static_cast<int32_t>(run.info.image_width),
                       static_cast<int32_t>(run.info.image_height)};
  const bool decode = target != nullptr &&
                      run.info.image_width == static_cast<uint32_t>(target->size.width) &&
                      run.info.image_height == static_cast<uint32_t>(target->size.height);
  if (decode) {
    run.info.out_color_space = target->withAlpha ? JCS_EXT_RGBA : JCS_EXT_RGB;
    jpeg_start_decompress(&run.info);
    while (run.info.output_scanline < run.info.output_height) {
      JSAMPROW row = target->origin + size_t{run.info.output_scanline} * target->rowStride;
      jpeg_read_scanlines(&run.info, &row, 1);
    }
    jpeg_finish_decompress(&run.info);
  }
  jpeg_destroy_decompress(&run.info);
  return target == nullptr || decode;
}

}  // namespace

std::optional<ImageSize> JpegTileDecoder::ReadSize(const std::string& fileName) {
  LibjpegRun run{};
  if (!ReadTileFileBytes(fileName, file_, kMaxTileFileBytes, true) ||
      !DriveLibjpeg(file_, nullptr, run)) {
    return std::nullopt;
  }
  return run.size;
}

bool JpegTileDecoder::PromisesOpaque(const std::string& fileName, ImageSize size) {
  const std::optional<ImageSize> read = ReadSize(fileName);
  return read && read->width == size.width && read->height == size.height;
}

TileResult JpegTileDecoder::Decode(const std::string& fileName, const TileTarget& target) {
  if (!ReadTileFileBytes(fileName, file_, kMaxTileFileBytes, true)) {
    return {TileOutcome::kFailed, "cannot be read"};
  }
  LibjpegRun run{};
  if (DriveLibjpeg(file_, &target, run)) {
    return {TileOutcome::kPlaced, {}};
  }
  if (run.message[0] != '\0') {
    return {TileOutcome::kFailed, run.message};
  }
  return {TileOutcome::kFailed, "size " + std::to_string(run.size.width) + " x " +
                                    std::to_string(run.size.height) + " pixels"};
}

}  // namespace kartovel::tools

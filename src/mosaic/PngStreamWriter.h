// The plain mosaic writer's PNG stream through libpng, the reference the fast writer is
// checked against: an 8-bit RGBA PNG written one pixel row at a time, so that an image of
// any height needs only the rows at hand. The file appears under its name only when complete.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kartovel::tools {

struct PngWriteState;

class PngStreamWriter {
 public:
  // zlib level 0 to 9; a low level keeps large mosaics fast to write.
  static constexpr int kDefaultCompression = 3;

  // Creates the temporary file and writes the header. Throws AppError on failure.
  PngStreamWriter(const std::string& fileName, uint32_t width, uint32_t height,
                  int compressionLevel = kDefaultCompression);
  // Without Finish the temporary file is removed and the target stays as it was.
  ~PngStreamWriter();
  PngStreamWriter(const PngStreamWriter&) = delete;
  PngStreamWriter& operator=(const PngStreamWriter&) = delete;

  // One row of width x 4 bytes, top to bottom. Throws AppError on failure.
  void WriteRow(const uint8_t* rgbaRow);
  // After the last row: ends the image and puts the file in place. Throws AppError.
  void Finish();

  uint32_t RowsLeft() const { return rowsLeft_; }

 private:
  [[noreturn]] void Fail() const;

  std::string fileName_;
  std::unique_ptr<PngWriteState> state_;
  uint32_t rowsLeft_ = 0;
};

}  // namespace kartovel::tools

// Writes a PNG of 8-bit RGB or RGBA pixels whose compressed image data arrives ready
// made, in order, piece by piece; each piece becomes IDAT chunks. The file appears under
// its name only when Finish succeeds.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/AtomicFile.h"

namespace kartovel::tools {

class PngFileWriter {
 public:
  // Creates the temporary file and writes the signature and the header. Throws AppError.
  PngFileWriter(const std::string& fileName, uint32_t width, uint32_t height, bool withAlpha);

  // The next bytes of the zlib stream of the filtered rows.
  void WriteImageData(std::span<const uint8_t> bytes);
  // Ends the file and puts it in place. Throws AppError when any write failed.
  void Finish();

  const std::string& FileName() const { return fileName_; }

 private:
  void WriteChunk(const char (&type)[5], std::span<const uint8_t> data);

  std::string fileName_;
  AtomicFileWriter file_;
};

}  // namespace kartovel::tools

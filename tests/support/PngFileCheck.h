// An independent check of a PNG file a program wrote: every chunk's length and CRC
// (recomputed with zlib, not with the writer's own library), IEND last with nothing after
// it, and libpng's reading of the whole file, rows and end chunk included.
#pragma once

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <string>
#include <vector>

namespace kartovel::testing {

namespace png_file_check {

inline uint32_t BigEndian32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (size_t byte = at; byte < at + 4; ++byte) {
    value = value << 8 | static_cast<uint8_t>(bytes[byte]);
  }
  return value;
}

struct MemoryReader {
  const std::string* bytes = nullptr;
  size_t at = 0;
  std::string error;
};

inline void Read(png_structp png, png_bytep out, size_t length) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (reader->bytes->size() - reader->at < length) {
    png_error(png, "read past the end of the file");
  }
  reader->bytes->copy(reinterpret_cast<char*>(out), length, reader->at);
  reader->at += length;
}

inline void OnError(png_structp png, png_const_charp message) {
  static_cast<MemoryReader*>(png_get_error_ptr(png))->error = message;
  png_longjmp(png, 1);
}

inline void OnWarning(png_structp, png_const_charp) {}

// Holds no object with a destructor, so libpng's longjmp skips nothing.
inline bool ReadToTheEnd(png_structp png, png_infop info, png_infop endInfo,
                         std::vector<uint8_t>& row) {
  if (setjmp(png_jmpbuf(png))) {
    return false;
  }
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  row.resize(png_get_rowbytes(png, info));
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 line = 0; line < png_get_image_height(png, info); ++line) {
      png_read_row(png, row.data(), nullptr);
    }
  }
  png_read_end(png, endInfo);
  return true;
}

}  // namespace png_file_check

// What is wrong with the chunk structure of bytes; empty when every chunk is sound.
inline std::string PngChunkFault(const std::string& bytes) {
  using png_file_check::BigEndian32;
  const std::string signature = "\x89PNG\r\n\x1a\n";
  if (bytes.compare(0, signature.size(), signature) != 0) {
    return "no PNG signature";
  }
  for (size_t at = signature.size(); at < bytes.size();) {
    if (bytes.size() - at < 12) {
      return "a chunk cut short at byte " + std::to_string(at);
    }
    const uint32_t length = BigEndian32(bytes, at);
    if (bytes.size() - at - 12 < length) {
      return "a chunk longer than the file at byte " + std::to_string(at);
    }
    const std::string type = bytes.substr(at + 4, 4);
    const auto crc = static_cast<uint32_t>(crc32(
        0, reinterpret_cast<const Bytef*>(bytes.data() + at + 4), static_cast<uInt>(length + 4)));
    if (crc != BigEndian32(bytes, at + 8 + length)) {
      return "chunk " + type + " at byte " + std::to_string(at) + " has a wrong CRC";
    }
    at += 12 + length;
    if (type == "IEND") {
      return at == bytes.size() ? "" : "bytes after IEND";
    }
  }
  return "no IEND chunk";
}

// libpng's complaint about bytes read to their end; empty when it has none.
inline std::string LibpngReadFault(const std::string& bytes) {
  png_file_check::MemoryReader reader{&bytes, 0, ""};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader,
                                           png_file_check::OnError, png_file_check::OnWarning);
  png_infop info = png_create_info_struct(png);
  png_infop endInfo = png_create_info_struct(png);
  png_set_read_fn(png, &reader, png_file_check::Read);
  std::vector<uint8_t> row;
  const bool read = png_file_check::ReadToTheEnd(png, info, endInfo, row);
  png_destroy_read_struct(&png, &info, &endInfo);
  if (!read) {
    return reader.error;
  }
  return reader.at == bytes.size() ? "" : "libpng stopped before the end of the file";
}

// Both checks: empty for a sound file.
inline std::string PngFileFault(const std::string& bytes) {
  const std::string chunks = PngChunkFault(bytes);
  return chunks.empty() ? LibpngReadFault(bytes) : chunks;
}

}  // namespace kartovel::testing

// A PNG file's structure, read once from start to end in pieces (memory stays small for
// a gigapixel mosaic): the signature, every chunk's length and CRC, IHDR first, IEND
// last, and the IDAT stream inflating to exactly the rows the header promises.
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include "verify/Verify.h"

namespace kartovel {

namespace {

constexpr size_t kPiece = size_t{1} << 20;
constexpr uint32_t kMaxChunkLength = 0x7FFFFFFF;

// Reads the file forward.
class Reader {
 public:
  explicit Reader(int descriptor) : descriptor_(descriptor) {}
  // Exactly size bytes into out; false at the end of the file or on an error.
  bool Read(size_t size, std::string& out) {
    out.resize(size);
    for (size_t done = 0; done < size;) {
      const ssize_t got = pread(descriptor_, out.data() + done, size - done,
                                static_cast<off_t>(offset_));
      if (got < 0 && errno == EINTR) {
        continue;
      }
      if (got <= 0) {
        return false;
      }
      done += static_cast<size_t>(got);
      offset_ += static_cast<uint64_t>(got);
    }
    return true;
  }
  bool AtEnd() {
    char byte = 0;
    return pread(descriptor_, &byte, 1, static_cast<off_t>(offset_)) == 0;
  }

 private:
  int descriptor_;
  uint64_t offset_ = 0;
};

uint32_t BigEndian(const std::string& bytes, size_t at) {
  return (uint32_t{static_cast<uint8_t>(bytes[at])} << 24) |
         (uint32_t{static_cast<uint8_t>(bytes[at + 1])} << 16) |
         (uint32_t{static_cast<uint8_t>(bytes[at + 2])} << 8) | static_cast<uint8_t>(bytes[at + 3]);
}

// The inflated size of the image data: rows of a filter byte and their pixels.
std::optional<uint64_t> ImageDataSize(const std::string& ihdr) {
  const uint64_t width = BigEndian(ihdr, 0);
  const uint64_t height = BigEndian(ihdr, 4);
  const int depth = static_cast<uint8_t>(ihdr[8]);
  const int colour = static_cast<uint8_t>(ihdr[9]);
  const int channels = colour == 0 ? 1 : colour == 2 ? 3 : colour == 3 ? 1 : colour == 4 ? 2
                       : colour == 6 ? 4 : 0;
  if (width == 0 || height == 0 || channels == 0 || static_cast<uint8_t>(ihdr[12]) != 0) {
    return std::nullopt;  // unknown colour type, or interlaced (not measured here)
  }
  return height * (1 + (width * static_cast<uint64_t>(channels * depth) + 7) / 8);
}

class Inflater {
 public:
  Inflater() { ok_ = inflateInit(&stream_) == Z_OK; }
  ~Inflater() { inflateEnd(&stream_); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // False once the stream is damaged or data follows its end.
  bool Feed(const std::string& data) {
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream_.avail_in = static_cast<uInt>(data.size());
    while (ok_ && stream_.avail_in > 0) {
      if (ended_) {
        return ok_ = false;
      }
      stream_.next_out = out_;
      stream_.avail_out = sizeof out_;
      const int result = inflate(&stream_, Z_NO_FLUSH);
      inflated_ += sizeof out_ - stream_.avail_out;
      ended_ = result == Z_STREAM_END;
      ok_ = result == Z_OK || result == Z_STREAM_END;
    }
    return ok_;
  }
  bool Ended() const { return ok_ && ended_; }
  uint64_t Inflated() const { return inflated_; }

 private:
  z_stream stream_{};
  Bytef out_[65536];
  uint64_t inflated_ = 0;
  bool ok_ = false;
  bool ended_ = false;
};

std::string CheckChunks(Reader& file) {
  std::string bytes;
  if (!file.Read(8, bytes) || bytes != "\x89PNG\r\n\x1a\n") {
    return "no PNG signature";
  }
  std::optional<uint64_t> expected;
  Inflater image;
  bool first = true;
  for (;;) {
    if (!file.Read(8, bytes)) {
      return "cut short: no IEND chunk";
    }
    const uint32_t length = BigEndian(bytes, 0);
    const std::string type = bytes.substr(4, 4);
    if (length > kMaxChunkLength) {
      return "chunk " + type + " claims " + std::to_string(length) + " bytes";
    }
    if (first != (type == "IHDR")) {
      return "IHDR is not the first chunk";
    }
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
    std::string ihdr;
    for (uint32_t left = length; left > 0;) {
      const size_t piece = std::min<size_t>(left, kPiece);
      if (!file.Read(piece, bytes)) {
        return "cut short in chunk " + type;
      }
      crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(piece));
      if (type == "IDAT" && !image.Feed(bytes)) {
        return "the image data do not inflate";
      }
      if (type == "IHDR") {
        ihdr += bytes;
      }
      left -= static_cast<uint32_t>(piece);
    }
    if (!file.Read(4, bytes)) {
      return "cut short in chunk " + type;
    }
    if (BigEndian(bytes, 0) != crc) {
      return "CRC error in chunk " + type;
    }
    if (type == "IHDR") {
      if (ihdr.size() != 13) {
        return "IHDR of " + std::to_string(ihdr.size()) + " bytes";
      }
      expected = ImageDataSize(ihdr);
    }
    first = false;
    if (type == "IEND") {
      break;
    }
  }
  if (!file.AtEnd()) {
    return "bytes after IEND";
  }
  if (!image.Ended()) {
    return "the image data end early";
  }
  if (expected && image.Inflated() != *expected) {
    return "the image data hold " + std::to_string(image.Inflated()) + " bytes, not " +
           std::to_string(*expected);
  }
  return {};
}

}  // namespace

void VerifyPngFile(int descriptor, VerifyReport& report) {
  Reader file(descriptor);
  const std::string fault = CheckChunks(file);
  if (!fault.empty()) {
    report.Broken(fault);
  }
}

}  // namespace kartovel

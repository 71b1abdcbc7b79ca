// One deflate pass into a gzip wrapper (window bits 15 + 16).
#include "export/Gzip.h"

#include <zlib.h>

#include "common/Error.h"

namespace kartovel {

std::string GzipCompress(std::string_view bytes) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    throw AppError("Out of memory");
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 32, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) {
    throw AppError("Out of memory");
  }
  return out;
}

std::optional<std::string> GzipDecompress(std::string_view compressed, size_t limit) {
  z_stream stream{};
  if (inflateInit2(&stream, 15 + 32) != Z_OK) {
    return std::nullopt;
  }
  std::string out;
  char chunk[65536];
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  stream.avail_in = static_cast<uInt>(compressed.size());
  int result = Z_OK;
  while (result == Z_OK && out.size() <= limit) {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof chunk;
    result = inflate(&stream, Z_NO_FLUSH);
    out.append(chunk, sizeof chunk - stream.avail_out);
  }
  inflateEnd(&stream);
  if (result != Z_STREAM_END || out.size() > limit) {
    return std::nullopt;
  }
  return out;
}

}  // namespace kartovel

// Deflate into a gzip wrapper (window bits 15 + 16), and inflate back.
#include "export/Gzip.h"

#include <zlib.h>

#include "common/Error.h"

namespace kartovel {

struct GzipStream::State {
  z_stream Stream{};
  ~State() { deflateEnd(&Stream); }
};

GzipStream::GzipStream(size_t limit) : state_(std::make_unique<State>()), limit_(limit) {
  if (deflateInit2(&state_->Stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8,
                   Z_DEFAULT_STRATEGY) != Z_OK) {
    throw AppError("Out of memory");
  }
}

GzipStream::~GzipStream() = default;

void GzipStream::Deflate(std::string_view bytes, int flush) {
  z_stream& stream = state_->Stream;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  char chunk[16384];
  int result = Z_OK;
  do {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof chunk;
    result = deflate(&stream, flush);
    if (result == Z_STREAM_ERROR) {
      throw AppError("Out of memory");
    }
    out_.append(chunk, sizeof chunk - stream.avail_out);
  } while (stream.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
}

void GzipStream::Append(std::string_view bytes) {
  // zlib counts its input in 32 bits.
  for (size_t at = 0; at < bytes.size() && !WentOver(); at += size_t{1} << 30) {
    Deflate(bytes.substr(at, size_t{1} << 30), Z_NO_FLUSH);
  }
}

std::string GzipStream::Finish() {
  if (!WentOver()) {
    Deflate({}, Z_FINISH);
  }
  return std::move(out_);
}

std::string GzipCompress(std::string_view bytes) {
  GzipStream stream;
  stream.Append(bytes);
  return stream.Finish();
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

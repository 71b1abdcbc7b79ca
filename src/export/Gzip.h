// Gzip compression and its inverse through zlib, for the parts of an archive that readers expect
// gzip-compressed (the PMTiles directories and metadata).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kartovel {

// One gzip stream fed in pieces: the result is the same, byte for byte, however the input
// is cut. Output beyond limit is not kept: the stream stops compressing and says it went
// over, which is all a caller that only wants a stream within the limit needs to know.
class GzipStream {
 public:
  // Throws AppError when zlib has no memory for it.
  explicit GzipStream(size_t limit = std::string::npos);
  ~GzipStream();
  GzipStream(const GzipStream&) = delete;
  GzipStream& operator=(const GzipStream&) = delete;

  void Append(std::string_view bytes);
  // The whole stream (its beginning only when it went over the limit).
  std::string Finish();
  bool WentOver() const { return out_.size() > limit_; }

 private:
  void Deflate(std::string_view bytes, int flush);

  struct State;
  std::unique_ptr<State> state_;
  std::string out_;
  size_t limit_;
};

// The gzip stream of bytes. Throws AppError when zlib has no memory for it.
std::string GzipCompress(std::string_view bytes);

// The bytes a gzip or zlib stream inflates to; none when it is damaged, cut short or
// would inflate to more than limit bytes.
std::optional<std::string> GzipDecompress(std::string_view compressed, size_t limit);

}  // namespace kartovel

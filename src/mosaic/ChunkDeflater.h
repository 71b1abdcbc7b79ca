// Compresses a stream in pieces that are made independently and joined afterwards into
// one zlib stream: each piece is raw deflate data that starts afresh and ends on a byte
// boundary (a sync flush), the last one ends the stream; the zlib header goes before the
// first piece and the Adler-32 of all the data, combined from the pieces', after the last.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kartovel::tools {

struct DeflatedPiece {
  std::vector<uint8_t> bytes;  // raw deflate data (with the zlib header on the first piece)
  uint32_t adler = 1;          // Adler-32 of the piece's uncompressed bytes
  uint64_t inputBytes = 0;
};

struct DeflaterState;

class ChunkDeflater {
 public:
  // zlib level 1..9. Throws std::bad_alloc when zlib cannot set up.
  explicit ChunkDeflater(int level);
  ~ChunkDeflater();
  ChunkDeflater(const ChunkDeflater&) = delete;
  ChunkDeflater& operator=(const ChunkDeflater&) = delete;

  // Starts a piece; the first piece of a stream carries the zlib header.
  void Begin(bool firstOfStream);
  // Adds bytes to the piece. Throws std::runtime_error when zlib reports an error.
  void Add(const uint8_t* bytes, size_t length);
  // Ends the piece: a sync flush, or the end of the deflate stream for the last one.
  DeflatedPiece End(bool lastOfStream);

 private:
  void Deflate(int flush);

  std::unique_ptr<DeflaterState> state_;
  int level_;
  DeflatedPiece piece_;
  size_t used_ = 0;  // bytes of piece_.bytes written so far
};

// The two header bytes of a zlib stream made at the level (32 KiB window).
std::array<uint8_t, 2> ZlibHeader(int level);

// The Adler-32 of two byte runs end to end, from each run's Adler-32.
uint32_t CombineAdler(uint32_t first, uint32_t second, uint64_t secondLength);

// The four bytes that end a zlib stream with the Adler-32 of its data.
std::array<uint8_t, 4> ZlibTrailer(uint32_t adler);

}  // namespace kartovel::tools

// zlib in raw mode (no header of its own) with the level's usual settings and the
// strategy libpng uses for filtered rows; one z_stream is reset for every piece.
#include "mosaic/ChunkDeflater.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <new>
#include <stdexcept>

namespace kartovel::tools {

struct DeflaterState {
  z_stream stream{};
  bool ready = false;
  ~DeflaterState() {
    if (ready) {
      deflateEnd(&stream);
    }
  }
};

namespace {

constexpr int kRawWindowBits = -15;
constexpr int kMemoryLevel = 8;
// The least room offered to zlib for output, and the most in one call (zlib counts in uInt).
constexpr size_t kMinGrowth = 64 << 10;
constexpr size_t kMaxCall = size_t{1} << 30;

}  // namespace

ChunkDeflater::ChunkDeflater(int level) : state_(std::make_unique<DeflaterState>()), level_(level) {
  if (deflateInit2(&state_->stream, level, Z_DEFLATED, kRawWindowBits, kMemoryLevel, Z_FILTERED) !=
      Z_OK) {
    throw std::bad_alloc();
  }
  state_->ready = true;
}

ChunkDeflater::~ChunkDeflater() = default;

void ChunkDeflater::Begin(bool firstOfStream) {
  deflateReset(&state_->stream);
  piece_ = DeflatedPiece{};
  used_ = 0;
  if (firstOfStream) {
    const std::array<uint8_t, 2> header = ZlibHeader(level_);
    piece_.bytes.assign(header.begin(), header.end());
    used_ = header.size();
  }
}

void ChunkDeflater::Add(const uint8_t* bytes, size_t length) {
  piece_.adler = libdeflate_adler32(piece_.adler, bytes, length);
  piece_.inputBytes += length;
  while (length > 0) {
    const size_t taken = std::min(length, kMaxCall);
    state_->stream.next_in = const_cast<Bytef*>(bytes);  // zlib's API predates const
    state_->stream.avail_in = static_cast<uInt>(taken);
    Deflate(Z_NO_FLUSH);
    bytes += taken;
    length -= taken;
  }
}

DeflatedPiece ChunkDeflater::End(bool lastOfStream) {
  state_->stream.next_in = nullptr;
  state_->stream.avail_in = 0;
  Deflate(lastOfStream ? Z_FINISH : Z_SYNC_FLUSH);
  piece_.bytes.resize(used_);
  return std::move(piece_);
}

// Runs deflate until it has taken all input and, when flushing, written all output. The
// piece's buffer only grows (doubling), so its zero-filling costs little.
void ChunkDeflater::Deflate(int flush) {
  z_stream& stream = state_->stream;
  std::vector<uint8_t>& out = piece_.bytes;
  for (;;) {
    if (out.size() - used_ < kMinGrowth) {
      out.resize(std::max(out.size() * 2, used_ + kMinGrowth));
    }
    const size_t room = out.size() - used_;
    stream.next_out = out.data() + used_;
    stream.avail_out = static_cast<uInt>(std::min<size_t>(room, kMaxCall));
    const uInt offered = stream.avail_out;
    if (deflate(&stream, flush) == Z_STREAM_ERROR) {
      throw std::runtime_error("compression failed");
    }
    used_ += offered - stream.avail_out;
    // Room left over means zlib has written all it has for this call.
    if (stream.avail_in == 0 && stream.avail_out != 0) {
      return;
    }
  }
}

std::array<uint8_t, 2> ZlibHeader(int level) {
  // Deflate with a 32 KiB window, and the level hint zlib itself would write.
  const unsigned levelHint = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
  unsigned header = 0x78u << 8 | levelHint << 6;
  header += 31 - header % 31;
  return {static_cast<uint8_t>(header >> 8), static_cast<uint8_t>(header & 0xff)};
}

uint32_t CombineAdler(uint32_t first, uint32_t second, uint64_t secondLength) {
  return static_cast<uint32_t>(
      adler32_combine64(first, second, static_cast<z_off64_t>(secondLength)));
}

std::array<uint8_t, 4> ZlibTrailer(uint32_t adler) {
  return {static_cast<uint8_t>(adler >> 24), static_cast<uint8_t>(adler >> 16),
          static_cast<uint8_t>(adler >> 8), static_cast<uint8_t>(adler)};
}

}  // namespace kartovel::tools

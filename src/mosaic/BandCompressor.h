// Compresses a mosaic's bands into its PNG on worker threads while the calling thread
// fills the next band. Each band is cut into pieces of whole rows that are filtered and
// deflated independently, then joined in order into the one zlib stream of the image.
// Two band buffers take turns (one with no worker thread), so memory follows the
// mosaic's width, never its height (one buffer only for a very wide band). While no
// band is free the calling thread compresses pieces itself.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "mosaic/ChunkDeflater.h"
#include "imaging/PngFileWriter.h"

namespace kartovel::tools {

struct BandShape {
  size_t rowBytes = 0;  // bytes of one row of pixels
  uint32_t rows = 0;    // rows of one band
  uint32_t bandCount = 0;
};

struct CompressionSettings {
  int level = 6;                 // zlib 1..9
  int threads = 1;               // threads at work in all, the calling one included
  size_t pieceBytes = 1u << 20;  // uncompressed bytes of a piece, in whole rows
};

class BandCompressor {
 public:
  BandCompressor(PngFileWriter& png, const BandShape& shape, const CompressionSettings& settings);
  // Stops the worker threads; what was not written is dropped.
  ~BandCompressor();
  BandCompressor(const BandCompressor&) = delete;
  BandCompressor& operator=(const BandCompressor&) = delete;

  // The buffer (rows x rowBytes) of the next band, holding whatever it held before.
  // Throws AppError when compressing or writing an earlier band failed.
  uint8_t* NextBand();
  // Hands over the band that NextBand gave last.
  void SubmitBand();
  // After the last band: compresses and writes what is left. Throws AppError on failure.
  void Finish();

 private:
  struct Band;
  struct PieceJob {
    Band* band = nullptr;
    uint32_t firstRow = 0;
    uint32_t rows = 0;
    uint64_t sequence = 0;
  };

  void WorkerLoop();
  void StopWorkers();
  // Runs one queued job on the calling thread; the lock is released meanwhile.
  void HelpWithOneJob(std::unique_lock<std::mutex>& lock);
  // Runs a queued job when there is one, else waits for the workers' next progress.
  void HelpOrWait(std::unique_lock<std::mutex>& lock);
  void RunJob(const PieceJob& job, ChunkDeflater& deflater, std::vector<uint8_t>& row);
  void WriteFinishedPieces(std::unique_lock<std::mutex>& lock);
  void RecordFailure(const std::string& reason);
  void ThrowIfFailed() const;

  PngFileWriter& png_;
  const BandShape shape_;
  const CompressionSettings settings_;
  const uint32_t rowsPerPiece_;
  const uint32_t piecesPerBand_;
  const uint64_t pieceCount_;

  std::mutex mutex_;
  std::condition_variable jobQueued_;  // workers wait here for work or the stop
  std::condition_variable progress_;   // the calling thread waits here for a band or the end
  std::deque<PieceJob> jobs_;
  std::map<uint64_t, DeflatedPiece> finished_;  // compressed, waiting for their turn
  uint64_t nextToWrite_ = 0;
  bool writing_ = false;  // a thread is writing pieces (outside the lock)
  uint32_t adler_ = 1;    // of the data written so far; only the writing thread touches it
  bool stopping_ = false;
  std::string failure_;

  std::vector<std::unique_ptr<Band>> bands_;
  Band* current_ = nullptr;
  std::vector<uint8_t> lastRow_;  // the last row of the band handed over last
  uint32_t bandsSubmitted_ = 0;
  ChunkDeflater ownDeflater_;  // the calling thread's, for the pieces it compresses
  std::vector<uint8_t> ownRow_;
  std::vector<std::thread> workers_;
};

}  // namespace kartovel::tools

// The band pipeline. Threads share one mutex: it guards the job queue, the bands' piece
// counts and the finished pieces. Pixels need no lock of their own: a band is filled
// before its jobs are queued and refilled only after its last piece is compressed, both
// steps ordered by the mutex. Pieces are written by whichever thread finishes the one
// whose turn it is, one thread at a time, outside the lock.
#include "mosaic/BandCompressor.h"

#include <algorithm>
#include <stdexcept>

#include "common/Error.h"
#include "common/ErrorText.h"
#include "imaging/PngRowFilters.h"

namespace kartovel::tools {

struct BandCompressor::Band {
  std::vector<uint8_t> pixels;
  std::vector<uint8_t> rowAbove;  // the row before the band's first (zeros for the first band)
  uint32_t piecesLeft = 0;
  bool inUse = false;
};

namespace {

// Bands larger than this get one buffer only, so that a very wide mosaic does not need
// twice its band's memory; the next band is then decoded once the last one is compressed.
constexpr size_t kMaxBandBytesToDouble = size_t{256} << 20;

uint32_t RowsPerPiece(const BandShape& shape, size_t pieceBytes) {
  const size_t rows = pieceBytes / (shape.rowBytes + 1);
  return static_cast<uint32_t>(std::clamp<size_t>(rows, 1, shape.rows));
}

}  // namespace

BandCompressor::BandCompressor(PngFileWriter& png, const BandShape& shape,
                               const CompressionSettings& settings)
    : png_(png),
      shape_(shape),
      settings_(settings),
      rowsPerPiece_(RowsPerPiece(shape, settings.pieceBytes)),
      piecesPerBand_((shape.rows + rowsPerPiece_ - 1) / rowsPerPiece_),
      pieceCount_(uint64_t{piecesPerBand_} * shape.bandCount),
      lastRow_(shape.rowBytes, 0),
      ownDeflater_(settings.level),
      ownRow_(shape.rowBytes + 1) {
  const int workerCount = std::max(0, settings.threads - 1);
  const size_t bandBytes = shape.rowBytes * shape.rows;
  const int bandCount = workerCount == 0 || bandBytes > kMaxBandBytesToDouble ? 1 : 2;
  for (int band = 0; band < bandCount; ++band) {
    bands_.push_back(std::make_unique<Band>());
    bands_.back()->pixels.resize(bandBytes);
  }
  try {
    for (int worker = 0; worker < workerCount; ++worker) {
      workers_.emplace_back([this] { WorkerLoop(); });
    }
  } catch (...) {
    StopWorkers();  // a thread the system refused: the ones started must not outlive this
    throw;
  }
}

BandCompressor::~BandCompressor() {
  StopWorkers();
}

void BandCompressor::StopWorkers() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    jobs_.clear();
  }
  jobQueued_.notify_all();
  for (std::thread& worker : workers_) {
    worker.join();
  }
  workers_.clear();
}

uint8_t* BandCompressor::NextBand() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    ThrowIfFailed();
    for (const std::unique_ptr<Band>& band : bands_) {
      if (!band->inUse) {
        band->inUse = true;
        current_ = band.get();
        return band->pixels.data();
      }
    }
    HelpOrWait(lock);
  }
}

void BandCompressor::SubmitBand() {
  if (current_ == nullptr || bandsSubmitted_ == shape_.bandCount) {
    throw std::logic_error("BandCompressor: no band to hand over");
  }
  Band& band = *current_;
  current_ = nullptr;
  band.rowAbove.swap(lastRow_);
  lastRow_.assign(band.pixels.end() - static_cast<std::ptrdiff_t>(shape_.rowBytes),
                  band.pixels.end());
  {
    std::lock_guard<std::mutex> lock(mutex_);
    band.piecesLeft = piecesPerBand_;
    for (uint32_t piece = 0; piece < piecesPerBand_; ++piece) {
      const uint32_t firstRow = piece * rowsPerPiece_;
      jobs_.push_back(PieceJob{&band, firstRow, std::min(rowsPerPiece_, shape_.rows - firstRow),
                               uint64_t{bandsSubmitted_} * piecesPerBand_ + piece});
    }
    ++bandsSubmitted_;
  }
  jobQueued_.notify_all();
}

void BandCompressor::Finish() {
  if (bandsSubmitted_ != shape_.bandCount) {
    throw std::logic_error("BandCompressor: finished before its last band");
  }
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    ThrowIfFailed();
    if (nextToWrite_ == pieceCount_) {
      return;
    }
    HelpOrWait(lock);
  }
}

void BandCompressor::WorkerLoop() {
  try {
    ChunkDeflater deflater(settings_.level);
    std::vector<uint8_t> row(shape_.rowBytes + 1);
    for (;;) {
      PieceJob job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        jobQueued_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (stopping_) {
          return;
        }
        job = jobs_.front();
        jobs_.pop_front();
      }
      RunJob(job, deflater, row);
    }
  } catch (...) {
    RecordFailure(CurrentErrorText());
  }
}

void BandCompressor::HelpOrWait(std::unique_lock<std::mutex>& lock) {
  if (!jobs_.empty()) {
    HelpWithOneJob(lock);
  } else {
    progress_.wait(lock);
  }
}

void BandCompressor::HelpWithOneJob(std::unique_lock<std::mutex>& lock) {
  const PieceJob job = jobs_.front();
  jobs_.pop_front();
  lock.unlock();
  try {
    RunJob(job, ownDeflater_, ownRow_);
  } catch (...) {
    RecordFailure(CurrentErrorText());
  }
  lock.lock();
}

void BandCompressor::RunJob(const PieceJob& job, ChunkDeflater& deflater,
                            std::vector<uint8_t>& row) {
  const Band& band = *job.band;
  deflater.Begin(job.sequence == 0);
  for (uint32_t index = job.firstRow; index < job.firstRow + job.rows; ++index) {
    const uint8_t* pixels = band.pixels.data() + size_t{index} * shape_.rowBytes;
    const uint8_t* above = index == 0 ? band.rowAbove.data() : pixels - shape_.rowBytes;
    // Every row takes the Up filter: a good fit for map images and cheap, where trying
    // all five filters on every row costs several times the time for a few per cent.
    FilterPngRowUp(pixels, above, row.data(), shape_.rowBytes);
    deflater.Add(row.data(), row.size());
  }
  DeflatedPiece piece = deflater.End(job.sequence + 1 == pieceCount_);
  std::unique_lock<std::mutex> lock(mutex_);
  if (--job.band->piecesLeft == 0) {
    job.band->inUse = false;
    progress_.notify_all();
  }
  finished_.emplace(job.sequence, std::move(piece));
  if (!writing_) {
    WriteFinishedPieces(lock);
  }
}

void BandCompressor::WriteFinishedPieces(std::unique_lock<std::mutex>& lock) {
  writing_ = true;
  for (auto next = finished_.find(nextToWrite_); next != finished_.end();
       next = finished_.find(nextToWrite_)) {
    DeflatedPiece piece = std::move(next->second);
    finished_.erase(next);
    const bool lastPiece = nextToWrite_ + 1 == pieceCount_;
    lock.unlock();
    adler_ = CombineAdler(adler_, piece.adler, piece.inputBytes);
    if (lastPiece) {
      const std::array<uint8_t, 4> trailer = ZlibTrailer(adler_);
      piece.bytes.insert(piece.bytes.end(), trailer.begin(), trailer.end());
    }
    png_.WriteImageData(piece.bytes);
    lock.lock();
    ++nextToWrite_;
  }
  writing_ = false;
  progress_.notify_all();
}

void BandCompressor::RecordFailure(const std::string& reason) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (failure_.empty()) {
      failure_ = std::string(UnableToWriteTo(png_.FileName()).what()) + ": " + reason;
    }
    stopping_ = true;
    jobs_.clear();
  }
  jobQueued_.notify_all();
  progress_.notify_all();
}

void BandCompressor::ThrowIfFailed() const {
  if (!failure_.empty()) {
    throw AppError(failure_);
  }
}

}  // namespace kartovel::tools

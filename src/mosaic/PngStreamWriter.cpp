// libpng's classic writing API reports errors by longjmp: every libpng call is made
// from a small function that sets the jump point and holds no C++ objects, and turns
// the jump into a false result that the caller raises as an exception.
#include "mosaic/PngStreamWriter.h"

#include <png.h>

#include <csetjmp>
#include <stdexcept>
#include <string_view>

#include "common/AtomicFile.h"
#include "common/Error.h"

namespace kartovel::tools {

// The libpng objects of one image and the file they stream into; libpng's error
// pointer leads its callbacks here.
struct PngWriteState {
  explicit PngWriteState(const std::string& fileName) : file(fileName) {}
  ~PngWriteState() { png_destroy_write_struct(&png, &info); }
  PngWriteState(const PngWriteState&) = delete;
  PngWriteState& operator=(const PngWriteState&) = delete;

  AtomicFileWriter file;
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::string error;
};

namespace {

PngWriteState* StateOf(png_structp png) {
  return static_cast<PngWriteState*>(png_get_error_ptr(png));
}

void OnError(png_structp png, png_const_charp message) {
  StateOf(png)->error = message;
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// A failed write is remembered by the file and reported when it is committed.
void OnWrite(png_structp png, png_bytep data, size_t length) {
  StateOf(png)->file.Write(std::string_view(reinterpret_cast<const char*>(data), length));
}

void OnFlush(png_structp) {}

bool WriteHeader(png_structp png, png_infop info, uint32_t width, uint32_t height,
                 int compressionLevel) {
  if (setjmp(png_jmpbuf(png))) {
    return false;
  }
  png_set_write_fn(png, nullptr, OnWrite, OnFlush);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, compressionLevel);
  // One fixed filter: trying every filter on every row (libpng's default) made large
  // mosaics about four times slower to write for a few per cent of size.
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
  png_write_info(png, info);
  return true;
}

bool WriteOneRow(png_structp png, const uint8_t* row) {
  if (setjmp(png_jmpbuf(png))) {
    return false;
  }
  png_write_row(png, row);
  return true;
}

bool WriteEnd(png_structp png) {
  if (setjmp(png_jmpbuf(png))) {
    return false;
  }
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

PngStreamWriter::PngStreamWriter(const std::string& fileName, uint32_t width, uint32_t height,
                                 int compressionLevel)
    : fileName_(fileName), state_(std::make_unique<PngWriteState>(fileName)), rowsLeft_(height) {
  state_->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, state_.get(), OnError, OnWarning);
  if (state_->png == nullptr) {
    throw std::bad_alloc();
  }
  state_->info = png_create_info_struct(state_->png);
  if (state_->info == nullptr) {
    throw std::bad_alloc();
  }
  if (!WriteHeader(state_->png, state_->info, width, height, compressionLevel)) {
    Fail();
  }
}

PngStreamWriter::~PngStreamWriter() = default;

void PngStreamWriter::WriteRow(const uint8_t* rgbaRow) {
  if (rowsLeft_ == 0) {
    throw std::logic_error("PngStreamWriter: more rows than the image height");
  }
  if (!WriteOneRow(state_->png, rgbaRow)) {
    Fail();
  }
  --rowsLeft_;
}

void PngStreamWriter::Finish() {
  if (rowsLeft_ != 0) {
    throw std::logic_error("PngStreamWriter: image finished before its last row");
  }
  if (!WriteEnd(state_->png)) {
    Fail();
  }
  state_->file.Commit();
}

void PngStreamWriter::Fail() const {
  throw AppError(std::string(UnableToWriteTo(fileName_).what()) + ": " + state_->error);
}

}  // namespace kartovel::tools

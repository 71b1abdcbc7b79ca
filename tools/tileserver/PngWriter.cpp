// PNG encoding through libpng's write callbacks into a string buffer.
#include "tileserver/PngWriter.h"

#include <png.h>

#include <csetjmp>
#include <stdexcept>

namespace kartovel::tileserver {
namespace {

void AppendToString(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(png));
  out->append(reinterpret_cast<const char*>(data), length);
}

void NoFlush(png_structp) {}

void IgnoreMessage(png_structp, png_const_charp) {}

// Owns the libpng write and info structures.
class PngWriteStruct {
 public:
  PngWriteStruct()
      : png_(png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, IgnoreMessage, IgnoreMessage)),
        info_(png_ ? png_create_info_struct(png_) : nullptr) {
    if (!png_ || !info_) {
      png_destroy_write_struct(png_ ? &png_ : nullptr, nullptr);
      throw std::runtime_error("PNG encoder cannot be created");
    }
  }
  ~PngWriteStruct() { png_destroy_write_struct(&png_, &info_); }
  PngWriteStruct(const PngWriteStruct&) = delete;
  PngWriteStruct& operator=(const PngWriteStruct&) = delete;

  png_structp Png() const { return png_; }
  png_infop Info() const { return info_; }

 private:
  png_structp png_;
  png_infop info_;
};

void WriteRows(png_structp png, const RgbImage& image) {
  const auto stride = static_cast<std::size_t>(image.Width) * 3;
  for (int row = 0; row < image.Height; ++row) {
    png_write_row(png, image.Pixels.data() + stride * row);
  }
}

// libpng reports errors by longjmp to the setjmp below; this frame holds no object with
// a destructor, so the jump skips nothing.
bool WriteImage(png_structp png, png_infop info, const RgbImage& image) {
  if (setjmp(png_jmpbuf(png))) {
    return false;
  }
  png_set_IHDR(png, info, image.Width, image.Height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  WriteRows(png, image);
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

std::string EncodePng(const RgbImage& image) {
  if (image.Width <= 0 || image.Height <= 0 ||
      image.Pixels.size() != static_cast<std::size_t>(image.Width) * image.Height * 3) {
    throw std::runtime_error("PNG encoding failed: raster size mismatch");
  }
  std::string out;
  PngWriteStruct writer;
  png_set_write_fn(writer.Png(), &out, AppendToString, NoFlush);
  if (!WriteImage(writer.Png(), writer.Info(), image)) {
    throw std::runtime_error("PNG encoding failed");
  }
  return out;
}

}  // namespace kartovel::tileserver

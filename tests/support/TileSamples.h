// JPEG and WebP tile files for the decoder tests, written with the encoders of the same
// libraries the decoders use: a picture goes in, its file's bytes come out.
#pragma once

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE declared first
#include <jpeglib.h>
// clang-format on
#include <webp/encode.h>

#include <cstdint>
#include <memory>
#include <string>

#include "imaging/PngImage.h"

namespace kartovel::testing {

// A baseline JPEG of the picture's colours (its alpha is dropped), without chroma
// subsampling.
inline std::string EncodeJpeg(const tools::RgbaImage& image, int quality = 100) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* bytes = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &bytes, &size);
  info.image_width = static_cast<JDIMENSION>(image.width);
  info.image_height = static_cast<JDIMENSION>(image.height);
  info.input_components = 4;
  info.in_color_space = JCS_EXT_RGBA;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  // Full colour resolution (4:4:4): colours do not bleed across a block's edge.
  info.comp_info[0].h_samp_factor = 1;
  info.comp_info[0].v_samp_factor = 1;
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    auto* row = const_cast<JSAMPLE*>(image.pixels.data() +
                                     size_t{info.next_scanline} * size_t(image.width) * 4);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string file(reinterpret_cast<const char*>(bytes), size);
  std::free(bytes);
  return file;
}

// A lossless WebP; with keepAlpha the picture's alpha goes in too.
inline std::string EncodeWebp(const tools::RgbaImage& image, bool keepAlpha) {
  uint8_t* bytes = nullptr;
  const int stride = image.width * 4;
  size_t size = 0;
  if (keepAlpha) {
    size = WebPEncodeLosslessRGBA(image.pixels.data(), image.width, image.height, stride, &bytes);
  } else {
    std::string rgb;
    for (size_t i = 0; i < image.pixels.size(); i += 4) {
      rgb.append(reinterpret_cast<const char*>(image.pixels.data() + i), 3);
    }
    size = WebPEncodeLosslessRGB(reinterpret_cast<const uint8_t*>(rgb.data()), image.width,
                                 image.height, image.width * 3, &bytes);
  }
  std::string file(reinterpret_cast<const char*>(bytes), size);
  WebPFree(bytes);
  return file;
}

}  // namespace kartovel::testing

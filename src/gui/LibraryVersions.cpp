// The versions of the libraries, asked of each library.
#include "gui/LibraryVersions.h"

#include <curl/curl.h>
#include <libdeflate.h>
#include <png.h>
#include <sqlite3.h>
#include <webp/decode.h>

#include <jpeglib.h>
#include <QtGlobal>
#include <cstdio>  // jpeglib.h needs FILE declared first

namespace kartovel::gui {

namespace {

// 0x010204 as "1.2.4": how libwebp packs its version.
std::string PackedVersion(int packed) {
  return std::to_string((packed >> 16) & 0xff) + "." + std::to_string((packed >> 8) & 0xff) + "." +
         std::to_string(packed & 0xff);
}

// 2001005 as "2.1.5": how libjpeg-turbo numbers its releases.
std::string JpegTurboVersion(long number) {
  return std::to_string(number / 1000000) + "." + std::to_string(number / 1000 % 1000) + "." +
         std::to_string(number % 1000);
}

}  // namespace

std::vector<std::string> LibraryVersions() {
  return {
      std::string("Qt ") + qVersion(),
      std::string("libcurl ") + curl_version_info(CURLVERSION_NOW)->version,
      std::string("SQLite ") + sqlite3_libversion(),
      std::string("libpng ") + png_get_libpng_ver(nullptr),
      "libjpeg-turbo " + JpegTurboVersion(LIBJPEG_TURBO_VERSION_NUMBER),
      "libwebp " + PackedVersion(WebPGetDecoderVersion()),
      std::string("libdeflate ") + LIBDEFLATE_VERSION_STRING,
  };
}

}  // namespace kartovel::gui

// The libraries' own version calls; libjpeg-turbo and libdeflate name theirs only in
// their headers.
#include "cli/LibraryVersions.h"

#include <curl/curl.h>
#include <libdeflate.h>
#include <png.h>
#include <sqlite3.h>
#include <webp/decode.h>
#include <zlib.h>

#include <cstdio>
// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

namespace kartovel::cli {

namespace {

// A version packed as major * 10^6 + minor * 10^3 + patch (libjpeg-turbo) or as bytes
// 0xMMmmpp (libwebp), as "major.minor.patch".
std::string Dotted(int major, int minor, int patch) {
  return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

}  // namespace

std::string LibraryVersions() {
  const curl_version_info_data* curl = curl_version_info(CURLVERSION_NOW);
  const int webp = WebPGetDecoderVersion();
  const int jpeg = LIBJPEG_TURBO_VERSION_NUMBER;
  std::string text;
  text += std::string("libcurl ") + (curl != nullptr ? curl->version : "?") + "\n";
  text += std::string("SQLite ") + sqlite3_libversion() + "\n";
  text += std::string("libpng ") + png_get_libpng_ver(nullptr) + "\n";
  text += "libjpeg-turbo " + Dotted(jpeg / 1000000, jpeg / 1000 % 1000, jpeg % 1000) + "\n";
  text += "libwebp " + Dotted(webp >> 16, (webp >> 8) & 0xFF, webp & 0xFF) + "\n";
  text += std::string("libdeflate ") + LIBDEFLATE_VERSION_STRING + "\n";
  text += std::string("zlib ") + zlibVersion() + "\n";
  return text;
}

}  // namespace kartovel::cli

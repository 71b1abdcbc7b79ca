// libcurl's global initialisation, counted by libcurl itself, so a CurlGlobal and the
// once-only initialisation can coexist.
#include "download/CurlGlobal.h"

#include <curl/curl.h>

#include <mutex>

#include "common/Error.h"

namespace kartovel {
namespace {

void InitialiseOrThrow() {
  if (curl_global_init(CURL_GLOBAL_ALL) != CURLE_OK) {
    throw AppError("The HTTP library cannot be initialised");
  }
}

}  // namespace

CurlGlobal::CurlGlobal() {
  InitialiseOrThrow();
}

CurlGlobal::~CurlGlobal() {
  curl_global_cleanup();
}

void EnsureCurlInitialised() {
  static std::once_flag initialised;
  std::call_once(initialised, InitialiseOrThrow);
}

}  // namespace kartovel

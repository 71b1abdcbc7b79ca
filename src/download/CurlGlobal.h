// libcurl's process-wide initialisation. main() holds a CurlGlobal for the program's life;
// CreateCurlHttpClient also initialises once on its own, so tests need not hold one.
#pragma once

namespace kartovel {

class CurlGlobal {
 public:
  CurlGlobal();  // throws AppError when libcurl cannot be initialised
  ~CurlGlobal();
  CurlGlobal(const CurlGlobal&) = delete;
  CurlGlobal& operator=(const CurlGlobal&) = delete;
};

// Initialises libcurl once per process (thread-safe); later calls do nothing.
void EnsureCurlInitialised();

}  // namespace kartovel

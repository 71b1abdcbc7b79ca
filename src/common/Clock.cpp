// Real time, optionally scaled, behind the program's one clock.
#include "common/Clock.h"

#include <cstdlib>
#include <thread>

namespace kartovel {

ScaledClock::ScaledClock(double scale) : scale_(scale < 0 ? 0 : scale) {}

void ScaledClock::Sleep(std::chrono::milliseconds span) {
  auto real = RealSpan(span);
  if (real.count() > 0) {
    std::this_thread::sleep_for(real);
  }
}

std::chrono::milliseconds ScaledClock::RealSpan(std::chrono::milliseconds span) const {
  return std::chrono::milliseconds(static_cast<long long>(span.count() * scale_));
}

double ParseTimeScale(const char* text) {
  if (text == nullptr || *text == '\0') {
    return 1.0;
  }
  char* end = nullptr;
  const double scale = std::strtod(text, &end);
  return (*end == '\0' && scale >= 0) ? scale : 1.0;
}

}  // namespace kartovel

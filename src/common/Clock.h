// The one clock every pause of the program goes through, so tests and benchmarks can
// run the program's time faster than real time.
#pragma once

#include <chrono>

namespace kartovel {

class Clock {
 public:
  virtual ~Clock() = default;
  // Blocks the calling thread for a span of program time.
  virtual void Sleep(std::chrono::milliseconds span) = 0;
  // The real time that a span of program time lasts (the monitor's timer interval).
  virtual std::chrono::milliseconds RealSpan(std::chrono::milliseconds span) const = 0;
};

// Real time multiplied by a scale: 1 in production, e.g. 0.01 for black-box runs,
// 0 for tests that must not wait at all.
class ScaledClock final : public Clock {
 public:
  explicit ScaledClock(double scale = 1.0);
  void Sleep(std::chrono::milliseconds span) override;
  std::chrono::milliseconds RealSpan(std::chrono::milliseconds span) const override;

 private:
  double scale_;
};

// The scale a program's KARTOVEL_TIME_SCALE text asks for (for example "0.01" for
// black-box tests and benchmarks): a number of at least 0; 1 (real time) for no text or
// anything else.
double ParseTimeScale(const char* text);

}  // namespace kartovel

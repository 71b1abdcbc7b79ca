// The count of refusals in a row across a run's workers, and the verdict on held tiles.
#include "download/RefusalDetector.h"

#include <string_view>

#include "download/TileFailure.h"

namespace kartovel {

namespace {

// "HTTP/1.1 429 Too Many Requests" -> "429 Too Many Requests": the status as the server
// sent it, without the protocol's name.
std::string StatusTextOf(const HttpFailure& failure) {
  std::string_view text = failure.Message;
  if (failure.Status != 0 && text.rfind("HTTP/", 0) == 0) {
    const auto blank = text.find(' ');
    if (blank != std::string_view::npos) {
      text.remove_prefix(blank + 1);
    }
  }
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
    text.remove_suffix(1);
  }
  return std::string(text.empty() && failure.Status != 0 ? std::to_string(failure.Status) : text);
}

}  // namespace

bool IsRefusal(const HttpFailure& failure) {
  if (failure.Stopped) {
    return false;
  }
  if (failure.Status == 429 || (failure.Status == 503 && failure.RetryAfter)) {
    return true;
  }
  return ClassifyTileFailure(failure) == TileFailureClass::Refused;
}

RefusalDetector::RefusalDetector(int32_t threshold) : threshold_(threshold < 1 ? 1 : threshold) {}

void RefusalDetector::Join() {
  const std::lock_guard lock(mutex_);
  ++workers_;
}

void RefusalDetector::Leave() {
  {
    const std::lock_guard lock(mutex_);
    --workers_;
  }
  changed_.notify_all();
}

void RefusalDetector::Answered(const std::optional<HttpFailure>& failure) {
  if (failure && failure->Stopped) {
    return;  // the run's own stop, not an answer
  }
  if (failure && IsRefusal(*failure)) {
    CountRefusal(failure->Status, StatusTextOf(*failure));
    return;
  }
  {
    const std::lock_guard lock(mutex_);
    if (row_ == 0) {
      return;
    }
    row_ = 0;
    ++rowsBroken_;
  }
  changed_.notify_all();
}

void RefusalDetector::CountRefusal(int status, const std::string& text) {
  {
    const std::lock_guard lock(mutex_);
    if (row_ == 0) {
      rowSince_ = std::chrono::system_clock::now();
    }
    ++row_;
    if (storm_ || row_ < threshold_) {
      return;
    }
    storm_ = RefusalStorm{status, text, rowSince_, row_};
  }
  changed_.notify_all();
}

bool RefusalDetector::StormSeen() const {
  const std::lock_guard lock(mutex_);
  return storm_.has_value();
}

std::optional<RefusalStorm> RefusalDetector::Storm() const {
  const std::lock_guard lock(mutex_);
  return storm_;
}

uint64_t RefusalDetector::RowsBroken() const {
  const std::lock_guard lock(mutex_);
  return rowsBroken_;
}

RefusalDetector::Verdict RefusalDetector::AwaitVerdict(uint64_t rowsBroken, std::stop_token stop) {
  std::unique_lock lock(mutex_);
  ++waiting_;
  changed_.notify_all();  // the others may be waiting for this one
  const bool decided = changed_.wait(lock, stop, [&] {
    return storm_ || rowsBroken_ != rowsBroken || waiting_ >= workers_;
  });
  const Verdict verdict = !decided            ? Verdict::Stopped
                          : storm_            ? Verdict::Storm
                          : rowsBroken_ != rowsBroken ? Verdict::Broken
                                                      : Verdict::Quiet;
  --waiting_;
  return verdict;
}

}  // namespace kartovel

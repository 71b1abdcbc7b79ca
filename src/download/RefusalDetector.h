// Notices when a tile service has turned a run away: answers that refuse (429, 503 with a
// Retry-After, 403 or a redirect, the last of which ends a worker with the ban line)
// counted in a row across all the run's workers, until a storm of them says that asking
// on only makes it worse. Workers that hold refused tiles
// wait here for the verdict on them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>

#include "download/HttpClient.h"

namespace kartovel {

// So many refusals in a row end a run's asking: one stray answer of a busy server does
// not, a service that turns every request away does within a few tiles.
inline constexpr int32_t kRefusalStormAnswers = 20;

// The storm as it was seen: the last refusal's status and text as the server sent them,
// and when the row of refusals began.
struct RefusalStorm {
  int Status = 0;
  std::string StatusText;  // e.g. "429 Too Many Requests"; a client's text for a non-answer
  std::chrono::system_clock::time_point Since;
  int32_t Answers = 0;  // refusals in the row when it was called a storm
};

// True for an answer that turns the client away rather than failing on its own.
bool IsRefusal(const HttpFailure& failure);

class RefusalDetector {
 public:
  // How a worker's held refused tiles are to be treated.
  enum class Verdict {
    Storm,    // they stay unsettled: a continued run asks for them again
    Broken,   // another answer broke the row: they are failures as any other
    Quiet,    // no worker can answer any more: no storm, they are failures as any other
    Stopped,  // the run was stopped: they stay unsettled
  };

  explicit RefusalDetector(int32_t threshold = kRefusalStormAnswers);
  RefusalDetector(const RefusalDetector&) = delete;
  RefusalDetector& operator=(const RefusalDetector&) = delete;

  // A worker that may still answer; Leave when it will not any more.
  void Join();
  void Leave();

  // One answer of the server (no value: a good one). A refusal lengthens the row, any
  // other answer ends it. Once a storm is seen it stays.
  void Answered(const std::optional<HttpFailure>& failure);

  bool StormSeen() const;
  std::optional<RefusalStorm> Storm() const;
  // Counts the rows that were broken; a worker compares it before and after.
  uint64_t RowsBroken() const;

  // Waits until the row that was running at rowsBroken is broken, a storm is seen, every
  // worker still in the run waits here too, or stop is requested.
  Verdict AwaitVerdict(uint64_t rowsBroken, std::stop_token stop);

 private:
  void CountRefusal(int status, const std::string& text);

  const int32_t threshold_;
  mutable std::mutex mutex_;
  std::condition_variable_any changed_;
  int32_t row_ = 0;
  std::chrono::system_clock::time_point rowSince_{};
  uint64_t rowsBroken_ = 0;
  std::optional<RefusalStorm> storm_;
  int32_t workers_ = 0;
  int32_t waiting_ = 0;
};

}  // namespace kartovel

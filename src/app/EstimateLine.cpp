// The estimate line and its worker thread.
#include "app/EstimateLine.h"

#include <exception>
#include <utility>
#include <variant>

#include "common/Error.h"

namespace kartovel {

EstimateShown EstimateLineOf(const JobEstimate& estimate) {
  EstimateShown shown;
  shown.Details = JobEstimateText(estimate);
  if (estimate.Zooms.empty()) {
    return shown;
  }
  const std::vector<std::string> lines = JobEstimateLines(estimate);
  // One zoom: its own line; a range: the total, named by its zooms.
  if (estimate.Zooms.size() == 1) {
    shown.Line = lines.front();
  } else {
    const std::string& total = lines[lines.size() - 2];
    shown.Line = "Zooms " + std::to_string(estimate.Zooms.front().Zoom) + " to " +
                 std::to_string(estimate.Zooms.back().Zoom) + total.substr(total.find(':'));
  }
  shown.Line += "; " + (estimate.FreeBytes ? SizeText(*estimate.FreeBytes) : "unknown") + " free";
  return shown;
}

EstimateShown EstimateForWindow(const std::variant<RequestedJob, std::string>& job,
                                HttpClientFactory makeClient, std::shared_ptr<TileDiskCache> cache,
                                std::stop_token stop) {
  if (const auto* fault = std::get_if<std::string>(&job)) {
    return {*fault, *fault};
  }
  const RequestedJob& asked = std::get<RequestedJob>(job);
  const RunRequest& request = asked.First;
  const bool typed = request.AreaShape || !(request.LeftLongitude.empty() ||
                                            request.RightLongitude.empty() ||
                                            request.TopLatitude.empty() ||
                                            request.BottomLatitude.empty());
  if (!typed) {
    return {kNoAreaYet, kNoAreaYet};
  }
  const auto estimate = EstimateRequestedJob(asked, JobLimits{}, SizeSampling::Always,
                                             std::move(makeClient), std::move(cache), stop);
  if (const auto* fault = std::get_if<std::string>(&estimate)) {
    return {*fault, *fault};
  }
  return EstimateLineOf(std::get<JobEstimate>(estimate));
}

BackgroundEstimate::BackgroundEstimate()
    : thread_([this](std::stop_token end) { Serve(end); }) {}

BackgroundEstimate::~BackgroundEstimate() {
  {
    std::lock_guard lock(mutex_);
    inHand_.request_stop();
  }
  thread_.request_stop();
  thread_.join();
}

void BackgroundEstimate::Ask(Work work) {
  {
    std::lock_guard lock(mutex_);
    waiting_ = std::move(work);
    ++asked_;
    inHand_.request_stop();
  }
  wake_.notify_one();
}

std::optional<EstimateShown> BackgroundEstimate::TakeAnswer() {
  std::lock_guard lock(mutex_);
  return std::exchange(answer_, std::nullopt);
}

bool BackgroundEstimate::Busy() const {
  std::lock_guard lock(mutex_);
  return answered_ != asked_;
}

void BackgroundEstimate::Serve(std::stop_token end) {
  while (true) {
    Work work;
    uint64_t number = 0;
    std::stop_token stop;
    {
      std::unique_lock lock(mutex_);
      if (!wake_.wait(lock, end, [this] { return static_cast<bool>(waiting_); })) {
        return;
      }
      work = std::exchange(waiting_, nullptr);
      number = asked_;
      inHand_ = std::stop_source();
      stop = inHand_.get_token();
    }
    EstimateShown shown;
    try {
      shown = work(stop);
    } catch (const std::exception& error) {
      // Errors never cross threads: the line says what went wrong instead.
      shown.Line = shown.Details = ErrorDisplayText(error.what());
    }
    std::lock_guard lock(mutex_);
    if (number == asked_) {
      answer_ = std::move(shown);
      answered_ = number;
    }
  }
}

}  // namespace kartovel

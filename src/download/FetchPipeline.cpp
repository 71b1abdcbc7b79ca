// The fetch of one tile through a failure table: attempts, repeats, pauses and the store.
#include "download/FetchPipeline.h"

#include <algorithm>
#include <array>
#include <utility>

namespace kartovel {

namespace {
// A long wait looks at the stop request this often.
constexpr std::chrono::milliseconds kStopCheckStep{1000};
}  // namespace

FetchPipeline::FetchPipeline(HttpClient& client, const FailureTable& table, Clock& time,
                             std::stop_token stop)
    : client_(client), table_(table), time_(time), stop_(std::move(stop)) {}

FetchResult FetchPipeline::Fetch(const FetchRequest& request) {
  FetchResult result;
  std::array<int32_t, kTileFailureClassCount> repeats{};
  for (;;) {
    if (refusals_ && refusals_->StormSeen()) {
      result.Result = FetchResult::Outcome::Stopped;
      return result;
    }
    ++result.Attempts;
    HttpAnswer answer = Attempt(request, result.Body);
    result.Failure = std::move(answer.Failure);
    if (refusals_) {
      refusals_->Answered(result.Failure);
    }
    if (!result.Failure) {
      result.Headers = std::move(answer.Headers);
      if (answer.NotModified) {
        result.Result = FetchResult::Outcome::NotModified;
        return result;
      }
      return Store(request, std::move(result));
    }
    const HttpFailure& failure = *result.Failure;
    if (failure.Stopped) {
      result.Result = FetchResult::Outcome::Stopped;
      return result;
    }
    const TileFailureClass failureClass = table_.Classify(failure);
    const FailureRule& rule = table_.RuleOf(failureClass);
    result.GivenUpAs = failureClass;
    switch (rule.Kind) {
      case FailureRule::Repeat::Never:
        return result;
      case FailureRule::Repeat::OwnBound: {
        int32_t& repeated = repeats[static_cast<std::size_t>(failureClass)];
        if (++repeated > rule.Bound || (table_.StopEndsRepeats && stop_.stop_requested())) {
          result.GivenUpAs = table_.PastBound;
          return result;
        }
        break;
      }
      case FailureRule::Repeat::WithinAttempts:
        if (result.Attempts >= table_.Attempts) {
          return result;
        }
        break;
    }
    if (!PauseBeforeNextAttempt(rule, failure)) {
      result.Result = FetchResult::Outcome::Stopped;
      return result;
    }
  }
}

HttpAnswer FetchPipeline::Attempt(const FetchRequest& request, std::string& body) {
  body.clear();  // only the answered attempt's bytes may be stored
  HttpAnswer answer = client_.Send(HttpRequest{request.Url, request.Revalidate}, body);
  if (!answer.Failure && !answer.NotModified && request.CheckContent) {
    answer.Failure = request.CheckContent(body);
  }
  return answer;
}

bool FetchPipeline::PauseBeforeNextAttempt(const FailureRule& rule, const HttpFailure& failure) {
  std::chrono::milliseconds pause = rule.Pause;
  if (table_.FollowsRetryAfter && failure.RetryAfter) {
    pause = std::max(pause, std::chrono::milliseconds(std::min(*failure.RetryAfter, kMaxRetryAfter)));
  }
  if (pause <= rule.Pause) {
    if (pause > std::chrono::milliseconds(0)) {
      time_.Sleep(pause);
    }
    return true;
  }
  // A wait the server asked for can last minutes: it is slept in steps so that a stop
  // ends it (the tile then stays unsettled, as after a cut transfer).
  for (std::chrono::milliseconds left = pause; left > std::chrono::milliseconds(0);
       left -= kStopCheckStep) {
    if (Halted()) {
      return false;
    }
    time_.Sleep(std::min(left, kStopCheckStep));
  }
  return !Halted();
}

FetchResult FetchPipeline::Store(const FetchRequest& request, FetchResult result) {
  result.Result = FetchResult::Outcome::Stored;
  if (request.Store) {
    try {
      request.Store(result.Body);
    } catch (...) {
      result.Result = FetchResult::Outcome::StoreFailed;
      result.StoreError = std::current_exception();
    }
  }
  return result;
}

}  // namespace kartovel

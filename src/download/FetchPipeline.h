// The one fetch of a tile every part of the program goes through: get the URL, check what
// came back, sort a failure into its class, pause or repeat as the caller's failure table
// says, and hand a good body to the caller's store. A caller describes its way of asking
// as values (its client's request profile, a failure table, a request) and gets the
// result as a value; the download workers, the re-download and the map windows differ
// only in those values.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>

#include "common/Clock.h"
#include "download/HttpClient.h"
#include "download/RefusalDetector.h"
#include "download/TileFailure.h"

namespace kartovel {

// One tile to fetch.
struct FetchRequest {
  std::string Url;
  // The body's check; a failure it returns is sorted like any other. Empty: any body.
  std::function<std::optional<HttpFailure>(const std::string& body)> CheckContent;
  // Keeps a body that passed its check (the tile file, the cache). Empty: nothing kept.
  std::function<void(std::string& body)> Store;
  // The validators of the tile held: the request asks whether it changed. None: a GET.
  std::optional<TileValidators> Revalidate{};
};

struct FetchResult {
  enum class Outcome {
    Stored,       // the body passed its check and was stored (Body holds it)
    GivenUp,      // Failure and GivenUpAs tell why
    Stopped,      // a stop (or a storm of refusals) ended a request or a pause: neither
                  // fetched nor failed
    StoreFailed,  // the body passed its check but the store threw StoreError
    NotModified,  // a revalidating request's 304: the tile held is current
  };
  Outcome Result = Outcome::GivenUp;
  std::string Body;
  std::optional<HttpFailure> Failure;  // of the last attempt
  TileFailureClass GivenUpAs = TileFailureClass::Other;
  std::exception_ptr StoreError;
  int32_t Attempts = 0;
  ValidatorHeaders Headers;  // of the answer that was stored or not modified
};

class FetchPipeline {
 public:
  // client, table and clock must outlive the pipeline; stop ends its requests and pauses.
  FetchPipeline(HttpClient& client, const FailureTable& table, Clock& time,
                std::stop_token stop = {});

  // Every answer is told to refusals (not owned; it must outlive the pipeline), and once it
  // has seen a storm no further request goes out: the fetch ends as Stopped.
  void WatchRefusals(RefusalDetector* refusals) { refusals_ = refusals; }

  FetchResult Fetch(const FetchRequest& request);

 private:
  HttpAnswer Attempt(const FetchRequest& request, std::string& body);
  // The rule's pause, or the longer one a busy server asked for; false when a stop
  // ended it.
  bool PauseBeforeNextAttempt(const FailureRule& rule, const HttpFailure& failure);
  FetchResult Store(const FetchRequest& request, FetchResult result);
  bool Halted() const { return stop_.stop_requested() || (refusals_ && refusals_->StormSeen()); }

  HttpClient& client_;
  const FailureTable& table_;
  Clock& time_;
  std::stop_token stop_;
  RefusalDetector* refusals_ = nullptr;
};

}  // namespace kartovel

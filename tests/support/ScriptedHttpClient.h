// A fake HTTP client for engine tests: answers GETs from a script of replies and records
// every URL it was asked for. One instance can stand for the tile service of a whole run:
// Factory() makes clients for the workers that all answer from this script.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "download/HttpClient.h"
#include "support/LoopbackReplies.h"

namespace kartovel::testing {

// One scripted answer: a success with a body, or a failure with a message (an empty
// message is a failure without text). A failure may still leave bytes in the buffer.
struct ScriptedReply {
  std::optional<HttpFailure> Failure;
  std::string Body;

  static ScriptedReply Success(std::string body);
  static ScriptedReply Fail(std::string message, std::string leftoverBytes = "");
  // An answer outside 2xx as the client gives it: the status line, the code and the
  // Retry-After it asked for.
  static ScriptedReply Status(std::string statusLine, int status,
                              std::optional<std::chrono::seconds> retryAfter = std::nullopt);
  // A request the caller's stop request cut short.
  static ScriptedReply Stopped();
};

class ScriptedHttpClient final : public HttpClient {
 public:
  using GetHook = std::function<void(const std::string& url)>;

  // The default answer is a small PNG image, which passes the tile content check.
  explicit ScriptedHttpClient(ScriptedReply defaultReply = ScriptedReply::Success(SmallPng()));

  // The next answers for one URL; they come before the general queue.
  void QueueFor(const std::string& url, std::vector<ScriptedReply> replies);
  // The next answers for any URL that has no queue of its own left.
  void Queue(std::vector<ScriptedReply> replies);
  // The answer once the queues are used up.
  void SetDefaultReply(ScriptedReply reply);
  // Runs on the asking thread before each answer, outside the client's lock.
  void SetGetHook(GetHook hook);

  // Appends the answer's bytes to body WITHOUT emptying it first, so that a caller
  // who forgets to empty the buffer between attempts is caught.
  std::optional<HttpFailure> Get(const std::string& url, std::string& body) override;

  // Clients that answer from this script, one per call, recording their options.
  HttpClientFactory Factory();

  std::vector<std::string> Urls() const;
  std::vector<HttpClientOptions> OptionsSeen() const;

 private:
  ScriptedReply NextReply(const std::string& url);

  mutable std::mutex mutex_;
  ScriptedReply defaultReply_;
  std::map<std::string, std::deque<ScriptedReply>> perUrl_;
  std::deque<ScriptedReply> general_;
  std::vector<std::string> urls_;
  std::vector<HttpClientOptions> optionsSeen_;
  GetHook hook_;
};

}  // namespace kartovel::testing

// The scripted fake HTTP client of the engine tests.
#include "support/ScriptedHttpClient.h"

#include <memory>
#include <utility>

namespace kartovel::testing {

namespace {

// A worker's own client: forwards every GET to the shared script.
class ForwardingClient final : public HttpClient {
 public:
  explicit ForwardingClient(ScriptedHttpClient& script) : script_(script) {}
  std::optional<HttpFailure> Get(const std::string& url, std::string& body) override {
    return script_.Get(url, body);
  }

 private:
  ScriptedHttpClient& script_;
};

}  // namespace

ScriptedReply ScriptedReply::Success(std::string body) {
  return {std::nullopt, std::move(body)};
}

ScriptedReply ScriptedReply::Fail(std::string message, std::string leftoverBytes) {
  return {HttpFailure{std::move(message)}, std::move(leftoverBytes)};
}

ScriptedReply ScriptedReply::Status(std::string statusLine, int status,
                                    std::optional<std::chrono::seconds> retryAfter) {
  HttpFailure failure(std::move(statusLine), status);
  failure.RetryAfter = retryAfter;
  return {std::move(failure), ""};
}

ScriptedReply ScriptedReply::Stopped() {
  HttpFailure failure("Error: the request was stopped.");
  failure.Stopped = true;
  return {std::move(failure), ""};
}

ScriptedHttpClient::ScriptedHttpClient(ScriptedReply defaultReply)
    : defaultReply_(std::move(defaultReply)) {}

void ScriptedHttpClient::QueueFor(const std::string& url, std::vector<ScriptedReply> replies) {
  const std::lock_guard lock(mutex_);
  auto& queue = perUrl_[url];
  queue.insert(queue.end(), replies.begin(), replies.end());
}

void ScriptedHttpClient::Queue(std::vector<ScriptedReply> replies) {
  const std::lock_guard lock(mutex_);
  general_.insert(general_.end(), replies.begin(), replies.end());
}

void ScriptedHttpClient::SetDefaultReply(ScriptedReply reply) {
  const std::lock_guard lock(mutex_);
  defaultReply_ = std::move(reply);
}

void ScriptedHttpClient::SetGetHook(GetHook hook) {
  const std::lock_guard lock(mutex_);
  hook_ = std::move(hook);
}

ScriptedReply ScriptedHttpClient::NextReply(const std::string& url) {
  const std::lock_guard lock(mutex_);
  urls_.push_back(url);
  auto own = perUrl_.find(url);
  if (own != perUrl_.end() && !own->second.empty()) {
    ScriptedReply reply = std::move(own->second.front());
    own->second.pop_front();
    return reply;
  }
  if (!general_.empty()) {
    ScriptedReply reply = std::move(general_.front());
    general_.pop_front();
    return reply;
  }
  return defaultReply_;
}

std::optional<HttpFailure> ScriptedHttpClient::Get(const std::string& url, std::string& body) {
  GetHook hook;
  {
    const std::lock_guard lock(mutex_);
    hook = hook_;
  }
  if (hook) {
    hook(url);
  }
  ScriptedReply reply = NextReply(url);
  body += reply.Body;
  return reply.Failure;
}

HttpClientFactory ScriptedHttpClient::Factory() {
  return [this](const HttpClientOptions& options) -> std::unique_ptr<HttpClient> {
    {
      const std::lock_guard lock(mutex_);
      optionsSeen_.push_back(options);
    }
    return std::make_unique<ForwardingClient>(*this);
  };
}

std::vector<std::string> ScriptedHttpClient::Urls() const {
  const std::lock_guard lock(mutex_);
  return urls_;
}

std::vector<HttpClientOptions> ScriptedHttpClient::OptionsSeen() const {
  const std::lock_guard lock(mutex_);
  return optionsSeen_;
}

}  // namespace kartovel::testing

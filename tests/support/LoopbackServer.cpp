// The script, the request log and the proxy check of the loopback test server.
#include "support/LoopbackServer.h"

#include <algorithm>
#include <set>

#include "support/Base64.h"

namespace kartovel::testing {
namespace {

loopback::ServerOptions TestServerOptions() {
  loopback::ServerOptions options;
  options.IdleLimit = std::chrono::seconds(20);
  options.SendLimit = std::chrono::seconds(5);
  return options;
}

}  // namespace

LoopbackServer::LoopbackServer() : LoopbackServer(Options{}) {}

LoopbackServer::LoopbackServer(Options options)
    : defaultReply_(options.DefaultReply ? std::move(options.DefaultReply)
                                         : ReplyHandler([](const Request&) { return PngReply(); })),
      expectedProxyAuthorization_(
          options.Proxy
              ? std::optional<std::string>("Basic " + Base64Encode(options.Proxy->Username + ":" +
                                                                   options.Proxy->Password))
              : std::nullopt),
      server_([this](const Request& request) { return Answer(request); }, TestServerOptions()) {}

LoopbackServer::~LoopbackServer() {
  server_.Stop();
}

std::string LoopbackServer::HostPort() const {
  return "127.0.0.1:" + std::to_string(Port());
}

std::string LoopbackServer::Url(const std::string& pathAndQuery) const {
  return "http://" + HostPort() + pathAndQuery;
}

void LoopbackServer::Enqueue(Reply reply) {
  std::lock_guard lock(mutex_);
  script_.push_back(std::move(reply));
}

void LoopbackServer::Enqueue(std::vector<Reply> replies) {
  std::lock_guard lock(mutex_);
  for (auto& reply : replies) {
    script_.push_back(std::move(reply));
  }
}

std::size_t LoopbackServer::PendingReplies() const {
  std::lock_guard lock(mutex_);
  return script_.size();
}

std::vector<Request> LoopbackServer::Requests() const {
  std::lock_guard lock(mutex_);
  return received_;
}

std::size_t LoopbackServer::RequestCount() const {
  std::lock_guard lock(mutex_);
  return received_.size();
}

int LoopbackServer::ConnectionCount() const {
  std::lock_guard lock(mutex_);
  std::set<int> connections;
  for (const auto& request : received_) {
    connections.insert(request.ConnectionId);
  }
  return static_cast<int>(connections.size());
}

bool LoopbackServer::WaitForRequests(std::size_t count, std::chrono::milliseconds limit) const {
  std::unique_lock lock(mutex_);
  return requestArrived_.wait_for(lock, limit, [&] { return received_.size() >= count; });
}

std::optional<Reply> LoopbackServer::ProxyRefusal(const Request& request) const {
  if (!expectedProxyAuthorization_) {
    return std::nullopt;
  }
  if (!request.Target().starts_with("http://")) {
    return StatusReply(400, "a proxy needs an absolute URI");
  }
  if (request.Header("Proxy-Authorization") != expectedProxyAuthorization_) {
    Reply reply;
    reply.Bytes = loopback::ResponseBytes(407, "text/html", "credentials required",
                                          {"Proxy-Authenticate: Basic realm=\"loopback\""});
    return reply;
  }
  return std::nullopt;
}

Reply LoopbackServer::Answer(const Request& request) {
  std::unique_lock lock(mutex_);
  received_.push_back(request);
  requestArrived_.notify_all();
  if (auto refusal = ProxyRefusal(request)) {
    return *refusal;
  }
  if (!script_.empty()) {
    Reply reply = std::move(script_.front());
    script_.pop_front();
    return reply;
  }
  lock.unlock();
  return defaultReply_(request);
}

}  // namespace kartovel::testing

// An in-process HTTP/1.1 test server on 127.0.0.1 (any free port). It answers requests
// from a script of replies, in order, one reply per request whatever connection it came
// on; when the script is empty it uses the default reply (a small PNG unless given).
// It records every request (request line, header lines in order, connection number).
// In proxy mode it also demands the expected Basic credentials in Proxy-Authorization
// and an absolute-form request URI, answering 407 / 400 otherwise (without using the
// script). Every wait is bounded; the destructor stops everything at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "support/LoopbackReplies.h"
#include "tileserver/LoopbackHttpServer.h"

namespace kartovel::testing {

struct ProxyCredentials {
  std::string Username;
  std::string Password;
};

class LoopbackServer {
 public:
  using ReplyHandler = std::function<Reply(const Request&)>;

  struct Options {
    ReplyHandler DefaultReply;              // empty: PngReply()
    std::optional<ProxyCredentials> Proxy;  // set: act as a proxy that checks them
  };

  LoopbackServer();
  explicit LoopbackServer(Options options);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  uint16_t Port() const { return server_.Port(); }
  std::string HostPort() const;  // "127.0.0.1:PORT"
  // "http://127.0.0.1:PORT" + pathAndQuery
  std::string Url(const std::string& pathAndQuery = "/") const;

  void Enqueue(Reply reply);
  void Enqueue(std::vector<Reply> replies);
  std::size_t PendingReplies() const;

  std::vector<Request> Requests() const;
  std::size_t RequestCount() const;
  // Number of distinct connections the requests came on.
  int ConnectionCount() const;
  // Waits until at least `count` requests arrived or `limit` passed; true if they did.
  bool WaitForRequests(std::size_t count, std::chrono::milliseconds limit) const;

 private:
  Reply Answer(const Request& request);
  std::optional<Reply> ProxyRefusal(const Request& request) const;

  mutable std::mutex mutex_;
  mutable std::condition_variable requestArrived_;
  std::deque<Reply> script_;
  std::vector<Request> received_;
  ReplyHandler defaultReply_;
  std::optional<std::string> expectedProxyAuthorization_;
  loopback::HttpServer server_;  // last: starts once the members above exist, stops first
};

}  // namespace kartovel::testing

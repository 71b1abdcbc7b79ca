// A small HTTP/1.1 server on 127.0.0.1: one thread accepts, one thread per connection
// reads request heads and performs the reply a handler chooses (keep-alive by default).
// Shared by the demo tile service and the test servers.
//
// Every wait is bounded and also ends at once when the server stops, so Stop() and the
// destructor return promptly even while a reply is deliberately stalling.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <thread>

#include "tileserver/HttpMessage.h"
#include "tileserver/UniqueFd.h"

namespace kartovel::loopback {

// Called on the connection's thread; may be called from several threads at once.
using RequestHandler = std::function<Reply(const Request&)>;

struct ServerOptions {
  uint16_t Port = 0;                           // 0: any free port
  std::chrono::milliseconds IdleLimit{60000};  // waiting for the next request head
  std::chrono::milliseconds SendLimit{10000};  // sending one reply
  std::size_t MaxConnections = 64;             // further connections are closed at once
  std::size_t MaxHeadBytes = 64 * 1024;
};

class HttpServer {
 public:
  // Binds 127.0.0.1 and starts serving. Throws std::system_error when it cannot listen.
  explicit HttpServer(RequestHandler handler, ServerOptions options = {});
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  uint16_t Port() const { return port_; }
  // Closes every connection and joins every thread; idempotent.
  void Stop();

 private:
  struct ConnectionThread {
    std::thread Thread;
    std::atomic<bool> Done{false};
  };

  void AcceptLoop();
  void ReapFinishedConnections();
  void Serve(UniqueFd socket, int connectionId);
  bool Perform(int socket, const Reply& reply);
  bool SendTail(int socket, const Reply& reply);

  RequestHandler handler_;
  ServerOptions options_;
  UniqueFd listener_;
  UniqueFd wakeRead_;  // readable once the server stops: wakes every poll
  UniqueFd wakeWrite_;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::list<ConnectionThread> connections_;  // touched by the accept thread, then by Stop()
  std::thread acceptThread_;
};

}  // namespace kartovel::loopback

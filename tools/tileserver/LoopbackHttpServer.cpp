// The accept loop, the per-connection request loop and the reply primitives (send, pause,
// close, reset) of the loopback HTTP server.
#include "tileserver/LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <charconv>
#include <exception>
#include <optional>
#include <string>
#include <system_error>

namespace kartovel::loopback {
namespace {

using SteadyClock = std::chrono::steady_clock;
constexpr std::size_t kMaxDiscardedBodyBytes = 1024 * 1024;

[[noreturn]] void ThrowErrno(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

enum class WaitResult { Ready, TimedOut, Stopped };

// Waits for events on fd (or only for the deadline when fd < 0) unless the server stops.
WaitResult WaitFor(int fd, short events, int wakeFd, SteadyClock::time_point deadline) {
  pollfd fds[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
  for (;;) {
    const auto remaining =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
    if (remaining <= 0) {
      return WaitResult::TimedOut;
    }
    const int ready = ::poll(fds, 2, static_cast<int>(remaining));
    if (ready < 0 && errno != EINTR) {
      return WaitResult::Stopped;
    }
    if (fds[1].revents != 0) {
      return WaitResult::Stopped;
    }
    if (ready > 0 && fds[0].revents != 0) {
      return WaitResult::Ready;
    }
  }
}

// Finds the end of a request head: the blank line, after CR LF or lone LF line ends.
std::optional<std::pair<std::size_t, std::size_t>> FindHeadEnd(const std::string& buffer) {
  const auto crlf = buffer.find("\n\r\n");
  const auto lf = buffer.find("\n\n");
  if (crlf == std::string::npos && lf == std::string::npos) {
    return std::nullopt;
  }
  if (lf < crlf) {
    return std::pair{lf + 1, lf + 2};
  }
  return std::pair{crlf + 1, crlf + 3};
}

bool ReceiveSome(int socket, std::string& buffer) {
  char chunk[4096];
  const auto received = ::recv(socket, chunk, sizeof chunk, MSG_DONTWAIT);
  if (received > 0) {
    buffer.append(chunk, static_cast<std::size_t>(received));
    return true;
  }
  return received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
}

// Reads one request head into the text before its blank line; leaves later bytes in buffer.
std::optional<std::string> ReadHead(int socket, std::string& buffer, int wakeFd,
                                    SteadyClock::time_point deadline, std::size_t maxBytes) {
  for (;;) {
    if (const auto end = FindHeadEnd(buffer)) {
      std::string head = buffer.substr(0, end->first);
      buffer.erase(0, end->second);
      return head;
    }
    if (buffer.size() > maxBytes ||
        WaitFor(socket, POLLIN, wakeFd, deadline) != WaitResult::Ready ||
        !ReceiveSome(socket, buffer)) {
      return std::nullopt;
    }
  }
}

// Drops a request body announced by Content-Length; false when it cannot be read.
bool DiscardBody(int socket, const Request& request, std::string& buffer, int wakeFd,
                 SteadyClock::time_point deadline) {
  const auto lengthText = request.Header("Content-Length");
  if (!lengthText) {
    return true;
  }
  std::size_t length = 0;
  const auto* first = lengthText->data();
  const auto* last = first + lengthText->size();
  if (std::from_chars(first, last, length).ptr != last || length > kMaxDiscardedBodyBytes) {
    return false;
  }
  while (buffer.size() < length) {
    if (WaitFor(socket, POLLIN, wakeFd, deadline) != WaitResult::Ready ||
        !ReceiveSome(socket, buffer)) {
      return false;
    }
  }
  buffer.erase(0, length);
  return true;
}

bool SendAll(int socket, std::string_view bytes, int wakeFd, SteadyClock::time_point deadline) {
  while (!bytes.empty()) {
    const auto sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      if (WaitFor(socket, POLLOUT, wakeFd, deadline) != WaitResult::Ready) {
        return false;
      }
    } else {
      return false;
    }
  }
  return true;
}

// A pause that ends early (false) when the server stops.
bool Pause(std::chrono::milliseconds span, int wakeFd) {
  return span.count() <= 0 ||
         WaitFor(-1, 0, wakeFd, SteadyClock::now() + span) == WaitResult::TimedOut;
}

// Makes the coming close send RST instead of FIN.
void ArmReset(int socket) {
  const linger abortive{1, 0};
  ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
}

UniqueFd ListenOnLoopback(uint16_t port) {
  UniqueFd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!listener.Valid()) {
    ThrowErrno("socket");
  }
  const int on = 1;
  ::setsockopt(listener.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ThrowErrno("bind 127.0.0.1");
  }
  if (::listen(listener.Get(), SOMAXCONN) != 0) {
    ThrowErrno("listen");
  }
  return listener;
}

uint16_t BoundPort(int socket) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ThrowErrno("getsockname");
  }
  return ntohs(address.sin_port);
}

Reply InternalErrorReply() {
  Reply reply;
  reply.Bytes = ResponseBytes(500, "text/plain", "handler failed");
  reply.End = Reply::Ending::Close;
  return reply;
}

Reply CallHandler(const RequestHandler& handler, const Request& request) {
  try {
    return handler(request);
  } catch (const std::exception&) {
    return InternalErrorReply();
  }
}

}  // namespace

HttpServer::HttpServer(RequestHandler handler, ServerOptions options)
    : handler_(std::move(handler)), options_(options), listener_(ListenOnLoopback(options.Port)) {
  port_ = BoundPort(listener_.Get());
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
    ThrowErrno("pipe2");
  }
  wakeRead_.Reset(pipeEnds[0]);
  wakeWrite_.Reset(pipeEnds[1]);
  acceptThread_ = std::thread([this] { AcceptLoop(); });
}

HttpServer::~HttpServer() {
  Stop();
}

void HttpServer::Stop() {
  if (stopping_.exchange(true)) {
    return;
  }
  const char wake = 1;
  [[maybe_unused]] const auto written = ::write(wakeWrite_.Get(), &wake, 1);
  if (acceptThread_.joinable()) {
    acceptThread_.join();
  }
  for (auto& connection : connections_) {
    connection.Thread.join();
  }
  connections_.clear();
  listener_.Reset();
}

void HttpServer::AcceptLoop() {
  int nextConnectionId = 1;
  for (;;) {
    const auto deadline = SteadyClock::now() + std::chrono::seconds(1);
    const auto waited = WaitFor(listener_.Get(), POLLIN, wakeRead_.Get(), deadline);
    if (waited == WaitResult::Stopped) {
      return;
    }
    ReapFinishedConnections();
    if (waited == WaitResult::TimedOut) {
      continue;
    }
    UniqueFd socket(::accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!socket.Valid() || connections_.size() >= options_.MaxConnections) {
      continue;
    }
    const int on = 1;
    ::setsockopt(socket.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    auto& connection = connections_.emplace_back();
    connection.Thread = std::thread(
        [this, &connection, id = nextConnectionId++](UniqueFd owned) {
          Serve(std::move(owned), id);
          connection.Done.store(true);
        },
        std::move(socket));
  }
}

void HttpServer::ReapFinishedConnections() {
  connections_.remove_if([](ConnectionThread& connection) {
    if (!connection.Done.load()) {
      return false;
    }
    connection.Thread.join();
    return true;
  });
}

void HttpServer::Serve(UniqueFd socket, int connectionId) {
  std::string buffer;
  for (;;) {
    const auto idleDeadline = SteadyClock::now() + options_.IdleLimit;
    const auto head =
        ReadHead(socket.Get(), buffer, wakeRead_.Get(), idleDeadline, options_.MaxHeadBytes);
    if (!head) {
      return;
    }
    auto request = ParseRequestHead(*head);
    if (!request) {
      Reply badRequest{ResponseBytes(400, "text/plain", "bad request")};
      badRequest.End = Reply::Ending::Close;
      Perform(socket.Get(), badRequest);
      return;
    }
    request->ConnectionId = connectionId;
    if (!DiscardBody(socket.Get(), *request, buffer, wakeRead_.Get(), idleDeadline)) {
      return;
    }
    const Reply reply = CallHandler(handler_, *request);
    if (!Perform(socket.Get(), reply) || reply.End != Reply::Ending::KeepOpen ||
        WantsClose(*request)) {
      return;
    }
  }
}

// Sends the pieces of a reply's tail until it ends; false when the peer went away or the
// server stops.
bool HttpServer::SendTail(int socket, const Reply& reply) {
  if (!reply.Tail) {
    return true;
  }
  const int wakeFd = wakeRead_.Get();
  for (std::string piece = reply.Tail(); !piece.empty(); piece = reply.Tail()) {
    if (!Pause(reply.TailInterval, wakeFd) ||
        !SendAll(socket, piece, wakeFd, SteadyClock::now() + options_.SendLimit)) {
      return false;
    }
  }
  return true;
}

// Carries out one reply; false when the connection is over afterwards.
bool HttpServer::Perform(int socket, const Reply& reply) {
  const int wakeFd = wakeRead_.Get();
  if (!Pause(reply.Delay, wakeFd) ||
      !SendAll(socket, reply.Bytes, wakeFd, SteadyClock::now() + options_.SendLimit) ||
      !SendTail(socket, reply) || !Pause(reply.Hold, wakeFd)) {
    return false;
  }
  switch (reply.End) {
    case Reply::Ending::KeepOpen:
      return true;
    case Reply::Ending::Reset:
      ArmReset(socket);
      return false;
    case Reply::Ending::Close:
      ::shutdown(socket, SHUT_WR);
      return false;
  }
  return false;
}

}  // namespace kartovel::loopback

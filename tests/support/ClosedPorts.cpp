// Sockets that make a loopback port refuse or ignore connections.
#include "support/ClosedPorts.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <system_error>

namespace kartovel::testing {
namespace {

constexpr int kQueueFillers = 4;

[[noreturn]] void ThrowErrno(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

sockaddr_in LoopbackAddress(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

loopback::UniqueFd BoundSocket() {
  loopback::UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const auto address = LoopbackAddress(0);
  if (!socket.Valid() ||
      ::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ThrowErrno("bind 127.0.0.1");
  }
  return socket;
}

uint16_t LocalPort(const loopback::UniqueFd& socket) {
  sockaddr_in bound{};
  socklen_t length = sizeof bound;
  if (::getsockname(socket.Get(), reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
    ThrowErrno("getsockname");
  }
  return ntohs(bound.sin_port);
}

// Starts a connect without waiting for it; the queue slot is taken once the kernel
// completes the handshake.
loopback::UniqueFd StartConnect(uint16_t port) {
  loopback::UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  const auto address = LoopbackAddress(port);
  ::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
  return socket;
}

std::string LoopbackUrl(uint16_t port, const std::string& pathAndQuery) {
  return "http://127.0.0.1:" + std::to_string(port) + pathAndQuery;
}

}  // namespace

RefusedPort::RefusedPort() : socket_(BoundSocket()), port_(LocalPort(socket_)) {}

std::string RefusedPort::Url(const std::string& pathAndQuery) const {
  return LoopbackUrl(port_, pathAndQuery);
}

UnansweredPort::UnansweredPort() : listener_(BoundSocket()), port_(LocalPort(listener_)) {
  if (::listen(listener_.Get(), 0) != 0) {
    ThrowErrno("listen");
  }
  // A backlog of 0 still queues a connection or two; fill it so later SYNs are dropped.
  for (int i = 0; i < kQueueFillers; ++i) {
    queued_.push_back(StartConnect(port_));
  }
  pollfd probe{queued_.front().Get(), POLLOUT, 0};
  ::poll(&probe, 1, 1000);
}

std::string UnansweredPort::Url(const std::string& pathAndQuery) const {
  return LoopbackUrl(port_, pathAndQuery);
}

}  // namespace kartovel::testing

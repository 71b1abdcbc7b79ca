// Loopback ports that fail to connect in the two ways a dead server does: refused at
// once, or never answered (the connect times out).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tileserver/UniqueFd.h"

namespace kartovel::testing {

// A port bound on 127.0.0.1 but not listening: a connect is refused.
class RefusedPort {
 public:
  RefusedPort();
  uint16_t Port() const { return port_; }
  std::string Url(const std::string& pathAndQuery = "/") const;

 private:
  loopback::UniqueFd socket_;
  uint16_t port_;
};

// A listening port whose accept queue is full and never emptied: further connects get
// no answer, so they end by the client's connect time-out.
class UnansweredPort {
 public:
  UnansweredPort();
  uint16_t Port() const { return port_; }
  std::string Url(const std::string& pathAndQuery = "/") const;

 private:
  loopback::UniqueFd listener_;
  uint16_t port_;
  std::vector<loopback::UniqueFd> queued_;
};

}  // namespace kartovel::testing

// The proxy named in the failures that are the proxy's.
#include "download/ProxyFailureText.h"

#include "common/Text.h"

namespace kartovel {

namespace {

struct ProxyFailure {
  std::string_view Mark;  // a part of the client's failure text
  std::string_view What;  // what the proxy did
};

constexpr ProxyFailure kProxyFailures[] = {
    {"Connection refused.", "refused the connection"},
    {"Host not found.", "could not be found"},
    {"Connection timed out.", "did not answer in time"},
    {"Network is unreachable.", "cannot be reached from this network"},
    {"No route to host.", "cannot be reached from this network"},
};

}  // namespace

std::string ProxyName(std::string_view server, int port) {
  return std::string(server) + ":" + std::to_string(port);
}

std::optional<std::string> ProxyFailureSentence(std::string_view proxyName,
                                                std::string_view failureText) {
  if (proxyName.empty()) {
    return std::nullopt;
  }
  for (const ProxyFailure& failure : kProxyFailures) {
    if (failureText.find(failure.Mark) != std::string_view::npos) {
      return "The proxy " + std::string(proxyName) + " " + std::string(failure.What) + ".";
    }
  }
  return std::nullopt;
}

}  // namespace kartovel

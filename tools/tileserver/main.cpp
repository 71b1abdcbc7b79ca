// The loopback demo tile service: serves labelled tiles on 127.0.0.1 until SIGINT or SIGTERM.
// Usage: tileserver [--port N | N]   (default port 8642)
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "tileserver/LoopbackHttpServer.h"
#include "tileserver/TileService.h"

namespace {

constexpr uint16_t kDefaultPort = 8642;

std::optional<uint16_t> ParsePort(std::string_view text) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != text.npos) {
    return std::nullopt;
  }
  const long value = std::stol(std::string(text));
  if (value > 65535) {
    return std::nullopt;
  }
  return static_cast<uint16_t>(value);
}

std::optional<uint16_t> PortFromArguments(int argc, char** argv) {
  if (argc == 1) {
    return kDefaultPort;
  }
  if (argc == 2) {
    return ParsePort(argv[1]);
  }
  if (argc == 3 && std::string_view(argv[1]) == "--port") {
    return ParsePort(argv[2]);
  }
  return std::nullopt;
}

// Blocks the stop signals in every thread, then waits for one on the main thread.
sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

}  // namespace

int main(int argc, char** argv) {
  const auto port = PortFromArguments(argc, argv);
  if (!port) {
    std::fprintf(stderr, "usage: %s [--port N]   (default %u)\n", argv[0], kDefaultPort);
    return 2;
  }
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  try {
    kartovel::loopback::ServerOptions options;
    options.Port = *port;
    kartovel::loopback::HttpServer server(kartovel::tileserver::ServeTileRequest, options);
    std::printf("Tile service listening on http://127.0.0.1:%u/hx/tl and /{z}/{x}/{y}.png\n",
                server.Port());
    std::fflush(stdout);
    int received = 0;
    sigwait(&signals, &received);
    server.Stop();
    std::printf("Tile service stopped.\n");
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tileserver: %s\n", error.what());
    return 1;
  }
  return 0;
}

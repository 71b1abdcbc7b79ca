// The configured tile service host: what may stand before the tile path in a URL.
#include "engine/TileHost.h"

#include <gtest/gtest.h>

namespace kartovel {
namespace {

TEST(TileHost, AcceptsAHostNameOrAddressWithAnOptionalPort) {
  const std::pair<const char*, bool> cases[] = {
      {"127.0.0.1:8642", true},
      {"tiles.example.com", true},
      {"my_host-2:80", true},
      {"[::1]:8642", true},
      {"[fe80::1]", true},
      {"localhost:65535", true},
      {"", false},
      {" 127.0.0.1", false},
      {"127.0.0.1:", false},
      {"127.0.0.1:0", false},
      {"127.0.0.1:65536", false},
      {"127.0.0.1:86a2", false},
      {"http://tiles.org", false},
      {"tiles.org/maps", false},
      {"user@tiles.org", false},
      {"tiles..org", false},
      {".tiles.org", false},
      {"[::1", false},
      {"[tiles]:80", false},
      {":8642", false},
      {"tiles.org:80:81", false},
  };
  for (const auto& [host, accepted] : cases) {
    EXPECT_EQ(IsTileHost(host), accepted) << '"' << host << '"';
  }
}

}  // namespace
}  // namespace kartovel

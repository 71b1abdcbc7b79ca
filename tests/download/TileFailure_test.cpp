// Sorting of tile request failures: the order of the tests decides the class when a
// message would match several of them.
#include "download/TileFailure.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kartovel {
namespace {

using C = TileFailureClass;

struct ClassCase {
  std::string Message;
  TileFailureClass Expected;
};

TEST(ClassifyTileFailure, TakesTheFirstMatchingTestInOrder) {
  const std::vector<ClassCase> cases = {
      {"Socket Error # 10054\r\nConnection reset by peer.", C::Reset},
      {"Connection Closed Gracefully.", C::Reset},
      {"Socket Error # 10048\r\nAddress already in use.", C::AddressInUse},
      {"HTTP/1.1 302 Found", C::Refused},
      {"HTTP/1.1 403 Forbidden", C::Refused},
      {"Socket Error # 10060\r\nConnection timed out.", C::Network},
      {"Socket Error # 11001\r\nHost not found.", C::Network},
      {"Socket Error # 10061\r\nConnection refused.", C::Network},
      {"HTTP/1.1 404 Not Found", C::NotFound},
      {"HTTP/1.1 400 Bad Request", C::NotFound},
      {"HTTP/1.1 500 Internal Server Error", C::Other},
      {"HTTP/1.1 503 Service Unavailable", C::Other},
      {"", C::Bare},
      // Messages that pass several tests: the earlier row wins.
      {"Connection Closed Gracefully. 10048 302", C::Reset},
      {"Socket Error # 10048\r\n403", C::AddressInUse},
      {"Socket Error # 10065\r\n302", C::Refused},
      {"Socket Error # 10065\r\nNo route to host 404", C::Network},
      {"HTTP/1.1 404 after 403", C::Refused},
      // The tests are case-sensitive substring searches.
      {"connection closed gracefully", C::Other},
      {"socket error # 10060", C::Other},
      {"HTTP/1.1 4004 Odd", C::NotFound},
  };
  for (const ClassCase& c : cases) {
    EXPECT_EQ(ClassifyTileFailure(HttpFailure{c.Message}), c.Expected) << c.Message;
  }
}

struct StatusCase {
  std::string StatusLine;
  int Status;
  TileFailureClass Expected;
};

// An answer outside 2xx is told by its code: the words of its reason phrase are the
// server's and count for nothing.
TEST(ClassifyTileFailure, LooksOnlyAtTheStatusCodeOfAnAnswer) {
  const std::vector<StatusCase> cases = {
      {"HTTP/1.1 503 Service Unavailable 10054", 503, C::Other},
      {"HTTP/1.1 500 Socket Error 10048 Connection Closed Gracefully", 500, C::Other},
      {"HTTP/1.1 404 Moved 302", 404, C::NotFound},
      {"HTTP/1.1 410 Gone 404", 410, C::Other},
      {"HTTP/1.1 403 All Fine", 403, C::Refused},
  };
  for (const StatusCase& c : cases) {
    EXPECT_EQ(ClassifyTileFailure(HttpFailure(c.StatusLine, c.Status)), c.Expected) << c.StatusLine;
  }
}

TEST(PauseBeforeRepeat, FollowsTheClass) {
  using std::chrono::milliseconds;
  EXPECT_EQ(PauseBeforeRepeat(C::Reset), milliseconds(0));
  EXPECT_EQ(PauseBeforeRepeat(C::AddressInUse), milliseconds(8000));
  EXPECT_EQ(PauseBeforeRepeat(C::Network), milliseconds(2000));
  for (C limited : {C::Refused, C::NotFound, C::Other, C::Bare}) {
    EXPECT_EQ(PauseBeforeRepeat(limited), milliseconds(1000));
  }
}

}  // namespace
}  // namespace kartovel

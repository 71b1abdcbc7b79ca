// Reading the Retry-After of a busy server: seconds or an HTTP date, held to a day.
#include "download/RetryAfter.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace kartovel {
namespace {

using std::chrono::seconds;

struct RetryAfterCase {
  std::string Value;
  std::optional<seconds> Expected;
};

TEST(ParseRetryAfter, ReadsSecondsAndDates) {
  const std::time_t now = 1445412390;  // 90 s before Wed, 21 Oct 2015 07:28:00 GMT
  const std::vector<RetryAfterCase> cases = {
      {"120", seconds(120)},
      {" 7 ", seconds(7)},
      {"0007", seconds(7)},
      {"99999999999999999999", seconds(86400)},
      {"Wed, 21 Oct 2015 07:28:00 GMT", seconds(90)},
      {"Wednesday, 21-Oct-15 07:28:00 GMT", seconds(90)},
      {"Tue, 20 Oct 2015 07:28:00 GMT", seconds(0)},
      {"Fri, 21 Oct 2016 07:28:00 GMT", seconds(86400)},
      {"", std::nullopt},
      {"-5", std::nullopt},
      {"soon", std::nullopt},
  };
  for (const RetryAfterCase& c : cases) {
    EXPECT_EQ(ParseRetryAfter(c.Value, now), c.Expected) << c.Value;
  }
}

}  // namespace
}  // namespace kartovel

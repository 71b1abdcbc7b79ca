// What a hostile or broken server's version headers become: usable values are kept,
// oversized or control-laden tags refused, future or unreadable dates ignored,
// freshness capped at a year.
#include "download/TileValidators.h"

#include <gtest/gtest.h>

#include <ostream>

namespace kartovel {
namespace {

// 2026-01-01 00:00:00 UTC.
constexpr std::time_t kNow = 1767225600;

struct HeaderCase {
  const char* Name;
  ValidatorHeaders Headers;
  std::string ETag;
  std::optional<int64_t> LastModified;
  std::optional<int64_t> Expires;
};

void PrintTo(const HeaderCase& row, std::ostream* out) {
  *out << row.Name;
}

class ValidatorsOfTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(ValidatorsOfTest, KeepsOnlyWhatCanBeSentBack) {
  const HeaderCase& row = GetParam();
  const TileValidators validators = ValidatorsOf(row.Headers, kNow);
  EXPECT_EQ(validators.ETag, row.ETag);
  EXPECT_EQ(validators.LastModified, row.LastModified);
  EXPECT_EQ(validators.Expires, row.Expires);
}

constexpr int64_t kYear = int64_t{365} * 24 * 3600;

INSTANTIATE_TEST_SUITE_P(
    Servers, ValidatorsOfTest,
    ::testing::Values(
        HeaderCase{"plain", {"\"abc\"", "Thu, 01 Jan 2026 00:00:00 GMT", "max-age=60", {}},
                   "\"abc\"", kNow, kNow + 60},
        HeaderCase{"tag of 100 kB", {std::string(100 * 1024, 'a'), {}, {}, {}}, "", {}, {}},
        HeaderCase{"tag with a line feed", {"\"a\nb\"", {}, {}, {}}, "", {}, {}},
        HeaderCase{"tag with a NUL", {std::string("\"a\0b\"", 5), {}, {}, {}}, "", {}, {}},
        HeaderCase{"changed in the future", {{}, "Fri, 01 Jan 2027 00:00:00 GMT", {}, {}}, "", {}, {}},
        HeaderCase{"unreadable date", {{}, "yesterday-ish", {}, {}}, "", {}, {}},
        HeaderCase{"max-age of 10 years", {{}, {}, "public, max-age=315360000", {}}, "", {},
                   kNow + kYear},
        HeaderCase{"max-age past 64 bits", {{}, {}, "max-age=99999999999999999999999", {}}, "",
                   {}, kNow + kYear},
        HeaderCase{"Expires", {{}, {}, {}, "Thu, 01 Jan 2026 01:00:00 GMT"}, "", {}, kNow + 3600},
        HeaderCase{"max-age wins over Expires", {{}, {}, "max-age=10", "Thu, 01 Jan 2026 01:00:00 GMT"},
                   "", {}, kNow + 10},
        HeaderCase{"unreadable Expires", {{}, {}, {}, "0"}, "", {}, kNow},
        HeaderCase{"no-cache", {{}, {}, "no-cache", {}}, "", {}, kNow}));

TEST(ConditionalHeaderLines, SendsBackTheTagAndTheDateAsAnHttpDate) {
  TileValidators validators;
  EXPECT_TRUE(ConditionalHeaderLines(validators).empty());
  validators.ETag = "W/\"v1\"";
  validators.LastModified = 784111777;
  EXPECT_EQ(ConditionalHeaderLines(validators),
            (std::vector<std::string>{"If-None-Match: W/\"v1\"",
                                      "If-Modified-Since: Sun, 06 Nov 1994 08:49:37 GMT"}));
}

}  // namespace
}  // namespace kartovel

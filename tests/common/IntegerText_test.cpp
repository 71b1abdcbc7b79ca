// The integer text rule: what it accepts and what it refuses.
#include "common/IntegerText.h"

#include <gtest/gtest.h>

namespace kartovel {
namespace {

struct Accepted {
  const char* text;
  int32_t value;
};

TEST(IntegerText, AcceptsDecimalAndPrefixedHexadecimal) {
  const Accepted cases[] = {
      {"0", 0},
      {"12", 12},
      {"+12", 12},
      {"-12", -12},
      {" 7", 7},
      {"   -3", -3},
      {"007", 7},
      {"$1F", 31},
      {"$1f", 31},
      {"x1F", 31},
      {"X1f", 31},
      {"0x1F", 31},
      {"0X1F", 31},
      {"$1E", 30},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"$7FFFFFFF", 2147483647},
  };
  for (const Accepted& c : cases) {
    auto value = ParseIntegerText(c.text);
    ASSERT_TRUE(value.has_value()) << c.text;
    EXPECT_EQ(*value, c.value) << c.text;
  }
}

TEST(IntegerText, RefusesEverythingElse) {
  const char* refused[] = {
      "",    " ",          "+",           "-",         "$",     "0x",   "x",
      "7 ",  "12a",        "1.5",         "10.5",      "-0x1F", "+$1F", "\t7",
      "1e3", "2147483648", "-2147483649", "$80000000", "0x1G",  "- 1",  "99999999999999999999"};
  for (const char* text : refused) {
    EXPECT_FALSE(ParseIntegerText(text).has_value()) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace kartovel

// The coordinate boxes' number reader: the whole text must be a decimal number.
#include "engine/DecimalText.h"

#include <gtest/gtest.h>

namespace kartovel {
namespace {

TEST(DecimalText, ReadsWholeDecimalNumbers) {
  const struct {
    const char* Text;
    double Value;
  } cases[] = {
      {"12.5", 12.5}, {"-180", -180}, {"+85", 85},      {"  7.25  ", 7.25}, {".5", 0.5},
      {"5.", 5},      {"1e2", 100},   {"1.5E-1", 0.15}, {"-0", 0},          {"180.0001", 180.0001},
  };
  for (const auto& c : cases) {
    const auto value = ParseDecimalText(c.Text);
    ASSERT_TRUE(value.has_value()) << c.Text;
    EXPECT_DOUBLE_EQ(*value, c.Value) << c.Text;
  }
}

TEST(DecimalText, RefusesAnythingElse) {
  for (const char* text : {"", " ", "12a", "1.2.3", "1,5", "+-1", "-", ".", "e5", "1e", "1e+",
                           "inf", "nan", "0x10", "1 2", "\t1", "1e999"}) {
    EXPECT_FALSE(ParseDecimalText(text).has_value()) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace kartovel

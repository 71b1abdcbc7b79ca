// The general number format around its switches, and the fixed "%20.14f" format.
#include "common/NumberFormat.h"

#include <gtest/gtest.h>

#include "common/Locale.h"

namespace kartovel {
namespace {

struct GeneralCase {
  double value;
  const char* text;
};

TEST(NumberFormat, GeneralFormatWithPoint) {
  const GeneralCase cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {116.0, "116"},
      {40.5, "40.5"},
      {-0.1276, "-0.1276"},
      {115.9716796875, "115.9716796875"},
      {40.51379915504415, "40.5137991550441"},
      {39.47012512235816, "39.4701251223582"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {0.000099999, "9.9999E-5"},
      {-0.00001, "-1E-5"},
      {2.7777778086601757e-05, "2.77777780866018E-5"},
      {0.000277777784503996, "0.000277777784503996"},
      {1e15, "1E15"},
      {999999999999999.0, "999999999999999"},
      {123456789012345678.0, "1.23456789012346E17"},
      {1e14, "100000000000000"},
      {-0.5, "-0.5"},
      {0.1 + 0.2, "0.3"},
      {40.4461097717285, "40.4461097717285"},
      {1.5e300, "1.5E300"},
      {5e-324, "4.94065645841247E-324"},
  };
  for (const GeneralCase& c : cases) {
    EXPECT_EQ(FormatGeneral(c.value, '.'), c.text) << c.text;
  }
}

TEST(NumberFormat, GeneralFormatTakesTheLocaleSeparator) {
  ScopedLocaleOverride comma(',', std::nullopt);
  EXPECT_EQ(FormatGeneral(10.5), "10,5");
  EXPECT_EQ(FormatGeneral(0.00001234), "1,234E-5");
  EXPECT_EQ(FormatGeneral(45.0), "45");
}

TEST(NumberFormat, FixedFormatIsRightAlignedInTwentyCharacters) {
  const GeneralCase cases[] = {
      {115.9716796875, "  115.97167968750000"},    {-85.05112877980663, "  -85.05112877980663"},
      {40.51379915504415, "   40.51379915504415"}, {0.0, "    0.00000000000000"},
      {123456789.0, "123456789.00000000000000"},  // wider than the field: never cut
  };
  for (const GeneralCase& c : cases) {
    EXPECT_EQ(FormatFixed(c.value), c.text);
  }
}

}  // namespace
}  // namespace kartovel

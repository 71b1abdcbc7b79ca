// Degrees-minutes-seconds conversion: results in single precision, the input rules of
// the three fields, and the locale's decimal separator in the result.
#include "geometry/convert.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/Locale.h"

namespace kartovel {
namespace {

struct Conversion {
  const char* degrees;
  const char* minutes;
  const char* seconds;
  const char* result;  // nullptr for an input error
};

void ExpectConversions(const std::vector<Conversion>& table) {
  for (const Conversion& c : table) {
    const std::optional<std::string> result = DmsToDegrees(c.degrees, c.minutes, c.seconds);
    const std::string label =
        std::string("'") + c.degrees + "' '" + c.minutes + "' '" + c.seconds + "'";
    if (c.result == nullptr) {
      EXPECT_FALSE(result.has_value()) << label << " gave " << result.value_or("");
    } else {
      EXPECT_EQ(result.value_or("<input error>"), c.result) << label;
    }
  }
}

class DmsToDegreesTest : public ::testing::Test {
 protected:
  ScopedLocaleOverride pointSeparator_{'.', std::nullopt};
};

TEST_F(DmsToDegreesTest, ResultsCarryTheDigitsOfSinglePrecision) {
  ExpectConversions({
      {"10", "30", "0", "10.5"},
      {"40", "26", "46", "40.4461097717285"},
      {"116", "23", "29.5", "116.391525268555"},
      {"0", "0", "1", "0.000277777784503996"},
      {"0", "0", "0.1", "2.77777780866018E-5"},
      {"0", "0", "12abc", "0.00333333341404796"},
  });
}

TEST_F(DmsToDegreesTest, SignsAreAddedWithoutCarryingOver) {
  ExpectConversions({
      {"-10", "30", "0", "-9.5"},
      {"-10", "-30", "0", "-10.5"},
      {"0", "75", "0", "1.25"},
      {"400", "0", "0", "400"},
      {"0", "0", "-36", "-0.00999999977648258"},
  });
}

TEST_F(DmsToDegreesTest, WholeResultsHaveNoSeparator) {
  ExpectConversions({
      {"45", "0", "", "45"},
      {"45", "0", "0", "45"},
      {"180", "0", "0", "180"},
      {"0", "0", "0", "0"},
  });
}

TEST_F(DmsToDegreesTest, DegreesAndMinutesFollowTheIntegerRule) {
  ExpectConversions({
      {"10.5", "0", "0", nullptr},
      {"10", "", "0", nullptr},
      {"", "0", "0", nullptr},
      {"10 ", "0", "0", nullptr},
      {"  10", "0", "0", "10"},
      {"$1E", "0", "0", "30"},
      {"0x1E", "0", "0", "30"},
      {"-$1E", "0", "0", nullptr},
      {"+", "0", "0", nullptr},
      {"1O", "0", "0", nullptr},
      {"10", "3O", "0", nullptr},
      {"2147483648", "0", "0", nullptr},
  });
}

TEST_F(DmsToDegreesTest, SecondsReadTheirLeadingNumber) {
  ExpectConversions({
      {"0", "0", "30,5", "0.00833333376795053"},
      {"0", "0", "30", "0.00833333376795053"},
      {"0", "0", "  +30", "0.00833333376795053"},
      {"0", "0", "3e1", "0.00833333376795053"},
      {"0", "0", "3e1x", "0.00833333376795053"},
      {"0", "0", "30e", "0.00833333376795053"},
      {"0", "0", "30e+", "0.00833333376795053"},
      {"0", "0", "30.", "0.00833333376795053"},
      {"0", "0", ".5e2", "0.0138888889923692"},
      {"10", "0", "abc", "10"},
      {"10", "0", ".", "10"},
      {"10", "0", "-", "10"},
      {"10", "0", "1e-999", "10"},
  });
}

TEST_F(DmsToDegreesTest, SecondsTooLargeForSinglePrecisionGiveInfinity) {
  EXPECT_EQ(DmsToDegrees("0", "0", "1e39"), "INF");
  EXPECT_EQ(DmsToDegrees("0", "0", "-1e9999"), "-INF");
}

TEST(DmsToDegrees, CommaLocaleWritesACommaButStillReadsAPoint) {
  ScopedLocaleOverride commaSeparator{',', std::nullopt};
  ExpectConversions({
      {"10", "30", "0", "10,5"},
      {"0", "0", "0.1", "2,77777780866018E-5"},
      {"0", "0", "30,5", "0,00833333376795053"},
  });
}

}  // namespace
}  // namespace kartovel

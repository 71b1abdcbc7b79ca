// The converter dialog: its result field and its one message.
#include "app/UnitConvert.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/ScriptedPlatform.h"

namespace kartovel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::ScriptedPlatform;

class UnitConvertTest : public ::testing::Test {
 protected:
  void Convert(const char* degrees, const char* minutes, const char* seconds) {
    dialog.Edit1 = degrees;
    dialog.Edit2 = minutes;
    dialog.Edit3 = seconds;
    dialog.Button1Click();
  }

  ScriptedPlatform platform;
  TfrmConvert dialog{platform};
};

TEST_F(UnitConvertTest, PutsTheDecimalDegreesIntoTheResultField) {
  Convert("40", "26", "46");
  EXPECT_EQ(dialog.Edit4, "40.4461097717285");
  Convert("-10", "30", "0");
  EXPECT_EQ(dialog.Edit4, "-9.5");
  EXPECT_THAT(platform.Messages(), IsEmpty());
}

TEST_F(UnitConvertTest, AnInputErrorIsShownAndLeavesTheEarlierResult) {
  Convert("10", "30", "0");
  ASSERT_EQ(dialog.Edit4, "10.5");
  Convert("10.5", "0", "0");
  Convert("10", "", "0");
  Convert("10 ", "0", "0");
  EXPECT_EQ(dialog.Edit4, "10.5");
  EXPECT_THAT(platform.Messages(), ElementsAre("Input Error.", "Input Error.", "Input Error."));
  EXPECT_EQ(dialog.Edit1, "10 ");
}

}  // namespace
}  // namespace kartovel

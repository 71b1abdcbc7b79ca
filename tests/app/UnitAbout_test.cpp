// The about box follows the main window's caption.
#include "app/UnitAbout.h"

#include <gtest/gtest.h>

#include <string>

namespace kartovel {
namespace {

TEST(UnitAboutTest, ShowsTheMainWindowCaptionOfTheMomentOfEachShowing) {
  std::string mainCaption = "Kartovel 6.436";
  TfrmAbout about([&] { return mainCaption; });
  about.Show();
  EXPECT_TRUE(about.Visible);
  EXPECT_EQ(about.Label1, "Kartovel 6.436");
  about.Button1Click();
  EXPECT_FALSE(about.Visible);

  mainCaption = "Kartovel 7.0";
  EXPECT_EQ(about.Label1, "Kartovel 6.436");
  about.Show();
  EXPECT_EQ(about.Label1, "Kartovel 7.0");
}

}  // namespace
}  // namespace kartovel

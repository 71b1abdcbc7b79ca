// The text the general error display shows: the full-stop rule.
#include "common/Error.h"

#include <gtest/gtest.h>

namespace kartovel {
namespace {

TEST(Error, FullStopIsAppendedOnlyAfterCharactersThatSortAfterPoint) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},
      {"Cannot create file /x/y.txt", "Cannot create file /x/y.txt."},
      {"Done.", "Done."},
      {"Stop!", "Stop!"},
      {"Value 7", "Value 7."},
      {"(see log)", "(see log)"},
      {"a,", "a,"},
      {"path/", "path/."},
      {"trailing blank ", "trailing blank "},
  };
  for (const auto& [message, shown] : cases) {
    EXPECT_EQ(ErrorDisplayText(message), shown) << message;
  }
}

TEST(Error, FileErrorsNameTheFile) {
  EXPECT_STREQ(CannotCreateFile("/a/b").what(), "Cannot create file /a/b");
  EXPECT_STREQ(CannotOpenFile("/a/b").what(), "Cannot open file /a/b");
  EXPECT_STREQ(UnableToWriteTo("/a/b").what(), "Unable to write to /a/b");
}

}  // namespace
}  // namespace kartovel

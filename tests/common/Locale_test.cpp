// The date-and-time text: the user's locale form, ISO 8601 without a user locale, and
// the values tests fix.
#include "common/Locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

namespace kartovel {
namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      old_ = old;
    }
    setenv(name, value, 1);
  }
  ~ScopedEnvironment() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(Locale, WithoutAUserLocaleTheDateIsIso) {
  ScopedEnvironment all("LC_ALL", "C");
  EXPECT_TRUE(std::regex_match(NowText(), std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")))
      << NowText();
}

TEST(Locale, OverridesComeBackWhenTheScopeEnds) {
  char separatorBefore = DecimalSeparator();
  {
    ScopedLocaleOverride fixed(',', std::string("2026-12-07 09:30:05"));
    EXPECT_EQ(DecimalSeparator(), ',');
    EXPECT_EQ(NowText(), "2026-12-07 09:30:05");
    {
      ScopedLocaleOverride onlyTime(std::nullopt, std::string("later"));
      EXPECT_EQ(DecimalSeparator(), ',');
      EXPECT_EQ(NowText(), "later");
    }
    EXPECT_EQ(NowText(), "2026-12-07 09:30:05");
  }
  EXPECT_EQ(DecimalSeparator(), separatorBefore);
}

}  // namespace
}  // namespace kartovel

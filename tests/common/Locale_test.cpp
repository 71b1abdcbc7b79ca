// The date-and-time text: the user's locale form, ISO 8601 without a user locale, and
// the values tests fix.
#include "common/Locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

namespace kartovel {
namespace {

// Sets (or, with nullptr, removes) an environment variable for one test and puts the old
// value back.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      old_ = old;
    }
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
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

TEST(Locale, WithoutAUserLocaleOrWithOneNotInstalledTheDateIsIso) {
  const std::regex iso(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)");
  ScopedEnvironment all("LC_ALL", nullptr);
  ScopedEnvironment time("LC_TIME", nullptr);
  for (const char* name : {"C", "POSIX", "C.UTF-8", "xx_NOWHERE.UTF-8", "de_XX"}) {
    ScopedEnvironment language("LANG", name);
    EXPECT_TRUE(std::regex_match(NowText(), iso)) << name << ": " << NowText();
  }
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

// The user's decimal separator and date-and-time text, read from the environment's
// locale (LC_NUMERIC, LC_TIME) through a separate locale object, so that the C locale
// the program parses numbers with stays as it is.
#include "common/Locale.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <ctime>
#include <mutex>

namespace kartovel {
namespace {

struct Overrides {
  std::mutex mutex;
  std::optional<char> decimalSeparator;
  std::optional<std::string> nowText;
};

Overrides& TheOverrides() {
  static Overrides overrides;
  return overrides;
}

// A locale object for one category of the user's settings; "C" when the settings
// name a locale that is not installed.
class UserLocale {
 public:
  explicit UserLocale(int categoryMask) {
    handle_ = newlocale(categoryMask, "", static_cast<locale_t>(0));
    loaded_ = handle_ != static_cast<locale_t>(0);
    if (!loaded_) {
      handle_ = newlocale(categoryMask, "C", static_cast<locale_t>(0));
    }
  }
  ~UserLocale() {
    if (handle_ != static_cast<locale_t>(0)) {
      freelocale(handle_);
    }
  }
  UserLocale(const UserLocale&) = delete;
  UserLocale& operator=(const UserLocale&) = delete;
  locale_t Handle() const { return handle_; }
  // False when the settings name a locale that could not be loaded.
  bool Loaded() const { return loaded_; }

 private:
  locale_t handle_;
  bool loaded_ = false;
};

char SystemDecimalSeparator() {
  UserLocale numeric(LC_NUMERIC_MASK);
  const char* radix = nl_langinfo_l(RADIXCHAR, numeric.Handle());
  return (radix != nullptr && radix[0] != '\0') ? radix[0] : '.';
}

// The locale name that decides the date and time form, by the environment's precedence.
std::string TimeLocaleName() {
  for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] != '\0') {
      return value;
    }
  }
  return "C";
}

// The "C" locale's date form (month/day/two-digit year) is no user's choice and reads
// ambiguously in a log; without a user locale, or with one that is not installed, the
// date is written as ISO 8601.
std::string DateTimeFormat(const UserLocale& time) {
  std::string name = TimeLocaleName();
  if (!time.Loaded() || name == "C" || name == "POSIX" || name.starts_with("C.")) {
    return "%Y-%m-%d %H:%M:%S";
  }
  return std::string(nl_langinfo_l(D_FMT, time.Handle())) + " " +
         nl_langinfo_l(T_FMT, time.Handle());
}

std::string SystemNowText() {
  UserLocale time(LC_TIME_MASK);
  std::string format = DateTimeFormat(time);
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buffer[256];
  size_t length = strftime_l(buffer, sizeof buffer, format.c_str(), &local, time.Handle());
  return std::string(buffer, length);
}

}  // namespace

char DecimalSeparator() {
  Overrides& overrides = TheOverrides();
  {
    std::lock_guard lock(overrides.mutex);
    if (overrides.decimalSeparator) {
      return *overrides.decimalSeparator;
    }
  }
  static const char systemSeparator = SystemDecimalSeparator();
  return systemSeparator;
}

std::string NowText() {
  Overrides& overrides = TheOverrides();
  {
    std::lock_guard lock(overrides.mutex);
    if (overrides.nowText) {
      return *overrides.nowText;
    }
  }
  return SystemNowText();
}

ScopedLocaleOverride::ScopedLocaleOverride(std::optional<char> decimalSeparator,
                                           std::optional<std::string> nowText) {
  Overrides& overrides = TheOverrides();
  std::lock_guard lock(overrides.mutex);
  previousSeparator_ = overrides.decimalSeparator;
  previousNowText_ = overrides.nowText;
  if (decimalSeparator) {
    overrides.decimalSeparator = decimalSeparator;
  }
  if (nowText) {
    overrides.nowText = std::move(nowText);
  }
}

ScopedLocaleOverride::~ScopedLocaleOverride() {
  Overrides& overrides = TheOverrides();
  std::lock_guard lock(overrides.mutex);
  overrides.decimalSeparator = previousSeparator_;
  overrides.nowText = previousNowText_;
}

}  // namespace kartovel

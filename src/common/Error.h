// The error type that carries a user-facing text, and the text rule of the general
// error display that shows it.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace kartovel {

// An error whose message is the text the user is shown.
class AppError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

AppError CannotCreateFile(const std::string& fileName);  // "Cannot create file %s"
AppError CannotOpenFile(const std::string& fileName);    // "Cannot open file %s"
AppError UnableToWriteTo(const std::string& fileName);   // "Unable to write to %s"

// The text the general error display shows for an error message: a full stop is
// appended when the last character sorts after "." (so not after "." or "!").
std::string ErrorDisplayText(std::string_view message);

}  // namespace kartovel

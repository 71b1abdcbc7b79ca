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

// A file operation that failed, with the system's reason ("No space left on device")
// beside the text, for the reports that name the cause.
class FileError : public AppError {
 public:
  FileError(const AppError& error, int systemError);
  // The system's text for the error number; empty when there was none.
  const std::string& Reason() const { return reason_; }

 private:
  std::string reason_;
};

// The system's text for an errno value, thread-safe.
std::string SystemErrorText(int systemError);

// text, then ": " and the system's reason for systemError, the way the write failures name
// their cause ("Create directory /a/b/ Failed: No such file or directory"); text alone
// for 0. No full stop is added.
std::string WithSystemReason(const std::string& text, int systemError);

AppError CannotCreateFile(const std::string& fileName);  // "Cannot create file %s"
AppError CannotOpenFile(const std::string& fileName);    // "Cannot open file %s"
AppError UnableToWriteTo(const std::string& fileName);   // "Unable to write to %s"

// The message the general error display shows for the exception in flight; call only
// from inside a catch block.
std::string CurrentErrorMessage();

// The text the general error display shows for an error message: a full stop is
// appended when the last character sorts after "." (so not after "." or "!").
std::string ErrorDisplayText(std::string_view message);

}  // namespace kartovel

// Error texts of the file operations and the full-stop rule of the error display.
#include "common/Error.h"

#include <exception>
#include <new>
#include <system_error>

namespace kartovel {

namespace {
// The library's own text for memory exhaustion names a type, not a situation.
constexpr const char* kOutOfMemoryText = "Out of memory";
constexpr const char* kUnknownErrorText = "Unknown error";
}  // namespace

std::string CurrentErrorMessage() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return kOutOfMemoryText;
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return kUnknownErrorText;
  }
}

FileError::FileError(const AppError& error, int systemError)
    : AppError(error), reason_(systemError != 0 ? SystemErrorText(systemError) : std::string()) {}

std::string SystemErrorText(int systemError) {
  return std::generic_category().message(systemError);
}

std::string WithSystemReason(const std::string& text, int systemError) {
  return systemError != 0 ? text + ": " + SystemErrorText(systemError) : text;
}

AppError CannotCreateFile(const std::string& fileName) {
  return AppError("Cannot create file " + fileName);
}

AppError CannotOpenFile(const std::string& fileName) {
  return AppError("Cannot open file " + fileName);
}

AppError UnableToWriteTo(const std::string& fileName) {
  return AppError("Unable to write to " + fileName);
}

std::string ErrorDisplayText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
    text += '.';
  }
  return text;
}

}  // namespace kartovel

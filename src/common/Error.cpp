// Error texts of the file operations and the full-stop rule of the error display.
#include "common/Error.h"

namespace kartovel {

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

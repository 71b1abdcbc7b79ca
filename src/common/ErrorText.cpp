// Turning the exception in flight into a text for the user.
#include "common/ErrorText.h"

#include <filesystem>
#include <new>
#include <stdexcept>
#include <system_error>

#include "common/Error.h"

namespace kartovel::tools {

namespace {

constexpr char kOutOfMemory[] =
    "Not enough memory: the task's tiles or the image they make are too large";
constexpr char kUnexpected[] = "The run ended on an unexpected error";

}  // namespace

std::string CurrentErrorText() {
  try {
    throw;
  } catch (const AppError& error) {
    return error.what();
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  } catch (const std::length_error&) {
    return kOutOfMemory;
  } catch (const std::filesystem::filesystem_error& error) {
    return "A file operation on " + error.path1().string() + " failed: " + error.code().message();
  } catch (const std::system_error& error) {
    return "A system operation failed: " + error.code().message();
  } catch (...) {
    return kUnexpected;
  }
}

}  // namespace kartovel::tools

// The versions of the libraries kartovel-cli runs with, for --version: a bug report then
// says which libcurl fetched and which SQLite wrote.
#pragma once

#include <string>

namespace kartovel::cli {

// One line per library, "name version", the runtime's version where the library tells it.
std::string LibraryVersions();

}  // namespace kartovel::cli

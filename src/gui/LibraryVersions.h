// The libraries the program is built on, each with the version the running program uses
// (the version it was built against for the two that cannot tell at run time).
#pragma once

#include <string>
#include <vector>

namespace kartovel::gui {

// "Qt 6.4.2", "libcurl 7.88.1", "SQLite 3.40.1", "libpng 1.6.39", "libjpeg-turbo 2.1.5",
// "libwebp 1.2.4", "libdeflate 1.14".
std::vector<std::string> LibraryVersions();

}  // namespace kartovel::gui

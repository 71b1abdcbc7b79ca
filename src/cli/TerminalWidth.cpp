// The terminal's width from the system.
#include "cli/TerminalWidth.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace kartovel::cli {

int TerminalColumns(std::FILE* out) {
  winsize size{};
  if (out == nullptr || ioctl(fileno(out), TIOCGWINSZ, &size) != 0) {
    return 0;
  }
  return size.ws_col;
}

}  // namespace kartovel::cli

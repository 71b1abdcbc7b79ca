// The main window's size and place, kept in the configuration's [Window] section from
// one program run to the next.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kartovel {

struct WindowBounds {
  int32_t Left = 0;  // of the window's frame, in desktop coordinates
  int32_t Top = 0;
  int32_t Width = 0;  // of the window's inside, without the frame
  int32_t Height = 0;
  bool Maximized = false;  // the other values are then the size and place before it

  bool operator==(const WindowBounds&) const = default;
};

// The bounds stored in the configuration file; none when a key is missing or not a
// number, or the size is not positive. Never fails.
std::optional<WindowBounds> ReadWindowBounds(const std::string& configFile);

// Stores the bounds when they differ from the stored ones, so an unchanged window does
// not rewrite the file. Throws "Unable to write to %s" when the file cannot be written.
void WriteWindowBounds(const std::string& configFile, const WindowBounds& bounds);

}  // namespace kartovel

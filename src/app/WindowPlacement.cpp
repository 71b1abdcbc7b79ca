// Reading and writing the main window's bounds in the configuration file.
#include "app/WindowPlacement.h"

#include <limits>

#include "app/ConfigFile.h"
#include "common/IniFile.h"

namespace kartovel {
namespace {

// Never a stored value: marks a missing or unreadable key.
constexpr int32_t kMissing = std::numeric_limits<int32_t>::min();

}  // namespace

std::optional<WindowBounds> ReadWindowBounds(const std::string& configFile) {
  const TIniFile ini(configFile);
  WindowBounds bounds;
  bounds.Left = ini.ReadInteger(config::kWindow, config::kWindowLeft, kMissing);
  bounds.Top = ini.ReadInteger(config::kWindow, config::kWindowTop, kMissing);
  bounds.Width = ini.ReadInteger(config::kWindow, config::kWindowWidth, kMissing);
  bounds.Height = ini.ReadInteger(config::kWindow, config::kWindowHeight, kMissing);
  bounds.Maximized = ini.ReadInteger(config::kWindow, config::kWindowMaximized, 0) == 1;
  if (bounds.Left == kMissing || bounds.Top == kMissing || bounds.Width <= 0 ||
      bounds.Height <= 0) {
    return std::nullopt;
  }
  return bounds;
}

void WriteWindowBounds(const std::string& configFile, const WindowBounds& bounds) {
  if (ReadWindowBounds(configFile) == bounds) {
    return;
  }
  TIniFile ini(configFile);
  ini.WriteInteger(config::kWindow, config::kWindowLeft, bounds.Left);
  ini.WriteInteger(config::kWindow, config::kWindowTop, bounds.Top);
  ini.WriteInteger(config::kWindow, config::kWindowWidth, bounds.Width);
  ini.WriteInteger(config::kWindow, config::kWindowHeight, bounds.Height);
  ini.WriteInteger(config::kWindow, config::kWindowMaximized, bounds.Maximized ? 1 : 0);
}

}  // namespace kartovel

// Reading and writing the main window's bounds in the configuration file.
#include "app/WindowPlacement.h"

#include <limits>
#include <string>

#include "engine/ConfigFile.h"
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
  // One replace of the configuration, which stays readable by its owner only while it
  // holds a proxy password.
  config::OpenConfigFile(configFile)
      .WriteStrings(config::kWindow, {{config::kWindowLeft, std::to_string(bounds.Left)},
                                      {config::kWindowTop, std::to_string(bounds.Top)},
                                      {config::kWindowWidth, std::to_string(bounds.Width)},
                                      {config::kWindowHeight, std::to_string(bounds.Height)},
                                      {config::kWindowMaximized, bounds.Maximized ? "1" : "0"}});
}

}  // namespace kartovel

// The configuration file's place beside the program and its vocabulary: sections, keys
// and the defaults that hold when a key or the whole file is missing.
#pragma once

#include <string>

#include "common/IniFile.h"

namespace kartovel::config {

inline constexpr char kIniParas[] = "IniParas";
inline constexpr char kDefaultPath[] = "DefaultPath";
inline constexpr char kVersion[] = "Version";
inline constexpr char kDefaultVersion[] = "6.436";
// The map type chosen last in the main window (3 when missing or no longer offered).
inline constexpr char kMapsType[] = "MapsType";

inline constexpr char kProxy[] = "Proxy";
inline constexpr char kUseProxy[] = "UseProxy";
inline constexpr char kProxyServer[] = "ProxyServer";
inline constexpr char kProxyPort[] = "ProxyPort";
inline constexpr char kProxyUsername[] = "ProxyUsername";
inline constexpr char kProxyPassword[] = "ProxyPassword";
// The proxy is on only for exactly this stored value.
inline constexpr int kProxyOn = 1;

// The main window's size and place when it was last closed.
inline constexpr char kWindow[] = "Window";
inline constexpr char kWindowLeft[] = "Left";
inline constexpr char kWindowTop[] = "Top";
inline constexpr char kWindowWidth[] = "Width";
inline constexpr char kWindowHeight[] = "Height";
inline constexpr char kWindowMaximized[] = "Maximized";

// The settings folder (common/ProgramLayout.h) + "config.ini": programFolder + "ini/config.ini"
// in a portable folder.
std::string ConfigFilePath(const std::string& programFolder);

// The configuration as an INI file that is readable by its owner only whenever it holds
// a proxy password.
TIniFile OpenConfigFile(const std::string& configFilePath);

// The default of DefaultPath: the user's download folder.
std::string DefaultPathDefault();

// Where a companion's file chooser starts: the configuration's DefaultPath when that folder
// exists, else the home folder; never a folder that does not exist.
std::string DefaultSaveFolder(const std::string& programFolder);

}  // namespace kartovel::config

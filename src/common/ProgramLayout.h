// Where the program finds the files it ships and keeps the user's own. A portable folder
// (the build tree, a copied folder the user can write) holds everything beside the
// executable; an installed program finds its shipped files under ../share/kartovel and
// keeps the user's settings in the XDG folders of the user's home.
#pragma once

#include <string>

namespace kartovel {

// The environment the user folders are worked out from. An XDG variable counts only when
// it holds an absolute path; otherwise its fallback under the home folder holds.
struct UserEnvironment {
  std::string Home;
  std::string ConfigHome;  // XDG_CONFIG_HOME
  std::string DataHome;    // XDG_DATA_HOME
};

UserEnvironment UserEnvironmentOfProcess();

// "$XDG_CONFIG_HOME/kartovel/" (or "~/.config/kartovel/"), "$XDG_DATA_HOME/kartovel/"
// (or "~/.local/share/kartovel/"); empty when neither the variable nor a home is known.
std::string UserConfigFolder(const UserEnvironment& environment);
std::string UserDataFolder(const UserEnvironment& environment);

// The folder of the shipped files (ini/ with the default settings, blankimg/, help/),
// ending with the separator: the program folder itself unless the program lies in the
// bin/ folder of an installation, whose share/kartovel/ then holds them.
std::string ResourceFolder(const std::string& programFolder);

// True when the program keeps its settings in the user's folders: its ini/ folder lies
// in an installation's share/kartovel, or beside it but not writable.
bool KeepsSettingsPerUser(const std::string& programFolder);

// The folder that config.ini and sources.ini are read from and written to, ending with the
// separator: the portable ini/ folder; for an installed program the user's config folder
// once it is a real folder of the user's (no link), else the shipped defaults.
std::string SettingsFolder(const std::string& programFolder, const UserEnvironment& environment);
std::string SettingsFolder(const std::string& programFolder);

// Makes the user's config folder (owner-only) and copies into it the shipped settings files
// it lacks; an existing file is never replaced. An empty text when the program may go on
// with the user's folder, else the one sentence to tell the user (the program then runs on
// the shipped defaults and keeps no change).
std::string PrepareSettingsFolder(const std::string& programFolder,
                                  const UserEnvironment& environment);

// The settings files that ship with the program and are copied for each user.
inline constexpr const char* kSettingsFileNames[] = {"config.ini", "sources.ini"};

}  // namespace kartovel

// The portable and the installed layout, and the user's settings folder made from the
// shipped defaults on first use.
#include "common/ProgramLayout.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "common/FileSystem.h"
#include "common/Paths.h"

namespace kartovel {

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The XDG base folder with "kartovel/" appended: the variable when it is absolute, else
// the fallback below the home folder.
std::string XdgFolder(const std::string& variable, const std::string& home,
                      const char* homeRelative) {
  if (!variable.empty() && variable.front() == kPathSeparator) {
    return IncludeTrailingSeparator(variable) + "kartovel" + kPathSeparator;
  }
  if (home.empty() || home.front() != kPathSeparator) {
    return "";
  }
  return IncludeTrailingSeparator(home) + homeRelative + kPathSeparator + "kartovel" +
         kPathSeparator;
}

std::string InstalledResourceFolder(const std::string& programFolder) {
  std::filesystem::path bin(IncludeTrailingSeparator(programFolder));
  const std::filesystem::path prefix = bin.parent_path().parent_path();
  return IncludeTrailingSeparator((prefix / "share" / "kartovel").string());
}

std::string PortableIniFolder(const std::string& programFolder) {
  return IncludeTrailingSeparator(programFolder) + "ini" + kPathSeparator;
}

std::string WithoutTrailingSeparator(std::string folder) {
  while (folder.size() > 1 && folder.back() == kPathSeparator) {
    folder.pop_back();
  }
  return folder;
}

// A folder itself, not a link to one, and the user's own.
bool IsOwnRealFolder(const std::string& folder) {
  struct stat info {};
  return lstat(WithoutTrailingSeparator(folder).c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
         info.st_uid == geteuid();
}

// Absent, or a regular file (a link is never followed into elsewhere).
bool AbsentOrRegular(const std::string& fileName) {
  struct stat info {};
  if (lstat(fileName.c_str(), &info) != 0) {
    return errno == ENOENT;
  }
  return S_ISREG(info.st_mode);
}

bool SettingsFilesUsable(const std::string& folder) {
  for (const char* name : kSettingsFileNames) {
    if (!AbsentOrRegular(folder + name)) {
      return false;
    }
  }
  return true;
}

std::string CannotKeep(const std::string& place, const std::string& reason) {
  return "Kartovel cannot keep its settings in " + place + ": " + reason +
         ". It runs on its shipped settings, and changes to them are not kept.";
}

// Creates the folder and the missing folders above it; the system's reason on failure.
std::string CreateUserFolder(const std::string& folder) {
  const std::string bare = WithoutTrailingSeparator(folder);
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(bare).parent_path(), error);
  if (error) {
    return error.message();
  }
  if (mkdir(bare.c_str(), 0700) != 0 && errno != EEXIST) {
    return std::generic_category().message(errno);
  }
  return "";
}

}  // namespace

UserEnvironment UserEnvironmentOfProcess() {
  return UserEnvironment{HomeFolder(), Variable("XDG_CONFIG_HOME"), Variable("XDG_DATA_HOME")};
}

std::string UserConfigFolder(const UserEnvironment& environment) {
  return XdgFolder(environment.ConfigHome, environment.Home, ".config");
}

std::string UserDataFolder(const UserEnvironment& environment) {
  return XdgFolder(environment.DataHome, environment.Home, ".local/share");
}

std::string ResourceFolder(const std::string& programFolder) {
  const std::string portable = IncludeTrailingSeparator(programFolder);
  if (DirectoryExists(PortableIniFolder(programFolder))) {
    return portable;
  }
  const std::string installed = InstalledResourceFolder(programFolder);
  return DirectoryExists(installed + "ini") ? installed : portable;
}

bool KeepsSettingsPerUser(const std::string& programFolder) {
  const std::string portable = PortableIniFolder(programFolder);
  if (DirectoryExists(portable)) {
    // The program writes with its effective rights, so those are the ones asked about.
    return faccessat(AT_FDCWD, portable.c_str(), W_OK, AT_EACCESS) != 0;
  }
  return DirectoryExists(InstalledResourceFolder(programFolder) + "ini");
}

std::string SettingsFolder(const std::string& programFolder, const UserEnvironment& environment) {
  if (!KeepsSettingsPerUser(programFolder)) {
    return PortableIniFolder(programFolder);
  }
  const std::string user = UserConfigFolder(environment);
  if (!user.empty() && IsOwnRealFolder(user) && SettingsFilesUsable(user)) {
    return user;
  }
  return PortableIniFolder(ResourceFolder(programFolder));
}

std::string SettingsFolder(const std::string& programFolder) {
  return SettingsFolder(programFolder, UserEnvironmentOfProcess());
}

std::string PrepareSettingsFolder(const std::string& programFolder,
                                  const UserEnvironment& environment) {
  if (!KeepsSettingsPerUser(programFolder)) {
    return "";
  }
  const std::string user = UserConfigFolder(environment);
  if (user.empty()) {
    return CannotKeep("a folder of the user's", "no home folder is known");
  }
  if (const std::string reason = CreateUserFolder(user); !reason.empty()) {
    return CannotKeep(user, reason);
  }
  if (!IsOwnRealFolder(user)) {
    return CannotKeep(user, "it is a link or no folder of the user's");
  }
  const std::string shipped = PortableIniFolder(ResourceFolder(programFolder));
  for (const char* name : kSettingsFileNames) {
    const std::string target = user + name;
    if (!AbsentOrRegular(target)) {
      return CannotKeep(user, target + " is a link or no regular file, which is not followed");
    }
    if (FileExists(shipped + name) && !FileExists(target) &&
        !CopyFileNoReplace(shipped + name, target) && !FileExists(target)) {
      return CannotKeep(user, "cannot create file " + target);
    }
  }
  return "";
}

}  // namespace kartovel

// Where the configuration file lies and the defaults that depend on the user.
#include "engine/ConfigFile.h"

#include "common/FileSystem.h"
#include "common/Paths.h"
#include "common/ProgramLayout.h"

namespace kartovel::config {

std::string ConfigFilePath(const std::string& programFolder) {
  return SettingsFolder(programFolder) + "config.ini";
}

TIniFile OpenConfigFile(const std::string& configFilePath) {
  return TIniFile(configFilePath, PrivateIniKey{kProxy, kProxyPassword});
}

std::string DefaultPathDefault() {
  return DefaultDownloadFolder();
}

std::string DefaultSaveFolder(const std::string& programFolder) {
  const std::string saved =
      TIniFile(ConfigFilePath(programFolder)).ReadString(kIniParas, kDefaultPath, "");
  if (!saved.empty() && DirectoryExists(saved)) {
    return saved;
  }
  const std::string fallback = DefaultPathDefault();
  return DirectoryExists(fallback) ? fallback : HomeFolder();
}

}  // namespace kartovel::config

// The options dialog: reads the configuration on every showing, writes it on OK.
#include "app/UnitOptions.h"

#include "engine/ConfigFile.h"
#include "common/FileSystem.h"
#include "common/IniFile.h"
#include "common/Text.h"
#include "map/JobLimits.h"

namespace kartovel {

TfrmOptions::TfrmOptions(Platform& platform) : platform_(platform) {}

void TfrmOptions::Show() {
  Visible = true;
  FormShow();
}

void TfrmOptions::Close() {
  Visible = false;
}

std::string TfrmOptions::ConfigFileName() const {
  return config::ConfigFilePath(platform_.ProgramFolder());
}

void TfrmOptions::FormShow() {
  const TIniFile ini = config::OpenConfigFile(ConfigFileName());
  Edit12 = ini.ReadString(config::kIniParas, config::kDefaultPath, config::DefaultPathDefault());
  CheckBoxUseProxy = ini.ReadInteger(config::kProxy, config::kUseProxy, 0) == config::kProxyOn;
  EditProxyServer = ini.ReadString(config::kProxy, config::kProxyServer, "");
  EditProxyPort = ini.ReadString(config::kProxy, config::kProxyPort, "");
  EditProxyUsername = ini.ReadString(config::kProxy, config::kProxyUsername, "");
  EditProxyPassword = ini.ReadString(config::kProxy, config::kProxyPassword, "");
  EditAskAboveTiles = ini.ReadString(config::kJobs, config::kAskAboveTiles,
                                     std::to_string(JobLimits::kDefaultAskAboveTiles));
  CheckBoxAskAboveFreeSpace = ini.ReadInteger(config::kJobs, config::kAskAboveFreeSpace, 1) != 0;
}

void TfrmOptions::Button3Click() {
  const std::string start = DirectoryExists(Edit12) ? Edit12 : std::string();
  if (auto folder = platform_.BrowseForFolder("Select path", start)) {
    Edit12 = *folder;
  }
}

namespace {

// A key of [Jobs] is written only when the file holds it or the value is not the default,
// so that a configuration that never named them stays as it was.
void WriteJobKey(TIniFile& ini, const char* key, const std::string& value,
                 const std::string& fallback) {
  const std::string stored = ini.ReadString(config::kJobs, key, "");
  if (!stored.empty() ? stored != value : value != fallback) {
    ini.WriteString(config::kJobs, key, value);
  }
}

}  // namespace

void TfrmOptions::Button1Click() {
  // A threshold that is no number is named and nothing is written; the dialog stays open.
  if (const auto fault = ThresholdFault(config::kAskAboveTiles, EditAskAboveTiles)) {
    platform_.ShowMessage(*fault);
    return;
  }
  // A failing write throws before Close, so the dialog stays open with what was typed;
  // the keys written before it stay written.
  TIniFile ini = config::OpenConfigFile(ConfigFileName());
  ini.WriteString(config::kIniParas, config::kDefaultPath, Edit12);
  ini.WriteInteger(config::kProxy, config::kUseProxy, CheckBoxUseProxy ? config::kProxyOn : 0);
  ini.WriteString(config::kProxy, config::kProxyServer, EditProxyServer);
  ini.WriteString(config::kProxy, config::kProxyPort, EditProxyPort);
  ini.WriteString(config::kProxy, config::kProxyUsername, EditProxyUsername);
  ini.WriteString(config::kProxy, config::kProxyPassword, EditProxyPassword);
  WriteJobKey(ini, config::kAskAboveTiles, std::string(TrimBlanks(EditAskAboveTiles)),
              std::to_string(JobLimits::kDefaultAskAboveTiles));
  WriteJobKey(ini, config::kAskAboveFreeSpace, CheckBoxAskAboveFreeSpace ? "1" : "0", "1");
  Close();
}

void TfrmOptions::Button2Click() {
  Close();
}

}  // namespace kartovel

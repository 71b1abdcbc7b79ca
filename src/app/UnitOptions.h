// The options dialog as a model: the default output folder and the HTTP proxy, shown
// from the configuration file and written back to it on OK.
#pragma once

#include <string>

#include "common/Platform.h"

namespace kartovel {

class TfrmOptions {
 public:
  static constexpr char Caption[] = "Options";

  explicit TfrmOptions(Platform& platform);

  // The controls' contents.
  std::string Edit12;  // "Default path to save :"
  bool CheckBoxUseProxy = false;
  std::string EditProxyServer;
  std::string EditProxyPort;
  std::string EditProxyUsername;
  std::string EditProxyPassword;
  // When Start asks before a download: above this many tiles, or above the free space.
  std::string EditAskAboveTiles = "100000";
  bool CheckBoxAskAboveFreeSpace = true;

  // Whether the dialog is on screen; the handlers that close it clear it.
  bool Visible = false;

  // Shows the dialog (the front end makes it modal) and runs FormShow.
  void Show();
  // Closing with the window's close box: the same as Cancel.
  void Close();

  // Handlers. They may throw; the front end enters them through RunHandler.
  void FormShow();
  void Button3Click();  // "..."
  void Button1Click();  // "OK"
  void Button2Click();  // "Cancel"

  // The configuration file's name, computed afresh from the program folder.
  std::string ConfigFileName() const;

 private:
  Platform& platform_;
};

}  // namespace kartovel

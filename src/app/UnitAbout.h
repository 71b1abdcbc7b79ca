// The about box as a model: a label showing the main window's caption of the moment.
#pragma once

#include <functional>
#include <string>

namespace kartovel {

class TfrmAbout {
 public:
  static constexpr char Caption[] = "About";
  static constexpr char Button1Caption[] = "&OK";

  // mainWindowCaption gives the main window's caption whenever the box is shown.
  explicit TfrmAbout(std::function<std::string()> mainWindowCaption);

  std::string Label1;  // program title and version, as the main window shows them
  bool Visible = false;

  // Shows the box (the front end makes it modal) and runs FormShow.
  void Show();
  void FormShow();
  // "&OK"; the close box does the same.
  void Button1Click();

 private:
  std::function<std::string()> mainWindowCaption_;
};

}  // namespace kartovel

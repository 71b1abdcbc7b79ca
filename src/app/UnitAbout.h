// The about box as a model: the main window's caption of the moment, the licence, the
// libraries the program is built on with their versions, and who the chosen source's map
// data is credited to.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kartovel {

class TfrmAbout {
 public:
  static constexpr char Caption[] = "About";
  static constexpr char Button1Caption[] = "&OK";
  static constexpr char Licence[] = "Licence: MIT";

  // mainWindowCaption gives the main window's caption and attribution the chosen source's
  // Attribution, both whenever the box is shown; libraries are "Name version" lines.
  explicit TfrmAbout(std::function<std::string()> mainWindowCaption,
                     std::function<std::string()> attribution = {},
                     std::vector<std::string> libraries = {});

  std::string Label1;  // program title and version, as the main window shows them
  std::string LabelLicence = Licence;
  std::string LabelLibraries;    // "Built with " and the libraries, one line
  std::string LabelAttribution;  // "Map data: " and the source's attribution
  bool Visible = false;

  // Shows the box (the front end makes it modal) and runs FormShow.
  void Show();
  void FormShow();
  // "&OK"; the close box does the same.
  void Button1Click();

 private:
  std::function<std::string()> mainWindowCaption_;
  std::function<std::string()> attribution_;
  std::vector<std::string> libraries_;
};

}  // namespace kartovel

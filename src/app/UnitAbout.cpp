// The about box: refreshed on every showing so it names the running version and the
// source chosen at that moment.
#include "app/UnitAbout.h"

#include <utility>

namespace kartovel {

TfrmAbout::TfrmAbout(std::function<std::string()> mainWindowCaption,
                     std::function<std::string()> attribution, std::vector<std::string> libraries)
    : mainWindowCaption_(std::move(mainWindowCaption)),
      attribution_(std::move(attribution)),
      libraries_(std::move(libraries)) {}

void TfrmAbout::Show() {
  Visible = true;
  FormShow();
}

void TfrmAbout::FormShow() {
  Label1 = mainWindowCaption_();
  LabelLibraries.clear();
  for (const std::string& library : libraries_) {
    LabelLibraries += (LabelLibraries.empty() ? "Built with " : ", ") + library;
  }
  if (!LabelLibraries.empty()) {
    LabelLibraries += ".";
  }
  const std::string attribution = attribution_ ? attribution_() : std::string();
  LabelAttribution = attribution.empty() ? "Map data: the chosen map source names no attribution."
                                         : "Map data: " + attribution;
}

void TfrmAbout::Button1Click() {
  Visible = false;
}

}  // namespace kartovel

// The about box: refreshed on every showing so it names the running version.
#include "app/UnitAbout.h"

#include <utility>

namespace kartovel {

TfrmAbout::TfrmAbout(std::function<std::string()> mainWindowCaption)
    : mainWindowCaption_(std::move(mainWindowCaption)) {}

void TfrmAbout::Show() {
  Visible = true;
  FormShow();
}

void TfrmAbout::FormShow() {
  Label1 = mainWindowCaption_();
}

void TfrmAbout::Button1Click() {
  Visible = false;
}

}  // namespace kartovel

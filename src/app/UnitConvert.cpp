// The converter dialog's one command.
#include "app/UnitConvert.h"

#include <utility>

#include "geometry/convert.h"

namespace kartovel {

TfrmConvert::TfrmConvert(Platform& platform) : platform_(platform) {}

void TfrmConvert::Button1Click() {
  if (auto degrees = DmsToDegrees(Edit1, Edit2, Edit3)) {
    Edit4 = std::move(*degrees);
  } else {
    platform_.ShowMessage("Input Error.");
  }
}

}  // namespace kartovel

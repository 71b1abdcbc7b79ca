// The degrees-minutes-seconds converter dialog as a model: three input texts, one result.
#pragma once

#include <string>

#include "common/Platform.h"

namespace kartovel {

class TfrmConvert {
 public:
  static constexpr char Caption[] = "Convert \"Degrees,Minutes,Seconds\" to \"Degrees\"";

  explicit TfrmConvert(Platform& platform);

  std::string Edit1;  // degrees
  std::string Edit2;  // minutes
  std::string Edit3;  // seconds
  std::string Edit4;  // the result, read-only on screen

  // Shown without blocking the main window; the texts stay between showings.
  bool Visible = false;
  void Show() { Visible = true; }
  void Close() { Visible = false; }

  // "convert": the result into Edit4, or "Input Error." with Edit4 left as it was.
  void Button1Click();

 private:
  Platform& platform_;
};

}  // namespace kartovel

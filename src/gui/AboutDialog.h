// The about box: the main window's caption of the moment, the licence, the libraries,
// the chosen source's credit and an "&OK" button.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/UnitAbout.h"
#include "common/Platform.h"

namespace kartovel::gui {

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  AboutDialog(TfrmAbout& model, Platform& platform, QWidget* parent);

  // Shows the box modally, refreshed from the main window's caption.
  void ShowModal();

  void reject() override;

 private:
  void Pull();

  TfrmAbout& model_;
  Platform& platform_;
  QVBoxLayout layout_;
  QLabel label1_;
  QLabel labelLicence_;
  QLabel labelLibraries_;
  QLabel labelAttribution_;
  QPushButton button1_;
};

}  // namespace kartovel::gui

// The options dialog: default output folder and HTTP proxy, shown modally and written
// to the configuration file on OK.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/UnitOptions.h"
#include "common/Platform.h"

namespace kartovel::gui {

class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  OptionsDialog(TfrmOptions& model, Platform& platform, QWidget* parent);

  // Shows the dialog modally, filled from the configuration file.
  void ShowModal();

  // The close box and Escape: closes without saving.
  void reject() override;

 private:
  void Push();
  void Pull();
  // Runs a handler with the fields pushed before and pulled after; closes the window
  // when the model has closed.
  void RunModelHandler(void (TfrmOptions::*handler)());

  TfrmOptions& model_;
  Platform& platform_;
  QGridLayout layout_;
  QLabel label12_;
  QLineEdit edit12_;
  QPushButton button3_;
  QCheckBox checkBoxUseProxy_;
  QLabel labelProxyServer_;
  QLineEdit editProxyServer_;
  QLabel labelProxyPort_;
  QLineEdit editProxyPort_;
  QLabel labelProxyUsername_;
  QLineEdit editProxyUsername_;
  QLabel labelProxyPassword_;
  QLineEdit editProxyPassword_;
  QCheckBox checkBoxShowPassword_;
  QLabel purpose_;
  QLabel labelAskAboveTiles_;
  QLineEdit editAskAboveTiles_;
  QCheckBox checkBoxAskAboveFreeSpace_;
  QHBoxLayout buttonRow_;
  QPushButton button1_;
  QPushButton button2_;
};

}  // namespace kartovel::gui

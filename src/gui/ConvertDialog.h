// The degrees-minutes-seconds converter: a small window that stays above the others and
// does not block the main window; Enter presses "convert".
#pragma once

#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/UnitConvert.h"
#include "common/Platform.h"

namespace kartovel::gui {

class ConvertDialog : public QDialog {
  Q_OBJECT

 public:
  ConvertDialog(TfrmConvert& model, Platform& platform, QWidget* parent);

  // Shows the window without blocking, or brings it to the front when it is open.
  void ShowNonModal();

 private:
  void Convert();

  TfrmConvert& model_;
  Platform& platform_;
  QVBoxLayout layout_;
  QLabel purpose_;
  QHBoxLayout row_;
  QGroupBox groupBox1_;
  QGridLayout inputLayout_;
  QLabel label1_;
  QLineEdit edit1_;
  QLineEdit edit2_;
  QLineEdit edit3_;
  QPushButton button1_;
  QGroupBox groupBox2_;
  QVBoxLayout resultLayout_;
  QLabel label2_;
  QLineEdit edit4_;
};

}  // namespace kartovel::gui

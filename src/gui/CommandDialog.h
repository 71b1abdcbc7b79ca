// A dialog of one command: a band along the top with the command's button, one line on
// what the command does, and the pane that reports it. Shown modally; closing it (Esc,
// the title bar) tells the model first, which abandons or stops the command under way.
// The re-download, the export and the verify dialogs are all of this kind.
#pragma once

#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QVBoxLayout>

#include <functional>

#include "common/Platform.h"
#include "gui/LogPane.h"

namespace kartovel::gui {

// What the dialog calls on its model; each is entered through RunHandler.
struct CommandHandlers {
  std::function<void()> Show;   // the model's showing (FormShow and the like)
  std::function<void()> Close;  // the model's closing: stops what runs
  std::function<void()> Click;  // Button1's command
};

class CommandDialog : public QDialog {
  Q_OBJECT

 public:
  struct Texts {
    const char* ObjectName;     // the form's name, which tests and screen readers use
    const char* Caption;
    const char* ButtonCaption;
    const char* Purpose;        // the one line on what the dialog does
    const char* PaneName;       // the pane's accessible name
  };

  CommandDialog(Platform& platform, CommandHandlers handlers, const Texts& texts,
                QWidget* parent);

  void ShowModal();
  void reject() override;

 protected:
  // Beside the button in the top band, taking the rest of its width: a subclass's
  // progress line or bar.
  void AddBesideButton(QWidget& widget, Qt::Alignment alignment);
  QPushButton& Button1() { return button1_; }
  LogPane& Memo1() { return memo1_; }

 private:
  Platform& platform_;
  CommandHandlers handlers_;
  QVBoxLayout layout_;
  QFrame panel1_;
  QHBoxLayout panel1Layout_;
  QPushButton button1_;
  QFrame panel2_;
  QVBoxLayout panel2Layout_;
  QLabel purpose_;
  LogPane memo1_;
};

}  // namespace kartovel::gui

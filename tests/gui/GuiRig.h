// The program's real windows wired for tests: a sandbox program folder whose
// configuration names an in-process loopback tile service, a fast clock, the Qt platform,
// and a watcher that answers modal boxes and dialogs the way a user would. Every wait is
// bounded. Header only: the GUI suite's sources are its *_test.cpp files.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/Clock.h"
#include "common/Locale.h"
#include "gui/ProgramWindows.h"
#include "gui/QtPlatform.h"
#include "support/LoopbackServer.h"
#include "support/Sandbox.h"

namespace kartovel::testing {

inline constexpr char kGuiNowText[] = "2026-01-02 03:04:05";

// A message box as the user saw it.
struct SeenBox {
  QString Title;
  QString Text;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
};

// Polls for the modal window in front. Message boxes are recorded and confirmed with OK,
// questions answered from their own queue (No when it is empty);
// any other modal window goes to the next queued answer, which returns false while it
// wants to wait (for example until a run in the dialog has ended). Every press is queued
// to the event loop, so a box that opens from it is seen by a later poll. A modal window
// left in front longer than the limit fails the test and is closed, so that no test
// waits for ever inside a modal loop.
class ModalWatcher {
 public:
  using Answer = std::function<bool(QWidget&)>;

  explicit ModalWatcher(std::chrono::milliseconds limit = std::chrono::seconds(20))
      : limit_(limit) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
  }

  void Queue(Answer answer) { answers_.push_back(std::move(answer)); }
  void QueueQuestionAnswer(QMessageBox::StandardButton button) {
    questionAnswers_.push_back(button);
  }
  const std::vector<SeenBox>& Boxes() const { return boxes_; }
  std::size_t PendingAnswers() const { return answers_.size(); }
  bool Saw(const QString& text) const {
    for (const SeenBox& box : boxes_) {
      if (box.Text == text) {
        return true;
      }
    }
    return false;
  }

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != front_) {
      front_ = modal;
      frontSince_ = std::chrono::steady_clock::now();
    } else if (modal != nullptr && std::chrono::steady_clock::now() - frontSince_ > limit_) {
      ADD_FAILURE() << "modal window left open: " << modal->objectName().toStdString() << " "
                    << modal->windowTitle().toStdString();
      frontSince_ = std::chrono::steady_clock::now();
      if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
      }
      return;
    }
    if (modal == nullptr || modal == lastHandled_) {
      return;
    }
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      boxes_.push_back({box->windowTitle(), box->text(), box->icon()});
      lastHandled_ = modal;
      QMessageBox::StandardButton answer = QMessageBox::Ok;
      if (box->button(QMessageBox::Ok) == nullptr) {
        answer = QMessageBox::No;
        if (!questionAnswers_.empty()) {
          answer = questionAnswers_.front();
          questionAnswers_.pop_front();
        }
      }
      QTimer::singleShot(0, box, [box, answer] { box->button(answer)->click(); });
      return;
    }
    if (!answers_.empty() && answers_.front()(*modal)) {
      answers_.pop_front();
      lastHandled_ = modal;
    }
  }

  QTimer timer_;
  std::deque<Answer> answers_;
  std::deque<QMessageBox::StandardButton> questionAnswers_;
  std::vector<SeenBox> boxes_;
  QPointer<QWidget> lastHandled_;
  QPointer<QWidget> front_;
  std::chrono::steady_clock::time_point frontSince_;
  std::chrono::milliseconds limit_;
};

// Processes events until the predicate holds or the limit passed.
inline bool WaitUntil(const std::function<bool()>& predicate,
                      std::chrono::milliseconds limit = std::chrono::seconds(30)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!predicate()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}

// Types text into a field key by key, as the keyboard would.
inline void TypeInto(QLineEdit& edit, const QString& text) {
  edit.setFocus();
  edit.selectAll();
  QKeyEvent erase(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
  QApplication::sendEvent(&edit, &erase);
  for (const QChar character : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(character));
    QApplication::sendEvent(&edit, &press);
    QApplication::sendEvent(&edit, &release);
  }
}

// Leaves a field as Tab would, so that what was typed is taken.
inline void LeaveField(QWidget& field) {
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(&field, &out);
}

inline void PressKey(QWidget& widget, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(&widget, &press);
  QApplication::sendEvent(&widget, &release);
}

// Queues a click so that a modal window it opens does not run inside the caller.
inline void ClickLater(QAbstractButton& button) {
  QTimer::singleShot(0, &button, [&button] { button.click(); });
}

// Answers the next modal file dialog with a file name.
inline ModalWatcher::Answer ChooseFile(const std::string& fileName, QString* seenTitle = nullptr,
                                       QStringList* seenFilters = nullptr) {
  return [fileName, seenTitle, seenFilters](QWidget& modal) {
    auto* dialog = qobject_cast<QFileDialog*>(&modal);
    if (dialog == nullptr) {
      return false;
    }
    if (seenTitle != nullptr) {
      *seenTitle = dialog->windowTitle();
    }
    if (seenFilters != nullptr) {
      *seenFilters = dialog->nameFilters();
    }
    const QString name = QString::fromStdString(fileName);
    QTimer::singleShot(0, dialog, [dialog, name] {
      // The typed name, as a user would enter it; the directory view loads later.
      if (auto* typed = dialog->findChild<QLineEdit*>("fileNameEdit")) {
        typed->setText(name);
      } else {
        dialog->selectFile(name);
      }
      static_cast<QDialog*>(dialog)->accept();  // public in QDialog, overridden here
    });
    return true;
  };
}

struct GuiRigOptions {
  double TimeScale = 0.005;  // a second of the program's time lasts 5 ms
  LoopbackServer::Options Server;
  std::string Sources;  // ini/sources.ini when not empty
};

class GuiRig {
 public:
  explicit GuiRig(GuiRigOptions options = {})
      : ProgramFolder(Box.Path("program/")),
        SaveFolder(Box.Path("maps/")),
        Server(std::move(options.Server)),
        Locale('.', std::string(kGuiNowText)),
        Platform(ProgramFolder),
        Time(options.TimeScale) {
    std::filesystem::create_directories(ProgramFolder + "ini");
    std::filesystem::create_directories(ProgramFolder + "blankimg");
    Sandbox::WriteAll(ProgramFolder + "blankimg/blank.png", "BLANK");
    Sandbox::WriteAll(ProgramFolder + "ini/config.ini",
                      "[IniParas]\r\nDefaultPath=" + Box.Path("maps") +
                          "\r\nVersion=6.436\r\n[Proxy]\r\nUseProxy=0\r\n[TileService]\r\nHost=" +
                          Server.HostPort() + "\r\n");
    if (!options.Sources.empty()) {
      Sandbox::WriteAll(ProgramFolder + "ini/sources.ini", options.Sources);
    }
    // The queue in the sandbox, never the user's own.
    Windows = std::make_unique<gui::ProgramWindows>(Platform, Time, CreateCurlHttpClient,
                                                    QueueFile());
    started_ = Windows->Main().ShowAtStart();
  }

  ~GuiRig() {
    // A run still active is closed by the model, which serves the last hand-offs.
    Windows.reset();
  }

  bool Started() const { return started_; }
  std::string QueueFile() const { return Box.Path("data/kartovel/queue.ini"); }
  gui::MainWindow& Main() { return Windows->Main(); }
  TForm1& Form() { return Windows->Form1(); }

  template <class Widget>
  Widget& Find(const QWidget& parent, const char* name) {
    auto* widget = parent.findChild<Widget*>(QString::fromLatin1(name));
    if (widget == nullptr) {
      ADD_FAILURE() << "no control named " << name;
      throw std::runtime_error(std::string("no control named ") + name);
    }
    return *widget;
  }
  template <class Widget>
  Widget& Find(const char* name) {
    return Find<Widget>(Main(), name);
  }

  void TriggerMenu(const char* actionName) {
    auto* action = Main().findChild<QAction*>(QString::fromLatin1(actionName));
    ASSERT_NE(action, nullptr) << actionName;
    QTimer::singleShot(0, action, [action] { action->trigger(); });
  }

  Sandbox Box;
  std::string ProgramFolder;  // ends with "/"
  std::string SaveFolder;     // ends with "/", not created
  LoopbackServer Server;
  ScopedLocaleOverride Locale;
  gui::QtPlatform Platform;
  ScaledClock Time;
  ModalWatcher Watcher;
  std::unique_ptr<gui::ProgramWindows> Windows;

 private:
  bool started_ = false;
};

}  // namespace kartovel::testing

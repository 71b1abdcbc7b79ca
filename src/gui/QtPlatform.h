// The Qt implementation of everything the window models ask of a windowing system:
// message boxes, file and folder dialogs, shell open and the hand-off to the GUI thread.
#pragma once

#include <QString>
#include <atomic>
#include <string>

#include "common/Platform.h"

class QWidget;

namespace kartovel::gui {

// "Name|pattern|Name|pattern" (patterns separated by ";") as Qt's
// "Name (pattern);;Name (pattern)" (patterns separated by blanks). A name that already
// ends with its patterns in parentheses ("Projects(*.qtsk)") shows them once.
QString QtFileFilter(const std::string& filter);

class QtPlatform final : public Platform {
 public:
  // programFolder empty: the folder of the executable (tests give a sandbox instead).
  explicit QtPlatform(std::string programFolder = "");

  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  std::optional<std::string> BrowseForFolder(const std::string& title,
                                             const std::string& initialFolder) override;
  std::optional<std::string> OpenFileDialog(const std::string& title, const std::string& filter,
                                            const std::string& initialFolder) override;
  bool ShellOpen(const std::string& path) override;
  bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) override;
  std::vector<std::string> OpenFilesDialog(const std::string& title, const std::string& filter,
                                           const std::string& initialFolder) override;
  std::optional<std::string> SaveFileDialog(const std::string& title, const std::string& filter,
                                            const std::string& proposedFile) override;
  void ProcessPendingEvents() override;
  std::string ProgramFolder() override;
  void RunBlocking(const std::function<void()>& operation) override;

  // Once the program is closing, hand-offs are dropped instead of waited for: the event
  // loop that would run them has ended, and a waiting worker would never return.
  void StopHandOffs() { handOffsStopped_.store(true); }

 private:
  std::string programFolder_;
  std::atomic<bool> handOffsStopped_{false};
};

// The window a dialog of the program belongs to: the modal dialog in front, else the
// active window (null when there is none, for example in tests).
QWidget* DialogOwner();

}  // namespace kartovel::gui

// Everything the window models need from a windowing system. The Qt front end
// implements it; tests use a scripted one.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/UiDispatcher.h"

namespace kartovel {

class Platform : public UiDispatcher {
 public:
  // A modal message box captioned "Kartovel" with an OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // The general error display: the same box with a stop icon; text already formatted.
  virtual void ShowError(const std::string& text) = 0;
  // A modal question captioned "Kartovel" with the buttons Yes and No; true for Yes.
  // Closing the box without an answer is No.
  virtual bool AskYesNo(const std::string& text) = 0;
  // A folder browser that starts in initialFolder (empty: the platform's choice); empty
  // when the user cancels.
  virtual std::optional<std::string> BrowseForFolder(const std::string& title,
                                                     const std::string& initialFolder) = 0;
  // An open-file dialog. filter is "Shown name|pattern"; empty on cancel.
  virtual std::optional<std::string> OpenFileDialog(const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& initialFolder) = 0;
  // An open-file dialog in which several files can be chosen; empty when the user cancels.
  virtual std::vector<std::string> OpenFilesDialog(const std::string& title,
                                                   const std::string& filter,
                                                   const std::string& initialFolder) = 0;
  // A save-file dialog that proposes a full file name; empty when the user cancels.
  virtual std::optional<std::string> SaveFileDialog(const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& proposedFile) = 0;
  // Opens a path with its associated program (an executable is started); not waited
  // for. False when nothing could be started for it.
  virtual bool ShellOpen(const std::string& path) = 0;
  // Starts a program with arguments (each handed over as it is, no shell); not waited
  // for. False when it could not be started.
  virtual bool StartProgram(const std::string& program,
                            const std::vector<std::string>& arguments) = 0;
  // Processes pending user-interface events once.
  virtual void ProcessPendingEvents() = 0;
  // The folder of the executable, with its trailing separator.
  virtual std::string ProgramFolder() = 0;
};

}  // namespace kartovel

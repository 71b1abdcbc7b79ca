// The Platform of the command line: messages go to standard error as lines, dialogs
// answer what the command line named (or cancel), questions are answered No, and the
// workers' hand-offs run on the main thread, which serves them in the command's loop.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "common/HandOffQueue.h"
#include "common/Platform.h"

namespace kartovel::cli {

class TerminalPlatform final : public Platform {
 public:
  // The constructing thread is the user-interface thread.
  TerminalPlatform(std::string programFolder, std::FILE* messages);

  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;
  // A question is shown and answered No: a script cannot answer it, and every question
  // of the models guards something that No leaves as it was.
  bool AskYesNo(const std::string& text) override;
  std::optional<std::string> BrowseForFolder(const std::string& title,
                                             const std::string& initialFolder) override;
  std::optional<std::string> OpenFileDialog(const std::string& title, const std::string& filter,
                                            const std::string& initialFolder) override;
  std::vector<std::string> OpenFilesDialog(const std::string& title, const std::string& filter,
                                           const std::string& initialFolder) override;
  std::optional<std::string> SaveFileDialog(const std::string& title, const std::string& filter,
                                            const std::string& proposedFile) override;
  bool ShellOpen(const std::string& path) override;
  bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) override;
  void ProcessPendingEvents() override;
  std::string ProgramFolder() override;
  void RunBlocking(const std::function<void()>& operation) override;

  // The answer of the next open-file dialog: the file the command line named.
  void AnswerNextOpenFile(std::string fileName);
  // While muted, plain messages are not shown (errors always are).
  void MuteMessages(bool muted) { messagesMuted_ = muted; }

  HandOffQueue& HandOffs() { return handOffs_; }

 private:
  void WriteLine(const std::string& text);

  HandOffQueue handOffs_;
  std::string programFolder_;
  std::FILE* messages_;
  std::optional<std::string> nextOpenFile_;
  bool messagesMuted_ = false;
};

}  // namespace kartovel::cli

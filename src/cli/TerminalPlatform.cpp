// The command line's Platform.
#include "cli/TerminalPlatform.h"

#include <utility>

namespace kartovel::cli {

TerminalPlatform::TerminalPlatform(std::string programFolder, std::FILE* messages)
    : programFolder_(std::move(programFolder)), messages_(messages) {}

void TerminalPlatform::WriteLine(const std::string& text) {
  std::fprintf(messages_, "%s\n", text.c_str());
  std::fflush(messages_);
}

void TerminalPlatform::ShowMessage(const std::string& text) {
  if (!messagesMuted_) {
    WriteLine(text);
  }
}

void TerminalPlatform::ShowError(const std::string& text) {
  WriteLine(text);
}

bool TerminalPlatform::AskYesNo(const std::string& text) {
  WriteLine(text + " No");
  return false;
}

std::optional<std::string> TerminalPlatform::BrowseForFolder(const std::string& /*title*/,
                                                             const std::string& /*initialFolder*/) {
  return std::nullopt;
}

std::optional<std::string> TerminalPlatform::OpenFileDialog(const std::string& /*title*/,
                                                            const std::string& /*filter*/,
                                                            const std::string& /*initialFolder*/) {
  return std::exchange(nextOpenFile_, std::nullopt);
}

std::vector<std::string> TerminalPlatform::OpenFilesDialog(const std::string& /*title*/,
                                                           const std::string& /*filter*/,
                                                           const std::string& /*initialFolder*/) {
  return {};
}

std::optional<std::string> TerminalPlatform::SaveFileDialog(const std::string& /*title*/,
                                                            const std::string& /*filter*/,
                                                            const std::string& /*proposedFile*/) {
  return std::nullopt;
}

bool TerminalPlatform::ShellOpen(const std::string& /*path*/) {
  return false;
}

// The command line starts no companion window.
bool TerminalPlatform::StartProgram(const std::string& /*program*/,
                                    const std::vector<std::string>& /*arguments*/) {
  return false;
}

void TerminalPlatform::ProcessPendingEvents() {
  if (handOffs_.OnOwnerThread()) {
    handOffs_.RunPending();
  }
}

std::string TerminalPlatform::ProgramFolder() {
  return programFolder_;
}

void TerminalPlatform::RunBlocking(const std::function<void()>& operation) {
  handOffs_.RunBlocking(operation);
}

void TerminalPlatform::AnswerNextOpenFile(std::string fileName) {
  nextOpenFile_ = std::move(fileName);
}

}  // namespace kartovel::cli

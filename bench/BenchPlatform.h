// A headless Platform for the benchmarks that drive a window model or a run: no dialog is
// ever answered, errors go to standard error, and hand-offs run at once on the calling
// thread unless a benchmark serves them on its own loop.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/Platform.h"

namespace kartovel::bench {

class HeadlessPlatform : public kartovel::Platform {
 public:
  explicit HeadlessPlatform(std::string folder) : folder_(std::move(folder)) {}
  void RunBlocking(const std::function<void()>& operation) override { operation(); }
  void ShowMessage(const std::string&) override {}
  void ShowError(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  bool AskYesNo(const std::string&) override { return false; }
  std::optional<std::string> BrowseForFolder(const std::string&, const std::string&) override {
    return {};
  }
  std::optional<std::string> OpenFileDialog(const std::string&, const std::string&,
                                            const std::string&) override {
    return {};
  }
  bool ShellOpen(const std::string&) override { return false; }
  bool StartProgram(const std::string&, const std::vector<std::string>&) override { return false; }
  std::vector<std::string> OpenFilesDialog(const std::string&, const std::string&,
                                           const std::string&) override {
    return {};
  }
  std::optional<std::string> SaveFileDialog(const std::string&, const std::string&,
                                            const std::string&) override {
    return {};
  }
  void ProcessPendingEvents() override {}
  std::string ProgramFolder() override { return folder_; }

 private:
  std::string folder_;
};

}  // namespace kartovel::bench

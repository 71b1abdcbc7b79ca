// A Platform for tests: records what the models show and open, answers dialogs from
// queues the test fills, and hands worker operations to the test thread, which pumps them.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/HandOffQueue.h"
#include "common/Platform.h"

namespace kartovel::testing {

struct FolderRequest {
  std::string Title;
  std::string InitialFolder;
};

struct OpenFileRequest {
  std::string Title;
  std::string Filter;
  std::string InitialFolder;
};

// The thread that constructs it is the user-interface thread: RunBlocking from that
// thread runs the operation inline; from any other thread it queues the operation and
// waits until the user-interface thread pumps it (PumpFor, PumpUntil, RunPending or
// ProcessPendingEvents).
class ScriptedPlatform final : public Platform {
 public:
  explicit ScriptedPlatform(std::string programFolder = "");
  // Releases every waiting worker (their operations are dropped) and waits until none is
  // left inside RunBlocking.
  ~ScriptedPlatform() override;
  ScriptedPlatform(const ScriptedPlatform&) = delete;
  ScriptedPlatform& operator=(const ScriptedPlatform&) = delete;

  // Platform
  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  std::optional<std::string> BrowseForFolder(const std::string& title,
                                             const std::string& initialFolder) override;
  std::optional<std::string> OpenFileDialog(const std::string& title, const std::string& filter,
                                            const std::string& initialFolder) override;
  std::vector<std::string> OpenFilesDialog(const std::string& title, const std::string& filter,
                                           const std::string& initialFolder) override;
  std::optional<std::string> SaveFileDialog(const std::string& title, const std::string& filter,
                                            const std::string& proposedFile) override;
  // Records the path; answers as SetShellOpenWorks says (true unless told otherwise).
  bool ShellOpen(const std::string& path) override;
  // Records the program and its arguments; answers as SetShellOpenWorks says.
  bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) override;
  // Counts the call and runs the hand-offs already queued, as an event loop pass would.
  void ProcessPendingEvents() override;
  std::string ProgramFolder() override;
  void RunBlocking(const std::function<void()>& operation) override;

  // Scripting: the answers of the next dialogs, in order. An empty queue answers cancel.
  void QueueFolderAnswer(std::optional<std::string> folder);
  // The answers of the next questions (true: Yes). An empty queue answers No.
  void QueueQuestionAnswer(bool yes);
  void SetShellOpenWorks(bool works);
  void QueueOpenFileAnswer(std::optional<std::string> fileName);
  void QueueOpenFilesAnswer(std::vector<std::string> fileNames);
  void QueueSaveFileAnswer(std::optional<std::string> fileName);
  void SetProgramFolder(std::string folder);

  // What the models did.
  std::vector<std::string> Messages() const;
  std::vector<std::string> Errors() const;
  std::vector<std::string> Questions() const;
  std::vector<std::string> FolderBrowserTitles() const;
  std::vector<FolderRequest> FolderRequests() const;
  std::vector<OpenFileRequest> OpenFileRequests() const;  // every kind of file dialog
  std::vector<std::string> ShellOpens() const;
  // Each started program: its path, then its arguments.
  std::vector<std::vector<std::string>> ProgramStarts() const;
  int ProcessEventsCount() const;
  // Hand-offs queued and not yet run.
  std::size_t PendingHandOffs() const;
  void ClearRecords();

  // Pumping, from the user-interface thread only. Each returns once its condition holds.
  // Runs the operations queued at this moment; returns how many ran.
  std::size_t RunPending();
  // Runs hand-offs as they arrive for the given real time.
  void PumpFor(std::chrono::milliseconds maxTime);
  // Runs hand-offs until the predicate holds (checked after every operation and at least
  // every few milliseconds) or the time is up; returns the predicate's last value.
  bool PumpUntil(const std::function<bool()>& predicate, std::chrono::milliseconds maxTime);

  // From now on hand-offs are dropped instead of run: queued ones release their workers
  // at once, later ones return at once. Lets a test end with workers still reporting.
  void DropHandOffs();

 private:
  HandOffQueue handOffs_;
  mutable std::mutex mutex_;
  std::string programFolder_;
  std::deque<std::optional<std::string>> folderAnswers_;
  std::deque<std::optional<std::string>> openFileAnswers_;
  std::deque<bool> questionAnswers_;
  bool shellOpenWorks_ = true;
  std::deque<std::vector<std::string>> openFilesAnswers_;
  std::deque<std::optional<std::string>> saveFileAnswers_;
  std::vector<std::string> messages_;
  std::vector<std::string> errors_;
  std::vector<std::string> questions_;
  std::vector<FolderRequest> folderRequests_;
  std::vector<OpenFileRequest> openFileRequests_;
  std::vector<std::string> shellOpens_;
  std::vector<std::vector<std::string>> programStarts_;
  int processEventsCount_ = 0;
};

}  // namespace kartovel::testing

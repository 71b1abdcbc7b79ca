// The scripted Platform: records, queued dialog answers and a real cross-thread hand-off.
#include "support/ScriptedPlatform.h"

#include <utility>

namespace kartovel::testing {

namespace {

template <typename T>
std::optional<std::string> TakeAnswer(std::deque<T>& answers) {
  if (answers.empty()) {
    return std::nullopt;
  }
  auto answer = std::move(answers.front());
  answers.pop_front();
  return answer;
}
}  // namespace

ScriptedPlatform::ScriptedPlatform(std::string programFolder)
    : programFolder_(std::move(programFolder)) {}

ScriptedPlatform::~ScriptedPlatform() = default;

void ScriptedPlatform::ShowMessage(const std::string& text) {
  std::lock_guard lock(mutex_);
  messages_.push_back(text);
}

void ScriptedPlatform::ShowError(const std::string& text) {
  std::lock_guard lock(mutex_);
  errors_.push_back(text);
}

bool ScriptedPlatform::AskYesNo(const std::string& text) {
  std::lock_guard lock(mutex_);
  questions_.push_back(text);
  if (questionAnswers_.empty()) {
    return false;
  }
  const bool yes = questionAnswers_.front();
  questionAnswers_.pop_front();
  return yes;
}

std::optional<std::string> ScriptedPlatform::BrowseForFolder(const std::string& title,
                                                             const std::string& initialFolder) {
  std::lock_guard lock(mutex_);
  folderRequests_.push_back({title, initialFolder});
  return TakeAnswer(folderAnswers_);
}

std::optional<std::string> ScriptedPlatform::OpenFileDialog(const std::string& title,
                                                            const std::string& filter,
                                                            const std::string& initialFolder) {
  std::lock_guard lock(mutex_);
  openFileRequests_.push_back({title, filter, initialFolder});
  return TakeAnswer(openFileAnswers_);
}

std::vector<std::string> ScriptedPlatform::OpenFilesDialog(const std::string& title,
                                                           const std::string& filter,
                                                           const std::string& initialFolder) {
  std::lock_guard lock(mutex_);
  openFileRequests_.push_back({title, filter, initialFolder});
  if (openFilesAnswers_.empty()) {
    return {};
  }
  std::vector<std::string> answer = std::move(openFilesAnswers_.front());
  openFilesAnswers_.pop_front();
  return answer;
}

std::optional<std::string> ScriptedPlatform::SaveFileDialog(const std::string& title,
                                                            const std::string& filter,
                                                            const std::string& proposedFile) {
  std::lock_guard lock(mutex_);
  openFileRequests_.push_back({title, filter, proposedFile});
  return TakeAnswer(saveFileAnswers_);
}

bool ScriptedPlatform::ShellOpen(const std::string& path) {
  std::lock_guard lock(mutex_);
  shellOpens_.push_back(path);
  return shellOpenWorks_;
}

bool ScriptedPlatform::StartProgram(const std::string& program,
                                    const std::vector<std::string>& arguments) {
  std::lock_guard lock(mutex_);
  std::vector<std::string> start{program};
  start.insert(start.end(), arguments.begin(), arguments.end());
  programStarts_.push_back(std::move(start));
  return shellOpenWorks_;
}

void ScriptedPlatform::ProcessPendingEvents() {
  {
    std::lock_guard lock(mutex_);
    ++processEventsCount_;
  }
  if (handOffs_.OnOwnerThread()) {
    handOffs_.RunPending();
  }
}

std::string ScriptedPlatform::ProgramFolder() {
  std::lock_guard lock(mutex_);
  return programFolder_;
}

void ScriptedPlatform::RunBlocking(const std::function<void()>& operation) {
  handOffs_.RunBlocking(operation);
}

void ScriptedPlatform::QueueFolderAnswer(std::optional<std::string> folder) {
  std::lock_guard lock(mutex_);
  folderAnswers_.push_back(std::move(folder));
}

void ScriptedPlatform::QueueQuestionAnswer(bool yes) {
  std::lock_guard lock(mutex_);
  questionAnswers_.push_back(yes);
}

void ScriptedPlatform::SetShellOpenWorks(bool works) {
  std::lock_guard lock(mutex_);
  shellOpenWorks_ = works;
}

void ScriptedPlatform::QueueOpenFileAnswer(std::optional<std::string> fileName) {
  std::lock_guard lock(mutex_);
  openFileAnswers_.push_back(std::move(fileName));
}

void ScriptedPlatform::QueueOpenFilesAnswer(std::vector<std::string> fileNames) {
  std::lock_guard lock(mutex_);
  openFilesAnswers_.push_back(std::move(fileNames));
}

void ScriptedPlatform::QueueSaveFileAnswer(std::optional<std::string> fileName) {
  std::lock_guard lock(mutex_);
  saveFileAnswers_.push_back(std::move(fileName));
}

void ScriptedPlatform::SetProgramFolder(std::string folder) {
  std::lock_guard lock(mutex_);
  programFolder_ = std::move(folder);
}

std::vector<std::string> ScriptedPlatform::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<std::string> ScriptedPlatform::Errors() const {
  std::lock_guard lock(mutex_);
  return errors_;
}

std::vector<std::string> ScriptedPlatform::Questions() const {
  std::lock_guard lock(mutex_);
  return questions_;
}

std::vector<std::string> ScriptedPlatform::FolderBrowserTitles() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> titles;
  for (const FolderRequest& request : folderRequests_) {
    titles.push_back(request.Title);
  }
  return titles;
}

std::vector<FolderRequest> ScriptedPlatform::FolderRequests() const {
  std::lock_guard lock(mutex_);
  return folderRequests_;
}

std::vector<OpenFileRequest> ScriptedPlatform::OpenFileRequests() const {
  std::lock_guard lock(mutex_);
  return openFileRequests_;
}

std::vector<std::string> ScriptedPlatform::ShellOpens() const {
  std::lock_guard lock(mutex_);
  return shellOpens_;
}

std::vector<std::vector<std::string>> ScriptedPlatform::ProgramStarts() const {
  std::lock_guard lock(mutex_);
  return programStarts_;
}

int ScriptedPlatform::ProcessEventsCount() const {
  std::lock_guard lock(mutex_);
  return processEventsCount_;
}

std::size_t ScriptedPlatform::PendingHandOffs() const {
  return handOffs_.Pending();
}

void ScriptedPlatform::ClearRecords() {
  std::lock_guard lock(mutex_);
  messages_.clear();
  errors_.clear();
  questions_.clear();
  folderRequests_.clear();
  openFileRequests_.clear();
  shellOpens_.clear();
  programStarts_.clear();
  processEventsCount_ = 0;
}

std::size_t ScriptedPlatform::RunPending() {
  return handOffs_.RunPending();
}

void ScriptedPlatform::PumpFor(std::chrono::milliseconds maxTime) {
  handOffs_.ServeUntil(std::chrono::steady_clock::now() + maxTime);
}

bool ScriptedPlatform::PumpUntil(const std::function<bool()>& predicate,
                                 std::chrono::milliseconds maxTime) {
  return handOffs_.ServeUntil(predicate, std::chrono::steady_clock::now() + maxTime);
}

void ScriptedPlatform::DropHandOffs() {
  handOffs_.Drop();
}

}  // namespace kartovel::testing

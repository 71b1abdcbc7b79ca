// The main window model: the Start/Stop command, the progress monitor, opening a task
// file, and the menu commands the program carries out itself.
#include "app/Unit1.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <exception>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "app/ConfigFile.h"
#include "app/DecimalText.h"
#include "app/TileHost.h"
#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/FileSystem.h"
#include "common/IniFile.h"
#include "common/IntegerText.h"
#include "common/Locale.h"
#include "common/Paths.h"
#include "common/Text.h"
#include "task/MapSourcesFile.h"
#include "task/TaskFileKeys.h"
#include "task/TaskName.h"

namespace kartovel {

namespace {

constexpr char kStartCaption[] = "Start";
constexpr char kStopCaption[] = "Stop";
constexpr char kProgramTitle[] = "Kartovel";
constexpr int32_t kTicksBetweenSaves = 5;
constexpr std::chrono::milliseconds kTimerInterval{1000};

// The deployment key that names the tile service.
constexpr char kTileServiceSection[] = "TileService";
constexpr char kTileServiceHost[] = "Host";

// What the continue test reads when a key is missing: never equal to a real request.
constexpr int32_t kMissingTaskValue = 100;

// How long destroying the model serves the hand-offs of a stopped run before it joins.
constexpr std::chrono::seconds kShutdownServeLimit{5};

// The zoom box is read as an integer; a text that is none is an error of the handler.
int32_t ReadZoom(const std::string& text) {
  if (const auto zoom = ParseIntegerText(text)) {
    return *zoom;
  }
  throw AppError("'" + text + "' is not a valid integer value");
}

std::string CommasToPoints(std::string text) {
  std::replace(text.begin(), text.end(), ',', '.');
  return text;
}

// The longest name a task gives one of its files: the base and this suffix.
constexpr std::string_view kLongestTaskFileSuffix = "_failed.ftl";
// Room under the path limit for the tile folder's separator and a tile's name.
constexpr size_t kTilePathRoom = 64;

// Whether every file of a task of that name can be stored in the folder: no name past the
// folder's file-name limit, no tile path past the path limit.
bool TaskNameFits(const std::string& savePath, const std::string& taskFileName) {
  long nameLimit = pathconf(savePath.c_str(), _PC_NAME_MAX);
  if (nameLimit <= 0) {
    nameLimit = NAME_MAX;
  }
  const size_t base = RemoveFileExt(taskFileName).size();
  return base + kLongestTaskFileSuffix.size() <= static_cast<size_t>(nameLimit) &&
         taskFileName.size() <= static_cast<size_t>(nameLimit) &&
         savePath.size() + base + kTilePathRoom < PATH_MAX;
}

// The refusal of a task file too large to be one the program wrote, if it is one.
std::optional<std::string> OversizedTaskFile(const std::string& taskFilePath) {
  if (FileSize(taskFilePath).value_or(0) <= taskfile::kMaxTaskFileBytes) {
    return std::nullopt;
  }
  return "The task file " + taskFilePath +
         " is larger than 1 MB, so it is not a task file of this program.";
}

// Tiles of one worker's share up to and including its saved position (serial skip):
// the serials s in 1..skip with s mod workers == index.
int64_t SharedUpTo(int64_t skip, int32_t index, int32_t workers) {
  if (skip <= 0) {
    return 0;
  }
  if (index == 0) {
    return skip / workers;
  }
  return skip >= index ? (skip - index) / workers + 1 : 0;
}

// The serials a worker skips at a resume: up to and including its saved position, at most
// the whole range; 0 when it had none.
int64_t ResumeSkip(const DownloadTask& task, int32_t index) {
  const int32_t resumeX = task.ResumeX[index];
  const int32_t resumeY = task.ResumeY[index];
  if (resumeX == 0 || resumeY == 0) {
    return 0;
  }
  const int64_t rows = int64_t{task.MaxY} - task.MinY + 1;
  const int64_t skip = (int64_t{resumeX} - task.MinX) * rows + (int64_t{resumeY} - task.MinY) + 1;
  return std::clamp<int64_t>(skip, 0, task.TotalCount);
}

// The tiles a continued run had settled before, by the same rule that makes its workers
// skip them.
int32_t ResumedSettledCount(const DownloadTask& task) {
  const int32_t workers = task.Params.ThreadCount;
  int64_t settled = 0;
  for (int32_t i = 0; i < workers; ++i) {
    settled += SharedUpTo(ResumeSkip(task, i), i, workers);
  }
  return static_cast<int32_t>(std::min<int64_t>(settled, task.TotalCount));
}

// The tiles one worker has to settle in this run: its share after what it skips.
int64_t ShareThisRun(const DownloadTask& task, int32_t index) {
  const int32_t workers = task.Params.ThreadCount;
  return SharedUpTo(task.TotalCount, index, workers) -
         SharedUpTo(ResumeSkip(task, index), index, workers);
}

// A report of several lines as one line, for the progress line.
std::string OneLine(std::string text) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  std::string joined;
  for (const char c : text) {
    if (!(c == ' ' && !joined.empty() && joined.back() == ' ')) {
      joined += c;
    }
  }
  return joined;
}

std::string ReplaceQuestion(const std::string& taskFileName) {
  return "A task named " + taskFileName +
         " with another area already exists in this folder. Replace it and its log, tile list "
         "and failed-tile list?";
}

}  // namespace

std::unique_ptr<TDownThread> CreateRunningWorker(int32_t index, DownloadTask& task,
                                                 WorkerContext context) {
  return std::make_unique<TDownThread>(false, index, task, std::move(context));
}

TForm1::TForm1(Platform& platform, Clock& clock, HttpClientFactory makeClient,
               WorkerFactory makeWorker)
    : platform_(platform),
      clock_(clock),
      makeClient_(std::move(makeClient)),
      makeWorker_(std::move(makeWorker)),
      defaultSourceAgent_(DefaultSourceUserAgent(config::kDefaultVersion)) {}

TForm1::~TForm1() {
  view_ = nullptr;
  const bool anyWorker = std::any_of(WorkerTable.begin(), WorkerTable.end(),
                                     [](const auto& worker) { return worker != nullptr; });
  if (!anyWorker) {
    return;
  }
  for (auto& worker : WorkerTable) {
    if (worker) {
      worker->RequestStop();
    }
  }
  // A worker waits in its hand-offs until this thread serves them, so they are served
  // before the workers are joined. This waits on other threads, not on program time,
  // hence the plain short sleep rather than the clock.
  const auto deadline = std::chrono::steady_clock::now() + kShutdownServeLimit;
  while (RunningWorkerCount > 0 && std::chrono::steady_clock::now() < deadline) {
    platform_.ProcessPendingEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  for (auto& worker : WorkerTable) {
    worker.reset();
  }
}

bool TForm1::RunActive() const {
  return Timer1Enabled || std::any_of(WorkerTable.begin(), WorkerTable.end(),
                                      [](const auto& worker) { return worker != nullptr; });
}

std::chrono::milliseconds TForm1::Timer1RealInterval() const {
  return clock_.RealSpan(kTimerInterval);
}

// ---- Start-up ----

void TForm1::FormShow() {
  const std::string programFolder = platform_.ProgramFolder();
  ConfigFilePath = config::ConfigFilePath(programFolder);
  // An options dialog killed while it saved may have left a temporary of the configuration.
  RemoveStaleTemporaries(ConfigFilePath);
  HelpFilePath = IncludeTrailingSeparator(programFolder) + "help" + kPathSeparator + "help.html";
  const TIniFile configuration(ConfigFilePath);
  DefaultPath = configuration.ReadString(config::kIniParas, config::kDefaultPath,
                                         config::DefaultPathDefault());
  const std::string version =
      configuration.ReadString(config::kIniParas, config::kVersion, config::kDefaultVersion);
  // A hand-edited "Host = name" keeps its blanks in the value; they are no part of a host.
  // An empty host falls back like a missing key; any other unusable one stops Start.
  TileHost =
      TrimBlanks(configuration.ReadString(kTileServiceSection, kTileServiceHost, DefaultTileHost));
  if (TileHost.empty()) {
    TileHost = DefaultTileHost;
  }
  Caption = std::string(kProgramTitle) + " " + version;
  Edit6 = DefaultPath;
  LoadMapSources(configuration, version);
  NotifyFields();
}

void TForm1::LoadMapSources(const TIniFile& configuration, const std::string& version) {
  defaultSourceAgent_ = DefaultSourceUserAgent(version);
  MapSourceTable table =
      ReadMapSources(SourcesFilePath(platform_.ProgramFolder()), defaultSourceAgent_);
  MapSources = std::move(table.Sources);
  ComboBoxMapsTypeItems.clear();
  for (const MapSource& source : MapSources) {
    ComboBoxMapsTypeItems.push_back(source.Name);
  }
  ComboBoxMapsTypeItemIndex = 0;
  SelectMapsType(configuration.ReadInteger(config::kIniParas, config::kMapsType, kBuiltInMapsType));
  if (view_) {
    view_->MapSourcesChanged();
  }
  for (std::string& refusal : table.Refusals) {
    AppendLog(std::move(refusal));
  }
}

const MapSource& TForm1::ChosenMapSource() const {
  return MapSources.at(static_cast<size_t>(ComboBoxMapsTypeItemIndex));
}

bool TForm1::SelectMapsType(int32_t mapsType) {
  for (size_t i = 0; i < MapSources.size(); ++i) {
    if (MapSources[i].MapsType == mapsType) {
      ComboBoxMapsTypeItemIndex = static_cast<int32_t>(i);
      NotifyFields();
      return true;
    }
  }
  return false;
}

void TForm1::ComboBoxMapsTypeChange() {
  ComboBoxMapsTypeItemIndex = std::clamp<int32_t>(ComboBoxMapsTypeItemIndex, 0,
                                                  static_cast<int32_t>(MapSources.size()) - 1);
  // The configuration may hold the proxy password: it stays readable by its owner only.
  config::OpenConfigFile(ConfigFilePath)
      .WriteInteger(config::kIniParas, config::kMapsType, ChosenMapSource().MapsType);
}

// ---- Start and Stop ----

void TForm1::BitBtn1Click() {
  if (BitBtn1Caption == kStartCaption) {
    StartClick();
  } else {
    StopRun();
  }
}

std::optional<TaskParameters> TForm1::ReadRequest() {
  TaskParameters request;
  const TIniFile configuration(ConfigFilePath);
  request.UseProxy =
      configuration.ReadInteger(config::kProxy, config::kUseProxy, 0) == config::kProxyOn;
  request.ProxyServer = configuration.ReadString(config::kProxy, config::kProxyServer, "");
  request.ProxyPort = configuration.ReadString(config::kProxy, config::kProxyPort, "");
  request.ProxyUsername = configuration.ReadString(config::kProxy, config::kProxyUsername, "");
  request.ProxyPassword = configuration.ReadString(config::kProxy, config::kProxyPassword, "");
  request.ContinueTask = false;
  request.Zoom = ReadZoom(Edit5);
  const MapSource& source = ChosenMapSource();
  request.MapsType = source.MapsType;
  if (!IsBuiltIn(source)) {
    request.Source = source;
  }

  // Only map type 3 asks the tile host; a source names its own.
  if (IsBuiltIn(source) && !IsTileHost(TileHost)) {
    platform_.ShowMessage(TileHostFault(TileHost, ConfigFilePath));
    return std::nullopt;
  }

  if (Edit6.empty()) {
    platform_.ShowMessage("Please select a path to save the images.");
    return std::nullopt;
  }
  if (const auto fault = SavePathFault(Edit6)) {
    platform_.ShowMessage(*fault);
    return std::nullopt;
  }
  if (!DirectoryExists(Edit6) && !CreateOneDirectory(Edit6)) {
    platform_.ShowMessage("Create directory " + Edit6 + " Failed.");
    return std::nullopt;
  }
  request.SavePath = IncludeTrailingSeparator(Edit6);

  const auto left = ParseDecimalText(CommasToPoints(Edit1));
  const auto right = ParseDecimalText(CommasToPoints(Edit3));
  const auto top = ParseDecimalText(CommasToPoints(Edit2));
  const auto bottom = ParseDecimalText(CommasToPoints(Edit4));
  if (!left || !right || !top || !bottom) {
    platform_.ShowMessage("Longitude or latitude input error!");
    return std::nullopt;
  }
  if (const char* fault = RectangleFault(*left, *right, *top, *bottom)) {
    platform_.ShowMessage(fault);
    return std::nullopt;
  }
  if (!IsBuiltIn(source) && (request.Zoom < source.MinZoom || request.Zoom > source.MaxZoom)) {
    platform_.ShowMessage("The map source " + source.Name + " serves zoom levels " +
                          std::to_string(source.MinZoom) + " to " + std::to_string(source.MaxZoom) +
                          ".");
    return std::nullopt;
  }
  if (const auto fault = TaskNameFault(EditTaskName)) {
    platform_.ShowMessage(*fault);
    return std::nullopt;
  }
  request.LeftLongitude = *left;
  request.RightLongitude = *right;
  request.TopLatitude = *top;
  request.BottomLatitude = *bottom;
  return request;
}

const char* TForm1::RectangleFault(double left, double right, double top, double bottom) {
  if (left < -180 || left > 180) {
    return "Left Longitude should be between -180 and 180.";
  }
  if (right < -180 || right > 180) {
    return "Right Longitude should be between -180 and 180.";
  }
  if (top < -85 || top > 85) {
    return "Top Latitude should be between -85 and 85.";
  }
  if (bottom < -85 || bottom > 85) {
    return "Bottom Latitude should be between -85 and 85.";
  }
  if (left > right) {
    return "Left Longitude should less than Right Longitude!";
  }
  if (top < bottom) {
    return "Bottom Latitude should less than Top Latitude!";
  }
  return nullptr;
}

void TForm1::StartClick() {
  auto request = ReadRequest();
  if (!request) {
    return;
  }
  const std::string taskFileName = TaskFileNameFor(EditTaskName);
  if (!TaskNameFits(request->SavePath, taskFileName)) {
    platform_.ShowMessage(
        "The task name is too long to store the task's files in this folder. Choose a shorter "
        "task name.");
    return;
  }
  if (const auto refusal = OversizedTaskFile(request->SavePath + taskFileName)) {
    platform_.ShowMessage(*refusal + " Choose another task name or move that file away.");
    return;
  }
  RunningWorkerCount = 0;
  request->ThreadCount = request->Source ? request->Source->Workers : kWorkerSlots;
  request->ThreadSlots = kWorkerSlots;
  request->TaskFileName = taskFileName;
  request->ContinueTask =
      ContinuesEarlierRun(request->SavePath, request->TaskFileName, request->Zoom);
  if (!MayReplaceTaskFile(*request)) {
    return;
  }
  request->TileHost = TileHost;
  ReplaceCurrentParameters(std::make_unique<TaskParameters>(std::move(*request)));

  std::unique_ptr<DownloadTask> task;
  try {
    task = std::make_unique<DownloadTask>(*CurrentParameters);
  } catch (const AppError& refusal) {
    platform_.ShowMessage(refusal.what());
    platform_.ShowMessage("Error: Create task failure.");
    return;
  }
  CurrentTask = std::move(task);
  currentTaskParameters_.reset();
  if (CurrentTask->TotalCount < CurrentParameters->ThreadCount) {
    CurrentParameters->ThreadCount = CurrentTask->TotalCount;
  }
  StartRun();
}

bool TForm1::ContinuesEarlierRun(const std::string& savePath, const std::string& taskFileName,
                                 int32_t zoom) const {
  const std::string taskFilePath = savePath + taskFileName;
  if (!FileExists(taskFilePath)) {
    return false;
  }
  const TIniFile taskFile(taskFilePath);
  const MapSource& chosen = ChosenMapSource();
  return taskFile.ReadInteger(taskfile::kMapsTypeSection, taskfile::kMapsType, kMissingTaskValue) ==
             chosen.MapsType &&
         (IsBuiltIn(chosen) ||
          ReadTaskMapSource(taskFilePath, defaultSourceAgent_).Source == chosen) &&
         taskFile.ReadString(taskfile::kAreaSection, taskfile::kLeftLongitude, "") == Edit1 &&
         taskFile.ReadString(taskfile::kAreaSection, taskfile::kRightLongitude, "") == Edit3 &&
         taskFile.ReadString(taskfile::kAreaSection, taskfile::kTopLatitude, "") == Edit2 &&
         taskFile.ReadString(taskfile::kAreaSection, taskfile::kBottomLatitude, "") == Edit4 &&
         taskFile.ReadInteger(taskfile::kZoomSection, taskfile::kZoom, kMissingTaskValue) == zoom &&
         ExtractFilePath(taskFilePath) == IncludeTrailingSeparator(Edit6) &&
         ExtractFileName(taskFilePath) == EditTaskName;
}

bool TForm1::MayReplaceTaskFile(const TaskParameters& request) {
  // A fresh run rewrites the task file, its list, log and failed-tile file: the earlier
  // run's progress and failed records would be lost without a word.
  if (request.ContinueTask || !FileExists(request.SavePath + request.TaskFileName)) {
    return true;
  }
  return platform_.AskYesNo(ReplaceQuestion(request.TaskFileName));
}

void TForm1::ReplaceCurrentParameters(std::unique_ptr<TaskParameters> params) {
  if (CurrentTask && &CurrentTask->Params == CurrentParameters.get()) {
    currentTaskParameters_ = std::move(CurrentParameters);
  }
  CurrentParameters = std::move(params);
}

void TForm1::StartRun() {
  DownloadTask& task = *CurrentTask;
  task.WriteRunFiles();
  if (!task.Params.ContinueTask) {
    ShowStoredArea();
  }

  Memo1 = ReadLines(task.LogFileName);
  if (view_) {
    view_->LogReplaced();
  }
  Memo2 = ReadLines(task.FailedFileName);
  if (view_) {
    view_->FailedReplaced();
  }
  DropUntrustedResumePositions();
  LabelTotalxy = "Total images: " + std::to_string(task.TotalCount);
  BitBtn1Caption = kStopCaption;
  NotifyFields();
  StartProgress();
  writtenPositions_.fill({0, 0});
  settledByWorker_.fill(0);
  lastFailureByWorker_.fill("");
  endedEarly_.clear();
  endedEarlyIndex_ = kWorkerSlots;
  CreateWorkers();
  SetTimer(true);
  MonitorTicks = 0;
}

void TForm1::ShowStoredArea() {
  const TIniFile taskFile(CurrentTask->TaskFilePath());
  Edit1 = taskFile.ReadString(taskfile::kAreaSection, taskfile::kLeftLongitude, Edit1);
  Edit3 = taskFile.ReadString(taskfile::kAreaSection, taskfile::kRightLongitude, Edit3);
  Edit2 = taskFile.ReadString(taskfile::kAreaSection, taskfile::kTopLatitude, Edit2);
  Edit4 = taskFile.ReadString(taskfile::kAreaSection, taskfile::kBottomLatitude, Edit4);
  NotifyFields();
}

void TForm1::DropUntrustedResumePositions() {
  DownloadTask& task = *CurrentTask;
  for (int32_t i = 0; i < std::min(task.Params.ThreadCount, kWorkerSlots); ++i) {
    if (!task.ResumePositionFits(i)) {
      AppendLog("T" + std::to_string(i + 1) + ": the saved position " +
                std::to_string(task.ResumeX[i]) + "," + std::to_string(task.ResumeY[i]) +
                " is not a tile of its share; it starts its share from the beginning.");
      task.ForgetResumePosition(i);
    }
  }
}

void TForm1::CreateWorkers() {
  DownloadTask& task = *CurrentTask;
  const WorkerContext context{*this, platform_, clock_, platform_.ProgramFolder(), makeClient_};
  for (int32_t i = 0; i < std::min(task.Params.ThreadCount, kWorkerSlots); ++i) {
    try {
      WorkerTable[i] = makeWorker_(i, task, context);
    } catch (...) {
      // The workers already running are asked to stop and the monitor ends the run as
      // after a Stop, so the window is ready again once they have reported their end.
      for (auto& worker : WorkerTable) {
        if (worker) {
          worker->RequestStop();
        }
      }
      SetTimer(true);
      MonitorTicks = 0;
      throw;
    }
    ++RunningWorkerCount;
  }
}

void TForm1::StopRun() {
  if (!CurrentTask) {
    return;
  }
  for (int32_t i = 0; i < std::min(CurrentTask->Params.ThreadCount, kWorkerSlots); ++i) {
    if (WorkerTable[i]) {
      WorkerTable[i]->RequestStop();
    }
    AppendLog("Thread" + std::to_string(i + 1) + "will be terminated by user. please wait...");
  }
}

void TForm1::Button1Click() {
  const std::string start = DirectoryExists(Edit6) ? Edit6 : std::string();
  if (auto folder = platform_.BrowseForFolder("Select path to save", start)) {
    Edit6 = std::move(*folder);
    NotifyFields();
  }
}

// ---- The progress monitor ----

void TForm1::Timer1Timer() {
  ++MonitorTicks;
  UpdateRate();
  if (!CurrentTask) {
    return;
  }
  if (MonitorTicks % kTicksBetweenSaves == 0) {
    SavePanes();
    SaveWorkerPositions();
  }
  if (RunningWorkerCount == 0) {
    EndRun();
  }
}

void TForm1::SaveWorkerPositions() {
  CurrentTask->TileWrites.SyncPending();
  // Every write replaces the task file durably, so a value this run already wrote there
  // is not written again (a finished worker's position, the ending after a fifth tick).
  // All the positions go in one replace: a kill never leaves a column without its row.
  std::vector<IniEntry> entries;
  auto written = writtenPositions_;
  for (int32_t i = 0; i < std::min(CurrentTask->Params.ThreadCount, kWorkerSlots); ++i) {
    if (!WorkerTable[i]) {
      continue;
    }
    const auto [lastX, lastY] = WorkerTable[i]->LastPosition();
    auto& [writtenX, writtenY] = written[i];
    if (lastX > 0 && lastX != writtenX) {
      entries.push_back({taskfile::WorkerColumnKey(i + 1), std::to_string(lastX)});
      writtenX = lastX;
    }
    if (lastY > 0 && lastY != writtenY) {
      entries.push_back({taskfile::WorkerRowKey(i + 1), std::to_string(lastY)});
      writtenY = lastY;
    }
  }
  if (entries.empty()) {
    return;
  }
  TIniFile(CurrentTask->TaskFilePath()).WriteStrings(taskfile::kThreadsSection, entries);
  writtenPositions_ = written;
}

void TForm1::SavePanes() {
  SaveLines(CurrentTask->LogFileName, Memo1);
  SaveLines(CurrentTask->FailedFileName, Memo2);
}

void TForm1::EndRun() {
  SetTimer(false);
  AppendLog("");
  AppendLog(std::string(32, '-'));
  AppendLog("Task Stoped!");
  AppendLog("");
  AppendLog("Now time:" + NowText());
  AppendLog("");
  AppendLog("Log file has been saved as " + CurrentTask->LogFileName);

  // A failed save must not leave the run half ended: every step is tried, the workers
  // are destroyed and the window made ready, and the first error is reported at the end.
  // The positions are written only after both panes were saved, as on a fifth tick.
  std::exception_ptr firstError;
  const auto attempt = [&firstError](const auto& step) {
    try {
      step();
      return true;
    } catch (...) {
      if (!firstError) {
        firstError = std::current_exception();
      }
      return false;
    }
  };
  const bool logSaved = attempt([this] { SaveLines(CurrentTask->LogFileName, Memo1); });
  const bool failedSaved = attempt([this] { SaveLines(CurrentTask->FailedFileName, Memo2); });
  if (logSaved && failedSaved) {
    attempt([this] { SaveWorkerPositions(); });
  }
  for (auto& worker : WorkerTable) {
    worker.reset();
  }
  BitBtn1Caption = kStartCaption;
  NotifyFields();
  Progress.SecondsLeft.reset();
  Progress.EndedEarly = endedEarly_;
  NotifyProgress();
  platform_.ShowMessage("Task stoped!" + std::string(20, ' '));
  if (firstError) {
    std::rethrow_exception(firstError);
  }
}

// ---- Progress ----

void TForm1::StartProgress() {
  Progress = RunProgress{};
  Progress.TotalCount = CurrentTask->TotalCount;
  Progress.SettledCount = ResumedSettledCount(*CurrentTask);
  NotifyProgress();
}

void TForm1::UpdateRate() {
  if (!Timer1Enabled) {
    return;
  }
  Progress.ElapsedSeconds = MonitorTicks;
  const double perSecond = MonitorTicks > 0 ? double(Progress.SettledThisRun) / MonitorTicks : 0;
  Progress.TilesPerMinute = perSecond * 60;
  const int32_t remaining = std::max(0, Progress.TotalCount - Progress.SettledCount);
  if (perSecond > 0) {
    Progress.SecondsLeft = static_cast<int64_t>(std::ceil(remaining / perSecond));
  } else {
    Progress.SecondsLeft.reset();
  }
  NotifyProgress();
}

// ---- Spinner, opening a task file ----

void TForm1::UpDown1Up() {
  SetZoomPosition(UpDown1Position + 1);
  Edit5 = std::to_string(UpDown1Position);
  NotifyFields();
}

void TForm1::UpDown1Down() {
  SetZoomPosition(UpDown1Position - 1);
  Edit5 = std::to_string(UpDown1Position);
  NotifyFields();
}

void TForm1::SetZoomPosition(int32_t position) {
  UpDown1Position = std::clamp(position, UpDown1Min, UpDown1Max);
}

void TForm1::LoadParametersfromprojectfilel1Click() {
  const auto chosen =
      platform_.OpenFileDialog("Open project file:", "Projects(*.qtsk)|*.qtsk", DefaultPath);
  if (!chosen) {
    return;
  }
  if (const auto fault = TaskFilePathFault(*chosen)) {
    platform_.ShowMessage(*fault);
    return;
  }
  if (const auto refusal = OversizedTaskFile(*chosen)) {
    platform_.ShowMessage(*refusal);
    return;
  }
  const TIniFile taskFile(*chosen);
  Edit1 = taskFile.ReadString(taskfile::kAreaSection, taskfile::kLeftLongitude, "");
  Edit3 = taskFile.ReadString(taskfile::kAreaSection, taskfile::kRightLongitude, "");
  Edit2 = taskFile.ReadString(taskfile::kAreaSection, taskfile::kTopLatitude, "");
  Edit4 = taskFile.ReadString(taskfile::kAreaSection, taskfile::kBottomLatitude, "");
  Edit6 = ExtractFilePath(*chosen);
  EditTaskName = ExtractFileName(*chosen);
  // The spinner cannot stand outside its limits; the box shows the file's number as it is.
  const int32_t zoom = taskFile.ReadInteger(taskfile::kZoomSection, taskfile::kZoom, 0);
  SetZoomPosition(zoom);
  Edit5 = std::to_string(zoom);
  ShowSourceOfTask(*chosen);
  NotifyFields();
}

void TForm1::ShowSourceOfTask(const std::string& taskFile) {
  const SourceReading reading = ReadTaskMapSource(taskFile, defaultSourceAgent_);
  if (!reading.Source) {
    return;
  }
  const auto offered = std::find(MapSources.begin(), MapSources.end(), *reading.Source);
  if (offered != MapSources.end()) {
    ComboBoxMapsTypeItemIndex = static_cast<int32_t>(offered - MapSources.begin());
    return;
  }
  MapSources.push_back(*reading.Source);
  ComboBoxMapsTypeItems.push_back(reading.Source->Name + " (from the task)");
  ComboBoxMapsTypeItemIndex = static_cast<int32_t>(MapSources.size()) - 1;
  if (view_) {
    view_->MapSourcesChanged();
  }
}

// ---- Menu commands ----

void TForm1::Viewlogfile1Click() {
  if (!CurrentTask) {
    platform_.ShowMessage("No task running now." + std::string(18, ' '));
    return;
  }
  if (FileExists(CurrentTask->LogFileName)) {
    OpenOrReport(CurrentTask->LogFileName);
    return;
  }
  platform_.ShowMessage("No logfile now." + std::string(25, ' '));
}

void TForm1::Memo1DblClick() {
  Viewlogfile1Click();
}

void TForm1::Mapviewer1Click() {
  platform_.ShellOpen(platform_.ProgramFolder() + "mapviewer");
}

void TForm1::CombineImages1Click() {
  platform_.ShellOpen(platform_.ProgramFolder() + "combine");
}

void TForm1::Usermanual1Click() {
  OpenOrReport(HelpFilePath);
}

void TForm1::OpenOrReport(const std::string& path) {
  if (!platform_.ShellOpen(path)) {
    platform_.ShowMessage("Could not open " + path +
                          ": the desktop has no program for it, or it is missing.");
  }
}

void TForm1::Exit1Click() {
  if (view_) {
    view_->CloseRequested();
  }
}

// ---- The workers' hand-offs ----

void TForm1::ShowStatus(const TDownThread& worker) {
  AppendLog(worker.StatusText);
  const bool ownWorker = worker.Index >= 0 && worker.Index < kWorkerSlots;
  if (ownWorker && worker.LastReportKind == ReportKind::Failure) {
    lastFailureByWorker_[worker.Index] = worker.StatusText;
  }
  if (worker.LastReportKind == ReportKind::Fetched || worker.LastReportKind == ReportKind::Blank) {
    if (ownWorker) {
      ++settledByWorker_[worker.Index];
    }
    ++Progress.SettledCount;
    ++Progress.SettledThisRun;
    Progress.BlankCount += worker.LastReportKind == ReportKind::Blank ? 1 : 0;
    NotifyProgress();
  }
}

void TForm1::RecordFailure(const TDownThread& worker) {
  Memo2.push_back(worker.StatusText);
  if (view_) {
    view_->FailedLinesAppended(Memo2.size() - 1);
  }
  ++Progress.FailedCount;
  NotifyProgress();
}

void TForm1::ReportEnd(const TDownThread& worker) {
  --RunningWorkerCount;
  NoteEarlyEnd(worker);
}

void TForm1::NoteEarlyEnd(const TDownThread& worker) {
  // Workers that fail alike end in any order: the line names the first by number.
  if (worker.Index >= endedEarlyIndex_ || worker.StopRequested.load() || !CurrentTask ||
      worker.Index < 0) {
    return;
  }
  if (settledByWorker_[worker.Index] >= ShareThisRun(*CurrentTask, worker.Index)) {
    return;
  }
  const std::string& failure = lastFailureByWorker_[worker.Index];
  endedEarlyIndex_ = worker.Index;
  endedEarly_ = failure.empty()
                    ? "T" + std::to_string(worker.Index + 1) + " ended before its tiles were done."
                    : OneLine(failure);
}

// ---- Notices ----

void TForm1::AppendLog(std::string line) {
  Memo1.push_back(std::move(line));
  if (view_) {
    view_->LogLinesAppended(Memo1.size() - 1);
  }
}

void TForm1::SetTimer(bool enabled) {
  if (Timer1Enabled == enabled) {
    return;
  }
  Timer1Enabled = enabled;
  if (view_) {
    view_->TimerChanged(enabled);
  }
}

void TForm1::NotifyFields() {
  if (view_) {
    view_->FieldsChanged();
  }
}

void TForm1::NotifyProgress() {
  if (view_) {
    view_->ProgressChanged();
  }
}

}  // namespace kartovel

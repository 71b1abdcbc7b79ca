// The main window model: binds the boxes to the engine's run (Start/Stop, the monitor,
// the panes and captions following the run's events), opening a task file, and the menu
// commands the program carries out itself.
#include "app/Unit1.h"

#include <algorithm>
#include <utility>

#include "app/AreaRow.h"
#include "app/Companions.h"
#include "app/JobApproval.h"
#include "app/OfferedSources.h"
#include "app/OpenedTask.h"
#include "app/UserFiles.h"
#include "app/ZoomBox.h"
#include "app/ZoomJob.h"
#include "common/Error.h"
#include "common/FileSystem.h"
#include "common/Paths.h"
#include "common/ProgramLayout.h"
#include "engine/ConfigFile.h"
#include "task/MapSourcesFile.h"
#include "task/TaskFile.h"

namespace kartovel {

namespace {

constexpr char kStartCaption[] = "Start";
constexpr char kStopCaption[] = "Stop";
constexpr char kProgramTitle[] = "Kartovel";

}  // namespace

TForm1::TForm1(Platform& platform, Clock& clock, HttpClientFactory makeClient,
               WorkerFactory makeWorker)
    : platform_(platform),
      job_(platform, clock, makeClient, std::move(makeWorker), {}, *this),
      makeClient_(std::move(makeClient)),
      defaultSourceAgent_(DefaultSourceUserAgent(config::kDefaultVersion)) {}

TForm1::~TForm1() {
  view_ = nullptr;
  // The run's last hand-offs still reach the panes, so they go before the members do.
  job_.CurrentRun().Shutdown();
}

// ---- Start-up ----

void TForm1::FormShow() {
  const std::string programFolder = platform_.ProgramFolder();
  ProgramSettings settings = ReadProgramSettings(programFolder);
  ConfigFilePath = settings.ConfigFilePath;
  HelpFilePath = ResourceFolder(programFolder) + "help" + kPathSeparator + "help.html";
  DefaultPath = settings.DefaultPath;
  TileHost = settings.TileHost;
  Caption = std::string(kProgramTitle) + " " + settings.Version;
  Edit6 = DefaultPath;
  LoadMapSources(std::move(settings));
  NotifyFields();
}

void TForm1::LoadMapSources(ProgramSettings settings) {
  defaultSourceAgent_ = settings.SourceUserAgent;
  MapSources = std::move(settings.Sources.Sources);
  ComboBoxMapsTypeItems = SourceItems(MapSources);
  ComboBoxMapsTypeItemIndex = 0;
  SelectMapsType(settings.RememberedMapsType);
  if (view_) {
    view_->MapSourcesChanged();
  }
  for (std::string& refusal : settings.Sources.Refusals) {
    AppendLog(std::move(refusal));
  }
}

bool TForm1::SelectMapsType(int32_t mapsType) {
  const std::optional<int32_t> index = IndexOfMapsType(MapSources, mapsType);
  if (index) {
    ComboBoxMapsTypeItemIndex = *index;
    NotifyFields();
  }
  return index.has_value();
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
    const RequestedJob job = BoxesJob();
    if (ApproveJob(job, platform_, makeClient_, SampleCache())) {
      job_.Start(RunsOfJob(job));
    }
  } else {
    job_.Stop();
  }
}

std::shared_ptr<TileDiskCache> TForm1::SampleCache() {
  if (!sampleCache_) {
    sampleCache_ = std::make_shared<TileDiskCache>(KartovelCacheFolder());
  }
  return sampleCache_;
}

RequestedJob TForm1::BoxesJob() const {
  return JobOfZoomRow(ReadRequest(), ZoomRowNow(), ZoomLimits(), platform_.ProgramFolder());
}

std::variant<RequestedJob, std::string> TForm1::CurrentRequestedJob() const {
  return CheckedJobOfZoomRow(ReadRequest(), ZoomRowNow(), ZoomLimits(),
                             platform_.ProgramFolder());
}

void TForm1::AskEstimate() {
  estimate_.Ask([job = CurrentRequestedJob(), makeClient = makeClient_,
                 cache = SampleCache()](std::stop_token stop) {
    return EstimateForWindow(job, makeClient, cache, stop);
  });
}

void TForm1::ShowEstimateAnswer() {
  if (std::optional<EstimateShown> shown = estimate_.TakeAnswer()) {
    LabelEstimate = std::move(shown->Line);
    LabelEstimateHint = std::move(shown->Details);
    NotifyFields();
  }
}

RunRequest TForm1::ReadRequest() const {
  RunRequest request;
  request.LeftLongitude = Edit1;
  request.RightLongitude = Edit3;
  request.TopLatitude = Edit2;
  request.BottomLatitude = Edit4;
  request.Zoom = Edit5;
  request.SavePath = Edit6;
  request.TaskName = EditTaskName;
  request.Source = ChosenMapSource();
  request.TileHost = TileHost;
  request.ConfigFilePath = ConfigFilePath;
  request.SourceUserAgent = defaultSourceAgent_;
  request.AreaShape = AreaShape;
  return request;
}

void TForm1::Button1Click() {
  const std::string start = DirectoryExists(Edit6) ? Edit6 : std::string();
  if (auto folder = platform_.BrowseForFolder("Select path to save", start)) {
    Edit6 = std::move(*folder);
    NotifyFields();
  }
}

void TForm1::Timer1Timer() {
  // A run of a range that ended leaves the window's ending to the job's last run, or to
  // a next one that did not start.
  try {
    job_.Tick();
  } catch (...) {
    EndJobIfOver();
    throw;
  }
  EndJobIfOver();
}

void TForm1::EndJobIfOver() {
  if (endingPending_ && !job_.Active()) {
    EndJob();
  }
}

// ---- Spinner, opening a task file ----

ZoomRow TForm1::ZoomRowNow() const {
  return {Edit5, UpDown1Position, EditZoomTo, UpDownZoomToPosition, {}};
}

void TForm1::ShowZoomRow(ZoomRow row) {
  Edit5 = std::move(row.FirstText);
  UpDown1Position = row.First;
  EditZoomTo = std::move(row.LastText);
  UpDownZoomToPosition = row.Last;
  if (!row.Refusal.empty()) {
    StatusBar1 = std::move(row.Refusal);
  }
  NotifyFields();
}

std::string TForm1::CurrentTaskFile() const {
  return CurrentTask ? CurrentTask->TaskFilePath() : NamedTaskFile(Edit6, EditTaskName);
}

std::string TForm1::FilesFolder() const {
  return ChooserFolder(CurrentTaskFile(), DefaultPath);
}

void TForm1::LoadParametersfromprojectfilel1Click() {
  const auto chosen =
      platform_.OpenFileDialog("Open project file:", "Projects(*.qtsk)|*.qtsk", FilesFolder());
  if (!chosen) {
    return;
  }
  auto reading = ReadOpenedTask(*chosen);
  if (const auto* refusal = std::get_if<std::string>(&reading)) {
    platform_.ShowMessage(*refusal);
    return;
  }
  OpenedTask& opened = std::get<OpenedTask>(reading);
  AreaShape = std::move(opened.AreaShape);
  LabelArea = AreaLabel(AreaShape, *chosen);
  const TaskFileValues& saved = opened.Stored;
  Edit1 = saved.LeftLongitude.value_or("");
  Edit3 = saved.RightLongitude.value_or("");
  Edit2 = saved.TopLatitude.value_or("");
  Edit4 = saved.BottomLatitude.value_or("");
  Edit6 = opened.Folder;
  EditTaskName = opened.Name;
  ShowSourceOfTask(*chosen);
  StatusBar1 = TaskStandingLine(*chosen);
  ShowZoomRow(OpenedTaskZoom(saved.Zoom.value_or(0)));
}

void TForm1::ButtonOpenShapeClick() {
  const auto chosen = platform_.OpenFileDialog(
      "Open shape:", "Shapes(*.geojson;*.json;*.kml;*.gpx)|*.geojson;*.json;*.kml;*.gpx",
      DefaultPath);
  if (!chosen) {
    return;
  }
  if (std::optional<Shape> shape = ReadAreaShapeFile(platform_, *chosen, EditCorridor)) {
    UseShape(std::move(*shape), *chosen);
  }
}

void TForm1::UseShape(Shape shape, const std::string& source) {
  RectangleTexts texts = BoundsTexts(shape);
  Edit1 = std::move(texts.Left);
  Edit3 = std::move(texts.Right);
  Edit2 = std::move(texts.Top);
  Edit4 = std::move(texts.Bottom);
  AreaShape = std::move(shape);
  LabelArea = AreaLabel(AreaShape, source);
  NotifyFields();
}

void TForm1::ButtonRectangleClick() {
  AreaShape.reset();
  LabelArea = kRectangleAreaLabel;
  NotifyFields();
}

void TForm1::ShowSourceOfTask(const std::string& taskFile) {
  const SourceReading reading = ReadTaskMapSource(taskFile, defaultSourceAgent_);
  if (!reading.Source) {
    return;
  }
  const SourceOffer offer = OfferTaskSource(MapSources, ComboBoxMapsTypeItems, *reading.Source);
  ComboBoxMapsTypeItemIndex = offer.Index;
  if (offer.Added && view_) {
    view_->MapSourcesChanged();
  }
}

// ---- Menu commands ----

void TForm1::Viewlogfile1Click() {
  ViewLogFile(platform_, CurrentTask.get());
}

void TForm1::Mapviewer1Click() {
  OpenMapViewer(platform_, CurrentTaskFile());
}

void TForm1::CombineImages1Click() {
  OpenMapCombiner(platform_);
}

void TForm1::Usermanual1Click() {
  OpenOrReport(platform_, HelpFilePath);
}

void TForm1::Exit1Click() {
  if (view_) {
    view_->CloseRequested();
  }
}

// ---- The run's events ----

void TForm1::Refused(const RequestFault& fault) {
  if (fault.FaultKind == RequestFault::Kind::Error) {
    throw AppError(fault.Text);
  }
  platform_.ShowMessage(fault.Text);
}

void TForm1::LogReplaced(const Lines& log) {
  Memo1 = log;
  if (view_) {
    view_->LogReplaced();
  }
}

void TForm1::FailedReplaced(const Lines& records) {
  Memo2 = records;
  if (view_) {
    view_->FailedReplaced();
  }
}

void TForm1::FailedRecord(const std::string& record) {
  Memo2.push_back(record);
  if (view_) {
    view_->FailedLinesAppended(Memo2.size() - 1);
  }
}

void TForm1::RunStarted(const DownloadTask& task) {
  if (!task.Params.ContinueTask) {
    ShowStoredArea(task);
  }
  const bool range = job_.RunCount() > 1;
  // The name as the task file has it, so that Stop and an unchanged Start continue (a
  // range's tasks are named after the box, which stays as typed).
  if (!range) {
    EditTaskName = task.Params.TaskFileName;
  }
  LabelTotalxy = "Total images: " + std::to_string(task.TotalCount);
  // The progress rows take over from what the status line said of an opened task.
  StatusBar1 = range ? ZoomRunStatus(task.Params.Zoom, job_.CurrentIndex(), job_.RunCount(),
                                     task.Params.TaskFileName)
                     : StatusBar1Text;
  endingPending_ = false;
  BitBtn1Caption = kStopCaption;
  NotifyFields();
}

void TForm1::ListWriting(std::optional<int32_t> percent) {
  if (percent && !listWriting_) {
    listWriting_ = true;
    labelBeforeList_ = LabelTotalxy;
  }
  if (percent) {
    LabelTotalxy = "Writing the tile list: " + std::to_string(*percent) + " %";
    BitBtn1Caption = kStopCaption;  // Stop now ends the writing
  } else {
    listWriting_ = false;
    LabelTotalxy = labelBeforeList_;
    BitBtn1Caption = kStartCaption;
  }
  NotifyFields();
  // The writing holds this thread: the window repaints and hears a Stop here.
  if (percent) {
    platform_.ProcessPendingEvents();
  }
}

void TForm1::ShowStoredArea(const DownloadTask& task) {
  const TaskFileValues stored = ReadTaskFile(task.TaskFilePath()).Values;
  Edit1 = stored.LeftLongitude.value_or(Edit1);
  Edit3 = stored.RightLongitude.value_or(Edit3);
  Edit2 = stored.TopLatitude.value_or(Edit2);
  Edit4 = stored.BottomLatitude.value_or(Edit4);
}

void TForm1::RunEnded(const RunSummary& summary) {
  if (!summary.RefusedByServer.empty()) {
    StatusBar1 = summary.RefusedByServer;  // the log holds it too
  }
  // The next zoom of a range starts on this tick.
  if (job_.Active()) {
    endingPending_ = true;
    return;
  }
  EndJob();
}

void TForm1::EndJob() {
  endingPending_ = false;
  BitBtn1Caption = kStartCaption;
  NotifyFields();
  NotifyProgress();
  platform_.ShowMessage("Task stoped!" + std::string(20, ' '));
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

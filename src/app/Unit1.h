// The main window as a model: the contents of its controls and the handlers the front end
// calls. The download run itself is the engine's (engine/Run.h): Start reads the boxes into
// a request and hands it over, and the panes, captions and progress follow the run's events.
//
// Threads: everything here runs on the user-interface thread. Workers reach the run only
// through the WorkerOwner hand-offs, which the Platform runs on that thread while the
// worker waits, so no member is ever touched by two threads.
//
// Binding a front end:
//  - Controls are plain public values. The view copies what the user types into Edit1..Edit6
//    and EditTaskName, and calls Edit5Exit when the zoom box is left; everything else it
//    only reads.
//  - Handlers may throw; the view enters every one of them through RunHandler
//    (app/HandlerGuard.h), which shows what escapes in the general error display.
//  - The model tells an attached TForm1View what it changed by itself (in a handler, a
//    worker's hand-off or a tick). Pane notices name the first new line, so a view appends
//    rather than comparing whole panes; a log of 100,000 lines costs one append per line.
//  - Timer1: when TimerChanged(true) arrives the view starts a periodic timer of
//    Timer1RealInterval() that calls Timer1Timer, and stops it on TimerChanged(false).
//  - Exit1Click asks the view to close (CloseRequested). Ending the program during a run
//    does not wait for the workers: when RunActive() the program ends the process directly
//    (std::_Exit) instead of destroying the model; the files keep what the last fifth
//    tick wrote, and every file was written whole by atomic replace.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "app/RequestEstimate.h"
#include "common/Clock.h"
#include "common/IniFile.h"
#include "common/LineFile.h"
#include "common/Platform.h"
#include "download/HttpClient.h"
#include "download/unit3.h"
#include "app/EstimateLine.h"
#include "app/RequestEstimate.h"
#include "app/ZoomBox.h"
#include "engine/Job.h"
#include "engine/ProgramSettings.h"
#include "engine/Run.h"
#include "engine/RunRequest.h"
#include "engine/RunSink.h"
#include "map/TileDiskCache.h"
#include "task/MapSource.h"
#include "task/Unitclasstask.h"

namespace kartovel {

// What the view is told. Every call comes on the user-interface thread, after the change.
// The bodies do nothing, so a view overrides only what it shows.
class TForm1View {
 public:
  virtual ~TForm1View() = default;
  // Memo1 gained lines at its end: Memo1[first] up to its last line are new.
  virtual void LogLinesAppended(std::size_t /*first*/) {}
  // Memo1 was given new content as a whole.
  virtual void LogReplaced() {}
  // The same two for the hidden failed-tile pane Memo2.
  virtual void FailedLinesAppended(std::size_t /*first*/) {}
  virtual void FailedReplaced() {}
  // One or more of the single values changed: Caption, the edits, UpDown1Position,
  // LabelTotalxy, BitBtn1Caption. The view reads them all again (a dozen short texts).
  virtual void FieldsChanged() {}
  // The map sources offered (ComboBoxMapsTypeItems) changed as a whole.
  virtual void MapSourcesChanged() {}
  // Timer1 was enabled or disabled.
  virtual void TimerChanged(bool /*enabled*/) {}
  // Progress changed (a settled or failed tile, a tick, a new run).
  virtual void ProgressChanged() {}
  // Exit: the view closes the main window, which ends the program.
  virtual void CloseRequested() {}
};

class TForm1 final : public WorkerOwner, private RunSink {
  // First, so that the run exists before the public references into it.
  Platform& platform_;
  Job job_;  // the runs of the latest Start, one per zoom
  HttpClientFactory makeClient_;  // the estimate's sampled tiles
  // The map windows' tile cache, which the estimate's sampled tiles go through.
  std::shared_ptr<TileDiskCache> sampleCache_;
  BackgroundEstimate estimate_;

 public:
  static constexpr int32_t kWorkerSlots = kartovel::kWorkerSlots;
  static constexpr int32_t UpDown1Min = 1;
  static constexpr int32_t UpDown1Max = 19;
  static constexpr char StatusBar1Text[] = "Download normal map images from Orvex Maps!";
  static constexpr const char* DefaultTileHost = kDefaultTileHost;

  // platform and clock must outlive the model.
  TForm1(Platform& platform, Clock& clock, HttpClientFactory makeClient,
         WorkerFactory makeWorker = CreateRunningWorker);
  // A run still active is stopped, its last hand-offs are served through
  // Platform::ProcessPendingEvents and its workers joined (tests; the program ends the
  // process instead, see above).
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // The view to notify; nullptr detaches. Not owned.
  void SetView(TForm1View* view) { view_ = view; }

  // ---- Controls ----
  std::string Caption;  // the window's caption, set by FormShow
  std::string EditTaskName = "newtask.qtsk";
  std::string Edit1;             // "Left Longitude:"
  std::string Edit3;             // "Right Longitude:"
  std::string Edit2;             // "Top Latitude:"
  std::string Edit4;             // "Bottom Latitude:"
  std::string Edit5 = "13";      // "Zoom level:", typed (checked by Edit5Exit) or by UpDown1
  int32_t UpDown1Position = 13;  // always within UpDown1Min..UpDown1Max
  // "to": the last zoom of the job, from UpDown1Position up to the source's highest; none
  // while it is the same zoom (one run, as ever), so that it follows the first. Each zoom
  // of a range is a task of its own, named EditTaskName + "_" + zoom.
  std::string EditZoomTo = "13";
  std::optional<int32_t> UpDownZoomToPosition;
  // Under the zoom row: the job's tiles, size, time and the free space where they go
  // (AskEstimate), and every zoom's figures as the line's hint.
  std::string LabelEstimate;
  std::string LabelEstimateHint;
  std::string Edit6;             // "Path to save:"
  // "Area:": none for "Rectangle" (the four boxes), else the shape the user opened or
  // drew, whose bounds stand for the boxes; LabelArea names it ("Rectangle", or the
  // shape's name and file). EditCorridor: the width in metres on each side of a shape
  // file's tracks and lines, read when a shape file is opened.
  std::optional<Shape> AreaShape;
  std::string LabelArea = "Rectangle";
  std::string EditCorridor = "500";
  // "Map source:": map type 3 first, then the valid sources of ini/sources.ini (and the
  // source of an opened task that the file no longer holds). Items and MapSources run
  // in step; the index is always valid.
  std::vector<std::string> ComboBoxMapsTypeItems{kBuiltInSourceName};
  std::vector<MapSource> MapSources{BuiltInMapSource()};
  int32_t ComboBoxMapsTypeItemIndex = 0;
  std::string LabelTotalxy;              // "Total images: " and the count once a run starts
  std::string BitBtn1Caption = "Start";  // "Start" when idle, "Stop" during a run
  // The status line: the program's line, or how far an opened task got, or why a typed
  // zoom was refused.
  std::string StatusBar1 = StatusBar1Text;
  Lines Memo1{"[log window]"};
  Lines Memo2{"[Failed tile inforamtion window]"};
  bool Timer1Enabled = false;

  // ---- Program-wide state: the run's, held by the engine ----
  int32_t& RunningWorkerCount = job_.CurrentRun().RunningWorkerCount;
  std::array<std::unique_ptr<TDownThread>, kWorkerSlots>& WorkerTable =
      job_.CurrentRun().WorkerTable;
  std::unique_ptr<TaskParameters>& CurrentParameters = job_.CurrentRun().CurrentParameters;
  std::unique_ptr<DownloadTask>& CurrentTask = job_.CurrentRun().CurrentTask;
  int32_t& MonitorTicks = job_.CurrentRun().MonitorTicks;
  std::string ConfigFilePath;              // set by FormShow
  std::string HelpFilePath;                // set by FormShow
  std::string DefaultPath;                 // set by FormShow
  std::string TileHost = DefaultTileHost;  // [TileService] Host without blanks, set by FormShow
  RunProgress& Progress = job_.CurrentRun().Progress;

  // The source the drop-down shows.
  const MapSource& ChosenMapSource() const {
    return MapSources.at(static_cast<size_t>(ComboBoxMapsTypeItemIndex));
  }
  // Shows the first source of that map type in the drop-down (nothing is remembered);
  // false when none is offered.
  bool SelectMapsType(int32_t mapsType);

  // The zooms the box takes for the chosen source: 1 to 19 for the built-in map type,
  // the source's own levels for the others.
  std::pair<int32_t, int32_t> ZoomLimits() const { return SourceZoomLimits(ChosenMapSource()); }
  // The task file the user works on: that of the latest Start, else the one the boxes
  // name when it exists; empty when there is none.
  std::string CurrentTaskFile() const;
  // Where a chooser of the user's files starts: the current task's folder, else the
  // default save folder, else the platform's choice (empty). Never a missing folder.
  std::string FilesFolder() const;

  // What Start would download (the request of the boxes over the zoom row's range), or
  // the sentence why the zoom boxes name no range.
  std::variant<RequestedJob, std::string> CurrentRequestedJob() const;

  // True from the creation of a run's first worker until the tick that ends the job.
  bool RunActive() const { return job_.Active(); }
  // The real time between two ticks of Timer1 (one second of program time).
  std::chrono::milliseconds Timer1RealInterval() const { return job_.TickInterval(); }

  // ---- Handlers ----
  void FormShow();
  void BitBtn1Click();            // Start / Stop
  void Button1Click();            // "..." beside the path box
  void Timer1Timer();             // the progress monitor
  void UpDown1Up() { StepZoomRow(ZoomEnd::First, +1); }    // spinner up, stops at UpDown1Max
  void UpDown1Down() { StepZoomRow(ZoomEnd::First, -1); }  // spinner down, stops at UpDown1Min
  // The zoom box was left: a typed zoom within ZoomLimits moves the spinner; anything else
  // is refused, the box shows the spinner's zoom again and the status line says why.
  void Edit5Exit() { ShowZoomRow(TakeTypedZoom(ZoomRowNow(), ZoomEnd::First, ZoomLimits())); }
  // "to": up stops at the source's highest zoom, down at the first zoom; a typed zoom as
  // Edit5Exit, from the first zoom to the source's highest.
  void UpDownZoomToUp() { StepZoomRow(ZoomEnd::Last, +1); }
  void UpDownZoomToDown() { StepZoomRow(ZoomEnd::Last, -1); }
  void EditZoomToExit() { ShowZoomRow(TakeTypedZoom(ZoomRowNow(), ZoomEnd::Last, ZoomLimits())); }
  // The estimate line: AskEstimate after the boxes changed (the view waits for typing to
  // pause) starts working it out away from this thread; while EstimatePending() the view
  // calls ShowEstimateAnswer now and then, which shows the answer once it is there.
  void AskEstimate();
  bool EstimatePending() const { return estimate_.Busy(); }
  void ShowEstimateAnswer();
  void ComboBoxMapsTypeChange();  // after the view set the index: remembers the choice
  void LoadParametersfromprojectfilel1Click();  // "Open task ..."
  void ButtonOpenShapeClick();   // "Open shape ..." of the "Area:" row
  void ButtonRectangleClick();   // "Rectangle" of the "Area:" row: the four boxes again
  // A shape drawn or opened elsewhere (the area window's polygon) becomes the area.
  void UseShape(Shape shape, const std::string& source);
  void Viewlogfile1Click();
  void Memo1DblClick() { Viewlogfile1Click(); }
  void Mapviewer1Click();
  void CombineImages1Click();
  void Usermanual1Click();
  void Exit1Click();

  // The message of the first range or order fault of the rectangle, or nullptr.
  static const char* RectangleFault(double left, double right, double top, double bottom) {
    return kartovel::RectangleFault(left, right, top, bottom);
  }

  // ---- WorkerOwner: the workers' hand-offs ----
  void ShowStatus(const TDownThread& worker) override { job_.CurrentRun().ShowStatus(worker); }
  void RecordFailure(const TDownThread& worker) override {
    job_.CurrentRun().RecordFailure(worker);
  }
  void ReportEnd(const TDownThread& worker) override { job_.CurrentRun().ReportEnd(worker); }

 private:
  // The request as the boxes and the settings hold it.
  RunRequest ReadRequest() const;
  // The map windows' tile cache, which the estimate's sampled tiles go through.
  std::shared_ptr<TileDiskCache> SampleCache();
  // The request and the zoom row's range, unchecked.
  RequestedJob BoxesJob() const;
  // The start-up's map sources: the drop-down, the refusal lines, the choice remembered in
  // the configuration.
  void LoadMapSources(ProgramSettings settings);
  // Opening a task shows its own source, offering it when the drop-down lacks it.
  void ShowSourceOfTask(const std::string& taskFile);
  // A fresh run's coordinate boxes show the texts its task file stores, as Open task
  // would, so that Stop and an unchanged Start continue the run.
  void ShowStoredArea(const DownloadTask& task);

  // ---- RunSink: the run's events ----
  void Refused(const RequestFault& fault) override;
  bool Confirm(const std::string& question) override { return platform_.AskYesNo(question); }
  void LogReplaced(const Lines& log) override;
  void LogLine(const std::string& line) override { AppendLog(line); }
  void FailedReplaced(const Lines& records) override;
  void FailedRecord(const std::string& record) override;
  void RunStarted(const DownloadTask& task) override;
  void ListWriting(std::optional<int32_t> percent) override;
  void ProgressChanged(const RunProgress& /*progress*/) override { NotifyProgress(); }
  void MonitorChanged(bool running) override { SetTimer(running); }
  void RunEnded(const RunSummary& summary) override;

  void AppendLog(std::string line);
  void SetTimer(bool enabled);
  ZoomRow ZoomRowNow() const;
  // The zoom row as given, and a refusal it carries in the status line.
  void ShowZoomRow(ZoomRow row);
  void StepZoomRow(ZoomEnd end, int32_t step) {
    ShowZoomRow(StepZoom(ZoomRowNow(), end, step, ZoomLimits().second));
  }
  // The run's ending in the window: "Start" and the message, once the job has no more
  // runs to start.
  void EndJob();
  void EndJobIfOver();
  void NotifyFields();
  void NotifyProgress();

  TForm1View* view_ = nullptr;
  bool endingPending_ = false;  // a run of the job ended; the next has not started yet
  // While a long tile list is written: the label it replaced.
  bool listWriting_ = false;
  std::string labelBeforeList_;
  // What a source without a UserAgent sends, from the version read at start-up.
  std::string defaultSourceAgent_;
};

}  // namespace kartovel

// The main window as a model: the contents of its controls, the state of a download run
// (its task, its workers, the progress monitor) and the handlers the front end calls.
//
// Threads: everything here runs on the user-interface thread. Workers reach the model only
// through the WorkerOwner hand-offs, which the Platform runs on that thread while the
// worker waits, so no member is ever touched by two threads.
//
// Binding a front end:
//  - Controls are plain public values. The view copies what the user types into Edit1..Edit6
//    and EditTaskName (Edit5 only changes through the spinner handlers); everything else it
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
#include <vector>

#include "common/Clock.h"
#include "common/IniFile.h"
#include "common/LineFile.h"
#include "common/Platform.h"
#include "download/HttpClient.h"
#include "download/unit3.h"
#include "engine/RunRequest.h"
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

// Progress figures of the current (or last) run, for a progress bar. Tiles a continued run
// had settled before are counted as settled from the start.
struct RunProgress {
  int32_t TotalCount = 0;              // tiles in the run's range
  int32_t SettledCount = 0;            // fetched or replaced by the blank image
  int32_t FailedCount = 0;             // failed-tile records added by this run
  int32_t BlankCount = 0;              // tiles replaced by the blank image in this run
  int32_t SettledThisRun = 0;          // settled since this Start (the rate's base)
  int32_t ElapsedSeconds = 0;          // monitor ticks of this run
  double TilesPerMinute = 0;           // SettledThisRun over the elapsed time; 0 until a tick
  std::optional<int64_t> SecondsLeft;  // estimate from the rate; none while the rate is 0
  // Once a run has ended with workers that stopped before their shares were done (and
  // not because the user pressed Stop): the last error line of the first of them by number.
  std::string EndedEarly;
};

// Creates a worker of a run; the program's creates a running TDownThread. Tests can
// inject one that fails, as the platform might when it cannot start a thread.
using WorkerFactory = std::function<std::unique_ptr<TDownThread>(int32_t index, DownloadTask& task,
                                                                 WorkerContext context)>;
std::unique_ptr<TDownThread> CreateRunningWorker(int32_t index, DownloadTask& task,
                                                 WorkerContext context);

class TForm1 final : public WorkerOwner {
 public:
  static constexpr int32_t kWorkerSlots = kartovel::kWorkerSlots;
  static constexpr int32_t UpDown1Min = 1;
  static constexpr int32_t UpDown1Max = 19;
  static constexpr char StatusBar1Text[] = "Download normal map images from Orvex Maps!";
  static constexpr char DefaultTileHost[] = "127.0.0.1:8642";

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
  std::string Edit5 = "13";      // "Zoom level:", read-only, driven by UpDown1
  int32_t UpDown1Position = 13;  // always within UpDown1Min..UpDown1Max
  std::string Edit6;             // "Path to save:"
  // "Map source:": map type 3 first, then the valid sources of ini/sources.ini (and the
  // source of an opened task that the file no longer holds). Items and MapSources run
  // in step; the index is always valid.
  std::vector<std::string> ComboBoxMapsTypeItems{kBuiltInSourceName};
  std::vector<MapSource> MapSources{BuiltInMapSource()};
  int32_t ComboBoxMapsTypeItemIndex = 0;
  std::string LabelTotalxy;              // "Total images: " and the count once a run starts
  std::string BitBtn1Caption = "Start";  // "Start" when idle, "Stop" during a run
  Lines Memo1{"[log window]"};
  Lines Memo2{"[Failed tile inforamtion window]"};
  bool Timer1Enabled = false;

  // ---- Program-wide state ----
  int32_t RunningWorkerCount = 0;
  std::array<std::unique_ptr<TDownThread>, kWorkerSlots> WorkerTable;
  std::unique_ptr<TaskParameters> CurrentParameters;  // of the latest Start
  std::unique_ptr<DownloadTask> CurrentTask;          // of the latest Start that built one
  int32_t MonitorTicks = 0;
  std::string ConfigFilePath;              // set by FormShow
  std::string HelpFilePath;                // set by FormShow
  std::string DefaultPath;                 // set by FormShow
  std::string TileHost = DefaultTileHost;  // [TileService] Host without blanks, set by FormShow
  RunProgress Progress;

  // The source the drop-down shows.
  const MapSource& ChosenMapSource() const;
  // Shows the first source of that map type in the drop-down (nothing is remembered);
  // false when none is offered.
  bool SelectMapsType(int32_t mapsType);

  // True from the creation of a run's first worker until the tick that ends the run.
  bool RunActive() const;
  // The real time between two ticks of Timer1 (one second of program time).
  std::chrono::milliseconds Timer1RealInterval() const;

  // ---- Handlers ----
  void FormShow();
  void BitBtn1Click();            // Start / Stop
  void Button1Click();            // "..." beside the path box
  void Timer1Timer();             // the progress monitor
  void UpDown1Up();               // spinner up, stops at UpDown1Max
  void UpDown1Down();             // spinner down, stops at UpDown1Min
  void ComboBoxMapsTypeChange();  // after the view set the index: remembers the choice
  void LoadParametersfromprojectfilel1Click();  // "Open task ..."
  void Viewlogfile1Click();
  void Memo1DblClick();  // same as Viewlogfile1Click
  void Mapviewer1Click();
  void CombineImages1Click();
  void Usermanual1Click();
  void Exit1Click();

  // The message of the first range or order fault of the rectangle, or nullptr.
  static const char* RectangleFault(double left, double right, double top, double bottom);

  // ---- WorkerOwner: the workers' hand-offs ----
  void ShowStatus(const TDownThread& worker) override;
  void RecordFailure(const TDownThread& worker) override;
  void ReportEnd(const TDownThread& worker) override;

 private:
  // The Start branch: the request's checks (empty when a message was shown), the
  // continue test, and the start of the run once its task is built.
  void StartClick();
  // The request as the boxes and the settings hold it.
  RunRequest ReadRequest() const;
  bool ContinuesEarlierRun(const std::string& savePath, const std::string& taskFileName,
                           int32_t zoom) const;
  // False when a task file of that name lies in the folder and the user keeps it.
  bool MayReplaceTaskFile(const TaskParameters& request);
  // The start-up's reading of ini/sources.ini: the drop-down, the refusal lines, the choice
  // remembered in the configuration.
  void LoadMapSources(const TIniFile& configuration, const std::string& version);
  // Opening a task shows its own source, offering it when the drop-down lacks it.
  void ShowSourceOfTask(const std::string& taskFile);
  // Makes params current while keeping the record the current task refers to alive.
  void ReplaceCurrentParameters(std::unique_ptr<TaskParameters> params);
  void StartRun();
  // A fresh run's coordinate boxes show the texts its task file stores, as Open task
  // would, so that Stop and an unchanged Start continue the run.
  void ShowStoredArea();
  // Saved positions that are not tiles of their worker's share are forgotten, one log
  // line each: such a worker starts its share from the beginning.
  void DropUntrustedResumePositions();
  void CreateWorkers();
  void StopRun();
  // The monitor's parts. The panes are saved before the positions, so that a position on
  // disk never runs ahead of the log lines and failed-tile records of the tiles it covers.
  void SaveWorkerPositions();
  void SavePanes();
  void EndRun();
  void StartProgress();
  void UpdateRate();
  // Notes the first worker that ends before its share of the run is done.
  void NoteEarlyEnd(const TDownThread& worker);
  // Opens a path with the desktop and says so when that fails.
  void OpenOrReport(const std::string& path);

  void AppendLog(std::string line);
  void SetTimer(bool enabled);
  void SetZoomPosition(int32_t position);
  void NotifyFields();
  void NotifyProgress();

  Platform& platform_;
  Clock& clock_;
  HttpClientFactory makeClient_;
  WorkerFactory makeWorker_;
  TForm1View* view_ = nullptr;
  // What a source without a UserAgent sends, from the version read at start-up.
  std::string defaultSourceAgent_;
  // The record CurrentTask refers to, once a later Start replaced CurrentParameters
  // without building a task (a refused request keeps the previous task current).
  std::unique_ptr<TaskParameters> currentTaskParameters_;
  // The worker positions this run has written to the task file (0: none yet).
  std::array<std::pair<int32_t, int32_t>, kWorkerSlots> writtenPositions_{};
  // Per worker of this run: tiles settled, and its last failure line.
  std::array<int32_t, kWorkerSlots> settledByWorker_{};
  std::array<std::string, kWorkerSlots> lastFailureByWorker_;
  // The last failure line of the lowest-numbered worker that ended early in this run,
  // and its index (kWorkerSlots: none).
  std::string endedEarly_;
  int32_t endedEarlyIndex_ = kWorkerSlots;
};

}  // namespace kartovel

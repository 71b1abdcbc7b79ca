// The run that the write-fault walk starts in a child process: the main window model with
// a scripted platform and a fast clock, served by the parent's loopback tile service.
// Every step of the file-write path is counted through the write-step seam and written to
// a trace, and the process kills itself (SIGKILL) at the step the parent names. The trace
// also marks the start and each tick of the monitor, so the parent can tell where a kill
// landed. Every run makes the same writes: the start's, one per tile of the first round
// (every worker's first tile, the failing one among them), a fifth tick's while the
// workers stand still, one per tile of the second round, and the ending's.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "CrashChild.h"
#include "app/HandlerGuard.h"
#include "app/Unit1.h"
#include "common/Clock.h"
#include "common/WriteFault.h"
#include "support/ScriptedPlatform.h"

namespace kartovel::testing {

inline constexpr char kWriteFaultChildVariable[] = "KARTOVEL_WRITE_FAULT_CHILD";  // sandbox
inline constexpr char kWriteFaultStepVariable[] = "KARTOVEL_WRITE_FAULT_STEP";    // 0: none
inline constexpr char kWriteFaultTraceName[] = "trace.txt";

// A tile's one-second pause lasts 10 ms. The parent's runs after a kill tick every 2 ms.
inline constexpr double kWriteFaultTimeScale = 0.01;
inline constexpr std::chrono::milliseconds kWriteFaultTickEvery{2};
// The first round: each of the 8 workers settles its first tile.
inline constexpr int32_t kTilesOfTheFirstRound = 8;

// The child's clock: the pause after a fetched tile waits until the gate is opened, so
// that the first round ends with every worker standing still; every pause is scaled.
class GateClock final : public Clock {
 public:
  void Sleep(std::chrono::milliseconds span) override {
    if (span == kPauseAfterATile) {
      std::unique_lock lock(mutex_);
      opened_.wait(lock, [this] { return open_; });
    }
    scaled_.Sleep(span);
  }
  std::chrono::milliseconds RealSpan(std::chrono::milliseconds span) const override {
    return scaled_.RealSpan(span);
  }
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    opened_.notify_all();
  }

 private:
  static constexpr std::chrono::milliseconds kPauseAfterATile{1000};
  ScaledClock scaled_{kWriteFaultTimeScale};
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

// The request both processes type: 3 columns by 4 rows at zoom 3, 8 workers.
inline void TypeWriteFaultRequest(TForm1& form, const std::string& path) {
  form.Edit1 = "-180";
  form.Edit3 = "-46";
  form.Edit2 = "80";
  form.Edit4 = "1";
  form.Edit5 = "3";
  form.UpDown1Position = 3;
  form.Edit6 = path;
  form.EditTaskName = "walk.qtsk";
}

struct WriteFaultChildState {
  int TraceDescriptor = -1;
  int64_t KillAt = 0;
  std::atomic<int64_t> Reached{0};
  std::atomic<bool> Dying{false};
};

inline WriteFaultChildState& ChildState() {
  static WriteFaultChildState state;
  return state;
}

// One line, written whole and at once: it is on disk whenever the kill comes.
inline void TraceLine(const std::string& line) {
  const std::string text = line + "\n";
  if (write(ChildState().TraceDescriptor, text.data(), text.size()) < 0) {
    std::_Exit(kCrashChildFailed);
  }
}

[[noreturn]] inline void WaitForTheKill() {
  for (;;) {
    pause();
  }
}

// Once the kill is on its way, a write of another thread goes no further than its next
// step, as if the kill had already landed.
inline void OnChildWriteStep(const std::string& fileName, WriteStep step) {
  WriteFaultChildState& state = ChildState();
  if (state.Dying.load()) {
    WaitForTheKill();
  }
  const int64_t number = ++state.Reached;
  if (number == state.KillAt) {
    state.Dying.store(true);
  }
  TraceLine("S " + std::to_string(number) + " " + std::to_string(static_cast<int>(step)) + " " +
            fileName);
  if (number == state.KillAt) {
    kill(getpid(), SIGKILL);
    WaitForTheKill();
  }
}

// Runs the request to its end unless killed first; the exit status says how it ended.
inline int RunWriteFaultChild(const std::string& sandbox, int64_t killAt) {
  WriteFaultChildState& state = ChildState();
  state.TraceDescriptor = open((sandbox + kWriteFaultTraceName).c_str(),
                               O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  state.KillAt = killAt;
  SetWriteStepHandler(OnChildWriteStep);
  try {
    ScriptedPlatform platform(sandbox + "program/");
    GateClock time;
    TForm1 form(platform, time, CreateCurlHttpClient);
    RunHandler(platform, [&] { form.FormShow(); });
    TypeWriteFaultRequest(form, sandbox + "maps");
    const auto tick = [&] {
      TraceLine(std::string(form.RunningWorkerCount == 0 ? "P ending " : "P tick ") +
                std::to_string(form.MonitorTicks + 1));
      RunHandler(platform, [&] { form.Timer1Timer(); });
    };
    TraceLine("P start");
    RunHandler(platform, [&] { form.BitBtn1Click(); });
    constexpr auto kLimit = std::chrono::seconds(30);
    platform.PumpUntil([&] { return form.Progress.SettledCount >= kTilesOfTheFirstRound; }, kLimit);
    for (int i = 0; i < 5 && form.RunningWorkerCount > 0; ++i) {
      tick();
    }
    time.Open();
    platform.PumpUntil([&] { return form.RunningWorkerCount == 0; }, kLimit);
    tick();
    return form.Timer1Enabled || !platform.Errors().empty() ? kCrashChildFailed
                                                            : kCrashChildRunEnded;
  } catch (...) {
    return kCrashChildFailed;
  }
}

}  // namespace kartovel::testing

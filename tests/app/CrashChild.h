// The headless run that the crash test starts in a child process and kills: the main
// window model with a scripted platform and a slowed clock, served as an event loop would
// serve it. The test program's main() runs it when the variable below names a sandbox.
#pragma once

#include <chrono>
#include <string>

#include "app/HandlerGuard.h"
#include "app/Unit1.h"
#include "common/Clock.h"
#include "support/ScriptedPlatform.h"

namespace kartovel::testing {

inline constexpr char kCrashChildVariable[] = "KARTOVEL_CRASH_CHILD";
// Exit statuses of a child that was not killed.
inline constexpr int kCrashChildRunEnded = 3;
inline constexpr int kCrashChildFailed = 4;

// A tile's one-second pause lasts 50 ms and the monitor saves every 250 ms, so the run
// lasts seconds and the kill lands in its middle.
inline constexpr double kCrashChildTimeScale = 0.05;

// The request both processes type: 29 x 22 tiles at zoom 10.
inline void TypeCrashRequest(TForm1& form, const std::string& path) {
  form.Edit1 = "10";
  form.Edit3 = "20";
  form.Edit2 = "50";
  form.Edit4 = "45";
  form.Edit5 = "10";
  form.UpDown1Position = 10;
  form.Edit6 = path;
  form.EditTaskName = "crash.qtsk";
}

// sandbox holds "program/" (configuration naming the tile service, blank image) and
// receives the run under "maps". Returns only if the run ends before the kill.
inline int RunCrashChild(const std::string& sandbox) {
  try {
    ScriptedPlatform platform(sandbox + "program/");
    ScaledClock time(kCrashChildTimeScale);
    TForm1 form(platform, time, CreateCurlHttpClient);
    RunHandler(platform, [&] { form.FormShow(); });
    TypeCrashRequest(form, sandbox + "maps");
    RunHandler(platform, [&] { form.BitBtn1Click(); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (form.Timer1Enabled && std::chrono::steady_clock::now() < deadline) {
      platform.PumpFor(form.Timer1RealInterval());
      RunHandler(platform, [&] { form.Timer1Timer(); });
    }
    return kCrashChildRunEnded;
  } catch (...) {
    return kCrashChildFailed;
  }
}

}  // namespace kartovel::testing

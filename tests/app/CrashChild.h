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
// Set (to anything) when the child's request is the shaped one.
inline constexpr char kCrashChildShapedVariable[] = "KARTOVEL_CRASH_CHILD_SHAPED";
// Exit statuses of a child that was not killed.
inline constexpr int kCrashChildRunEnded = 3;
inline constexpr int kCrashChildFailed = 4;

// A tile's one-second pause lasts 50 ms and the monitor saves every 250 ms, so the run
// lasts seconds and the kill lands in its middle.
inline constexpr double kCrashChildTimeScale = 0.05;

// The shaped request's area: a triangle in the rectangle's corner and a corridor along
// its other side, about half of the rectangle's tiles.
inline Shape CrashShape() {
  return Shape{"crash", {{{{10.2, 45.3}, {19.0, 45.6}, {10.4, 49.8}}, {}}},
               {{{19.5, 45.2}, {19.7, 49.5}, {12.0, 49.8}}}, 20000};
}

// The request both processes type: 29 x 22 tiles at zoom 10, or the shape in that rectangle.
inline void TypeCrashRequest(TForm1& form, const std::string& path, bool shaped = false) {
  if (shaped) form.AreaShape = CrashShape();
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
inline int RunCrashChild(const std::string& sandbox, bool shaped) {
  try {
    ScriptedPlatform platform(sandbox + "program/");
    ScaledClock time(kCrashChildTimeScale);
    TForm1 form(platform, time, CreateCurlHttpClient);
    RunHandler(platform, [&] { form.FormShow(); });
    TypeCrashRequest(form, sandbox + "maps", shaped);
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

// The main window model wired for tests: a sandbox program folder with its configuration
// and blank image, a scripted platform, a scaled clock and a loopback tile service. It
// drives the model as the event loop would: serves the workers' hand-offs and ticks
// Timer1, always within a bound of time.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "app/Unit1.h"
#include "common/Clock.h"
#include "common/Locale.h"
#include "support/FakeClock.h"
#include "support/LoopbackServer.h"
#include "support/Sandbox.h"
#include "support/ScriptedPlatform.h"

namespace kartovel::testing {

// The date-and-time text the rig fixes for the closing lines and the log header.
inline constexpr char kRigNowText[] = "2026-01-02 03:04:05";

struct MainWindowRigOptions {
  double TimeScale = 0;                      // the clock's scale: 0 never waits
  bool WriteConfig = true;                   // ini/config.ini naming the loopback service
  HttpClientFactory MakeClient;              // empty: the libcurl client
  WorkerFactory MakeWorker;                  // empty: running TDownThreads
  LoopbackServer::ReplyHandler ServerReply;  // the tile service's replies; empty: a PNG
  std::chrono::milliseconds TickEvery{10};   // real time between two ticks of Timer1
  bool RecordPauses = false;                 // the model gets Pauses instead of Time
};

class MainWindowRig {
 public:
  explicit MainWindowRig(MainWindowRigOptions options = {});
  ~MainWindowRig();

  // Runs a handler as the front end does, under the general error display.
  bool Click(void (TForm1::*handler)());
  // Fills the request's boxes; the zoom goes to the box as the spinner would put it.
  void TypeRequest(const std::string& left, const std::string& right, const std::string& top,
                   const std::string& bottom, int zoom, const std::string& path,
                   const std::string& taskName);
  // One tick of Timer1 under the general error display.
  void Tick();
  // Serves hand-offs and ticks every TickEvery while the timer runs, until the run has
  // ended (caption "Start", timer off) or the limit passed; true when it ended. check
  // runs after every tick, for assertions that must hold during the run.
  bool RunToEnd(std::chrono::milliseconds limit = std::chrono::seconds(60),
                const std::function<void()>& check = {});
  // Serves hand-offs until the predicate holds or the limit passed.
  bool ServeUntil(const std::function<bool()>& predicate,
                  std::chrono::milliseconds limit = std::chrono::seconds(30));

  std::string SavePath(const std::string& name = "") const { return SaveFolder + name; }
  // Writes ini/sources.ini in the program folder.
  void WriteSources(const std::string& content) const;

  Sandbox Box;
  std::string ProgramFolder;  // ends with "/"
  std::string SaveFolder;     // ends with "/", not created
  LoopbackServer Server;
  ScriptedPlatform Platform;
  ScaledClock Time;
  FakeClock Pauses;  // records every pause without waiting, when RecordPauses
  ScopedLocaleOverride Locale;
  std::unique_ptr<TForm1> Form;  // created last, destroyed first

 private:
  std::chrono::milliseconds tickEvery_;
};

}  // namespace kartovel::testing

// The main window test rig: sandbox, configuration, loopback service, pumping and ticks.
#include "support/MainWindowRig.h"

#include <filesystem>

#include "app/HandlerGuard.h"
#include "download/HttpClient.h"

namespace kartovel::testing {

namespace {

std::string ConfigText(const std::string& defaultPath, const std::string& host) {
  return "[IniParas]\r\nDefaultPath=" + defaultPath +
         "\r\nVersion=6.436\r\n[Proxy]\r\nUseProxy=0\r\n" + "[TileService]\r\nHost=" + host +
         "\r\n";
}

LoopbackServer::Options ServerOptions(LoopbackServer::ReplyHandler reply) {
  LoopbackServer::Options options;
  options.DefaultReply = std::move(reply);
  return options;
}

}  // namespace

MainWindowRig::MainWindowRig(MainWindowRigOptions options)
    : ProgramFolder(Box.Path("program/")),
      SaveFolder(Box.Path("maps/")),
      Server(ServerOptions(std::move(options.ServerReply))),
      Platform(ProgramFolder),
      Time(options.TimeScale),
      Locale('.', std::string(kRigNowText)),
      tickEvery_(options.TickEvery) {
  std::filesystem::create_directories(ProgramFolder + "ini");
  std::filesystem::create_directories(ProgramFolder + "blankimg");
  Sandbox::WriteAll(ProgramFolder + "blankimg/blank.png", "BLANK");
  if (options.WriteConfig) {
    Sandbox::WriteAll(ProgramFolder + "ini/config.ini",
                      ConfigText(Box.Path("maps"), Server.HostPort()));
  }
  HttpClientFactory makeClient =
      options.MakeClient ? std::move(options.MakeClient) : HttpClientFactory(CreateCurlHttpClient);
  WorkerFactory makeWorker =
      options.MakeWorker ? std::move(options.MakeWorker) : WorkerFactory(CreateRunningWorker);
  Clock& clock = options.RecordPauses ? static_cast<Clock&>(Pauses) : Time;
  Form = std::make_unique<TForm1>(Platform, clock, std::move(makeClient), std::move(makeWorker));
}

void MainWindowRig::WriteSources(const std::string& content) const {
  Sandbox::WriteAll(ProgramFolder + "ini/sources.ini", content);
}

MainWindowRig::~MainWindowRig() {
  Form.reset();
}

bool MainWindowRig::Click(void (TForm1::*handler)()) {
  return RunHandler(Platform, [&] { ((*Form).*handler)(); });
}

void MainWindowRig::TypeRequest(const std::string& left, const std::string& right,
                                const std::string& top, const std::string& bottom, int zoom,
                                const std::string& path, const std::string& taskName) {
  Form->Edit1 = left;
  Form->Edit3 = right;
  Form->Edit2 = top;
  Form->Edit4 = bottom;
  Form->UpDown1Position = zoom;
  Form->Edit5 = std::to_string(zoom);
  Form->Edit6 = path;
  Form->EditTaskName = taskName;
}

void MainWindowRig::Tick() {
  Click(&TForm1::Timer1Timer);
}

bool MainWindowRig::RunToEnd(std::chrono::milliseconds limit, const std::function<void()>& check) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (Form->Timer1Enabled || Form->BitBtn1Caption != "Start") {
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    Platform.PumpFor(tickEvery_);
    if (Form->Timer1Enabled) {
      Tick();
      if (check) {
        check();
      }
    }
  }
  return true;
}

bool MainWindowRig::ServeUntil(const std::function<bool()>& predicate,
                               std::chrono::milliseconds limit) {
  return Platform.PumpUntil(predicate, limit);
}

}  // namespace kartovel::testing

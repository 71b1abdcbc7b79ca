// The surroundings of download-worker tests.
#include "support/WorkerRig.h"

#include <algorithm>
#include <filesystem>
#include <thread>
#include <utility>

#include "common/FileSystem.h"

namespace kartovel::testing {

WorkerRig::WorkerRig(TileRange range, int32_t threadCount, std::string tileHost) {
  ProgramFolder = Box.Path("program/");
  std::filesystem::create_directories(ProgramFolder + "blankimg");
  Sandbox::WriteAll(BlankImagePath(), kBlankBytes);

  Params.Zoom = 5;
  Params.SavePath = Box.Path("out/");
  std::filesystem::create_directories(Params.SavePath);
  Params.TaskFileName = "area.qtsk";
  Params.TileHost = std::move(tileHost);
  Task = std::make_unique<DownloadTask>(Params);
  // The range is set directly: the tests are about the walk, not about coordinates.
  Task->MinX = range.MinX;
  Task->MaxX = range.MaxX;
  Task->MinY = range.MinY;
  Task->MaxY = range.MaxY;
  Task->TotalCount = (range.MaxX - range.MinX + 1) * (range.MaxY - range.MinY + 1);
  Params.ThreadCount = std::min(threadCount, Task->TotalCount);
  MakeClient = Http.Factory();
}

WorkerContext WorkerRig::Context() {
  return Context(MakeClient);
}

WorkerContext WorkerRig::Context(HttpClientFactory factory) {
  return WorkerContext{Owner, Dispatcher, Time, ProgramFolder, std::move(factory)};
}

void WorkerRig::CreateWorkers() {
  for (int32_t index = 0; index < Params.ThreadCount; ++index) {
    Workers.push_back(std::make_unique<TDownThread>(true, index, *Task, Context()));
  }
}

void WorkerRig::StartAll() {
  for (auto& worker : Workers) {
    worker->Start();
  }
}

bool WorkerRig::WaitForEnds() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  const auto allEnded = [this] {
    for (const auto& worker : Workers) {
      if (Owner.EndCount(worker->Index) == 0) {
        return false;
      }
    }
    return true;
  };
  while (!allEnded()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

bool WorkerRig::RunToEnd() {
  CreateWorkers();
  StartAll();
  return WaitForEnds();
}

std::string WorkerRig::BlankImagePath() const {
  return ProgramFolder + "blankimg/blank.png";
}

std::string WorkerRig::ReadTile(int32_t x, int32_t y) const {
  return Sandbox::ReadAll(Task->TilePath(x, y));
}

bool WorkerRig::TileExists(int32_t x, int32_t y) const {
  return FileExists(Task->TilePath(x, y));
}

}  // namespace kartovel::testing

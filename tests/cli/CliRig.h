// kartovel-cli run as a process for black-box tests: a copy of the program in a sandbox
// program folder whose configuration names an in-process loopback tile service, a fast
// clock through KARTOVEL_TIME_SCALE, and bounded waits. Header only.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/FileSystem.h"
#include "support/ChildProcess.h"
#include "support/LoopbackServer.h"
#include "support/Sandbox.h"

namespace kartovel::testing {

// A second of the program's time lasts 10 ms.
inline constexpr char kCliTimeScale[] = "KARTOVEL_TIME_SCALE=0.01";

struct CliRun {
  std::optional<int> Status;  // empty when the program did not end within the limit
  std::string Out;
  std::string Err;
};

class CliRig {
 public:
  explicit CliRig(LoopbackServer::Options server = {})
      : ProgramFolder(Box.Path("program/")), Maps(Box.Path("maps")), Server(std::move(server)) {
    namespace fs = std::filesystem;
    fs::create_directories(ProgramFolder + "ini");
    fs::create_directories(ProgramFolder + "blankimg");
    Sandbox::WriteAll(ProgramFolder + "blankimg/blank.png", "BLANK");
    Sandbox::WriteAll(
        ProgramFolder + "ini/config.ini",
        "[IniParas]\r\nVersion=6.436\r\n[TileService]\r\nHost=" + Server.HostPort() + "\r\n");
    // The program reads its configuration beside itself, so each rig runs its own copy.
    fs::copy_file(kartovel::ProgramFolder() + "kartovel-cli", ProgramFolder + "kartovel-cli");
  }

  // Starts the program; Finish waits for it.
  std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& arguments) {
    ++runs_;
    return std::make_unique<ChildProcess>(ProgramFolder + "kartovel-cli", arguments, Environment(),
                                          OutFile(), ErrFile());
  }

  CliRun Finish(ChildProcess& child, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    CliRun run;
    run.Status = child.Wait(limit);
    run.Out = Sandbox::ReadAll(OutFile());
    run.Err = Sandbox::ReadAll(ErrFile());
    return run;
  }

  CliRun Run(const std::vector<std::string>& arguments) { return Finish(*Start(arguments)); }

  // The arguments of a download of the rectangle into Maps.
  std::vector<std::string> Download(const std::string& zoom, const std::string& name,
                                    const std::vector<std::string>& rectangle = {"10", "10.5", "50",
                                                                                 "49.6"}) {
    return {"download", "--left",     rectangle[0], "--right",    rectangle[1],
            "--top",    rectangle[2], "--bottom",   rectangle[3], "--zoom",
            zoom,       "--name",     name,         "--path",     Maps};
  }

  std::vector<std::string> Environment() const {
    std::vector<std::string> entries{TimeScale, "LC_ALL=C"};
    entries.insert(entries.end(), MoreEnvironment.begin(), MoreEnvironment.end());
    return entries;
  }

  std::string MapsFile(const std::string& name) const { return Maps + "/" + name; }
  // What the program started last has written to its standard output so far.
  std::string OutSoFar() const { return Sandbox::ReadAll(OutFile()); }

  Sandbox Box;
  std::string TimeScale = kCliTimeScale;
  std::vector<std::string> MoreEnvironment;  // "NAME=value" entries for the program
  std::string ProgramFolder;
  std::string Maps;  // the download folder, not created
  LoopbackServer Server;

 private:
  std::string OutFile() const { return Box.Path("out-" + std::to_string(runs_) + ".txt"); }
  std::string ErrFile() const { return Box.Path("err-" + std::to_string(runs_) + ".txt"); }
  int runs_ = 0;
};

}  // namespace kartovel::testing

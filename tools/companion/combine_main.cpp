// The map combiner: stitches a download task's tiles into one georeferenced PNG.
//   combine                                   asks for the task and the output, shows progress
//   combine <task.qtsk> <out.png> [--level N] runs without a window; exit status 0 on
//                                             success, 1 on failure, 2 on wrong arguments;
//                                             a mosaic beyond a gigapixel or covered at most
//                                             1 % by its tiles is refused without --yes
#include <CLI/CLI.hpp>
#include <QApplication>
#include <QFileDialog>

#include <cstdio>
#include <optional>
#include <string>

#include "CombineDialog.h"
#include "common/Error.h"
#include "common/ErrorText.h"
#include "common/Paths.h"
#include "common/ProgramVersion.h"
#include "common/StopSignals.h"
#include "engine/ConfigFile.h"
#include "mosaic/MosaicCombiner.h"

namespace {

using kartovel::tools::CombineResult;
using kartovel::tools::MosaicSettings;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct CommandLine {
  std::string taskPath;
  std::string pngPath;
  MosaicSettings settings;
  bool yes = false;  // write a very large or nearly empty mosaic without asking
};

void PrintUsage() {
  std::fprintf(stderr,
               "usage: combine                                   (choose the task in a window)\n"
               "       combine <task.qtsk> <out.png> [--level N] (no window; N from 1, fastest,\n"
               "                                                 to 9, smallest; default %d)\n"
               "       --yes  write a mosaic beyond a gigapixel or at most 1 %% covered by tiles\n",
               kartovel::tools::kDefaultMosaicLevel);
}

// Reads the arguments of a run without a window; nothing when they are wrong (the reason
// and the usage are then on standard error) or when only the help was asked for.
std::optional<CommandLine> ParseCommandLine(int argc, char* argv[], int& exitCode) {
  CommandLine line;
  CLI::App app("Stitches a download task's tiles into one georeferenced PNG.", "combine");
  app.add_option("task", line.taskPath, "The task file (.qtsk) or its tile list (_list.txt)")
      ->required();
  app.add_option("mosaic", line.pngPath, "The PNG to write")->required();
  app.add_option("--level", line.settings.compressionLevel,
                 "zlib level from 1 (fastest) to 9 (smallest file)")
      ->check(CLI::Range(kartovel::tools::kMinMosaicLevel, kartovel::tools::kMaxMosaicLevel));
  app.add_flag("--yes", line.yes,
               "Write a mosaic beyond a gigapixel or at most 1 % covered by tiles without refusing");
  app.set_version_flag("--version", [] {
    std::string text = kartovel::VersionLine("combine");
    text.pop_back();
    return text;
  });
  try {
    app.parse(argc, argv);
    return line;
  } catch (const CLI::CallForHelp&) {
    std::printf("%s", app.help().c_str());
    exitCode = 0;
  } catch (const CLI::CallForVersion& version) {
    std::printf("%s\n", version.what());
    exitCode = 0;
  } catch (const CLI::ParseError& error) {
    std::fprintf(stderr, "combine: %s\n", error.what());
    PrintUsage();
    exitCode = kExitUsage;
  }
  return std::nullopt;
}

int RunWithoutWindow(const CommandLine& line) {
  // Before the band threads start, so that every thread has the stop signals blocked: the
  // first Ctrl+C or SIGTERM abandons the mosaic, which leaves no file behind.
  const kartovel::StopSignals stopSignals;
  kartovel::tools::CombineHooks hooks;
  hooks.stop = stopSignals.Token();
  hooks.confirmLargeMosaic = [&line](const std::string& figures) {
    if (!line.yes) {
      throw kartovel::AppError(figures + " Not written; give --yes to write it.");
    }
    return true;
  };
  try {
    CombineResult result =
        kartovel::tools::CombineTask(line.taskPath, line.pngPath, hooks, line.settings);
    if (result.mosaic.cancelled) {
      std::fprintf(stderr, "combine: stopped; %s was not written\n", line.pngPath.c_str());
      return kartovel::kStoppedBySignalStatus;
    }
    std::printf("Wrote %s (%lld x %lld pixels, %lld tiles), %s, %s and %s; %zu missing tiles\n",
                result.outputs.png.c_str(), static_cast<long long>(result.layout.Width()),
                static_cast<long long>(result.layout.Height()),
                static_cast<long long>(result.mosaic.tileCount), result.outputs.worldFile.c_str(),
                result.outputs.projection.c_str(), result.outputs.report.c_str(),
                result.mosaic.missing.size());
    return 0;
  } catch (...) {
    std::fprintf(stderr, "combine: %s\n",
                 kartovel::ErrorDisplayText(kartovel::tools::CurrentErrorText()).c_str());
    return kExitFailure;
  }
}

// The mosaic's default name: the task's base name with ".png", beside the task.
QString DefaultMosaicPath(const QString& taskPath) {
  std::string taskFile = kartovel::tools::LocateTaskFiles(taskPath.toStdString()).taskFile;
  return QString::fromStdString(kartovel::RemoveFileExt(taskFile) + ".png");
}

int RunWithWindow(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Map Combiner"));
  QString taskPath = QFileDialog::getOpenFileName(
      nullptr, QObject::tr("Open a download task"),
      QString::fromStdString(kartovel::config::DefaultSaveFolder(kartovel::IncludeTrailingSeparator(
          QCoreApplication::applicationDirPath().toStdString()))),
      QObject::tr("Download tasks (*.qtsk);;Tile lists (*_list.txt);;All files (*)"));
  if (taskPath.isEmpty()) {
    return 0;
  }
  QString pngPath =
      QFileDialog::getSaveFileName(nullptr, QObject::tr("Save the mosaic as"),
                                   DefaultMosaicPath(taskPath), QObject::tr("PNG images (*.png)"));
  if (pngPath.isEmpty()) {
    return 0;
  }
  if (kartovel::ExtractFileExt(pngPath.toStdString()).empty()) {
    pngPath += QStringLiteral(".png");
  }
  kartovel::tools::CombineDialog dialog(taskPath.toStdString(), pngPath.toStdString());
  dialog.show();
  dialog.exec();
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc == 1) {
    return RunWithWindow(argc, argv);
  }
  int exitCode = 0;
  std::optional<CommandLine> line = ParseCommandLine(argc, argv, exitCode);
  return line ? RunWithoutWindow(*line) : exitCode;
}

// The map combiner: stitches a download task's tiles into one georeferenced PNG.
//   combine                      asks for the task and the output, shows progress
//   combine <task.qtsk> <out.png> runs without a window; exit status 0 on success
#include <QApplication>
#include <QFileDialog>

#include <cstdio>
#include <string>

#include "CombineDialog.h"
#include "common/Error.h"
#include "common/Paths.h"
#include "core/MosaicCombiner.h"

namespace {

using kartovel::tools::CombineResult;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int RunWithoutWindow(const std::string& taskPath, const std::string& pngPath) {
  try {
    CombineResult result = kartovel::tools::CombineTask(taskPath, pngPath, {});
    std::printf("Wrote %s (%lld x %lld pixels, %lld tiles), %s, %s and %s; %zu missing tiles\n",
                result.outputs.png.c_str(), static_cast<long long>(result.layout.Width()),
                static_cast<long long>(result.layout.Height()),
                static_cast<long long>(result.mosaic.tileCount), result.outputs.worldFile.c_str(),
                result.outputs.projection.c_str(), result.outputs.report.c_str(),
                result.mosaic.missing.size());
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "combine: %s\n", kartovel::ErrorDisplayText(error.what()).c_str());
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
      QString::fromStdString(kartovel::DefaultDownloadFolder()),
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
  dialog.Start();
  dialog.exec();
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc == 3) {
    return RunWithoutWindow(argv[1], argv[2]);
  }
  if (argc != 1) {
    std::fprintf(stderr,
                 "usage: combine                        (choose the task in a window)\n"
                 "       combine <task.qtsk> <out.png>  (no window)\n");
    return kExitUsage;
  }
  return RunWithWindow(argc, argv);
}

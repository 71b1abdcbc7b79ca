// The MBTiles export dialog's command and the export it runs.
#include "app/UnitExport.h"

#include <utility>

#include "common/Paths.h"

namespace kartovel {

namespace {

constexpr char kTaskFilter[] = "Projects(*.qtsk)|*.qtsk";
// The first entry is the format proposed; the others are chosen by their extension.
constexpr char kExportFilter[] =
    "MBTiles(*.mbtiles)|*.mbtiles|PMTiles(*.pmtiles)|*.pmtiles|GeoPackage(*.gpkg)|*.gpkg|"
    "OsmAnd or Locus(*.sqlitedb)|*.sqlitedb";

// The first task's folder and name with the MBTiles extension.
std::string ProposedOutFile(const std::string& firstTask) {
  return ExtractFilePath(firstTask) + RemoveFileExt(ExtractFileName(firstTask)) + kMbtilesExtension;
}

}  // namespace

TfrmExport::TfrmExport(Platform& platform) : platform_(platform) {}

void TfrmExport::Show() {
  Visible = true;
  FormShow();
}

void TfrmExport::Close() {
  Visible = false;
  if (Running) {
    RequestStop();
  }
}

void TfrmExport::FormShow() {
  ClearMemo1();
  Progress = ExportProgress{};
  NotifyProgress();
}

void TfrmExport::Button1Click() {
  const std::vector<std::string> taskFiles = platform_.OpenFilesDialog(
      "Open project files:", kTaskFilter, filesFolder_ ? filesFolder_() : std::string());
  if (taskFiles.empty()) {
    return;
  }
  const auto outFile = platform_.SaveFileDialog("Export to MBTiles file:", kExportFilter,
                                                ProposedOutFile(taskFiles.front()));
  if (!outFile) {
    return;
  }
  Export(taskFiles, *outFile);
}

std::optional<ExportCounts> TfrmExport::Export(const std::vector<std::string>& taskFiles,
                                               const std::string& outFile) {
  ClearMemo1();
  stop_.Renew();
  WriteFailed = false;
  TileExport exporter(taskFiles, platform_.ProgramFolder());
  exporter.RefuseOutFile(outFile);
  Progress = ExportProgress{0, exporter.TileFileCount()};
  SetRunning(true);
  std::optional<ExportCounts> counts;
  // The line comes once the file could be begun: a file that cannot be created is
  // reported alone, not after a promise of an export.
  const ExportWatch watch{[this] { return stop_.load() || (stopCheck_ && stopCheck_()); },
                          [this](const std::string& line) { AppendToMemo1(line); },
                          [this, &taskFiles, &outFile] {
                            AppendToMemo1("Exporting " + std::to_string(Progress.Total) +
                                          " tile files of " + std::to_string(taskFiles.size()) +
                                          " tasks to " + outFile + " ...");
                          }};
  try {
    counts = exporter.WriteTo(
        outFile, [this](const ExportProgress& batch) { return OnBatch(batch); }, watch);
  } catch (const ExportWriteError&) {
    WriteFailed = true;
    SetRunning(false);
    throw;
  } catch (...) {
    SetRunning(false);
    throw;
  }
  SetRunning(false);
  if (!counts) {
    AppendToMemo1("Export stopped: " + outFile + " is unchanged.");
    return counts;
  }
  AppendToMemo1("Exported " + std::to_string(counts->Exported) + " tiles to " + outFile +
                "; left out " + std::to_string(counts->Blank) + " blank substitutes and " +
                std::to_string(counts->Unreadable) + " unreadable files.");
  return counts;
}

void TfrmExport::SetRunning(bool running) {
  Running = running;
  NotifyProgress();
}

bool TfrmExport::OnBatch(const ExportProgress& progress) {
  Progress = progress;
  NotifyProgress();
  platform_.ProcessPendingEvents();
  return !stop_.load();
}

void TfrmExport::AppendToMemo1(std::string line) {
  Memo1.push_back(std::move(line));
  if (view_ != nullptr) {
    view_->Memo1LinesAppended(Memo1.size() - 1);
  }
}

void TfrmExport::ClearMemo1() {
  Memo1.clear();
  if (view_ != nullptr) {
    view_->Memo1Cleared();
  }
}

void TfrmExport::NotifyProgress() {
  if (view_ != nullptr) {
    view_->ProgressChanged();
  }
}

}  // namespace kartovel

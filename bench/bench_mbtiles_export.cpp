// Exports a task of 100,000 tile files into each export format (MBTiles, PMTiles,
// GeoPackage, sqlitedb) and prints the tiles per second, the file's size, the tiles
// stored once and the peak resident memory after a tenth of the tiles and after all of
// them (flat memory shows as two close figures). Each format runs in a process of its
// own, so that each peak is its own. 30 % of the tiles are one image (the sea), as in a
// coastal area. Optional argument: the average tile size in bytes (default 4096). The
// tiles are read from the page cache, as right after a run.
//
// Then each writer alone, fed small synthetic tiles from memory (the same mix: 30 % the
// sea, the rest each different), 10,000, 100,000 and 1,000,000 of them, each count in a
// process of its own: the peak resident memory of the three shows whether it depends on
// the tile count. Optional second argument: those tiles' average size (default 256).
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "BenchSupport.h"
#include "export/TileArchiveFormat.h"
#include "export/TileExport.h"

namespace {

namespace fs = std::filesystem;

constexpr int kZoom = 12;
constexpr int kFirstX = 2000;
constexpr int kFirstY = 1300;
constexpr int kColumns = 400;
constexpr int kRows = 250;       // 400 x 250 = 100,000 tiles
constexpr int kBlankEvery = 50;  // one tile in 50 is the blank image
constexpr char kBlank[] = "blank tile image bytes";
constexpr int kSeaTenths = 3;  // of every ten tiles, three are the sea
// The export takes only bytes that are an image of the task's type: each tile begins
// with a 256 x 256 PNG's signature and header.
// ... and ends with the IEND chunk, as a whole PNG does.
const std::string kPngEnd("\0\0\0\0IEND\xAE\x42\x60\x82", 12);
const std::string kPngHeader("\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR\x00\x00\x01\x00\x00\x00\x01\x00", 24);

void WriteFile(const std::string& name, const std::string& bytes) {
  std::FILE* file = std::fopen(name.c_str(), "wb");
  if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
    throw std::runtime_error("cannot write " + name);
  }
  std::fclose(file);
}

// A task file and tile folder for columns kFirstX.. and `rows` rows from kFirstY.
std::string WriteTask(const std::string& folder, const std::string& name, int rows,
                      size_t averageBytes) {
  const std::string taskFile = folder + name + ".qtsk";
  WriteFile(taskFile, "[MapsType]\r\nMapsType=3\r\n[Zoom]\r\nZoom=" + std::to_string(kZoom) +
                          "\r\n[XY]\r\nMinX=" + std::to_string(kFirstX) +
                          "\r\nMinY=" + std::to_string(kFirstY) +
                          "\r\nMaxX=" + std::to_string(kFirstX + kColumns - 1) +
                          "\r\nMaxY=" + std::to_string(kFirstY + rows - 1) + "\r\n");
  fs::create_directory(folder + name);
  std::mt19937 random(12345);
  std::uniform_int_distribution<size_t> size(averageBytes / 2, averageBytes * 3 / 2);
  std::string bytes;
  int serial = 0;
  for (int x = kFirstX; x < kFirstX + kColumns; ++x) {
    for (int y = kFirstY; y < kFirstY + rows; ++y) {
      bytes = kPngHeader;
      const bool sea = serial % 10 < kSeaTenths;
      bytes.append(sea ? averageBytes : size(random),
                   sea ? '~' : static_cast<char>('a' + serial % 26));
      if (!sea) {
        bytes += std::to_string(serial);  // every land tile differs
      }
      bytes += kPngEnd;
      const bool blank = ++serial % kBlankEvery == 0;
      WriteFile(folder + name + "/qn_" + std::to_string(x) + "_" + std::to_string(y) + "_" +
                    std::to_string(kZoom) + ".png",
                blank ? std::string(kBlank) : bytes);
    }
  }
  return taskFile;
}

// Exports one task and prints its figures.
void ExportAndReport(const std::string& taskFile, const std::string& programFolder,
                     const std::string& out) {
  const double processorBefore = kartovel::bench::ProcessorSeconds();
  const auto start = std::chrono::steady_clock::now();
  kartovel::TileExport exporter({taskFile}, programFolder);
  const auto counts = exporter.WriteTo(out, nullptr);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  const double processor = kartovel::bench::ProcessorSeconds() - processorBefore;
  std::printf(
      "%s: %lld tile files (%lld exported, %lld blank left out, stored in %lld contents): "
      "%.1f MB in %.2f s = %.0f tiles/s (processor %.2f s = %.0f tiles/s); peak resident memory "
      "%.1f MB\n",
      fs::path(out).extension().c_str(), static_cast<long long>(exporter.TileFileCount()),
      static_cast<long long>(counts->Exported), static_cast<long long>(counts->Blank),
      static_cast<long long>(exporter.Stored().Contents),
      static_cast<double>(fs::file_size(out)) / 1e6, elapsed.count(),
      static_cast<double>(exporter.TileFileCount()) / elapsed.count(), processor,
      static_cast<double>(exporter.TileFileCount()) / processor,
      kartovel::bench::PeakResidentMegabytes());
  std::fflush(stdout);
}

// count synthetic tiles of about averageBytes, column by column over a square of zoom
// 12, straight into the writer of extension; prints its figures.
void WriteSynthetic(const std::string& out, int64_t count, size_t averageBytes) {
  const auto format = kartovel::ArchiveFormatOfFile(out);
  kartovel::TilesetInfo info;
  info.Name = "bench";
  info.Format = "png";
  info.MinZoom = info.MaxZoom = kZoom;
  info.MbtilesRows = {{"name", "bench"}, {"format", "png"}};
  const double processorBefore = kartovel::bench::ProcessorSeconds();
  const auto start = std::chrono::steady_clock::now();
  const auto writer = kartovel::MakeArchiveWriter(*format, out, info);
  const auto side = static_cast<int64_t>(std::ceil(std::sqrt(static_cast<double>(count))));
  std::mt19937 random(12345);
  std::uniform_int_distribution<size_t> size(averageBytes / 2, averageBytes * 3 / 2);
  std::string bytes;
  for (int64_t serial = 0; serial < count; ++serial) {
    bytes = kPngHeader;
    const bool sea = serial % 10 < kSeaTenths;
    bytes.append(sea ? averageBytes : size(random), sea ? '~' : static_cast<char>('a' + serial % 26));
    if (!sea) {
      bytes += std::to_string(serial);
    }
    bytes += kPngEnd;
    writer->AddTile(kZoom, static_cast<int32_t>(serial / side),
                    static_cast<int32_t>(serial % side), bytes);
  }
  writer->Commit();
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  const double processor = kartovel::bench::ProcessorSeconds() - processorBefore;
  std::printf(
      "%s alone: %lld tiles (stored in %lld contents): %.1f MB in %.2f s = %.0f tiles/s "
      "(processor %.2f s = %.0f tiles/s); peak resident memory %.1f MB\n",
      fs::path(out).extension().c_str(), static_cast<long long>(count),
      static_cast<long long>(writer->Stats().Contents),
      static_cast<double>(fs::file_size(out)) / 1e6, elapsed.count(),
      static_cast<double>(count) / elapsed.count(), processor,
      static_cast<double>(count) / processor, kartovel::bench::PeakResidentMegabytes());
  std::fflush(stdout);
  fs::remove(out);
}

// Runs work in a child process, so that the peak memory it prints is its own.
template <typename Work>
void InChild(const char* what, Work&& work) {
  const pid_t child = fork();
  if (child == 0) {
    // The child leaves without unwinding, so the scratch folder stays the parent's.
    try {
      work();
    } catch (const std::exception& error) {
      std::fprintf(stderr, "%s\n", error.what());
      std::_Exit(1);
    }
    std::_Exit(0);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || status != 0) {
    throw std::runtime_error(std::string("the export to ") + what + " failed");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const size_t averageBytes = argc > 1 ? std::stoul(argv[1]) : 4096;
  const size_t smallBytes = argc > 2 ? std::stoul(argv[2]) : 256;
  try {
    const kartovel::bench::ScratchFolder scratch;
    const std::string small = WriteTask(scratch.Path(), "tenth", kRows / 10, averageBytes);
    const std::string whole = WriteTask(scratch.Path(), "whole", kRows, averageBytes);
    // A run writes its tiles over minutes or hours, so the disk has them long before an
    // export; without this the export would wait for the writes of the preparation.
    sync();
    std::printf("tiles written, average %zu bytes; peak resident memory %.1f MB\n", averageBytes,
                kartovel::bench::PeakResidentMegabytes());
    const std::string program = scratch.Path() + "program/";
    fs::create_directories(program + "blankimg");
    WriteFile(program + "blankimg/blank.png", kBlank);
    std::fflush(stdout);
    for (const char* extension : {".mbtiles", ".pmtiles", ".gpkg", ".sqlitedb"}) {
      InChild(extension, [&] {
        ExportAndReport(small, program, scratch.Path() + "tenth" + extension);
        ExportAndReport(whole, program, scratch.Path() + "whole" + extension);
      });
    }
    fs::remove_all(scratch.Path() + "tenth");
    fs::remove_all(scratch.Path() + "whole");
    std::printf("each writer alone, tiles of about %zu bytes:\n", smallBytes);
    std::fflush(stdout);  // else every child would print it again
    for (const char* extension : {".mbtiles", ".pmtiles", ".gpkg", ".sqlitedb"}) {
      for (const int64_t count : {10'000, 100'000, 1'000'000}) {
        InChild(extension, [&] {
          WriteSynthetic(scratch.Path() + "alone" + extension, count, smallBytes);
        });
      }
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}

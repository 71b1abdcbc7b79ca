// Combines the tiles of a download task into one PNG and prints the figures of each
// writer: wall time, processor time (all threads), peak resident memory and file size.
// Every run is a child process of its own, so each peak is its own.
//   bench_combine [columns rows]         the plain libpng writer (one thread, level 3)
//                                        against the fast writer with 1 and 2 threads, on
//                                        map-like RGB tiles (192 different files over the
//                                        grid) and on one RGBA tile hard-linked everywhere
//   bench_combine levels [columns rows]  size and time of every zlib level on the demo
//                                        service's tiles and on map-like tiles
// Default 100 x 100 tiles (20 x 20 for levels). The task is written by the downloader's
// own task code; memory should follow the mosaic's width only, never its height.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "SyntheticTiles.h"
#include "mosaic/MosaicCombiner.h"
#include "imaging/PngEncoder.h"
#include "geometry/Commonfunc.h"
#include "task/Unitclasstask.h"
#include "tileserver/TileImage.h"

namespace {

namespace fs = std::filesystem;
using kartovel::tools::MosaicSettings;

constexpr int32_t kZoom = 13;
constexpr int32_t kFirstX = 6700;
constexpr int32_t kFirstY = 3000;
constexpr int32_t kTileSide = 256;
// The map-like set repeats every 48 x 4 tiles: a repeat along a band lies further back
// than deflate's 32 KiB window, so each tile compresses as a tile of its own would.
constexpr int32_t kRepeatColumns = 48;
constexpr int32_t kRepeatRows = 4;
constexpr int kPlainWriterLevel = 3;  // the level the plain writer has always used

// A request whose corners lie in the middle of the corner tiles.
kartovel::TaskParameters RequestFor(int32_t columns, int32_t rows, const std::string& folder) {
  kartovel::TaskParameters params;
  params.Zoom = kZoom;
  params.LeftLongitude = kartovel::TileXToLongitude(kFirstX + 0.5, kZoom);
  params.RightLongitude = kartovel::TileXToLongitude(kFirstX + columns - 0.5, kZoom);
  params.TopLatitude = kartovel::TileYToLatitude(kFirstY + 0.5, kZoom, false);
  params.BottomLatitude = kartovel::TileYToLatitude(kFirstY + rows - 0.5, kZoom, false);
  params.SavePath = folder;
  params.TaskFileName = "bench.qtsk";
  params.TileHost = "127.0.0.1:8080";
  return params;
}

void WriteBytes(const std::string& fileName, const std::string& bytes) {
  std::FILE* file = std::fopen(fileName.c_str(), "wb");
  if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
    throw std::runtime_error("cannot write " + fileName);
  }
  std::fclose(file);
}

// A tile with some structure (gradients, a street grid), RGBA with every pixel opaque.
kartovel::tools::RgbaImage StreetGridTile() {
  kartovel::tools::RgbaImage tile(kTileSide, kTileSide);
  for (int32_t row = 0; row < kTileSide; ++row) {
    for (int32_t column = 0; column < kTileSide; ++column) {
      uint8_t* pixel = &tile.pixels[static_cast<size_t>(row * kTileSide + column) * 4];
      bool street = row % 37 < 3 || column % 53 < 4 || (row + column) % 97 < 2;
      pixel[0] = street ? 255 : static_cast<uint8_t>(230 - row / 8);
      pixel[1] = street ? 255 : static_cast<uint8_t>(225 - column / 10);
      pixel[2] = street ? 250 : static_cast<uint8_t>(200 + (row * column) % 23);
      pixel[3] = 255;
    }
  }
  return tile;
}

enum class TileSet { kMapLikeRepeated, kStreetGridRgba, kMapLikeDistinct, kDemoService };

const char* Describe(TileSet set) {
  switch (set) {
    case TileSet::kMapLikeRepeated:
      return "map-like RGB tiles, 192 different files";
    case TileSet::kStreetGridRgba:
      return "one street-grid RGBA tile";
    case TileSet::kMapLikeDistinct:
      return "map-like RGB tiles, all different";
    case TileSet::kDemoService:
      return "the demo tile service's tiles";
  }
  return "";
}

void WriteTiles(const kartovel::DownloadTask& task, TileSet set) {
  if (set == TileSet::kStreetGridRgba) {
    const std::string model = task.TileFolder + "model.png.keep";
    kartovel::tools::WritePng(model, StreetGridTile());
    for (int32_t x = task.MinX; x <= task.MaxX; ++x) {
      for (int32_t y = task.MinY; y <= task.MaxY; ++y) {
        fs::create_hard_link(model, task.TilePath(x, y));
      }
    }
    return;
  }
  const bool repeated = set == TileSet::kMapLikeRepeated;
  for (int32_t x = task.MinX; x <= task.MaxX; ++x) {
    for (int32_t y = task.MinY; y <= task.MaxY; ++y) {
      const int32_t modelX = repeated ? task.MinX + (x - task.MinX) % kRepeatColumns : x;
      const int32_t modelY = repeated ? task.MinY + (y - task.MinY) % kRepeatRows : y;
      if (modelX != x || modelY != y) {
        fs::create_hard_link(task.TilePath(modelX, modelY), task.TilePath(x, y));
      } else if (set == TileSet::kDemoService) {
        WriteBytes(task.TilePath(x, y),
                   kartovel::tileserver::RenderTilePng(kartovel::TileId{kZoom, x, y}));
      } else {
        WriteBytes(task.TilePath(x, y),
                   kartovel::tileserver::EncodePng(kartovel::bench::MapLikeTile(x, y)));
      }
    }
  }
}

struct Figures {
  double wallSeconds = 0;
  double processorSeconds = 0;
  double peakMegabytes = 0;
  double pngMegabytes = 0;
  bool withAlpha = false;
  bool failed = false;
};

// Runs one combine in a child process and returns the figures it measured.
Figures MeasureCombine(const std::string& taskFile, const std::string& pngFile,
                       const MosaicSettings& settings) {
  int channel[2];
  if (pipe(channel) != 0) {
    throw std::runtime_error("pipe failed");
  }
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    Figures figures;
    try {
      const double processorBefore = kartovel::bench::ProcessorSeconds();
      const auto start = std::chrono::steady_clock::now();
      kartovel::tools::CombineResult result =
          kartovel::tools::CombineTask(taskFile, pngFile, {}, settings);
      const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
      figures.wallSeconds = elapsed.count();
      figures.processorSeconds = kartovel::bench::ProcessorSeconds() - processorBefore;
      figures.peakMegabytes = kartovel::bench::PeakResidentMegabytes();
      figures.pngMegabytes = static_cast<double>(fs::file_size(pngFile)) / 1e6;
      figures.withAlpha = result.mosaic.withAlpha;
    } catch (const std::exception& error) {
      std::fprintf(stderr, "combine failed: %s\n", error.what());
      figures.failed = true;
    }
    const bool sent = write(channel[1], &figures, sizeof figures) == sizeof figures;
    _exit(sent ? 0 : 1);
  }
  close(channel[1]);
  Figures figures;
  const bool received = read(channel[0], &figures, sizeof figures) == sizeof figures;
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!received || figures.failed) {
    throw std::runtime_error("a measured run failed");
  }
  return figures;
}

struct PreparedTask {
  kartovel::bench::ScratchFolder scratch;
  std::string taskFile;
};

std::unique_ptr<PreparedTask> PrepareTask(int32_t columns, int32_t rows, TileSet set) {
  auto prepared = std::make_unique<PreparedTask>();
  kartovel::TaskParameters params = RequestFor(columns, rows, prepared->scratch.Path());
  kartovel::DownloadTask task(params);
  task.WriteTaskFile();
  task.WriteListFile();
  WriteTiles(task, set);
  prepared->taskFile = task.TaskFilePath();
  return prepared;
}

void CompareWriters(int32_t columns, int32_t rows, TileSet set) {
  std::unique_ptr<PreparedTask> task = PrepareTask(columns, rows, set);
  std::printf("\n%d tiles (%d x %d, %d x %d pixels) of %s:\n", columns * rows, columns, rows,
              columns * kTileSide, rows * kTileSide, Describe(set));
  std::printf("  %-34s %8s %10s %10s %9s %11s\n", "writer", "wall s", "processor", "peak MB",
              "PNG MB", "wall/plain");
  struct Run {
    const char* name;
    MosaicSettings settings;
  };
  const Run runs[] = {
      {"plain libpng, 1 thread, level 3", {kPlainWriterLevel, 1, 1u << 20, true}},
      {"fast, 1 thread, default level", {kartovel::tools::kDefaultMosaicLevel, 1, 1u << 20, false}},
      {"fast, 2 threads, default level",
       {kartovel::tools::kDefaultMosaicLevel, 2, 1u << 20, false}},
  };
  double plainWall = 0;
  for (const Run& run : runs) {
    const Figures figures =
        MeasureCombine(task->taskFile, task->scratch.Path() + "mosaic.png", run.settings);
    plainWall = plainWall == 0 ? figures.wallSeconds : plainWall;
    std::printf("  %-34s %8.2f %10.2f %10.1f %9.1f %11.2f  %s\n", run.name, figures.wallSeconds,
                figures.processorSeconds, figures.peakMegabytes, figures.pngMegabytes,
                figures.wallSeconds / plainWall, figures.withAlpha ? "RGBA" : "RGB");
  }
}

void TabulateLevels(int32_t columns, int32_t rows, TileSet set) {
  std::unique_ptr<PreparedTask> task = PrepareTask(columns, rows, set);
  std::printf("\n%d tiles (%d x %d) of %s, fast writer, 1 thread:\n", columns * rows, columns, rows,
              Describe(set));
  std::printf("  %5s %8s %10s %9s %12s\n", "level", "wall s", "processor", "PNG MB",
              "size/level 6");
  std::vector<Figures> byLevel;
  for (int level = kartovel::tools::kMinMosaicLevel; level <= kartovel::tools::kMaxMosaicLevel;
       ++level) {
    byLevel.push_back(MeasureCombine(task->taskFile, task->scratch.Path() + "mosaic.png",
                                     MosaicSettings{.compressionLevel = level, .threads = 1}));
  }
  const double levelSixSize = byLevel[5].pngMegabytes;
  for (size_t index = 0; index < byLevel.size(); ++index) {
    const Figures& figures = byLevel[index];
    std::printf("  %5zu %8.2f %10.2f %9.2f %12.2f\n", index + 1, figures.wallSeconds,
                figures.processorSeconds, figures.pngMegabytes,
                figures.pngMegabytes / levelSixSize);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool levels = argc > 1 && std::strcmp(argv[1], "levels") == 0;
  const int first = levels ? 2 : 1;
  const int32_t fallbackSide = levels ? 20 : 100;
  const int32_t columns = argc > first ? std::stoi(argv[first]) : fallbackSide;
  const int32_t rows = argc > first + 1 ? std::stoi(argv[first + 1]) : fallbackSide;
  try {
    if (levels) {
      TabulateLevels(columns, rows, TileSet::kDemoService);
      TabulateLevels(columns, rows, TileSet::kMapLikeDistinct);
    } else {
      CompareWriters(columns, rows, TileSet::kMapLikeRepeated);
      CompareWriters(columns, rows, TileSet::kStreetGridRgba);
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}

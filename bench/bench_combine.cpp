// Combines the tiles of a download task into one PNG and prints the time it took and
// the process's peak resident memory. The task is written by the downloader's own
// task code; every tile is a hard link to one 256 x 256 image, so setting up 10,000
// tiles is quick. Arguments: columns and rows of tiles (default 100 100); the memory
// should follow the mosaic's width only, never its height.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "BenchSupport.h"
#include "core/MosaicCombiner.h"
#include "core/PngStreamWriter.h"
#include "geometry/Commonfunc.h"
#include "task/Unitclasstask.h"

namespace {

namespace fs = std::filesystem;

constexpr int32_t kZoom = 13;
constexpr int32_t kFirstX = 6700;
constexpr int32_t kFirstY = 3000;
constexpr int32_t kTileSide = 256;

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

// A tile with some structure (gradients, a street grid) so compression does real work.
kartovel::tools::RgbaImage MapLikeTile() {
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

void WriteTiles(const kartovel::DownloadTask& task) {
  const std::string model = task.TileFolder + "model.png.keep";
  kartovel::tools::WritePng(model, MapLikeTile());
  for (int32_t x = task.MinX; x <= task.MaxX; ++x) {
    for (int32_t y = task.MinY; y <= task.MaxY; ++y) {
      fs::create_hard_link(model, task.TilePath(x, y));
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int32_t columns = argc > 1 ? std::stoi(argv[1]) : 100;
  const int32_t rows = argc > 2 ? std::stoi(argv[2]) : 100;
  try {
    const kartovel::bench::ScratchFolder scratch;
    const std::string& folder = scratch.Path();
    kartovel::TaskParameters params = RequestFor(columns, rows, folder);
    kartovel::DownloadTask task(params);
    task.WriteTaskFile();
    task.WriteListFile();
    WriteTiles(task);

    const double processorBefore = kartovel::bench::ProcessorSeconds();
    const auto start = std::chrono::steady_clock::now();
    kartovel::tools::CombineResult result =
        kartovel::tools::CombineTask(task.TaskFilePath(), folder + "mosaic.png", {});
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const double processorSeconds = kartovel::bench::ProcessorSeconds() - processorBefore;
    const double peakMegabytes = kartovel::bench::PeakResidentMegabytes();
    std::printf(
        "combine: %lld tiles (%d x %d) into %lld x %lld pixels, %.1f MB PNG, in %.2f s "
        "(processor %.2f s), %zu missing; peak resident memory %.1f MB\n",
        static_cast<long long>(result.mosaic.tileCount), columns, rows,
        static_cast<long long>(result.layout.Width()),
        static_cast<long long>(result.layout.Height()),
        static_cast<double>(fs::file_size(result.outputs.png)) / 1e6, elapsed.count(),
        processorSeconds, result.mosaic.missing.size(), peakMegabytes);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}

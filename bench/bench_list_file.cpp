// Writes the tile list of a one-million-tile task and prints the time it took and the
// process's peak resident memory. Shapes: "square" (1000 x 1000 tiles at zoom 13, the
// default) or "column" (one column of 1,000,000 rows at zoom 20).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "BenchSupport.h"
#include "geometry/Commonfunc.h"
#include "task/Unitclasstask.h"

namespace {

namespace fs = std::filesystem;

struct Shape {
  int32_t zoom;
  int32_t firstX, columns;
  int32_t firstY, rows;
};

// A request whose corners lie in the middle of the shape's corner tiles.
kartovel::TaskParameters RequestFor(const Shape& shape, const std::string& folder) {
  kartovel::TaskParameters params;
  params.Zoom = shape.zoom;
  params.LeftLongitude = kartovel::TileXToLongitude(shape.firstX + 0.5, shape.zoom);
  params.RightLongitude =
      kartovel::TileXToLongitude(shape.firstX + shape.columns - 0.5, shape.zoom);
  params.TopLatitude = kartovel::TileYToLatitude(shape.firstY + 0.5, shape.zoom, false);
  params.BottomLatitude =
      kartovel::TileYToLatitude(shape.firstY + shape.rows - 0.5, shape.zoom, false);
  params.SavePath = folder;
  params.TaskFileName = "bench.qtsk";
  params.TileHost = "127.0.0.1:8080";
  return params;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view shapeName = argc > 1 ? argv[1] : "square";
  const Shape shape = shapeName == "column" ? Shape{20, 700000, 1, 200000, 1000000}
                                            : Shape{13, 6000, 1000, 2000, 1000};

  try {
    const kartovel::bench::ScratchFolder scratch;
    kartovel::TaskParameters params = RequestFor(shape, scratch.Path());
    const double processorBefore = kartovel::bench::ProcessorSeconds();
    const auto start = std::chrono::steady_clock::now();
    kartovel::DownloadTask task(params);
    task.WriteListFile();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const double processorSeconds = kartovel::bench::ProcessorSeconds() - processorBefore;
    const double peakMegabytes = kartovel::bench::PeakResidentMegabytes();
    std::printf(
        "list file, %s: %d tiles, %.1f MB written in %.3f s (processor %.3f s), peak resident "
        "memory %.1f MB\n",
        std::string(shapeName).c_str(), task.TotalCount,
        static_cast<double>(fs::file_size(task.ListFileName)) / 1e6, elapsed.count(),
        processorSeconds, peakMegabytes);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}

// Builds small download tasks in a sandbox for the companion tools' tests: a task
// file, a tile list in the downloader's format and tile images of known colours.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <numbers>
#include <set>
#include <string>
#include <utility>

#include "common/NumberFormat.h"
#include "imaging/PngImage.h"
#include "imaging/PngEncoder.h"
#include "support/FakeTileGrid.h"
#include "support/Sandbox.h"
#include "support/TileSamples.h"

namespace kartovel::testing {

struct FakeTaskPlan {
  std::string name = "area";
  int32_t zoom = 13;
  int32_t minX = 6744;
  int32_t maxX = 6746;
  int32_t minY = 3104;
  int32_t maxY = 3105;
  int32_t tileSide = 8;
  bool southOrigin = false;
  std::string extension = "png";                  // the tiles' kind: "png", "jpg" or "webp"
  std::set<std::pair<int32_t, int32_t>> missing;  // tiles listed but without a file
};

struct FakeTask {
  std::string taskFile;
  std::string listFile;
  std::string tileFolder;
};

// A tile of one opaque colour that tells its column and row apart.
inline tools::RgbaImage FakeTileImage(int32_t x, int32_t y, int32_t side) {
  tools::RgbaImage image(side, side);
  for (size_t pixel = 0; pixel < image.pixels.size(); pixel += 4) {
    image.pixels[pixel] = static_cast<uint8_t>(x * 37);
    image.pixels[pixel + 1] = static_cast<uint8_t>(y * 53);
    image.pixels[pixel + 2] = 200;
    image.pixels[pixel + 3] = 255;
  }
  return image;
}

// A tile file of the picture in the kind its extension names.
inline void WriteFakeTile(const std::string& path, const tools::RgbaImage& image,
                          const std::string& extension) {
  if (extension == "jpg") {
    Sandbox::WriteAll(path, EncodeJpeg(image));
  } else if (extension == "webp") {
    Sandbox::WriteAll(path, EncodeWebp(image, false));
  } else {
    tools::WritePng(path, image);
  }
}

inline FakeTask WriteFakeTask(const Sandbox& sandbox, const FakeTaskPlan& plan) {
  FakeTask task{sandbox.Path(plan.name + ".qtsk"), sandbox.Path(plan.name + "_list.txt"),
                sandbox.Path(plan.name + "/")};
  Sandbox::WriteAll(task.taskFile,
                    "[MapsType]\r\nMapsType=" + std::string(plan.southOrigin ? "5" : "3") +
                        "\r\n\r\n[Zoom]\r\nZoom=" + std::to_string(plan.zoom) + "\r\n");
  std::string list =
      "ImageFileName    Left_Edge_Longitude    Right_Edge_Longitude   Top_Edge_Latitude      "
      "Bottom_Edge_Latitude\r\n";
  const int32_t rows = int32_t{1} << plan.zoom;
  for (int32_t x = plan.minX; x <= plan.maxX; ++x) {
    for (int32_t y = plan.minY; y <= plan.maxY; ++y) {
      // South-origin rows count from the south edge: row y is north-origin row N-1-y.
      int32_t northRow = plan.southOrigin ? rows - 1 - y : y;
      list += FakeTileName(x, y, plan.zoom, plan.extension) + ": ";
      AppendFixed(list, FakeTileLongitude(x, plan.zoom));
      list += ' ';
      AppendFixed(list, FakeTileLongitude(x + 1, plan.zoom));
      list += ' ';
      AppendFixed(list, FakeTileLatitude(northRow, plan.zoom));
      list += ' ';
      AppendFixed(list, FakeTileLatitude(northRow + 1, plan.zoom));
      list += "\r\n";
    }
  }
  Sandbox::WriteAll(task.listFile, list);
  std::filesystem::create_directory(task.tileFolder);
  for (int32_t x = plan.minX; x <= plan.maxX; ++x) {
    for (int32_t y = plan.minY; y <= plan.maxY; ++y) {
      if (!plan.missing.contains({x, y})) {
        WriteFakeTile(task.tileFolder + FakeTileName(x, y, plan.zoom, plan.extension),
                      FakeTileImage(x, y, plan.tileSide), plan.extension);
      }
    }
  }
  return task;
}

}  // namespace kartovel::testing

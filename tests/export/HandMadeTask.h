// Task files and tile files written by hand for the export's tests: a task file with
// the keys the export reads, tile files of chosen content, and a failed-tile file.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/Sandbox.h"
#include "task/MapSourcesFile.h"

namespace kartovel::testing {

struct HandMadeTask {
  std::string name;  // the task file is name + ".qtsk", the tile folder name + "/"
  int zoom = 2;
  int minX = 0;
  int minY = 0;
  int maxX = 3;
  int maxY = 3;
  // Map type 3, or a map source whose copy the task file keeps.
  MapSource source = BuiltInMapSource();
};

// A program folder under the sandbox holding the blank image of the extension; returns
// the folder.
inline std::string WriteProgramFolder(const Sandbox& box, const std::string& blankImage,
                                      const std::string& extension = "png") {
  std::filesystem::create_directories(box.Path("program/blankimg"));
  Sandbox::WriteAll(box.Path("program/blankimg/blank." + extension), blankImage);
  return box.Path("program/");
}

// Bytes that pass the content check of the extension (png, jpg or webp) and end as the
// image ends: a 256 x 256 image's header, then tag, so that tiles differ, then the
// image's end (PNG's IEND chunk, JPEG's end marker; a WebP's size in its header).
inline std::string TileImage(const std::string& tag, const std::string& extension = "png") {
  using namespace std::string_literals;
  if (extension == "jpg") {
    return "\xFF\xD8\xFF\xC0\x00\x11\x08\x01\x00\x01\x00"s + tag + "\xFF\xD9"s;
  }
  if (extension == "webp") {
    std::string image = "RIFF\x00\x00\x00\x00WEBPVP8L\x05\x00\x00\x00\x2F\xFF\xC0\x3F\x00"s + tag;
    const size_t riff = image.size() - 8;
    for (int i = 0; i < 4; ++i) {
      image[4 + static_cast<size_t>(i)] = static_cast<char>((riff >> (8 * i)) & 0xFF);
    }
    return image;
  }
  return "\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR\x00\x00\x01\x00\x00\x00\x01\x00"s + tag +
         "\x00\x00\x00\x00IEND\xAE\x42\x60\x82"s;
}

inline std::string TileName(int x, int y, int zoom, const MapSource& source = BuiltInMapSource()) {
  return source.Prefix + "_" + std::to_string(x) + "_" + std::to_string(y) + "_" +
         std::to_string(zoom) + "." + source.Extension;
}

// Writes the task file and creates its tile folder; returns the task file's name.
inline std::string WriteHandMadeTask(const Sandbox& box, const HandMadeTask& task) {
  const auto line = [](const std::string& key, int value) {
    return key + "=" + std::to_string(value) + "\r\n";
  };
  std::string sourceCopy;
  if (!IsBuiltIn(task.source)) {
    for (const std::string& sourceLine : SourceSectionLines(task.source)) {
      sourceCopy += sourceLine + "\r\n";
    }
  }
  Sandbox::WriteAll(box.Path(task.name + ".qtsk"),
                    "[MapsType]\r\n" + line("MapsType", task.source.MapsType) + "\r\n[Zoom]\r\n" +
                        line("Zoom", task.zoom) + "\r\n[XY]\r\n" + line("MinX", task.minX) +
                        line("MinY", task.minY) + line("MaxX", task.maxX) +
                        line("MaxY", task.maxY) + sourceCopy);
  std::filesystem::create_directories(box.Path(task.name));
  return box.Path(task.name + ".qtsk");
}

inline std::string TilePathOf(const Sandbox& box, const HandMadeTask& task, int x, int y) {
  return box.Path(task.name + "/" + TileName(x, y, task.zoom, task.source));
}

// The failed-tile file listing the tiles' paths, with a URL after each.
inline void WriteFailedFile(const Sandbox& box, const HandMadeTask& task,
                            const std::vector<std::string>& tilePaths) {
  std::string text;
  for (const std::string& path : tilePaths) {
    text += path + "|http://127.0.0.1:1/hx/tl?v=4.3&r=1&x=0&y=0&z=1\r\n";
  }
  Sandbox::WriteAll(box.Path(task.name + "_failed.ftl"), text);
}

}  // namespace kartovel::testing

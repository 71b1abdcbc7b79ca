// Reading shape files of about 90 MB, just under the size limit: the time and the peak
// resident memory of each reading, told by a child process of its own so that one
// reading's peak does not hide the next's. The files are written in pieces to a
// temporary folder, never held whole by the writer.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "shape/ShapeFile.h"

namespace {

constexpr uint64_t kTargetBytes = 90ull * 1024 * 1024;

// The process's high-water mark of resident memory in MB (reset for a child at fork).
double HighWaterMegabytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return -1;
}

// Writes pieces from next() until the file reaches the target size, then closing.
void WriteFile(const std::string& name, const std::string& opening,
               const std::function<std::string(uint64_t)>& next, const std::string& closing) {
  std::ofstream out(name, std::ios::binary);
  out << opening;
  uint64_t written = opening.size();
  for (uint64_t i = 0; written + closing.size() < kTargetBytes; ++i) {
    const std::string piece = next(i);
    out << piece;
    written += piece.size();
  }
  out << closing;
}

std::string Position(uint64_t i) {
  return "[" + std::to_string(8 + (i % 997) * 0.001) + "," + std::to_string(46 + (i % 991) * 0.001) +
         "]";
}

// Features of small triangles, each with properties as map editors write them.
void WriteFeatures(const std::string& name) {
  const std::string style(4000, 'x');
  WriteFile(
      name, R"({"type":"FeatureCollection","features":[)",
      [&](uint64_t i) {
        const double lon = 8 + (i % 100) * 0.01;
        const double lat = 46 + (i / 100 % 100) * 0.01;
        return std::string(i == 0 ? "" : ",") + R"({"type":"Feature","properties":{"name":"f)" +
               std::to_string(i) + R"(","note":")" + style +
               R"("},"geometry":{"type":"Polygon","coordinates":[[[)" + std::to_string(lon) + "," +
               std::to_string(lat) + "],[" + std::to_string(lon + 0.004) + "," +
               std::to_string(lat) + "],[" + std::to_string(lon + 0.002) + "," +
               std::to_string(lat + 0.004) + "]]]}}";
      },
      "]}");
}

// One line of several million points: refused once it passes the point limit.
void WriteLongLine(const std::string& name) {
  WriteFile(
      name, R"({"type":"LineString","coordinates":[)",
      [](uint64_t i) { return (i == 0 ? "" : ",") + Position(i); }, "]}");
}

void WriteLongGpx(const std::string& name) {
  WriteFile(
      name, "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\"><trk><trkseg>\n",
      [](uint64_t i) {
        return "<trkpt lat=\"" + std::to_string(46 + (i % 991) * 0.001) + "\" lon=\"" +
               std::to_string(8 + (i % 997) * 0.001) + "\"><ele>500</ele></trkpt>\n";
      },
      "</trkseg></trk></gpx>\n");
}

// Reads the file in a child and prints what it took.
void Measure(const std::string& what, const std::string& name) {
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    const double before = HighWaterMegabytes();
    const auto start = std::chrono::steady_clock::now();
    std::string outcome;
    try {
      const kartovel::ShapeReading reading = kartovel::ReadShapeFile(name, 100.0);
      outcome = "read: " + std::to_string(reading.Value.Polygons.size()) + " polygons, " +
                std::to_string(reading.Value.Lines.size()) + " lines";
    } catch (const std::exception& error) {
      outcome = std::string("refused: ") + error.what();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s, %.1f MB: %.2f s, peak resident memory %.1f MB (%.1f MB before reading)\n  %s\n",
                what.c_str(), static_cast<double>(std::filesystem::file_size(name)) / 1048576.0,
                seconds, HighWaterMegabytes(), before, outcome.substr(0, 160).c_str());
    std::fflush(stdout);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
}

}  // namespace

int main() {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("bench_shape_file_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string features = (folder / "features.geojson").string();
  const std::string line = (folder / "line.geojson").string();
  const std::string gpx = (folder / "track.gpx").string();
  WriteFeatures(features);
  WriteLongLine(line);
  WriteLongGpx(gpx);
  Measure("GeoJSON of features with large properties", features);
  Measure("GeoJSON of one line of millions of points", line);
  Measure("GPX of one track of millions of points", gpx);
  std::filesystem::remove_all(folder);
  return 0;
}

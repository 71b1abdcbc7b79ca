// Reads a sources file of many sections and prints how long ReadMapSources takes: 900
// sources, 10,000 sources, and 900 sources among 20,000 other sections (time in
// proportion to the file's size shows as times in proportion to the section counts). The
// sections are short, so that 10,000 of them stay below the 1 MB a sources file may hold.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "task/MapSourcesFile.h"

namespace {

namespace fs = std::filesystem;

// Writes sources sections [MapType 100].. (the map type cycles through 100..999, so
// repeats are refused as described above) and then other sections.
std::string WriteSourcesFile(const fs::path& folder, int sources, int others) {
  const std::string name = (folder / "sources.ini").string();
  std::ofstream file(name, std::ios::binary);
  for (int i = 0; i < sources; ++i) {
    file << "[MapType " << 100 + i % 900 << "]\r\nName=S" << i
         << "\r\nUrl=http://h/{z}/{x}/{y}\r\nPrefix=s" << i << "\r\n";
  }
  for (int i = 0; i < others; ++i) {
    file << "[Other " << i << "]\r\nKey=value " << i << "\r\n";
  }
  return name;
}

void Measure(const fs::path& folder, int sources, int others) {
  const std::string name = WriteSourcesFile(folder, sources, others);
  const auto start = std::chrono::steady_clock::now();
  const kartovel::MapSourceTable table = kartovel::ReadMapSources(name, "Kartovel/bench");
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("%6d source and %6d other sections (%7.1f kB): %zu sources, %zu lines left out, "
              "%.3f s\n",
              sources, others, static_cast<double>(fs::file_size(name)) / 1024.0,
              table.Sources.size(), table.Refusals.size(), took.count());
}

}  // namespace

int main() {
  const fs::path folder = fs::temp_directory_path() / ("bench_sources_" + std::to_string(getpid()));
  fs::create_directories(folder);
  Measure(folder, 900, 0);
  Measure(folder, 900, 20000);
  Measure(folder, 10000, 0);
  fs::remove_all(folder);
  return 0;
}

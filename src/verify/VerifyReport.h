// What verify found in a task or a file: per zoom the tiles present, blank, missing and
// damaged, the first damaged or missing tiles by name, what is wrong with the file's
// structure, and the summary lines and exit status that say it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kartovel {

struct ZoomTally {
  int64_t Present = 0;  // whole images (blank substitutes not among them)
  int64_t Blank = 0;
  int64_t Missing = 0;
  int64_t Damaged = 0;
};

// Exit statuses: whole; holes or blank substitutes; damaged (or no file verify reads).
inline constexpr int kVerifyWhole = 0;
inline constexpr int kVerifyHoles = 1;
inline constexpr int kVerifyDamaged = 2;

class VerifyReport {
 public:
  // Tiles named at most; the rest are counted.
  static constexpr size_t kNamedTiles = 10;

  std::string Kind;  // "task", "PNG image", "MBTiles", "PMTiles", "GeoPackage", "sqlitedb"
  std::map<int32_t, ZoomTally> Zooms;
  std::vector<std::string> Named;
  int64_t NotNamed = 0;
  int64_t FailedRecords = -1;  // a task's failed-tile records; -1 for a file
  std::string Fault;           // what is wrong with the file itself; empty when nothing
  bool Stopped = false;

  void Present(int32_t zoom) { ++Zooms[zoom].Present; }
  void Blank(int32_t zoom) { ++Zooms[zoom].Blank; }
  void Missing(int32_t zoom, const std::string& name);
  void Damaged(int32_t zoom, const std::string& name, const std::string& why);
  // The structure is damaged; the first fault is kept.
  void Broken(const std::string& why);

  int ExitStatus() const;
  std::vector<std::string> SummaryLines(const std::string& target) const;

 private:
  void Name(std::string line);
};

}  // namespace kartovel

// Reading the tile files of a tile folder, for every program that reads tiles (export,
// combine, the map viewer): a name is read only as a regular file that lies in the folder,
// never through a symbolic link, never waiting on a pipe or a device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace kartovel {

// Files beyond this size are not tiles.
inline constexpr size_t kMaxTileFileBytes = size_t{64} << 20;
// The parts before the pixels of every tile format (headers, palettes, texts) fit in this.
inline constexpr size_t kTileHeaderBytes = size_t{64} << 10;

struct TileFileReading {
  enum class Outcome {
    Read,        // Bytes hold the file's bytes, Modified its modification time
    NotRegular,  // a link, pipe, folder, device or socket in a tile's place
    Unreadable,  // empty, larger than the limit, or failed to read
  };
  Outcome Result = Outcome::Unreadable;
  timespec Modified{};
  std::string What;  // for NotRegular: what it is, "a symbolic link"
};

class TileFileReader {
 public:
  // Opens the folder; a folder that cannot be opened holds no readable file.
  TileFileReader(const std::string& folder, int64_t maxBytes);
  ~TileFileReader();
  TileFileReader(const TileFileReader&) = delete;
  TileFileReader& operator=(const TileFileReader&) = delete;

  // Reads the file of that name (no path separator) of the folder into bytes.
  TileFileReading Read(const std::string& name, std::string& bytes) const;

 private:
  int folder_ = -1;
  int64_t maxBytes_;
};

// Reads a regular file of 1 to maxBytes bytes by its path, without waiting on a pipe;
// false when it is no such file.
bool ReadSmallRegularFile(const std::string& path, int64_t maxBytes, std::string& bytes);

// The tile file at path (its folder + a name from the task's list) as the decoders read
// it: up to limit bytes from its start; false when it is no regular file of the folder
// or, with wholeFile, is longer than limit.
bool ReadTileFileBytes(const std::string& path, std::vector<uint8_t>& bytes, size_t limit,
                       bool wholeFile);

// Why the name in the tile folder is no tile file to read: "a symbolic link, not a
// regular file", "a name outside the tile folder", ...; empty when it is a regular file
// or there is nothing of that name.
std::string WhyNotATileFile(const std::string& folder, const std::string& name);

// True when a name of a task's list stays in the tile folder (no path separator, not
// "." or "..").
bool IsNameInFolder(const std::string& name);

}  // namespace kartovel

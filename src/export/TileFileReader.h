// Reading the tile files of one tile folder for the export: every name is opened relative
// to the folder, never through a symbolic link and never waiting on a pipe or a device,
// so that what lands in an export is the bytes of a regular file that lies in the folder.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace kartovel {

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

}  // namespace kartovel

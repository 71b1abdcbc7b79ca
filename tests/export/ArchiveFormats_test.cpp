// Every export format read back by a reader of its own: the same task of which 30 % of
// the tiles are one identical image lands whole in each file, identical tiles are stored
// once where the format allows it, and the file passes its structure check.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <string>

#include "export/HandMadeTask.h"
#include "export/TileExport.h"
#include "support/MbtilesReader.h"

namespace kartovel {
namespace {

using testing::HandMadeTask;
using testing::Sandbox;

// Tiles by zoom, column and row counted from the north; contents stored in the file
// (-1: the format keeps one per tile); what the structure check said ("ok": whole).
struct ReadBack {
  std::map<std::tuple<int, int, int>, std::string> Tiles;
  int64_t Contents = -1;
  std::string Structure;
};

ReadBack ReadBackMbtiles(const std::string& file) {
  const testing::MbtilesContent content = testing::ReadMbtiles(file);
  ReadBack back;
  for (const auto& [key, data] : content.Tiles) {
    const auto [zoom, column, tmsRow] = key;
    back.Tiles[{zoom, column, (1 << zoom) - 1 - tmsRow}] = data;
  }
  back.Contents = content.StoredImages;
  back.Structure = content.HasUniqueTileIndex && content.TilesKind == "view" &&
                           content.ApplicationId == 0x4D504258
                       ? content.Integrity
                       : "schema";
  return back;
}

struct FormatCase {
  std::string extension;
  std::function<ReadBack(const std::string&)> read;
  bool deduplicates;
};

const FormatCase kFormats[] = {
    {".mbtiles", ReadBackMbtiles, true},
};

TEST(ArchiveFormats, ATaskOfWhichAThirdIsOneImageLandsWholeInEveryFormatStoredOnceWhereItCan) {
  Sandbox box;
  const HandMadeTask task{.name = "sea", .zoom = 4, .maxX = 9, .maxY = 9};
  const std::string taskFile = WriteHandMadeTask(box, task);
  std::map<std::tuple<int, int, int>, std::string> written;
  int64_t distinct = 0;
  for (int x = 0; x <= 9; ++x) {
    for (int y = 0; y <= 9; ++y) {
      const bool sea = (x * 10 + y) % 10 < 3;  // 30 of 100
      const std::string image =
          testing::TileImage(sea ? std::string("sea") : "land " + std::to_string(x * 10 + y));
      distinct += sea ? 0 : 1;
      Sandbox::WriteAll(testing::TilePathOf(box, task, x, y), image);
      written[{4, x, y}] = image;
    }
  }
  ++distinct;  // the sea, once
  const std::string program = testing::WriteProgramFolder(box, "BLANK");
  for (const FormatCase& format : kFormats) {
    const std::string out = box.Path("sea" + format.extension);
    TileExport exporter({taskFile}, program);
    const auto counts = exporter.WriteTo(out, nullptr);
    ASSERT_TRUE(counts) << format.extension;
    EXPECT_EQ(counts->Exported, 100);
    const ReadBack back = format.read(out);
    EXPECT_EQ(back.Structure, "ok") << format.extension;
    EXPECT_EQ(back.Tiles, written) << format.extension;
    EXPECT_EQ(exporter.Stored().Tiles, 100);
    if (format.deduplicates) {
      EXPECT_EQ(back.Contents, distinct) << format.extension;
      EXPECT_EQ(exporter.Stored().Contents, distinct) << format.extension;
    }
    std::cout << format.extension << ": " << std::filesystem::file_size(out) << " bytes, "
              << exporter.Stored().Tiles << " tiles in " << exporter.Stored().Contents
              << " contents (ratio "
              << static_cast<double>(exporter.Stored().Tiles) /
                     static_cast<double>(exporter.Stored().Contents)
              << ")\n";
  }
}

}  // namespace
}  // namespace kartovel

// The mosaic writer against the plain libpng writer on the same tiles: the same pixels
// for every kind of tile, any number of threads, odd sizes and pieces of any length; RGB
// only when every cell is opaque; a damaged tile missing just as before.
#include "mosaic/MosaicWriter.h"

#include <gtest/gtest.h>

#include <functional>

#include "common/FileSystem.h"
#include "mosaic/LibpngMosaicWriter.h"
#include "imaging/PngImage.h"
#include "support/PngFileCheck.h"
#include "support/FakeTask.h"
#include "support/PngSamples.h"

namespace kartovel::tools {
namespace {

using testing::FakeTaskPlan;
using testing::PngRecipe;
using testing::Sandbox;

constexpr int32_t kSide = 13;  // odd tiles make an odd mosaic width (3 columns: 39 pixels)

struct Written {
  MosaicWriteOutcome outcome;
  RgbaImage pixels;
  std::string pngBytes;
};

Written Write(const Sandbox& sandbox, const testing::FakeTask& task,
              const MosaicSettings& settings) {
  const std::vector<TileEntry> tiles = ReadTileList(task.listFile);
  const MosaicLayout layout = LayoutMosaic(tiles, kSide, kSide);
  const std::string file = sandbox.Path(settings.libpngWriter ? "plain.png" : "fast.png");
  Written written;
  written.outcome = WriteMosaic(tiles, layout, task.tileFolder, file, {}, settings);
  std::string error;
  EXPECT_TRUE(DecodePng(file, written.pixels, error)) << error;
  written.pngBytes = Sandbox::ReadAll(file);
  return written;
}

MosaicSettings Plain() {
  MosaicSettings settings;
  settings.libpngWriter = true;
  settings.compressionLevel = 3;
  return settings;
}

// A task of 3 x 2 tiles whose files the recipe makes, each with a seed of its own.
testing::FakeTask TaskOf(const Sandbox& sandbox, const std::function<PngRecipe(uint32_t)>& recipe,
                         const std::set<std::pair<int32_t, int32_t>>& missing = {}) {
  FakeTaskPlan plan;
  plan.tileSide = kSide;
  plan.missing = missing;
  testing::FakeTask task = WriteFakeTask(sandbox, plan);
  uint32_t seed = 1;
  for (int32_t x = plan.minX; x <= plan.maxX; ++x) {
    for (int32_t y = plan.minY; y <= plan.maxY; ++y) {
      if (!missing.contains({x, y})) {
        Sandbox::WriteAll(task.tileFolder + testing::FakeTileName(x, y, plan.zoom),
                          testing::MakePng(recipe(seed++)));
      }
    }
  }
  return task;
}

PngRecipe Tile(uint8_t colourType, uint8_t bitDepth, uint32_t seed) {
  PngRecipe recipe;
  recipe.width = recipe.height = kSide;
  recipe.colourType = colourType;
  recipe.bitDepth = bitDepth;
  recipe.seed = seed;
  recipe.paletteEntries = colourType == 3 ? 1u << bitDepth : 0;
  return recipe;
}

struct KindCase {
  const char* label;
  std::function<PngRecipe(uint32_t)> recipe;
  bool rgb;  // every cell opaque by its header: the mosaic is written without alpha
};

TEST(MosaicWriterTest, SamePixelsAsThePlainWriterForEveryKindOfTile) {
  const std::vector<KindCase> kinds = {
      {"grey", [](uint32_t s) { return Tile(0, 8, s); }, true},
      {"grey 2 bits keyed",
       [](uint32_t s) {
         PngRecipe r = Tile(0, 2, s);
         r.transparency = {0, 2};
         return r;
       },
       false},
      {"grey + alpha", [](uint32_t s) { return Tile(4, 8, s); }, false},
      {"RGB", [](uint32_t s) { return Tile(2, 8, s); }, true},
      {"RGB 16 bits", [](uint32_t s) { return Tile(2, 16, s); }, true},
      {"RGBA", [](uint32_t s) { return Tile(6, 8, s); }, false},
      {"palette 4 bits", [](uint32_t s) { return Tile(3, 4, s); }, true},
      {"palette with tRNS",
       [](uint32_t s) {
         PngRecipe r = Tile(3, 8, s);
         r.transparency = "\xff\x40";
         return r;
       },
       false},
      {"interlaced palette",
       [](uint32_t s) {
         PngRecipe r = Tile(3, 8, s);
         r.interlaced = true;
         return r;
       },
       true},
      {"a kind for each tile",
       [](uint32_t s) {
         const uint8_t types[] = {0, 2, 3, 4, 6, 2};
         return Tile(types[s % 6], 8, s);
       },
       false},
  };
  for (const KindCase& kind : kinds) {
    Sandbox sandbox;
    const testing::FakeTask task = TaskOf(sandbox, kind.recipe);
    const Written plain = Write(sandbox, task, Plain());
    // Threads and piece lengths (a row, a few rows, whole bands).
    for (const auto& [threads, pieceBytes] :
         std::vector<std::pair<int, size_t>>{{1, 1u << 20}, {2, 1}, {3, 200}, {2, 1u << 20}}) {
      MosaicSettings settings;
      settings.threads = threads;
      settings.pieceBytes = pieceBytes;
      const Written fast = Write(sandbox, task, settings);
      const std::string label = std::string(kind.label) + ", " + std::to_string(threads) +
                                " threads, pieces of " + std::to_string(pieceBytes) + " bytes";
      EXPECT_EQ(fast.pixels.pixels, plain.pixels.pixels) << label;
      EXPECT_EQ(fast.outcome.withAlpha, !kind.rgb) << label;
      EXPECT_TRUE(fast.outcome.missing.empty()) << label;
    }
  }
}

TEST(MosaicWriterTest, ADamagedOrMissingTileIsLeftTransparentAsBefore) {
  const auto rgb = [](uint32_t seed) { return Tile(2, 8, seed); };
  const std::string intact = testing::MakePng(rgb(9));
  const size_t idat = intact.find("IDAT");
  const std::vector<std::pair<const char*, std::function<std::string()>>> damages = {
      {"image data damaged under a sound header",
       [&] {
         std::string png = intact;
         png[idat + 12] = static_cast<char>(png[idat + 12] ^ 0x33);
         testing::FixChunkCrc(png, idat);
         return png;
       }},
      {"cut short", [&] { return intact.substr(0, idat + 20); }},
      {"not an image", [] { return std::string("<html>busy</html>"); }},
      {"an unknown row filter",
       [&] {
         PngRecipe recipe = rgb(9);
         recipe.filterTypes = 0;
         recipe.firstFilter = 9;
         return testing::MakePng(recipe);
       }},
      {"another size",
       [] {
         PngRecipe recipe = Tile(2, 8, 9);
         recipe.width = kSide + 1;
         return testing::MakePng(recipe);
       }},
  };
  for (const auto& [label, damage] : damages) {
    Sandbox sandbox;
    const testing::FakeTask task = TaskOf(sandbox, rgb);
    Sandbox::WriteAll(task.tileFolder + "qn_6745_3105_13.png", damage());
    const Written plain = Write(sandbox, task, Plain());
    const Written fast = Write(sandbox, task, MosaicSettings{});
    EXPECT_EQ(fast.pixels.pixels, plain.pixels.pixels) << label;
    EXPECT_TRUE(fast.outcome.withAlpha) << label;
    ASSERT_EQ(fast.outcome.missing.size(), 1u) << label;
    EXPECT_EQ(fast.outcome.missing[0].name, "qn_6745_3105_13.png") << label;
    EXPECT_EQ(fast.outcome.missing[0].reason, plain.outcome.missing[0].reason) << label;
  }
  Sandbox sandbox;
  const testing::FakeTask task = TaskOf(sandbox, rgb, {{6744, 3104}});
  const Written fast = Write(sandbox, task, MosaicSettings{});
  EXPECT_EQ(fast.pixels.pixels, Write(sandbox, task, Plain()).pixels.pixels);
  EXPECT_TRUE(fast.outcome.withAlpha);
}

TEST(MosaicWriterTest, ACancelAtAnyTileLeavesNoFile) {
  Sandbox sandbox;
  const testing::FakeTask task = TaskOf(sandbox, [](uint32_t seed) { return Tile(2, 8, seed); });
  const std::vector<TileEntry> tiles = ReadTileList(task.listFile);
  // Six opaque tiles: their headers are read first, then they are decoded.
  for (int cancelAt = 1; cancelAt <= 12; ++cancelAt) {
    int polls = 0;
    CombineHooks hooks;
    hooks.cancelRequested = [&polls, cancelAt] { return ++polls == cancelAt; };
    const MosaicWriteOutcome outcome =
        WriteMosaic(tiles, LayoutMosaic(tiles, kSide, kSide), task.tileFolder,
                    sandbox.Path("out.png"), hooks, MosaicSettings{.threads = 2, .pieceBytes = 1});
    EXPECT_TRUE(outcome.cancelled) << cancelAt;
    EXPECT_EQ(polls, cancelAt);
    EXPECT_FALSE(FileExists(sandbox.Path("out.png"))) << cancelAt;
  }
  for (const auto& entry : std::filesystem::directory_iterator(sandbox.Folder())) {
    EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

TEST(MosaicWriterTest, TheImageDataIsOneZlibStream) {
  Sandbox sandbox;
  const testing::FakeTask task = TaskOf(sandbox, [](uint32_t seed) { return Tile(2, 8, seed); });
  MosaicSettings settings;
  settings.threads = 3;
  settings.pieceBytes = 300;
  for (int level = kMinMosaicLevel; level <= kMaxMosaicLevel; ++level) {
    settings.compressionLevel = level;
    const std::string png = Write(sandbox, task, settings).pngBytes;
    std::string stream;
    for (size_t at = png.find("IDAT"); at != std::string::npos; at = png.find("IDAT", at + 1)) {
      size_t length = 0;
      for (size_t byte = at - 4; byte < at; ++byte) {
        length = length << 8 | static_cast<uint8_t>(png[byte]);
      }
      stream += png.substr(at + 4, length);
      at += 4 + length;
    }
    const size_t rowBytes = 3 * kSide * 3 + 1;
    std::string rows(rowBytes * 2 * kSide, '\0');
    uLongf rowsSize = rows.size();
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(rows.data()), &rowsSize,
                         reinterpret_cast<const Bytef*>(stream.data()), stream.size()),
              Z_OK)
        << "level " << level;
    EXPECT_EQ(rowsSize, rows.size()) << "level " << level;
  }
}

TEST(MosaicWriterTest, EveryChunkOfAWrittenMosaicIsSoundToItsEnd) {
  const std::vector<std::pair<const char*, std::function<PngRecipe(uint32_t)>>> kinds = {
      {"RGB", [](uint32_t s) { return Tile(2, 8, s); }},
      {"RGBA", [](uint32_t s) { return Tile(6, 8, s); }},
  };
  MosaicSettings threaded;
  threaded.threads = 2;
  threaded.pieceBytes = 100;
  const std::vector<std::pair<const char*, MosaicSettings>> writers = {
      {"plain", Plain()}, {"fast", MosaicSettings{}}, {"fast, 2 threads", threaded}};
  for (const auto& [kind, recipe] : kinds) {
    Sandbox sandbox;
    const testing::FakeTask task = TaskOf(sandbox, recipe);
    for (const auto& [writer, settings] : writers) {
      EXPECT_EQ(testing::PngFileFault(Write(sandbox, task, settings).pngBytes), "")
          << kind << ", " << writer;
    }
  }
}

}  // namespace
}  // namespace kartovel::tools

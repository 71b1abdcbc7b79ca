// What keeps an export's memory flat: the gzip stream fed in pieces, the content index
// in its scratch database, and the PMTiles directories built by walking the entries.
#include <gtest/gtest.h>

#include <random>

#include "export/Gzip.h"
#include "export/PmtilesDirectory.h"
#include "export/TileContentIndex.h"

namespace kartovel {
namespace {

TEST(ExportScratch, AGzipStreamIsTheSameWhereverItsInputIsCutAndKeepsNothingPastItsLimit) {
  std::mt19937 random(5);
  std::string text;
  for (int i = 0; i < 300000; ++i) {
    text.push_back(static_cast<char>(random() % 7 == 0 ? random() : 'a' + i % 13));
  }
  const std::string whole = GzipCompress(text);
  for (const size_t piece : {size_t{1}, size_t{7}, size_t{4096}, size_t{65537}, text.size()}) {
    GzipStream stream;
    for (size_t at = 0; at < text.size(); at += piece) {
      stream.Append(std::string_view(text).substr(at, piece));
    }
    EXPECT_FALSE(stream.WentOver());
    EXPECT_EQ(stream.Finish(), whole) << "pieces of " << piece;
  }
  EXPECT_EQ(GzipDecompress(whole, text.size()), text);
  GzipStream limited(whole.size() / 2);
  limited.Append(text);
  EXPECT_TRUE(limited.WentOver());
  EXPECT_LT(limited.Finish().size(), whole.size());
}

TEST(ExportScratch, TheIndexOffersEveryContentOfAHashUntilTheStoredBytesConfirmOne) {
  // Two ids under the bytes of one hash, as two different contents that collide would
  // be: the one whose stored bytes are equal is the answer, none when neither is.
  const struct {
    std::vector<int64_t> equal;
    std::optional<int64_t> found;
  } cases[] = {{{}, std::nullopt}, {{4}, 4}, {{9}, 9}, {{4, 9}, 4}};
  for (const auto& c : cases) {
    TileContentIndex index("Cannot write file x");
    index.Add("sea", 4);
    index.Add("sea", 9);
    index.Add("land", 5);
    std::vector<int64_t> asked;
    const auto found = index.Find("sea", [&](int64_t id) {
      asked.push_back(id);
      return std::find(c.equal.begin(), c.equal.end(), id) != c.equal.end();
    });
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(std::count(asked.begin(), asked.end(), 5), 0) << "another hash was offered";
    EXPECT_EQ(index.Count(), 3);
  }
}

TEST(ExportScratch, DirectoriesBuiltByWalkingTheEntriesParseBackToThemWithAndWithoutLeaves) {
  const struct {
    size_t count;
    bool leaves;
  } cases[] = {{1, false}, {3000, false}, {70000, true}};
  for (const auto& [count, withLeaves] : cases) {
    std::mt19937 random(static_cast<unsigned>(count));
    std::vector<PmtilesEntry> entries;
    uint64_t id = 10, offset = 0;
    for (size_t i = 0; i < count; ++i) {
      const auto length = static_cast<uint32_t>(100 + random() % 5000);
      const bool repeat = i > 0 && random() % 4 == 0;  // the first content again
      entries.push_back({id, repeat ? entries[0].Offset : offset,
                         repeat ? entries[0].Length : length,
                         static_cast<uint32_t>(1 + random() % 3)});
      offset += repeat ? 0 : length;
      id += entries.back().RunLength + random() % 3;
    }
    std::string leaves;
    int walks = 0;
    const std::string root = BuildDirectories(
        entries.size(),
        [&](const PmtilesEntryVisit& visit) {
          ++walks;
          for (const PmtilesEntry& entry : entries) {
            visit(entry);
          }
        },
        {[&](std::string_view leaf) { leaves += leaf; }, [&] { leaves.clear(); }});
    ASSERT_LE(root.size(), kPmtilesRootLimit - kPmtilesHeaderSize);
    const auto rootEntries = ParseDirectory(*GzipDecompress(root, 1 << 24));
    ASSERT_TRUE(rootEntries) << count;
    std::vector<PmtilesEntry> found;
    for (const PmtilesEntry& entry : *rootEntries) {
      if (entry.RunLength != 0) {
        found.push_back(entry);
        continue;
      }
      const auto leaf = ParseDirectory(
          *GzipDecompress(std::string_view(leaves).substr(entry.Offset, entry.Length), 1 << 24));
      ASSERT_TRUE(leaf) << count;
      EXPECT_EQ(leaf->front().TileId, entry.TileId);
      found.insert(found.end(), leaf->begin(), leaf->end());
    }
    ASSERT_EQ(found.size(), entries.size()) << count;
    for (size_t i = 0; i < count; ++i) {
      EXPECT_EQ(std::tie(found[i].TileId, found[i].Offset, found[i].Length, found[i].RunLength),
                std::tie(entries[i].TileId, entries[i].Offset, entries[i].Length,
                         entries[i].RunLength))
          << count << " entry " << i;
    }
    EXPECT_EQ(!leaves.empty(), withLeaves) << count;
    EXPECT_LE(walks, 5) << "one walk a column for the whole root, one for the leaves";
  }
}

}  // namespace
}  // namespace kartovel

// The validator index on disk: what a commit writes is read back by another connection to
// a whole file; a damaged file, a foreign one and one of another task are made again
// from nothing with a reason, never taken as they are.
#include "download/TileValidatorIndex.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <ostream>

#include "support/Sandbox.h"

namespace kartovel {
namespace {

using testing::Sandbox;

const std::string kIdentity = "maps type 3, zoom 10, columns 1-2, rows 3-4";

std::string IntegrityOf(const std::string& fileName) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(fileName.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* check = nullptr;
  std::string verdict = "(no answer)";
  if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr) == SQLITE_OK &&
      sqlite3_step(check) == SQLITE_ROW) {
    verdict = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
  }
  sqlite3_finalize(check);
  sqlite3_close(db);
  return verdict;
}

TEST(TileValidatorIndex, CommittedNotesAreReadBackAfterReopening) {
  Sandbox box;
  const std::string file = box.Path("t.qtsk.validators");
  {
    TileValidatorIndex index(file, kIdentity);
    EXPECT_EQ(index.RebuildReason(), "");  // a new index is no rebuild
    index.Note({{10, 1, 3}, {"\"a\"", 100, 200}, 150});
    index.Note({{10, 2, 4}, {"", std::nullopt, std::nullopt}, 160});
    EXPECT_EQ(index.Find({10, 1, 3}), std::nullopt);  // not before the commit
    ASSERT_TRUE(index.Commit()) << index.FailureText();
    index.Note({{10, 1, 3}, {"\"b\"", 300, std::nullopt}, 310});  // never committed
  }
  EXPECT_EQ(IntegrityOf(file), "ok");
  TileValidatorIndex reopened(file, kIdentity);
  EXPECT_EQ(reopened.RebuildReason(), "");
  const auto first = reopened.Find({10, 1, 3});
  ASSERT_TRUE(first);
  EXPECT_EQ(first->Validators.ETag, "\"a\"");
  EXPECT_EQ(first->Validators.LastModified, 100);
  EXPECT_EQ(first->Validators.Expires, 200);
  EXPECT_EQ(first->FetchedAt, 150);
  const auto second = reopened.Find({10, 2, 4});
  ASSERT_TRUE(second);
  EXPECT_TRUE(second->Validators.Empty());
  EXPECT_EQ(second->Validators.Expires, std::nullopt);
  EXPECT_EQ(reopened.Entries().size(), 2u);
}

struct FoundFileCase {
  const char* Name;
  // Makes the file the index then finds at the path.
  void (*Make)(const std::string& file);
  const char* Reason;
};

void PrintTo(const FoundFileCase& row, std::ostream* out) {
  *out << row.Name;
}

void WriteIndexOf(const std::string& file, const std::string& identity) {
  TileValidatorIndex index(file, identity);
  index.Note({{10, 1, 3}, {"\"a\"", 1, 2}, 3});
  ASSERT_TRUE(index.Commit());
}

class FoundIndexFileTest : public ::testing::TestWithParam<FoundFileCase> {};

TEST_P(FoundIndexFileTest, IsMadeAgainFromNothingWithItsReason) {
  Sandbox box;
  const std::string file = box.Path("t.qtsk.validators");
  GetParam().Make(file);
  TileValidatorIndex index(file, kIdentity);
  EXPECT_EQ(index.RebuildReason(),
            "The tile index " + file + " " + GetParam().Reason + "; it is made again from nothing.");
  EXPECT_TRUE(index.Entries().empty());
  index.Note({{10, 2, 3}, {"\"z\"", 1, 2}, 3});
  ASSERT_TRUE(index.Commit()) << index.FailureText();
  EXPECT_EQ(IntegrityOf(file), "ok");
  EXPECT_EQ(TileValidatorIndex(file, kIdentity).Entries().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FoundIndexFileTest,
    ::testing::Values(
        FoundFileCase{"not a database", [](const std::string& f) { Sandbox::WriteAll(f, std::string(4096, 'x')); },
                      "is damaged"},
        FoundFileCase{"empty file", [](const std::string& f) { Sandbox::WriteAll(f, ""); },
                      "is not one this program wrote"},
        FoundFileCase{"cut in half",
                      [](const std::string& f) {
                        WriteIndexOf(f, kIdentity);
                        const std::string whole = Sandbox::ReadAll(f);
                        Sandbox::WriteAll(f, whole.substr(0, whole.size() / 2));
                      },
                      "is damaged"},
        FoundFileCase{"another task's",
                      [](const std::string& f) { WriteIndexOf(f, "maps type 3, zoom 11, columns 1-2, rows 3-4"); },
                      "belongs to another task"},
        FoundFileCase{"another program's database",
                      [](const std::string& f) {
                        sqlite3* db = nullptr;
                        sqlite3_open(f.c_str(), &db);
                        sqlite3_exec(db, "CREATE TABLE tiles (a);", nullptr, nullptr, nullptr);
                        sqlite3_close(db);
                      },
                      "is not one this program wrote"}));

}  // namespace
}  // namespace kartovel

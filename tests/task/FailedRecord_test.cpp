// Building and splitting the lines of the failed-tile file.
#include "task/FailedRecord.h"

#include <gtest/gtest.h>

namespace kartovel {
namespace {

struct SplitCase {
  const char* line;
  const char* path;
  const char* url;
  bool joinsBack;  // joining path and URL gives the line again
};

class FailedRecordSplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(FailedRecordSplitTest, TakesThePathBeforeTheFirstBarAndJoinsBackWithOneBar) {
  const FailedRecord record = SplitFailedRecord(GetParam().line);
  EXPECT_EQ(record.TilePath, GetParam().path);
  EXPECT_EQ(record.TileUrl, GetParam().url);
  EXPECT_EQ(MakeFailedRecord(record.TilePath, record.TileUrl) == GetParam().line,
            GetParam().joinsBack);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, FailedRecordSplitTest,
    ::testing::Values(
        SplitCase{"/dl/newtask/qn_6744_3104_13.png|http://127.0.0.1:8080/hx/tl?x=6744&y=991&z=14",
                  "/dl/newtask/qn_6744_3104_13.png",
                  "http://127.0.0.1:8080/hx/tl?x=6744&y=991&z=14", true},
        SplitCase{"a|b|c", "a", "b|c", true},              // later bars belong to the URL
        SplitCase{"http://h/x", "", "http://h/x", false},  // no bar: all URL
        SplitCase{"", "", "", false},                      // an empty line is a record too
        SplitCase{"|http://h/x", "", "http://h/x", true},
        SplitCase{"/dl/t/a.png|", "/dl/t/a.png", "", true},
        SplitCase{" /dl/t/a.png | http://h/x ", " /dl/t/a.png ", " http://h/x ", true}));

TEST(FailedRecordTest, SplitGivesBackWhatWasJoined) {
  const std::string path = "/home/u/downloads/area.txt/qn_0_0_1.png";
  const std::string url = "http://localhost:9/hx/tl?v=4.3&r=1&x=0&y=0&z=2";
  const FailedRecord record = SplitFailedRecord(MakeFailedRecord(path, url));
  EXPECT_EQ(record.TilePath, path);
  EXPECT_EQ(record.TileUrl, url);
}

}  // namespace
}  // namespace kartovel

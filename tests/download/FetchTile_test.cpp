// The fetch of one tile: for every failure class and mix of classes, what the worker
// reports, records, leaves on disk, where its position goes, how long it pauses and how
// often it asks; bodies that are no image of the tile's type, waits a busy server asks
// for, a Stop that cuts a request short, and tiles that cannot be written.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "download/unit3.h"
#include "support/LoopbackReplies.h"
#include "support/Permissions.h"
#include "support/WorkerRig.h"

namespace kartovel {
namespace {

using std::chrono::seconds;
using testing::ScriptedReply;
using testing::WorkerRig;

constexpr int32_t kX = 10;
constexpr int32_t kY = 20;
constexpr int32_t kSerial = 7;

const std::string M302 = "HTTP/1.1 302 Found";
const std::string M400 = "HTTP/1.1 400 Bad Request";
const std::string M403 = "HTTP/1.1 403 Forbidden";
const std::string M404 = "HTTP/1.1 404 Not Found";
const std::string M500 = "HTTP/1.1 500 Internal Server Error";
const std::string MReset = "Socket Error # 10054\r\nConnection reset by peer.";
const std::string MClosed = "Connection Closed Gracefully.";
const std::string MInUse = "Socket Error # 10048\r\nAddress already in use.";
const std::string MTimeout = "Socket Error # 10060\r\nConnection timed out.";
const std::string MNoHost = "Socket Error # 11001\r\nHost not found.";
const std::string MNotPng = "Error: the server's answer is not a PNG image.";
const std::string M503 = "HTTP/1.1 503 Service Unavailable";

// What the tile service answers once the script is used up, and what a fetched tile holds.
const std::string kTileBody = testing::PngStart(7, 9);

// Expected lines; "{URL}" stands for the tile's URL.
const std::string kOk = "T1:seq=7,qn_10_20_5.png OK";
const std::string kBlank = "T1:10-20 got a blank image!";
const std::string kBan = "Error: may be your IP is banned.\nPlease try again later.";
const std::string kNetwork = "Error: Your network has problem, please check it.";
const std::string kBare = "qn_10_20_5.png:failed ->{URL}";
std::string FailLine(const std::string& message) {
  return "T1 " + message + "->{URL}";
}
std::string NotFoundLine(const std::string& message) {
  return "Error: the image is not found on server." + message;
}

std::vector<ScriptedReply> Times(int count, const std::string& message) {
  return std::vector<ScriptedReply>(count, ScriptedReply::Fail(message));
}

std::vector<ScriptedReply> Times(int count, const ScriptedReply& reply) {
  return std::vector<ScriptedReply>(count, reply);
}

ScriptedReply Busy(int status, std::optional<seconds> retryAfter) {
  return ScriptedReply::Status("HTTP/1.1 " + std::to_string(status) + " Busy", status, retryAfter);
}

template <typename T>
std::vector<T> Then(std::vector<T> first, const std::vector<T>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

std::vector<int> Repeat(int count, int span) {
  return std::vector<int>(count, span);
}

std::string WithUrl(std::string text, const std::string& url) {
  const std::string placeholder = "{URL}";
  for (auto at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder)) {
    text.replace(at, placeholder.size(), url);
  }
  return text;
}

std::vector<int> SleepsOf(const testing::FakeClock& clock) {
  std::vector<int> sleeps;
  for (auto span : clock.Sleeps()) {
    sleeps.push_back(static_cast<int>(span.count()));
  }
  return sleeps;
}

enum class TileFile { None, Body, Blank };

struct FetchCase {
  std::string Name;
  std::vector<ScriptedReply> Script;  // afterwards every request gets kTileBody
  FetchOutcome Outcome;
  std::vector<std::string> Lines;
  bool Recorded;
  TileFile File;
  bool PositionSet;
  std::vector<int> Sleeps;
  int Attempts;
};

void PrintTo(const FetchCase& c, std::ostream* out) {
  *out << c.Name;
}

class FetchTileCases : public ::testing::TestWithParam<FetchCase> {};

TEST_P(FetchTileCases, ReportsRecordsStoresPausesAndCountsAttempts) {
  const FetchCase& c = GetParam();
  WorkerRig rig;
  rig.Http.SetDefaultReply(ScriptedReply::Success(kTileBody));
  rig.Http.Queue(c.Script);
  TDownThread worker(true, 0, *rig.Task, rig.Context());
  const std::string url = rig.Task->TileUrl(kX, kY);

  EXPECT_EQ(worker.FetchTile(rig.Http, kX, kY, kSerial), c.Outcome);

  std::vector<std::string> expectedLines;
  for (const std::string& line : c.Lines) {
    expectedLines.push_back(WithUrl(line, url));
  }
  EXPECT_EQ(rig.Owner.LogLines(), expectedLines);
  const std::vector<std::string> expectedRecords =
      c.Recorded ? std::vector<std::string>{rig.Task->TilePath(kX, kY) + "|" + url}
                 : std::vector<std::string>{};
  EXPECT_EQ(rig.Owner.FailedLines(), expectedRecords);
  switch (c.File) {
    case TileFile::None:
      EXPECT_FALSE(rig.TileExists(kX, kY));
      break;
    case TileFile::Body:
      EXPECT_EQ(rig.ReadTile(kX, kY), kTileBody);
      break;
    case TileFile::Blank:
      EXPECT_EQ(rig.ReadTile(kX, kY), WorkerRig::kBlankBytes);
      break;
  }
  const auto expectedPosition =
      c.PositionSet ? std::pair<int32_t, int32_t>{kX, kY} : std::pair<int32_t, int32_t>{0, 0};
  EXPECT_EQ(worker.LastPosition(), expectedPosition);
  EXPECT_EQ(worker.LastX(), expectedPosition.first);
  EXPECT_EQ(worker.LastY(), expectedPosition.second);
  EXPECT_EQ(SleepsOf(rig.Time), c.Sleeps);
  EXPECT_EQ(rig.Http.Urls(), std::vector<std::string>(c.Attempts, url));
}

const FetchOutcome kGoOn = FetchOutcome::Settled;
const FetchOutcome kEnd = FetchOutcome::EndWorker;

INSTANTIATE_TEST_SUITE_P(
    EveryClass, FetchTileCases,
    ::testing::Values(
        FetchCase{.Name = "FetchedAtOnce",
                  .Script = {},
                  .Outcome = kGoOn,
                  .Lines = {kOk},
                  .Recorded = false,
                  .File = TileFile::Body,
                  .PositionSet = true,
                  .Sleeps = {1000},
                  .Attempts = 1},
        FetchCase{.Name = "NotFound404",
                  .Script = Times(3, M404),
                  .Outcome = kGoOn,
                  .Lines = {NotFoundLine(M404), kBlank},
                  .Recorded = false,
                  .File = TileFile::Blank,
                  .PositionSet = true,
                  .Sleeps = {1000, 1000},
                  .Attempts = 3},
        FetchCase{.Name = "NotFound400",
                  .Script = Times(3, M400),
                  .Outcome = kGoOn,
                  .Lines = {NotFoundLine(M400), kBlank},
                  .Recorded = false,
                  .File = TileFile::Blank,
                  .PositionSet = true,
                  .Sleeps = {1000, 1000},
                  .Attempts = 3},
        FetchCase{.Name = "Other500",
                  .Script = Times(3, M500),
                  .Outcome = kGoOn,
                  .Lines = {FailLine(M500), kBlank},
                  .Recorded = true,
                  .File = TileFile::Blank,
                  .PositionSet = true,
                  .Sleeps = {1000, 1000},
                  .Attempts = 3},
        FetchCase{.Name = "BareFailure",
                  .Script = Times(3, ""),
                  .Outcome = kGoOn,
                  .Lines = {kBare, kBlank},
                  .Recorded = true,
                  .File = TileFile::Blank,
                  .PositionSet = true,
                  .Sleeps = {1000, 1000},
                  .Attempts = 3},
        FetchCase{.Name = "Refused302",
                  .Script = Times(3, M302),
                  .Outcome = kEnd,
                  .Lines = {FailLine(M302), kBan},
                  .Recorded = true,
                  .File = TileFile::None,
                  .PositionSet = false,
                  .Sleeps = {1000, 1000},
                  .Attempts = 3},
        FetchCase{.Name = "Refused403",
                  .Script = Times(3, M403),
                  .Outcome = kEnd,
                  .Lines = {FailLine(M403), kBan},
                  .Recorded = true,
                  .File = TileFile::None,
                  .PositionSet = false,
                  .Sleeps = {1000, 1000},
                  .Attempts = 3},
        FetchCase{.Name = "NetworkTimeOut",
                  .Script = Times(3, MTimeout),
                  .Outcome = kEnd,
                  .Lines = {FailLine(MTimeout), kNetwork},
                  .Recorded = true,
                  .File = TileFile::None,
                  .PositionSet = false,
                  .Sleeps = {2000, 2000},
                  .Attempts = 3},
        FetchCase{.Name = "NetworkHostNotFound",
                  .Script = Times(3, MNoHost),
                  .Outcome = kEnd,
                  .Lines = {FailLine(MNoHost), kNetwork},
                  .Recorded = true,
                  .File = TileFile::None,
                  .PositionSet = false,
                  .Sleeps = {2000, 2000},
                  .Attempts = 3},
        FetchCase{.Name = "ResetsRepeatedAtOnce",
                  .Script = {ScriptedReply::Fail(MReset), ScriptedReply::Fail(MClosed)},
                  .Outcome = kGoOn,
                  .Lines = {kOk},
                  .Recorded = false,
                  .File = TileFile::Body,
                  .PositionSet = true,
                  .Sleeps = {1000},
                  .Attempts = 3},
        FetchCase{.Name = "AddressInUseWaitsEightSeconds",
                  .Script = Times(1, MInUse),
                  .Outcome = kGoOn,
                  .Lines = {kOk},
                  .Recorded = false,
                  .File = TileFile::Body,
                  .PositionSet = true,
                  .Sleeps = {8000, 1000},
                  .Attempts = 2},
        FetchCase{.Name = "TwoResetsThen404GivesUpAtOnce",
                  .Script = Then(Times(2, MReset), Times(1, M404)),
                  .Outcome = kGoOn,
                  .Lines = {NotFoundLine(M404), kBlank},
                  .Recorded = false,
                  .File = TileFile::Blank,
                  .PositionSet = true,
                  .Sleeps = {},
                  .Attempts = 3},
        FetchCase{.Name = "LimitedClassPastThreeAttemptsGivesUpAtFirstOccurrence",
                  .Script = Then(Then(Times(1, M500), Times(2, MReset)), Times(1, M500)),
                  .Outcome = kGoOn,
                  .Lines = {FailLine(M500), kBlank},
                  .Recorded = true,
                  .File = TileFile::Blank,
                  .PositionSet = true,
                  .Sleeps = {1000},
                  .Attempts = 4},
        FetchCase{.Name = "LastFailureDecidesTheOutcome",
                  .Script = Then(Then(Times(1, M404), Times(1, M500)), Times(1, M302)),
                  .Outcome = kEnd,
                  .Lines = {FailLine(M302), kBan},
                  .Recorded = true,
                  .File = TileFile::None,
                  .PositionSet = false,
                  .Sleeps = {1000, 1000},
                  .Attempts = 3},
        FetchCase{.Name = "FetchedAtThirdAttempt",
                  .Script = Then(Times(1, M500), Times(1, "")),
                  .Outcome = kGoOn,
                  .Lines = {kOk},
                  .Recorded = false,
                  .File = TileFile::Body,
                  .PositionSet = true,
                  .Sleeps = {1000, 1000, 1000},
                  .Attempts = 3},
        FetchCase{
            .Name = "FailedAttemptsLeaveNoBytesInTheTile",
            .Script = {ScriptedReply::Fail(M500, "junk"), ScriptedReply::Fail(MReset, "partial")},
            .Outcome = kGoOn,
            .Lines = {kOk},
            .Recorded = false,
            .File = TileFile::Body,
            .PositionSet = true,
            .Sleeps = {1000, 1000},
            .Attempts = 3},
        FetchCase{.Name = "TwentyResetsAreRepeated",
                  .Script = Times(20, MReset),
                  .Outcome = kGoOn,
                  .Lines = {kOk},
                  .Recorded = false,
                  .File = TileFile::Body,
                  .PositionSet = true,
                  .Sleeps = {1000},
                  .Attempts = 21},
        FetchCase{.Name = "TheTwentyFirstResetIsGivenUpLikeOther",
                  .Script = Times(21, MReset),
                  .Outcome = kGoOn,
                  .Lines = {FailLine(MReset), kBlank},
                  .Recorded = true,
                  .File = TileFile::Blank,
                  .PositionSet = true,
                  .Sleeps = {},
                  .Attempts = 21},
        FetchCase{.Name = "FiveAddressShortagesAreRepeated",
                  .Script = Times(5, MInUse),
                  .Outcome = kGoOn,
                  .Lines = {kOk},
                  .Recorded = false,
                  .File = TileFile::Body,
                  .PositionSet = true,
                  .Sleeps = Then(Repeat(5, 8000), Repeat(1, 1000)),
                  .Attempts = 6},
        FetchCase{.Name = "TheSixthAddressShortageIsGivenUpLikeOther",
                  .Script = Times(6, MInUse),
                  .Outcome = kGoOn,
                  .Lines = {FailLine(MInUse), kBlank},
                  .Recorded = true,
                  .File = TileFile::Blank,
                  .PositionSet = true,
                  .Sleeps = Repeat(5, 8000),
                  .Attempts = 6},
        FetchCase{.Name = "BusyServerIsGivenTheTimeItAskedFor",
                  .Script = {Busy(503, seconds(120))},
                  .Outcome = kGoOn,
                  .Lines = {kOk},
                  .Recorded = false,
                  .File = TileFile::Body,
                  .PositionSet = true,
                  .Sleeps = Then(Repeat(120, 1000), Repeat(1, 1000)),
                  .Attempts = 2},
        FetchCase{.Name = "RetryAfterPastTenMinutesWaitsTenMinutes",
                  .Script = {Busy(429, seconds(3600))},
                  .Outcome = kGoOn,
                  .Lines = {kOk},
                  .Recorded = false,
                  .File = TileFile::Body,
                  .PositionSet = true,
                  .Sleeps = Then(Repeat(600, 1000), Repeat(1, 1000)),
                  .Attempts = 2},
        FetchCase{.Name = "TheReasonPhraseIsNeverClassified",
                  .Script = Times(3, ScriptedReply::Status(M503 + " 10054 Socket Error", 503)),
                  .Outcome = kGoOn,
                  .Lines = {FailLine(M503 + " 10054 Socket Error"), kBlank},
                  .Recorded = true,
                  .File = TileFile::Blank,
                  .PositionSet = true,
                  .Sleeps = {1000, 1000},
                  .Attempts = 3},
        FetchCase{.Name = "AStopCutsTheRequestAndLeavesTheTileUnsettled",
                  .Script = {ScriptedReply::Stopped()},
                  .Outcome = kEnd,
                  .Lines = {},
                  .Recorded = false,
                  .File = TileFile::None,
                  .PositionSet = false,
                  .Sleeps = {},
                  .Attempts = 1}),
    [](const auto& info) { return info.param.Name; });

// Bodies that a tile service may answer 200 with but that are no PNG image: none is
// saved; after three attempts the tile gets the "other" outcome.
class NotAnImage : public ::testing::TestWithParam<std::string> {};

TEST_P(NotAnImage, IsNeverSavedAndGivesTheOtherOutcome) {
  WorkerRig rig;
  rig.Http.SetDefaultReply(ScriptedReply::Success(GetParam()));
  TDownThread worker(true, 0, *rig.Task, rig.Context());
  const std::string url = rig.Task->TileUrl(kX, kY);

  EXPECT_EQ(worker.FetchTile(rig.Http, kX, kY, kSerial), FetchOutcome::Settled);

  EXPECT_EQ(rig.Owner.LogLines(), (std::vector<std::string>{"T1 " + MNotPng + "->" + url, kBlank}));
  EXPECT_EQ(rig.Owner.FailedLines(),
            std::vector<std::string>{rig.Task->TilePath(kX, kY) + "|" + url});
  EXPECT_EQ(rig.ReadTile(kX, kY), WorkerRig::kBlankBytes);
  EXPECT_EQ(rig.Http.Urls().size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Bodies, NotAnImage,
                         ::testing::Values("<!DOCTYPE html><html><body>Busy</body></html>", "",
                                           std::string("\x89PNG", 4),
                                           testing::PngStart(100000, 1)));

class FetchTile : public ::testing::Test {
 protected:
  WorkerRig rig;
  const std::string url = rig.Task->TileUrl(kX, kY);
  const std::string record = rig.Task->TilePath(kX, kY) + "|" + url;
};

TEST_F(FetchTile, AStopEndsTheResetRepeatsAndGivesTheTileUpLikeOther) {
  TDownThread worker(true, 0, *rig.Task, rig.Context());
  rig.Http.Queue(Times(3, MReset));
  rig.Http.SetGetHook([&worker](const std::string&) { worker.RequestStop(); });

  EXPECT_EQ(worker.FetchTile(rig.Http, kX, kY, kSerial), FetchOutcome::Settled);

  EXPECT_EQ(rig.Http.Urls().size(), 1u);
  EXPECT_EQ(rig.Owner.LogLines(), (std::vector<std::string>{"T1 " + MReset + "->" + url, kBlank}));
  EXPECT_EQ(rig.Owner.FailedLines(), std::vector<std::string>{record});
}

TEST_F(FetchTile, AStopDoesNotCutTheRepeatsOfALimitedClass) {
  TDownThread worker(true, 0, *rig.Task, rig.Context());
  worker.RequestStop();
  rig.Http.Queue(Then(Times(2, M404), Times(1, MInUse)));

  EXPECT_EQ(worker.FetchTile(rig.Http, kX, kY, kSerial), FetchOutcome::Settled);

  EXPECT_EQ(rig.Http.Urls().size(), 3u);
  EXPECT_EQ(rig.Owner.LogLines(), (std::vector<std::string>{"T1 " + MInUse + "->" + url, kBlank}));
}

TEST_F(FetchTile, BlankSubstitutionLeavesAnExistingTileFileAlone) {
  TDownThread worker(true, 0, *rig.Task, rig.Context());
  testing::Sandbox::WriteAll(rig.Task->TilePath(kX, kY), "OLD");
  rig.Http.Queue(Times(3, M500));

  EXPECT_EQ(worker.FetchTile(rig.Http, kX, kY, kSerial), FetchOutcome::Settled);

  EXPECT_EQ(rig.ReadTile(kX, kY), "OLD");
  EXPECT_EQ(rig.Owner.LogLines().back(), kBlank);
  EXPECT_EQ(worker.LastPosition(), std::make_pair(kX, kY));
}

TEST_F(FetchTile, AMissingBlankImageStillSettlesTheTileWithItsLine) {
  std::filesystem::remove(rig.BlankImagePath());
  TDownThread worker(true, 0, *rig.Task, rig.Context());
  rig.Http.Queue(Times(3, M404));

  EXPECT_EQ(worker.FetchTile(rig.Http, kX, kY, kSerial), FetchOutcome::Settled);

  EXPECT_FALSE(rig.TileExists(kX, kY));
  EXPECT_EQ(rig.Owner.LogLines(), (std::vector<std::string>{NotFoundLine(M404), kBlank}));
  EXPECT_EQ(worker.LastPosition(), std::make_pair(kX, kY));
}

TEST_F(FetchTile, AFetchedTileReplacesAnExistingFile) {
  TDownThread worker(true, 0, *rig.Task, rig.Context());
  testing::Sandbox::WriteAll(rig.Task->TilePath(kX, kY), "OLD-AND-LONGER");
  rig.Http.Queue({ScriptedReply::Success(testing::SmallPng())});

  EXPECT_EQ(worker.FetchTile(rig.Http, kX, kY, kSerial), FetchOutcome::Settled);

  EXPECT_EQ(rig.ReadTile(kX, kY), testing::SmallPng());
  EXPECT_EQ(std::filesystem::directory_iterator(rig.Task->TileFolder)->path().filename(),
            "qn_10_20_5.png");
}

TEST_F(FetchTile, AStopDuringTheWaitABusyServerAskedForEndsTheWorkerUnsettled) {
  TDownThread worker(true, 0, *rig.Task, rig.Context());
  rig.Http.Queue({Busy(503, seconds(600))});
  rig.Time.SetHook([&worker, this](std::chrono::milliseconds) {
    if (rig.Time.Sleeps().size() == 3) {
      worker.RequestStop();
    }
  });

  EXPECT_EQ(worker.FetchTile(rig.Http, kX, kY, kSerial), FetchOutcome::EndWorker);

  EXPECT_EQ(SleepsOf(rig.Time), Repeat(3, 1000));
  EXPECT_TRUE(rig.Owner.LogLines().empty());
  EXPECT_TRUE(rig.Owner.FailedLines().empty());
  EXPECT_EQ(worker.LastPosition(), std::make_pair(0, 0));
}

// How a tile folder can refuse the tile, and the system's reason the log line ends with.
struct WriteFailureCase {
  std::string Name;
  std::function<void(const std::string& folder)> Spoil;
  std::string Reason;
};

void PrintTo(const WriteFailureCase& c, std::ostream* out) {
  *out << c.Name;
}

class TileWriteFailure : public ::testing::TestWithParam<WriteFailureCase> {};

TEST_P(TileWriteFailure, IsRecordedEndsTheWorkerAndNamesTheSystemsReason) {
  WorkerRig rig;
  const std::string folder = rig.Task->TileFolder;
  GetParam().Spoil(folder.substr(0, folder.size() - 1));
  TDownThread worker(true, 0, *rig.Task, rig.Context());
  const testing::ScopedNoPermissionOverride asOrdinaryUser;

  EXPECT_EQ(worker.FetchTile(rig.Http, kX, kY, kSerial), FetchOutcome::EndWorker);

  const std::string path = rig.Task->TilePath(kX, kY);
  const std::string url = rig.Task->TileUrl(kX, kY);
  EXPECT_EQ(rig.Owner.LogLines(), std::vector<std::string>{"T1 Cannot create file " + path + "->" +
                                                           url + ": " + GetParam().Reason});
  EXPECT_EQ(rig.Owner.FailedLines(), std::vector<std::string>{path + "|" + url});
  EXPECT_EQ(worker.LastPosition(), std::make_pair(0, 0));
  EXPECT_TRUE(rig.Time.Sleeps().empty());
}

INSTANTIATE_TEST_SUITE_P(Folders, TileWriteFailure,
                         ::testing::Values(WriteFailureCase{"Removed",
                                                            [](const std::string& folder) {
                                                              std::filesystem::remove_all(folder);
                                                            },
                                                            "No such file or directory"},
                                           WriteFailureCase{"ReplacedByAFile",
                                                            [](const std::string& folder) {
                                                              std::filesystem::remove_all(folder);
                                                              testing::Sandbox::WriteAll(
                                                                  folder, "not a folder");
                                                            },
                                                            "Not a directory"},
                                           WriteFailureCase{"ReadOnly",
                                                            [](const std::string& folder) {
                                                              std::filesystem::permissions(
                                                                  folder,
                                                                  std::filesystem::perms(0555));
                                                            },
                                                            "Permission denied"}),
                         [](const auto& info) { return info.param.Name; });

TEST_F(FetchTile, ReportsOfTheEighthWorkerBeginWithT8) {
  TDownThread worker(true, 7, *rig.Task, rig.Context());
  rig.Http.Queue(Times(3, M500));
  worker.FetchTile(rig.Http, kX, kY, kSerial);
  worker.FetchTile(rig.Http, kX, kY + 1, 15);

  EXPECT_EQ(rig.Owner.LogLines(),
            (std::vector<std::string>{"T8 " + M500 + "->" + url, "T8:10-20 got a blank image!",
                                      "T8:seq=15,qn_10_21_5.png OK"}));
}

TEST_F(FetchTile, EachReportCarriesItsKind) {
  TDownThread worker(true, 0, *rig.Task, rig.Context());
  rig.Http.Queue(Times(3, M500));
  worker.FetchTile(rig.Http, kX, kY, kSerial);
  worker.FetchTile(rig.Http, kX, kY + 1, 15);

  std::vector<ReportKind> kinds;
  for (const auto& event : rig.Owner.Events()) {
    kinds.push_back(event.Report);
  }
  EXPECT_EQ(kinds, (std::vector<ReportKind>{ReportKind::Failure, ReportKind::Failure,
                                            ReportKind::Blank, ReportKind::Fetched}));
}

}  // namespace
}  // namespace kartovel

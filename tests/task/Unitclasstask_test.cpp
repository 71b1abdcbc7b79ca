// The download task: its tile range, file names, tile addressing and the bytes of the
// task file, tile list, run log and failed-tile file.
#include "task/Unitclasstask.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/Error.h"
#include "common/IniFile.h"
#include "common/Locale.h"
#include "support/Sandbox.h"
#include "support/WriteSteps.h"
#include "task/MapSource.h"

namespace kartovel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kClockText = "2026-12-07 09:30:05";
constexpr const char* kTileHost = "127.0.0.1:8080";

using testing::Sandbox;

std::string ReadBytes(const std::string& fileName) {
  return Sandbox::ReadAll(fileName);
}
void WriteBytes(const std::string& fileName, const std::string& bytes) {
  Sandbox::WriteAll(fileName, bytes);
}

size_t EntryCount(const Sandbox& sandbox) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(sandbox.Folder()), {}));
}

// Lines joined with CR LF after each, as the program writes its text files.
std::string CrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) {
    text += line + "\r\n";
  }
  return text;
}

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  EXPECT_EQ(start, text.size()) << "text after the last CR LF";
  return lines;
}

class DownloadTaskTest : public ::testing::Test {
 protected:
  TaskParameters Request(double left, double right, double top, double bottom, int32_t zoom) {
    TaskParameters params;
    params.LeftLongitude = left;
    params.RightLongitude = right;
    params.TopLatitude = top;
    params.BottomLatitude = bottom;
    params.Zoom = zoom;
    params.SavePath = sandbox_.Folder();
    params.TaskFileName = "newtask.qtsk";
    params.TileHost = kTileHost;
    return params;
  }
  // The worked example: Beijing's one-degree square at zoom 13.
  TaskParameters Beijing() { return Request(116.0, 117.0, 40.5, 39.5, 13); }

  // Construction and writing in the order of the Start command.
  static void WriteAll(DownloadTask& task) {
    if (task.TotalCount < task.Params.ThreadCount) {
      task.Params.ThreadCount = task.TotalCount;
    }
    task.WriteTaskFile();
    task.WriteListFile();
    task.WriteLogHeader();
    task.ResetFailedFile();
  }

  Sandbox sandbox_;
  ScopedLocaleOverride locale_{'.', std::string(kClockText)};
};

struct RangeCase {
  const char* name;
  int32_t mapsType;
  int32_t minY;
  int32_t maxY;
};

class DownloadTaskRangeTest : public DownloadTaskTest,
                              public ::testing::WithParamInterface<RangeCase> {};

TEST_P(DownloadTaskRangeTest, CoversTheWorkedExampleWithWholeTiles) {
  TaskParameters params = Beijing();
  params.MapsType = GetParam().mapsType;
  const DownloadTask task(params);
  EXPECT_EQ(task.MinX, 6735);
  EXPECT_EQ(task.MaxX, 6758);
  EXPECT_EQ(task.MinY, GetParam().minY);
  EXPECT_EQ(task.MaxY, GetParam().maxY);
  EXPECT_EQ(task.TotalCount, 744);
  EXPECT_DOUBLE_EQ(task.LeftLongitudeDownload, 115.9716796875);
  EXPECT_DOUBLE_EQ(task.RightLongitudeDownload, 117.0263671875);
  EXPECT_NEAR(task.TopLatitudeDownload, 40.5137991550, 5e-11);
  EXPECT_NEAR(task.BottomLatitudeDownload, 39.4701251224, 5e-11);
  // The range and the coverage say the same as the members, in the walk's terms.
  const TileRange range{13, 6735, 6758, GetParam().minY, GetParam().maxY};
  EXPECT_EQ(task.Range(), range);
  EXPECT_EQ(task.Coverage().Bounds(), range);
  EXPECT_EQ(task.Coverage().CoveredCount(), task.TotalCount);
}

INSTANTIATE_TEST_SUITE_P(RowOrigins, DownloadTaskRangeTest,
                         ::testing::Values(RangeCase{"NorthOrigin", 3, 3086, 3116},
                                           RangeCase{"SouthOrigin", 5, 5075, 5105}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ShapeCase {
  const char* name;
  double left, right, top, bottom;
  int32_t zoom;
  int32_t minX, maxX, minY, maxY, total;
};

class DownloadTaskShapeTest : public DownloadTaskTest,
                              public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(DownloadTaskShapeTest, CountsColumnsTimesRows) {
  const ShapeCase& shape = GetParam();
  TaskParameters params = Request(shape.left, shape.right, shape.top, shape.bottom, shape.zoom);
  const DownloadTask task(params);
  EXPECT_EQ(task.MinX, shape.minX);
  EXPECT_EQ(task.MaxX, shape.maxX);
  EXPECT_EQ(task.MinY, shape.minY);
  EXPECT_EQ(task.MaxY, shape.maxY);
  EXPECT_EQ(task.TotalCount, shape.total);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, DownloadTaskShapeTest,
    ::testing::Values(
        ShapeCase{"InsideOneTile", 116.39, 116.40, 39.9, 39.9, 13, 6744, 6744, 3104, 3104, 1},
        ShapeCase{"EqualLatitudesGiveOneRow", 116.0, 117.0, 40.0, 40.0, 13, 6735, 6758, 3101, 3101,
                  24},
        ShapeCase{"EqualLongitudesGiveOneColumn", 116.0, 116.0, 40.5, 39.5, 13, 6735, 6735, 3086,
                  3116, 31},
        // Longitude 180 reaches one column past the grid, and that column counts.
        ShapeCase{"RightLongitude180", 90.0, 180.0, 10.0, 10.0, 1, 1, 2, 0, 0, 2},
        ShapeCase{"WholeWorldAtZoomZero", -180.0, 179.0, 85.0, -85.0, 0, 0, 0, 0, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

struct NameCase {
  const char* taskFileName;
  const char* base;
};

class DownloadTaskNameTest : public DownloadTaskTest,
                             public ::testing::WithParamInterface<NameCase> {};

TEST_P(DownloadTaskNameTest, NamesTheRunFilesAfterTheBaseBesideTheTileFolder) {
  TaskParameters params = Beijing();
  params.TaskFileName = GetParam().taskFileName;
  const DownloadTask task(params);
  const std::string folder = sandbox_.Folder();
  const std::string base = GetParam().base;
  EXPECT_EQ(task.TaskFilePath(), folder + GetParam().taskFileName);
  EXPECT_EQ(task.LogFileName, folder + base + "_log.txt");
  EXPECT_EQ(task.FailedFileName, folder + base + "_failed.ftl");
  EXPECT_EQ(task.ListFileName, folder + base + "_list.txt");
  EXPECT_EQ(task.TileFolder, folder + base + "/");
  EXPECT_TRUE(fs::is_directory(task.TileFolder));
}

INSTANTIATE_TEST_SUITE_P(Names, DownloadTaskNameTest,
                         ::testing::Values(NameCase{"newtask.qtsk", "newtask"},
                                           NameCase{"area.qtsk", "area"},
                                           NameCase{"area.txt.qtsk", "area.txt"},
                                           NameCase{"area", "area"}));

TEST_F(DownloadTaskTest, UsesAnExistingTileFolder) {
  TaskParameters params = Beijing();
  fs::create_directory(sandbox_.Folder() + "newtask");
  WriteBytes(sandbox_.Folder() + "newtask/qn_1_1_13.png", "kept");
  const DownloadTask task(params);
  EXPECT_EQ(ReadBytes(task.TileFolder + "qn_1_1_13.png"), "kept");
}

TEST_F(DownloadTaskTest, ReportsATileFolderThatCannotBeCreated) {
  TaskParameters params = Beijing();
  params.SavePath = sandbox_.Folder() + "missing/";
  try {
    DownloadTask task(params);
    FAIL() << "construction succeeded";
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), ("Create directory " + sandbox_.Folder() +
                                "missing/newtask/ Failed: No such file or directory.")
                                   .c_str());
  }
}

struct RefusalCase {
  const char* name;
  double left, right, top, bottom;
  int32_t zoom;
  const char* mentions;
};

class DownloadTaskRefusalTest : public DownloadTaskTest,
                                public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(DownloadTaskRefusalTest, RefusesBeforeAnyFolderOrFileIsMade) {
  const RefusalCase& refusal = GetParam();
  TaskParameters params =
      Request(refusal.left, refusal.right, refusal.top, refusal.bottom, refusal.zoom);
  params.ContinueTask = true;  // the resume keys are not read either
  try {
    DownloadTask task(params);
    FAIL() << "construction succeeded";
  } catch (const AppError& error) {
    EXPECT_NE(std::string(error.what()).find(refusal.mentions), std::string::npos) << error.what();
  }
  EXPECT_EQ(EntryCount(sandbox_), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, DownloadTaskRefusalTest,
    ::testing::Values(
        RefusalCase{"Zoom31", 116.0, 117.0, 40.5, 39.5, 31, "zoom level from 0 to 30"},
        RefusalCase{"ZoomMinus1", 116.0, 117.0, 40.5, 39.5, -1, "zoom level from 0 to 30"},
        // 524289 columns by about 520000 rows: far past 2147483647 tiles.
        RefusalCase{"WholeWorldAtZoom19", -180.0, 180.0, 85.0, -85.0, 19, "too many tiles"},
        // 46341 x 46341 = 2147488281: just past the limit, where 32-bit arithmetic wraps.
        RefusalCase{"JustPastTheLimit", 0.0, 127.2779846191, 0.0, -77.6203590893, 17,
                    "too many tiles"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadTaskTest, AcceptsACountJustInsideTheLimit) {
  // 46340 columns by 46341 rows = 2147441940 tiles; only the count is taken, no file.
  TaskParameters params = Request(0.0, 127.2752380371, 0.0, -77.6203590893, 17);
  const DownloadTask task(params);
  EXPECT_EQ(task.MaxX - task.MinX + 1, 46340);
  EXPECT_EQ(task.MaxY - task.MinY + 1, 46341);
  EXPECT_EQ(task.TotalCount, 2147441940);
}

struct UrlCase {
  int32_t zoom;
  int32_t y;
  const char* serviceRow;
  const char* serviceZoom;
};

class DownloadTaskUrlTest : public DownloadTaskTest,
                            public ::testing::WithParamInterface<UrlCase> {};

TEST_P(DownloadTaskUrlTest, CountsServiceRowsFromTheEquator) {
  TaskParameters params = Request(0.0, 0.0, 0.0, 0.0, GetParam().zoom);
  const DownloadTask task(params);
  EXPECT_EQ(task.TileUrl(7, GetParam().y), std::string("http://") + kTileHost +
                                               "/hx/tl?v=4.3&r=1&x=7&y=" + GetParam().serviceRow +
                                               "&z=" + GetParam().serviceZoom);
}

INSTANTIATE_TEST_SUITE_P(Rows, DownloadTaskUrlTest,
                         ::testing::Values(UrlCase{13, 3104, "991", "14"},
                                           UrlCase{13, 0, "4095", "14"},
                                           UrlCase{13, 4095, "0", "14"},
                                           UrlCase{13, 4096, "-1", "14"},
                                           UrlCase{13, 8191, "-4096", "14"},
                                           UrlCase{1, 0, "0", "2"}, UrlCase{1, 1, "-1", "2"},
                                           UrlCase{0, 0, "-0.5", "1"}, UrlCase{0, 2, "-2.5", "1"}));

TEST_F(DownloadTaskTest, MirrorsRowsAboutTheEquatorAtEveryZoom) {
  for (int32_t zoom = 1; zoom <= 19; ++zoom) {
    TaskParameters params = Request(0.0, 0.0, 0.0, 0.0, zoom);
    const DownloadTask task(params);
    const int32_t size = int32_t{1} << zoom;
    for (const int32_t y : {0, size / 3, size - 1}) {
      const std::string url = task.TileUrl(1, y);
      const std::string mirrored = task.TileUrl(1, size - 1 - y);
      const auto row = [](const std::string& text) {
        const auto from = text.find("&y=") + 3;
        return std::stoll(text.substr(from, text.find("&z=") - from));
      };
      EXPECT_EQ(row(mirrored), -row(url) - 1) << "zoom " << zoom << " row " << y;
    }
  }
}

TEST_F(DownloadTaskTest, WritesAFractionalZoomZeroRowWithTheUsersSeparator) {
  const ScopedLocaleOverride comma(',', std::nullopt);
  TaskParameters params = Request(0.0, 0.0, 0.0, 0.0, 0);
  const DownloadTask task(params);
  EXPECT_EQ(task.TileUrl(0, 0),
            std::string("http://") + kTileHost + "/hx/tl?v=4.3&r=1&x=0&y=-0,5&z=1");
}

// A map type without an entry in the table leaves prefix, extension and URL empty.
TEST_F(DownloadTaskTest, AddressesATileByItsUrlFileNameAndPlace) {
  const std::string service = std::string("http://") + kTileHost + "/hx/tl?v=4.3&r=1&";
  const struct {
    int32_t MapsType;
    int32_t X;
    int32_t Y;
    std::string Url;
    std::string FileName;
  } cases[] = {
      {.MapsType = 3,
       .X = 6744,
       .Y = 3104,
       .Url = service + "x=6744&y=991&z=14",
       .FileName = "qn_6744_3104_13.png"},
      {.MapsType = 3,
       .X = -1,
       .Y = 8192,
       .Url = service + "x=-1&y=-4097&z=14",
       .FileName = "qn_-1_8192_13.png"},
      {.MapsType = 0, .X = 6744, .Y = 3104, .Url = "", .FileName = "_6744_3104_13."},
      {.MapsType = 4, .X = 6744, .Y = 3104, .Url = "", .FileName = "_6744_3104_13."},
      {.MapsType = 5, .X = 6744, .Y = 3104, .Url = "", .FileName = "_6744_3104_13."},
      {.MapsType = 13, .X = 6744, .Y = 3104, .Url = "", .FileName = "_6744_3104_13."},
      {.MapsType = 14, .X = 6744, .Y = 3104, .Url = "", .FileName = "_6744_3104_13."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.FileName);
    TaskParameters params = Beijing();
    params.MapsType = c.MapsType;
    const DownloadTask task(params);
    const TileAddress address = task.AddressOf(c.X, c.Y);
    EXPECT_EQ(std::make_pair(address.Tile.X, address.Tile.Y), std::make_pair(c.X, c.Y));
    EXPECT_EQ(address.Url, c.Url);
    EXPECT_EQ(address.FileName, c.FileName);
    EXPECT_EQ(address.Path, sandbox_.Folder() + "newtask/" + c.FileName);
    EXPECT_EQ(task.TileExtension(), c.MapsType == 3 ? "png" : "");
    // The single parts agree with the whole address.
    EXPECT_EQ(task.TileUrl(c.X, c.Y), address.Url);
    EXPECT_EQ(task.TileFileName(c.X, c.Y), address.FileName);
    EXPECT_EQ(task.TilePath(c.X, c.Y), address.Path);
  }
}

std::vector<std::string> BeijingTaskFileLines() {
  std::vector<std::string> lines = {"[MapsType]",
                                    "MapsType=3",
                                    "",
                                    "[AREA]",
                                    "LeftLongitude=116",
                                    "RightLongitude=117",
                                    "TopLatitude=40.5",
                                    "BottomLatitude=39.5",
                                    "",
                                    "Left_Longitude_download=  115.97167968750000",
                                    "Right_Longitude_download=  117.02636718750000",
                                    "Top_Latitude_download=   40.51379915504415",
                                    "Bottom_Latitude_download=   39.47012512235816",
                                    "",
                                    "[Zoom]",
                                    "Zoom=13",
                                    "",
                                    "[XY]",
                                    "MinX=6735",
                                    "MinY=3086",
                                    "MaxX=6758",
                                    "MaxY=3116",
                                    "",
                                    "[THREADS]",
                                    "ThreadCount=8"};
  for (int n = 1; n <= 8; ++n) {
    lines.push_back("T" + std::to_string(n) + "X=");
    lines.push_back("T" + std::to_string(n) + "Y=");
  }
  lines.emplace_back();
  return lines;
}

TEST_F(DownloadTaskTest, WritesTheTaskFileByteForByte) {
  TaskParameters params = Beijing();
  DownloadTask task(params);
  task.WriteTaskFile();
  EXPECT_EQ(ReadBytes(task.TaskFilePath()), CrLf(BeijingTaskFileLines()));
}

MapSource JpegSource() {
  return MapSource{.MapsType = 120,
                   .Name = "Aerial",
                   .Url = "http://{s}.aerial.test/{z}/{x}/{-y}.jpg?k={q}",
                   .Prefix = "aer",
                   .Extension = "jpg",
                   .Subdomains = "ab",
                   .UserAgent = "Survey/2",
                   .Referer = "",
                   .MinZoom = 0,
                   .MaxZoom = 19,
                   .Workers = 3,
                   .PauseMs = 250};
}

// A source's task: its template addresses the tiles, its prefix and extension name them
// in the folder and the list, and the task file keeps a copy of it after [MapsType].
TEST_F(DownloadTaskTest, AddressesNamesAndRecordsTheTilesOfASource) {
  TaskParameters params = Beijing();
  params.MapsType = 120;
  params.Source = JpegSource();
  DownloadTask task(params);
  WriteAll(task);
  const TileAddress address = task.AddressOf(6744, 3104);
  EXPECT_EQ(address.Url, "http://a.aerial.test/13/6744/5087.jpg?k=1321001211000");
  EXPECT_EQ(address.FileName, "aer_6744_3104_13.jpg");
  EXPECT_EQ(address.Path, sandbox_.Folder() + "newtask/aer_6744_3104_13.jpg");
  EXPECT_EQ(task.AddressOf(6745, 3104).Url.substr(0, 9), "http://b.");

  std::vector<std::string> lines = BeijingTaskFileLines();
  lines[1] = "MapsType=120";
  const std::vector<std::string> copy = {"[Source]",
                                         "Name=Aerial",
                                         "Url=http://{s}.aerial.test/{z}/{x}/{-y}.jpg?k={q}",
                                         "Prefix=aer",
                                         "Extension=jpg",
                                         "Subdomains=ab",
                                         "UserAgent=Survey/2",
                                         "Referer=",
                                         "MinZoom=0",
                                         "MaxZoom=19",
                                         "Workers=3",
                                         "PauseMs=250",
                                         ""};
  lines.insert(lines.begin() + 3, copy.begin(), copy.end());
  EXPECT_EQ(ReadBytes(task.TaskFilePath()), CrLf(lines));
  EXPECT_EQ(SplitCrLf(ReadBytes(task.ListFileName)).at(1).substr(0, 21), "aer_6735_3086_13.jpg:");
  EXPECT_NE(ReadBytes(task.LogFileName)
                .find("\r\nMapsType=120\r\n\r\nMap source: Aerial\r\nUrl template: "
                      "http://{s}.aerial.test/{z}/{x}/{-y}.jpg?k={q}\r\n\r\nLeft Longitude"),
            std::string::npos);
}

// A source given for another map type is not used: the map type decides.
TEST_F(DownloadTaskTest, UsesASourceOnlyForItsOwnMapType) {
  for (const int32_t mapsType : {3, 121}) {
    TaskParameters params = Beijing();
    params.MapsType = mapsType;
    params.Source = JpegSource();
    DownloadTask task(params);
    task.WriteTaskFile();
    EXPECT_EQ(task.SourceInUse(), nullptr);
    EXPECT_EQ(ReadBytes(task.TaskFilePath()).find("[Source]"), std::string::npos);
    EXPECT_EQ(task.TileExtension(), mapsType == 3 ? "png" : "");
  }
}

TEST_F(DownloadTaskTest, KeepsEightResumeSlotsForAOneTileTask) {
  TaskParameters params = Request(116.39, 116.39, 39.9, 39.9, 13);
  DownloadTask task(params);
  WriteAll(task);
  const std::string text = ReadBytes(task.TaskFilePath());
  EXPECT_NE(text.find("\r\n[THREADS]\r\nThreadCount=1\r\nT1X=\r\nT1Y=\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nT8X=\r\nT8Y=\r\n\r\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 14), "T8X=\r\nT8Y=\r\n\r\n");
}

TEST_F(DownloadTaskTest, WritesCoordinatesWithACommaSeparator) {
  const ScopedLocaleOverride comma(',', std::nullopt);
  TaskParameters params = Beijing();
  DownloadTask task(params);
  task.WriteTaskFile();
  task.WriteLogHeader();
  const std::string taskFile = ReadBytes(task.TaskFilePath());
  EXPECT_NE(taskFile.find("\r\nTopLatitude=40,5\r\nBottomLatitude=39,5\r\n"), std::string::npos);
  // The fixed format keeps its point whatever the locale.
  EXPECT_NE(taskFile.find("\r\nTop_Latitude_download=   40.51379915504415\r\n"), std::string::npos);
  const std::string log = ReadBytes(task.LogFileName);
  EXPECT_NE(log.find("\r\nTop Latitude    input= 40,5\r\n"), std::string::npos);
  EXPECT_NE(log.find("\r\nLeft Longitude  download=115,9716796875\r\n"), std::string::npos);
}

std::vector<std::string> BeijingLogHeader(const std::string& folder,
                                          const std::vector<std::string>& proxyLines) {
  std::vector<std::string> lines = {"Project: " + folder + "newtask.qtsk",
                                    std::string("Now time is:") + kClockText,
                                    "",
                                    "[MapsType]",
                                    "MapsType=3",
                                    ""};
  lines.insert(lines.end(), proxyLines.begin(), proxyLines.end());
  const std::vector<std::string> rest = {
      "Left Longitude  input= 116",
      "Right Longitude input= 117",
      "Top Latitude    input= 40.5",
      "Bottom Latitude input= 39.5",
      "",
      "MinX = 6735",
      "MinY = 3086",
      "MaxX = 6758",
      "MaxY = 3116",
      "",
      "Left Longitude  download=115.9716796875",
      "Right Longitude download=117.0263671875",
      "Top Latitude    download=40.5137991550441",
      "Bottom Latitude download=39.4701251223582",
      "",
      "All images' scope information are saved to " + folder + "newtask_list.txt",
      "",
      "Total count of images would be downloaded: 744",
      "",
      "Download threads count: 8",
      "",
      "Zoom level: 13",
      "",
      "path: " + folder,
      "",
      "Start downloading...",
      "~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~"};
  lines.insert(lines.end(), rest.begin(), rest.end());
  return lines;
}

struct ProxyCase {
  const char* name;
  bool useProxy;
  const char* password;
  std::vector<std::string> expectedLines;
};

class DownloadTaskLogTest : public DownloadTaskTest,
                            public ::testing::WithParamInterface<ProxyCase> {};

TEST_P(DownloadTaskLogTest, WritesTheLogHeaderByteForByte) {
  TaskParameters params = Beijing();
  params.UseProxy = GetParam().useProxy;
  params.ProxyServer = "proxy.example";
  params.ProxyPort = "3128";
  params.ProxyUsername = "walker";
  params.ProxyPassword = GetParam().password;
  DownloadTask task(params);
  task.WriteLogHeader();
  EXPECT_EQ(ReadBytes(task.LogFileName),
            CrLf(BeijingLogHeader(sandbox_.Folder(), GetParam().expectedLines)));
}

INSTANTIATE_TEST_SUITE_P(
    Proxies, DownloadTaskLogTest,
    ::testing::Values(
        // Without a proxy no proxy line and no extra empty line appear.
        ProxyCase{"NoProxy", false, "secret", {}},
        ProxyCase{"PasswordMasked",
                  true,
                  "secret",
                  {"Using Proxy:", "Proxy Server:proxy.example", "Proxy Port:3128",
                   "ProxyUsername:walker", "ProxyPassword:********", ""}},
        ProxyCase{"EmptyPasswordStaysEmpty",
                  true,
                  "",
                  {"Using Proxy:", "Proxy Server:proxy.example", "Proxy Port:3128",
                   "ProxyUsername:walker", "ProxyPassword:", ""}}),
    [](const auto& info) { return std::string(info.param.name); });

constexpr const char* kTile6744Line =
    "qn_6744_3104_13.png:   116.36718750000000   116.41113281250000    39.90973623453718    "
    "39.87601941962115";
constexpr const char* kListHeaderLine =
    "ImageFileName    Left_Edge_Longitude    Right_Edge_Longitude   Top_Edge_Latitude      "
    "Bottom_Edge_Latitude";

TEST_F(DownloadTaskTest, ListsAOneTileTaskInTwoLines) {
  ASSERT_EQ(std::string(kTile6744Line).size(), 104u);
  TaskParameters params = Request(116.39, 116.39, 39.9, 39.9, 13);
  DownloadTask task(params);
  task.WriteListFile();
  EXPECT_EQ(ReadBytes(task.ListFileName), CrLf({kListHeaderLine, kTile6744Line}));
}

TEST_F(DownloadTaskTest, ListsTheSameLineWhenSeveralColumnsShareTheRow) {
  TaskParameters params = Request(116.38, 116.42, 39.9, 39.9, 13);
  DownloadTask task(params);
  ASSERT_EQ(task.MinX, 6744);
  ASSERT_EQ(task.MaxX, 6745);
  task.WriteListFile();
  const auto lines = SplitCrLf(ReadBytes(task.ListFileName));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], kTile6744Line);
  EXPECT_EQ(lines[2].substr(0, 41), "qn_6745_3104_13.png:   116.41113281250000");
}

// Reads "name: west east north south" back.
struct ListLine {
  std::string name;
  double west, east, north, south;
};

ListLine ParseListLine(const std::string& line) {
  ListLine parsed;
  const auto colon = line.find(": ");
  parsed.name = line.substr(0, colon);
  std::istringstream numbers(line.substr(colon + 1));
  numbers >> parsed.west >> parsed.east >> parsed.north >> parsed.south;
  return parsed;
}

struct ListOrderCase {
  const char* name;
  int32_t mapsType;
  double left, right, top, bottom;
  int32_t zoom;
};

class DownloadTaskListTest : public DownloadTaskTest,
                             public ::testing::WithParamInterface<ListOrderCase> {};

TEST_P(DownloadTaskListTest, ListsColumnsOuterRowsInnerWithTouchingEdges) {
  const ListOrderCase& shape = GetParam();
  TaskParameters params = Request(shape.left, shape.right, shape.top, shape.bottom, shape.zoom);
  params.MapsType = shape.mapsType;
  DownloadTask task(params);
  task.WriteListFile();
  const auto lines = SplitCrLf(ReadBytes(task.ListFileName));
  ASSERT_EQ(lines.size(), static_cast<size_t>(task.TotalCount) + 1);
  EXPECT_EQ(lines[0], kListHeaderLine);
  const bool rowsGrowNorthward = shape.mapsType == 5;
  size_t index = 1;
  for (int32_t x = task.MinX; x <= task.MaxX; ++x) {
    for (int32_t y = task.MinY; y <= task.MaxY; ++y, ++index) {
      const ListLine line = ParseListLine(lines[index]);
      EXPECT_EQ(line.name, task.TileFileName(x, y).substr(0, line.name.size()));
      EXPECT_EQ(line.name.size() + 2 + 4 * 20 + 3, lines[index].size());
      EXPECT_LT(line.west, line.east);
      EXPECT_GT(line.north, line.south);
      if (y > task.MinY) {
        const ListLine previous = ParseListLine(lines[index - 1]);
        EXPECT_EQ(line.west, previous.west);
        EXPECT_EQ(rowsGrowNorthward ? line.south : line.north,
                  rowsGrowNorthward ? previous.north : previous.south);
      }
      if (x > task.MinX) {
        const size_t rows = static_cast<size_t>(task.MaxY - task.MinY + 1);
        EXPECT_EQ(line.west, ParseListLine(lines[index - rows]).east);
      }
    }
  }
  // The list's outer edges are the task's.
  const ListLine first = ParseListLine(lines[1]);
  const ListLine last = ParseListLine(lines.back());
  EXPECT_NEAR(first.west, task.LeftLongitudeDownload, 1e-13);
  EXPECT_NEAR(last.east, task.RightLongitudeDownload, 1e-13);
  const ListLine& northmost = rowsGrowNorthward ? last : first;
  const ListLine& southmost = rowsGrowNorthward ? first : last;
  EXPECT_NEAR(northmost.north, task.TopLatitudeDownload, 1e-13);
  EXPECT_NEAR(southmost.south, task.BottomLatitudeDownload, 1e-13);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, DownloadTaskListTest,
    ::testing::Values(ListOrderCase{"NorthOrigin", 3, 116.0, 117.0, 40.5, 39.5, 13},
                      ListOrderCase{"SouthOrigin", 5, 116.0, 117.0, 40.5, 39.5, 13},
                      ListOrderCase{"OneTallColumn", 3, 10.0, 10.0, 60.0, -60.0, 10},
                      ListOrderCase{"SouthernHemisphere", 3, -70.0, -60.0, -20.0, -40.0, 9}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadTaskTest, ListsColumnPastTheGridForRightLongitude180) {
  TaskParameters params = Request(90.0, 180.0, 10.0, 10.0, 1);
  DownloadTask task(params);
  ASSERT_EQ(task.MaxX, 2);
  task.WriteListFile();
  const auto lines = SplitCrLf(ReadBytes(task.ListFileName));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2].substr(0, 56), "qn_2_0_1.png:   180.00000000000000   360.00000000000000 ");
}

TEST_F(DownloadTaskTest, EmptiesTheFailedFileOfAFreshRun) {
  TaskParameters params = Beijing();
  DownloadTask task(params);
  WriteBytes(task.FailedFileName, "old|record\r\n");
  task.ResetFailedFile();
  EXPECT_TRUE(fs::exists(task.FailedFileName));
  EXPECT_EQ(fs::file_size(task.FailedFileName), 0u);
}

TEST_F(DownloadTaskTest, ContinuesARunLeavingItsFilesAndAppendingThreeLogLines) {
  TaskParameters fresh = Beijing();
  {
    DownloadTask task(fresh);
    WriteAll(task);
  }
  const std::string folder = sandbox_.Folder();
  TIniFile(folder + "newtask.qtsk").WriteInteger("THREADS", "T2X", 6740);
  TIniFile(folder + "newtask.qtsk").WriteInteger("THREADS", "T2Y", 3100);
  WriteBytes(folder + "newtask_failed.ftl", "a/qn_1_2_13.png|http://h/1\r\n");
  const std::string taskBytes = ReadBytes(folder + "newtask.qtsk");
  const std::string listBytes = ReadBytes(folder + "newtask_list.txt");
  const std::string failedBytes = ReadBytes(folder + "newtask_failed.ftl");
  const std::string logBytes = ReadBytes(folder + "newtask_log.txt");

  const ScopedLocaleOverride later(std::nullopt, std::string("2026-12-08 10:00:00"));
  TaskParameters resumed = Beijing();
  resumed.ContinueTask = true;
  DownloadTask task(resumed);
  WriteAll(task);

  EXPECT_EQ(ReadBytes(folder + "newtask.qtsk"), taskBytes);
  EXPECT_EQ(ReadBytes(folder + "newtask_list.txt"), listBytes);
  EXPECT_EQ(ReadBytes(folder + "newtask_failed.ftl"), failedBytes);
  EXPECT_EQ(ReadBytes(folder + "newtask_log.txt"),
            logBytes + CrLf({"--------------------------------------------", "Log continue...",
                             "Now time is:2026-12-08 10:00:00"}));
  EXPECT_EQ(task.ResumeX[1], 6740);
  EXPECT_EQ(task.ResumeY[1], 3100);
}

TEST_F(DownloadTaskTest, ReadsMissingOrEmptyResumeKeysAsZero) {
  const std::string taskFile = sandbox_.Folder() + "newtask.qtsk";
  WriteBytes(taskFile,
             "[THREADS]\r\nT1X=5\r\nT1Y=\r\nT3X=0x10\r\nT3Y=7 \r\nT8X=-2\r\nT8Y=9\r\n"
             "T9X=11\r\nT9Y=12\r\n");
  TaskParameters params = Beijing();
  params.ContinueTask = true;
  const DownloadTask task(params);
  const std::array<int32_t, 16> expectedX = {5, 0, 16, 0, 0, 0, 0, -2};
  const std::array<int32_t, 16> expectedY = {0, 0, 0, 0, 0, 0, 0, 9};
  EXPECT_EQ(task.ResumeX, expectedX);
  EXPECT_EQ(task.ResumeY, expectedY);
}

TEST_F(DownloadTaskTest, ReadsNoResumeKeysForAFreshRun) {
  WriteBytes(sandbox_.Folder() + "newtask.qtsk", "[THREADS]\r\nT1X=5\r\nT1Y=6\r\n");
  TaskParameters params = Beijing();
  const DownloadTask task(params);
  EXPECT_EQ(task.ResumeX[0], 0);
  EXPECT_EQ(task.ResumeY[0], 0);
}

TEST_F(DownloadTaskTest, DoesNotRecreateADeletedListFileWhenContinuing) {
  TaskParameters params = Beijing();
  params.ContinueTask = true;
  WriteBytes(sandbox_.Folder() + "newtask_log.txt", "Project: x\r\n");
  DownloadTask task(params);
  WriteAll(task);
  EXPECT_FALSE(fs::exists(task.ListFileName));
  EXPECT_FALSE(fs::exists(task.TaskFilePath()));
  EXPECT_FALSE(fs::exists(task.FailedFileName));
}

TEST_F(DownloadTaskTest, FailsToContinueALogThatNoLongerExists) {
  TaskParameters params = Beijing();
  params.ContinueTask = true;
  DownloadTask task(params);
  try {
    task.WriteLogHeader();
    FAIL() << "a missing log was continued";
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), ("Cannot open file " + task.LogFileName).c_str());
  }
}

TEST_F(DownloadTaskTest, ReportsAListFileThatCannotBeWritten) {
  TaskParameters params = Beijing();
  DownloadTask task(params);
  fs::create_directory(task.ListFileName);  // a folder where the file should go
  EXPECT_THROW(task.WriteListFile(), AppError);
  EXPECT_TRUE(fs::is_directory(task.ListFileName));
}

// The worked example's range: columns 6735..6758, rows 3086..3116, serial of (x, y) =
// (x - 6735) x 31 + (y - 3086) + 1, and with 8 workers serial s falls to worker s mod 8.
TEST_F(DownloadTaskTest, TrustsASavedPositionOnlyWhenItIsATileOfThatWorkersShare) {
  const struct {
    const char* Name;
    int32_t Workers;
    int32_t Index;
    int32_t X;
    int32_t Y;
    bool Fits;
  } cases[] = {
      {"zero pair", 8, 0, 0, 0, true},
      {"zero column", 8, 1, 0, 3100, true},
      {"zero row", 8, 1, 6740, 0, true},
      {"largest integers", 8, 0, 2147483647, 2147483647, false},
      {"negative", 8, 7, -2, 9, false},
      {"column before the range", 8, 1, 6734, 3086, false},
      {"column after the range", 8, 1, 6759, 3086, false},
      {"row before the range", 8, 1, 6735, 3085, false},
      {"row after the range", 8, 2, 6735, 3117, false},
      {"first tile, its share", 8, 1, 6735, 3086, true},
      {"first tile, another share", 8, 2, 6735, 3086, false},
      {"last tile, its share", 8, 0, 6758, 3116, true},
      {"last tile, another share", 8, 7, 6758, 3116, false},
      {"one worker takes every tile", 1, 0, 6750, 3100, true},
      {"no workers", 0, 0, 6735, 3086, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TaskParameters params = Beijing();
    DownloadTask task(params);
    params.ThreadCount = c.Workers;
    task.ResumeX[c.Index] = c.X;
    task.ResumeY[c.Index] = c.Y;
    EXPECT_EQ(task.ResumePositionFits(c.Index), c.Fits);
    task.ForgetResumePosition(c.Index);
    EXPECT_TRUE(task.ResumePositionFits(c.Index));
    EXPECT_EQ(task.ResumeX[c.Index], 0);
    EXPECT_EQ(task.ResumeY[c.Index], 0);
  }
}

// The task file comes last, after an old one was made one that cannot be continued, so
// that a kill between any two writes leaves no task file that the next Start would take
// for a complete start; the temporaries of interrupted writes are gone first.
TEST_F(DownloadTaskTest, WritesTheRunFilesTaskFileLastAndRemovesTheTasksStaleTemporaries) {
  const struct {
    const char* Name;
    bool OldTaskFile;
    bool Continue;
    std::vector<std::string> Steps;
    std::vector<std::string> MapsTypeOnDisk;  // before each write, while a task file exists
  } cases[] = {
      {"fresh",
       false,
       false,
       {"list written", "log written", "failed written", "task written"},
       {}},
      {"fresh over an old task file",
       true,
       false,
       {"task written", "list written", "log written", "failed written", "task written"},
       {"3", "", "", "", ""}},
      {"continued", true, true, {"log written"}, {"3"}},
  };
  const std::vector<std::string> temporaries = {
      "newtask.qtsk.tmp-AAAAAA", "newtask_list.txt.tmp-BBBBBB", "newtask_log.txt.tmp-CCCCCC",
      "newtask_failed.ftl.tmp-DDDDDD", "newtask/qn_1_2_13.png.tmp-EEEEEE"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const Sandbox sandbox;
    TaskParameters params = Beijing();
    params.SavePath = sandbox.Folder();
    params.ContinueTask = c.Continue;
    DownloadTask task(params);
    if (c.OldTaskFile) {
      WriteBytes(task.TaskFilePath(), "[MapsType]\r\nMapsType=3\r\n");
      WriteBytes(task.LogFileName, "old log\r\n");
    }
    for (const std::string& name : temporaries) {
      WriteBytes(sandbox.Path(name), "partial");
    }
    WriteBytes(sandbox.Path("other.txt.tmp-FFFFFF"), "not the task's");
    const std::map<std::string, std::string> kinds = {{task.TaskFilePath(), "task"},
                                                      {task.ListFileName, "list"},
                                                      {task.LogFileName, "log"},
                                                      {task.FailedFileName, "failed"}};
    // After the first write an old task file is no longer one that a Start continues.
    std::vector<std::string> mapsTypes;
    const testing::WriteStepRecorder recorder([&](const testing::RecordedStep& step) {
      if (step.Step == WriteStep::BytesWritten && fs::exists(task.TaskFilePath())) {
        mapsTypes.push_back(TIniFile(task.TaskFilePath()).ReadString("MapsType", "MapsType", "-"));
      }
    });
    task.WriteRunFiles();
    std::vector<std::string> steps;
    for (const std::string& file : recorder.WrittenFiles()) {
      steps.push_back(kinds.at(file) + " written");
    }
    EXPECT_EQ(steps, c.Steps);
    EXPECT_EQ(mapsTypes, c.MapsTypeOnDisk);
    for (const std::string& name : temporaries) {
      EXPECT_FALSE(fs::exists(sandbox.Path(name))) << name;
    }
    EXPECT_TRUE(fs::exists(sandbox.Path("other.txt.tmp-FFFFFF")));
  }
}

}  // namespace
}  // namespace kartovel

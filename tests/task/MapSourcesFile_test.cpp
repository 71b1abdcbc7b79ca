// The sources file: valid sections become sources after map type 3 with their defaults,
// every other section is named in one refusal line; a task file's copy reads back as
// the same source.
#include "task/MapSourcesFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Sandbox.h"

namespace kartovel {
namespace {

using testing::Sandbox;

constexpr char kAgent[] = "Kartovel/6.436";

class MapSourcesFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& content) {
    Sandbox::WriteAll(file_, content);
    return file_;
  }
  // The refusal of one section holding the given lines after a valid Name and Url.
  std::string RefusalOf(const std::string& lines) {
    Write("[MapType 100]\r\nName=N\r\nUrl=http://h/{z}/{x}/{y}\r\n" + lines);
    const MapSourceTable table = ReadMapSources(file_, kAgent);
    EXPECT_EQ(table.Sources.size() + table.Refusals.size(), 2u) << lines;
    return table.Refusals.empty() ? "accepted" : table.Refusals.front();
  }

  Sandbox sandbox_;
  std::string file_ = sandbox_.Path("sources.ini");
};

TEST_F(MapSourcesFileTest, ListsMapTypeThreeFirstThenValidSourcesWithTheirDefaults) {
  Write(
      "; Kartovel map sources\r\n"
      "[MapType 200]\r\nName=  Own server \r\nUrl=http://127.0.0.1:8642/{z}/{x}/{y}.png\r\n"
      "[MapType 100]\r\nName=Aerial\r\nUrl=https://{s}.t.example/a{q}.jpeg\r\nPrefix=aer\r\n"
      "Extension=JPG\r\nSubdomains=0123\r\nUserAgent=Survey/2\r\nReferer=https://example/\r\n"
      "MinZoom=1\r\nMaxZoom=21\r\nWorkers=8\r\nPauseMs=100\r\n"
      ";[MapType 300]\r\n;Name=commented out\r\n");
  const MapSourceTable table = ReadMapSources(file_, kAgent);
  MapSource own{.MapsType = 200,
                .Name = "Own server",
                .Url = "http://127.0.0.1:8642/{z}/{x}/{y}.png",
                .Prefix = "mt200",
                .Extension = "png",
                .Subdomains = "",
                .UserAgent = kAgent,
                .Referer = "",
                .MinZoom = 0,
                .MaxZoom = 19,
                .Workers = 2,
                .PauseMs = 1000};
  MapSource aerial{.MapsType = 100,
                   .Name = "Aerial",
                   .Url = "https://{s}.t.example/a{q}.jpeg",
                   .Prefix = "aer",
                   .Extension = "jpg",
                   .Subdomains = "0123",
                   .UserAgent = "Survey/2",
                   .Referer = "https://example/",
                   .MinZoom = 1,
                   .MaxZoom = 21,
                   .Workers = 8,
                   .PauseMs = 100};
  EXPECT_EQ(table.Sources, (std::vector<MapSource>{BuiltInMapSource(), own, aerial}));
  EXPECT_TRUE(table.Refusals.empty());
}

TEST_F(MapSourcesFileTest, MissingFileHoldsOnlyTheBuiltInMapType) {
  const MapSourceTable table = ReadMapSources(sandbox_.Path("absent.ini"), kAgent);
  ASSERT_EQ(table.Sources.size(), 1u);
  EXPECT_EQ(table.Sources[0].Name, "Orvex Maps");
  EXPECT_EQ(table.Sources[0].Workers, 8);
  EXPECT_TRUE(table.Refusals.empty());
}

TEST_F(MapSourcesFileTest, NamesEachSectionLeftOutInOneLine) {
  Write(
      "[MapType 99]\r\nName=a\r\nUrl=http://h/{x}/{y}\r\n"
      "[MapType 1000]\r\nName=a\r\nUrl=http://h/{x}/{y}\r\n"
      "[MapType x]\r\n[Layers]\r\n"
      "[MapType 150]\r\nName=first\r\nUrl=http://h/{x}/{y}\r\n"
      "[maptype 150]\r\nName=second\r\nUrl=http://h/{x}/{y}\r\n"
      "[MapType 151]\r\nUrl=http://h/{x}/{y}\r\n");
  const MapSourceTable table = ReadMapSources(file_, kAgent);
  ASSERT_EQ(table.Sources.size(), 2u);
  EXPECT_EQ(table.Sources[1].Name, "first");
  const std::string badName = "left out: a section is named MapType and a number from 100 to 999.";
  EXPECT_EQ(table.Refusals,
            (std::vector<std::string>{
                "Map source [MapType 99] " + badName, "Map source [MapType 1000] " + badName,
                "Map source [MapType x] " + badName, "Map source [Layers] " + badName,
                "Map source [maptype 150] left out: map type 150 is described above.",
                "Map source [MapType 151] left out: Name is missing."}));
}

TEST_F(MapSourcesFileTest, RefusesASourceWhoseValueBreaksARule) {
  const struct {
    const char* lines;
    const char* fault;  // after "Map source [MapType 100] left out: "; nullptr: accepted
  } cases[] = {
      {"Workers=1\r\nPauseMs=100\r\nMinZoom=19\r\nMaxZoom=19\r\nPrefix=a-b_C9\r\n", nullptr},
      {"Workers= 8 \r\nPauseMs=60000\r\nMaxZoom=30\r\nExtension=webp\r\n", nullptr},
      {"Workers=\r\nPauseMs=  \r\n", nullptr},  // blank values take the defaults
      {"Workers=0\r\n", "Workers must be from 1 to 8"},
      {"Workers=9\r\n", "Workers must be from 1 to 8"},
      {"Workers=two\r\n", "Workers is not a whole number"},
      {"PauseMs=99\r\n", "PauseMs must be from 100 to 60000"},
      {"PauseMs=60001\r\n", "PauseMs must be from 100 to 60000"},
      {"PauseMs=1.5\r\n", "PauseMs is not a whole number"},
      {"MinZoom=-1\r\n", "MinZoom and MaxZoom must be from 0 to 30, MinZoom not above MaxZoom"},
      {"MaxZoom=31\r\n", "MinZoom and MaxZoom must be from 0 to 30, MinZoom not above MaxZoom"},
      {"MinZoom=12\r\nMaxZoom=11\r\n",
       "MinZoom and MaxZoom must be from 0 to 30, MinZoom not above MaxZoom"},
      {"Extension=gif\r\n", "Extension must be png, jpg or webp"},
      {"Extension=jpeg\r\n", "Extension must be png, jpg or webp"},
      {"Prefix=../up\r\n", "Prefix must be 1 to 40 letters, digits, '-' or '_'"},
      {"Prefix=a/b\r\n", "Prefix must be 1 to 40 letters, digits, '-' or '_'"},
      {"Prefix=a b\r\n", "Prefix must be 1 to 40 letters, digits, '-' or '_'"},
      {"Prefix=aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\r\n",
       "Prefix must be 1 to 40 letters, digits, '-' or '_'"},
      {"UserAgent=a\x01z\r\n", "UserAgent and Referer may not hold control characters"},
      {"Referer=a\x7fz\r\n", "UserAgent and Referer may not hold control characters"},
      {"Subdomains=a,b\r\n", "Subdomains may hold only letters and digits, one per subdomain"},
      {"MaxTilesPerJob=5000\r\nPolicy=https://tiles.example.org/terms\r\n", nullptr},
      {"MaxTilesPerJob= 1 \r\nPolicy=  \r\n", nullptr},
      {"MaxTilesPerJob=lots\r\n",
       "MaxTilesPerJob \"lots\" is not a whole number of tiles from 1 to 2147483647"},
      {"MaxTilesPerJob=0\r\n",
       "MaxTilesPerJob \"0\" is not a whole number of tiles from 1 to 2147483647"},
      {"MaxTilesPerJob=-3\r\n",
       "MaxTilesPerJob \"-3\" is not a whole number of tiles from 1 to 2147483647"},
      {"MaxTilesPerJob=2147483648\r\n",
       "MaxTilesPerJob \"2147483648\" is not a whole number of tiles from 1 to 2147483647"},
      {"MaxTilesPerJob=1e4\r\n",
       "MaxTilesPerJob \"1e4\" is not a whole number of tiles from 1 to 2147483647"},
      {"Policy=no\x01bulk\r\n", "Policy may not hold control characters"},
  };
  for (const auto& c : cases) {
    const std::string expected =
        c.fault ? "Map source [MapType 100] left out: " + std::string(c.fault) + "." : "accepted";
    EXPECT_EQ(RefusalOf(c.lines), expected) << c.lines;
  }
  // A template fault reaches the line as it is.
  Write("[MapType 100]\r\nName=N\r\nUrl=http://h/{z}/{x}\r\n");
  EXPECT_EQ(ReadMapSources(file_, kAgent).Refusals,
            (std::vector<std::string>{"Map source [MapType 100] left out: the Url needs {x} and "
                                      "{y} (or {-y}), or {q}."}));
}

TEST_F(MapSourcesFileTest, RefusesAValueLongerThan8kBAndAFileLargerThan1MB) {
  const std::string longUrl = "http://h/{z}/{x}/{y}?" + std::string(9000, 'u');
  const struct {
    std::string lines;
    std::string fault;  // after "Map source [MapType 100] left out: "; empty: accepted
  } cases[] = {
      {"UserAgent=" + std::string(20000, 'a') + "\r\n", "UserAgent is longer than 8192 characters"},
      {"Attribution=" + std::string(8193, 'c') + "\r\n",
       "Attribution is longer than 8192 characters"},
      {"Comment=" + std::string(9000, 'x') + "\r\n", "Comment is longer than 8192 characters"},
      {"Referer=" + std::string(8192, 'r') + "\r\n", ""},
  };
  for (const auto& c : cases) {
    const std::string expected =
        c.fault.empty() ? "accepted" : "Map source [MapType 100] left out: " + c.fault + ".";
    EXPECT_EQ(RefusalOf(c.lines), expected) << c.fault;
  }
  Write("[MapType 100]\r\nName=N\r\nUrl=" + longUrl + "\r\n");
  EXPECT_EQ(ReadMapSources(file_, kAgent).Refusals,
            (std::vector<std::string>{
                "Map source [MapType 100] left out: Url is longer than 8192 characters."}));

  // A file of exactly 1 MB is read; one byte more and it is not.
  const std::string section = "[MapType 100]\r\nName=N\r\nUrl=http://h/{z}/{x}/{y}\r\n";
  const size_t fill = (size_t{1} << 20) - section.size() - 3;
  Write(section + ";" + std::string(fill, 'p') + "\r\n");
  EXPECT_EQ(ReadMapSources(file_, kAgent).Sources.size(), 2u);
  Write(section + ";" + std::string(fill + 1, 'p') + "\r\n");
  const MapSourceTable large = ReadMapSources(file_, kAgent);
  EXPECT_EQ(large.Sources.size(), 1u);
  EXPECT_EQ(large.Refusals, (std::vector<std::string>{"Map sources file " + file_ +
                                                      " left out: it is larger than 1048576 "
                                                      "bytes."}));
}

TEST_F(MapSourcesFileTest, ATaskFilesCopyReadsBackAsTheSameSource) {
  const struct {
    const char* attributionLine;  // in the sources file
    const char* copysLastLine;    // Attribution only when the source names one
  } cases[] = {
      {"", "PauseMs=1000"},
      {"Attribution=   \r\n", "PauseMs=1000"},
      {"Attribution= &copy; Quad contributors \r\n", "Attribution=&copy; Quad contributors"},
      {"MaxTilesPerJob=500\r\nPolicy= Ask before large jobs \r\n", "Policy=Ask before large jobs"},
  };
  for (const auto& c : cases) {
    Write(
        "[MapType 420]\r\nName=Quad\r\nUrl=http://{s}.h/{q}\r\nSubdomains=xy\r\n"
        "Extension=webp\r\n" +
        std::string(c.attributionLine));
    const MapSource source = ReadMapSources(file_, kAgent).Sources.at(1);
    const std::vector<std::string> copy = SourceSectionLines(source);
    EXPECT_EQ(copy.back(), c.copysLastLine);
    std::string task = "[MapsType]\r\nMapsType=420\r\n\r\n";
    for (const std::string& line : copy) {
      task += line + "\r\n";
    }
    const std::string taskFile = sandbox_.Path("t.qtsk");
    Sandbox::WriteAll(taskFile, task + "\r\n[Zoom]\r\nZoom=3\r\n");
    // The copy holds the values in effect, so another default agent changes nothing.
    const SourceReading reading = ReadTaskMapSource(taskFile, "Kartovel/9");
    ASSERT_TRUE(reading.Source) << reading.Fault;
    EXPECT_EQ(*reading.Source, source);
  }
}

// The file shipped beside the program offers the demo service, and each commented
// example is a valid source once its semicolons are taken away.
TEST_F(MapSourcesFileTest, TheShippedFileAndItsExamplesAreValid) {
  const std::string shipped = Sandbox::ReadAll("ini/sources.ini");
  const MapSourceTable table = ReadMapSources("ini/sources.ini", kAgent);
  ASSERT_EQ(table.Sources.size(), 2u);
  EXPECT_EQ(table.Sources[1].Url, "http://127.0.0.1:8642/{z}/{x}/{y}.png");
  EXPECT_TRUE(table.Refusals.empty());

  std::string uncommented;
  for (size_t start = 0; start < shipped.size();) {
    const size_t end = shipped.find('\n', start) + 1;
    std::string line = shipped.substr(start, end - start);
    const bool exampleLine =
        line.starts_with(";[") || (line.starts_with(";") && line.find('=') != std::string::npos &&
                                   line.find(' ') > line.find('='));
    uncommented += exampleLine ? line.substr(1) : line;
    start = end;
  }
  const MapSourceTable examples = ReadMapSources(Write(uncommented), kAgent);
  EXPECT_EQ(examples.Sources.size(), 5u);
  EXPECT_TRUE(examples.Refusals.empty()) << examples.Refusals.front();
}

TEST_F(MapSourcesFileTest, ReadsTheBuiltInOrNamesWhyATaskHasNoSource) {
  const std::string taskFile = sandbox_.Path("t.qtsk");
  const struct {
    const char* content;
    const char* fault;  // nullptr: map type 3
  } cases[] = {
      {"[MapsType]\r\nMapsType=3\r\n", nullptr},
      {"[MapsType]\r\nMapsType=5\r\n", "map type 5 is not known"},
      {"[Zoom]\r\nZoom=3\r\n", "map type 0 is not known"},
      {"[MapsType]\r\nMapsType=100\r\n", "Name is missing"},
      {"[MapsType]\r\nMapsType=100\r\n[Source]\r\nName=n\r\nUrl=http://h/{x}/{y}\r\nPrefix=..\r\n",
       "Prefix must be 1 to 40 letters, digits, '-' or '_'"},
  };
  for (const auto& c : cases) {
    Sandbox::WriteAll(taskFile, c.content);
    const SourceReading reading = ReadTaskMapSource(taskFile, kAgent);
    if (c.fault) {
      EXPECT_EQ(reading.Fault, c.fault) << c.content;
      EXPECT_FALSE(reading.Source);
    } else {
      EXPECT_EQ(reading.Source, BuiltInMapSource());
    }
  }
  EXPECT_EQ(ReadTaskMapSource(sandbox_.Path("absent.qtsk"), kAgent).Fault,
            "the task file " + sandbox_.Path("absent.qtsk") + " does not exist");
}

}  // namespace
}  // namespace kartovel

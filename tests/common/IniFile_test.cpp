// The INI service: lookups, the integer rule of stored values, in-place updates that keep
// the rest of the file byte for byte, creation of what is missing, and write failures.
#include "common/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/Error.h"
#include "support/Sandbox.h"
#include "support/WriteSteps.h"

namespace kartovel {
namespace {

using testing::Sandbox;

class IniFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& content) {
    Sandbox::WriteAll(fileName_, content);
    return fileName_;
  }
  std::string Content() const { return Sandbox::ReadAll(fileName_); }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(sandbox_.Folder())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  Sandbox sandbox_;
  std::string fileName_ = sandbox_.Path("settings.ini");
};

TEST_F(IniFileTest, ReadIntegerFollowsTheIntegerRuleOrGivesTheDefault) {
  Write(
      "[Values]\r\ndecimal=12\r\nhexZeroX=0x1F\r\nhexDollar=$1F\r\nleadingBlank= 7\r\n"
      "upperHex=0X7fffffff\r\nnegative=-12\r\n"
      "empty=\r\nletters=12a\r\ntrailingBlank=7 \r\nfraction=1.5\r\nsignedHex=-0x1F\r\n"
      "bareZeroX=0x\r\ntooLarge=2147483648\r\n");
  const TIniFile ini(fileName_);
  struct Case {
    const char* key;
    int32_t expected;
  };
  for (const Case& c : std::vector<Case>{{"decimal", 12},
                                         {"hexZeroX", 31},
                                         {"hexDollar", 31},
                                         {"leadingBlank", 7},
                                         {"upperHex", 2147483647},
                                         {"negative", -12},
                                         {"empty", -5},
                                         {"letters", -5},
                                         {"trailingBlank", -5},
                                         {"fraction", -5},
                                         {"signedHex", -5},
                                         {"bareZeroX", -5},
                                         {"tooLarge", -5},
                                         {"missing", -5}}) {
    EXPECT_EQ(ini.ReadInteger("Values", c.key, -5), c.expected) << c.key;
  }
  EXPECT_EQ(ini.ReadInteger("NoSuchSection", "decimal", -5), -5);
}

TEST_F(IniFileTest, ReadStringGivesTheValueAsStored) {
  Write(
      "orphan=before any section\r\n"
      "[Main]\r\n"
      "plain=text\r\n"
      "  spaced  =  keeps its blanks  \r\n"
      "empty=\r\n"
      "withEquals=a=b\r\n"
      "; comment=not a key\r\n"
      "first=one\r\n"
      "FIRST=two\r\n"
      "[Other]\r\n"
      "plain=other section\r\n");
  const TIniFile ini(fileName_);
  struct Case {
    const char* section;
    const char* key;
    const char* expected;
  };
  for (const Case& c : std::vector<Case>{{"Main", "plain", "text"},
                                         {"main", "PLAIN", "text"},
                                         {"Main", "spaced", "  keeps its blanks  "},
                                         {"Main", "empty", ""},
                                         {"Main", "withEquals", "a=b"},
                                         {"Main", "; comment", "default"},
                                         {"Main", "first", "one"},
                                         {"Other", "plain", "other section"},
                                         {"Main", "orphan", "default"},
                                         {"Missing", "plain", "default"}}) {
    EXPECT_EQ(ini.ReadString(c.section, c.key, "default"), c.expected) << c.section << "/" << c.key;
  }
}

TEST_F(IniFileTest, ReadsAnyLineEnd) {
  for (const char* content : {"[A]\nkey=lf\n", "[A]\rkey=cr\r", "[A]\r\nkey=crlf"}) {
    Write(content);
    EXPECT_NE(TIniFile(fileName_).ReadString("A", "key", ""), "") << content;
  }
}

TEST_F(IniFileTest, ReadStringReturnsAtMost2047Characters) {
  Write("[A]\r\nlong=" + std::string(3000, 'v') + "\r\n");
  EXPECT_EQ(TIniFile(fileName_).ReadString("A", "long", ""), std::string(2047, 'v'));
}

TEST_F(IniFileTest, MissingOrUnreadableFileReadsAsMissing) {
  EXPECT_EQ(TIniFile(sandbox_.Path("absent.ini")).ReadString("A", "key", "dflt"), "dflt");
  EXPECT_EQ(TIniFile(sandbox_.Folder()).ReadInteger("A", "key", 9), 9);
}

TEST_F(IniFileTest, ReadSectionsListsHeadersInFileOrderRepeatsIncluded) {
  Write("key=orphan\r\n[First]\r\n;[Commented]\r\n  [ Second ]  \r\na=1\r\n[first]\r\n");
  EXPECT_EQ(TIniFile(fileName_).ReadSections(),
            (std::vector<std::string>{"First", "Second", "first"}));
  EXPECT_TRUE(TIniFile(sandbox_.Path("absent.ini")).ReadSections().empty());
}

// One update each; the expected file differs from the original only where stated.
TEST_F(IniFileTest, WritingOneKeyKeepsEveryOtherLineByteForByte) {
  const std::string original =
      "; settings\r\n"
      "[First]\r\n"
      "Alpha=1\r\n"
      "  Beta = spaced \r\n"
      "\r\n"
      "[THREADS]\r\n"
      "ThreadCount=8\r\n"
      "T1X=\r\n"
      "T1Y=\r\n"
      "\r\n"
      "[Last]\r\n"
      "Omega=z\r\n";
  struct Case {
    const char* section;
    const char* key;
    const char* value;
    std::string expected;
  };
  const std::vector<Case> cases{
      {"threads", "t1x", "6740",
       "; settings\r\n[First]\r\nAlpha=1\r\n  Beta = spaced \r\n\r\n[THREADS]\r\n"
       "ThreadCount=8\r\nT1X=6740\r\nT1Y=\r\n\r\n[Last]\r\nOmega=z\r\n"},
      {"First", "beta", " new ",
       "; settings\r\n[First]\r\nAlpha=1\r\nBeta= new \r\n\r\n[THREADS]\r\n"
       "ThreadCount=8\r\nT1X=\r\nT1Y=\r\n\r\n[Last]\r\nOmega=z\r\n"},
      {"First", "Gamma", "3",
       "; settings\r\n[First]\r\nAlpha=1\r\n  Beta = spaced \r\nGamma=3\r\n\r\n[THREADS]\r\n"
       "ThreadCount=8\r\nT1X=\r\nT1Y=\r\n\r\n[Last]\r\nOmega=z\r\n"},
      {"Last", "Psi", "y",
       "; settings\r\n[First]\r\nAlpha=1\r\n  Beta = spaced \r\n\r\n[THREADS]\r\n"
       "ThreadCount=8\r\nT1X=\r\nT1Y=\r\n\r\n[Last]\r\nOmega=z\r\nPsi=y\r\n"},
      {"New", "Key", "v",
       "; settings\r\n[First]\r\nAlpha=1\r\n  Beta = spaced \r\n\r\n[THREADS]\r\n"
       "ThreadCount=8\r\nT1X=\r\nT1Y=\r\n\r\n[Last]\r\nOmega=z\r\n\r\n[New]\r\nKey=v\r\n"},
  };
  for (const Case& c : cases) {
    Write(original);
    TIniFile(fileName_).WriteString(c.section, c.key, c.value);
    EXPECT_EQ(Content(), c.expected) << c.section << "/" << c.key;
    EXPECT_EQ(TIniFile(fileName_).ReadString(c.section, c.key, "?"), c.value);
  }
}

TEST_F(IniFileTest, WriteCreatesTheFileThenSectionsAndKeys) {
  TIniFile ini(fileName_);
  ini.WriteString("IniParas", "DefaultPath", "/home/user/downloads/");
  EXPECT_EQ(Content(), "[IniParas]\r\nDefaultPath=/home/user/downloads/\r\n");
  ini.WriteInteger("Proxy", "UseProxy", -1);
  ini.WriteInteger("Proxy", "ProxyPort", 8080);
  EXPECT_EQ(Content(),
            "[IniParas]\r\nDefaultPath=/home/user/downloads/\r\n\r\n"
            "[Proxy]\r\nUseProxy=-1\r\nProxyPort=8080\r\n");
  EXPECT_EQ(ini.ReadInteger("proxy", "useproxy", 0), -1);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"settings.ini"});
}

TEST_F(IniFileTest, WritingRewritesLoneLineEndsAsCrLf) {
  Write("[A]\nkey=1\nother=2");
  TIniFile(fileName_).WriteInteger("A", "key", 5);
  EXPECT_EQ(Content(), "[A]\r\nkey=5\r\nother=2\r\n");
}

TEST_F(IniFileTest, WriteIntoAMissingFolderFailsAndLeavesNothingBehind) {
  const std::string target = sandbox_.Path("missing/config.ini");
  try {
    TIniFile(target).WriteString("A", "key", "v");
    FAIL() << "no error raised";
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), ("Unable to write to " + target).c_str());
  }
  EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(IniFileTest, WriteOverAFolderFailsAndLeavesNoTemporaryFile) {
  std::filesystem::create_directory(fileName_);
  EXPECT_THROW(TIniFile(fileName_).WriteString("A", "key", "v"), AppError);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"settings.ini"});
  EXPECT_TRUE(std::filesystem::is_directory(fileName_));
}

TEST_F(IniFileTest, TextsThatWouldBreakTheLineStructureAreRefused) {
  const std::string original = "[A]\r\nkey=1\r\n";
  struct Case {
    std::string section;
    std::string key;
    std::string value;
  };
  for (const Case& c : std::vector<Case>{{"A", "key", "two\r\n[B]"},
                                         {"A", "key", "line\nbreak"},
                                         {"A", "key", std::string("nul\0byte", 8)},
                                         {"A", "k=ey", "v"},
                                         {"A]", "key", "v"}}) {
    Write(original);
    EXPECT_THROW(TIniFile(fileName_).WriteString(c.section, c.key, c.value), AppError);
    EXPECT_EQ(Content(), original);
  }
}

// A NUL byte anywhere in the file: the lines after it are still the file's, and a write
// of another key keeps them byte for byte.
TEST_F(IniFileTest, ANulByteNeitherHidesNorLosesTheLinesAfterIt) {
  const std::string nul(1, '\0');
  const std::vector<std::string> originals = {
      "[IniParas]\r\nDefaultPath=/maps" + nul + "\r\n[TileService]\r\nHost=127.0.0.1:9\r\n",
      "[IniParas]\r\n; note " + nul + nul +
          "\r\nDefaultPath=/maps\r\n[TileService]\r\nHost=127.0.0.1:9\r\n",
      "[IniParas]\r\nDefaultPath=/maps\r\n" + nul + "\r\n[TileService]\r\nHost=127.0.0.1:9\r\n",
      "[IniParas]\r\nDefaultPath=/maps\r\n[TileService]\r\nHost=127.0.0.1:9\r\n" + nul,
  };
  for (const std::string& original : originals) {
    Write(original);
    TIniFile ini(fileName_);
    EXPECT_EQ(ini.ReadString("TileService", "Host", ""), "127.0.0.1:9");
    ini.WriteString("IniParas", "Version", "7");
    std::string expected = original;
    expected.insert(expected.find("[TileService]"), "Version=7\r\n");
    if (!expected.ends_with("\r\n")) {
      expected += "\r\n";
    }
    EXPECT_EQ(Content(), expected);
  }
}

// The file is readable by its owner only while the private key holds a value; a file
// without one keeps its mode or gets what the umask allows.
TEST_F(IniFileTest, AFileHoldingThePrivateValueIsWrittenForItsOwnerOnly) {
  const struct {
    std::optional<mode_t> OldMode;
    const char* Key;
    const char* Value;
    mode_t Expected;
  } cases[] = {
      {0644, "ProxyPassword", "secret", 0600},
      {0644, "ProxyServer", "proxy", 0644},
      {0640, "ProxyPassword", "", 0640},
      {0644, "UseProxy", "1", 0600},  // the file already holds a password
  };
  const testing::ScopedUmask mask(022);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Key) + "=" + c.Value);
    std::filesystem::remove(fileName_);
    if (c.OldMode) {
      Write(std::string("[Proxy]\r\nProxyPassword=") +
            (c.Key == std::string("UseProxy") ? "old" : "") + "\r\n");
      std::filesystem::permissions(fileName_, std::filesystem::perms(*c.OldMode));
    }
    TIniFile(fileName_, PrivateIniKey{"Proxy", "ProxyPassword"})
        .WriteString("Proxy", c.Key, c.Value);
    EXPECT_EQ(testing::PermissionsOf(fileName_), c.Expected);
  }
}

TEST_F(IniFileTest, SeveralKeysAreWrittenInOneReplaceOrNotAtAll) {
  Write("[THREADS]\r\nThreadCount=2\r\nT1X=\r\nT1Y=\r\nT2X=\r\nT2Y=\r\n");
  const testing::WriteStepRecorder recorder;
  TIniFile(fileName_).WriteStrings("threads", {{"T1X", "5"}, {"T1Y", "6"}, {"T2Y", "7"}});
  EXPECT_EQ(Content(), "[THREADS]\r\nThreadCount=2\r\nT1X=5\r\nT1Y=6\r\nT2X=\r\nT2Y=7\r\n");
  EXPECT_EQ(recorder.WrittenFiles(), std::vector<std::string>{fileName_});
  EXPECT_THROW(TIniFile(fileName_).WriteStrings("threads", {{"T1X", "8"}, {"T1Y", "bad\r\n"}}),
               AppError);
  EXPECT_EQ(TIniFile(fileName_).ReadInteger("THREADS", "T1X", 0), 5);
}

// A file that opens but cannot be read whole is never replaced by what was read of it.
TEST_F(IniFileTest, AFileThatCannotBeReadWholeIsNotRewritten) {
  std::filesystem::create_symlink("/proc/self/mem", fileName_);
  EXPECT_THROW(TIniFile(fileName_).WriteString("A", "key", "v"), AppError);
  EXPECT_TRUE(std::filesystem::is_symlink(fileName_));
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"settings.ini"});
}

}  // namespace
}  // namespace kartovel

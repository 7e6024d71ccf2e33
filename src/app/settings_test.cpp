#include "app/settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/number_text.h"
#include "platform/testing/scratch_dir.h"

namespace fs = std::filesystem;

namespace {

const char kVersion[] = "2.1.6";

class SettingsFile : public ::testing::Test {
 protected:
  void Write(const std::string& content) { ScratchDir::Write(path_, content); }
  std::string Read() { return ScratchDir::Read(path_); }
  // A current file holding the given lines after its version line.
  Settings LoadBody(const std::string& body) {
    Write("[Main]\nVersion=2.1.6\n" + body);
    Settings s;
    EXPECT_EQ(LoadSettingsFrom(path_, kVersion, &s), "");
    return s;
  }
  ScratchDir dir_;
  std::string path_ = dir_.File("Korbinet.ini");
};

TEST(DefaultSettings, TwentyOneLinesWithLineFeeds) {
  const std::string expected =
      "[Main]\nVersion=2.1.6\nAVSDLL=\nDisplayFPS=1\nDisplayTPF=0\nDisplayEfficiencyIndex=0\n"
      "CreateLog=0\nCreateCSV=0\nPauseBeforeExit=0\nFrameRange=0,-1\nInvokeDistributor=1\n"
      "AllowOnlyOneInstance=1\nUseColor=1\nMonitorGPULoad=0\nProcessPriority=2\n"
      "ConUseSTDOUT=0\nTimeLimit=-1\n\n[Miscellaneous]\nLogEstimatedTime=0\n"
      "AutoCompleteExtension=0\n";
  EXPECT_EQ(DefaultSettingsText(kVersion), expected);
}

TEST_F(SettingsFile, EachFlagKeyMovesItsFieldAwayFromTheDefault) {
  using S = Settings;
  const struct { const char* lines; int32_t Settings::*field; int32_t value; } cases[] = {
      {"DisplayFPS 0", &S::DisplayFPS, 0},       {"displayfps:0", &S::DisplayFPS, 0},
      {"DisplayFPS=10", &S::DisplayFPS, 0},
      {"DisplayTPF=1", &S::DisplayTPF, 1},       {"CreateLog=yes", &S::CreateLog, 0},
      {"DisplayEfficiencyIndex=1", &S::DisplayEfficiencyIndex, 1},
      {"  CREATELOG = 1 \r", &S::CreateLog, 1}, {"CreateCSV=\t1", &S::CreateCSV, 1},
      {"PauseBeforeExit=1", &S::PauseBeforeExit, 1},
      {"InvokeDistributor=0", &S::InvokeDistributor, 0},
      {"AllowOnlyOneInstance=0", &S::AllowOnlyOneInstance, 0},
      {"MonitorGPULoad=1", &S::MonitorGPULoad, 1}, {"UseColor=0", &S::UseColor, 0},
      {"ConUseSTDOUT=1", &S::ConUseSTDOUT, 1},   {"LogEstimatedTime=1", &S::LogEstimatedTime, 1},
      {"AutoCompleteExtension=1", &S::AutoCompleteExtension, 1},
      {"[Miscellaneous]\nDisplayFPS=0", &S::DisplayFPS, 0},
      // A later line with the default value does not undo an earlier one.
      {"CreateLog=1\nCreateLog=0", &S::CreateLog, 1}, {"UseColor=0\nUseColor=1", &S::UseColor, 0},
  };
  for (const auto& c : cases) {
    Settings s = LoadBody(std::string(c.lines) + "\n");
    EXPECT_EQ(s.*c.field, c.value) << c.lines;
  }
}

TEST_F(SettingsFile, ValuedKeysTakeTheirLastUsableOccurrence) {
  const struct { const char* lines; uint8_t priority; int64_t time_limit; } cases[] = {
      {"ProcessPriority=0", 2, -1},   {"ProcessPriority=257", 2, -1},
      {"ProcessPriority=1\nProcessPriority=x", 1, -1}, {"ProcessPriority=1\nProcessPriority=3", 3, -1},
      {"TimeLimit=1000000", 2, -1},   {"TimeLimit=999999", 2, 999999}, {"Time Limit = 6 0", 2, 60},
      {"TimeLimit=60\nTimeLimit=x", 2, 60}, {"TimeLimit=60\nTimeLimit=0", 2, -1},
      {"TimeLimit=4294967356", 2, -1},
  };
  for (const auto& c : cases) {
    Settings s = LoadBody(std::string(c.lines) + "\n");
    EXPECT_EQ(s.ProcessPriority, c.priority) << c.lines;
    EXPECT_EQ(s.TimeLimit, c.time_limit) << c.lines;
  }
}

TEST_F(SettingsFile, TextKeysKeepTheLineAsWritten) {
  constexpr int64_t U = UnsetFrameNumber;
  const struct { const char* body; int64_t first, last; const char* range, *dll; } cases[] = {
      {"FrameRange = 100,200\r\n", 100, 200, "FrameRange = 100,200", ""},
      {"FrameRange=abc\n", U, U, "FrameRange=abc", ""},
      {"FrameRange=abc\nFrameRange=5,-1\n", 5, -1, "FrameRange=5,-1", ""},
      {"  AVSDLL = /opt/My Libs/libavisynth.so.3  \r\n", 0, -1, "", "/opt/My Libs/libavisynth.so.3"},
      {"AVSDLL=/a/first.so\navsdll=/b/Second=x.so\n", 0, -1, "", "/b/Second=x.so"},
  };
  for (const auto& c : cases) {
    Settings s = LoadBody(c.body);
    EXPECT_EQ(s.FrameRangeFirst, c.first) << c.body;
    EXPECT_EQ(s.FrameRangeLast, c.last) << c.body;
    EXPECT_EQ(s.FrameRangeText, c.range) << c.body;
    EXPECT_EQ(s.AVSDLL, c.dll) << c.body;
  }
}

TEST_F(SettingsFile, CurrentFileIsReadAsItIsAnyOtherIsReplacedByDefaults) {
  const struct { const char* content; bool current; } cases[] = {
      {"[Main]\nVersion=2.1.6\nCreateLog=1\n", true},  {"VERSION = 2.1.6\nCreateLog=1\n", true},
      {"  version=2.1.6\r\nCreateLog=1\n", true},      {"Version=v12.1.6\nCreateLog=1\n", true},
      {"Version = 2. 1.6\nCreateLog=1\n", true},       {"Version=2.1.5\nCreateLog=1\n", false},
      {"CreateLog=1\nUseColor=0\n", false},            {"", false},
      {"Version=\nCreateLog=1\n", false},              {"Version 2.1.6\nCreateLog=1\n", false},
      {nullptr, false},  // no file
  };
  for (const auto& c : cases) {
    const std::string label = c.content ? c.content : "(none)";
    if (c.content) Write(c.content); else fs::remove(path_);
    Settings s;
    s.CreateLog = 1, s.TimeLimit = 5, s.AVSDLL = "old";  // every load starts from the defaults
    EXPECT_EQ(LoadSettingsFrom(path_, kVersion, &s), "") << label;
    EXPECT_EQ(s.CreateLog, c.current ? 1 : 0) << label;
    EXPECT_EQ(s.UseColor, 1) << label;
    EXPECT_EQ(s.TimeLimit, -1) << label;
    EXPECT_EQ(s.AVSDLL, "") << label;
    EXPECT_EQ(Read(), c.current ? c.content : DefaultSettingsText(kVersion)) << label;
  }
}

TEST(NumberText, SignThenDigitsSaturatingAtTheLimits) {
  const struct { const char* text; int64_t v64; int32_t v32; } cases[] = {
      {"-42", -42, -42},       {"+7", 7, 7},  {"5-3", 5, 5}, {"--5", 0, 0}, {"-", 0, 0},
      {"2147483648", 2147483648LL, INT32_MAX}, {"-2147483649", -2147483649LL, INT32_MIN},
      {"9223372036854775808", INT64_MAX, INT32_MAX},
      {"-9223372036854775808", INT64_MIN, INT32_MIN},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseInt64Saturating(c.text), c.v64) << c.text;
    EXPECT_EQ(ParseInt32Saturating(c.text), c.v32) << c.text;
  }
}

}  // namespace

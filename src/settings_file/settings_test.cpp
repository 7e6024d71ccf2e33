#include "settings_file/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "platform/testing/scratch_dir.h"

namespace settings_file {

namespace {

const char kVersion[] = "2.1.6";

class SettingsFile : public ::testing::Test {
 protected:
  // A current file holding the given lines after its version line.
  Settings LoadBody(const std::string& body) {
    ScratchDir::Write(path_, "[Main]\nVersion=2.1.6\n" + body);
    Settings s;
    std::string error;
    EXPECT_TRUE(LoadSettingsFrom(path_, kVersion, &s, &error)) << error;
    return s;
  }
  ScratchDir dir_;
  std::string path_ = dir_.File("Korbinet.ini");
};

// A key missing from the file leaves its built-in default, which must be what the written file says.
TEST(DefaultSettings, TwentyOneLinesWithLineFeedsHoldingTheBuiltInValues) {
  const std::string text =
      "[Main]\nVersion=2.1.6\nAVSDLL=\nDisplayFPS=1\nDisplayTPF=0\nDisplayEfficiencyIndex=0\n"
      "CreateLog=0\nCreateCSV=0\nPauseBeforeExit=0\nFrameRange=0,-1\nInvokeDistributor=1\n"
      "AllowOnlyOneInstance=1\nUseColor=1\nMonitorGPULoad=0\nProcessPriority=2\n"
      "ConUseSTDOUT=0\nTimeLimit=-1\n\n[Miscellaneous]\nLogEstimatedTime=0\nAutoCompleteExtension=0\n";
  EXPECT_EQ(DefaultSettingsText(kVersion), text);
  const Settings d;
  const auto n = [](auto value) { return std::to_string(value); };
  EXPECT_EQ("[Main]\nVersion=2.1.6\nAVSDLL=" + d.AVSDLL + "\nDisplayFPS=" + n(d.DisplayFPS) + "\nDisplayTPF=" +
                n(d.DisplayTPF) + "\nDisplayEfficiencyIndex=" + n(d.DisplayEfficiencyIndex) + "\nCreateLog=" +
                n(d.CreateLog) + "\nCreateCSV=" + n(d.CreateCSV) + "\nPauseBeforeExit=" + n(d.PauseBeforeExit) +
                "\nFrameRange=" + n(d.FrameRangeFirst) + "," + n(d.FrameRangeLast) + "\nInvokeDistributor=" +
                n(d.InvokeDistributor) + "\nAllowOnlyOneInstance=" + n(d.AllowOnlyOneInstance) + "\nUseColor=" +
                n(d.UseColor) + "\nMonitorGPULoad=" + n(d.MonitorGPULoad) + "\nProcessPriority=" +
                n(d.ProcessPriority) + "\nConUseSTDOUT=" + n(d.ConUseSTDOUT) + "\nTimeLimit=" + n(d.TimeLimit) +
                "\n\n[Miscellaneous]\nLogEstimatedTime=" + n(d.LogEstimatedTime) + "\nAutoCompleteExtension=" +
                n(d.AutoCompleteExtension) + "\n",
            text);
}

// PauseBeforeExit, AllowOnlyOneInstance, MonitorGPULoad and ConUseSTDOUT show their effect end to end.
TEST_F(SettingsFile, EachFlagKeyMovesItsFieldAwayFromTheDefault) {
  using S = Settings;
  const struct { const char* lines; bool Settings::*field; bool value; } cases[] = {
      {"displayfps:0", &S::DisplayFPS, false}, {"DisplayFPS=10", &S::DisplayFPS, false}, {"DisplayTPF=1", &S::DisplayTPF, true},
      {"DisplayEfficiencyIndex=1", &S::DisplayEfficiencyIndex, true}, {"CreateLog=yes", &S::CreateLog, false},
      {"  CREATELOG = 1 \r", &S::CreateLog, true}, {"CreateCSV=\t1", &S::CreateCSV, true}, {"UseColor=0", &S::UseColor, false},
      {"InvokeDistributor=0", &S::InvokeDistributor, false}, {"LogEstimatedTime=1", &S::LogEstimatedTime, true},
      {"AutoCompleteExtension=1", &S::AutoCompleteExtension, true}, {"[Miscellaneous]\nDisplayFPS=0", &S::DisplayFPS, false},
      // A later line with the default value does not undo an earlier one.
      {"CreateLog=1\nCreateLog=0", &S::CreateLog, true}, {"UseColor=0\nUseColor=1", &S::UseColor, false},
  };
  for (const auto& c : cases) EXPECT_EQ(LoadBody(std::string(c.lines) + "\n").*c.field, c.value) << c.lines;
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
    EXPECT_EQ(std::make_pair(s.ProcessPriority, s.TimeLimit), std::make_pair(c.priority, c.time_limit)) << c.lines;
  }
}

TEST_F(SettingsFile, TextKeysKeepTheLineAsWritten) {
  constexpr int64_t U = UnsetFrameNumber;
  const struct { const char* body; int64_t first, last; std::string range, dll; } cases[] = {
      {"FrameRange = 100,200\r\n", 100, 200, "FrameRange = 100,200", ""},
      {"FrameRange=abc\n", U, U, "FrameRange=abc", ""},
      {"FrameRange=abc\nFrameRange=5,-1\n", 5, -1, "FrameRange=5,-1", ""},
      {"  AVSDLL = /opt/My Libs/libavisynth.so.3  \r\n", 0, -1, "", "/opt/My Libs/libavisynth.so.3"},
      {"AVSDLL=/a/first.so\navsdll=/b/Second=x.so\n", 0, -1, "", "/b/Second=x.so"},
  };
  for (const auto& c : cases) {
    Settings s = LoadBody(c.body);
    EXPECT_EQ(std::tie(s.FrameRangeFirst, s.FrameRangeLast, s.FrameRangeText, s.AVSDLL),
              std::tie(c.first, c.last, c.range, c.dll)) << c.body;
  }
}

TEST_F(SettingsFile, CurrentFileIsReadAsItIsAnyOtherIsReplacedByDefaultsUnlessReadUnchanged) {
  const struct { const char* content; bool current; } cases[] = {
      {"[Main]\nVersion=2.1.6\nCreateLog=1\n", true},  {"VERSION = 2. 1.6\nCreateLog=1\n", true},
      {"  version=2.1.6\r\nCreateLog=1\n", true},      {"Version=v12.1.6\nCreateLog=1\n", true},
      {"Version=2.1.5\nCreateLog=1\n", false},         {"", false},
      {"Version=\nCreateLog=1\n", false},              {"Version 2.1.6\nCreateLog=1\n", false},
      {"CreateLog=1\nVersion=2.1.6\n", true},  // a key before the version counts too
      {nullptr, false},  // no file
  };
  for (const auto& c : cases) {
    const std::string label = c.content ? c.content : "(none)";
    if (c.content) ScratchDir::Write(path_, c.content); else std::filesystem::remove(path_);
    // As korbinet-compare's workers read it: the same values, the file untouched.
    EXPECT_EQ(ReadSettingsUnchanged(path_, kVersion).CreateLog, c.current) << label;
    EXPECT_EQ(c.content ? ScratchDir::Read(path_) : "", c.content ? c.content : "") << label;
    EXPECT_EQ(std::filesystem::exists(path_), c.content != nullptr) << label;
    Settings s;
    s.CreateLog = true, s.TimeLimit = 5, s.AVSDLL = "old";  // every load starts from the defaults
    std::string error;
    EXPECT_TRUE(LoadSettingsFrom(path_, kVersion, &s, &error)) << label << error;
    EXPECT_EQ(std::make_tuple(s.CreateLog, s.UseColor, s.TimeLimit, s.AVSDLL),
              std::make_tuple(c.current, true, int64_t{-1}, std::string())) << label;
    EXPECT_EQ(ScratchDir::Read(path_), c.current ? c.content : DefaultSettingsText(kVersion)) << label;
  }
}

}  // namespace

}  // namespace settings_file

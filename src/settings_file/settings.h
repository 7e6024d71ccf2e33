// The run's settings, read from Korbinet.ini beside the executable; korbinet
// and korbinet-compare's workers read them alike.
#pragma once

#include <cstdint>
#include <string>

namespace settings_file {

// Put into both ends of the frame range before a range value is parsed; no
// clip can satisfy it, so an unparsable range is rejected later.
constexpr int64_t UnsetFrameNumber = 1099511627775LL;  // 2^40 - 1

struct Settings {
  std::string AVSDLL;
  bool DisplayFPS = true;
  bool DisplayTPF = false;
  bool DisplayEfficiencyIndex = false;
  bool CreateLog = false;
  bool CreateCSV = false;
  bool PauseBeforeExit = false;
  int64_t FrameRangeFirst = 0;
  int64_t FrameRangeLast = -1;
  std::string FrameRangeText;
  int64_t TimeLimit = -1;
  bool InvokeDistributor = true;
  bool AllowOnlyOneInstance = true;
  bool UseColor = true;
  bool MonitorGPULoad = false;
  uint8_t ProcessPriority = 2;
  bool ConUseSTDOUT = false;
  bool LogEstimatedTime = false;
  bool AutoCompleteExtension = false;
};

// Path of the settings file: Korbinet.ini in the executable's folder, or the
// user's own copy when that folder is not writable.
std::string SettingsFilePath();

// The default file, byte for byte, for the 5-character program version.
std::string DefaultSettingsText(const std::string& version5);

// Fills settings from the file at path (the run's is SettingsFilePath()),
// creating or replacing the file with the defaults for version5 when it is
// missing or of another version. False with the message in error when the
// file cannot be read or written.
bool LoadSettingsFrom(const std::string& path, const std::string& version5, Settings* settings,
                      std::string* error);

// The file at path as the program would read it, without creating or
// replacing it: the defaults when it is missing, unreadable or of another
// version (the program would write the defaults over it first). For the
// comparison's workers, which must never touch the program's file.
Settings ReadSettingsUnchanged(const std::string& path, const std::string& version5);

// The first two tests of a range value: at least 3 characters, and a first
// comma with 1 to 27 characters before it.
bool RangeValueShapeOk(const std::string& value);

// The range value rule shared by the settings file and the -range= switch:
// sets both ends to UnsetFrameNumber, then to the parsed numbers. False when
// the value is malformed (both ends then stay unset).
bool ParseRangeValue(const std::string& value, Settings* settings);

}  // namespace settings_file

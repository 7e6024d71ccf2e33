#include "settings_file/settings.h"

#include <fstream>

#include "platform/files.h"
#include "platform/locations.h"
#include "text/number_text.h"
#include "text/text.h"

namespace settings_file {

namespace {

// Keys are matched on this form: lower case, trimmed, and with every space
// removed, so "Version = 2.1.6" and "version=2.1.6" are the same line.
std::string NormalizeLine(std::string line) {
  text::ToLower(&line);
  text::Trim(&line);
  std::string out;
  out.reserve(line.size());
  for (char c : line) {
    if (c != ' ') out.push_back(c);
  }
  return out;
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

bool ReadLine(std::ifstream& in, std::string* line) {
  if (!std::getline(in, *line)) return false;
  // Files written on Windows end their lines in CR LF.
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return true;
}

std::string QuotedError(const char* what, const std::string& path) {
  // Built by concatenation: a path is data, and may be of any length.
  return std::string("\n") + what + " \"" + path + "\"\n";
}

bool IsCurrent(std::ifstream& in, const std::string& version5) {
  std::string line;
  while (ReadLine(in, &line)) {
    std::string norm = NormalizeLine(line);
    if (StartsWith(norm, "version=") && norm.substr(norm.size() - 5) == version5) return true;
  }
  return false;
}

// A flag only moves away from its built-in default: the value is the last
// character of the normalised line.
void SetFlagOn(const std::string& norm, const char* key, bool* flag) {
  if (StartsWith(norm, key) && norm.back() == '1') *flag = true;
}
void SetFlagOff(const std::string& norm, const char* key, bool* flag) {
  if (StartsWith(norm, key) && norm.back() == '0') *flag = false;
}

void ApplyLine(const std::string& raw, Settings* s) {
  const std::string norm = NormalizeLine(raw);
  if (norm.empty()) return;

  if (StartsWith(norm, "avsdll=")) {
    // Taken from the line as written: library paths may hold spaces.
    std::string value = raw;
    text::Trim(&value);
    value = value.substr(value.find('=') + 1);
    text::Trim(&value);
    s->AVSDLL = value;
  }
  SetFlagOff(norm, "displayfps", &s->DisplayFPS);
  SetFlagOn(norm, "displaytpf", &s->DisplayTPF);
  SetFlagOn(norm, "displayefficiencyindex", &s->DisplayEfficiencyIndex);
  SetFlagOn(norm, "createlog", &s->CreateLog);
  SetFlagOn(norm, "createcsv", &s->CreateCSV);
  SetFlagOn(norm, "pausebeforeexit", &s->PauseBeforeExit);
  SetFlagOff(norm, "invokedistributor", &s->InvokeDistributor);
  SetFlagOff(norm, "allowonlyoneinstance", &s->AllowOnlyOneInstance);
  SetFlagOn(norm, "monitorgpuload", &s->MonitorGPULoad);
  if (StartsWith(norm, "processpriority=")) {
    std::string value = norm.substr(16);
    if (text::IsNumeric(value)) {
      int32_t n = text::ParseInt32Saturating(value);
      s->ProcessPriority = (n >= 1 && n <= 3) ? static_cast<uint8_t>(n) : 2;
    }
  }
  if (StartsWith(norm, "timelimit=")) {
    std::string value = norm.substr(10);
    if (text::IsNumeric(value)) {
      int32_t n = text::ParseInt32Saturating(value);
      s->TimeLimit = (n >= 1 && n <= 999999) ? n : -1;
    }
  }
  SetFlagOff(norm, "usecolor", &s->UseColor);
  SetFlagOn(norm, "conusestdout", &s->ConUseSTDOUT);
  if (StartsWith(norm, "framerange=")) {
    s->FrameRangeText = raw;
    ParseRangeValue(norm.substr(11), s);
  }
  SetFlagOn(norm, "logestimatedtime", &s->LogEstimatedTime);
  SetFlagOn(norm, "autocompleteextension", &s->AutoCompleteExtension);
}

}  // namespace

std::string SettingsFilePath() { return platform::SettingsFilePath("Korbinet.ini"); }

std::string DefaultSettingsText(const std::string& version5) {
  return "[Main]\n"
         "Version=" + version5 + "\n"
         "AVSDLL=\n"
         "DisplayFPS=1\n"
         "DisplayTPF=0\n"
         "DisplayEfficiencyIndex=0\n"
         "CreateLog=0\n"
         "CreateCSV=0\n"
         "PauseBeforeExit=0\n"
         "FrameRange=0,-1\n"
         "InvokeDistributor=1\n"
         "AllowOnlyOneInstance=1\n"
         "UseColor=1\n"
         "MonitorGPULoad=0\n"
         "ProcessPriority=2\n"
         "ConUseSTDOUT=0\n"
         "TimeLimit=-1\n"
         "\n"
         "[Miscellaneous]\n"
         "LogEstimatedTime=0\n"
         "AutoCompleteExtension=0\n";
}

bool LoadSettingsFrom(const std::string& path, const std::string& version5, Settings* settings,
                      std::string* error) {
  std::string range_text = settings->FrameRangeText;
  *settings = Settings{};
  settings->FrameRangeText = range_text;

  bool current = false;
  if (platform::FileExists(path)) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      *error = QuotedError("Cannot open", path);
      return false;
    }
    current = IsCurrent(in, version5);
  }
  if (!current) {
    // Written beside and renamed over, so a failed write never leaves a
    // half-written file, and the failure is reported rather than ignored.
    if (path.empty() || !platform::WriteFileReplacing(path, DefaultSettingsText(version5), nullptr)) {
      *error = QuotedError("Cannot create", path);
      return false;
    }
    return true;
  }

  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = QuotedError("Cannot open", path);
    return false;
  }
  std::string line;
  while (ReadLine(in, &line)) ApplyLine(line, settings);
  return true;
}

Settings ReadSettingsUnchanged(const std::string& path, const std::string& version5) {
  Settings settings;
  if (path.empty() || !platform::FileExists(path)) return settings;
  std::ifstream in(path, std::ios::binary);
  if (!in || !IsCurrent(in, version5)) return settings;
  in.clear();
  in.seekg(0);
  std::string line;
  while (ReadLine(in, &line)) ApplyLine(line, &settings);
  return settings;
}

bool RangeValueShapeOk(const std::string& value) {
  if (value.size() < 3) return false;
  size_t comma = value.find(',');
  return comma != std::string::npos && comma >= 1 && comma <= 27;
}

bool ParseRangeValue(const std::string& value, Settings* settings) {
  settings->FrameRangeFirst = UnsetFrameNumber;
  settings->FrameRangeLast = UnsetFrameNumber;
  if (!RangeValueShapeOk(value)) return false;
  size_t comma = value.find(',');
  std::string first = value.substr(0, comma);
  std::string last = value.substr(comma + 1);
  if (!text::IsNumeric(first) || !text::IsNumeric(last)) return false;
  settings->FrameRangeFirst = text::ParseInt64Saturating(first);
  settings->FrameRangeLast = text::ParseInt64Saturating(last);
  return true;
}

}  // namespace settings_file

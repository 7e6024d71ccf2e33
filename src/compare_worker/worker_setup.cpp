#include "compare_worker/worker_setup.h"

#include <sstream>

#include "platform/files.h"
#include "platform/locations.h"
#include "text/text.h"

namespace compare_worker {

namespace {

// As korbinet matches keys: lower case, trimmed, every space removed.
std::string NormalizeLine(std::string line) {
  text::ToLower(&line);
  text::Trim(&line);
  std::string out;
  for (char c : line) {
    if (c != ' ') out.push_back(c);
  }
  return out;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

WorkerSettings SettingsFromText(const std::string& text, const std::string& version5) {
  WorkerSettings settings;
  WorkerSettings read;
  bool current = false;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string norm = NormalizeLine(line);
    if (StartsWith(norm, "version=") && norm.substr(norm.size() - 5) == version5) current = true;
    if (StartsWith(norm, "avsdll=")) {
      // From the line as written: library paths may hold spaces.
      std::string value = line;
      text::Trim(&value);
      value = value.substr(value.find('=') + 1);
      text::Trim(&value);
      read.avsdll = value;
    }
    if (StartsWith(norm, "invokedistributor") && norm.back() == '0') read.invoke_distributor = false;
  }
  return current ? read : settings;
}

WorkerSettings ReadWorkerSettings() {
  std::string text;
  if (!platform::ReadSmallFile(platform::SettingsFilePath("Korbinet.ini"), 1 << 20, &text)) return {};
  return SettingsFromText(text, platform::FileVersionText("").substr(0, 5));
}

bool ScriptCallsPrefetch(const std::string& script_text) {
  static constexpr char kWord[] = "prefetch";
  static constexpr size_t kLength = sizeof kWord - 1;
  bool in_comment = false;
  for (size_t i = 0; i < script_text.size(); ++i) {
    const char c = script_text[i];
    if (c == '\n') in_comment = false;
    if (c == '#') in_comment = true;
    if (in_comment || (i > 0 && IsNameChar(script_text[i - 1]))) continue;
    if (i + kLength > script_text.size()) return false;
    std::string candidate = script_text.substr(i, kLength);
    text::ToLower(&candidate);
    if (candidate == kWord &&
        (i + kLength == script_text.size() || !IsNameChar(script_text[i + kLength]))) {
      return true;
    }
  }
  return false;
}

std::string CannotHonourText(const std::string& function, const std::string& option) {
  return "The AviSynth library has no " + function + "; " + option + " cannot be honoured.";
}

}  // namespace compare_worker

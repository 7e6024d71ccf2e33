#include "compare_worker/worker_setup.h"

#include "platform/files.h"
#include "platform/locations.h"
#include "text/text.h"

namespace compare_worker {

namespace {

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

settings_file::Settings ReadWorkerSettings() {
  return settings_file::ReadSettingsUnchanged(settings_file::SettingsFilePath(), platform::ProgramVersion());
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

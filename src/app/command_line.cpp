#include "app/command_line.h"

#include "console/console.h"
#include "platform/files.h"
#include "text/number_text.h"
#include "text/text.h"

namespace app {

namespace {

// Messages are concatenated, not formatted: an argument is data and may be
// longer than any fixed buffer.
std::string Quoted(const char* head, const std::string& argument, const char* tail = "") {
  return std::string(head) + " \"" + argument + "\"\n" + tail;
}

std::string InvalidFormat(const std::string& raw) {
  return Quoted("\nInvalid parameter format:", raw);
}
std::string InvalidArgument(const std::string& raw) { return Quoted("\nInvalid argument:", raw); }
std::string FileNotFound(const std::string& path) { return Quoted("\nFile not found:", path); }

bool EndsWith(const std::string& text, const char* suffix) {
  std::string s(suffix);
  return text.size() >= s.size() && text.compare(text.size() - s.size(), s.size(), s) == 0;
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

bool MakeFullPath(const std::string& path, std::string* full) {
  std::string result;
  if (!platform::FullPathName(path, &result, nullptr)) return false;
  if (result.empty() || result.size() >= 2048) return false;
  *full = result;
  return true;
}

// A script argument: a name ending in ".avs", or with AutoCompleteExtension a
// bare first name that gets the extension added.
std::string TakeScript(const std::string& raw, const std::string& key, const Settings& settings,
                       CommandLineOptions* options) {
  std::string full;
  if (key.size() > 4 && EndsWith(key, ".avs") && MakeFullPath(raw, &full)) {
    options->script_path = full;
    return platform::FileExists(full) ? std::string() : FileNotFound(raw);
  }
  if (settings.AutoCompleteExtension && options->script_path.empty() && !key.empty()) {
    std::string candidate = raw + ".avs";
    if (MakeFullPath(candidate, &full)) {
      options->script_path = full;
      return platform::FileExists(full) ? std::string() : FileNotFound(candidate);
    }
  }
  return InvalidArgument(raw);
}

std::string TakeArgument(const std::string& raw, Settings* settings,
                         CommandLineOptions* options) {
  std::string kept = raw;
  text::Trim(&kept);
  std::string key = kept;
  text::ToLower(&key);

  const bool is_range = StartsWith(key, "-range=");
  const bool is_priority = StartsWith(key, "-priority=");
  const bool is_timelimit = StartsWith(key, "-timelimit=");
  const bool is_flag = key == "-avsinfo" || key == "-i" || key == "-info" || key == "-l" ||
                       key == "-log" || key == "-csv" || key == "-gpu";
  if (!is_flag && !is_range && !is_priority && !is_timelimit) {
    return TakeScript(raw, key, *settings, options);
  }
  options->switches += kept + " ";

  if (key == "-avsinfo") {
    options->avs_info = true;
  } else if (key == "-i" || key == "-info") {
    options->clip_info = true;
  } else if (key == "-l" || key == "-log") {
    settings->CreateLog = true;
  } else if (key == "-csv") {
    settings->CreateCSV = true;
  } else if (key == "-gpu") {
    settings->MonitorGPULoad = true;
  } else if (is_range) {
    std::string value = key.substr(7);
    if (settings_file::RangeValueShapeOk(value)) settings->FrameRangeText = "FrameRange=" + value;
    if (!settings_file::ParseRangeValue(value, settings)) return InvalidFormat(raw);
  } else if (is_priority) {
    std::string value = key.substr(10);
    int32_t n = text::IsNumeric(value) ? text::ParseInt32Saturating(value) : 0;
    if (n < 1 || n > 3) {
      return Quoted("\nInvalid parameter value:", raw, "Value must be between 1 and 3\n");
    }
    settings->ProcessPriority = static_cast<uint8_t>(n);
  } else if (is_timelimit) {
    std::string value = key.substr(11);
    int32_t n = text::IsNumeric(value) ? text::ParseInt32Saturating(value) : 0;
    if (n < 1 || n > 999999) {
      return Quoted("\nInvalid parameter value:", raw, "Value must be between 1 and 999999\n");
    }
    settings->TimeLimit = n;
  }
  return std::string();
}

}  // namespace

bool ParseArguments(const std::vector<std::string>& args, Settings* settings,
                    CommandLineOptions* options, std::string* error) {
  error->clear();
  for (const std::string& raw : args) {
    *error = TakeArgument(raw, settings, options);
    if (!error->empty()) break;
  }
  text::Trim(&options->switches);
  return error->empty();
}

bool ParseCommandLine(int argc, char** argv, Settings* settings, CommandLineOptions* options,
                      std::string* error) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] != nullptr ? argv[i] : "");
  return ParseArguments(args, settings, options, error);
}

void PrintUsage(console::Console& console) {
  static const char* const kLines[] = {
      "\nUsage:  Korbinet script.avs [switches]\n\n",
      "Switches:\n",
      "  -avsinfo            Display Avisynth info\n",
      "  -info [-i]          Display clip info\n",
      "  -log  [-l]          Create log file\n",
      "  -csv                Create csv file\n",
      "  -gpu                Monitor GPU/VPU usage\n",
      "  -range=first,last   Set frame range\n",
      "  -timelimit=n        Set time limit (seconds)\n",
      "  -priority=n         Set process priority (1:low, 2:normal, 3:high)\n\n",
      "  For more info on the command line switches and INI file\n",
      "  options, read the documentation (Korbinet.html) included\n",
      "  in the distribution package.\n",
  };
  for (const char* line : kLines) console.PrintToStdout(console::kColorValue, line);
  console.PrintToStdout(console::kColorNone, "\n");
}

}  // namespace app

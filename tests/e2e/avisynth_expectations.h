// What the program should report about a library, worked out from the file
// itself so the tests do not take the program's word for it.
#pragma once

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "harness/expected_texts.h"

namespace e2e {

// What each built variant says about itself.
struct VariantFacts {
  std::string variant;
  std::string version_string;
  std::string file_version;
  int interface_version;
  bool mt_support;
};

inline VariantFacts FactsOf(const std::string& variant) {
  static const VariantFacts all[] = {
      {"standard", "Reference Frame Server 1.0.0 (x86_64)", "1.0.0.0", 7, true},
      {"classic", "Reference Frame Server 2.6.0 MT (x86_64)", "2.6.0.6", 6, true},
      {"v5", "Reference Frame Server 2.6.0 beta (x86_64)", "2.6.0.5", 5, false},
      {"plain", "Unknown Avisynth Version", "1.0.0.0", 7, false},
  };
  for (const auto& facts : all) {
    if (facts.variant == variant) return facts;
  }
  return {};
}

// Major.minor of the first "GCC:" or "clang version" string in the file.
inline std::string CompilerVersionOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t at = std::min(bytes.find("GCC: "), bytes.find("clang version"));
  if (at == std::string::npos) return "0.0";
  std::string line = bytes.substr(at, bytes.find('\0', at) - at);
  static const std::regex dotted(R"((\d+)\.(\d+)(\.\d+)*)");
  std::string version = "0.0";
  for (auto it = std::sregex_iterator(line.begin(), line.end(), dotted); it != std::sregex_iterator(); ++it) {
    version = (*it)[1].str() + "." + (*it)[2].str();
  }
  return version;
}

// Local last-write time of the file, as the listing formats it.
inline std::string TimeStampOf(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return "Cannot determine timestamp";
  std::tm local{};
  localtime_r(&info.st_mtime, &local);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d, %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

struct PluginLine {
  std::string label, dir;
};

// The plugin folders that exist for a library at `location`, in listing order.
inline std::vector<PluginLine> PluginLinesFor(const std::string& location) {
  const passwd* user = getpwuid(getuid());
  const std::string home = user != nullptr && user->pw_dir != nullptr ? user->pw_dir : "";
  const std::string beside = std::filesystem::path(location).parent_path().string() + "/avisynth";
  std::vector<PluginLine> candidates = {
      {"PluginDir+    (HKCU, x64):", home.empty() ? "" : home + "/.local/lib/avisynth"},
      {"PluginDir+    (HKLM, x64):", beside},
      {"PluginDir2_5  (HKCU, x64):", home.empty() ? "" : home + "/.avisynth"},
  };
  std::vector<PluginLine> lines;
  std::error_code ec;
  for (const auto& line : candidates) {
    if (!line.dir.empty() && std::filesystem::is_directory(line.dir, ec)) lines.push_back(line);
  }
  return lines;
}

struct LibraryReport {
  VariantFacts facts;
  std::string location, linker_version, time_stamp;
  std::vector<PluginLine> plugins;
};

inline LibraryReport ReportFor(const std::string& variant, const std::string& library_link) {
  std::error_code ec;
  const std::string location = std::filesystem::canonical(library_link, ec).string();
  return {FactsOf(variant), location, CompilerVersionOf(location), TimeStampOf(location), PluginLinesFor(location)};
}

// The -avsinfo listing on standard output.
inline std::string AvsinfoListing(const LibraryReport& r) {
  std::string text = "Avisynth version string:     " + r.facts.version_string + "\n" +
                     "File version:                " + r.facts.file_version + "\n" +
                     "Avisynth Interface Version:  " + std::to_string(r.facts.interface_version) + "\n" +
                     "Muli-threading support:      " + (r.facts.mt_support ? "Yes" : "No") + "\n" +
                     "Linker/compiler version:     " + r.linker_version + "\n" +
                     "Avisynth DLL location:       " + r.location + "\n" +
                     "Avisynth DLL time stamp:     " + r.time_stamp + "\n";
  for (const auto& line : r.plugins) text += line.label + "   " + line.dir + "\n";
  return text;
}

// The "[General info]" section of the log for a run of `script`.
inline std::string GeneralInfoSection(const LibraryReport& r, const std::string& script,
                                      const std::string& switches) {
  std::string text = "[General info]\n";
  text += "Log file created with:                 Korbinet " + ProgramVersion5() + " (x64)\n";
  text += "Script file:                           " + script + "\n";
  if (!switches.empty()) text += "Command line switches:                 " + switches + "\n";
  text += "Avisynth version string:               " + r.facts.version_string + "\n";
  text += "Avisynth file version:                 " + r.facts.file_version + "\n";
  text += "Avisynth Interface Version:            " + std::to_string(r.facts.interface_version) + "\n";
  text += std::string("Avisynth MT support:                   ") + (r.facts.mt_support ? "Yes" : "No") + "\n";
  text += "Avisynth.dll linker/compiler version:  " + r.linker_version + "\n";
  text += "Avisynth.dll location:                 " + r.location + "\n";
  text += "Avisynth.dll time stamp:               " + r.time_stamp + "\n";
  for (const auto& line : r.plugins) text += line.label + "             " + line.dir + "\n";
  return text;
}

// The start of a piped run whose probe fails: its message follows directly.
inline std::string PipedProbeFailureStart() { return Banner() + "\rQuery Avisynth info...\r\r\r"; }

// What a piped run prints before the command line is looked at.
inline std::string PipedStartTextFor(const VariantFacts& facts) {
  return PipedProbeFailureStart() + "\r" + facts.version_string + " (" + facts.file_version + ")\n";
}
inline std::string PipedStartText() { return PipedStartTextFor(FactsOf("standard")); }

// A piped run has width 0: a status line is its text between two CRs.
inline std::string StatusLine(const std::string& text) { return "\r" + text + "\r"; }
inline const std::string kBlankStatus = "\r\r";

}  // namespace e2e

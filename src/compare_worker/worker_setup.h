// The worker's rules that need no library: where the usual library is
// found, whether a script already prefetches, and the texts of a set-up the
// library cannot honour.
#pragma once

#include <string>

namespace compare_worker {

// What the worker takes from korbinet's settings file: the library and
// whether a classic-MT script's clip goes through Distributor.
struct WorkerSettings {
  std::string avsdll;  // empty: the default name
  bool invoke_distributor = true;
};

// korbinet's reading of the file's text (app/settings.cpp), for these two
// keys only: keys in any case with spaces ignored, the last line of a key
// wins, and a file of another version counts as the defaults, since korbinet
// would replace it by them before its run. The worker never writes the file.
WorkerSettings SettingsFromText(const std::string& text, const std::string& version5);

// The settings file beside the program, as korbinet finds it; the defaults
// when there is none or it cannot be read.
WorkerSettings ReadWorkerSettings();

// Whether the script text calls Prefetch itself, so that wrapping its clip
// in another would stack two. The rule: the word "prefetch" in any case,
// not part of a longer name, outside a '#' comment. It cannot see a Prefetch
// in an imported script or an auto-loaded .avsi, nor one built up from
// pieces of text for Eval; a "#" inside a string cuts the line short, and
// the word inside a string or a /* */ comment counts.
bool ScriptCallsPrefetch(const std::string& script_text);

inline constexpr char kScriptPrefetchesText[] =
    "The script calls Prefetch itself; --prefetch cannot wrap it in another.";

// "The AviSynth library has no <function>; <option> cannot be honoured."
std::string CannotHonourText(const std::string& function, const std::string& option);

}  // namespace compare_worker

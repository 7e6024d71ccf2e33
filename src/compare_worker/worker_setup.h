// The worker's rules that need no library: where the usual library is
// found, whether a script already prefetches, and the texts of a set-up the
// library cannot honour.
#pragma once

#include <string>

#include "settings_file/settings.h"

namespace compare_worker {

// korbinet's settings file, as korbinet finds and reads it, never written:
// the library and whether a classic-MT script's clip goes through
// Distributor come from there.
settings_file::Settings ReadWorkerSettings();

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

// The lines korbinet-compare and its workers exchange on the worker's
// standard input and output: one command or answer per line, fields
// separated by one tab, text fields escaped so that no tab or line break
// inside a path, a variable's value or a script error splits a line.
#pragma once

#include <charconv>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace compare_worker {

// The argument that makes korbinet-compare run as a worker.
inline constexpr std::string_view kWorkerArgument = "--worker";

// Controller -> worker: the set-up, before kLoad.
inline constexpr std::string_view kCommandScript = "script";        // <path>
inline constexpr std::string_view kCommandLibrary = "library";      // <path>
inline constexpr std::string_view kCommandMaxCpu = "maxcpu";        // <level> (may be empty)
inline constexpr std::string_view kCommandMemoryMax = "memorymax";  // <MB>
inline constexpr std::string_view kCommandPrefetch = "prefetch";    // <threads>
inline constexpr std::string_view kCommandVar = "var";              // <name> <value>
inline constexpr std::string_view kCommandOrder = "order";          // forward|reverse|random
inline constexpr std::string_view kCommandSeed = "seed";            // <n>
// Then:
inline constexpr std::string_view kCommandLoad = "load";
inline constexpr std::string_view kCommandRound = "round";  // <seconds>
inline constexpr std::string_view kCommandStages = "stages";
inline constexpr std::string_view kCommandQuit = "quit";

// Worker -> controller.
// ready <first> <last> <interval> <version string> <file version>
inline constexpr std::string_view kAnswerReady = "ready";
// round <frames> <wall seconds> <cpu seconds> <peak memory bytes> <threads>:
// the process's processor time; the largest resident size and the most
// threads seen at the round's samples (bench/round_loop.h).
inline constexpr std::string_view kAnswerRound = "round";
// stage <name> <calls> <self seconds> <inclusive seconds>, then kAnswerEnd;
// summed since load, the load's analysis frames included.
inline constexpr std::string_view kAnswerStage = "stage";
inline constexpr std::string_view kAnswerEnd = "end";
// error <text>: the worker exits after it (status 1; 2 for an unknown command)
inline constexpr std::string_view kAnswerError = "error";
// The error text's start for a command the worker does not know (followed
// by its name), and for a known one it cannot take: wrong fields, a number
// that does not parse, a set-up given twice or after load, a round before
// it (followed by the line's fields, separated by spaces). Both exit 2.
inline constexpr std::string_view kUnknownCommand = "unknown command: ";
inline constexpr std::string_view kBadCommand = "bad command: ";
// The exit status after an error at load that refuses an option the library
// (or the script, for --prefetch) cannot honour: the controller then ends
// the whole run before measuring, as a usage fault, instead of failing one
// variant.
inline constexpr int kExitRefused = 3;

// Backslash -> "\\", tab -> "\t", line feed -> "\n", carriage return -> "\r".
std::string EscapeField(std::string_view text);
// The reverse. A backslash before any other character, or a lone one at the
// end, is kept as it stands: a damaged line then shows what arrived.
std::string UnescapeField(std::string_view field);

// The fields of one line (without its "\n"), split at every tab and
// unescaped. An empty line gives one empty field.
std::vector<std::string> SplitFields(std::string_view line);
// The fields escaped and joined by tabs, ending in "\n": a line to send.
std::string JoinFields(const std::vector<std::string>& fields);

// Numbers in answers: "%.9g" in the C locale whatever the process's locale.
std::string SecondsField(double seconds);

// A number field read back, on either side: the whole field is the number,
// in the C locale whatever the process's (from_chars), with no sign where
// the type has none.
template <class T>
bool ParseNumberField(std::string_view field, T* value) {
  const char* end = field.data() + field.size();
  const auto [ptr, ec] = std::from_chars(field.data(), end, *value);
  return ec == std::errc() && ptr == end;
}
// Seconds as SecondsField writes them: finite and not negative ("inf",
// "nan" and "-1" are refused).
bool ParseSecondsField(std::string_view field, double* seconds);

}  // namespace compare_worker

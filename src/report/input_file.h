// Reading a run's files whole, with the checks every input shares: present,
// not too large, text rather than binary. Messages name the file (and the
// line, where there is one) as "<file>, line <n>: <what>".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace report {

// Larger files are refused rather than read: a CSV of the most records a run
// stores is about 60 MB, its log about 110 MB.
inline constexpr size_t kMaxInputBytes = 256u << 20;

struct InputFile {
  std::string path;     // as the user gave it; messages quote it
  std::string content;  // the bytes, line ends as written
};

// False with *error set when the file is missing, unreadable or too large.
bool ReadInputFile(const std::string& path, InputFile* file, std::string* error);

// "<path>, line <n>: <what>" (line 0 leaves the line out).
std::string InputError(const std::string& path, size_t line, const std::string& what);

// Text from a file as a message quotes it: its first most bytes (then
// "..."), control characters as '?', so no stray escape reaches a terminal.
std::string MessageText(std::string_view text, size_t most);

// Line of the first byte that no text file of ours holds, 0 when there is
// none: NUL, and with any_control also every other control character besides
// tab, CR and LF. (A log quotes the user's script, which may hold a stray
// control character; a NUL says the file is no text at all.)
size_t FirstBinaryLine(const std::string& content, bool any_control = true);

// Splits content into lines at "\n", dropping a "\r" before it. Sets
// *last_line_ended to whether the final line had its line feed.
template <class Visit>
void ForEachLine(const std::string& content, bool* last_line_ended, Visit visit) {
  size_t start = 0;
  size_t number = 0;
  *last_line_ended = true;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    const bool ended = end != std::string::npos;
    if (!ended) end = content.size();
    size_t stop = end;
    if (ended && stop > start && content[stop - 1] == '\r') --stop;
    *last_line_ended = ended;
    if (!visit(++number, std::string_view(content).substr(start, stop - start))) return;
    start = end + 1;
  }
}

}  // namespace report

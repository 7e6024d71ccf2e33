#include "compare_worker/worker_protocol.h"

#include <cmath>
#include <cstdio>

namespace compare_worker {

std::string EscapeField(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::string UnescapeField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    char c = field[i];
    if (c != '\\' || i + 1 == field.size()) {
      out += c;
      continue;
    }
    switch (field[i + 1]) {
      case '\\': out += '\\'; break;
      case 't': out += '\t'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      default: out += c; continue;  // keep the backslash, read the next as is
    }
    ++i;
  }
  return out;
}

std::vector<std::string> SplitFields(std::string_view line) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      fields.push_back(UnescapeField(line.substr(start)));
      return fields;
    }
    fields.push_back(UnescapeField(line.substr(start, tab - start)));
    start = tab + 1;
  }
}

std::string JoinFields(const std::vector<std::string>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += '\t';
    line += EscapeField(fields[i]);
  }
  line += '\n';
  return line;
}

std::string SecondsField(double seconds) {
  // snprintf follows the locale's decimal point; the program never sets a
  // locale other than "C", but a worker's library might, so fix it up.
  char buffer[64];
  int n = std::snprintf(buffer, sizeof buffer, "%.9g", seconds);
  std::string out(buffer, n > 0 && n < static_cast<int>(sizeof buffer) ? n : 0);
  for (char& c : out) {
    if (c == ',') c = '.';
  }
  return out;
}

bool ParseSecondsField(std::string_view field, double* seconds) {
  return ParseNumberField(field, seconds) && std::isfinite(*seconds) && *seconds >= 0;
}

}  // namespace compare_worker

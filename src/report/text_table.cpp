#include "report/text_table.h"

#include "platform/console.h"

namespace report {

namespace {

constexpr size_t kLeftAligned = 2;  // the run number and the label

std::string Printable(const std::string& cell) {
  std::string out = cell;
  for (char& c : out) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) c = '?';
  }
  return out;
}

// Width in characters, counting a UTF-8 sequence once.
size_t Width(const std::string& text) {
  size_t width = 0;
  for (unsigned char c : text) width += (c & 0xc0) != 0x80;
  return width;
}

std::vector<std::string> Lines(const std::vector<std::vector<std::string>>& rows) {
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    if (row.size() > widths.size()) widths.resize(row.size(), 0);
    for (size_t c = 0; c < row.size(); ++c) {
      const size_t w = Width(Printable(row[c]));
      if (w > widths[c]) widths[c] = w;
    }
  }
  std::vector<std::string> lines;
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      const std::string cell = Printable(row[c]);
      const std::string pad(widths[c] - Width(cell), ' ');
      if (c > 0) line += "  ";
      line += c < kLeftAligned ? cell + pad : pad + cell;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines.push_back(line + "\n");
  }
  return lines;
}

}  // namespace

std::string TableText(const std::vector<std::vector<std::string>>& rows) {
  std::string text;
  for (const std::string& line : Lines(rows)) text += line;
  return text;
}

void PrintTable(const std::vector<std::vector<std::string>>& rows) {
  const std::vector<std::string> lines = Lines(rows);
  for (size_t i = 0; i < lines.size(); ++i) {
    // Colour codes go out only to a terminal; the platform layer sees to that.
    if (i == 0) platform::SetTextAttribute(15);
    platform::WriteText(true, lines[i]);
    if (i == 0) platform::ResetTextAttribute();
  }
}

}  // namespace report

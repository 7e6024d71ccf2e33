// The comparison as aligned text for standard output.
#pragma once

#include <string>
#include <vector>

namespace report {

// Columns two spaces apart, the run and the label left-aligned, figures
// right-aligned; one line per row, each ended by "\n". Control characters in
// cells (a label is the user's text) print as "?".
std::string TableText(const std::vector<std::vector<std::string>>& rows);

// Writes TableText to standard output; on a terminal the title row is bright.
void PrintTable(const std::vector<std::vector<std::string>>& rows);

}  // namespace report

// korbinet-report's reader of korbinet-compare results over arbitrary bytes,
// and the page and table drawn from whatever it accepts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "report/compare_file.h"
#include "report/compare_page.h"
#include "report/html_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  report::CompareFile file;
  std::string error;
  if (!report::ParseCompareFile(report::InputFile{"r.json", bytes}, &file, &error)) {
    if (error.compare(0, 6, "r.json") != 0) __builtin_trap();  // every message names the file
    return 0;
  }
  if (file.settings.baseline < 1 || file.settings.baseline > std::max<size_t>(file.variants.size(), 1)) {
    __builtin_trap();
  }
  for (const report::CompareRound& r : file.rounds) {
    if (r.variant < 1 || r.variant > file.variants.size()) __builtin_trap();
  }
  const std::string page = report::ComparePage(file);
  if (page.find("</html>\n") != page.size() - 8) __builtin_trap();
  if (report::CompareCells(file).size() != file.variants.size() + 1) __builtin_trap();
  return 0;
}

#include "report/stage_times.h"

#include <gtest/gtest.h>

namespace report {
namespace {

const char kHead[] = "Stage                 Calls  Self ms/frame  Incl ms/frame   Share";

// name|calls|self|incl|share per row, for one comparison per case.
std::string RowsText(const StageTimes& times) {
  std::string text;
  for (const StageRow& r : times.rows)
    text += r.name + "|" + std::to_string(r.calls) + "|" + std::to_string(r.self_ms) + "|" +
            std::to_string(r.incl_ms) + "|" + std::to_string(r.share) + "\n";
  return text;
}

TEST(StageTimes, ReadsRowsFromTheRight) {
  const struct { const char* what; std::vector<std::string> lines; bool summed; std::string rows; size_t unreadable; }
  cases[] = {
      {"one thread",
       {"Stage times:", kHead, "resize                 2000          3.012          4.020  75.0 %",
        "blur                   2000          1.000          1.000  25.0 %"},
       false, "resize|2000|3.012000|4.020000|75.000000\nblur|2000|1.000000|1.000000|25.000000\n", 0},
      {"summed over threads, share above 100",
       {"Stage times (summed over threads, so shares can exceed 100 %):", kHead,
        "slow                    100         12.500         12.500 180.5 %"},
       true, "slow|100|12.500000|12.500000|180.500000\n", 0},
      {"a name with spaces, quotes, % and markup",
       {"Stage times:", kHead, "blur \"x\" 100% </script>  2000   1.000   1.000  25.0 %"},
       false, "blur \"x\" 100% </script>|2000|1.000000|1.000000|25.000000\n", 0},
      {"a name as long as the row's figures run on from it",
       {"Stage times:", kHead, "a-very-long-stage-name-that-fills-its-column 5 0.100 0.200 1.0 %"},
       false, "a-very-long-stage-name-that-fills-its-column|5|0.100000|0.200000|1.000000\n", 0},
      {"a row cut short, and rows with figures no table prints",
       {"Stage times:", kHead, "resize                 2000          3.012",
        "nan  1  nan  1.0  1.0 %", "big  1  1e999  1.0  1.0 %", "neg  -1  1.0  1.0  1.0 %",
        "huge 99999999999999999999999 1.0 1.0 1.0 %", "   2000  1.0  1.0  1.0 %",
        "ok  1  1.0  1.0  1.0 %"},
       false, "ok|1|1.000000|1.000000|1.000000\n", 6},
      {"the table ends at a blank line; nothing before its heads is a row",
       {"x  1  1.0  1.0  1.0 %", "Stage times:", kHead, "a  1  1.0  1.0  1.0 %", "",
        "b  1  1.0  1.0  1.0 %"},
       false, "a|1|1.000000|1.000000|1.000000\n", 0},
  };
  for (const auto& c : cases) {
    const StageTimes times = ParseStageTimes(c.lines);
    EXPECT_EQ(times.summed_over_threads, c.summed) << c.what;
    EXPECT_EQ(RowsText(times), c.rows) << c.what;
    EXPECT_EQ(times.unreadable_rows, c.unreadable) << c.what;
  }
}

}  // namespace
}  // namespace report

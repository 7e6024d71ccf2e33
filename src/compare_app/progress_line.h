// The run's progress on standard error: one line redrawn in place on a
// terminal, plain lines (one per variant loaded and per block) otherwise.
#pragma once

#include <string>

#include "compare/compare_options.h"
#include "compare_app/measuring.h"
#include "console/console.h"

namespace compare_app {

class ProgressLine final : public Progress {
 public:
  ProgressLine(console::Console& console, const compare::CompareOptions& options);
  void Loading(size_t variant, size_t count, const std::string& label) override;
  void Measuring(size_t block, size_t position, size_t count, double elapsed_seconds) override;
  void BlockDone(size_t blocks_done, double elapsed_seconds) override;
  void Finished() override;

 private:
  void Show(const std::string& text);
  std::string BlockText(size_t block) const;
  std::string TimeText(double elapsed_seconds) const;

  console::Console& console_;
  const compare::CompareOptions& options_;
  bool in_place_;
  bool shown_ = false;
};

}  // namespace compare_app

// korbinet-compare's command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compare/schedule.h"
#include "compare/variants.h"

namespace compare {

inline constexpr char kUsage[] =
    "usage: korbinet-compare [options] SCRIPT [SCRIPT ...]\n"
    "  --prefetch N,...       wrap the clip in Prefetch(N), one variant per N\n"
    "  --maxcpu LEVEL,...     SetMaxCPU(LEVEL) before the import; empty: the library's default\n"
    "  --memory-max MB,...    SetMemoryMax(MB) before the import\n"
    "  --library FILE,...     the AviSynth library to load, one variant per file\n"
    "  --var NAME=V1,V2,...   a global script variable, one variant per value\n"
    "  --label TEXT           names the variants in order, one --label each\n"
    "  --round SECONDS        length of one round (default: 1)\n"
    "  --warmup N             blocks not counted at the start (default: 1)\n"
    "  --rounds N             stop after N blocks past the warm-up\n"
    "  --time SECONDS         stop after this long (default: 120)\n"
    "  --order forward|reverse|random   the frames' order (default: forward)\n"
    "  --baseline K           the variant the others are compared with (default: 1)\n"
    "  --margin PERCENT       speeds this close count as the same (default: 2)\n"
    "  --seed N               the shuffles' and resampling's seed (default: 1)\n"
    "  --json FILE            write everything measured\n"
    "  --markdown FILE        write the table\n"
    "  --csv FILE             write the rounds\n"
    "  --fail-if-slower PERCENT   end with status 3 when a variant is slower by more\n"
    "  -h, --help             this text\n"
    "  --version              the program's version\n";

// Without --rounds, at least this many counted blocks before the run may
// stop because every comparison is decided.
inline constexpr int64_t kMinBlocks = 10;

struct CompareOptions {
  Sweeps sweeps;
  std::vector<std::string> labels;
  double round_seconds = 1.0;
  int64_t warmup = 1;
  int64_t rounds = 0;  // counted blocks, after the warm-up; 0: not given
  double time_seconds = 120.0;
  FrameOrder order = FrameOrder::kForward;
  size_t baseline = 0;  // index into variants
  double margin_percent = 2.0;
  // A fixed default, so two runs on the same data give the same figures.
  uint64_t seed = 1;
  std::string json_path, markdown_path, csv_path;
  double fail_if_slower_percent = 0;  // 0: no gate
  bool help = false;
  bool version = false;
  std::vector<Variant> variants;  // filled from sweeps and labels
};

// False with *error, one line naming the option and the bad value; the
// caller prints it with the usage and ends with status 2. --help and
// --version end the parsing with success.
bool ParseCompareOptions(const std::vector<std::string>& args, CompareOptions* options,
                         std::string* error);

}  // namespace compare

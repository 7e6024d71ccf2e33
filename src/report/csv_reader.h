// Korbinet's CSV file read back: one record per sampling interval.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/input_file.h"

namespace report {

struct CsvRecord {
  uint32_t frame = 0;  // counted from 1, as the file has it
  double frame_rate = 0;
  double average_frame_rate = 0;
  uint32_t cpu = 0;
  uint32_t gpu = 0;
  uint32_t vpu = 0;
  uint32_t threads = 0;
  uint32_t physical_memory = 0;  // MB
  uint32_t virtual_memory = 0;   // MB
};

struct RunCsv {
  bool has_gpu = false;  // the GPU(%) column
  bool has_vpu = false;  // the VPU(%) column
  std::vector<CsvRecord> records;
};

// More records than a run can store (500000 and the range's tail) means the
// file is not one of ours.
inline constexpr size_t kMaxRecords = 1000000;

// Reads the 9-, 10- or 11-column form. False with *error naming the file and
// the line for anything else, a 0-byte file included.
bool ParseRunCsv(const InputFile& file, RunCsv* run, std::string* error);

}  // namespace report

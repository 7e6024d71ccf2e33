#include "report/csv_reader.h"

#include <charconv>
#include <cmath>

#include "records/record_format.h"

namespace report {

namespace {

// The writer prints every field with %u or %.Nf: digits, and for the decimals
// one point with digits after it. Nothing else (signs, exponents, spaces) is
// accepted, so a damaged field can never pass for a number.
constexpr size_t kMaxFieldLength = 24;

bool PlainDecimal(std::string_view text, bool allow_point) {
  if (text.empty() || text.size() > kMaxFieldLength) return false;
  size_t digits_before = 0, digits_after = 0;
  bool point = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      (point ? digits_after : digits_before) += 1;
    } else if (c == '.' && allow_point && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits_before > 0 && (!point || digits_after > 0);
}

bool ParseUnsigned(std::string_view text, uint32_t* value) {
  if (!PlainDecimal(text, false)) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size();
}

bool ParseDecimal(std::string_view text, double* value) {
  if (!PlainDecimal(text, true)) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size() && std::isfinite(*value);
}

// The column names of each form, in order; the index of a record field per
// column, or -1 for the time-per-frame columns, which the rates give again.
enum Field { kFrame, kRate, kAverage, kTime, kCpu, kGpu, kVpu, kThreads, kPhys, kVirt };

std::vector<Field> ColumnsOf(std::string_view header, bool* has_gpu, bool* has_vpu) {
  std::vector<Field> columns = {kFrame, kRate, kAverage, kTime, kTime, kCpu};
  if (header == records::CsvHeader(false, false)) {
    *has_gpu = *has_vpu = false;
  } else if (header == records::CsvHeader(true, false)) {
    *has_gpu = true, *has_vpu = false;
    columns.push_back(kGpu);
  } else if (header == records::CsvHeader(true, true)) {
    *has_gpu = *has_vpu = true;
    columns.push_back(kGpu);
    columns.push_back(kVpu);
  } else {
    return {};
  }
  columns.insert(columns.end(), {kThreads, kPhys, kVirt});
  return columns;
}

const char* ColumnName(Field field, size_t index) {
  switch (field) {
    case kFrame: return "Frame";
    case kRate: return "Frames/sec";
    case kAverage: return "Frames/sec(average)";
    case kTime: return index == 3 ? "Time/frame(ms)" : "Time/frame(average)(ms)";
    case kCpu: return "CPU(%)";
    case kGpu: return "GPU(%)";
    case kVpu: return "VPU(%)";
    case kThreads: return "Threads";
    case kPhys: return "PhysMEM(MB)";
    case kVirt: return "VirtMEM(MB)";
  }
  return "";
}

}  // namespace

bool ParseRunCsv(const InputFile& file, RunCsv* run, std::string* error) {
  run->records.clear();
  const std::string& path = file.path;
  if (file.content.empty()) {
    *error = InputError(path, 0, "the file is empty (0 bytes): the run stored no record, "
                                 "its frame range was too short or it ended before the "
                                 "first sample");
    return false;
  }
  if (const size_t line = FirstBinaryLine(file.content)) {
    *error = InputError(path, line, "binary data, not a Korbinet CSV file");
    return false;
  }
  std::vector<Field> columns;
  bool ended = true;
  std::string failure;
  size_t failed_line = 0;
  ForEachLine(file.content, &ended, [&](size_t number, std::string_view line) {
    auto fail = [&](const std::string& what) {
      failure = what;
      failed_line = number;
      return false;
    };
    if (number == 1) {
      columns = ColumnsOf(line, &run->has_gpu, &run->has_vpu);
      if (columns.empty()) return fail("not a Korbinet CSV header (expected \"Frame,Frames/sec,...\" with 9, 10 or 11 columns)");
      return true;
    }
    if (run->records.size() >= kMaxRecords) {
      return fail("more than " + std::to_string(kMaxRecords) + " records, more than a run stores");
    }
    if (line.empty()) return fail("an empty line where a record belongs");
    CsvRecord record;
    size_t index = 0;
    // Fields are a few characters long: a plain scan beats a search call.
    const char* p = line.data();
    const char* const line_end = p + line.size();
    while (true) {
      const char* field_end = p;
      while (field_end != line_end && *field_end != ',') ++field_end;
      const std::string_view field(p, static_cast<size_t>(field_end - p));
      if (index >= columns.size()) {
        return fail("more than " + std::to_string(columns.size()) + " fields");
      }
      const Field kind = columns[index];
      bool ok = true;
      switch (kind) {
        case kFrame: ok = ParseUnsigned(field, &record.frame); break;
        case kRate: ok = ParseDecimal(field, &record.frame_rate); break;
        case kAverage: ok = ParseDecimal(field, &record.average_frame_rate); break;
        case kTime: ok = PlainDecimal(field, true); break;  // checked, not kept
        case kCpu: ok = ParseUnsigned(field, &record.cpu); break;
        case kGpu: ok = ParseUnsigned(field, &record.gpu); break;
        case kVpu: ok = ParseUnsigned(field, &record.vpu); break;
        case kThreads: ok = ParseUnsigned(field, &record.threads); break;
        case kPhys: ok = ParseUnsigned(field, &record.physical_memory); break;
        case kVirt: ok = ParseUnsigned(field, &record.virtual_memory); break;
      }
      if (!ok) {
        return fail("field " + std::to_string(index + 1) + " (" + ColumnName(kind, index) +
                    "): \"" + MessageText(field, 32) + "\" is not a number of the form the file uses");
      }
      ++index;
      if (field_end == line_end) break;
      p = field_end + 1;
    }
    if (index < columns.size()) {
      return fail(std::to_string(index) + " fields, expected " +
                  std::to_string(columns.size()) + " (a truncated row)");
    }
    if (!run->records.empty() && record.frame <= run->records.back().frame) {
      return fail("frame " + std::to_string(record.frame) + " does not follow frame " +
                  std::to_string(run->records.back().frame));
    }
    run->records.push_back(record);
    return true;
  });
  if (failed_line != 0) {
    *error = InputError(path, failed_line, failure);
    return false;
  }
  if (!ended) {
    // The writer ends every line; a last line without its line feed was cut
    // short, and its final number may be cut too.
    const size_t last = run->records.size() + 1;
    *error = InputError(path, last, "the file ends inside this line (a truncated file)");
    return false;
  }
  if (run->records.empty()) {
    *error = InputError(path, 2, "no record after the header");
    return false;
  }
  return true;
}

}  // namespace report

#include "compare_app/worker_answers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

#include "compare_worker/worker_protocol.h"

namespace compare_app {
namespace {

template <typename Integer>
bool ReadInteger(const std::string& text, Integer* value) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, *value);
  return ec == std::errc() && ptr == end && !text.empty();
}

// Seconds come as "%.9g" in the C locale; from_chars reads exactly that form
// whatever the process's locale, and refuses "inf", "nan" and negatives here.
bool ReadSeconds(const std::string& text, double* value) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, *value);
  return ec == std::errc() && ptr == end && !text.empty() && std::isfinite(*value) && *value >= 0;
}

}  // namespace

bool ReadReady(const std::vector<std::string>& fields, ReadyAnswer* ready) {
  return fields.size() == 6 && fields[0] == compare_worker::kAnswerReady &&
         ReadInteger(fields[1], &ready->first) && ReadInteger(fields[2], &ready->last) &&
         ReadInteger(fields[3], &ready->interval) && ready->first <= ready->last &&
         (ready->version_string = fields[4], ready->file_version = fields[5], true);
}

bool ReadRound(const std::vector<std::string>& fields, compare::Round* round) {
  return fields.size() == 6 && fields[0] == compare_worker::kAnswerRound &&
         ReadInteger(fields[1], &round->frames) && ReadSeconds(fields[2], &round->wall_seconds) &&
         ReadSeconds(fields[3], &round->cpu_seconds) &&
         ReadInteger(fields[4], &round->peak_memory_bytes) && ReadInteger(fields[5], &round->threads) &&
         round->threads >= 0;
}

bool ReadStage(const std::vector<std::string>& fields, compare::StageFigures* stage) {
  return fields.size() == 5 && fields[0] == compare_worker::kAnswerStage &&
         ReadInteger(fields[2], &stage->calls) && ReadSeconds(fields[3], &stage->self_seconds) &&
         ReadSeconds(fields[4], &stage->inclusive_seconds) && (stage->name = fields[1], true);
}

std::string UnexpectedAnswer(const std::vector<std::string>& fields) {
  constexpr size_t kShown = 200;
  std::string line = compare_worker::JoinFields(fields);
  line.pop_back();
  if (line.size() > kShown) line = line.substr(0, kShown) + "...";
  return "the worker answered something unexpected: " + line;
}

}  // namespace compare_app

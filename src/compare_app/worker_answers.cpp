#include "compare_app/worker_answers.h"

#include "compare_worker/worker_protocol.h"

namespace compare_app {

using compare_worker::ParseNumberField;
using compare_worker::ParseSecondsField;

bool ReadReady(const std::vector<std::string>& fields, ReadyAnswer* ready) {
  return fields.size() == 6 && fields[0] == compare_worker::kAnswerReady &&
         ParseNumberField(fields[1], &ready->first) && ParseNumberField(fields[2], &ready->last) &&
         ParseNumberField(fields[3], &ready->interval) && ready->first <= ready->last &&
         (ready->version_string = fields[4], ready->file_version = fields[5], true);
}

bool ReadRound(const std::vector<std::string>& fields, compare::Round* round) {
  return fields.size() == 6 && fields[0] == compare_worker::kAnswerRound &&
         ParseNumberField(fields[1], &round->frames) &&
         ParseSecondsField(fields[2], &round->wall_seconds) &&
         ParseSecondsField(fields[3], &round->cpu_seconds) &&
         ParseNumberField(fields[4], &round->peak_memory_bytes) &&
         ParseNumberField(fields[5], &round->threads) && round->threads >= 0;
}

bool ReadStage(const std::vector<std::string>& fields, compare::StageFigures* stage) {
  return fields.size() == 5 && fields[0] == compare_worker::kAnswerStage &&
         ParseNumberField(fields[2], &stage->calls) &&
         ParseSecondsField(fields[3], &stage->self_seconds) &&
         ParseSecondsField(fields[4], &stage->inclusive_seconds) && (stage->name = fields[1], true);
}

std::string UnexpectedAnswer(const std::vector<std::string>& fields) {
  constexpr size_t kShown = 200;
  std::string line = compare_worker::JoinFields(fields);
  line.pop_back();
  if (line.size() > kShown) line = line.substr(0, kShown) + "...";
  return "the worker answered something unexpected: " + line;
}

}  // namespace compare_app

#include "sensor_refresher.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>

#include "measure/gpuz_layout.h"

namespace gpu_publisher {
namespace {

// Answers with the readings queued, in order; an empty figure is a failed one.
class ScriptedSource : public GpuSource {
 public:
  std::deque<Readings> answers;
  bool Read(Readings* readings, std::string* error) override {
    *readings = answers.front();
    answers.pop_front();
    const bool good = (*readings)[Sensor::kGpuLoad].has_value();
    if (!good) *error = "no load";
    return good;
  }
};

Readings Load(std::optional<double> load, double memory) {
  Readings r;
  r[Sensor::kGpuLoad] = load;
  r[Sensor::kMemoryUsed] = memory;
  return r;
}

double ValueInSlot(const std::vector<unsigned char>& section, size_t slot) {
  return measure::gpuz::ReadUnalignedDouble(measure::gpuz::SensorAt(section.data(), section.size(), slot) + measure::gpuz::kSensorValueOffset);
}

TEST(SensorRefresher, KeepsTheLastGoodFigureAndGivesUpAfterFiveSeconds) {
  std::vector<unsigned char> section(measure::gpuz::kSectionSize);
  SectionWriter writer(section.data(), section.size());
  ScriptedSource source;
  SensorRefresher refresher(&source, &writer, Load(40, 100), 1000);
  ASSERT_EQ(writer.SensorCount(), 2u) << "only the figures the card has";

  struct Step { uint32_t at_ms; Readings answer; RefreshResult result; double load, memory; };
  for (const Step& step : std::vector<Step>{{1250, Load(50, 200), RefreshResult::kGood, 50, 200},
                                            {1500, Load(std::nullopt, 300), RefreshResult::kFailed, 50, 300},
                                            {6249, Load(std::nullopt, 400), RefreshResult::kFailed, 50, 400},
                                            {6250, Load(std::nullopt, 500), RefreshResult::kGaveUp, 50, 500}}) {
    SCOPED_TRACE(step.at_ms);
    source.answers.push_back(step.answer);
    EXPECT_EQ(refresher.Refresh(step.at_ms), step.result);
    EXPECT_EQ(ValueInSlot(section, SectionWriter::SlotOf(0)), step.load);
    EXPECT_EQ(ValueInSlot(section, SectionWriter::SlotOf(1)), step.memory);
  }
  EXPECT_EQ(refresher.failures(), 3u);

  // A good reading starts the five seconds again, across a wrap of the tick.
  SensorRefresher wrapping(&source, &writer, Load(1, 1), 0xFFFFF000u);
  source.answers = {Load(2, 2), Load(std::nullopt, 1)};
  EXPECT_EQ(wrapping.Refresh(500), RefreshResult::kGood);
  EXPECT_EQ(wrapping.Refresh(5499), RefreshResult::kFailed);
}

}  // namespace
}  // namespace gpu_publisher

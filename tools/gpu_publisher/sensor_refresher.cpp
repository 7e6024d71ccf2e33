#include "sensor_refresher.h"

namespace gpu_publisher {

SensorRefresher::SensorRefresher(GpuSource* source, SectionWriter* writer, const Readings& first,
                                 uint32_t now_ms)
    : source_(source), writer_(writer), last_good_ms_(now_ms) {
  for (size_t i = 0; i < kSensorKinds; ++i) {
    const Sensor sensor = static_cast<Sensor>(i);
    if (!first[sensor]) continue;
    if (!writer_->AddSensor(SensorName(sensor), *first[sensor])) break;
    published_.emplace_back(sensor, writer_->SensorCount() - 1);
  }
}

RefreshResult SensorRefresher::Refresh(uint32_t now_ms) {
  Readings readings;
  std::string error;
  const bool good = source_->Read(&readings, &error);
  writer_->BeginUpdate();
  for (const auto& [sensor, index] : published_) {
    if (readings[sensor]) writer_->StoreValue(index, *readings[sensor]);
  }
  writer_->EndUpdate(now_ms);
  if (good) {
    last_good_ms_ = now_ms;
    in_a_row_ = 0;
    return RefreshResult::kGood;
  }
  ++failures_;
  ++in_a_row_;
  last_error_ = error;
  // Unsigned difference: the tick may wrap.
  return now_ms - last_good_ms_ >= kGiveUpAfterMs ? RefreshResult::kGaveUp : RefreshResult::kFailed;
}

}  // namespace gpu_publisher

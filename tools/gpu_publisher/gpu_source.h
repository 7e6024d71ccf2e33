// What a live source of card figures offers the publisher.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace gpu_publisher {

// The sensors Korbinet reads, in the order they are published.
enum class Sensor { kGpuLoad, kVideoEngineLoad, kMemoryUsed, kMemoryDedicated, kMemoryDynamic };
constexpr size_t kSensorKinds = 5;

// The name Korbinet looks for in the sensor table.
const char* SensorName(Sensor sensor);

// One reading: a figure the card does not have, or that failed, is empty.
struct Readings {
  std::array<std::optional<double>, kSensorKinds> values;
  std::optional<double>& operator[](Sensor s) { return values[static_cast<size_t>(s)]; }
  const std::optional<double>& operator[](Sensor s) const { return values[static_cast<size_t>(s)]; }
};

struct Record {
  std::string key;
  std::string value;
};

class GpuSource {
 public:
  virtual ~GpuSource() = default;

  // Reads every figure the card has. False when any of them failed, with the
  // reason in error; the figures read before it are filled in still.
  virtual bool Read(Readings* readings, std::string* error) = 0;

  // The card facts under GPU-Z's record keys, read once when the source opened.
  std::vector<Record> records;
};

// Megabytes as GPU-Z counts them.
inline double BytesToMb(unsigned long long bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

}  // namespace gpu_publisher

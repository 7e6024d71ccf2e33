// Fills GPU-Z's shared section so that a reader, which takes no lock and
// ignores the header, never sees a half-written figure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gpu_source.h"

namespace gpu_publisher {

class SectionWriter {
 public:
  // data must be 8-byte aligned (a mapping is); only what lies wholly inside
  // size bytes is ever written.
  SectionWriter(unsigned char* data, size_t size) : data_(data), size_(size) {}

  // Header (version 1, not busy) and the records, in order. Called before
  // the section is announced: records never change afterwards.
  void WriteHeaderAndRecords(const std::vector<Record>& records);

  // Gives the next sensor its name and first value; false when it does not
  // fit in the section (it is then left out).
  bool AddSensor(const std::string& name, double value);
  size_t SensorCount() const { return sensors_; }

  // Updates sensor index (in AddSensor order) with one store.
  void StoreValue(size_t index, double value);
  // GPU-Z's busy flag and update tick around a round of StoreValue, for
  // readers that heed them.
  void BeginUpdate();
  void EndUpdate(uint32_t tick_ms);
  // Empties every sensor name, so that a reader still holding the section
  // finds no figures rather than stale ones.
  void ClearSensors();

  // Sensors use every other slot: in those the unaligned-looking value field
  // falls on an 8-byte boundary, where one store replaces it whole.
  static size_t SlotOf(size_t index) { return 2 * index; }

 private:
  unsigned char* SensorStart(size_t index) const;

  unsigned char* data_;
  size_t size_;
  size_t sensors_ = 0;
};

}  // namespace gpu_publisher

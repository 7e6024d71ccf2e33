// A pseudo-random generator of our own, so that a seed gives the same
// shuffles and resamples with every compiler and standard library (the
// std:: distributions differ between them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace compare {

// splitmix64: tiny, fast and well mixed; each call advances by a constant.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  // Uniform in [0, n) without modulo bias; n must be at least 1.
  uint64_t Below(uint64_t n);

 private:
  uint64_t state_;
};

// The splitmix64 finaliser alone: a stateless hash for deriving seeds.
uint64_t Mix64(uint64_t value);

// Fisher-Yates, drawing from the back.
void Shuffle(std::vector<size_t>* items, Random* random);

}  // namespace compare

#include "compare/random.h"

#include <utility>

namespace compare {

uint64_t Mix64(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

uint64_t Random::Next() {
  state_ += 0x9e3779b97f4a7c15ULL;
  return Mix64(state_);
}

uint64_t Random::Below(uint64_t n) {
  // Lemire's multiply-and-shift: the high half of value * n is uniform in
  // [0, n) once the low half's few biased values are redrawn; no division
  // on the usual path, which the bootstrap's millions of draws notice.
  unsigned __int128 product = static_cast<unsigned __int128>(Next()) * n;
  uint64_t low = static_cast<uint64_t>(product);
  if (low < n) {
    const uint64_t threshold = (0 - n) % n;
    while (low < threshold) {
      product = static_cast<unsigned __int128>(Next()) * n;
      low = static_cast<uint64_t>(product);
    }
  }
  return static_cast<uint64_t>(product >> 64);
}

void Shuffle(std::vector<size_t>* items, Random* random) {
  for (size_t i = items->size(); i > 1; --i) {
    std::swap((*items)[i - 1], (*items)[random->Below(i)]);
  }
}

}  // namespace compare

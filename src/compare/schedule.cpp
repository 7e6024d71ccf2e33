#include "compare/schedule.h"

#include <numeric>

#include "compare/random.h"

namespace compare {

std::vector<size_t> BlockOrder(size_t variant_count, uint64_t seed, size_t block) {
  std::vector<size_t> order(variant_count);
  std::iota(order.begin(), order.end(), size_t{0});
  // One generator per block, so block b's order does not depend on how many
  // draws the earlier blocks took.
  Random random(Mix64(Mix64(seed) + block));
  Shuffle(&order, &random);
  return order;
}

bool ParseFrameOrder(std::string_view text, FrameOrder* order) {
  if (text == "forward") {
    *order = FrameOrder::kForward;
  } else if (text == "reverse") {
    *order = FrameOrder::kReverse;
  } else if (text == "random") {
    *order = FrameOrder::kRandom;
  } else {
    return false;
  }
  return true;
}

const char* FrameOrderName(FrameOrder order) {
  switch (order) {
    case FrameOrder::kForward: return "forward";
    case FrameOrder::kReverse: return "reverse";
    case FrameOrder::kRandom: return "random";
  }
  return "forward";
}

int64_t FrameAt(FrameOrder order, int64_t first, int64_t last, uint64_t k, uint64_t seed) {
  if (last < first) return first;
  // Unsigned, so that a range spanning the whole int64 cannot overflow.
  const uint64_t count = static_cast<uint64_t>(last) - static_cast<uint64_t>(first) + 1;
  uint64_t offset;
  switch (order) {
    case FrameOrder::kReverse:
      offset = count == 0 ? ~k : count - 1 - k % count;
      break;
    case FrameOrder::kRandom: {
      Random random(Mix64(seed) ^ k);
      offset = count == 0 ? random.Next() : random.Below(count);
      break;
    }
    default:
      offset = count == 0 ? k : k % count;
      break;
  }
  return static_cast<int64_t>(static_cast<uint64_t>(first) + offset);
}

}  // namespace compare

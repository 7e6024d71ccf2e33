// Which variant measures when, and which frame a worker asks for next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace compare {

// The order of the variants' rounds in one block: a shuffle of 0..count-1
// that depends only on the seed and the block number, so a rerun with the
// same seed measures in the same order. Shuffling each block keeps a drift
// in the machine's load from falling on one variant.
std::vector<size_t> BlockOrder(size_t variant_count, uint64_t seed, size_t block);

enum class FrameOrder { kForward, kReverse, kRandom };

// "forward", "reverse", "random"; false for anything else.
bool ParseFrameOrder(std::string_view text, FrameOrder* order);
const char* FrameOrderName(FrameOrder order);

// The k-th frame (k from 0) a worker requests in [first, last], wrapping at
// the range's end. Random order draws each frame independently (a frame may
// repeat before another is seen); k alone decides it, so a worker needs no
// state beyond its count to continue where its last round stopped.
int64_t FrameAt(FrameOrder order, int64_t first, int64_t last, uint64_t k, uint64_t seed);

}  // namespace compare

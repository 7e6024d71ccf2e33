// The one run of frame requests both loops make between two clock readings:
// korbinet's frame loop and korbinet-compare's rounds.
#pragma once

#include <cstdint>

#include "fault/structured_exception.h"

namespace bench {

// Requests source(frame_number(i)) for i = first, first + 1, ..., end - 1
// (at least one), guarded so that a processor fault arrives as
// StructuredException. The source and frame_number are copied into locals:
// across the opaque request they stay in registers, where the caller's
// objects would be read again for every frame, so a frame costs the request
// and the number alone. The source must therefore be a handle (pointers), not
// hold state of its own. On any exception *reached is the i that failed, and
// the exception leaves at once.
template <class FrameSource, class FrameNumber, class Index>
void RequestFrames(const FrameSource& source, const FrameNumber& frame_number, Index first, Index end,
                   Index* reached) {
  fault::CallTranslated([&source, &frame_number, first, end, reached] {
    FrameSource local = source;
    FrameNumber number = frame_number;
    Index i = first;
    try {
      do {
        local(static_cast<uint32_t>(number(i)));
      } while (++i != end);
    } catch (...) {
      *reached = i;
      throw;
    }
  });
}

}  // namespace bench

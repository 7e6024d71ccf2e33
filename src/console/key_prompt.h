// The key waits of the console (exit pause, yes/no prompt) over a replaceable
// key source, so that they can be driven without a keyboard.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/console.h"

namespace console {

struct KeySource {
  std::function<void(uint32_t)> sleep;
  std::function<bool()> hit;
  std::function<int()> read;
};

// The keyboard and the platform's sleep.
KeySource ConsoleKeySource(platform::Keyboard& keyboard);

// The body of AskYesNo; the caller sets the keyboard mode.
bool AskYesNoWith(uint32_t poll_ms, const KeySource& keys);

}  // namespace console

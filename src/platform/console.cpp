// The nesting of Keyboard::Modes, the same for every back-end: only the
// outermost changes the terminal, and only the one that changed it restores.
#include "platform/console.h"

namespace platform {

Keyboard::Mode::Mode(Keyboard& keyboard) : keyboard_(keyboard) {
  if (keyboard_.mode_depth_++ == 0) keyboard_.mode_set_ = SetKeyByKeyMode();
}

Keyboard::Mode::~Mode() {
  if (--keyboard_.mode_depth_ > 0 || !keyboard_.mode_set_) return;
  keyboard_.mode_set_ = false;
  RestoreKeyMode();
}

}  // namespace platform

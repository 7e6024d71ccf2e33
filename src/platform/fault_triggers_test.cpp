// Faulting code for the fault guard tests, in its own unit and built with the ordinary flags, as a plugin would be.
#include <string>

#include "platform/compiler.h"

namespace platform::posix::testing {

// Sanitizer checks would stop these faults before the processor raises them; the short strings are
// destructors the jump skips, owning no heap.
KORBINET_NO_UBSAN int WriteThroughNull(volatile int* target) {
  std::string in_scope(8, 'x');
  *target = 1;
  return static_cast<int>(in_scope.size());
}

KORBINET_NO_UBSAN int DivideIntegers(int numerator, int denominator) {
  volatile int top = numerator, bottom = denominator;
  std::string in_scope(8, 'y');
  return top / bottom + static_cast<int>(in_scope.size());
}

KORBINET_NO_UBSAN double DivideDoubles(double numerator, double denominator) {
  volatile double top = numerator, bottom = denominator;
  return top / bottom;
}

volatile int never_reached_depth = -1;  // hides that the recursion is endless

int RecurseForever(int depth) {
  if (depth == never_reached_depth) return 0;
  volatile char frame[512];
  frame[depth % sizeof frame] = static_cast<char>(depth);
  return RecurseForever(depth + 1) + frame[(depth + 1) % sizeof frame];  // use after the call: no loop
}

}  // namespace platform::posix::testing

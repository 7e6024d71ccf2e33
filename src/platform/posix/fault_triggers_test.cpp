// Faulting code for the fault guard tests, in its own translation unit and
// built with the ordinary flags, as a plugin would be.
#include <string>

namespace platform::posix::testing {

// Sanitizer checks would stop these faults before the processor raises them.
__attribute__((no_sanitize("undefined"))) int WriteThroughNull(volatile int* target) {
  std::string in_scope(8, 'x');  // a destructor the jump skips (short: no heap)
  *target = 1;
  return static_cast<int>(in_scope.size());
}

__attribute__((no_sanitize("undefined"))) int DivideIntegers(int numerator, int denominator) {
  volatile int top = numerator, bottom = denominator;
  std::string in_scope(8, 'y');
  return top / bottom + static_cast<int>(in_scope.size());
}

__attribute__((no_sanitize("undefined"))) double DivideDoubles(double numerator, double denominator) {
  volatile double top = numerator, bottom = denominator;
  return top / bottom;
}

// Out of the compiler's sight, so that the recursion is not seen as endless.
volatile int never_reached_depth = -1;

int RecurseForever(int depth) {
  if (depth == never_reached_depth) return 0;
  volatile char frame[512];
  frame[depth % sizeof frame] = static_cast<char>(depth);
  // The use after the call keeps the compiler from turning this into a loop.
  return RecurseForever(depth + 1) + frame[(depth + 1) % sizeof frame];
}

void ExecuteIllegalInstruction() { __builtin_trap(); }

int ReadByte(const volatile char* address) { return *address; }

}  // namespace platform::posix::testing

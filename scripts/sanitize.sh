#!/usr/bin/env bash
# Builds everything, the bundled frame server included, with AddressSanitizer
# and UndefinedBehaviorSanitizer (GCC) in build-asan and runs the whole test
# suite there. Any sanitizer report, leaks included, ends the reporting
# process with a failure, so the test that ran it fails.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KORBINET_ASAN_BUILD:-build-asan}
jobs=${KORBINET_JOBS:-2}

cmake -S . -B "$build" -G Ninja -DKORBINET_SANITIZE=ON -DKORBINET_TESTS=ON \
  -DKORBINET_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$jobs"

# The fault-guard tests and the frame server's Fault() raise real SIGSEGV,
# SIGFPE and stack overflows that the program turns into exceptions with its
# own handlers and alternate stack; ASan must leave those signals alone or it
# would report the deliberate faults and stop. Everything else is reported and
# fatal. exitcode makes a leak or an error exit distinctly.
asan=halt_on_error=1:abort_on_error=0:exitcode=86:print_stacktrace=1:handle_segv=0:handle_sigfpe=0:handle_sigbus=0:handle_sigill=0:use_sigaltstack=0:detect_stack_use_after_return=0:strict_string_checks=1:check_initialization_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:exitcode=87
export LSAN_OPTIONS=exitcode=86

# Valgrind cannot run a program built with ASan; that check belongs to the
# ordinary build only. Nothing else is left out.
status=0
ASAN_OPTIONS=$asan:detect_leaks=1 \
  ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$jobs" --timeout 300 -LE e2e -E 'UnderValgrind' ||
  status=1

# The end-to-end runs make the program meet faults inside the library on
# purpose: a fault jumps past the library's destructors, and after any error
# the program keeps the environment (and its threads) alive to the end rather
# than unloading code from under it. Leak checking cannot tell those from real
# leaks, so these runs check addresses and undefined behaviour only; the unit
# tests above cover the library cycles with leak checking on.
ASAN_OPTIONS=$asan:detect_leaks=0 \
  ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$jobs" --timeout 300 -L e2e || status=1
exit $status

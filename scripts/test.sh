#!/usr/bin/env bash
# Builds everything and runs every test: the unit and end-to-end tests, the
# same suite again under AddressSanitizer and UndefinedBehaviorSanitizer, and
# each fuzz target for a short, fixed time. Exits non-zero if any part fails.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh test || exit 1
export KORBINET_JOBS=${KORBINET_JOBS:-$(nproc)}

failed=()
stage() {
  local name=$1
  shift
  echo "==== $name"
  local start=$SECONDS
  if "$@"; then
    echo "==== $name: passed ($((SECONDS - start)) s)"
  else
    echo "==== $name: FAILED ($((SECONDS - start)) s)"
    failed+=("$name")
  fi
}

tests() {
  cmake -S . -B build -G Ninja >/dev/null &&
    cmake --build build -j "$KORBINET_JOBS" &&
    ctest --test-dir build --output-on-failure -j "$KORBINET_JOBS" --timeout 300
}

stage "tests" tests
stage "sanitizers" scripts/sanitize.sh
stage "fuzzing" scripts/fuzz.sh 20

if ((${#failed[@]})); then
  echo "failed: ${failed[*]}"
  exit 1
fi
echo "all test stages passed"

#!/usr/bin/env bash
# Builds everything and runs every test: the README's benchmark command on each
# example, the unit and end-to-end tests, the same suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer, the Debian package (built,
# checked by lintian and run unpacked), each fuzz target for a
# short, fixed time, and the Windows build's tests under Wine. A stage that
# ran no test fails. Exits non-zero if any part fails.
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

# Unattended, as CI runs it: no terminal, no input. Each run must reach its
# summary (or, with -info, its clip lines) and end with status 0.
examples() {
  local failures=0 script
  # check NAME EXPECT COMMAND...: COMMAND ends with status 0 and prints EXPECT.
  check() {
    local name=$1 expect=$2 out status
    shift 2
    out=$("$@" </dev/null 2>&1)
    status=$?
    if [ $status -eq 0 ] && grep -qF "$expect" <<<"$out"; then
      echo "$name: ok"
    else
      echo "$name: status $status, no \"$expect\" in:"
      tr '\r' '\n' <<<"$out" | tail -20
      failures=$((failures + 1))
    fi
  }
  for script in examples/*.avs; do
    check "$script (bench)" "Frames processed:" scripts/bench.sh "$script"
  done
  check "examples/fields_audio.avs (info)" "Framerate:                      25.000 (25/1, TFF)" \
    build/bin/korbinet examples/fields_audio.avs -info
  ((failures == 0))
}

# Configured explicitly: build/ may hold the benchmark command's settings.
tests() {
  cmake -S . -B build -G Ninja -DKORBINET_TESTS=ON -DKORBINET_BENCHMARKS=ON >/dev/null &&
    cmake --build build -j "$KORBINET_JOBS" &&
    ctest --test-dir build --output-on-failure --no-tests=error -j "$KORBINET_JOBS" --timeout 300
}

stage "examples" examples
stage "tests" tests
stage "package" tests/package/package_test.sh
stage "sanitizers" scripts/sanitize.sh
stage "fuzzing" scripts/fuzz.sh 20
stage "windows" scripts/test-windows.sh

if ((${#failed[@]})); then
  echo "failed: ${failed[*]}"
  exit 1
fi
echo "all test stages passed"

#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each for a
# fixed time on a copy of its seed corpus (the repository is never written).
# Exits non-zero when any target finds a crash, leak, timeout or sanitizer
# report; the reproducer is kept and its path printed.
#
#   scripts/fuzz.sh [seconds per target]     (default 20)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-20}
build=${KORBINET_FUZZ_BUILD:-$root/build-fuzz}
jobs=${KORBINET_JOBS:-2}

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DKORBINET_FUZZ=ON \
  -DKORBINET_TESTS=ON -DKORBINET_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzz_targets -j "$jobs"

# Scratch files the targets write, and the working corpus, live in memory.
work=$(mktemp -d /dev/shm/korbinet-fuzz.XXXXXX)
findings=$build/findings
trap 'rm -rf "$work"' EXIT
export KORBINET_FUZZ_SCRATCH=$work
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:print_stacktrace=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

# Every target with its longest input. The GPU target reads a section of
# 200 KB; its compact form needs far less.
declare -A max_len=([settings]=4096 [command_line]=1024 [elf_reader]=8192
                    [gpu_info]=16384 [report_files]=8192 [compare_file]=16384)
mapfile -t targets < <(printf '%s\n' "${!max_len[@]}" | sort)

failed=()
for target in "${targets[@]}"; do
  corpus=$work/corpus-$target
  artifacts=$work/artifacts-$target
  mkdir -p "$corpus" "$artifacts"
  cp tests/fuzz/corpus/"$target"/* "$corpus"/
  echo "== fuzzing $target for ${seconds}s"
  if ! "$build"/fuzz/"$target"_fuzz "$corpus" -max_total_time="$seconds" \
      -max_len="${max_len[$target]}" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$artifacts"/ -print_final_stats=1 >"$work/$target.log" 2>&1; then
    failed+=("$target")
    mkdir -p "$findings/$target"
    cp "$artifacts"/* "$findings/$target"/ 2>/dev/null || true
    cp "$work/$target.log" "$findings/$target"/
    grep -E "ERROR|SUMMARY|Test unit written" "$work/$target.log" || tail -20 "$work/$target.log"
    echo "-- reproducers and log: $findings/$target"
  fi
  grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb" "$work/$target.log" || true
  # A target that never started, or ran nothing, found nothing either.
  units=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
  if [ "${units:-0}" -eq 0 ] && [[ ! " ${failed[*]} " =~ " $target " ]]; then
    echo "-- $target ran no input"
    failed+=("$target")
  fi
done

if ((${#failed[@]})); then
  echo "fuzzing found faults in: ${failed[*]}" >&2
  exit 1
fi
echo "fuzzing: no findings"

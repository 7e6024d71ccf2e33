#!/usr/bin/env bash
# Builds Korbinet with the bundled frame server and benchmarks an example.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh build
cmake -S . -B build -G Ninja -DKORBINET_TESTS=OFF -DKORBINET_BENCHMARKS=OFF >/dev/null
cmake --build build --target korbinet frameserver >/dev/null
# A settings file that does not pause, so the demo also runs unattended.
exec build/bin/korbinet "${1:-examples/quick.avs}" -log -csv

#!/usr/bin/env bash
# Cross-builds the Windows x64 parts into build-win64/ with MinGW-w64 (posix
# thread model), installing what is missing on Debian 12. Wine is installed
# too, for scripts/test-windows.sh. Usage: build-windows.sh [cmake options]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-win64"

want=(g++-mingw-w64-x86-64-posix wine wine64 zip googletest cmake ninja-build)
missing=()
for pkg in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  # Status 3 tells the test stage that the tools cannot be had here.
  if ! { $sudo apt-get update -qq && $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; }; then
    echo "Cannot install: ${missing[*]}" >&2
    exit 3
  fi
fi

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$build" -j "${KORBINET_JOBS:-2}"

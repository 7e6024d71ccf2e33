#!/usr/bin/env bash
# Installs what building and testing Korbinet needs on Debian 12, skipping
# what is already there. Usage: setup-debian.sh [build|test|package|windows]
#   build    the programs and the frame server
#   test     also the tests, sanitizers, fuzzing and the package's checks
#   package  also the Debian package's tools (scripts/package-deb.sh)
#   windows  also MinGW-w64, Wine and a virtual display (scripts/build-windows.sh)
set -euo pipefail

want=(g++ cmake ninja-build pkg-config)
case "${1:-build}" in
  build) ;;
  test)
    want+=(libgtest-dev libgmock-dev libbenchmark-dev libvterm-dev valgrind clang libclang-rt-14-dev python3 groff-base lintian dpkg-dev)
    ;;
  package) want+=(dpkg-dev) ;;
  # xvfb: the GPU test's publisher needs a display for its window.
  windows) want+=(g++-mingw-w64-x86-64-posix wine wine64 zip googletest xvfb xauth) ;;
  *)
    echo "usage: setup-debian.sh [build|test|package|windows]" >&2
    exit 2
    ;;
esac

missing=()
for pkg in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
export DEBIAN_FRONTEND=noninteractive
if ! { $sudo apt-get update -qq && $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; }; then
  echo "Cannot install: ${missing[*]}" >&2
  exit 1
fi

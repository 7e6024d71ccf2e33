#!/usr/bin/env bash
# Installs what building and testing Korbinet needs on Debian 12, skipping
# what is already there. Usage: setup-debian.sh [build|test]
set -euo pipefail

want=(g++ cmake ninja-build pkg-config)
if [ "${1:-build}" = test ]; then
  want+=(libgtest-dev libgmock-dev libbenchmark-dev libvterm-dev valgrind clang libclang-rt-14-dev python3 groff-base lintian dpkg-dev)
fi

missing=()
for pkg in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

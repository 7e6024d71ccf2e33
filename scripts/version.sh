#!/usr/bin/env bash
# Prints the version the programs report (MAJOR.MINOR.PATCH), read from the
# project's one declaration of it in CMakeLists.txt. Usage: version.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^project(Korbinet VERSION \([0-9]*\.[0-9]*\.[0-9]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "version.sh: no version in $root/CMakeLists.txt" >&2; exit 1; }
echo "$version"

#!/usr/bin/env bash
# Cross-builds the Windows x64 parts into build-win64/ with MinGW-w64 (posix
# thread model), installing what is missing on Debian 12. Wine is installed
# too, for scripts/test-windows.sh. Usage: build-windows.sh [cmake options]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-win64"
name=korbinet-$("$root/scripts/version.sh")-win64

# Status 3 tells the test stage that the tools cannot be had here.
"$root/scripts/setup-debian.sh" windows || exit 3

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$build" -j "${KORBINET_JOBS:-2}"

# The package for users. The frame server goes in a subfolder: an
# AviSynth.dll beside korbinet.exe would shadow the user's AviSynth+, since
# Windows searches the program's folder first.
package="$build/package/$name"
rm -rf "$build/package" "$build/$name.zip"
mkdir -p "$package/examples" "$package/frameserver"
cp "$build/bin/korbinet.exe" "$build/bin/korbinet-compare.exe" "$package/"
cp "$root/docs/Korbinet.html" "$package/"
cp "$root"/examples/*.avs "$package/examples/"
cp "$build/frameserver/standard/AviSynth.dll" "$package/frameserver/"
# The default settings file, exactly as the program writes it.
prefix=$(mktemp -d "${TMPDIR:-/tmp}/korbinet-wine.XXXXXX")
WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES=winedbg.exe=d \
  wine "$build/bin/write-default-ini.exe" "Z:${package//\//\\}\\Korbinet.ini" </dev/null >/dev/null 2>&1 || true
WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
rm -rf "$prefix"
[ -f "$package/Korbinet.ini" ] || { echo "Korbinet.ini was not written" >&2; exit 1; }
(cd "$build/package" && zip -qr "$build/$name.zip" "$name")
echo "Package: $build/$name.zip"

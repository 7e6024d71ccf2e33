#!/usr/bin/env bash
# Builds the Debian package build/korbinet_VERSION_amd64.deb: a Release build
# of the programs in build-deb/, staged into a root folder and packed with
# dpkg-deb, its dependencies computed from the binaries. Usage: package-deb.sh
set -euo pipefail
umask 022

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-deb"
stage="$build/stage"
version=$("$root/scripts/version.sh")
deb="$root/build/korbinet_${version}_amd64.deb"

"$root/scripts/setup-debian.sh" package

# Debian's hardening flags, as a package build would use them, given on the
# command line: the cache of an earlier configure would keep old ones from the
# environment. The programs keep their settings per user: /usr/bin is no
# place for them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORBINET_TESTS=OFF \
  -DKORBINET_BENCHMARKS=OFF -DKORBINET_SETTINGS_PER_USER=ON \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" \
  -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j "${KORBINET_JOBS:-2}" --target korbinet korbinet-report korbinet-compare gpu-publisher \
  frameserver_standard

rm -rf "$stage"
doc="$stage/usr/share/doc/korbinet"
mkdir -p "$stage/DEBIAN" "$stage/usr/bin" "$stage/usr/lib/korbinet/frameserver" "$doc/examples" \
  "$stage/usr/share/man/man1" "$stage/usr/share/bash-completion/completions"
strip_into() {  # FILE TARGET MODE
  install -m "$3" "$1" "$2"
  strip --strip-unneeded --remove-section=.comment --remove-section=.note "$2"
}
for program in korbinet korbinet-report korbinet-compare gpu-publisher; do
  strip_into "$build/bin/$program" "$stage/usr/bin/$program" 755
  install -m 644 "$root/docs/completion/$program" "$stage/usr/share/bash-completion/completions/$program"
  gzip -9n <"$root/docs/man/$program.1" >"$stage/usr/share/man/man1/$program.1.gz"
done
# A private folder outside the loader's search: the reference frame server
# must never be taken for the user's AviSynth+. AVSDLL reaches it.
strip_into "$(readlink -f "$build/bin/libavisynth.so")" "$stage/usr/lib/korbinet/frameserver/libavisynth.so" 644
install -m 644 "$root/docs/Korbinet.html" "$root/docs/report-example.html" "$doc/"
install -m 644 "$root"/examples/*.avs "$doc/examples/"
install -m 644 "$root/scripts/debian/copyright" "$doc/copyright"
gzip -9n <"$root/scripts/debian/changelog" >"$doc/changelog.gz"

# dpkg-shlibdeps reads a source package's control file; a minimal one will do.
shlibs=$(mktemp -d)
trap 'rm -rf "$shlibs"' EXIT
mkdir "$shlibs/debian"
printf 'Source: korbinet\n\nPackage: korbinet\nArchitecture: amd64\n' >"$shlibs/debian/control"
depends=$(cd "$shlibs" && dpkg-shlibdeps -O "$stage/usr/bin/korbinet" "$stage/usr/bin/korbinet-report" \
  "$stage/usr/bin/korbinet-compare" "$stage/usr/bin/gpu-publisher" "$stage/usr/lib/korbinet/frameserver/libavisynth.so" | sed -n 's/^shlibs:Depends=//p')

size=$(du -sk --exclude=DEBIAN "$stage" | cut -f1)
sed -e "s/@VERSION@/$version/" -e "s/@DEPENDS@/$depends/" -e "s/@SIZE@/$size/" \
  "$root/scripts/debian/control.in" >"$stage/DEBIAN/control"
(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum >DEBIAN/md5sums)
chmod 644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

mkdir -p "$(dirname "$deb")"
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "Package: $deb"

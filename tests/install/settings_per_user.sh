#!/bin/sh
# Installs into a temporary prefix and runs the program as a user who cannot
# write its folder: the per-user settings file is created with the default
# content and read on the next run; with a writable folder the file beside
# the program is used. Usage: settings_per_user.sh BUILD_DIR FRAME_SERVER
set -eu
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
fail() { echo "FAIL: $*"; exit 1; }
cmake --install "$1" --prefix "$tmp/prefix" >/dev/null
bin=$tmp/prefix/bin
install -m 755 "$2" "$tmp/libavisynth.so"
printf 'BlankClip(length=100, width=16, height=16, pixel_type="Y8")\n' >"$tmp/clip.avs"
mkdir "$tmp/home" "$tmp/home2"

# As root, the runs drop to an unprivileged user; otherwise chmod is enough.
as_user() { "$@"; }
if [ "$(id -u)" = 0 ]; then
  command -v setpriv >/dev/null || { echo "SKIP: running as root and setpriv is missing"; exit 77; }
  chown 65534 "$tmp/home" "$tmp/home2"
  as_user() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
fi
run() {  # HOME, then arguments
  home=$1; shift
  (cd "$tmp" && as_user env -u XDG_CONFIG_HOME HOME="$home" "$bin/korbinet" "$@" </dev/null)
}

chmod 555 "$bin"
user_ini=$tmp/home/.config/korbinet/Korbinet.ini
run "$tmp/home" >/dev/null 2>&1 || true
cmp -s "$user_ini" "$bin/Korbinet.ini" || fail "no per-user settings file with the default content"

# A changed setting takes effect: the library named in the file is used.
sed -i "s|^AVSDLL=.*|AVSDLL=$tmp/libavisynth.so|; s|^AllowOnlyOneInstance=.*|AllowOnlyOneInstance=0|" "$user_ini"
out=$(run "$tmp/home" -info clip.avs 2>&1) || fail "run with the per-user file: status $?: $out"
echo "$out" | grep -q "Reference Frame Server" || fail "library from the per-user file not used: $out"
cmp -s "$user_ini" "$bin/Korbinet.ini" && fail "per-user file was replaced"

# A writable folder: the file beside the program, as before.
chmod 755 "$bin"
[ "$(id -u)" = 0 ] && chown 65534 "$bin"
rm -f "$bin/Korbinet.ini"
run "$tmp/home2" >/dev/null 2>&1 || true
[ -f "$bin/Korbinet.ini" ] || fail "no settings file beside the program"
[ -e "$tmp/home2/.config" ] && fail "per-user folder made although the program's folder is writable"
echo "PASS"

#!/usr/bin/env bash
# Builds the Debian package, checks its file list and lintian's verdict, then
# unpacks it and runs every program from there as a user who may write
# nowhere in it: the settings file must be per user and the bundled frame
# server reachable through AVSDLL. Usage: package_test.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
deb=$root/build/korbinet_2.1.6_amd64.deb
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
failures=0 checks=0
check() {  # WHAT, then a command that must succeed
  local what=$1
  shift
  checks=$((checks + 1))
  "$@" || { echo "FAIL: $what"; failures=$((failures + 1)); }
}

"$root/scripts/package-deb.sh" >"$tmp/build.log" 2>&1 || { tail -30 "$tmp/build.log"; echo "FAIL: package-deb.sh"; exit 1; }

# Nothing more and nothing less: a stray file would be installed on every machine.
expected="./usr/bin/gpu-publisher
./usr/bin/korbinet
./usr/bin/korbinet-compare
./usr/bin/korbinet-report
./usr/lib/korbinet/frameserver/libavisynth.so
./usr/share/bash-completion/completions/gpu-publisher
./usr/share/bash-completion/completions/korbinet
./usr/share/bash-completion/completions/korbinet-compare
./usr/share/bash-completion/completions/korbinet-report
./usr/share/doc/korbinet/Korbinet.html
./usr/share/doc/korbinet/changelog.gz
./usr/share/doc/korbinet/copyright
./usr/share/doc/korbinet/examples/cpu_bound.avs
./usr/share/doc/korbinet/examples/fields_audio.avs
./usr/share/doc/korbinet/examples/prefetch.avs
./usr/share/doc/korbinet/examples/quick.avs
./usr/share/doc/korbinet/report-example.html
./usr/share/man/man1/gpu-publisher.1.gz
./usr/share/man/man1/korbinet-compare.1.gz
./usr/share/man/man1/korbinet-report.1.gz
./usr/share/man/man1/korbinet.1.gz"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
check "file list:
$(diff <(echo "$expected") <(echo "$files"))" [ "$files" = "$expected" ]
check "Depends computed from the binaries" grep -q '^Depends: libc6 (>= ' <(dpkg-deb -f "$deb")

if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$deb" >"$tmp/lintian" 2>&1
  sed '/running with root privileges/d' "$tmp/lintian"
  check "lintian reports an error" test -z "$(grep '^E:' "$tmp/lintian")"
else
  check "lintian is not installed (scripts/setup-debian.sh test installs it)" false
fi

unpacked=$tmp/root
dpkg-deb -x "$deb" "$unpacked"
bin=$unpacked/usr/bin
mkdir "$tmp/home" "$tmp/work"
cp "$unpacked/usr/share/doc/korbinet/examples/quick.avs" "$tmp/work/"
as_user() { "$@"; }
if [ "$(id -u)" = 0 ]; then
  chown -R 65534:65534 "$tmp/home" "$tmp/work"
  as_user() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
fi
run() {  # PROGRAM ARG...: in the work folder, as the user, output in $out
  local program=$1
  shift
  out=$(cd "$tmp/work" && as_user env -u XDG_CONFIG_HOME HOME="$tmp/home" "$bin/$program" "$@" </dev/null 2>&1)
}

for program in korbinet korbinet-report korbinet-compare gpu-publisher; do
  run "$program" --version
  check "$program --version: $out" [ $? = 0 ]
done
# The first run makes the user's settings file; AVSDLL then names the bundled frame server.
run korbinet
ini=$tmp/home/.config/korbinet/Korbinet.ini
check "no per-user settings file: $out" [ -f "$ini" ]
sed -i "s|^AVSDLL=.*|AVSDLL=$unpacked/usr/lib/korbinet/frameserver/libavisynth.so|; s|^AllowOnlyOneInstance=.*|AllowOnlyOneInstance=0|" "$ini"
run korbinet quick.avs -log -csv
check "korbinet on an example, status $?: $out" grep -q "Frames processed:" <<<"$out"
check "log and CSV beside the script" [ -s "$tmp/work/quick.log" -a -s "$tmp/work/quick.csv" ]
run korbinet-report quick.csv
check "korbinet-report, status $?: $out" [ "${out##*$'\n'}" = "Report: quick.html" -a -s "$tmp/work/quick.html" ]
# The installed program starts its workers from /usr/bin and finds the library as korbinet does.
run korbinet-compare --rounds 2 --round 0.2 quick.avs quick.avs
status=$? table=$(grep "^#  variant " <<<"$out")
check "korbinet-compare on an example, status $status: $out" [ "$status" = 0 -a -n "$table" ]
run gpu-publisher --record CardName=Test --sensor "GPU Load=1" --seconds 1
check "gpu-publisher, status $?: $out" [ "$out" = "ready" ]
# Not even root leaves a settings file in /usr/bin.
(cd "$tmp" && env -u XDG_CONFIG_HOME HOME="$tmp/root-home" "$bin/korbinet" --help >/dev/null; \
  env -u XDG_CONFIG_HOME HOME="$tmp/root-home" "$bin/korbinet" </dev/null >/dev/null 2>&1)
check "a settings file beside the installed program" [ ! -e "$bin/Korbinet.ini" -a -f "$tmp/root-home/.config/korbinet/Korbinet.ini" ]

((checks > 0)) || { echo "FAIL: no check ran"; exit 1; }
((failures == 0)) || exit 1
echo "PASS: $checks checks"

#!/usr/bin/env bash
# Redraws docs/report-example.html: runs examples/quick.avs and
# examples/prefetch.avs with -log -csv in a scratch folder, then compares
# them with korbinet-report. The logs name the scripts by their full path;
# the scratch folder's part of it is replaced by a neutral one, so the page
# shows no path of the machine that made it.
#   scripts/report-example.sh [BUILD_DIR]   (default: build)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
neutral=/home/user/korbinet

scratch=$(mktemp -d "${TMPDIR:-/tmp}/korbinet-example.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/examples" "$scratch/bin"
# A copy of the program with the bundled frame server beside it and settings
# of its own: default ones, but not held back by another run's instance lock.
cp -P "$build/bin/korbinet" "$build"/bin/libavisynth.so* "$scratch/bin/"
sed 's/^AllowOnlyOneInstance=.*/AllowOnlyOneInstance=0/' "$build/Korbinet.ini" > "$scratch/bin/Korbinet.ini"
for example in quick prefetch; do
  cp "$root/examples/$example.avs" "$scratch/examples/"
  (cd "$scratch" && bin/korbinet "examples/$example.avs" -log -csv </dev/null >/dev/null 2>&1)
  sed -i "s|$scratch|$neutral|g" "$scratch/examples/$example.log"
done
(cd "$scratch" && "$build/bin/korbinet-report" examples/quick.csv examples/prefetch.csv -o page.html >/dev/null)
if grep -qF "$scratch" "$scratch/page.html"; then
  echo "report-example.sh: the page still names $scratch" >&2
  exit 1
fi
cp "$scratch/page.html" "$root/docs/report-example.html"
echo "Wrote docs/report-example.html"

#!/usr/bin/env bash
# Each manual page formats without a warning, and it and the manual (the
# HTML one, shipped alone) name every switch its program's usage text lists.
# Usage: man_pages.sh BIN_DIR MAN_DIR
set -u
bin=$1 man=$2
manual=$man/../Korbinet.html
failures=0 checked=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
for program in korbinet korbinet-report korbinet-compare gpu-publisher; do
  page=$man/$program.1
  warnings=$(groff -ww -z -man "$page" 2>&1) || fail "$page: groff status $?"
  [ -z "$warnings" ] || fail "$page: $warnings"
  # The OPTIONS section alone (not the synopsis or the examples), in wide
  # lines without hyphenation, so no switch is broken across lines.
  text=$(groff -man -Tascii -rLL=400n -rHY=0 -P-cbou "$page" 2>/dev/null | sed -n '/^OPTIONS$/,/^[A-Z]/p')
  usage=$("$bin/$program" --help </dev/null) || fail "$program --help: status $?"
  # A switch: a dash after a blank or a bracket, up to its '=' or a blank.
  switches=$(grep -oE '(^|[[ ])--?[a-z][a-z-]*=?' <<<"$usage" | sed 's/^[[ ]//' | sort -u)
  [ -n "$switches" ] || fail "$program: no switch found in its usage text"
  for switch in $switches; do
    checked=$((checked + 1))
    grep -qF -e "$switch" <<<"$text" || fail "$page: no $switch"
    grep -qF -e "<code>$switch" "$manual" || fail "$manual: no <code>$switch"
  done
done
((checked > 0)) || fail "no switch checked"
((failures == 0)) || exit 1
echo "PASS: $checked switches"

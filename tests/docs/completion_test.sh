#!/usr/bin/env bash
# Drives each program's bash completion as bash does: COMP_WORDS split at '='
# as COMP_WORDBREAKS splits them, the function called, COMPREPLY compared
# (sorted) together with the options it set. Usage: completion_test.sh DIR
set -u
dir=$1
for program in korbinet korbinet-report korbinet-compare gpu-publisher; do
  source "$dir/$program" || { echo "FAIL: $dir/$program does not load"; exit 1; }
done
options=""
compopt() { options+="$*"; }  # outside of real completion bash refuses it

box=$(mktemp -d)
trap 'rm -rf "$box"' EXIT
cd "$box" || exit 1
mkdir clips runs
touch a.avs B.AVS notes.txt run.csv run.log page.html result.json clips/c.avs lib.so libavisynth.so.3.7.5 out.json table.md

failures=0 cases=0
# FUNCTION EXPECTED-REPLIES EXPECTED-OPTIONS WORD...: the cursor is on the last word.
check() {
  local function=$1 expected=$2 expected_options=$3
  shift 3
  COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMPREPLY=() options=""
  "$function"
  local actual
  actual=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' ')
  cases=$((cases + 1))
  if [[ $actual != "$expected" || $options != "$expected_options" ]]; then
    echo "FAIL: $* -> [$actual] options [$options], expected [$expected] options [$expected_options]"
    failures=$((failures + 1))
  fi
}

# korbinet: switches, '=' without a space, priority values, scripts and folders.
check _korbinet "--help --version -avsinfo -csv -gpu -h -i -info -l -log -priority= -range= -timelimit=" "" korbinet -
check _korbinet "-range=" "-o nospace" korbinet -r
check _korbinet "-timelimit=" "-o nospace" korbinet a.avs -TI -ti
check _korbinet "-info" "" korbinet -inf
check _korbinet "1 2 3" "" korbinet -priority =
check _korbinet "3" "" korbinet -priority = 3
check _korbinet "" "" korbinet -range = 1
check _korbinet "B.AVS a.avs clips runs" "-o filenames" korbinet ""
check _korbinet "clips/c.avs" "-o filenames" korbinet -log clips/

# korbinet-report: CSV and JSON files, pages after -o, nothing after a value's switch.
check _korbinet_report "-- --baseline --help --label --version -h -o" "" korbinet-report -
check _korbinet_report "clips out.json result.json run.csv runs" "-o filenames" korbinet-report ""
check _korbinet_report "clips page.html runs" "-o filenames" korbinet-report run.csv -o ""
check _korbinet_report "" "" korbinet-report run.csv --label ""
check _korbinet_report "" "" korbinet-report run.csv --baseline ""
check _korbinet_report "" "-o filenames" korbinet-report -- -

# korbinet-compare: values as the next word or after '=', library lists, output files by kind.
check _korbinet_compare "--round --rounds" "" korbinet-compare --r
check _korbinet_compare "forward random reverse" "" korbinet-compare a.avs --order ""
check _korbinet_compare "random reverse" "" korbinet-compare --order = r
check _korbinet_compare "clips lib.so libavisynth.so.3.7.5 runs" "-o filenames" korbinet-compare --library ""
check _korbinet_compare "lib.so,lib.so lib.so,libavisynth.so.3.7.5" "-o filenames" korbinet-compare --library = lib.so,li
check _korbinet_compare "clips out.json result.json runs" "-o filenames" korbinet-compare --json ""
check _korbinet_compare "clips runs table.md" "-o filenames" korbinet-compare --markdown = ""
check _korbinet_compare "" "" korbinet-compare --prefetch ""
check _korbinet_compare "B.AVS a.avs clips runs" "-o filenames" korbinet-compare --label x ""
check _korbinet_compare "" "-o filenames" korbinet-compare -- -

# gpu-publisher: options with '=', sources and paths after it.
check _gpu_publisher "--interval=" "-o nospace" gpu-publisher --i
check _gpu_publisher "--source --source=" "" gpu-publisher --so
check _gpu_publisher "amdgpu auto nvidia" "" gpu-publisher --source =
check _gpu_publisher "nvidia" "" gpu-publisher --source = n
check _gpu_publisher "clips runs" "-o filenames" gpu-publisher --sysfs-root = ""
check _gpu_publisher "" "" gpu-publisher --seconds = ""

((cases > 0)) || { echo "FAIL: no case ran"; exit 1; }
((failures == 0)) || exit 1
echo "PASS: $cases cases"

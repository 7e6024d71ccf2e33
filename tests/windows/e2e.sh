#!/usr/bin/env bash
# End-to-end runs of korbinet.exe under Wine, piped (exact texts without CRs, statuses) and
# on a terminal (tmux). Usage: e2e.sh BIN_DIR CASE, in scripts/test-windows.sh's Wine.
set -uo pipefail

bin=$1
case_name=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
box=$(mktemp -d "${TMPDIR:-/tmp}/korbinet-win-e2e.XXXXXX")
tmux_cmd=(tmux -L "korbinet-win-$$" -f /dev/null)
trap '"${tmux_cmd[@]}" kill-server 2>/dev/null; [ -n "${KEEP:-}" ] || rm -rf "$box"' EXIT
failures=0

winpath() { local path=${1//\//\\}; echo "Z:$path"; }
text() { tr -d '\r' <"$1" 2>/dev/null; }
section() { text "$2" | sed -n "/^\[$1\]/,/^\$/p"; }  # NAME FILE: up to the blank line after it
library() {  # FOLDER FILE: the library in the sandbox, dated, for settings to name
  mkdir -p "$box/$1" && cp "$2" "$box/$1/AviSynth.dll" && touch -d "2020-01-02 03:04:05" "$box/$1/AviSynth.dll"
  fs_dll="$(winpath "$box/$1")\\AviSynth.dll"
}
cp "$bin/korbinet.exe" "$box/"
library fs "$bin/../frameserver/standard/AviSynth.dll"
here=$box
settings() {  # KEY=VALUE...: a current settings file naming what differs
  [[ " $* " == *" AllowOnlyOneInstance="* ]] || set -- AllowOnlyOneInstance=0 "$@"
  printf '[Main]\nVersion=2.1.6\nAVSDLL=%s\n%s\n' "$fs_dll" "$(printf '%s\n' "$@")" >"$here/Korbinet.ini"
}
run() {  # ARGS...: the program in its folder, stdin closed
  (cd "$here" && wine korbinet.exe "$@" </dev/null >"$box/out" 2>"$box/err")
  status=$?
  out=$(text "$box/out") err=$(text "$box/err")
}
expect() {  # WHAT EXPECTED ACTUAL
  [ "$2" = "$3" ] && return
  printf 'FAIL %s\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3"
  failures=$((failures + 1)) && return 1
}
await() {  # PATTERN FILE [TENTHS]: until the file has it (10 s by default)
  for _ in $(seq "${3:-100}"); do grep -q "$1" "$2" 2>/dev/null && return; sleep 0.1; done
}
clip() { printf 'BlankClip(length=%s, width=64, height=48)\n%s\n' "$1" "$2" >"$here/$3"; }  # LENGTH LINE FILE

start=$'\nKorbinet 2.1.6 (x64)\nQuery Avisynth info...Reference Frame Server 1.0.0 (x86_64) (1.0.0.0)'
csv_header="Frame,Frames/sec,Frames/sec(average),Time/frame(ms),Time/frame(average)(ms),CPU(%),Threads,PhysMEM(MB),VirtMEM(MB)"
avsinfo() {  # VERSION FILE_VERSION
  printf '%-29s%s\n' "Avisynth version string:" "$1" "File version:" "$2" "Avisynth Interface Version:" 7 \
    "Muli-threading support:" Yes "Linker/compiler version:" 2.40 "Avisynth DLL location:" "$fs_dll" \
    "Avisynth DLL time stamp:" "2020-01-02, 03:04:05"
}

# A private tmux terminal for Wine's console; COMMAND's status goes to $box/status.
terminal() {  # COMMAND
  "${tmux_cmd[@]}" kill-server 2>/dev/null
  rm -f "$box/status"
  "${tmux_cmd[@]}" new-session -d -x 100 -y 30 -c "$box" "$1; echo \$? >status; sleep 60"
}
screen() { "${tmux_cmd[@]}" capture-pane -p "$@"; }
wait_for() {  # TEXT: until the screen shows it (30 s at most)
  for _ in $(seq 300); do screen | grep -qF -- "$1" && return; sleep 0.1; done
  expect "screen showing" "$1" "$(screen)"
}
exit_status() { await . "$box/status" 300; cat "$box/status" 2>/dev/null; }

case $case_name in
usage)
  settings
  run
  expect "status, stderr" "255 $start" "$status $err"
  usage=$(sed -n '/^stdout$/,/^end$/p' "$root/tests/e2e/cases/startup_usage.case" | sed '1d;$d')
  expect stdout "$usage" "$out"
  # Asked for, the same text and the banner line, with no settings file read or made.
  rm "$here/Korbinet.ini"
  run --help
  expect "--help" "0 $usage" "$status $out$err"
  run --version
  expect "--version" "0 Korbinet 2.1.6 (x64)" "$status $out$err"
  [ -e "$here/Korbinet.ini" ] && expect "settings file after --help and --version" "none" "made"
  ;;
avsinfo-registry)
  settings
  run -avsinfo
  expect "without keys" "0 $(avsinfo "Reference Frame Server 1.0.0 (x86_64)" 1.0.0.0)" "$status $out"
  key='HKCU\Software\Avisynth' machine='HKLM\Software\Avisynth'
  reg() { wine reg "$@" >/dev/null 2>&1; }
  reg add "$key" /v "PluginDir+" /d 'C:\Plügins+' /f; reg add "$machine" /v PluginDir2_5 /d 'C:\Old' /f /reg:64
  run -avsinfo
  reg delete "$key" /f; reg delete "$machine" /v PluginDir2_5 /f /reg:64
  expect "with keys" "0 $(avsinfo "Reference Frame Server 1.0.0 (x86_64)" 1.0.0.0)
PluginDir+    (HKCU, x64):   C:\\Plügins+
PluginDir2_5  (HKLM, x64):   C:\\Old" "$status $out"
  ;;
fault)
  # Every kind while importing (-info: the handlers switch the log on) and in the loop, past
  # 100 frames of the range (the log keeps the rows so far). "caught" is an access violation
  # the library handles itself: it stays the library's error, reported as "error" is.
  settings
  while IFS='|' read -r kind message; do
    message=${message//\\n/$'\n'}
    clip 2000 "Fault(-1, \"$kind\")" f.avs
    rm -f "$box/f.log"
    run f.avs -info
    import_message=${message//FRAME/-1}
    [[ $kind == error || $kind == caught ]] && import_message+=$'\n'"($(winpath "$box")\\f.avs, line 2)"
    expect "$kind import" "255 $start
Loading script...
$import_message" "$status $err"
    expect "$kind import log" "[Script]" "$(text "$box/f.log" | grep -m1 '^\[')"
    clip 2000 "Spin(5000)"$'\n'"Fault(1500, \"$kind\")" f.avs
    rm -f "$box/f.log"
    run f.avs -log -range=1400,1999
    expect "$kind loop" "255 ${message//FRAME/1500}" "$status ${err##*$'\n\n'}"
    # The rows so far end at the frame before the fault (the log counts from 1), whatever interval the analysis chose.
    expect "$kind loop rows" 1500 "$(text "$box/f.log" | sed '1,/^\[Performance data\]/d' | grep '^ *[0-9]' | tail -1 | awk '{print $1}')"
  done <<'CASES'
divide|Exception 0xC0000094\nSTATUS_INTEGER_DIVIDE_BY_ZERO
access|Exception 0xC0000005\nSTATUS_ACCESS_VIOLATION
stack|Exception 0xC00000FD\nSTATUS_STACK_OVERFLOW
error|Fault at frame FRAME
caught|Fault at frame FRAME caught
other|Unknown exception
CASES
  ;;
lock)
  settings AllowOnlyOneInstance=1 PauseBeforeExit=1
  mkfifo "$box/keys"
  exec 3<>"$box/keys"
  (cd "$box" && wine korbinet.exe <keys >holder.out 2>&1) &
  holder=$!
  await "Press any key" "$box/holder.out"
  settings AllowOnlyOneInstance=1
  run -log
  expect refused "255 $start

One instance of Korbinet is already running" "$status $err"
  printf x >&3
  wait "$holder"
  run -log
  expect "free stderr" "$start

No script file specified" "$err"
  ;;
non-ascii)
  # Program, settings, library, script, log and CSV all under non-ASCII names.
  here="$box/Prüfung ü"
  mkdir "$here"
  mv "$box/korbinet.exe" "$box/fs" "$here/"
  fs_dll="$(winpath "$here")\\fs\\AviSynth.dll"
  settings
  clip 40 "Nap(25)" skrípt.avs
  run skrípt.avs -log -csv
  expect "status, log table" "0        Frame    Frames/sec   Time/frame(ms)   CPU(%)   Threads   PhysMEM(MB)   VirtMEM(MB)" \
    "$status $(text "$here/skrípt.log" | sed -n '/^\[Performance data\]/{n;p}')"
  expect "csv header" "$csv_header" "$(text "$here/skrípt.csv" | head -1)"
  expect "script line" "Script file: $(winpath "$here")\\skrípt.avs" \
    "$(text "$here/skrípt.log" | grep '^Script file:' | tr -s ' ')"
  ;;
console)
  # On Wine's console in a terminal: colours by attribute, keys by console input events.
  settings PauseBeforeExit=1
  terminal "wine korbinet.exe -priority=0"
  wait_for "Press any key" || exit 1
  coloured=$(screen -e)
  expect "red banner" 1 "$(grep -c $'\e\\[91mKorbinet 2.1.6 (x64)' <<<"$coloured")"
  expect "cyan error" 1 "$(grep -c $'\e\\[96mInvalid parameter value: "-priority=0"' <<<"$coloured")"
  "${tmux_cmd[@]}" send-keys x
  expect "status after a key" 255 "$(exit_status)"
  expect "prompt blanked" 0 "$(screen | grep -c 'Press any key')"
  ;;
platform-console)
  # The console contract tests, on a console of a known size.
  terminal "KORBINET_ON_CONSOLE=1 wine '$bin/windows_tests.exe' --gtest_color=no --gtest_filter='Terminal*'"
  expect "contract tests' status" 0 "$(exit_status)" || screen
  ;;
gpu)
  # The publisher's window needs a display: scripts/test-windows.sh gives one.
  [ -n "${DISPLAY:-}" ] || { echo "skipped: no display, so no GPU-Z window (install xvfb)"; exit 77; }
  settings
  cp "$bin/gpu-publisher.exe" "$box/"
  clip 40 "Nap(25)" g.avs
  # Without GPU-Z the run asks: a piped key that is no answer is skipped, then the end is a no.
  (cd "$box" && printf x | wine korbinet.exe g.avs -gpu >out 2>err)
  expect "no GPU-Z" "255 $start

In order to measure GPU usage, GPU-Z must be running.

Continue without GPU monitoring? [y/n]" "$? $(text "$box/err")"
  (cd "$box" && wine gpu-publisher.exe --title "GPU-Z 2.40.0" --record "CardName=Test Card" \
     --record GPUName=TU106 --record "MemSize=6144 MB" --record "OpenCL_Version=OpenCL 3.0" \
     --record "DriverVersion=31.0.15.3623" --sensor "GPU Load=42.5" --seconds 60 >pub.out 2>&1) &
  publisher=$!
  await ready "$box/pub.out"
  run g.avs -gpu -log
  # Ended in Wine, not just its launcher: a window left open would be GPU-Z to the next test.
  wine taskkill /f /im gpu-publisher.exe >/dev/null 2>&1
  wait "$publisher"
  expect status 0 "$status"
  expect "graphics card info" "[Graphics card info]
$(printf '%-25s%s\n' "Card name:" "Test Card" "GPU name:" TU106 "Memory size:" "6144 MB" "OpenCL version:" \
    "OpenCL 3.0" "Driver version:" 31.0.15.3623 "Info collected with:" "GPU-Z .40.0")" \
    "$(text "$box/g.log" | sed -n '/^\[Graphics card info\]/,/^Info collected/p')"
  ;;
avsplus)
  # The real AviSynth+ (MinGW build), reached through its C interface as an MSVC build would be.
  avsplus_dll="$root/../shared/avisynthplus/windows-x86_64/AviSynth.dll"
  avsplus_so="$root/../shared/avisynthplus/linux-x86_64/libavisynth.so.3.7.5"
  version="AviSynth+ 3.7.5 (r4661, master, x86_64)"
  [ -f "$avsplus_dll" ] || { echo "skipped: no AviSynth+ DLL at $avsplus_dll"; exit 77; }
  library avsplus "$avsplus_dll"
  settings
  run -avsinfo
  expect avsinfo "0 $(avsinfo "$version" 3.7.5.0)" "$status $out"
  printf 'ColorBars(\n' >"$box/bad.avs"
  run bad.avs
  expect "syntax error" $'255 \nKorbinet 2.1.6 (x64)\nQuery Avisynth info...'"$version (3.7.5.0)
Analysing script...
Script error: syntax error
($(winpath "$box")\\bad.avs, line 1, column 0)" "$status $err"

  # Slow enough (about 1 ms a frame) that the analysis finds it long enough.
  printf '%s\n' 'ColorBars(width=1280, height=720, pixel_type="YV12").Trim(0,2999).Invert().Blur(1.0).Blur(1.0)' >"$box/bars.avs"
  run bars.avs -log -csv
  log="$box/bars.log"
  expect "status, general" "0 [General info]
$(printf '%-39s%s\n' "Log file created with:" "Korbinet 2.1.6 (x64)" "Script file:" "$(winpath "$box")\\bars.avs" \
  "Command line switches:" "-log -csv" "Avisynth version string:" "$version" "Avisynth file version:" 3.7.5.0 \
  "Avisynth Interface Version:" 7 "Avisynth MT support:" Yes "Avisynth.dll linker/compiler version:" 2.40 \
  "Avisynth.dll location:" "$fs_dll" "Avisynth.dll time stamp:" "2020-01-02, 03:04:05")" \
    "$status $(section "General info" "$log" | sed '/^$/d')"
  right() { while [ $# -gt 0 ]; do printf '%s%*s\n' "$1" $((38 - ${#1})) "$2"; shift 2; done; }
  expect clip "[Clip info]
$(right "Number of frames:" 3000 "Length (hh:mm:ss.ms):" 00:01:40.100 "Frame width:" 1280 "Frame height:" 720 \
  "Framerate:" "29.970" "Colorspace:" YV12 "Audio channels:" 2 "Audio bits/sample:" 32 \
  "Audio sample rate:" 48000 "Audio samples:" 4804800 | sed 's|29.970$|& (30000/1001)|')" \
    "$(section "Clip info" "$log" | sed '/^$/d')"
  processed() { section "Runtime info" "$1" | grep '^Frames processed'; }
  expect processed "Frames processed:               3000 (0 - 2999)" "$(processed "$log")"
  rows=$(section "Performance data" "$log" | grep -c '^ *[0-9]')
  expect "csv header" "$csv_header" "$(text "$box/bars.csv" | head -1)"
  expect "csv rows as in the log" "$rows" "$(($(grep -c . "$box/bars.csv") - 1))"
  expect "csv last frame" 3000 "$(tail -1 "$box/bars.csv" | cut -d, -f1)"

  # The Linux program through the C++ interface, on the same script.
  linux=${KORBINET_LINUX_BIN:-$root/build/bin/korbinet}
  if [ ! -x "$linux" ] || [ ! -f "$avsplus_so" ]; then
    echo "note: no Linux program or library, so no comparison with it"
  else
    mkdir "$box/linux"
    cp "$linux" "$box/bars.avs" "$box/linux/"
    printf '[Main]\nVersion=2.1.6\nAVSDLL=%s\nAllowOnlyOneInstance=0\n' "$avsplus_so" >"$box/linux/Korbinet.ini"
    (cd "$box/linux" && ./korbinet bars.avs -log -csv </dev/null >/dev/null 2>&1)
    expect "Linux status" 0 "$?"
    # Apart from paths, time stamps and the linker (GNU ld's version here, the compiler's on Linux).
    same() { section "$1" "$2" | grep -v -e '^Script file:' -e '^Avisynth.dll' -e '^PluginDir'; }
    expect "general as on Linux" "$(same "General info" "$box/linux/bars.log")" "$(same "General info" "$log")"
    expect "clip as on Linux" "$(same "Clip info" "$box/linux/bars.log")" "$(same "Clip info" "$log")"
    expect "processed as on Linux" "$(processed "$box/linux/bars.log")" "$(processed "$log")"
    expect "csv header as on Linux" "$(head -1 "$box/linux/bars.csv")" "$(text "$box/bars.csv" | head -1)"
  fi
  ;;
stages)
  # Stage markers through the C interface: the table after the summary, the same as the log's last section.
  settings
  clip 200 'Spin(3000).KorbinetStage("slow").Spin(1000).KorbinetStage("fast")' s.avs
  run s.avs -log
  table=$(sed -n '/^Stage times:/,/^ *$/p' <<<"$err" | sed 's/ *$//;/^$/d')
  expect "status, stages and calls" "0
Stage times:
slow 200
fast 200" "$status
$(head -1 <<<"$table")
$(sed -n '3,$p' <<<"$table" | awk '{print $1, $2}')"
  expect "log section" "[Stage times]
$table" "$(text "$box/s.log" | sed -n '/^\[Stage times\]$/,$p')"
  ;;
compare)
  # korbinet-compare.exe, A against B: its workers are its own .exe again. Spin(1150) does 1000/1150 = 0.87 of
  # Spin(1000)'s frames; the gate of 5 % fails.
  settings
  cp "$bin/korbinet-compare.exe" "$box/"
  clip 100000 "Spin(1000)" a.avs
  clip 100000 "Spin(1150)" b.avs
  (cd "$here" && wine korbinet-compare.exe --round 0.2 --time 40 --fail-if-slower 5 --json r.json a.avs b.avs \
    </dev/null >"$box/out" 2>"$box/err")
  status=$?
  row=$(text "$box/out" | grep '^2  b\.avs ' | tr -s ' ')
  interval=$(awk '{print $7}' <<<"$row")
  # Give or take 2 %: a 95 % interval misses the true ratio one run in twenty, and a narrow one by a hair.
  expect "status, verdict, 0.87 inside ${interval}" "3 slower yes" \
    "$status $(awk '{print $8}' <<<"$row") $(awk -F- '{print ($1 * 0.98 <= 0.87 && 0.87 <= $2 * 1.02) ? "yes" : "no"}' <<<"$interval")"
  expect "JSON schema" '  "schema": 1,' "$(text "$box/r.json" | sed -n 2p)"
  ;;
live)
  # Drawn in place: the counter moves, its row stays; Esc ends the 100 s run with the summary.
  settings
  clip 100000 "Spin(1000)" long.avs
  terminal "wine korbinet.exe long.avs"
  wait_for "Press 'Esc' to cancel" || exit 1
  first=$(screen | grep -n 'Frame (current | last):')
  sleep 1
  later=$(screen | grep -n 'Frame (current | last):')
  expect "one page" 1 "$(grep -c . <<<"$later")"
  expect "same row" "${first%%:*}" "${later%%:*}"
  [ "$first" != "$later" ] || expect "frame counter moved" "not $first" "$later"
  # Wine's console on a terminal takes a lone Esc for the start of a key's
  # escape sequence; a second one makes it a key (on Windows one is enough).
  "${tmux_cmd[@]}" send-keys -H 1b 1b
  expect "status after Esc" 0 "$(exit_status)"
  expect "summary" 1 "$(screen | grep -c '^Frames processed: *[0-9]* (0 - [0-9]*)$')"
  expect "page gone" 0 "$(screen | grep -c "Press 'Esc'")"
  ;;
ctrl-c)
  # Ctrl+C in the loop ends the run as Esc does, and the records are written; the status says how it ended.
  # On a terminal, for Wine's console to carry the event.
  settings
  clip 4 "Nap(1000)" a.avs
  cp "$bin/ctrl_event.exe" "$box/"
  terminal "wine ctrl_event.exe \"Press 'Esc'\" err.txt korbinet.exe a.avs -log -csv >out.txt"
  expect "helper's status" 0 "$(exit_status)"
  expect "status" "exit 0xC000013A" "$(text "$box/out.txt")"
  frames=$(text "$here/err.txt" | grep -o '^Frames processed: *[0-9]*' | grep -o '[0-9]*$')
  [ -n "$frames" ] || expect "summary" "Frames processed: N" "$(text "$here/err.txt")"
  expect "log's summary" 1 "$(text "$here/a.log" | grep -c "^Frames processed: *$frames\b")"
  expect "CSV rows" "$((frames + 1))" "$(text "$here/a.csv" | wc -l)"
  expect "CSV header" "$csv_header" "$(text "$here/a.csv" | head -1)"
  ;;
gpu-question)
  # No GPU-Z window in this prefix: the question is answered by a key.
  settings
  clip 40 "Nap(25)" g.avs
  for answer in "n 255 " "y 0 Frames processed: 40 (0 - 39)"; do  # KEY STATUS SUMMARY
    terminal "wine korbinet.exe g.avs -gpu"
    wait_for "Continue without GPU monitoring? [y/n]" || break
    "${tmux_cmd[@]}" send-keys "${answer%% *}"
    expect "answered ${answer%% *}" "${answer#* }" "$(exit_status) $(screen | grep 'Frames processed' | tr -s ' ')"
  done
  ;;
compare-worker)
  # korbinet-compare's worker through the C binding, finding the library by the settings file:
  # a variable reaches the script and a round measures; a fault in a round is answered with
  # korbinet's text, and the worker ends with status 1.
  settings
  cp "$bin/korbinet-compare-worker-test.exe" "$box/"
  worker() {  # COMMANDS
    (cd "$here" && printf "$1" | wine korbinet-compare-worker-test.exe >"$box/out" 2>"$box/err")
    status=$?
    out=$(text "$box/out") err=$(text "$box/err")
  }
  clip n "Spin(100)" w.avs
  worker 'var\tn\t300\nscript\tw.avs\nload\nround\t0.2\nquit\n'
  ready=$'ready\t0\t299\t[0-9]+\tReference Frame Server 1\\.0\\.0 \\(x86_64\\)\t1\\.0\\.0\\.0'
  round=$'round\t[1-9][0-9]*\t[0-9.]+\t[0-9.e-]+\t[1-9][0-9]*\t[1-9][0-9]*'
  [[ $out =~ ^$ready$'\n'$round$ ]] || expect "rounds" "$ready / $round" "$out"
  expect "status, stderr" "0 " "$status $err"
  clip 1000 'Fault(500, "access")' f.avs
  worker 'script\tf.avs\nload\nround\t5\nstages\n'
  [[ $out =~ ^${ready/299/999} ]] || expect "ready" "${ready/299/999}" "$out"
  expect "fault" $'1 error\tException 0xC0000005\\nSTATUS_ACCESS_VIOLATION' "$status ${out#*$'\n'}"
  ;;
*)
  echo "unknown case $case_name"
  exit 2
  ;;
esac
[ "$failures" -eq 0 ]

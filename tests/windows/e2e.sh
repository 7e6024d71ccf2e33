#!/usr/bin/env bash
# End-to-end runs of korbinet.exe under Wine, piped: exact texts (carriage
# returns stripped) and exit statuses. Usage: e2e.sh BIN_DIR CASE
# The Wine environment (prefix, server) comes from scripts/test-windows.sh.
set -uo pipefail

bin=$1
case_name=$2
box=$(mktemp -d "${TMPDIR:-/tmp}/korbinet-win-e2e.XXXXXX")
trap '[ -n "${KEEP:-}" ] || rm -rf "$box"' EXIT
cp "$bin/korbinet.exe" "$box/"
mkdir "$box/fs"
cp "$bin/../frameserver/standard/AviSynth.dll" "$box/fs/"
touch -d "2020-01-02 03:04:05" "$box/fs/AviSynth.dll"
fs_dll="Z:${box//\//\\}\\fs\\AviSynth.dll"
failures=0

settings() {  # KEY=VALUE...: a current settings file naming what differs
  local lines=("AllowOnlyOneInstance=0" "$@")
  [[ " $* " == *" AllowOnlyOneInstance="* ]] && lines=("$@")
  { printf '[Main]\nVersion=2.1.6\nAVSDLL=%s\n' "$fs_dll"; printf '%s\n' "${lines[@]}"; } >"$box/Korbinet.ini"
}
run() {  # ARGS...: runs the program in the sandbox, stdin closed
  (cd "$box" && wine korbinet.exe "$@" </dev/null >out 2>err)
  status=$?
  out=$(tr -d '\r' <"$box/out")
  err=$(tr -d '\r' <"$box/err")
}
expect() {  # WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3"
    failures=$((failures + 1))
  fi
}

start=$'\nKorbinet 2.1.6 (x64)\nQuery Avisynth info...Reference Frame Server 1.0.0 (x86_64) (1.0.0.0)'
avsinfo_head="Avisynth version string:     Reference Frame Server 1.0.0 (x86_64)
File version:                1.0.0.0
Avisynth Interface Version:  7
Muli-threading support:      Yes
Linker/compiler version:     2.40
Avisynth DLL location:       ${fs_dll}
Avisynth DLL time stamp:     2020-01-02, 03:04:05"

# The real AviSynth+ (MinGW build, with its version resource), reached
# through its plain C interface as an MSVC build would be.
root=$(cd "$(dirname "$0")/../.." && pwd)
avsplus_dll="$root/../shared/avisynthplus/windows-x86_64/AviSynth.dll"
avsplus_so="$root/../shared/avisynthplus/linux-x86_64/libavisynth.so.3.7.5"
avsplus_version="AviSynth+ 3.7.5 (r4661, master, x86_64)"
use_avsplus() {
  [ -f "$avsplus_dll" ] || { echo "skipped: no AviSynth+ DLL at $avsplus_dll"; exit 77; }
  mkdir -p "$box/avsplus"
  cp "$avsplus_dll" "$box/avsplus/"
  touch -d "2020-01-02 03:04:05" "$box/avsplus/AviSynth.dll"
  fs_dll="Z:${box//\//\\}\\avsplus\\AviSynth.dll"
}
section() {  # NAME FILE: the log section's lines, up to the blank line after it
  tr -d '\r' <"$2" 2>/dev/null | sed -n "/^\[$1\]/,/^\$/p"
}

# A private tmux terminal for Wine's console; COMMAND's status goes to $box/status.
tmux_cmd=(tmux -L "korbinet-win-$$" -f /dev/null)
terminal() {  # COMMAND
  trap '"${tmux_cmd[@]}" kill-server 2>/dev/null; [ -n "${KEEP:-}" ] || rm -rf "$box"' EXIT
  "${tmux_cmd[@]}" kill-server 2>/dev/null
  rm -f "$box/status"
  "${tmux_cmd[@]}" new-session -d -x 100 -y 30 -c "$box" "$1; echo \$? >status; sleep 60"
}
screen() { "${tmux_cmd[@]}" capture-pane -p "$@"; }
wait_for() {  # TEXT: until the screen shows it (30 s at most)
  for _ in $(seq 300); do screen | grep -qF -- "$1" && return; sleep 0.1; done
  expect "screen showing" "$1" "$(screen)"
  return 1
}
exit_status() {
  for _ in $(seq 300); do [ -s "$box/status" ] && break; sleep 0.1; done
  cat "$box/status" 2>/dev/null
}

case $case_name in
usage)
  settings
  run
  expect status 255 "$status"
  expect stderr "$start" "$err"
  expect stdout "$(sed -n '/^stdout$/,/^end$/p' "$(dirname "$0")/../e2e/cases/startup_usage.case" | sed '1d;$d')" "$out"
  ;;
avsinfo-registry)
  settings
  run -avsinfo
  expect status 0 "$status"
  expect "stdout without keys" "$avsinfo_head" "$out"
  key='HKCU\Software\Avisynth'
  machine='HKLM\Software\Avisynth'
  wine reg add "$key" /v "PluginDir+" /d 'C:\Plügins+' /f >/dev/null 2>&1
  wine reg add "$machine" /v "PluginDir2_5" /d 'C:\Old' /f /reg:64 >/dev/null 2>&1
  run -avsinfo
  wine reg delete "$key" /f >/dev/null 2>&1
  wine reg delete "$machine" /v "PluginDir2_5" /f /reg:64 >/dev/null 2>&1
  expect status 0 "$status"
  expect "stdout with keys" "$avsinfo_head
PluginDir+    (HKCU, x64):   C:\\Plügins+
PluginDir2_5  (HKLM, x64):   C:\\Old" "$out"
  ;;
fault)
  # Every kind while importing (-info: the handlers switch the log on) and in
  # the loop, past 100 frames of the range (the log keeps the rows so far).
  settings
  while IFS='|' read -r kind message; do
    message=${message//\\n/$'\n'}
    printf 'BlankClip(length=2000, width=64, height=48)\nFault(-1, "%s")\n' "$kind" >"$box/f.avs"
    rm -f "$box/f.log"
    run f.avs -info
    import_message=${message//FRAME/-1}
    [ "$kind" = error ] && import_message+=$'\n'"(Z:${box//\//\\}\\f.avs, line 2)"
    expect "$kind import" "255 $start
Loading script...
$import_message" "$status $err"
    expect "$kind import log" "[Script]" "$(tr -d '\r' <"$box/f.log" 2>/dev/null | grep -m1 '^\[')"
    printf 'BlankClip(length=2000, width=64, height=48)\nSpin(5000)\nFault(1500, "%s")\n' "$kind" >"$box/f.avs"
    rm -f "$box/f.log"
    run f.avs -log -range=1400,1999
    expect "$kind loop" "255 ${message//FRAME/1500}" "$status ${err##*$'\n\n'}"
    expect "$kind loop rows" 10 "$(tr -d '\r' <"$box/f.log" 2>/dev/null | sed '1,/^\[Performance data\]/d' | grep -c '^ *[0-9]')"
  done <<'CASES'
divide|Exception 0xC0000094\nSTATUS_INTEGER_DIVIDE_BY_ZERO
access|Exception 0xC0000005\nSTATUS_ACCESS_VIOLATION
stack|Exception 0xC00000FD\nSTATUS_STACK_OVERFLOW
error|Fault at frame FRAME
other|Unknown exception
CASES
  ;;
lock)
  settings AllowOnlyOneInstance=1 PauseBeforeExit=1
  mkfifo "$box/keys"
  exec 3<>"$box/keys"
  (cd "$box" && wine korbinet.exe <keys >holder.out 2>&1) &
  holder=$!
  for _ in $(seq 100); do grep -q "Press any key" "$box/holder.out" 2>/dev/null && break; sleep 0.1; done
  settings AllowOnlyOneInstance=1
  run -log
  expect "refused status" 255 "$status"
  expect "refused stderr" "$start

One instance of Korbinet is already running" "$err"
  printf x >&3
  wait "$holder"
  run -log
  expect "free stderr" "$start

No script file specified" "$err"
  ;;
non-ascii)
  # Program, settings, library, script, log and CSV all under non-ASCII names.
  inner="$box/Prüfung ü"
  mkdir "$inner"
  mv "$box/korbinet.exe" "$box/fs" "$inner/"
  fs_dll="Z:${inner//\//\\}\\fs\\AviSynth.dll"
  settings
  mv "$box/Korbinet.ini" "$inner/"
  printf 'BlankClip(length=40, width=64, height=48)\nNap(25)\n' >"$inner/skrípt.avs"
  (cd "$inner" && wine korbinet.exe skrípt.avs -log -csv </dev/null >"$box/out" 2>"$box/err")
  status=$?
  expect status 0 "$status"
  expect "log table" "       Frame    Frames/sec   Time/frame(ms)   CPU(%)   Threads   PhysMEM(MB)   VirtMEM(MB)" \
    "$(tr -d '\r' <"$inner/skrípt.log" 2>/dev/null | sed -n '/^\[Performance data\]/{n;p}')"
  expect "csv header" "Frame,Frames/sec,Frames/sec(average),Time/frame(ms),Time/frame(average)(ms),CPU(%),Threads,PhysMEM(MB),VirtMEM(MB)" \
    "$(head -1 "$inner/skrípt.csv" 2>/dev/null | tr -d '\r')"
  expect "script line" "Script file: Z:${inner//\//\\}\\skrípt.avs" \
    "$(tr -d '\r' <"$inner/skrípt.log" 2>/dev/null | grep '^Script file:' | tr -s ' ')"
  ;;
console)
  # On Wine's console in a terminal: colours by attribute, keys by console
  # input events.
  settings PauseBeforeExit=1
  terminal "wine korbinet.exe -priority=0"
  wait_for "Press any key" || exit 1
  coloured=$(screen -e)
  [ -n "${KEEP:-}" ] && printf "%s\n" "$coloured" | cat -v >&2
  expect "red banner" 1 "$(grep -c $'\e\\[91mKorbinet 2.1.6 (x64)' <<<"$coloured")"
  expect "cyan error" 1 "$(grep -c $'\e\\[96mInvalid parameter value: "-priority=0"' <<<"$coloured")"
  "${tmux_cmd[@]}" send-keys x
  expect "status after a key" 255 "$(exit_status)"
  expect "prompt blanked" 0 "$(screen | grep -c 'Press any key')"
  ;;
gpu)
  # The publisher's window needs a display: scripts/test-windows.sh runs
  # Wine under xvfb-run when it can.
  [ -n "${DISPLAY:-}" ] || { echo "skipped: no display, so no GPU-Z window (install xvfb)"; exit 77; }
  settings
  cp "$bin/gpu-publisher.exe" "$box/"
  printf 'BlankClip(length=40, width=64, height=48)\nNap(25)\n' >"$box/g.avs"
  # Without GPU-Z the run asks: a piped key that is no answer is skipped,
  # and the end of input is a no.
  (cd "$box" && printf x | wine korbinet.exe g.avs -gpu >out 2>err)
  status=$?
  expect "no GPU-Z status" 255 "$status"
  expect "no GPU-Z stderr" "$start

In order to measure GPU usage, GPU-Z must be running.

Continue without GPU monitoring? [y/n]" "$(tr -d '\r' <"$box/err")"
  (cd "$box" && wine gpu-publisher.exe --title "GPU-Z 2.40.0" --record "CardName=Test Card" \
     --record GPUName=TU106 --record "MemSize=6144 MB" --record "OpenCL_Version=OpenCL 3.0" \
     --record "DriverVersion=31.0.15.3623" --sensor "GPU Load=42.5" --seconds 60 >pub.out 2>&1) &
  publisher=$!
  for _ in $(seq 100); do grep -q ready "$box/pub.out" 2>/dev/null && break; sleep 0.1; done
  run g.avs -gpu -log
  # Ended in Wine, not just its launcher: a window left open would stand for
  # GPU-Z in the next test.
  wine taskkill /f /im gpu-publisher.exe >/dev/null 2>&1
  wait "$publisher"
  expect status 0 "$status"
  expect "graphics card info" "[Graphics card info]
Card name:               Test Card
GPU name:                TU106
Memory size:             6144 MB
OpenCL version:          OpenCL 3.0
Driver version:          31.0.15.3623
Info collected with:     GPU-Z .40.0" "$(tr -d '\r' <"$box/g.log" | sed -n '/^\[Graphics card info\]/,/^Info collected/p')"
  ;;
avsplus)
  use_avsplus
  settings
  run -avsinfo
  expect "avsinfo status" 0 "$status"
  expect avsinfo "Avisynth version string:     $avsplus_version
File version:                3.7.5.0
Avisynth Interface Version:  7
Muli-threading support:      Yes
Linker/compiler version:     2.40
Avisynth DLL location:       ${fs_dll}
Avisynth DLL time stamp:     2020-01-02, 03:04:05" "$out"
  avsplus_start=$'\nKorbinet 2.1.6 (x64)\nQuery Avisynth info...'"$avsplus_version (3.7.5.0)"
  printf 'ColorBars(\n' >"$box/bad.avs"
  run bad.avs
  expect "syntax error status" 255 "$status"
  expect "syntax error" "$avsplus_start
Analysing script...
Script error: syntax error
(Z:${box//\//\\}\\bad.avs, line 1, column 0)" "$err"

  # Slow enough (about 1 ms a frame) that the analysis finds it long enough.
  printf '%s\n' 'ColorBars(width=1280, height=720, pixel_type="YV12").Trim(0,2999).Invert().Blur(1.0).Blur(1.0)' >"$box/bars.avs"
  run bars.avs -log -csv
  expect "bench status" 0 "$status"
  log="$box/bars.log"
  expect general "[General info]
Log file created with:                 Korbinet 2.1.6 (x64)
Script file:                           Z:${box//\//\\}\\bars.avs
Command line switches:                 -log -csv
Avisynth version string:               $avsplus_version
Avisynth file version:                 3.7.5.0
Avisynth Interface Version:            7
Avisynth MT support:                   Yes
Avisynth.dll linker/compiler version:  2.40
Avisynth.dll location:                 $fs_dll
Avisynth.dll time stamp:               2020-01-02, 03:04:05" "$(section "General info" "$log" | sed '/^$/d')"
  expect clip "[Clip info]
Number of frames:                 3000
Length (hh:mm:ss.ms):     00:01:40.100
Frame width:                      1280
Frame height:                      720
Framerate:                      29.970 (30000/1001)
Colorspace:                       YV12
Audio channels:                      2
Audio bits/sample:                  32
Audio sample rate:               48000
Audio samples:                 4804800" "$(section "Clip info" "$log" | sed '/^$/d')"
  expect processed "Frames processed:               3000 (0 - 2999)" \
    "$(section "Runtime info" "$log" | grep '^Frames processed')"
  rows=$(tr -d '\r' <"$log" | sed -n '/^\[Performance data\]/,/^$/p' | grep -c '^ *[0-9]')
  expect "csv header" "Frame,Frames/sec,Frames/sec(average),Time/frame(ms),Time/frame(average)(ms),CPU(%),Threads,PhysMEM(MB),VirtMEM(MB)" \
    "$(head -1 "$box/bars.csv" | tr -d '\r')"
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
    # Apart from paths, time stamps and the linker: the GNU ld version on
    # Windows, the compiler's on Linux.
    same() { section "$1" "$2" | grep -v -e '^Script file:' -e '^Avisynth.dll' -e '^PluginDir'; }
    expect "general as on Linux" "$(same "General info" "$box/linux/bars.log")" "$(same "General info" "$log")"
    expect "clip as on Linux" "$(same "Clip info" "$box/linux/bars.log")" "$(same "Clip info" "$log")"
    expect "processed as on Linux" "$(section "Runtime info" "$box/linux/bars.log" | grep '^Frames processed')" \
      "$(section "Runtime info" "$log" | grep '^Frames processed')"
    expect "csv header as on Linux" "$(head -1 "$box/linux/bars.csv")" "$(head -1 "$box/bars.csv" | tr -d '\r')"
  fi
  ;;
live)
  # Drawn in place: the frame counter moves while its row stays put; Esc ends
  # the run with the summary. About 100 s of frames, ended long before.
  settings
  printf 'BlankClip(length=100000, width=64, height=48)\nSpin(1000)\n' >"$box/long.avs"
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
gpu-question)
  # No GPU-Z window in this prefix: the question is answered by a key.
  settings
  printf 'BlankClip(length=40, width=64, height=48)\nNap(25)\n' >"$box/g.avs"
  for answer in n y; do
    terminal "wine korbinet.exe g.avs -gpu"
    wait_for "Continue without GPU monitoring? [y/n]" || break
    "${tmux_cmd[@]}" send-keys $answer
    status=$(exit_status)
    if [ $answer = n ]; then
      expect "declined status" 255 "$status"
      expect "declined, no benchmark" 0 "$(screen | grep -c 'Frames processed')"
    else
      expect "accepted status" 0 "$status"
      expect "accepted, summary" 1 "$(screen | grep -c '^Frames processed: *40 (0 - 39)$')"
    fi
  done
  ;;
*)
  echo "unknown case $case_name"
  exit 2
  ;;
esac
[ "$failures" -eq 0 ]

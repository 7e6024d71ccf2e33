#!/bin/sh
# Usage: program_state.sh [--ours] NM PROGRAM...
# A global or static that a program writes while it runs shows as a symbol
# in a data, bss or thread-local section. Each program may hold only the
# state listed here: what a signal, console or fault handler must reach, and
# the one table the C++ interface's value classes reach the library through.
# Everything else is handed down as objects. --ours looks only at our own
# names, for a program linked with its runtimes statically (Windows).
ours=0
if [ "$1" = --ours ]; then ours=1; shift; fi
nm=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sed '/^$/d' <<'LIST' | sort -u >"$work/allowed"
g_avs_linkage
platform::(anonymous namespace)::saved_mode
platform::(anonymous namespace)::saved_attributes
platform::(anonymous namespace)::attributes_saved
platform::(anonymous namespace)::saved_input_mode
platform::(anonymous namespace)::mode_changed
platform::(anonymous namespace)::colours_changed
platform::InstallTerminalRestore()::installed
platform::InstallStopHandlers()::installed
platform::(anonymous namespace)::deferral_depth
platform::(anonymous namespace)::kept_signal
platform::(anonymous namespace)::request_kept
platform::(anonymous namespace)::notice_text
platform::(anonymous namespace)::notice_fd
platform::(anonymous namespace)::notice_rows_up
platform::(anonymous namespace)::abandoned_file
platform::(anonymous namespace)::has_abandoned_file
platform::(anonymous namespace)::active_guard
platform::(anonymous namespace)::stack_low
platform::(anonymous namespace)::thread_prepared
platform::(anonymous namespace)::alt_stack
platform::(anonymous namespace)::handlers_installed
platform::(anonymous namespace)::guard_slot
platform::(anonymous namespace)::call_guarded
platform::(anonymous namespace)::termination
platform::(anonymous namespace)::held
LIST
status=0
for program in "$@"; do
  "$nm" --defined-only -f sysv "$program" >"$work/nm" || { echo "$nm failed on $program"; exit 2; }
  # MinGW names an emulated thread_local by its variable's name with a prefix.
  awk -F'|' 'NF >= 7 && $7 ~ /^ *\.(t?data|t?bss|tls)( |$)/ {
      name = $1; sub(/ +$/, "", name); sub(/^__emutls_v\./, "", name); print name
    }' "$work/nm" | c++filt >"$work/names"
  # Left out: the C and C++ runtimes' own (copied library data, start-up and
  # linker symbols, exception personality, the stream initialiser).
  awk -v ours=$ours '{
      name = $0; sub(/^guard variable for /, "", name)
      if (name ~ /@/ || name ~ /^(DW\.ref\.|_|completed\.|data_start$|std::__ioinit$)/) next
      if (ours && name !~ /^(g_|[a-z_]+::)/) next
      if (ours && name ~ /^(std|__gnu_cxx|__cxxabiv1|testing|gtest)::/) next
      print name
    }' "$work/names" | sort -u >"$work/state"
  unexpected=$(comm -23 "$work/state" "$work/allowed")
  if [ -n "$unexpected" ]; then
    echo "$(basename "$program") holds program-wide state of its own:"
    echo "$unexpected" | sed 's/^/  /'
    status=1
  fi
done
exit $status

#!/usr/bin/env bash
# Drives clockctl's bash completion as bash does on a Tab: the words typed so far in COMP_WORDS,
# then the completion function named by 'complete -p clockctl'; checks what it offers.
#   completion-test.sh COMPLETION_FILE CLOCKSIM
set -uo pipefail
completion=$1
clocksim=$2

# shellcheck source=/dev/null
source "$completion" || exit 1
registered=$(complete -p clockctl) || { echo "no completion registered for clockctl" >&2; exit 1; }
function=$(sed -nE 's/.*-F ([^ ]+).*/\1/p' <<<"$registered")
[ -n "$function" ] || { echo "not a completion function: $registered" >&2; exit 1; }

# What a Tab after the given words offers, one per line, sorted.
offers() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="$*"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  "$function" clockctl "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort
}

failed=0
# check exactly|some 'OFFER ...' WORD...: after the words, exactly these offers, or at least these.
check() {
  local mode=$1 wanted=$2
  shift 2
  local got
  got=$(offers "$@")
  local missing
  missing=$(comm -23 <(tr ' ' '\n' <<<"$wanted" | sed '/^$/d' | sort) <(printf '%s\n' "$got"))
  if [ -n "$missing" ] || { [ "$mode" = exactly ] && [ "$got" != "$(tr ' ' '\n' <<<"$wanted" | sed '/^$/d' | sort)" ]; }; then
    echo "after '$*': wanted $mode [$wanted], offered [$(tr '\n' ' ' <<<"$got")]" >&2
    failed=1
    return 1
  fi
}

# Commands, at the start and after line options with their values.
check exactly "detect" clockctl de
check exactly "datetime detect dial dump" clockctl d
check exactly "detect" clockctl --max-clock 3 de
check exactly "status" clockctl --tcp 10.0.0.5 --json st
check exactly "" clockctl --port COM1 detect ""
# Search types, and nothing but them after --search.
check exactly "KRTal KRTalFast KRTalR2 KRTalR2Fast" clockctl --search KRT
check exactly "KREmber KREmberFast" clockctl --port COM2 --search KRE
check some "KROptica KRMira KRMira120 KREmber" clockctl --search ""
# Options, line options and a command's own.
check some "--port --baud --tcp --search --max-clock --json --trace --help --version" clockctl --
check some "--max --out --images" clockctl --tcp 1.2.3.4 dump --
check exactly "--max-clock" clockctl --max-c
# No commands where a value is due.
check exactly "" clockctl --max-clock ""
# Ports: the COM names, a name the environment maps, and the devices present.
check some "COM1 COM2 COM19" clockctl --port CO
CLOCKDIAG_COM23=/dev/null check some "COM23" clockctl --port COM2
# The simulator's pseudo-terminal is a serial device like any other.
workdir=$(mktemp -d)
"$clocksim" --pty >"$workdir/sim.out" 2>/dev/null &
sim=$!
for _ in $(seq 100); do
  grep -q '^pty ' "$workdir/sim.out" && break
  sleep 0.05
done
pty=$(awk '/^pty /{print $2}' "$workdir/sim.out")
if [ -z "$pty" ]; then
  echo "clocksim opened no pseudo-terminal" >&2
  failed=1
else
  check some "$pty" clockctl --port "${pty%/*}/"
fi
kill "$sim" 2>/dev/null
wait "$sim" 2>/dev/null
# Files for --out, folders for --images.
mkdir -p "$workdir/files/pictures"
touch "$workdir/files/records.csv"
(cd "$workdir/files" && check exactly "records.csv" clockctl dump --out rec) || failed=1
(cd "$workdir/files" && check exactly "pictures" clockctl dump --images "") || failed=1
rm -rf "$workdir"
exit $failed

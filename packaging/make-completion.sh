#!/usr/bin/env bash
# Writes the bash completion of clockctl from the program's own help, so that the commands, the
# options and the search types it completes are those of the program it ships with.
#   make-completion.sh CLOCKCTL OUTPUT
set -euo pipefail
clockctl=$1
output=$2

help=$("$clockctl" --help)

# Commands: the first word of the lines indented by two spaces in the section whose heading
# names the commands ("commands:"), up to the next heading.
commands=$(printf '%s\n' "$help" | awk '
  /^[^ ].*:[ ]*$/ { in_commands = tolower($0) ~ /command/; next }
  /^[^ ]/ { in_commands = 0 }
  in_commands && /^  [a-z][a-z0-9-]*( |$)/ { print $1 }' | sort -u | tr '\n' ' ')
# Options: every option the help names; those written with a value (--port COMn) take the next
# word.
options=$(printf '%s\n' "$help" | grep -oE -- '(^|[][ ,(|])(--[a-z][a-z0-9-]*|-[a-zA-Z])\b' |
  sed -E 's/^[][ ,(|]//' | sort -u | tr '\n' ' ')
value_options=$(printf '%s\n' "$help" |
  grep -oE -- '(^|[][ ,(|])--[a-z][a-z0-9-]* [A-Z][A-Za-z0-9|:\[]*' |
  sed -E 's/^[][ ,(|]//; s/ .*//' | sort -u | tr '\n' ' ')
# The search types and the protocols, as the help lists them.
search_types=$(printf '%s\n' "$help" | grep -oE '\bKR[A-Za-z0-9]+\b' | sort -u | tr '\n' ' ')
protocols=$(printf '%s\n' "$help" | grep -oE '\bRS[0-9]+\b' | sort -u | tr '\n' ' ')

for list in commands options search_types; do
  if [ -z "${!list// /}" ]; then
    echo "make-completion: no $list found in '$clockctl --help'" >&2
    exit 1
  fi
done

cat >"$output.tmp" <<EOF
# bash completion for clockctl. Written by the build from 'clockctl --help'.

_clockctl_commands='$commands'
_clockctl_options='$options'
_clockctl_value_options='$value_options'
_clockctl_search_types='$search_types'
_clockctl_protocols='$protocols'
EOF
cat >>"$output.tmp" <<'EOF'

# The serial ports: the COM names, with any CLOCKDIAG_COMn the environment sets, and the serial
# devices present (USB adapters, built-in ports, pseudo-terminals such as the simulator's).
_clockctl_ports() {
  local ports=() n device
  for n in {1..19}; do ports+=("COM$n"); done
  for n in $(compgen -v CLOCKDIAG_COM); do ports+=("${n#CLOCKDIAG_}"); done
  for device in /dev/serial/by-id/* /dev/ttyUSB* /dev/ttyACM* /dev/ttyS* /dev/ttyAMA* \
    /dev/pts/[0-9]*; do
    [ -e "$device" ] && ports+=("$device")
  done
  compgen -W "${ports[*]}" -- "$1"
}

_clockctl_reply() {
  mapfile -t COMPREPLY < <("$@")
}

_clockctl() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()
  case $prev in
    --search) _clockctl_reply compgen -W "$_clockctl_search_types" -- "$cur"; return ;;
    --protocol) _clockctl_reply compgen -W "$_clockctl_protocols" -- "$cur"; return ;;
    --port) _clockctl_reply _clockctl_ports "$cur"; return ;;
    --images)
      compopt -o filenames 2>/dev/null
      _clockctl_reply compgen -d -- "$cur"
      return ;;
    --out | --scenario | --remaining)
      compopt -o filenames 2>/dev/null
      _clockctl_reply compgen -f -- "$cur"
      return ;;
  esac
  # Other values (numbers, addresses, phone numbers) are the user's to type.
  [[ " $_clockctl_value_options " == *" $prev "* ]] && return
  if [[ $cur == -* ]]; then
    _clockctl_reply compgen -W "$_clockctl_options" -- "$cur"
    return
  fi
  # The command is the first word that is neither an option nor an option's value.
  local i word skip=0
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if ((skip)); then
      skip=0
      continue
    fi
    if [[ $word == -* ]]; then
      [[ " $_clockctl_value_options " == *" $word "* ]] && skip=1
      continue
    fi
    return  # the command is given: its arguments are dates, numbers and hex
  done
  _clockctl_reply compgen -W "$_clockctl_commands" -- "$cur"
}
complete -F _clockctl clockctl
EOF
mv "$output.tmp" "$output"

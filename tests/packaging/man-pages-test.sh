#!/usr/bin/env bash
# The man page of each program, as man shows it, names the same options as the program's --help.
#   man-pages-test.sh MAN_DIR PROGRAM...
set -euo pipefail
man_dir=$1
shift

# The options a text names: --long-option and -x, where they start a word.
options() {
  grep -oE -- '(^|[][ ,(|])(--[a-z][a-z0-9-]*|-[a-zA-Z])\b' | sed -E 's/^[][ ,(|]//' | sort -u
}

failed=0
for program in "$@"; do
  name=$(basename "$program")
  page=$man_dir/$name.1
  if [ ! -s "$page" ]; then
    echo "$name: no man page at $page" >&2
    failed=1
    continue
  fi
  from_help=$("$program" --help | options)
  # A wide page, so that no option is broken across lines; overstrike (bold) taken out.
  from_man=$(MANWIDTH=250 LC_ALL=C.UTF-8 man -l "$page" 2>/dev/null | col -bx | options)
  if [ -z "$from_help" ]; then
    echo "$name: --help names no option" >&2
    failed=1
  elif [ "$from_help" != "$from_man" ]; then
    echo "$name: the man page's options differ from --help (< help, > man page):" >&2
    diff <(printf '%s\n' "$from_help") <(printf '%s\n' "$from_man") >&2 || true
    failed=1
  else
    echo "$name: $(printf '%s\n' "$from_help" | wc -l) options, the same in the man page"
  fi
  # The version the page names is the program's.
  version=$("$program" --version)
  if ! MANWIDTH=250 LC_ALL=C.UTF-8 man -l "$page" 2>/dev/null | col -bx | grep -qF "$version"; then
    echo "$name: the man page does not name '$version'" >&2
    failed=1
  fi
done
exit $failed

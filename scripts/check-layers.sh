#!/usr/bin/env bash
# Fails when an include in src/ points against the direction of the layers:
#
#   platform, calendar  ->  utils  ->  link, adapters  ->  clock  ->  connections  ->  cli, app
#
# A folder includes its own headers and those of lower layers only; folders on the same level do
# not include each other. Only includes of the form #include "folder/..." are examined.
#
#   check-layers.sh [SOURCE_DIR [ALLOWLIST]]
#     SOURCE_DIR  the tree to examine (default: src beside this script)
#     ALLOWLIST   known violations still being removed, one "from -> to" per line, anything after
#                 the pair (the owner) and lines starting with "#" ignored
#                 (default: scripts/layers-allowlist.txt beside this script, when present)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
src=${1:-$here/../src}
allowlist=${2:-$here/layers-allowlist.txt}

if [ ! -d "$src" ]; then
  echo "check-layers: no such folder: $src" >&2
  exit 2
fi

declare -A level=(
  [platform]=0 [calendar]=0
  [utils]=1
  [link]=2 [adapters]=2
  [clock]=3
  [connections]=4
  [cli]=5 [app]=5
)

declare -A allowed=()
if [ -f "$allowlist" ]; then
  while read -r from arrow to _; do
    [[ -z "${from:-}" || "$from" == \#* ]] && continue
    if [ "$arrow" != "->" ] || [ -z "${to:-}" ]; then
      echo "check-layers: $allowlist: cannot read the line \"$from $arrow $to\"" >&2
      exit 2
    fi
    allowed["$from -> $to"]=0
  done <"$allowlist"
fi

violations=0
while IFS= read -r -d '' file; do
  relative=${file#"$src"/}
  from=${relative%%/*}
  [ "$from" = "$relative" ] && continue  # a file directly in the source folder
  if [ -z "${level[$from]+set}" ]; then
    echo "$relative: the folder \"$from\" is in no layer" >&2
    violations=$((violations + 1))
    continue
  fi
  while IFS=: read -r line target; do
    to=${target%%/*}
    [ "$to" = "$from" ] && continue
    if [ -n "${level[$to]+set}" ] && [ "${level[$to]}" -lt "${level[$from]}" ]; then
      continue
    fi
    if [ -n "${allowed["$from -> $to"]+set}" ]; then
      allowed["$from -> $to"]=1
      continue
    fi
    echo "$relative:$line: includes \"$target\" ($from -> $to points against the layers)" >&2
    violations=$((violations + 1))
  done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]*/' "$file" |
             sed -E 's/^([0-9]+):[^"]*"([^"]*)".*/\1:\2/' || true)
done < <(find "$src" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' \) -print0 | sort -z)

for pair in "${!allowed[@]}"; do
  if [ "${allowed[$pair]}" = 0 ]; then
    echo "check-layers: \"$pair\" is allowed but no longer happens; remove it from $allowlist" >&2
  fi
done

if [ "$violations" -gt 0 ]; then
  echo "check-layers: $violations include(s) against the layers" >&2
  exit 1
fi

#!/usr/bin/env bash
# Runs check-layers.sh against small trees: one that keeps the layers, then one include against
# them at a time, and the allowlist. Usage: check-layers-test.sh PATH/TO/check-layers.sh
set -uo pipefail

check=${1:?usage: check-layers-test.sh check-layers.sh}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# A tree that keeps the layers: every folder includes its own and lower ones, with the forms the
# project uses (subfolders, system headers, headers beside the file, spaces after the #).
make_good_tree() {
  local root=$1
  rm -rf "$root"
  mkdir -p "$root"/{platform,calendar,utils,link,adapters/KRMira,clock,connections,cli,app}
  echo '#include <string>' >"$root/platform/Platform.h"
  echo '#include "calendar/DateValue.h"' >"$root/calendar/PersianCalendar.h"
  printf '#include "calendar/ShortString.h"\n#include "platform/Platform.h"\n' >"$root/utils/AppText.h"
  printf '#include "utils/AppText.h"\n#include "link/HdlcFrame.h"\n' >"$root/link/Session.cpp"
  printf '#include "utils/AppText.h"\n#include "adapters/IOType.h"\n' >"$root/adapters/KRMira/KRMira.h"
  printf '#include "link/HdlcFrame.h"\n#include "adapters/KRMira/KRMira.h"\n' >"$root/clock/Clock.h"
  printf '#  include "clock/Clock.h"\n' >"$root/connections/ClockSet.h"
  printf '#include "connections/ClockSet.h"\n#include "platform/Platform.h"\n' >"$root/cli/Main.cpp"
  printf '#include <QWidget>\n#include "UFrmMain.h"\n#include "connections/ClockSet.h"\n' \
    >"$root/app/UFrmMain.cpp"
}

# run TREE ALLOWLIST: the exit code and what the check wrote, in $status and $output.
run() {
  output=$("$check" "$1" "$2" 2>&1)
  status=$?
}

tree=$work/src
none=$work/no-allowlist

make_good_tree "$tree"
run "$tree" "$none"
[ "$status" = 0 ] || fail "a tree that keeps the layers is refused ($status): $output"

# One include against the layers per case: file, include, and what the report must name.
cases=(
  "utils/Dictionary.h|clock/ClockTypes.h|utils/Dictionary.h:2: includes \"clock/ClockTypes.h\""
  "calendar/DateValue.cpp|platform/SystemClock.h|calendar -> platform"
  "platform/Port.cpp|calendar/DateValue.h|platform -> calendar"
  "adapters/KRMira/KRMira.cpp|clock/ClockTypes.h|adapters/KRMira/KRMira.cpp:2:"
  "link/Session.cpp|adapters/KRMira/KRMira.h|link -> adapters"
  "link/Channel.cpp|connections/ClockSet.h|link -> connections"
  "clock/Clock.cpp|connections/ClockSet.h|clock -> connections"
  "connections/List.cpp|app/UFrmMain.h|connections -> app"
  "cli/Main.cpp|app/UFrmMain.h|cli -> app"
  "app/UFrmMain.cpp|cli/Commands.h|app -> cli"
  "connections/ClockSet.cpp|models/TextClockModel.h|connections -> models"
)
for case in "${cases[@]}"; do
  IFS='|' read -r file include expected <<<"$case"
  make_good_tree "$tree"
  mkdir -p "$(dirname "$tree/$file")"
  printf '#include <vector>\n#include "%s"\n' "$include" >>"$tree/$file"
  run "$tree" "$none"
  [ "$status" = 1 ] || fail "$file including $include: exit $status, not 1"
  [[ "$output" == *"$expected"* ]] || fail "$file including $include: report lacks '$expected': $output"
done

# A folder that belongs to no layer is refused, whatever it includes.
make_good_tree "$tree"
mkdir -p "$tree/widgets"
echo '#include <QWidget>' >"$tree/widgets/Panel.cpp"
run "$tree" "$none"
[ "$status" = 1 ] && [[ "$output" == *"widgets/Panel.cpp"* ]] ||
  fail "a folder in no layer passes ($status): $output"

# The allowlist lets the listed pair through and nothing else.
make_good_tree "$tree"
echo '#include "connections/ClockSet.h"' >>"$tree/link/Session.cpp"
printf '# known\nlink -> connections   H-link: being removed\n' >"$work/allow"
run "$tree" "$work/allow"
[ "$status" = 0 ] || fail "an allowed include is refused ($status): $output"
echo '#include "clock/Clock.h"' >>"$tree/link/Session.cpp"
run "$tree" "$work/allow"
[ "$status" = 1 ] && [[ "$output" == *"link -> clock"* ]] ||
  fail "the allowlist lets an unlisted pair through ($status): $output"

# An allowed pair that no longer happens is reported, without failing the check.
make_good_tree "$tree"
run "$tree" "$work/allow"
[ "$status" = 0 ] && [[ "$output" == *"link -> connections"*"no longer"* ]] ||
  fail "a stale allowlist line is not reported ($status): $output"

# An allowlist line that cannot be read stops the check.
echo 'link connections' >"$work/bad-allow"
run "$tree" "$work/bad-allow"
[ "$status" = 2 ] || fail "an unreadable allowlist line gives exit $status, not 2"

if [ "$failures" -gt 0 ]; then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "check-layers: all cases passed"

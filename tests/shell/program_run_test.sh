#!/usr/bin/env bash
# Starts the real program as a user would, closes its main window, and checks
# what it saved. Needs a display (the suite runs it on one of its own, through
# tests/shell/with_display.sh) and xdotool.
set -u
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

run_and_close() {  # registry file, then whatever the program should be given
  local reg=$1; shift
  QUARVEL_REGISTRY=$reg "$program" "$@" &
  local pid=$!
  timeout 30 xdotool search --sync --onlyvisible --name '^Quarvel$' >/dev/null || { kill -9 $pid; fail "no main window captioned Quarvel"; }
  kill -TERM $pid
  wait $pid
}

# First run: no registry file; every default is written back at exit.
reg=$work/first.reg
run_and_close "$reg" --ignored-argument || fail "first run exited with $?"
[ -f "$reg" ] || fail "settings were not saved"
head -n 1 "$reg" | grep -qx 'REGEDIT4' || fail "not a REGEDIT4 file"
for line in '"Version"="1.00"' '"StatusBar"=dword:00000001' '"HintMode"=dword:00000000' \
            '"SearchCode"=dword:00000002' '"SearchIncludeHidden"=dword:00000001' \
            '"OperatorAnd"="+"' '"OperatorOr"="|"' '"OperatorNot"="-"' '"OperatorStr"="\""' \
            '"OperatorLevelO"="("' '"OperatorLevelC"=")"' '"FileSeparator"=","' '"FileNotSearch"="-"' \
            '"ColorVD"=dword:000000ff' '"FontFaceName"="Courier New"' '"FontWeight"=dword:00000190' \
            '"FontPitchAndFamily"=dword:00000001' '"Threads"=dword:00000000' '"File0"=""' '"File9"=""' '"DefaultBrowser9"=""'; do
  grep -qixF "$line" "$reg" || fail "missing $line"
done
grep -qi '"FontHeight"=dword:ffff' "$reg" || fail "font height is not a negative (point-size) height"

# Second run: stored values survive, a long operator is cut, a history gap closes.
sed -i -e 's/"OperatorAnd"="+"/"OperatorAnd"="ANDANDANDAND"/' \
       -e 's/"File0"=""/"File0"="*.txt"/' -e 's/"File2"=""/"File2"="*.doc"/' \
       -e 's/"FileQueue"=dword:00000000/"FileQueue"=dword:00000005/' "$reg"
run_and_close "$reg" || fail "second run exited with $?"
grep -qxF '"OperatorAnd"="ANDANDANDA"' "$reg" || fail "operator not cut to 10 characters"
grep -qxF '"File1"="*.doc"' "$reg" || fail "history gap not closed"
grep -qxF '"File2"=""' "$reg" || fail "history not shifted"
grep -qixF '"FileQueue"=dword:00000001' "$reg" || fail "FileQueue not saved as 1"

# Without a display the program says so and how to run it.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY QUARVEL_REGISTRY=$work/none.reg "$program" 2>&1) && fail "started without a display"
echo "$out" | grep -q 'xvfb-run' || fail "no hint about xvfb-run: $out"
[ ! -e "$work/none.reg" ] || fail "settings written although the program never ran"
echo "program start and exit: all checks passed"

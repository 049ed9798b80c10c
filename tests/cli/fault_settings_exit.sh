#!/usr/bin/env bash
# The settings file cannot be written at exit: the program says so in a
# message box before it ends, and the old file is left as it was. Needs a
# display (the suite runs under xvfb-run) and xdotool; the full file system
# case needs root to mount a small one.
set -u
program=$1
work=$(mktemp -d)
mounted=
cleanup() { [ -n "$mounted" ] && umount -l "$mounted"; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Starts the program on a settings file, ends it as the desktop would, and
# expects a message box (captioned Quarvel, after the main window is gone)
# that holds the program until it is answered.
exit_with_message() {
  local reg=$1
  QUARVEL_REGISTRY=$reg "$program" &
  local pid=$!
  local main
  main=$(timeout 30 xdotool search --sync --onlyvisible --name '^Quarvel$' | head -n 1) || { kill -9 $pid; fail "no main window"; }
  kill -TERM $pid
  local box= id
  for _ in $(seq 200); do
    for id in $(xdotool search --onlyvisible --name '^Quarvel$' 2>/dev/null); do
      [ "$id" != "$main" ] && box=$id
    done
    [ -n "$box" ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$box" ] || { kill -9 $pid 2>/dev/null; fail "no message box for a settings file that cannot be written ($reg)"; }
  kill -0 $pid 2>/dev/null || fail "the program did not wait for the message to be read"
  eval "$(xdotool getwindowgeometry --shell "$box")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) key Return
  for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  kill -0 $pid 2>/dev/null && { kill -9 $pid; fail "the program did not end once the message was answered"; }
  wait $pid
}

old='REGEDIT4

[HKEY_CURRENT_USER\Software\Quarvel\Options]
"HintMode"=dword:00000001
'

# A pipe in the settings file's place: neither read nor written, never waited on.
mkfifo "$work/pipe.reg"
exit_with_message "$work/pipe.reg"
[ -p "$work/pipe.reg" ] || fail "the pipe was replaced"

# The settings file's folder is a file.
printf 'keep' > "$work/plain"
exit_with_message "$work/plain/registry.reg"
[ "$(cat "$work/plain")" = keep ] || fail "the file in the folder's place changed"

# A full file system: the old file stays whole and nothing is left beside it.
if [ "$(id -u)" = 0 ] && mkdir "$work/full" && mount -t tmpfs -o size=64k tmpfs "$work/full" 2>/dev/null; then
  mounted=$work/full
  printf '%s' "$old" > "$work/full/registry.reg"
  dd if=/dev/zero of="$work/full/filler" bs=4k 2>/dev/null
  exit_with_message "$work/full/registry.reg"
  [ "$(cat "$work/full/registry.reg")" = "$(printf '%s' "$old")" ] || fail "the old settings file changed"
  [ "$(ls -A "$work/full" | tr '\n' ' ')" = "filler registry.reg " ] || fail "left beside it: $(ls -A "$work/full")"
  rm "$work/full/filler"
fi
echo "settings not saved at exit: all checks passed"

#!/usr/bin/env bash
# Runs a command on a virtual display of its own, in a private home, and ends
# the display afterwards:
#
#     tests/shell/with_display.sh COMMAND [ARGUMENT...]
#
# With QUARVEL_WINDOW_MANAGER=openbox in the environment, the display gets a
# window manager before the command starts, so windows are placed, focused
# and decorated as on a desktop. QUARVEL_SCREEN sets the screen's size
# (1280x900 unless given).
#
# Every window test goes through it, so no two tests share a display, a
# pointer, a keyboard focus or a settings file, and the tests can run side by
# side. The display server picks a free display number itself and tells it
# when it accepts clients (-displayfd), so nothing waits by sleeping. The exit
# status is the command's.
set -u
if [ $# -eq 0 ]; then
  echo "usage: $0 COMMAND [ARGUMENT...]" >&2
  exit 2
fi
command -v Xvfb >/dev/null || { echo "with_display: Xvfb is not installed (package xvfb)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quarvel-display.XXXXXX") || exit 2
server=
manager=
child=
cleanup() {
  local p
  for p in "$child" "$manager" "$server"; do
    if [ -n "$p" ] && kill -0 "$p" 2>/dev/null; then
      kill -TERM "$p" 2>/dev/null
      # A server or command that does not end on SIGTERM within 5 s is killed.
      for _ in $(seq 50); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
      kill -KILL "$p" 2>/dev/null
      wait "$p" 2>/dev/null
    fi
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
trap 'exit 129' HUP

# -noreset: the server would otherwise start over whenever its last client
# leaves, and turn away a client that connects just then. -nolisten tcp:
# local clients only. The server writes its display number to descriptor 3
# once it accepts connections.
mkfifo "$work/displayfd" || exit 2
Xvfb -displayfd 3 -screen 0 "${QUARVEL_SCREEN:-1280x900}x24" -noreset -nolisten tcp \
  3>"$work/displayfd" >"$work/xvfb.log" 2>&1 &
server=$!
number=
# The read ends when the server writes its number, or with nothing when the
# server ends (the fifo's writer closes) or after 30 s.
read -r -t 30 number <"$work/displayfd"
if ! [[ "$number" =~ ^[0-9]+$ ]] || ! kill -0 "$server" 2>/dev/null; then
  echo "with_display: the virtual display did not start; its output:" >&2
  cat "$work/xvfb.log" >&2
  exit 2
fi

export DISPLAY=":$number"
unset WAYLAND_DISPLAY XAUTHORITY SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS
# A home, configuration, data, cache and settings file of this run's own: the
# toolkit's file chooser and recent files, and the program's settings, touch
# nothing of the user's or of another test.
mkdir -p "$work/home" "$work/runtime" && chmod 700 "$work/runtime"
export HOME=$work/home
export XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$work/runtime
export QUARVEL_REGISTRY=$work/home/registry.reg
# Settings in memory and no accessibility bridge: the toolkit looks for no
# session bus.
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1

case "${QUARVEL_WINDOW_MANAGER:-}" in
  "") ;;
  openbox)
    command -v openbox >/dev/null || { echo "with_display: openbox is not installed (package openbox)" >&2; exit 2; }
    # The window manager runs its start-up command once it manages the screen.
    openbox --sm-disable --startup "touch $work/managing" >"$work/openbox.log" 2>&1 &
    manager=$!
    for _ in $(seq 300); do
      [ -e "$work/managing" ] && break
      kill -0 "$manager" 2>/dev/null || break
      sleep 0.1
    done
    if [ ! -e "$work/managing" ]; then
      echo "with_display: the window manager did not start; its output:" >&2
      cat "$work/openbox.log" >&2
      exit 2
    fi
    ;;
  *) echo "with_display: unknown window manager '$QUARVEL_WINDOW_MANAGER' (openbox, or none)" >&2; exit 2 ;;
esac

"$@" &
child=$!
wait "$child"
status=$?
child=
exit "$status"

#!/usr/bin/env bash
# Drives the real program by keys only, as a user would: a new search over a
# small tree, the result saved as a project, then Alt+X. Checks the project
# file and the settings the program wrote at exit.
# Needs a display (the suite runs it on one of its own, through
# tests/shell/with_display.sh) and xdotool.
set -u
program=${1:-}
log=
fail() {
  echo "FAIL: $*"
  if [ -n "$log" ] && [ -s "$log" ]; then
    echo "--- the program's output, last lines ---"
    tail -n 20 "$log"
  fi
  exit 1
}

[ -n "$program" ] || fail "usage: $0 /path/to/quarvel"
[ -x "$program" ] || fail "$program is not an executable"
[ -n "${DISPLAY:-}" ] || fail "DISPLAY is not set; run this under xvfb-run"
command -v xdotool >/dev/null || fail "xdotool is not installed"

work=$(mktemp -d)
log=$work/program.log
pid=
holder=
cleanup() {
  local p
  for p in "$pid" "$holder"; do
    if [ -n "$p" ] && kill -0 "$p" 2>/dev/null; then
      kill -KILL "$p" 2>/dev/null
      wait "$p" 2>/dev/null
    fi
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# Xvfb starts over when its last client leaves and turns clients away while
# it does, which a program starting just then takes for no display at all.
# A client that stays connected for the whole test keeps that from happening
# between the program's runs (xprop, else an xdotool wait for a window that
# never comes).
hold_display() {
  local try
  for try in $(seq 25); do
    if command -v xprop >/dev/null; then
      xprop -root -spy >/dev/null 2>&1 &
    else
      xdotool search --sync --name '^no window has this title$' >/dev/null 2>&1 &
    fi
    holder=$!
    sleep 0.2
    kill -0 "$holder" 2>/dev/null && xdotool getmouselocation >/dev/null 2>&1 && return 0
    kill -KILL "$holder" 2>/dev/null
    wait "$holder" 2>/dev/null
    holder=
  done
  fail "cannot open display $DISPLAY"
}
hold_display

tree=$work/tree
saved=$work/saved
reg=$work/settings.reg
mkdir -p "$tree/sub" "$saved" "$work/home"
printf 'alpha beta\n' >"$tree/a.txt"
printf 'alpha\n' >"$tree/sub/b.txt"
printf 'beta only\n' >"$tree/c.txt"
printf 'alpha\n' >"$tree/d.log"

# ---- the program ----------------------------------------------------------

# It gets a home of its own, so the file chooser keeps its recent files out of
# the real one, and settings in memory, so GTK looks for no session bus.
start_program() {
  HOME=$work/home GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 QUARVEL_REGISTRY=$reg \
    "$program" >>"$log" 2>&1 &
  pid=$!
}

status=
running() {
  kill -0 "$pid" 2>/dev/null && return 0
  wait "$pid" 2>/dev/null
  status=$?
  return 1
}

wait_for_exit() {  # seconds, what should have ended it; the exit status goes to $status
  local tries=$(($1 * 10))
  while running; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || fail "the program did not end within $1 s after $2"
    sleep 0.1
  done
  pid=
}

# Polls a command every 0.1 s for at most the given seconds, then the
# command; fails at once when the program has ended.
poll() {  # seconds, what is awaited, then the command
  local tries=$(($1 * 10)) what=$2
  shift 2
  until "$@"; do
    running || fail "the program ended (status $status) while waiting for $what"
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
  # Windows are gone too when the program has died.
  running || fail "the program ended (status $status) while waiting for $what"
}
wait_until() {  # seconds, what is awaited, then the command
  poll "$@" || fail "timed out after $1 s waiting for $2"
}

# ---- its windows ----------------------------------------------------------

# Sets $found to the windows titled exactly $2, mapped ones only with
# --onlyvisible as $1. xdotool's names are case-blind patterns, so each
# title is read back. A window that vanishes while xdotool walks the tree
# makes it stop with an X error; the walk is then made again.
find_windows() {
  local err=$work/xdotool.err ids id try only=()
  [ -z "$1" ] || only=("$1")
  found=
  for try in 1 2 3 4 5; do
    ids=$(xdotool search "${only[@]}" --name "^$2\$" 2>"$err")
    grep -q 'X Error' "$err" || break
    [ "$try" -lt 5 ] || fail "xdotool keeps failing to list windows: $(head -n 1 "$err")"
  done
  for id in $ids; do
    [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$2" ] && found="$found $id"
  done
  found=${found# }
}
shown() { find_windows --onlyvisible "$1"; [ -n "$found" ]; }
# A dialog keeps its window until the command that made it is over.
gone() { find_windows '' "$1"; [ -z "$found" ]; }

# A message box has the main window's caption: any other such window is one.
message_box_up() {
  local id
  find_windows --onlyvisible Quarvel
  for id in $found; do [ "$id" = "$main" ] || return 0; done
  return 1
}

# Puts the pointer over the middle of a window and gives it the keyboard
# focus; GTK takes keys from the X server only then.
focus() {  # window, what it is
  local WINDOW X Y WIDTH HEIGHT SCREEN width height
  running || fail "the program ended (status $status) before the keys for $2"
  WIDTH=
  eval "$(xdotool getwindowgeometry --shell "$1" 2>/dev/null)"
  [ -n "$WIDTH" ] || fail "$2 (window $1) has no geometry"
  : "$WINDOW" "$SCREEN"
  read -r width height < <(xdotool getdisplaygeometry)
  local x=$((X + WIDTH / 2)) y=$((Y + HEIGHT / 2))
  [ "$x" -ge 0 ] || x=0
  [ "$x" -lt "$width" ] || x=$((width - 1))
  [ "$y" -ge 0 ] || y=0
  [ "$y" -lt "$height" ] || y=$((height - 1))
  # A move to where the pointer already is would wait for ever with --sync.
  if [ "$(xdotool getmouselocation | cut -d' ' -f1-2)" != "x:$x y:$y" ]; then
    timeout 5 xdotool mousemove --sync "$x" "$y" || fail "could not move the pointer over $2"
  fi
  timeout 5 xdotool windowfocus --sync "$1" || fail "could not give $2 the focus"
}

press() {  # window, what it is, then the keys
  local window=$1 what=$2
  shift 2
  focus "$window" "$what"
  xdotool key "$@" || fail "xdotool could not press $* in $what"
}

# Presses a key in a dialog until the dialog takes it, then waits for what
# should come of it. GTK drops a key that comes while a dialog is still
# settling (the file chooser's name entry just after typing, say), and no X
# event tells when it is ready; so the key is pressed again, but only while
# the dialog is still on the screen with nothing done.
still_up() { shown "$2" && [[ " $found " == *" $1 "* ]]; }  # window, title
taken() { "${@:3}" || ! still_up "$1" "$2"; }  # window, title, then the condition
press_until() {  # window, its title, what it is, key, seconds, what is awaited, then the condition
  local window=$1 title=$2 what=$3 key=$4 seconds=$5 awaited=$6 attempt
  shift 6
  for attempt in 1 2 3 4; do
    press "$window" "$what" "$key"
    if poll 3 "$what to take $key" taken "$window" "$title" "$@"; then
      wait_until "$seconds" "$awaited" "$@"
      return
    fi
    echo "note: $what is still up after $key number $attempt"
  done
  fail "$what stayed up after $key, pressed $attempt times"
}

first_shown() {  # seconds, title, what should have brought it up; sets $window
  wait_until "$1" "a window titled '$2' $3" shown "$2"
  window=${found%% *}
}

# ---- first run: every default written at exit -----------------------------

start_program
first_shown 20 Quarvel "at the first start"
main=$window
kill -TERM "$pid"
wait_for_exit 10 "SIGTERM on the first run"
[ "$status" -eq 0 ] || fail "the first run exited with status $status"
[ -f "$reg" ] || fail "the first run wrote no settings file"

set_value() {  # name, value as the file holds it
  grep -q "^\"$1\"=" "$reg" || fail "the settings file has no value \"$1\""
  local escaped=${2//\\/\\\\}
  escaped=${escaped//&/\\&}
  escaped=${escaped//|/\\|}
  sed -i "s|^\"$1\"=.*|\"$1\"=$escaped|" "$reg"
  grep -qxF "\"$1\"=$2" "$reg" || fail "could not set \"$1\" in the settings file"
}
# The folder, file list and expression a search starts with are the front
# entries of their histories.
set_value Path0 "\"$tree\""
set_value File0 '"*.txt"'
set_value String0 '"alpha"'
set_value String1 '"gamma"'
set_value SearchIncludeSubDir dword:00000001
set_value PathSaveQV "\"$saved\""

# ---- second run: N, Return, S, a name, Return, Alt+X -----------------------

start_program
first_shown 20 Quarvel "at the second start"
main=$window

press "$main" "the main window" n
first_shown 10 'Search menu' "after N in the main window"
# The Search menu's window lasts until the search is over and its progress
# window has closed.
search_over() {
  message_box_up && fail "a message box came up during the search (nothing found?)"
  gone 'Search menu'
}
press_until "$window" 'Search menu' "the Search menu dialog" Return 15 "the search to end" search_over
gone Search || fail "the progress window Search is still there after the search"

press "$main" "the main window" s
first_shown 10 Save "after S in the main window"
chooser=$window
# The chooser opens in the remembered save folder, so a bare name lands there.
focus "$chooser" "the Save dialog"
xdotool type --delay 15 result || fail "xdotool could not type in the Save dialog"
saved_and_closed() {
  message_box_up && fail "a message box came up after Return in the Save dialog"
  gone Save
}
sleep 0.3  # the name entry takes a moment over what was typed
press_until "$chooser" Save "the Save dialog" Return 10 "the project to be saved" saved_and_closed
[ -f "$saved/result.QRV" ] || fail "no result.QRV in the save folder, which holds: $(ls -A "$saved")"

press "$main" "the main window" alt+x
wait_for_exit 15 "Alt+X"
[ "$status" -eq 0 ] || fail "the program exited with status $status after Alt+X"

# ---- the project file: CR LF line ends, the settings, the found files -------

project=$saved/result.QRV
[ "$(tail -c 2 "$project" | od -An -c | tr -d ' ')" = '\r\n' ] || fail "the project file does not end with CR LF"
[ "$(grep -c $'\r$' "$project")" -eq "$(wc -l <"$project")" ] || fail "a line of the project file does not end with CR LF"
text=$(tr -d '\r' <"$project")
[ "$(echo "$text" | head -n 1)" = '[Quarvel]' ] || fail "the project file does not start with [Quarvel]"
section() { echo "$text" | awk -v name="[$1]" '/^\[/ { inside = ($0 == name); next } inside && NF'; }
for line in 'SearchString=alpha' 'SearchFilesMask=*.txt' "SearchDefaultPath=$tree" 'SearchIncludeSubDir=1'; do
  section Quarvel | grep -qxF "$line" || fail "no $line in [Quarvel]"
done
echo "$text" | grep -qxF '[FoundFiles]' || fail "the project file has no [FoundFiles] section"
found_files=$(section FoundFiles | cut -d, -f1-3 | sort)
expected=$(printf '%s\n' "$tree,a.txt,11" "$tree/sub,b.txt,6" | sort)
[ "$found_files" = "$expected" ] || fail "the found files (folder,name,size) are:
$found_files
expected:
$expected"

# ---- the settings written at exit ------------------------------------------

value() { grep "^\"$1\"=" "$reg"; }
[ "$(value PathSaveQV)" = "\"PathSaveQV\"=\"$saved/\"" ] || fail "$(value PathSaveQV), expected the save folder $saved/"
[ "$(value String0)" = '"String0"="alpha"' ] || fail "the expression is not first in its history: $(value String0)"
[ "$(value String1)" = '"String1"="gamma"' ] || fail "the older expression did not stay second: $(value String1)"
[ "$(grep -c '^"String[0-9]"="alpha"$' "$reg")" -eq 1 ] || fail "the expression is in its history more than once"
[ "$(value Path0)" = "\"Path0\"=\"$tree\"" ] || fail "the searched folder is not first in its history: $(value Path0)"
echo "search by keys, save and exit: all checks passed"

# Drives the real program as a user would, for the tests that start it.
# Sourced by a test script after it has set `program` (the program's path).
# Needs a display (the suite gives each test one of its own, through
# tests/shell/with_display.sh) and xdotool.
#
# The program runs with its output in $log and its settings in $reg, inside
# the test's own folder $work, which goes when the script ends.

log=
fail() {
  echo "FAIL: $*"
  if [ -n "$log" ] && [ -s "$log" ]; then
    echo "--- the program's output, last lines ---"
    tail -n 20 "$log"
  fi
  exit 1
}

[ -n "${program:-}" ] || fail "usage: $0 /path/to/quarvel"
[ -x "$program" ] || fail "$program is not an executable"
[ -n "${DISPLAY:-}" ] || fail "DISPLAY is not set; run this under tests/shell/with_display.sh"
command -v xdotool >/dev/null || fail "xdotool is not installed"

work=$(mktemp -d)
log=$work/program.log
reg=$work/settings.reg
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
mkdir -p "$work/home"

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

# The toolkit's complaints (and those of the drawing library under it) and the sanitizers' reports are faults of the
# program, whatever else went well.
output_is_clean() {  # what was being done
  local bad
  bad=$(grep -E '[*]{3} BUG [*]{3}|Gtk-WARNING|Gtk-CRITICAL|GLib-GObject-WARNING|GLib-GObject-CRITICAL|GLib-CRITICAL|ERROR: AddressSanitizer|ERROR: LeakSanitizer|runtime error:' "$log" | head -n 5)
  [ -z "$bad" ] || fail "the program's output over $1 holds:
$bad"
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
  # A window manager gives the focus to a window it is asked to activate.
  timeout 5 xdotool windowactivate --sync "$1" 2>/dev/null || timeout 5 xdotool windowfocus --sync "$1" ||
    fail "could not give $2 the focus"
}

press() {  # window, what it is, then the keys
  local window=$1 what=$2
  shift 2
  focus "$window" "$what"
  xdotool key --delay 80 "$@" || fail "xdotool could not press $* in $what"
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

# Sets a value of the settings file the program wrote.
set_value() {  # name, value as the file holds it
  grep -q "^\"$1\"=" "$reg" || fail "the settings file has no value \"$1\""
  local escaped=${2//\\/\\\\}
  escaped=${escaped//&/\\&}
  escaped=${escaped//|/\\|}
  sed -i "s|^\"$1\"=.*|\"$1\"=$escaped|" "$reg"
  grep -qxF "\"$1\"=$2" "$reg" || fail "could not set \"$1\" in the settings file"
}

# A first run writes every setting; then the folder, file list and expression
# the next search starts with are the front entries of their histories.
settings_for_search() {  # folder, file list, expression
  start_program
  first_shown 20 Quarvel "at the first start"
  kill -TERM "$pid"
  wait_for_exit 10 "SIGTERM at the first start"
  set_value Path0 "\"$1\""
  set_value File0 "\"$2\""
  set_value String0 "\"$3\""
}

# An editor that writes its arguments, each ended by a NUL byte, to $args,
# where the test reads them: $editor is its path.
recording_editor() {
  editor=$work/editor
  args=$work/args
  cat >"$editor" <<EOS
#!/bin/sh
printf '%s\\0' "\$@" >"$args.part" && mv "$args.part" "$args"
EOS
  chmod +x "$editor"
}

# ---- commands of the main window --------------------------------------------

# N in the main window ($main); sets $setup to the Search menu dialog.
search_dialog() {
  press "$main" "the main window" n
  first_shown 10 'Search menu' "after N in the main window"
  setup=$window
  sleep 0.5  # GTK drops keys that come while a dialog is still settling
}

# The search the settings hold, run from the Search menu dialog; then the
# first row found is selected.
search_and_select_first_row() {
  search_dialog
  press_until "$setup" 'Search menu' "the Search menu dialog" Return 15 "the search to end" gone 'Search menu'
  # A click on the first row: below the menu, the tool bar and the list's header.
  focus "$main" "the main window"
  xdotool mousemove --window "$main" 30 95 click 1
}

# V on the selected row; sets $viewer to the viewer of a file in $tree.
open_viewer() {
  press "$main" "the main window" v
  wait_until 10 "a viewer after V in the main window" viewer_shown
}
viewer_shown() {
  viewer=$(xdotool search --onlyvisible --name "^$tree/[^/]*\\.txt \\(line:1/0%\\)\$" 2>/dev/null | head -n 1)
  [ -n "$viewer" ]
}

#!/usr/bin/env bash
# Edit at line, driven as a user would: with the Editor setting naming a small
# script, Ctrl+E in the viewer starts it with the found file's path as one
# argument (a blank and quotes in the name) and the line of the hit: the
# first one shown at first, then the one F3 stepped to. An editor that cannot
# be started brings up a message and leaves the viewer open. Needs a display
# and xdotool (program_driver.sh).
set -u
program=${1:-}
source "$(dirname "$0")/program_driver.sh"

tree=$work/tree
mkdir -p "$tree"
file="$tree/my 'odd' notes.txt"
printf 'one\ntwo\nthree\nalpha four\nfive\nsix\nseven\nalpha eight\n' >"$file"

recording_editor

settings_for_search "$tree" "*.txt" alpha
set_value Editor "\"$editor --line=%l %f\""

start_program
first_shown 20 Quarvel "at the start"
main=$window
search_and_select_first_row
open_viewer

edited_at() {  # line, what was pressed
  wait_until 10 "the editor to be started after $2" test -f "$args"
  cmp -s "$args" <(printf '%s\0' "--line=$1" "$file") ||
    fail "after $2 the editor was given $(tr '\0' '|' <"$args"), not --line=$1|$file|"
  rm -f "$args"
}
press "$viewer" "the viewer" ctrl+e
edited_at 4 "Ctrl+E with the first hit in sight"
press "$viewer" "the viewer" F3 F3 ctrl+e
edited_at 8 "F3 twice and Ctrl+E"

press "$main" "the main window" alt+x
wait_for_exit 15 "Alt+X"
[ "$status" -eq 0 ] || fail "the program exited with status $status"

# An editor that is not there: a message, and the viewer stays.
set_value Editor "\"$work/missing-editor --line=%l %f\""
start_program
first_shown 20 Quarvel "at the second start"
main=$window
search_and_select_first_row
open_viewer
press "$viewer" "the viewer" ctrl+e
wait_until 10 "the message that the editor cannot be started" message_box_up
for box in $found; do [ "$box" = "$main" ] || break; done
press "$box" "the message box" Return
no_message_box() { ! message_box_up; }
wait_until 10 "the message box to close" no_message_box
viewer_shown || fail "the viewer closed after the message"
[ ! -e "$args" ] || fail "a missing editor left arguments behind"

press "$main" "the main window" alt+x
wait_for_exit 15 "Alt+X"
[ "$status" -eq 0 ] || fail "the program exited with status $status"
output_is_clean "Edit at line"
echo "edit at line: all checks passed"

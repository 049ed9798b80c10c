#!/usr/bin/env bash
# The viewer's menus and Esc, driven as a user would: Esc while one of its
# menus is open (opened by the mouse, or by its key) closes only that menu;
# Esc with no menu open closes the viewer. Needs a display and xdotool
# (program_driver.sh).
set -u
program=${1:-}
source "$(dirname "$0")/program_driver.sh"

tree=$work/tree
mkdir -p "$tree"
printf 'alpha beta\n' >"$tree/a.txt"
settings_for_search "$tree" "*.txt" alpha

start_program
first_shown 20 Quarvel "at the start"
main=$window
search_and_select_first_row
open_viewer

menu_up() { [ "$(xdotool search --onlyvisible --class . 2>/dev/null | wc -l)" -gt "$windows_before" ]; }
viewer_up() { xdotool search --onlyvisible --name "^$tree/a\\.txt " >/dev/null 2>&1; }

for how in mouse key; do
  focus "$viewer" "the viewer"
  windows_before=$(xdotool search --onlyvisible --class . 2>/dev/null | wc -l)
  if [ "$how" = mouse ]; then
    xdotool mousemove --window "$viewer" 20 10 click 1  # the menu bar's first title, "Search"
  else
    xdotool key alt+s
  fi
  wait_until 5 "the viewer's Search menu, opened by the $how" menu_up
  xdotool key Escape
  sleep 0.5
  viewer_up || fail "Esc on the viewer's menu opened by the $how closed the viewer"
  menu_up && fail "Esc on the viewer's menu opened by the $how left the menu open"
done

press "$viewer" "the viewer" Escape
poll 5 "the viewer to close on Esc" bash -c "! xdotool search --onlyvisible --name '^$tree/a\\.txt ' >/dev/null 2>&1" ||
  fail "Esc with no menu open did not close the viewer"
press "$main" "the main window" alt+x
wait_for_exit 15 "Alt+X"
[ "$status" -eq 0 ] || fail "the program exited with status $status"
output_is_clean "the viewer's menus"
echo "viewer menus and Esc: all checks passed"

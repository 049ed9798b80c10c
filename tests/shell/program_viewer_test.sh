#!/usr/bin/env bash
# The viewer's menus, Copy and Esc, driven as a user would: Ctrl+A then
# Ctrl+C over a UTF-8 file of Cyrillic, accented and CJK text puts its text
# on the clipboard (read back with xclip); Esc while one of its menus is open
# (opened by the mouse, or by its key) closes only that menu; Esc with no menu
# open closes the viewer. Needs a display and xdotool (program_driver.sh).
set -u
program=${1:-}
source "$(dirname "$0")/program_driver.sh"

tree=$work/tree
mkdir -p "$tree"
printf 'alpha beta\n\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82, \xd0\xbc\xd0\xb8\xd1\x80! caf\xc3\xa9 \xe4\xb8\xad\xe6\x96\x87\n' >"$tree/a.txt"
settings_for_search "$tree" "*.txt" alpha

start_program
first_shown 20 Quarvel "at the start"
main=$window
search_and_select_first_row
open_viewer

press "$viewer" "the viewer" ctrl+a ctrl+c
if command -v xclip >/dev/null; then
  clipboard() { timeout 5 xclip -o -selection clipboard 2>/dev/null; }
  copied() { [ "$(clipboard)" = "$(cat "$tree/a.txt")" ]; }
  poll 5 "the clipboard to hold the file's text" copied ||
    fail "Ctrl+A, Ctrl+C in the viewer copied '$(clipboard)', not the file's text"
else
  echo "note: xclip is not installed: the copied text is not checked"
fi

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

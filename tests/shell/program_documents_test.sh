#!/usr/bin/env bash
# A member of an archive, driven as a user would: the search finds it inside
# its zip and names the damaged archive beside it in one message at the end;
# V shows the member's text (Ctrl+A, Ctrl+C copies it); Ctrl+E hands the
# editor a copy in the program's private folder, which is gone once the
# program has ended. Needs a display and xdotool (program_driver.sh).
set -u
program=${1:-}
source "$(dirname "$0")/program_driver.sh"

tree=$work/tree
mkdir -p "$tree"
python3 - "$tree" <<'PYTHON' || fail "could not make the archives"
import sys, zipfile
with zipfile.ZipFile(sys.argv[1] + '/a.zip', 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('docs/q.txt', 'alpha quarterly\nrevenue\n')
whole = open(sys.argv[1] + '/a.zip', 'rb').read()
open(sys.argv[1] + '/bad.zip', 'wb').write(whole[:50])  # cut inside the member's data
PYTHON

recording_editor
settings_for_search "$tree" "*.txt" alpha
set_value Editor "\"$editor %f\""

export TMPDIR=$work/tmp
mkdir -p "$TMPDIR"
start_program
first_shown 20 Quarvel "at the start"
main=$window
search_dialog
press_until "$setup" 'Search menu' "the Search menu dialog" Return 15 "the message that names the damaged archive" \
  message_box_up
for box in $found; do [ "$box" = "$main" ] || break; done
press "$box" "the message box" Return
no_message_box() { ! message_box_up; }
wait_until 10 "the message box to close" no_message_box
wait_until 15 "the search to end" gone 'Search menu'
focus "$main" "the main window"
xdotool mousemove --window "$main" 30 95 click 1

press "$main" "the main window" v
member_viewer() {
  viewer=$(xdotool search --onlyvisible --name "^$tree/a\\.zip//docs/q\\.txt " 2>/dev/null | head -n 1)
  [ -n "$viewer" ]
}
wait_until 10 "the member's viewer after V" member_viewer
press "$viewer" "the viewer" ctrl+a ctrl+c
if command -v xclip >/dev/null; then
  clipboard() { timeout 5 xclip -o -selection clipboard 2>/dev/null; }
  copied() { [ "$(clipboard)" = "$(printf 'alpha quarterly\nrevenue')" ]; }
  poll 5 "the clipboard to hold the member's text" copied ||
    fail "Ctrl+A, Ctrl+C in the member's viewer copied '$(clipboard)'"
fi

press "$viewer" "the viewer" ctrl+e
wait_until 10 "the editor to be started after Ctrl+E" test -f "$args"
copy=$(tr -d '\0' <"$args")
case $copy in
  "$TMPDIR"/quarvel-*/*/q.txt) ;;
  *) fail "the editor was given $copy, not a copy in the private folder" ;;
esac
[ "$(cat "$copy")" = "$(printf 'alpha quarterly\nrevenue')" ] || fail "the copy holds $(cat "$copy")"
private=${copy%/*/q.txt}
[ "$(stat -c %a "$private")" = 700 ] || fail "the private folder has mode $(stat -c %a "$private")"

press "$main" "the main window" alt+x
wait_for_exit 15 "Alt+X"
[ "$status" -eq 0 ] || fail "the program exited with status $status"
[ ! -e "$private" ] || fail "the private folder $private is left behind"
output_is_clean "a member of an archive"
echo "documents and archives: all checks passed"

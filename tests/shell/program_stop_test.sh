#!/usr/bin/env bash
# The program is ended by SIGTERM in every state a user can leave it in: a
# dialog open (each one, and the desktop's own choosers and message boxes
# over them), a menu open, a search running, a viewer open. Each time it ends
# the normal way: what was open is cancelled, the status is 0 and the
# settings are saved. Closing the main window ends the program even with a
# viewer or the help window open. Needs a display and xdotool
# (program_driver.sh).
set -u
program=${1:-}
source "$(dirname "$0")/program_driver.sh"

tree=$work/tree
mkdir -p "$tree" "$work/big"
printf 'alpha beta\n' >"$tree/a.txt"
printf 'alpha\n' >"$tree/b.txt"
# A search over this takes seconds: a sparse file reads as 3 GB of zeros.
truncate -s 3G "$work/big/zeros.txt"

settings_for_search "$tree" "*.txt" alpha

# Starts the program with settings that it changes when it saves them:
# FileQueue 5 is written back as 1.
begin() {  # what the case is
  what=$1
  set_value FileQueue dword:00000005
  start_program
  first_shown 20 Quarvel "at the start ($what)"
  main=$window
}

# The program must end by itself, by status 0, having saved its settings.
ended_the_normal_way() {  # what ended it
  wait_for_exit 20 "$1 ($what)"
  [ "$status" -eq 0 ] || fail "the program exited with status $status after $1 ($what)"
  grep -qixF '"FileQueue"=dword:00000001' "$reg" || fail "the settings were not saved after $1 ($what)"
  output_is_clean "$what"
}

stop_with() {  # what is open; sends SIGTERM and expects the normal end
  running || fail "the program ended (status $status) before SIGTERM ($what)"
  kill -TERM "$pid"
  ended_the_normal_way "SIGTERM"
}

# ---- dialogs of the main window ---------------------------------------------

begin "the search dialog open"
search_dialog
stop_with

begin "the directory browser over the search dialog"
search_dialog
press "$setup" "the Search menu dialog" alt+p Tab Tab space
first_shown 10 'Select a Directory' "after its Browse button for the folder"
stop_with

begin "the open-project chooser"
press "$main" "the main window" o
first_shown 10 Open "after O in the main window"
stop_with

begin "the options dialog and its font chooser"
press "$main" "the main window" alt+s c
first_shown 10 Options "from the menu's Configuration"
press "$window" "the Options dialog" alt+f
wait_until 10 "the font chooser" bash -c '[ "$(xdotool search --onlyvisible --name . 2>/dev/null | wc -l)" -gt 0 ]'
sleep 0.5
stop_with

begin "the About box"
press "$main" "the main window" alt+h a
first_shown 10 About "from the menu's About"
stop_with

set_value String0 '"no such word"'
begin "a message box: nothing found"
search_dialog
press "$setup" "the Search menu dialog" Return
wait_until 15 "the message that nothing was found" message_box_up
stop_with
set_value String0 '"alpha"'

begin "the information, save and open-with dialogs after a search"
search_and_select_first_row
press "$main" "the main window" i
first_shown 10 'Quarvel info' "after I in the main window"
stop_with

begin "the save chooser"
search_and_select_first_row
press "$main" "the main window" s
first_shown 10 Save "after S in the main window"
stop_with

begin "the open-with dialog"
search_and_select_first_row
press "$main" "the main window" w
first_shown 10 'Open with...' "after W in the main window"
stop_with

# ---- menus ------------------------------------------------------------------

begin "the Search menu open"
press "$main" "the main window" alt+s
sleep 0.5
stop_with

begin "the results list's context menu open"
search_and_select_first_row
press "$main" "the main window" shift+F10
sleep 0.5
stop_with

# ---- a search running ---------------------------------------------------------

set_value Path0 "\"$work/big\""
begin "a search running"
search_dialog
press "$setup" "the Search menu dialog" Return
first_shown 10 Search "after Return in the Search menu dialog"
sleep 1
shown Search || fail "the search over 3 GB was over within a second; nothing was running at SIGTERM"
stop_with
set_value Path0 "\"$tree\""

# ---- the viewer ---------------------------------------------------------------

begin "a viewer and its information dialog"
search_and_select_first_row
open_viewer
press "$viewer" "the viewer" i
first_shown 10 'Quarvel Info' "after I in the viewer"
stop_with

begin "a viewer open when the main window closes"
search_and_select_first_row
open_viewer
press "$main" "the main window" alt+x
ended_the_normal_way "Alt+X in the main window"

begin "the help window open when the main window closes"
press "$main" "the main window" F1
wait_until 10 "the help window after F1" bash -c "xdotool search --onlyvisible --name '^Quarvel Help: ' >/dev/null"
press "$main" "the main window" alt+x
ended_the_normal_way "Alt+X in the main window"

echo "stopped in every state the normal way: all checks passed"

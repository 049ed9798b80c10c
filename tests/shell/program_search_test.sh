#!/usr/bin/env bash
# Drives the real program by keys only, as a user would: a new search over a
# small tree, the result saved as a project, then Alt+X. Checks the project
# file and the settings the program wrote at exit, and that the program's
# output holds no complaint of the toolkit over the whole run. Needs a
# display and xdotool (program_driver.sh).
set -u
program=${1:-}
source "$(dirname "$0")/program_driver.sh"

tree=$work/tree
saved=$work/saved
mkdir -p "$tree/sub" "$saved"
printf 'alpha beta\n' >"$tree/a.txt"
printf 'alpha\n' >"$tree/sub/b.txt"
printf 'beta only\n' >"$tree/c.txt"
printf 'alpha\n' >"$tree/d.log"
# Unicode text as Linux holds it: UTF-8, and UTF-16 after its byte order mark.
printf 'Hello: \xd0\xbf\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82, \xd0\xbc\xd0\xb8\xd1\x80\n' >"$tree/ru.txt"
printf '\xff\xfe\x3f\x04\x40\x04\x38\x04\x32\x04\x35\x04\x42\x04\n\0' >"$tree/ru16.txt"

# ---- first run: every default written at exit -----------------------------

start_program
first_shown 20 Quarvel "at the first start"
main=$window
kill -TERM "$pid"
wait_for_exit 10 "SIGTERM on the first run"
[ "$status" -eq 0 ] || fail "the first run exited with status $status"
[ -f "$reg" ] || fail "the first run wrote no settings file"

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

# E exports the list; the first type, CSV, gives a bare name its extension.
press "$main" "the main window" e
first_shown 10 'Export list' "after E in the main window"
chooser=$window
focus "$chooser" "the Export list dialog"
xdotool type --delay 15 found || fail "xdotool could not type in the Export list dialog"
exported_and_closed() {
  message_box_up && fail "a message box came up after Return in the Export list dialog"
  gone 'Export list'
}
sleep 0.3
press_until "$chooser" 'Export list' "the Export list dialog" Return 10 "the list to be exported" exported_and_closed
[ -f "$saved/found.csv" ] || fail "no found.csv in the save folder, which holds: $(ls -A "$saved")"
[ "$(head -n 1 "$saved/found.csv")" = $'path,folder,name,size,date,time,hits\r' ] || fail "found.csv starts: $(head -n 1 "$saved/found.csv")"
[ "$(cut -d, -f1 "$saved/found.csv" | tail -n +2 | sort | tr -d '\r')" = "$(printf '%s\n' "$tree/a.txt" "$tree/sub/b.txt" | sort)" ] ||
  fail "found.csv holds: $(cat "$saved/found.csv")"
# P hides the preview pane, which the settings then remember.
press "$main" "the main window" p

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
[ "$(value PreviewPane)" = '"PreviewPane"=dword:00000000' ] || fail "the hidden preview pane is stored as $(value PreviewPane)"
output_is_clean "the whole run"

# ---- third run: a Cyrillic expression typed, found in UTF-8 and UTF-16 -----

start_program
first_shown 20 Quarvel "at the third start"
main=$window
press "$main" "the main window" n
first_shown 10 'Search menu' "after N in the main window"
setup=$window
# The expression's box has the focus; what it holds is replaced by the typed word.
press "$setup" "the Search menu dialog" ctrl+a
xdotool type --delay 40 "привет" || fail "xdotool could not type Cyrillic"
sleep 0.3
press_until "$setup" 'Search menu' "the Search menu dialog" Return 15 "the search to end" search_over
press "$main" "the main window" s
first_shown 10 Save "after S in the main window"
chooser=$window
focus "$chooser" "the Save dialog"
xdotool type --delay 15 cyrillic || fail "xdotool could not type in the Save dialog"
sleep 0.3
press_until "$chooser" Save "the Save dialog" Return 10 "the project to be saved" saved_and_closed
press "$main" "the main window" alt+x
wait_for_exit 15 "Alt+X"
[ "$status" -eq 0 ] || fail "the program exited with status $status after Alt+X"
project=$saved/cyrillic.QRV
[ -f "$project" ] || fail "no cyrillic.QRV in the save folder, which holds: $(ls -A "$saved")"
[ "$(head -c 18 "$project")" = $'\xef\xbb\xbf[UTF-8 Quarvel]' ] || fail "a Cyrillic project is not written in UTF-8: $(head -n 1 "$project")"
text=$(tail -c +4 "$project" | tr -d '\r')
section 'UTF-8 Quarvel' | grep -qxF 'SearchString=привет' || fail "the typed expression is not in the project: $(section 'UTF-8 Quarvel' | grep SearchString)"
found_files=$(section 'UTF-8 FoundFiles' | cut -d, -f1-2 | sort)
[ "$found_files" = "$(printf '%s\n' "$tree,ru.txt" "$tree,ru16.txt" | sort)" ] || fail "the Cyrillic search found:
$found_files"
[ "$(head -n 1 "$reg")" = 'Windows Registry Editor Version 5.00' ] || fail "the settings file with Cyrillic text is not a Unicode one"
[ "$(value String0)" = '"String0"="привет"' ] || fail "the typed expression is not first in its history: $(value String0)"
output_is_clean "the third run"
echo "search by keys, save and exit: all checks passed"

#!/usr/bin/env bash
# Runs quarvel-cli as a user would and checks its output, messages and exit status.
set -u
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }
expect() {  # expected-status expected-stdout expected-stderr -- args...
  local status=$1 out=$2 err=$3; shift 4
  local got_out got_err got_status
  got_out=$("$cli" "$@" 2>"$work/err"); got_status=$?
  got_err=$(cat "$work/err")
  [ "$got_status" = "$status" ] || fail "$* exited $got_status, expected $status (stderr: $got_err)"
  [ "$got_out" = "$out" ] || fail "$* printed [$got_out], expected [$out]"
  [ "$got_err" = "$err" ] || fail "$* said [$got_err], expected [$err]"
}
mkdir -p tree/sub
printf 'the cat sat\nthe dog ran\n' > tree/both.txt
printf 'only a cat\n' > tree/cat.txt
printf 'CAT and DOG\n' > tree/sub/upper.txt
printf 'cats and dogs\n' > tree/sub/plural.log
T=$work/tree

expect 0 "$T/both.txt" "" -- -p "$T" "cat+dog"
expect 1 "" "String(s) not found" -- -p "$T" zebra
expect 0 "$T/sub/upper.txt" "" -- -p "$T" -r -i -f "*.txt,-both.txt" "cat+dog"
expect 1 "" "String(s) not found" -- -p "$T" --within line "cat+dog"
expect 0 "$T/both.txt" "" -- -p "$T" -r -w -f "*.*" "dog"
expect 1 "" "File(s) not found:
$T/*.none
File(s) not found" -- -p "$T" -f "*.none" cat
expect 2 "" "Invalid String(s):
Missing RBracket" -- -p "$T" "((cat)"
expect 2 "" "quarvel-cli: Dublicate operator: OperatorOr" -- --op-or + cat
expect 0 "cat
dog" "" -- --check "cat+-dog"
expect 0 "cat
dog" "" -- --check -i "Cat+DOG"
expect 2 "" "quarvel-cli: unknown option --frobnicate (see --help)" -- --frobnicate cat
"$cli" --help | grep -q -- "--refine PROJECT" || fail "--help does not describe --refine"

# Save, open and refine a project.
expect 0 "$T/both.txt
$T/cat.txt" "" -- -p "$T" -o "$work/cats.QRV" cat
printf '%s' "$(head -c 9 "$work/cats.QRV")" | grep -q '^\[Quarvel\]' || fail "project file has no [Quarvel] line"
grep -q $'\r$' "$work/cats.QRV" || fail "project lines do not end with CR LF"
expect 0 "$T/both.txt
$T/cat.txt" "" -- --open "$work/cats.QRV"
expect 0 "$T/both.txt" "" -- --refine "$work/cats.QRV" dog
printf 'not a project\n' > "$work/bad.QRV"
expect 2 "" "Invalid format file $work/bad.QRV" -- --open "$work/bad.QRV"
expect 2 "" "Can\`t open file $work/none.QRV" -- --refine "$work/none.QRV" dog
# A project named in the file list stands for the files it lists.
expect 0 "$T/both.txt" "" -- -p "$work" -f "cats.qrv" dog

# An empty file name is refused before any search runs.
expect 2 "" "quarvel-cli: option -o needs a file name" -- -p "$T" -o '' cat
expect 2 "" "quarvel-cli: option --refine needs a file name" -- -p "$T" --refine '' cat
# A save goes through a link to its target, and refuses what is no regular file.
mkdir "$work/elsewhere"
expect 0 "$T/both.txt" "" -- -p "$T" -o "$work/elsewhere/real.QRV" dog
ln -s elsewhere/real.QRV "$work/link.QRV"
expect 0 "$T/both.txt
$T/cat.txt" "" -- -p "$T" -o "$work/link.QRV" cat
[ -L "$work/link.QRV" ] || fail "the save replaced the link"
expect 0 "$T/both.txt
$T/cat.txt" "" -- --open "$work/elsewhere/real.QRV"
mkfifo "$work/pipe.QRV"
expect 2 "$T/both.txt" "Can\`t create file $work/pipe.QRV" -- -p "$T" -o "$work/pipe.QRV" dog
[ -p "$work/pipe.QRV" ] || fail "the save replaced the pipe"
# Found files whose path holds a comma or a line break are named and left out of the project.
O=$work/odd
mkdir "$O"
printf 'cat\n' > "$O/plain.txt"
printf 'cat\n' > "$O/a,b.txt"
printf 'cat\n' > "$O/line
break.txt"
left="Not saved in the project (a comma or line break in its path):"
expect 2 "$O/plain.txt
$O/a,b.txt
$O/line
break.txt" "$left $O/a,b.txt
$left $O/line
break.txt" -- -p "$O" -f 'plain.txt,a?b.txt,line?break.txt' -o "$work/odd.QRV" cat
expect 0 "$O/plain.txt" "" -- --open "$work/odd.QRV"

# The viewer's scan of one file.
expect 0 "lines 2
longest 11
starts 0 12 24
hit 16 0 1
hit 16 0 1" "" -- --view "$T/both.txt" dog

# Rows and information lines.
out=$("$cli" -p "$T" --rows --info cat) || fail "rows run failed"
echo "$out" | head -n 1 | grep -qP '^both\.txt\t'"$T"'/\t24\t\d\d/\d\d/\d{4}\t\d\d:\d\d$' || fail "bad row: $(echo "$out" | head -n 1)"
echo "$out" | grep -qx 'Hits in 2 file(s) out of 2' || fail "no information lines"
echo "quarvel-cli: all checks passed"

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

# A file past 4 GiB that is nearly all hole (kept in memory where possible: the viewer's scan reads the hole).
big=/dev/shm; [ -d "$big" ] && [ -w "$big" ] || big=$work
big=$(mktemp -d "$big/quarvel-big-XXXXXX") || fail "no folder for the large file"
trap 'rm -rf "$work" "$big"' EXIT
if truncate -s 4294967396 "$big/big.bin" 2>/dev/null && [ "$(du -k "$big/big.bin" | cut -f1)" -lt 65536 ]; then
  printf 'alpha early\n' | dd of="$big/big.bin" conv=notrunc status=none
  printf '\nlate word\n' | dd of="$big/big.bin" bs=1 seek=4294967316 conv=notrunc status=none
  out=$("$cli" -p "$big" -f big.bin --rows --at-least 1 early) || fail "large file not found"
  echo "$out" | grep -qP '^big\.bin\t'"$big"'/\t4294967396\t' || fail "bad row for the large file: $out"
  expect 1 "" "File(s) not found" -- -p "$big" -f big.bin --at-most 1 early
  expect 0 "lines 3
longest 4294967295
starts 0 12 4294967317 4294967327
hit 4294967317 0 1" "" -- --view "$big/big.bin" --code ansi late
else
  echo "skipped the file past 4 GiB: the file system does not keep a file with holes sparse"
fi
echo "quarvel-cli: all checks passed"

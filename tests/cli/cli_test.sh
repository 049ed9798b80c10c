#!/usr/bin/env bash
# Runs quarvel-cli as a user would and checks its output, messages and exit status.
set -u
cli=$1
readme=$(cd "$(dirname "$0")/../.." && pwd)/README.md
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }
expect() {  # expected-status expected-stdout expected-stderr -- args...  ($run: a command that runs the CLI)
  local status=$1 out=$2 err=$3; shift 4
  local got_out got_err got_status
  got_out=$(${run-} "$cli" "$@" 2>"$work/err"); got_status=$?
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
# The thread count: -j N, --threads N or -jN, from 1 to 256; the found files are the same.
want=$("$cli" -p "$T" -r -i cat)
[ "$(echo "$want" | wc -l)" = 4 ] || fail "-r -i cat found [$want]"
for j in "-j 1" "-j1" "--threads 3" "-j256"; do
  expect 0 "$want" "" -- $j -p "$T" -r -i cat
done
for j in "-j 0" "-j0" "-j257" "--threads x"; do
  case $j in --*) name=--threads ;; *) name=-j ;; esac
  expect 2 "" "quarvel-cli: option $name needs a whole number from 1 to 256" -- $j -p "$T" cat
done
expect 2 "" "quarvel-cli: option --threads is given twice with different values" -- -j2 --threads 3 -p "$T" cat
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
expect 2 "$T/both.txt" "Can\`t create file $work/pipe.QRV: it is not a regular file" -- -p "$T" -o "$work/pipe.QRV" dog
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

# The viewer's scan of one file: each reading records its own hit, Unicode's last.
expect 0 "lines 2
longest 11
starts 0 12 24
hit 16 0 1
hit 16 0 1
hit 16 0 1" "" -- --view "$T/both.txt" dog
expect 0 "lines 2
longest 11
starts 0 12 24
hit 16 0 1
hit 16 0 1" "" -- --view "$T/both.txt" --code both dog

# Rows and information lines.
out=$("$cli" -p "$T" --rows --info cat) || fail "rows run failed"
echo "$out" | head -n 1 | grep -qP '^both\.txt\t'"$T"'/\t24\t\d\d/\d\d/\d{4}\t\d\d:\d\d$' || fail "bad row: $(echo "$out" | head -n 1)"
echo "$out" | grep -qx 'Hits in 2 file(s) out of 2' || fail "no information lines"

# Search text in the terminal's encoding; names and paths are the file system's bytes as typed.
export LC_ALL=C.UTF-8
U=$work/Über
mkdir "$U"
printf 'caf\xe9 au lait\n' > "$U/ä.txt"
bad=$(printf 'bad\xff.txt')
printf 'caf\xe9\n' > "$U/$bad"
expect 0 "café au" "" -- --check "café au"
LC_ALL=C expect 0 "$(printf 'caf\xe9')" "" -- --check "$(printf 'caf\xe9')"
expect 0 "$U/ä.txt" "" -- -p "$U" -f "ä.txt" "café"
expect 0 "$U/$bad" "" -- -p "$U" -f "$bad" "café"
(cd "$U" && expect 0 "lines 1
longest 12
starts 0 13
hit 0 0 1" "" -- --view ä.txt "café") || exit 1
(cd "$U" && expect 0 "$U/ä.txt" "" -- -f "ä.txt" -o Ünïcode.QRV "café" &&
 expect 0 "$U/ä.txt" "" -- --open Ünïcode.QRV) || exit 1
[ -f "$U/Ünïcode.QRV" ] || fail "-o did not create the name as typed"
out=$("$cli" --info --open "$U/Ünïcode.QRV") && echo "$out" | grep -qx "café" || fail "--info's expression: $out"
LC_ALL=C expect 2 "" "quarvel-cli: option --separator takes ASCII characters only in a terminal that is not UTF-8: the file list's names are cut by its bytes" -- --separator "$(printf '\xa7')" cat
expect 2 "" "quarvel-cli: The text is not valid UTF-8: the bytes at position 4 do not form a character." -- --check "$(printf 'caf\xe9')"

# The Unicode reading: UTF-8, and UTF-16 after its byte order mark; case by
# Unicode's simple folding; every reading that can hold a term looks for it.
V=$work/unicode
mkdir "$V"
printf 'The caf\xc3\xa9 is open.\n' > "$V/utf8.txt"
printf '\xff\xfef\0i\0r\0s\0t\0\r\0\n\0s\0e\0c\0o\0n\0d\0 \0h\0e\0l\0l\0o\0' > "$V/utf16.txt"
printf '\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82, \xd0\xbc\xd0\xb8\xd1\x80\n' > "$V/cyrillic.txt"
printf 'caf\xe9 cr\xe8me\n' > "$V/ansi.txt"
expect 0 "$V/utf8.txt" "" -- -p "$V" -f utf8.txt café
expect 0 "$V/utf8.txt" "" -- -p "$V" -f utf8.txt -i CAFÉ
expect 0 "$V/ansi.txt" "" -- -p "$V" -f ansi.txt café
expect 1 "" "String(s) not found" -- -p "$V" -f ansi.txt --code unicode café
expect 0 "$V/utf16.txt" "" -- -p "$V" "hello"
expect 0 "$V/utf16.txt" "" -- -p "$V" --within line "second+hello"
expect 0 "$V/cyrillic.txt" "" -- -p "$V" -i ПРИВЕТ
expect 0 "привет" "" -- --check -i "ПРИВЕТ"
expect 0 "$V/ansi.txt" "" -- -p "$V" crème
expect 1 "" "String(s) not found" -- -p "$V" --code unicode crème
expect 0 "$V/ansi.txt" "" -- -p "$V" --code ansi crème
expect 1 "" "String(s) not found" -- -p "$V" --code both hello
expect 0 "$V/utf8.txt" "" -- -p "$V" -w --code unicode,oem café
expect 1 "" "String(s) not found" -- -p "$V" -f utf8.txt -w --code unicode "caf"
expect 2 "" "quarvel-cli: option --code takes unicode, ansi and oem, separated by commas, or both (ansi,oem) or all" -- --code latin1 x

# -0 ends each found path (or row) with a NUL byte: a name may hold a line feed.
printf 'caf\xe9\n' > "$U/two
lines.txt"
[ "$("$cli" -0 -p "$U" -f "two*" café | tr '\0' '@')" = "$U/two
lines.txt@" ] || fail "-0 path"
[ "$("$cli" -0 --rows -p "$U" -f "two*" café | tr '\0\t' '@|' | cut -d'|' -f1,2)" = "two
lines.txt|$U/" ] || fail "-0 --rows"
[ "$("$cli" -0 --rows -p "$U" -f "two*" café | tr -cd '\0' | wc -c)" = 1 ] || fail "-0 --rows: one NUL for one row"
[ "$("$cli" -0 --open "$U/Ünïcode.QRV" | tr '\0' '@')" = "$U/ä.txt@" ] || fail "-0 --open"

# --lines, --json and --csv, checked against Python's own reading of the files: a line ends at its
# LF, a CR before that dropped; after a UTF-16 byte order mark the file is UTF-16, else each line
# is UTF-8 where it is valid, else Windows-1252 where that holds a term, else code page 437;
# control characters show as blanks. A unit satisfies when it holds every term; its hits are the
# terms' occurrences, each counted once.
# Local time is checked in a zone 5:30 ahead of UTC, on times the list keeps to the second (even ones).
export TZ=XST-5:30
cat > "$work/listing.py" <<'PY'
import base64, csv, io, json, os, sys, time

tree, unit, expression, out = sys.argv[1:5]
terms = expression.split('+')
problems = []

def read(raw):
    try:
        return raw.decode('utf-8')
    except UnicodeDecodeError:
        ansi = raw.decode('cp1252')
        return ansi if any(t in ansi for t in terms) else raw.decode('cp437')

def lines_of(path):
    data = open(path, 'rb').read()
    if data.startswith(b'\xff\xfe'):
        lines = data[2:].decode('utf-16-le').split('\n')
    else:
        lines = [read(raw) for raw in data.split(b'\n')]
    return [line[:-1] if line.endswith('\r') else line for line in lines]

def shown(text):
    return ''.join(' ' if ord(c) < 0x20 or 0x7f <= ord(c) < 0xa0 else c for c in text)

def expected(path):  # (hits, [(line number, text)]) of the satisfying units
    lines = lines_of(path)
    units = [[i] for i in range(len(lines))] if unit == 'line' else [list(range(len(lines)))]
    hits, listed = 0, []
    for u in units:
        if all(any(t in lines[i] for i in u) for t in terms):
            for i in u:
                n = sum(lines[i].count(t) for t in terms)
                if n:
                    hits += n
                    listed.append((i + 1, shown(lines[i])))
    return hits, listed

def output(name, end):  # the records of an output, each ended by end
    data = open(os.path.join(out, name), 'rb').read()
    if data and not data.endswith(end):
        problems.append(f'{name} does not end with {end!r}')
    return data.split(end)[:-1]

want = {}
for folder, _, names in os.walk(os.fsencode(tree)):
    for name in names:
        path = os.path.join(folder, name)
        hits, listed = expected(path)
        if hits:
            want[path] = (hits, listed)
found = output('found', b'\0')
if sorted(found) != sorted(want):
    problems.append(f'found {sorted(found)}, expected {sorted(want)}')
found = [f for f in found if f in want]

def stat(path):
    st = os.stat(path)
    return st.st_size, time.localtime(st.st_mtime)

def check_json(name, end, with_lines):
    objects = [json.loads(r) for r in output(name, end)]
    paths = []
    for o in objects:
        p = o.get('path')
        paths.append(base64.b64decode(p['bytes']) if isinstance(p, dict) else p.encode())
    if paths != found:
        problems.append(f'{name}: paths {paths}, found {found}')
        return
    for path, o in zip(paths, objects):
        size, mtime = stat(path)
        keys = ['path', 'size', 'modified', 'hits'] + (['lines'] if with_lines else [])
        right = {'size': size, 'modified': time.strftime('%Y-%m-%dT%H:%M:%S', mtime), 'hits': want[path][0]}
        if with_lines:
            right['lines'] = [{'line': n, 'text': t} for n, t in want[path][1]]
        try:
            path.decode('utf-8')
            utf8 = True
        except UnicodeDecodeError:
            utf8 = False
        if list(o) != keys or isinstance(o['path'], dict) == utf8 or any(o[k] != v for k, v in right.items()):
            problems.append(f'{name}: {o}, expected {right}')

def check_lines(name, end, encoding):
    records = [p + b':%d:' % n + t.encode(encoding, 'replace') for p in found for n, t in want[p][1]]
    # A path may hold a line feed: the output is matched whole.
    got = open(os.path.join(out, name), 'rb').read()
    if got != b''.join(r + end for r in records):
        problems.append(f'{name}: {got}, expected {records}')

def record(row):  # as RFC 4180 writes it: quoted where needed, ended by CR LF
    text = io.StringIO(newline='')
    csv.writer(text, lineterminator='\r\n').writerow(row)
    return text.getvalue()

def check_csv():
    data = open(os.path.join(out, 'csv'), 'rb').read().decode('utf-8', 'surrogateescape')
    rows = list(csv.reader(io.StringIO(data, newline='')))
    if ''.join(map(record, rows)) != data:
        problems.append(f'csv is not written as RFC 4180 writes it: {data!r}')
    nul = open(os.path.join(out, 'csv0'), 'rb').read().decode('utf-8', 'surrogateescape')
    if ''.join(record(r)[:-2] + '\0' for r in rows) != nul:
        problems.append(f'csv -0 is not the records ended by NUL: {nul!r}')
    if rows[:1] != [['path', 'folder', 'name', 'size', 'date', 'time', 'hits']]:
        problems.append(f'csv header {rows[:1]}')
    if [r[0].encode('utf-8', 'surrogateescape') for r in rows[1:]] != found:
        problems.append(f'csv paths {rows[1:]}, found {found}')
        return
    for path, r in zip(found, rows[1:]):
        size, mtime = stat(path)
        right = [r[0], r[0][:-len(r[2])], os.fsdecode(os.path.basename(path)), str(size),
                 time.strftime('%d/%m/%Y', mtime), time.strftime('%H:%M', mtime), str(want[path][0])]
        if r != right or not r[1].endswith('/'):
            problems.append(f'csv row {r}, expected {right}')

check_json('json', b'\n', False)
check_json('json0', b'\0', False)
# JSON escapes every line feed of its strings: the only ones are the objects' ends.
if open(os.path.join(out, 'json0'), 'rb').read() != open(os.path.join(out, 'json'), 'rb').read().replace(b'\n', b'\0'):
    problems.append('json -0 is not the objects ended by NUL')
check_json('jsonlines', b'\n', True)
check_lines('lines', b'\n', 'utf-8')
check_lines('lines0', b'\0', 'utf-8')
check_lines('linesC', b'\n', 'cp1252')
check_csv()
if not found:
    problems.append('nothing found: the check would be empty')
for p in problems[:6]:
    print(p[:600])
sys.exit(1 if problems else 0)
PY
# Every form of one search (tree, unit, expression, then more options), checked.
listed() {
  local tree=$1 unit=$2 expression=$3; shift 3
  local args=(-q -r -p "$tree" --within "$unit" "$@" "$expression") form status
  rm -rf "$work/listed" && mkdir "$work/listed"
  for form in "found -0" "json --json" "json0 --json -0" "jsonlines --json --lines" "lines --lines" \
              "lines0 --lines -0" "csv --csv" "csv0 --csv -0"; do
    # shellcheck disable=SC2086
    "$cli" ${form#* } "${args[@]}" > "$work/listed/${form%% *}" 2>"$work/err"; status=$?
    [ "$status" = 0 ] && [ ! -s "$work/err" ] || fail "${form#* } ${args[*]} exited $status: $(cat "$work/err")"
  done
  # In a locale that is not UTF-8 the expression is typed in Windows-1252; JSON stays UTF-8.
  args[-1]=$(printf '%s' "$expression" | iconv -f UTF-8 -t CP1252) || fail "iconv"
  LC_ALL=C "$cli" --lines "${args[@]}" > "$work/listed/linesC" || fail "LC_ALL=C --lines ${args[*]}"
  LC_ALL=C "$cli" --json --lines "${args[@]}" | cmp -s - "$work/listed/jsonlines" ||
    fail "LC_ALL=C --json --lines ${args[*]} differs"
  python3 "$work/listing.py" "$tree" "$unit" "$expression" "$work/listed" ||
    fail "--lines, --json or --csv of $unit '$expression' in $tree are wrong (above)"
}
L=$work/listing
mkdir -p "$L/sub"
printf 'a needle here\nnothing\n\tcaf\xc3\xa9 needleneedle Needle pin\nNeedle only\npin and needle\x7f x\xc2\x85y\n%s needle\nlast needle' \
  "$(printf 'x%.0s' $(seq 300))" > "$L/utf8.txt"
printf 'caf\xe9 needle cr\xe8me\n\x93quoted\x94 needle pin\nno\n' > "$L/ansi.txt"
python3 -c "import sys; sys.stdout.buffer.write(b'\xff\xfe' + 'first needle\r\nsecond pin\r\nGrüße\tneedle needle pin третий\r\n'.encode('utf-16-le'))" > "$L/utf16.txt"
printf 'needle one\r\ntwo pin\r\nthree needle\r\r\n' > "$L/crlf.txt"
printf 'needle pin\n' > "$L/a,b \"q\"
c.txt"
printf 'x needle\n' > "$L/$(printf 'bad\xff.txt')"
printf '\xd0\xbf\xd1\x80\xd0\xb8 needle \xe2\x82\xac pin\n' > "$L/sub/ru.txt"
printf 'caf\x82 needle pin\n' > "$L/oem.txt"
printf 'no hay nada\n' > "$L/none.txt"
touch -d '2021-03-04 05:06:08' "$L"/*.* "$L/sub/ru.txt" && touch -d '1999-12-31 23:59:58' "$L/crlf.txt"
listed "$L" line needle
listed "$L" line "needle+pin"
listed "$L" file "needle+pin"
listed "$L" line "café"
# A Windows-1252 line is read as such (its quotes are no Latin-1 controls), and goes out so in a
# locale that is not UTF-8.
# shellcheck disable=SC1111  # the line's own quotes
[ "$("$cli" -q -p "$L" -f ansi.txt --within line --lines pin)" = "$L/ansi.txt:2:“quoted” needle pin" ] ||
  fail "--lines of a Windows-1252 line"
[ "$(LC_ALL=C "$cli" -q -p "$L" -f ansi.txt --within line --lines pin)" = "$(printf '%s:2:\x93quoted\x94 needle pin' "$L/ansi.txt")" ] ||
  fail "--lines of a Windows-1252 line in a locale that is not UTF-8"

# A project, opened or refined, lists its files as the search that saved it did, hits counted
# by its expression; a refine by another expression as a search of those files would.
files="utf8.txt,ansi.txt,utf16.txt,crlf.txt,$L/sub/ru.txt,$(printf 'bad\xff.txt')"
"$cli" -q -p "$L" -f "$files" --within line --json --lines -o "$work/listed.QRV" needle > "$work/direct.json" ||
  fail "--json -o"
[ "$(wc -l < "$work/direct.json")" = 6 ] || fail "--json -o listed $(cat "$work/direct.json")"
"$cli" --open "$work/listed.QRV" --json --lines | cmp -s - "$work/direct.json" || fail "--open --json --lines differs"
"$cli" -q --refine "$work/listed.QRV" --within line --json --lines needle | cmp -s - "$work/direct.json" ||
  fail "--refine --json --lines differs"
for form in --json --csv --lines; do
  "$cli" -q -p "$L" -f "$files" --within line $form "needle+pin" > "$work/direct.out"
  "$cli" -q --refine "$work/listed.QRV" --within line $form "needle+pin" | cmp -s - "$work/direct.out" ||
    fail "--refine $form by another expression differs"
done
"$cli" -q -p "$L" -f "$files" --within line --csv -0 needle > "$work/direct.csv"
"$cli" --open "$work/listed.QRV" --csv -0 | cmp -s - "$work/direct.csv" || fail "--open --csv -0 differs"

# Nothing found: no output (CSV: its header alone), status 1.
header=$'path,folder,name,size,date,time,hits\r'
for form in --json --lines "--json --lines" "--json -0" "--lines -0"; do
  # shellcheck disable=SC2086
  expect 1 "" "String(s) not found" -- $form -q -p "$L" zebra
done
expect 1 "$header" "String(s) not found" -- --csv -q -p "$L" zebra
"$cli" --csv -0 -q -p "$L" zebra > "$work/none.csv" 2>/dev/null; status=$?
[ "$status" = 1 ] && [ "$(tr '\0' '@' < "$work/none.csv")" = "${header%?}@" ] || fail "--csv -0 of nothing found: $status"
while IFS='|' read -r said args; do
  # shellcheck disable=SC2086
  expect 2 "" "quarvel-cli: $said" -- $args
done <<TABLE
options --rows and --lines cannot be given together|--lines --rows cat
options --rows and --json cannot be given together|--json --rows cat
options --rows and --csv cannot be given together|--csv --rows cat
options --json and --csv cannot be given together|--csv --json cat
options --lines and --csv cannot be given together|--csv --lines cat
options --info and --json cannot be given together|--json --info cat
options --info and --csv cannot be given together|--csv --info --open $work/listed.QRV
options --view and --lines cannot be given together|--lines --view $L/utf8.txt
options --view and --json cannot be given together|--view $L/utf8.txt --json
options --view and --csv cannot be given together|--csv --view $L/utf8.txt
options --check and --lines cannot be given together|--lines --check cat
options --check and --json cannot be given together|--check --json cat
options --check and --csv cannot be given together|--csv --check cat
TABLE

# Hundreds of files, some large, counted on one thread and on three: the same bytes, and right.
mkdir "$work/many-forms"
python3 - "$work/many-forms" <<'PY'
import os, sys
for i in range(400):
    folder = os.path.join(sys.argv[1], f'd{i % 7}')
    os.makedirs(folder, exist_ok=True)
    text = ''.join(f'row {k} needle{" pin" * (k % 3)} \u00e9t\u00e9\n' if (i + k) % 4 == 0 else f'row {k}\n'
                   for k in range(1 + i % 23 + (4000 if i % 37 == 0 else 0)))
    if i % 5 == 0:
        data = text.encode('cp1252')
    elif i % 11 == 0:
        data = b'\xff\xfe' + text.replace('\n', '\r\n').encode('utf-16-le')
    else:
        data = text.encode('utf-8')
    open(os.path.join(folder, f'f{i:03}.txt'), 'wb').write(data)
    os.utime(os.path.join(folder, f'f{i:03}.txt'), (1600000000 + 7214 * i,) * 2)
PY
listed "$work/many-forms" line "needle+pin" -j 3
"$cli" -q -r -j 1 -p "$work/many-forms" --within line --json --lines "needle+pin" | cmp -s - "$work/listed/jsonlines" ||
  fail "--json --lines on one thread and on three differ"
# More found files than the pass counts ahead of the one it hands back (256).
[ "$(wc -l < "$work/listed/jsonlines")" -gt 256 ] || fail "too few files found among many: $(wc -l < "$work/listed/jsonlines")"
unset TZ

# Exit status 2 whenever an error was reported, even when something was found.
expect 2 "" "Path not found:
/nonexistent
File(s) not found:
/nonexistent/*.*
File(s) not found" -- -p /nonexistent cat
expect 2 "$T/cat.txt" "Path not found:
/nonexistent/
File(s) not found:
/nonexistent/x.txt" -- -p "$T" -f "cat.txt,/nonexistent/x.txt" cat
expect 2 "$T/cat.txt" "Invalid format file $work/bad.QRV" -- -p "$T" -f "cat.txt,$work/bad.QRV" cat
expect 2 "$T/cat.txt" "Can\`t create file /nonexistent/x.QRV: its folder does not exist" -- -p "$T" -f cat.txt -o /nonexistent/x.QRV cat
for args in "-q -p $T cat" "--check cat" "--open $work/cats.QRV" "--help"; do
  # shellcheck disable=SC2086
  "$cli" $args > /dev/full 2>"$work/err"; status=$?
  [ "$status" = 2 ] && grep -q "^quarvel-cli: write error on standard output: " "$work/err" ||
    fail "$args > /dev/full exited $status: $(cat "$work/err")"
done

# A file or folder that cannot be read, run as a user for whom permissions hold.
P=$work/perm
mkdir -p "$P/shut/inner" "$P/open"
printf 'cat\n' > "$P/noread.txt"
printf 'cat\n' > "$P/open/yes.txt"
printf 'cat\n' > "$P/shut/inner/no.txt"
chmod 000 "$P/noread.txt" "$P/shut"
run=
if [ "$(id -u)" = 0 ]; then
  chmod 755 "$work"
  run="setpriv --reuid=65534 --regid=65534 --clear-groups"
  $run "$cli" --help >/dev/null 2>&1 || run=none
fi
if [ "$run" = none ]; then
  echo "skipped: unreadable file and folder (running as root, and the user nobody cannot run $cli)"
else
  expect 2 "$P/open/yes.txt" "Folder skipped: $P/shut: Permission denied
Error open file: $P/noread.txt: Permission denied" -- -q -r -p "$P" cat
fi
run=
chmod 755 "$P/shut"
# A folder too deep to open by its path is reported once; the walk goes on.
(mkdir "$work/deep" && cd "$work/deep" && printf 'cat\n' > top.txt && for _ in $(seq 24); do
   mkdir "$(printf 'd%.0s' $(seq 200))" && cd d* || exit 1; done) || fail "deep folders"
"$cli" -q -r -p "$work/deep" cat > "$work/out" 2>"$work/err"; status=$?
[ "$status" = 2 ] && [ "$(cat "$work/out")" = "$work/deep/top.txt" ] &&
  [ "$(grep -c '^Folder skipped: /.*: File name too long$' "$work/err")" = 1 ] ||
  fail "deep folder: status $status, said $(head -c 300 "$work/err")"

# Conflicting options are refused, whatever their order.
while IFS='|' read -r said args; do
  # shellcheck disable=SC2086
  expect 2 "" "quarvel-cli: $said" -- $args
done <<'TABLE'
options --at-most and --at-least cannot be given together|--at-least 2 --at-most 1 cat
options --between and --last-months cannot be given together|--last-months 1 --between 1/1/2020 2/2/2020 cat
options --last-months and --last-days cannot be given together|--last-days 1 --last-months 1 cat
options --open and --view cannot be given together|--open x.QRV --view y
options --view and --check cannot be given together|--check --view y cat
option --open takes no EXPRESSION: cat|--open x.QRV cat
options --view and --refine cannot be given together|--view y --refine x.QRV cat
options --view and --save cannot be given together|-o x.QRV --view y cat
options --check and --rows cannot be given together|--rows --check cat
option --path is given twice with different values|-p /a -p /b cat
option --within is given twice with different values|--within line --within page cat
TABLE
expect 0 "$T/cat.txt" "" -- -p "$T" -p "$T" -f cat.txt cat

# A working folder too deep for the default folder's field: every command works all the same.
D=$work
for _ in 1 2 3 4; do D=$D/$(printf 'w%.0s' $(seq 80)); done
mkdir -p "$D" && printf 'cat\n' > "$D/here.txt"
(cd "$D" && expect 0 "cat" "" -- --check cat &&
 expect 0 "$T/both.txt
$T/cat.txt" "" -- --open "$work/cats.QRV" &&
 expect 0 "$D/here.txt" "" -- -q cat &&
 expect 2 "" "quarvel-cli: a text of at most 259 bytes is allowed: ${D:0:40}..." -- -p "$D" cat) || exit 1
# An expression is measured in characters: 259 Cyrillic letters (518 bytes) are allowed, 260 are not.
zh=$(printf 'ж%.0s' $(seq 259))
expect 1 "" "String(s) not found" -- -p "$T" "$zh"
expect 2 "" "quarvel-cli: a text of at most 259 characters is allowed: $(printf 'ж%.0s' $(seq 20))..." -- -p "$T" "ж$zh"

# SIGTERM keeps what was found: whole lines, each a found file; then the program ends by the signal.
# On one thread the run stops midway, its output blocked; on several, the files decided ahead of
# the blocked output are printed too.
mkdir "$work/many"
for i in $(seq 3000); do echo "cat $i" > "$work/many/file-number-$i.txt"; done
for j in 1 2; do
  rm -f "$work/cli.pid" "$work/killed" "$work/many.out"
  ( sh -c 'echo $$ > "$0"; exec "$@"' "$work/cli.pid" "$cli" -q -j $j -p "$work/many" cat |
      { while [ ! -e "$work/killed" ]; do sleep 0.05; done; cat > "$work/many.out"; }
    echo "${PIPESTATUS[0]}" > "$work/many.status" ) &
  bg=$!
  while [ ! -s "$work/cli.pid" ]; do sleep 0.05; done
  pid=$(cat "$work/cli.pid")
  for _ in $(seq 200); do  # until SIGTERM (bit 15) is caught, and a little more for the run to fill the pipe
    caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)
    [ -n "$caught" ] && (( 0x$caught & 0x4000 )) && break
    sleep 0.05
  done
  sleep 0.5
  kill -TERM "$pid"
  touch "$work/killed"
  wait "$bg"
  lines=$(wc -l < "$work/many.out")
  [ "$(cat "$work/many.status")" = 143 ] || fail "SIGTERM, -j $j: status $(cat "$work/many.status")"
  [ "$lines" -gt 0 ] && [ "$lines" -le 3000 ] || fail "SIGTERM, -j $j: $lines lines"
  [ $j != 1 ] || [ "$lines" -lt 3000 ] || fail "SIGTERM: $lines lines, the run was not stopped midway"
  [ -z "$(tail -c 1 "$work/many.out")" ] || fail "SIGTERM, -j $j: the last line is cut"
  while IFS= read -r line; do [ -f "$line" ] || fail "SIGTERM, -j $j: not a found file: $line"; done < "$work/many.out"
done

# Every example of the README runs and finds what its comment says (one that writes a file, in that
# file): ~ is a small home whose src and log stand for the real ones. In app.log the line that
# holds "ignored" comes before the one that satisfies the expression.
mkdir -p "$work/home/src/lib" "$work/home/log"
printf 'mutex_lock(a); mutex_unlock(a);\n' > "$work/home/src/lib/lock.c"
printf 'mutex_lock(a); spin_lock(b); mutex_unlock(a);\n' > "$work/home/src/spin.c"
touch -d '2024-05-06 07:08:10' "$work/home/src/lib/lock.c" "$work/home/src/spin.c"
printf 'Dec 1 error: disk quota warning ignored\nDec 2 error: disk full\nDec 3 all fine\n' > "$work/home/log/app.log"
printf 'Dec 4 error: timeout\n' > "$work/home/log/net.log"
printf 'Dec 5 error: timeout ignored\n' > "$work/home/log/quiet.log"
mkdir -p "$work/home/docs/old"
printf 'Hello, \xd0\xbf\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82!\n' > "$work/home/docs/ru.txt"
printf '\xff\xfe\x1f\x04\x40\x04\x38\x04\x32\x04\x35\x04\x42\x04\n\0' > "$work/home/docs/ru16.txt"
printf 'caf\xe9 au lait\n' > "$work/home/docs/old/menu.txt"
printf 'caf\xc3\xa9 au lait\n' > "$work/home/docs/menu.txt"
python3 -c "import zipfile, sys; z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED); z.writestr('q3/notes.txt', 'the quarterly revenue rose\n'); z.close()" "$work/home/docs/reports.zip"
quarvel-cli() { "$cli" "$@"; }
examples=$(sed -n '/^## The command line/,/^## /s/^    \(quarvel-cli .*\)/\1/p' "$readme")
[ "$(echo "$examples" | wc -l)" = 8 ] || fail "the README's examples changed: $examples"
# Each file of src holds one mutex_lock and one mutex_unlock, on its one line.
jsonOf() { echo "{\"path\":\"$1\",\"size\":$(stat -c %s "$1"),\"modified\":\"2024-05-06T07:08:10\",\"hits\":2}"; }
expected=("$work/home/src/lib/lock.c" "$work/home/log/app.log
$work/home/log/net.log" "net.log	$work/home/log/	21	" \
  "$work/home/src/lib/lock.c:1:$(cat "$work/home/src/lib/lock.c")
$work/home/src/spin.c:1:$(cat "$work/home/src/spin.c")" \
  "$(jsonOf "$work/home/src/lib/lock.c")
$(jsonOf "$work/home/src/spin.c")" "$work/home/docs/ru.txt
$work/home/docs/ru16.txt" "$work/home/docs/old/menu.txt" "$work/home/docs/reports.zip//q3/notes.txt")
i=0
while IFS= read -r example; do
  got=$(cd "$work/home" && HOME=$work/home && eval "${example//\/var\/log/$work/home/log}" 2>"$work/err")
  status=$?
  [ "$status" = 0 ] || fail "README example exited $status: $example ($(cat "$work/err"))"
  case $example in *' > '*) got=$(cat "$work/home/${example##*> }") ;; esac
  [ "$(echo "$got" | sort | cut -c1-${#expected[i]})" = "${expected[i]}" ] || fail "README example $example found [$got]"
  i=$((i + 1))
done <<< "$examples"
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

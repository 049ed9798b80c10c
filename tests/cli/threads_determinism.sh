#!/usr/bin/env bash
# quarvel-cli -j N must be indistinguishable from -j 1 but in time: the same standard output,
# standard error, --info lines (but the two that tell time), saved project (but its times) and
# exit status. Checked over many random trees, expressions and option sets, and over the cases
# where the order of results and messages is hardest to keep: files gone or changed since a
# project was saved, folders and files that cannot be read, refined runs, one huge file among
# small ones, 200,000 files, and runs stopped by SIGINT at random moments.
#
# Usage: threads_determinism.sh QUARVEL_CLI
# Environment:
#   QUARVEL_DETERMINISM_SEED    the seed (default: random; printed, so a failure can be replayed)
#   QUARVEL_DETERMINISM_CASES   random cases (default 600: about two minutes with the rest)
#   QUARVEL_DETERMINISM_FIRST   the first random case's number (default 0): replays one case
#   QUARVEL_DETERMINISM_PARTS   which parts run (default all):
#                               random,vanish,unreadable,refine,huge,many,cancel,linux
#   QUARVEL_DETERMINISM_CANCELS stopped runs for each thread count (default 20)
#   QUARVEL_DETERMINISM_LINUX   0 leaves out the runs over /var/tmp/quarvel-bench/linux-source-6.1
#   QUARVEL_DETERMINISM_KEEP    1 keeps the temporary folder
set -u
umask 022  # the trees are read by an unprivileged user too
[ $# -ge 1 ] || { echo "usage: $0 QUARVEL_CLI" >&2; exit 2; }
cli=$(readlink -f "$1")
[ -x "$cli" ] || { echo "not a program: $1" >&2; exit 2; }
script=$(readlink -f "$0")
seed=${QUARVEL_DETERMINISM_SEED:-$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')}
cases=${QUARVEL_DETERMINISM_CASES:-600}
first=${QUARVEL_DETERMINISM_FIRST:-0}
parts=,${QUARVEL_DETERMINISM_PARTS:-random,vanish,unreadable,refine,huge,many,cancel,linux},
cancels=${QUARVEL_DETERMINISM_CANCELS:-20}
linux=/var/tmp/quarvel-bench/linux-source-6.1
threads=(2 3 8)
# The script's own text handling is bytewise; each run of the program gets its locale explicitly.
export LC_ALL=C
started=$(date +%s)
echo "seed $seed (replay: QUARVEL_DETERMINISM_SEED=$seed bash $script $cli)"

# Memory is the place for 200,000 files where there is room: many file systems create them slowly.
base=${TMPDIR:-/tmp}
[ -d /dev/shm ] && [ -w /dev/shm ] && [ "$(df -Pk /dev/shm | awk 'NR == 2 { print $4 }')" -gt 2000000 ] && base=/dev/shm
work=$(mktemp -d "$base/quarvel-determinism-XXXXXX") || exit 2
chmod 755 "$work"  # the runs as an unprivileged user walk through it
bg_pid=
cleanup() {
  [ -n "$bg_pid" ] && kill -KILL "$bg_pid" 2>/dev/null
  if [ "${QUARVEL_DETERMINISM_KEEP:-0}" = 1 ]; then
    echo "kept $work"
  else
    chmod -R u+rwx "$work" 2>/dev/null
    rm -rf "$work"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
part() { [[ $parts == *,$1,* ]]; }
part_began=$started
part_done() {  # tells how long the part took
  local now; now=$(date +%s)
  echo "$part_name: $((now - part_began)) s, $compared comparisons until now"
  part_began=$now
}

gen=$work/gen.py
cat > "$gen" <<'PYTHON'
# Trees, expressions and option sets for the comparison, all drawn from seeded generators:
# the same seed and numbers give the same bytes.
import os, random, sys

WORDS = ["alpha", "beta", "gamma", "delta", "cat", "dog", "red", "fox", "the", "and", "lorem",
         "ipsum", "mutex_lock", "spin_lock", "café", "Straße", "привет", "naïve", "ÉTÉ", "日本",
         "Alpha", "BETA", "CAT", "Fox", "ПРИВЕТ", "CAFÉ"]
FILLER = ["a", "of", "to", "in", "is", "it", "on", "x", "y", "z", "data", "line", "word", "text",
          "value", "item", "alphabet", "cats", "doggy", "redfox"]
# Windows-1252 and code page 437 spellings.
SINGLE_BYTE = [b"caf\xe9", b"cr\xe8me", b"na\xefve", b"\x93quoted\x94", b"\xc9T\xc9", b"Stra\xdfe",
               b"caf\x82", b"cr\x8ame", b"\xe0 la"]
TERMS = ["alpha", "beta", "gamma", "delta", "cat", "dog", "fox", "red fox", "the cat", "café",
         "CAFÉ", "Straße", "strasse", "привет", "ПРИВЕТ", "naïve", "crème", "mutex_lock",
         "spin_lock", "lorem ipsum", "zebra", "a", "x", "ÉTÉ", "日本", "alpha beta", "quoted", "Alpha",
         "at", "data line", "ca"]
FOLDERS = ["sub", "Ünï", "b dir", "x,y", "lib", "src", "old", ".git", ".cache", "bb", "e"]
STEMS = ["a", "b", "bb", "notes", "readme", "main", "f1", "f2", "Ünïcode", "data file", "x,y",
         "café", "b10", "log", "Z"]
EXTS = [".txt", ".txt", ".txt", ".log", ".md", ".c", ".bin", ".dat", "", ".TXT"]
T0, T1 = 1546300800, 1735603200  # 2019-01-01 .. 2024-12-31


def rng(*key):
    return random.Random(":".join(str(k) for k in key))


PUNCTUATION = [b"%s", b"%s.", b"%s,", b"(%s)", b"%s! ", b'"%s"']
PUNCTUATION_WEIGHTS = [79, 10, 4, 3, 2, 2]


def text_bytes(rnd, lines, crlf, single_byte):
    eol = b"\r\n" if crlf else b"\n"
    pool = [w.encode() for w in WORDS] + SINGLE_BYTE + [w.encode() for w in FILLER]
    weights = ([0.3 / len(WORDS)] * len(WORDS) + [single_byte / len(SINGLE_BYTE)] * len(SINGLE_BYTE) +
               [(0.7 - single_byte) / len(FILLER)] * len(FILLER))
    out = []
    for _ in range(lines):
        r = rnd.random()
        if r < 0.03:
            out.append(b"\f")  # a page break
            continue
        if r < 0.07:
            out.append(eol)
            continue
        n = rnd.randint(1, 14) if rnd.random() > 0.01 else rnd.randint(500, 3000)
        words = rnd.choices(pool, weights, k=n)
        marks = rnd.choices(PUNCTUATION, PUNCTUATION_WEIGHTS, k=n)
        sep = b" " if rnd.random() < 0.9 else b"\t"
        out.append(sep.join(m % w for m, w in zip(marks, words)) + eol)
    data = b"".join(out)
    if rnd.random() < 0.1:
        data = data.rstrip(b"\r\n")
    return data


def file_bytes(rnd):
    k = rnd.random()
    if k < 0.06:
        return b""
    if k < 0.11:  # binary, a word here and there
        data = bytearray(rnd.randbytes(rnd.randint(50, 20000)))
        for _ in range(rnd.randint(0, 4)):
            at = rnd.randint(0, len(data))
            data[at:at] = rnd.choice(WORDS).encode()
        return bytes(data)
    lines = rnd.randint(0, 60) if rnd.random() < 0.95 else rnd.randint(300, 3000)
    if k < 0.17:  # UTF-16 after its byte order mark
        text = text_bytes(rnd, min(lines, 300), rnd.random() < 0.5, 0).decode("utf-8")
        if rnd.random() < 0.7:
            return b"\xff\xfe" + text.encode("utf-16-le")
        return b"\xfe\xff" + text.encode("utf-16-be")
    single = 0.15 if k < 0.3 else 0.0
    data = text_bytes(rnd, lines, rnd.random() < 0.3, single)
    if rnd.random() < 0.05:
        data = b"\xef\xbb\xbf" + data
    return data


def name_bytes(rnd):
    name = rnd.choice(STEMS)
    if rnd.random() < 0.5:
        name += str(rnd.randint(0, 99))
    name = name.encode() + rnd.choice(EXTS).encode()
    r = rnd.random()
    if r < 0.08:
        name = b"." + name
    elif r < 0.1:
        name = b"bad\xff" + name
    elif r < 0.11:
        name = b"two\nlines" + name
    return name


def make_tree(root, rnd, files_wanted, max_depth):
    root = os.fsencode(root)
    os.makedirs(root)
    folders = [root]
    for top in (b"d0", b"d1", b"lists"):
        os.mkdir(os.path.join(root, top))
        folders.append(os.path.join(root, top))

    def grow(folder, depth):
        for _ in range(rnd.randint(0, 3) if depth < max_depth else 0):
            sub = os.path.join(folder, rnd.choice(FOLDERS).encode() + str(rnd.randint(0, 9)).encode() * (rnd.random() < 0.5))
            if os.path.lexists(sub):
                continue
            os.mkdir(sub)
            folders.append(sub)
            grow(sub, depth + 1)

    for f in list(folders):
        if not f.endswith(b"lists"):
            grow(f, 1)
    made = []
    for _ in range(files_wanted):
        folder = rnd.choice(folders)
        path = os.path.join(folder, name_bytes(rnd))
        if os.path.lexists(path):
            continue
        with open(path, "wb") as out:
            out.write(file_bytes(rnd))
        made.append(path)
    with open(os.path.join(root, b"lists", b"bad.qrv"), "wb") as out:
        out.write(b"not a project\r\n")
    # Links: to a file, to nowhere, to a sibling folder, and up the walk (a loop).
    if made and rnd.random() < 0.6:
        os.symlink(made[0], os.path.join(root, b"d0", b"link.txt"))
    if rnd.random() < 0.4:
        os.symlink(b"/nonexistent/x", os.path.join(root, b"d1", b"broken.txt"))
    if rnd.random() < 0.4:
        os.symlink(b"../d1", os.path.join(root, b"d0", b"d1link"))
    if rnd.random() < 0.3:
        os.symlink(b"..", os.path.join(root, b"d1", b"up"))
    if rnd.random() < 0.2:
        os.mkfifo(os.path.join(root, b"d1", b"pipe.txt"))
    for path in made + folders[1:]:
        t = rnd.randint(T0, T1)
        os.utime(path, (t, t))
    if rnd.random() < 0.3:
        for path in made[:3]:
            os.chmod(path, 0o444)


def saved_files(project):
    """The paths a project lists, in its order."""
    with open(project, "rb") as f:
        text = f.read().split(b"[FoundFiles]", 1)
    paths = []
    for line in text[1].split(b"\r\n") if len(text) == 2 else []:
        fields = line.split(b",")
        if len(fields) >= 6:
            paths.append(os.path.join(fields[0], fields[1]))
    return paths


def mutate(rnd, paths):
    """Removes some listed files and changes others, as a user does after saving a project."""
    for path in paths:
        r = rnd.random()
        if not os.path.isfile(path):
            continue
        t = rnd.randint(T0, T1)
        if r < 0.12:
            os.remove(path)
        elif r < 0.22:  # new content and time
            with open(path, "ab") as f:
                f.write(b"\nalpha zebra changed\n")
            os.utime(path, (t, t))
        elif r < 0.28:  # time only
            os.utime(path, (t, t))
        elif r < 0.32:  # the same size and time, other bytes: no change to be seen
            st = os.stat(path)
            if st.st_size:
                with open(path, "r+b") as f:
                    f.write(b"z")
                os.utime(path, ns=(st.st_atime_ns, st.st_mtime_ns))
        elif r < 0.34:  # a folder where the file was
            os.remove(path)
            os.mkdir(path)
        elif r < 0.35:  # a pipe: no file to be read, and nothing to wait for
            os.remove(path)
            os.mkfifo(path)
        elif r < 0.36:  # a link to another of the files
            os.remove(path)
            os.symlink(rnd.choice(paths), path)


def expression(rnd, depth=2):
    parts = []
    for i in range(rnd.randint(1, 3)):
        r = rnd.random()
        if depth > 0 and r < 0.2:
            item = "(" + expression(rnd, depth - 1) + ")"
        elif r < 0.35:
            item = '"' + rnd.choice(TERMS) + (" " + rnd.choice(TERMS) if rnd.random() < 0.5 else "") + '"'
        else:
            item = rnd.choice(TERMS)
            if rnd.random() < 0.2:
                item = item.upper() if rnd.random() < 0.5 else item.capitalize()
        if rnd.random() < 0.2:
            item = "-" + item
        if i:
            parts.append(rnd.choice("+|"))
        parts.append(item)
    text = "".join(parts)
    if depth == 2 and rnd.random() < 0.03:  # now and then one the compiler refuses
        text = rnd.choice(["(", ")", "++", '"']) + text
    return text


INCLUDE = ["*.*", "*", "*.txt", "*.log", "*.md", "*.c", "*.bin", "f*", "*1*", "?.txt", "@T@/d0/*",
           "@T@/d1/*.txt", "*.qrv", "@T@/lists/saved.qrv", "@T@/nope/*.txt", "*.none", "b*", "*.TXT"]
EXCLUDE = ["-*.txt", "-b*", "-*.bin", "-.*", "-@T@/d0/*", "-@T@/lists/saved.qrv", "-*a*", "-*.log"]
DATES = ["01/01/2019", "15/06/2020", "31/12/2021", "01/03/2023", "31/12/2030"]


def case(seed, i, per_tree):
    rnd = rng(seed, "case", i)
    args = []
    if rnd.random() < 0.1:
        args += ["--refine", "@T@/lists/saved.QRV"]
    path = "@T@" if rnd.random() < 0.9 else rnd.choice(["@T@/d0", "@T@/d1", "@T@/nope"])
    args += ["-p", path]
    if rnd.random() < 0.6:
        entries = [rnd.choice(INCLUDE) for _ in range(rnd.randint(1, 3))]
        entries += [rnd.choice(EXCLUDE) for _ in range(rnd.choice([0, 0, 1, 2]))]
        args += ["-f", ",".join(entries)]
    for option, p in (("-r", 0.7), ("-i", 0.4), ("-w", 0.25), ("--no-hidden", 0.15), ("--rows", 0.3),
                      ("--info", 0.3), ("-0", 0.2), ("-q", 0.5)):
        if rnd.random() < p:
            args.append(option)
    if rnd.random() < 0.4:
        args += ["--within", rnd.choice(["file", "page", "line", "sentence"])]
    if rnd.random() < 0.25:
        args += ["--code", rnd.choice(["unicode", "ansi", "oem", "both", "all", "unicode,ansi", "unicode,oem"])]
    if rnd.random() < 0.08:
        args += [rnd.choice(["--at-most", "--at-least"]), str(rnd.randint(0, 20))]
    if rnd.random() < 0.06:
        a, b = sorted(rnd.sample(range(len(DATES)), 2))
        args += ["--between", DATES[a], DATES[b]]
    if rnd.random() < 0.12:
        args += ["-o", "@O@"]
    args += ["--", expression(rnd)]
    locale = "C" if rnd.random() < 0.08 else "C.UTF-8"
    return [str(i), str(i // per_tree), locale] + args


def flat(root, rnd, folders, per_folder, hidden_every=0):
    """Many small files in folders of their own; about one in three holds alpha."""
    contents = [b"alpha beta\n", b"gamma\n", b"alpha\r\ncat dog\n", b"", b"caf\xe9 alpha\n",
                b"delta alpha\fbeta\n", b"the cat. the dog\n", b"beta\n", b"\xff\xfea\x00l\x00p\x00h\x00a\x00",
                b"alpha", b"zeta eta\n", b"cat\n"]
    root = os.fsencode(root)
    os.makedirs(root, exist_ok=True)
    for f in range(folders):
        folder = os.path.join(root, b"f%03d" % f)
        os.mkdir(folder)
        for k in range(per_folder):
            name = b"n%04d.txt" % k if k % 7 else b"n%04d.log" % k
            if hidden_every and k % hidden_every == 0:
                name = b"." + name
            fd = os.open(os.path.join(folder, name), os.O_WRONLY | os.O_CREAT, 0o644)
            os.write(fd, contents[rnd.randrange(len(contents))] + b"%d\n" % k)
            os.close(fd)


def huge(path, rnd, megabytes):
    """A text file of about that many megabytes, with needle_end near its end and one long line."""
    block = text_bytes(rnd, 20000, False, 0.02)
    while len(block) < 1 << 20:
        block += text_bytes(rnd, 2000, False, 0.02)
    block = block[: 1 << 20]
    block = block[: block.rfind(b"\n") + 1]
    with open(path, "wb") as out:
        for m in range(megabytes):
            out.write(block)
            if m == megabytes // 2:
                out.write(b"long " * (1 << 20) + b"\n")
        out.write(b"last lines\nthe needle_end is here, alpha\nend\n")


def main():
    command = sys.argv[1]
    if command == "trees":
        seed, lo, hi, root = sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
        for t in range(lo, hi + 1):
            rnd = rng(seed, "tree", t)
            make_tree(os.path.join(root, "t%d" % t), rnd, rnd.choice([5, 20, 60, 150, 300]), rnd.randint(1, 4))
    elif command == "tree":  # one larger tree, for the edge cases
        seed, name, root, files = sys.argv[2], sys.argv[3], sys.argv[4], int(sys.argv[5])
        make_tree(root, rng(seed, name), files, 4)
    elif command == "mutate":
        seed, name, project = sys.argv[2], sys.argv[3], sys.argv[4]
        mutate(rng(seed, "mutate", name), saved_files(project))
    elif command == "cases":
        seed, lo, count, per_tree = sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
        out = sys.stdout.buffer
        for i in range(lo, lo + count):
            out.write("\x1f".join(case(seed, i, per_tree)).encode("utf-8") + b"\n")
    elif command == "flat":
        seed, root, folders, per_folder = sys.argv[2], sys.argv[3], int(sys.argv[4]), int(sys.argv[5])
        flat(root, rng(seed, "flat", os.path.basename(root)), folders, per_folder,
             int(sys.argv[6]) if len(sys.argv) > 6 else 0)
    elif command == "huge":
        seed, path, megabytes = sys.argv[2], sys.argv[3], int(sys.argv[4])
        huge(path, rng(seed, "huge"), megabytes)
    elif command == "delays":  # milliseconds, one a line: most of them while results are printed
        seed, name, count = sys.argv[2], sys.argv[3], int(sys.argv[4])
        printing, most = int(sys.argv[5]), int(sys.argv[6])
        rnd = rng(seed, "delays", name)
        for _ in range(count):
            print(rnd.randint(printing * 9 // 10, most) if rnd.random() < 0.7 else rnd.randint(0, most))


main()
PYTHON

runs=0 compared=0 mismatches=0 shown=0
runner=()     # a command that runs the program as another user, or nothing
loc=C.UTF-8   # the locale of the runs
args=()       # the program's arguments but -j
declare -A status

# One run with -j $1: its output, messages and saved project (time lines left out) in $work/r.$1.*
run_with() {
  local j=$1 info=0 a
  for a in "${args[@]}"; do [ "$a" = --info ] && info=1; [ "$a" = -- ] && break; done
  rm -f "$work/project.QRV"
  LC_ALL=$loc "${runner[@]}" "$cli" -j "$j" "${args[@]}" > "$work/r.$j.out" 2> "$work/r.$j.err" < /dev/null
  status[$j]=$?
  runs=$((runs + 1))
  # The run's duration and the rate it gives are the only lines that may differ.
  [ $info = 1 ] && sed -i -e 's/^Search duration .*/Search duration (left out)/' -e '/^Rate of search /d' "$work/r.$j.out"
  if [ -e "$work/project.QRV" ]; then
    sed -e '/^time\(Start\|End\|Sum\)=/d' "$work/project.QRV" > "$work/r.$j.qrv"
  else
    rm -f "$work/r.$j.qrv"
  fi
}

same_as_one() {
  local j=$1
  [ "${status[1]}" = "${status[$j]}" ] && cmp -s "$work/r.1.out" "$work/r.$j.out" &&
    cmp -s "$work/r.1.err" "$work/r.$j.err" || return 1
  if [ -e "$work/r.1.qrv" ] || [ -e "$work/r.$j.qrv" ]; then
    cmp -s "$work/r.1.qrv" "$work/r.$j.qrv" || return 1
  fi
}

show_diff() {  # what name: the -j 1 file against the -j N one; NUL bytes shown as line feeds
  local what=$1 j=$2
  [ -e "$work/r.1.$what" ] || [ -e "$work/r.$j.$what" ] || return 0
  cmp -s "$work/r.1.$what" "$work/r.$j.$what" 2>/dev/null && return
  echo "  --- $what of -j 1 / +++ $what of -j $j:"
  diff -a <(tr '\0' '\n' < "$work/r.1.$what" 2>/dev/null) <(tr '\0' '\n' < "$work/r.$j.$what" 2>/dev/null) |
    head -n 40 | sed 's/^/  /'
}

# Runs args with -j 1 and each thread count, and compares. $1 names the check, $2 is what replays it.
check_same() {
  local label=$1 replay=$2 j k again
  run_with 1
  for j in "${threads[@]}"; do
    run_with "$j"
    compared=$((compared + 1))
    same_as_one "$j" && continue
    mismatches=$((mismatches + 1))
    shown=$((shown + 1))
    [ $shown -gt 3 ] && continue
    echo "MISMATCH ($label): -j 1 against -j $j"
    echo "  command: $(printf '%q ' LC_ALL="$loc" "${runner[@]}" "$cli" -j "$j" "${args[@]}")"
    echo "  replay:  QUARVEL_DETERMINISM_SEED=$seed $replay QUARVEL_DETERMINISM_KEEP=1 bash $script $cli"
    echo "  exit status: ${status[1]} with -j 1, ${status[$j]} with -j $j"
    show_diff out "$j"
    show_diff err "$j"
    show_diff qrv "$j"
    # How often the difference comes back.
    again=0
    for k in $(seq 10); do
      run_with "$j"
      same_as_one "$j" || again=$((again + 1))
    done
    echo "  the same arguments differed again in $again of 10 further -j $j runs"
  done
}

# --- Random trees, expressions and options -----------------------------------------------------
if part random && [ "$cases" -gt 0 ]; then
  per_tree=20
  lo=$((first / per_tree)) hi=$(((first + cases - 1) / per_tree))
  python3 "$gen" trees "$seed" "$lo" "$hi" "$work/trees" || { echo "FAIL: no trees"; exit 1; }
  # Each tree's project, saved before some of its files are removed or changed.
  for t in $(seq "$lo" "$hi"); do
    T=$work/trees/t$t
    LC_ALL=C.UTF-8 "$cli" -q -j 1 -r -p "$T" -o "$T/lists/saved.QRV" -- "a|the|alpha" > /dev/null 2>&1
    [ -e "$T/lists/saved.QRV" ] && python3 "$gen" mutate "$seed" "t$t" "$T/lists/saved.QRV"
  done
  python3 "$gen" cases "$seed" "$first" "$cases" "$per_tree" > "$work/cases"
  done_cases=0
  while IFS=$'\x1f' read -r -a fields; do
    i=${fields[0]} T=$work/trees/t${fields[1]} loc=${fields[2]}
    args=("${fields[@]:3}")
    args=("${args[@]//@T@/$T}")
    args=("${args[@]//@O@/$work/project.QRV}")
    check_same "random case $i" "QUARVEL_DETERMINISM_FIRST=$i QUARVEL_DETERMINISM_CASES=1 QUARVEL_DETERMINISM_PARTS=random"
    done_cases=$((done_cases + 1))
    [ $((done_cases % 1000)) = 0 ] && echo "  $done_cases random cases, $((compared)) comparisons, $(($(date +%s) - started)) s"
  done < "$work/cases"
  loc=C.UTF-8
  echo "random: $done_cases cases compared"
  part_name=random part_done
  rm -rf "$work/trees"
fi

edge_replay="QUARVEL_DETERMINISM_CASES=0"
# Compares the run of args (after the label) over -j 1 and the thread counts.
# Each tells what -j 1 gave, to show the case arose.
same() {
  local label=$1; shift
  args=("$@")
  check_same "$label" "$edge_replay QUARVEL_DETERMINISM_PARTS=$part_name"
  printf '  %-24s status %s, %s record(s), %s message line(s)\n' "$label:" "${status[1]}" \
    "$(tr '\0' '\n' < "$work/r.1.out" | wc -l)" "$(wc -l < "$work/r.1.err")"
}
# Fails when the -j 1 run did not report what the case is about: then it tests nothing.
expect_message() {
  grep -q "$1" "$work/r.1.err" || { echo "FAIL ($part_name): no \"$1\" with -j 1: $(head -c 400 "$work/r.1.err")"; mismatches=$((mismatches + 1)); }
}

# --- Files removed or changed after the project was saved ---------------------------------------
part_name=vanish
if part vanish; then
  V=$work/vanish
  python3 "$gen" flat "$seed" "$V" 40 100
  python3 "$gen" tree "$seed" vanish "$V/mixed" 400
  same "vanish save" -q -r -p "$V" -o "$work/project.QRV" -- "alpha|beta|the"
  cp "$work/project.QRV" "$work/vanish.QRV"
  python3 "$gen" mutate "$seed" vanish "$work/vanish.QRV"
  rm -rf "$V/f007"  # a whole folder of listed files
  same "vanish refine" -q --refine "$work/vanish.QRV" -- "alpha|beta|the"
  expect_message "^File not found:"
  expect_message "^File is changed:"
  same "vanish refine rows" --refine "$work/vanish.QRV" --rows --info -i -- "alpha+-zebra"
  same "vanish refine line" -q --refine "$work/vanish.QRV" --within line -o "$work/project.QRV" -- "alpha|zebra"
  # A project named in the file list stands for its files.
  same "vanish list" -q -p "$work" -f "vanish.QRV,$V/f001/*.txt" -- "alpha"
  same "vanish list exclude" -q -r -p "$work" -f "vanish.QRV,-$V/f002/*" -- "cat|zebra"
  rm -rf "$V" "$work/vanish.QRV"
  part_done
fi

# --- A folder and files that cannot be read -------------------------------------------------------
part_name=unreadable
if part unreadable; then
  runner=()
  as_user=ok
  if [ "$(id -u)" = 0 ]; then
    as_user=
    for try in "setpriv --reuid=65534 --regid=65534 --clear-groups" "runuser -u nobody --"; do
      # shellcheck disable=SC2086
      if $try "$cli" --help > /dev/null 2>&1 && $try test -r "$work/gen.py"; then
        read -r -a runner <<< "$try"
        as_user=ok
        break
      fi
    done
  fi
  if [ -z "$as_user" ]; then
    echo "skipped: unreadable folder and files (running as root, and the user nobody cannot run $cli)"
  else
    P=$work/perm
    python3 "$gen" flat "$seed" "$P" 30 40
    python3 "$gen" tree "$seed" unreadable "$P/mixed" 300
    runner_saved=("${runner[@]}")
    runner=()
    same "unreadable save" -q -r -p "$P" -o "$work/project.QRV" -- "alpha|cat"
    cp "$work/project.QRV" "$work/perm.QRV"
    runner=("${runner_saved[@]}")
    chmod 000 "$P/f003" "$P/f012" "$P/mixed/d0"   # nothing may be done with them
    chmod 111 "$P/f020"   # entered but not listed
    chmod 644 "$P/f025"   # listed but not entered
    for k in 0001 0005 0010 0033; do chmod 000 "$P/f004/n$k.txt" "$P/f017/n$k.txt"; done
    chmod 000 "$P/f029/n0007.log"
    same "unreadable walk" -q -r -p "$P" -- "alpha|cat"
    expect_message "^Folder skipped: .*: Permission denied"
    expect_message "^Error open file: .*: Permission denied"
    same "unreadable rows" -r -p "$P" --rows --info -- "alpha+-beta"
    same "unreadable masks" -q -r -p "$P" -f "*.txt,-n0002.txt" -w -- "alpha"
    same "unreadable refine" -q --refine "$work/perm.QRV" -- "alpha"
    expect_message "^Error open file: .*: Permission denied"
    runner=()
    chmod -R u+rwx "$P" && chmod -R go+rX "$P"
    rm -rf "$P" "$work/perm.QRV"
    part_done
  fi
fi

# --- A refined run, and the refinement of its project ---------------------------------------------
part_name=refine
if part refine; then
  R=$work/refine
  python3 "$gen" tree "$seed" refine "$R" 1500
  same "refine first" -q -r -p "$R" -o "$work/project.QRV" -- "alpha|cat|the"
  cp "$work/project.QRV" "$work/refine1.QRV"
  same "refine second" -q --refine "$work/refine1.QRV" -o "$work/project.QRV" -- "(alpha|cat|the)+dog"
  cp "$work/project.QRV" "$work/refine2.QRV"
  same "refine third" --refine "$work/refine2.QRV" --rows --info --within line -- "alpha+dog"
  same "refine case" -q -0 --refine "$work/refine1.QRV" -i -w -- "CAT+-fox"
  rm -rf "$R"
  part_done
fi

# --- One huge file among many small ones ------------------------------------------------------------
part_name=huge
if part huge; then
  H=$work/huge
  python3 "$gen" flat "$seed" "$H" 20 100
  python3 "$gen" huge "$seed" "$H/f010/m.txt" 200
  for variant in hit none; do
    same "huge $variant" -q -r -p "$H" -- "needle_end"
    same "huge $variant and" -q -r -p "$H" --info -- "alpha+needle_end"
    same "huge $variant not" -q -r -p "$H" --rows -- "alpha+-needle_end"
    same "huge $variant line" -q -r -p "$H" -i --within line -- "needle_END|zebra"
    # The same file without its hit: the text there keeps its length.
    printf 'needle_xxx' | dd of="$H/f010/m.txt" bs=1 seek=$(($(stat -c %s "$H/f010/m.txt") - 30)) conv=notrunc status=none
  done
  grep -q needle_end "$H/f010/m.txt" && { echo "FAIL (huge): the hit was not taken out"; mismatches=$((mismatches + 1)); }
  rm -rf "$H"
  part_done
fi

# --- 200,000 files, and runs stopped at random moments -------------------------------------------
if part many || part cancel; then
  M=$work/many
  python3 "$gen" flat "$seed" "$M" 400 500 97
fi
part_name=many
if part many; then
  same "many" -q -r -p "$M" -- "alpha"
  same "many rows" -r -p "$M" --rows --info -0 -- "alpha+-beta"
  same "many masks" -q -r -p "$M" -f "*.txt,*.log,-n00*,-f3*" -i --within line -- "CAT|beta"
  part_done
fi
part_name=cancel
if part cancel; then
  cancel_runs=0 cut=0
  declare -A shape=([paths]="-q" [rows]="--rows")  # found paths, or rows
  for mode in paths rows; do
    LC_ALL=C.UTF-8 "$cli" -q -j 1 -r -p "$M" "${shape[$mode]}" -- "alpha|cat" > "$work/full.$mode" 2>/dev/null
  done
  for j in "${threads[@]}"; do
    # A whole run, and when it first printed something (what it prints goes out in blocks).
    t0=${EPOCHREALTIME/./}
    LC_ALL=C.UTF-8 "$cli" -q -j "$j" -r -p "$M" -- "alpha|cat" > "$work/c.out" 2>/dev/null &
    bg_pid=$!
    printing=
    while kill -0 "$bg_pid" 2>/dev/null; do
      [ -z "$printing" ] && [ -s "$work/c.out" ] && printing=$(( (${EPOCHREALTIME/./} - t0) / 1000 ))
      sleep 0.005
    done
    wait "$bg_pid"
    bg_pid=
    most=$(( (${EPOCHREALTIME/./} - t0) * 11 / 10000 ))  # 1.1 times the run, in ms
    printing=${printing:-0}
    n=0
    while read -r delay; do
      mode=paths; [ $((n++ % 2)) = 1 ] && mode=rows
      # Job control leaves SIGINT to the program, as a terminal would; else a job started by a
      # script ignores it.
      set -m
      LC_ALL=C.UTF-8 "$cli" -q -j "$j" -r -p "$M" "${shape[$mode]}" -- "alpha|cat" > "$work/c.out" 2> "$work/c.err" &
      bg_pid=$!
      set +m
      sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
      kill -INT "$bg_pid" 2>/dev/null
      wait "$bg_pid"; st=$?
      bg_pid=
      cancel_runs=$((cancel_runs + 1)) runs=$((runs + 1)) compared=$((compared + 1))
      full=$work/full.$mode
      size=$(stat -c %s "$work/c.out")
      bad=
      if [ "$st" = 130 ]; then
        # What it printed: whole records, the first ones of the complete output.
        cmp -s -n "$size" "$work/c.out" "$full" || bad="not a prefix of the -j 1 output"
        [ "$size" = 0 ] || [ -z "$(tail -c 1 "$work/c.out")" ] || bad="its last record is cut"
        [ "$size" -gt 0 ] && [ "$size" -lt "$(stat -c %s "$full")" ] && cut=$((cut + 1))
      elif [ "$st" != 0 ] || ! cmp -s "$work/c.out" "$full"; then
        bad="ended with status $st without being stopped, and its output is not the -j 1 output"
      fi
      if [ -n "$bad" ]; then
        mismatches=$((mismatches + 1)) shown=$((shown + 1))
        if [ $shown -le 3 ]; then
          echo "MISMATCH (cancel): -j $j stopped after $delay ms: $bad (status $st, $size bytes)"
          echo "  command: LC_ALL=C.UTF-8 $cli -q -j $j -r -p $M ${shape[$mode]} -- 'alpha|cat'"
          echo "  replay:  QUARVEL_DETERMINISM_SEED=$seed QUARVEL_DETERMINISM_CASES=0 QUARVEL_DETERMINISM_PARTS=cancel bash $script $cli"
          cmp "$work/c.out" "$full" 2>&1 | head -n 2 | sed 's/^/  /'
          head -c 300 "$work/c.err" | sed 's/^/  stderr: /'
        fi
      fi
    done < <(python3 "$gen" delays "$seed" "$j" "$cancels" "$printing" "$most")
  done
  echo "cancel: $cancel_runs runs stopped by SIGINT, $cut of them midway through the output (-j ${threads[*]})"
  [ "$cut" -gt 0 ] || { echo "FAIL (cancel): no run was stopped midway: nothing was tested"; mismatches=$((mismatches + 1)); }
  part_done
fi
rm -rf "$work/many"

# --- A real source tree, when there is one ----------------------------------------------------------
part_name=linux
if part linux && [ "${QUARVEL_DETERMINISM_LINUX:-1}" != 0 ] && [ -d "$linux" ]; then
  threads=(2 8)
  for within in file line; do
    same "linux PM_RESUME $within" -q -r -p "$linux" --within "$within" --info -- "PM_RESUME"
    same "linux pm_resume $within" -q -r -p "$linux" --within "$within" -i -- "pm_resume"
    same "linux mutex $within" -q -r -p "$linux" --within "$within" --rows -- "mutex_lock+mutex_unlock+-spin_lock"
  done
  threads=(2 3 8)
  echo "linux: compared over $linux"
  part_done
fi

echo "seed $seed: $compared comparisons of -j 1 against -j ${threads[*]}, $runs runs, $(($(date +%s) - started)) s"
if [ $mismatches -gt 0 ]; then
  echo "FAIL: $mismatches mismatch(es)"
  exit 1
fi
echo "threads determinism: all runs matched"

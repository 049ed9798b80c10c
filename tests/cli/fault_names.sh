#!/usr/bin/env bash
# quarvel-cli over awkward file names: each is found whole, viewed as itself
# (never a decoy where a cut or loosely matched name would lead), and a
# project leaves out and names only those a record line cannot hold.
set -u
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }
export LC_ALL=C.UTF-8

N=$work/names
mkdir "$N"
lf='line
feed.txt'
bad=$(printf 'bad\xff\xfe.txt')
names=("a,b.txt" " two  words .txt" "$lf" "$bad" "-dash.txt" "st*r.txt" "q?.txt" "Case.TXT")
for name in "${names[@]}"; do printf 'cat here\n' > "$N/$name"; done
# Where a name cut at its separator, or taken as a mask, would lead.
for decoy in a b.txt line feed.txt dash.txt stXr.txt qq.txt case.txt CASE.txt; do
  printf 'no such word, a dog\n' > "$N/$decoy"
done

# A search finds each name once, whole.
got=$("$cli" -q -0 -p "$N" -f '*' cat | tr '\0' '@')
for name in "${names[@]}"; do
  case "$got" in *"$N/$name@"*) ;; *) fail "search did not print [$name] whole: [$got]" ;; esac
done
[ "$(printf '%s' "$got" | tr -cd '@' | wc -c)" = "${#names[@]}" ] || fail "found more or fewer than the names: [$got]"

# Each is viewed as itself: the hit at offset 0 of "cat here", once per reading.
view="lines 1
longest 8
starts 0 9
hit 0 0 1
hit 0 0 1
hit 0 0 1"
for name in "${names[@]}"; do
  out=$("$cli" -q --view "$N/$name" cat 2>"$work/err"); status=$?
  [ "$status" = 0 ] && [ "$out" = "$view" ] ||
    fail "--view [$name] exited $status: [$out] ($(cat "$work/err"))"
done
# A relative name that begins with the exclude operator, and operators that are letters of the path.
(cd "$N" && [ "$("$cli" -q --view -dash.txt cat)" = "$view" ]) || fail "--view of a relative name with a leading dash"
[ "$("$cli" -q --separator . --not-search / --view "$N/a,b.txt" cat)" = "$view" ] || fail "--view with operators inside the path"
# A name that is gone is no other file: "case.txt" stays, "Case.TXT" is viewed as missing.
mv "$N/Case.TXT" "$work/Case.TXT.away"
"$cli" -q --view "$N/Case.TXT" cat >/dev/null 2>&1
[ $? -ne 0 ] || fail "--view of a missing name viewed another file"
mv "$work/Case.TXT.away" "$N/Case.TXT"

# A project file viewed is itself, not the files it lists.
"$cli" -q -p "$N" -f 'dash.txt' -o "$work/list.QRV" dog >/dev/null || fail "making the listing project"
cp "$work/list.QRV" "$N/found.QRV"
out=$("$cli" -q --view "$N/found.QRV" dash) || fail "--view of a project file: $out"
echo "$out" | grep -q '^hit ' || fail "--view of a project file scanned another file: $out"
[ "$(echo "$out" | sed -n 1p)" != "lines 1" ] || fail "--view of a project file showed the file it lists"

# A project leaves out exactly the names with a comma or a line break, names them, and exits 2.
"$cli" -q -p "$N" -f '*.txt' -o "$work/names.QRV" cat >/dev/null 2>"$work/err"; status=$?
[ "$status" = 2 ] || fail "-o with names a project cannot hold exited $status"
left="Not saved in the project (a comma or line break in its path):"
[ "$(cat "$work/err")" = "$left $N/a,b.txt
$left $N/$lf" ] && [ "$(grep -c '^' "$work/err")" = 3 ] || fail "left-out names: [$(cat "$work/err")]"
got=$("$cli" -0 --open "$work/names.QRV" | tr '\0' '@')
for name in " two  words .txt" "$bad" "-dash.txt" "st*r.txt" "q?.txt" "Case.TXT"; do
  case "$got" in *"$N/$name@"*) ;; *) fail "--open lost [$name]: [$got]" ;; esac
done
case "$got" in *"$N/a@"*|*"$N/b.txt@"*|*"$N/line@"*|*"$N/feed.txt@"*) fail "--open brought a decoy: [$got]" ;; esac
echo "quarvel-cli names: all checks passed"

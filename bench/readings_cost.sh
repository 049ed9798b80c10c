#!/usr/bin/env bash
# What the Unicode reading costs: the cases of bench/grep_peers.sh run with the
# default readings of two builds of quarvel-cli, an older one (whose default
# is ANSI and OEM) and this one (all three), alternated run by run with their
# peers, and the medians and ratios printed; then a term that is no ASCII,
# ignoring case, against ugrep -i and rg -i, all single-threaded.
#   bench/readings_cost.sh OLD_CLI [RUNS]   (default 5 runs; the Linux tree of grep_peers.sh;
#                                           QUARVEL_NEW_CLI names a build of this one to use)
set -euo pipefail
cd "$(dirname "$0")/.."
old=${1:?give the older quarvel-cli}
runs=${2:-5}
tree=${QUARVEL_BENCH_DIR:-/var/tmp/quarvel-bench}/linux-source-6.1
[ -d "$tree" ] || { echo "run bench/grep_peers.sh once first: it installs and unpacks the tree" >&2; exit 1; }
new=${QUARVEL_NEW_CLI:-}  # this build's, unless given
if [ -z "$new" ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build -j"$(nproc)" --target quarvel-cli >/dev/null
  new=$PWD/build/quarvel-cli
fi
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
seconds() { /usr/bin/time -f "%e" -o "$work/t" "$@" >"$work/out" 2>/dev/null || true; cat "$work/t"; }
. bench/medians.sh
echo "warming the page cache"; "$new" -q -r -p "$tree" zzzzqqqq >/dev/null 2>&1 || true
printf '%-22s %8s %8s %8s %9s %9s %8s\n' case old new peer "old/peer" "new/peer" "new/old"
case_() {  # name peer-command... -- quarvel-args...
  local name=$1; shift
  local peer=(); while [ "$1" != "--" ]; do peer+=("$1"); shift; done; shift
  local ot=() nt=() pt=() first=$old second=$new
  for ((i = 0; i < runs; i++)); do
    for cli in $first $second; do
      s=$(seconds "$cli" -q "$@")
      if [ "$cli" = "$old" ]; then ot+=("$s"); else nt+=("$s"); sort "$work/out" > "$work/new"; fi
    done
    pt+=("$(seconds "${peer[@]}")")
    local swap=$first; first=$second; second=$swap
  done
  printf '%-22s %8s %8s %8s %9s %9s %8s\n' "$name" "$(printf '%s\n' "${ot[@]}" | median)" \
    "$(printf '%s\n' "${nt[@]}" | median)" "$(printf '%s\n' "${pt[@]}" | median)" "$(ratio "${ot[*]}" "${pt[*]}" 3)" \
    "$(ratio "${nt[*]}" "${pt[*]}" 3)" "$(ratio "${nt[*]}" "${ot[*]}" 3)"
}
case_ "literal" rg -j1 -uuu -L -l PM_RESUME "$tree" -- -r -p "$tree" PM_RESUME
case_ "literal, ignore case" rg -j1 -uuu -L -l -i "linus torvalds" "$tree" -- -r -i -p "$tree" "linus torvalds"
case_ "Boolean, whole file" ugrep -J1 -Rl --files --bool "mutex_lock mutex_unlock -spin_lock" "$tree" -- -r -p "$tree" "mutex_lock+mutex_unlock+-spin_lock"
case_ "Boolean, per line" ugrep -J1 -Rl --lines --bool "mutex_lock -mutex_unlock" "$tree" -- -r --within line -p "$tree" "mutex_lock+-mutex_unlock"

echo
echo "a term that is no ASCII, ignoring case (this build, all readings; medians of $runs runs):"
term="müller"
nt=(); ut=(); rt=()
for ((i = 0; i < runs; i++)); do
  nt+=("$(seconds "$new" -q -r -i -p "$tree" "$term")"); sort "$work/out" > "$work/q"
  ut+=("$(seconds ugrep -J1 -Rli "$term" "$tree")"); sort "$work/out" > "$work/u"
  rt+=("$(seconds rg -j1 -uuu -L -l -i "$term" "$tree")"); sed 's#//#/#g' "$work/out" | sort > "$work/r"
done
printf '%-22s %8s  (%s files)\n' "quarvel-cli -i" "$(printf '%s\n' "${nt[@]}" | median)" "$(wc -l < "$work/q")"
printf '%-22s %8s  (%s files)  ratio %s\n' "ugrep -J1 -i" "$(printf '%s\n' "${ut[@]}" | median)" "$(wc -l < "$work/u")" "$(ratio "${nt[*]}" "${ut[*]}")"
printf '%-22s %8s  (%s files)  ratio %s\n' "rg -j1 -i" "$(printf '%s\n' "${rt[@]}" | median)" "$(wc -l < "$work/r")" "$(ratio "${nt[*]}" "${rt[*]}")"
comm -3 "$work/q" "$work/r" | head -5

#!/usr/bin/env bash
# Times quarvel-cli against ripgrep, ugrep and GNU grep on the Linux 6.1 source
# tree, checks that each case finds the same set of files as its peer, and
# prints the median times, the ratios (to the peer, to the read floor timed in
# the same runs, and of the default readings (all three) to ANSI alone, each the median of the runs'
# own ratios) and the peak memory, every program on one thread (quarvel-cli -j 1,
# rg -j1, ugrep -J1); then the same cases with the default threads of quarvel-cli,
# rg and ugrep against the read floor on as many threads as quarvel-cli takes
# (read_floor TREE $(nproc)), with the targets beside the ratios, first with the
# tree in the page cache, then with the page cache dropped before every single
# run (as root; left out when it cannot be dropped); then the viewer's one-file
# scan of a 100 MB file, the flat memory of a 1 GB one, and the worst case of a
# literal search.
#   bench/grep_peers.sh [RUNS]      (default 5; the tree goes to $QUARVEL_BENCH_DIR,
#                                    default /var/tmp/quarvel-bench)
# Environment: QUARVEL_BENCH_BUILD the build folder (default build, configured as
# Release), QUARVEL_BUILD_JOBS its build jobs (default all processors),
# QUARVEL_BENCH_COLD_RUNS the runs of each cold-cache case (default 3).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
dir=${QUARVEL_BENCH_DIR:-/var/tmp/quarvel-bench}
source bench/linux_tree.sh
linux_tree "$dir" ripgrep ugrep grep time gcc
build=${QUARVEL_BENCH_BUILD:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"${QUARVEL_BUILD_JOBS:-$(nproc)}" --target quarvel-cli bench_open_scan bench_scan_memory bench_worst_case >/dev/null
build=$(cd "$build" && pwd)
cli=$build/quarvel-cli
floor=$build/read_floor
gcc -O2 -pthread -o "$floor" bench/read_floor.c
echo "warming the page cache"; "$floor" "$tree" >/dev/null

work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
# seconds and peak KB of one command, its standard output kept in $work/out
measure() { /usr/bin/time -f "%e %M" -o "$work/t" "$@" >"$work/out" 2>/dev/null || true; cat "$work/t"; }
. bench/medians.sh
printf '%-22s %-5s %8s %8s %6s %7s %8s %9s %9s %s\n' case code quarvel peer ratio "/floor" "/ansi" "mem KB" "peer KB" "same files"
floors=()
# Each run times both sets of readings, the peer and the read floor back to back, so that
# a slow spell of the machine weighs on all of them alike.
run_case() {  # name peer-command... -- quarvel-args...
  local name=$1; shift
  local peer=() ; while [ "$1" != "--" ]; do peer+=("$1"); shift; done; shift
  local bt=() at=() pt=() ft=() bm=0 am=0 pm=0 s m
  local first=all second=ansi
  for ((i = 0; i < runs; i++)); do
    read -r s m < <(measure "$cli" -q -j 1 --code $first "$@"); sort "$work/out" > "$work/$first"
    if [ $first = all ]; then bt+=("$s"); bm=$m; else at+=("$s"); am=$m; fi
    read -r s m < <(measure "${peer[@]}"); pt+=("$s"); pm=$m; sed 's#//#/#g' "$work/out" | sort > "$work/p"
    read -r s m < <(measure "$cli" -q -j 1 --code $second "$@"); sort "$work/out" > "$work/$second"
    if [ $second = all ]; then bt+=("$s"); bm=$m; else at+=("$s"); am=$m; fi
    read -r s m < <(measure "$floor" "$tree"); ft+=("$s")
    local swap=$first; first=$second; second=$swap  # neither code always goes first
  done
  floors+=("${ft[@]}")
  local b a p
  b=$(printf '%s\n' "${bt[@]}" | median); a=$(printf '%s\n' "${at[@]}" | median)
  p=$(printf '%s\n' "${pt[@]}" | median)
  for code in all ansi; do
    local same=yes
    cmp -s "$work/$code" "$work/p" || same="NO ($(comm -3 "$work/$code" "$work/p" | wc -l) differ)"
    if [ $code = all ]; then
      printf '%-22s %-5s %8s %8s %6s %7s %8s %9s %9s %s\n' "$name" all "$b" "$p" "$(ratio "${bt[*]}" "${pt[*]}")" "$(ratio "${bt[*]}" "${ft[*]}")" "$(ratio "${bt[*]}" "${at[*]}")" "$bm" "$pm" "$same"
    else
      printf '%-22s %-5s %8s %8s %6s %7s %8s %9s %9s %s\n' "" ansi "$a" "$p" "$(ratio "${at[*]}" "${pt[*]}")" "$(ratio "${at[*]}" "${ft[*]}")" "" "$am" "$pm" "$same"
    fi
  done
}
run_case "literal" rg -j1 -uuu -L -l PM_RESUME "$tree" -- -r -p "$tree" PM_RESUME
run_case "literal, ignore case" rg -j1 -uuu -L -l -i "linus torvalds" "$tree" -- -r -i -p "$tree" "linus torvalds"
run_case "Boolean, whole file" ugrep -J1 -Rl --files --bool "mutex_lock mutex_unlock -spin_lock" "$tree" -- -r -p "$tree" "mutex_lock+mutex_unlock+-spin_lock"
run_case "Boolean, per line" ugrep -J1 -Rl --lines --bool "mutex_lock -mutex_unlock" "$tree" -- -r --within line -p "$tree" "mutex_lock+-mutex_unlock"
printf '%-28s %8s\n' "read floor (all runs)" "$(printf '%s\n' "${floors[@]}" | median)"
read -r s m < <(measure grep -r -l PM_RESUME "$tree")
printf '%-28s %8s\n' "GNU grep -rl PM_RESUME" "$s"

# The default threads of each program; the read floor on as many threads as
# quarvel-cli takes by default (one per processor it may use, as nproc counts).
threads=$(nproc)
cold_runs=${QUARVEL_BENCH_COLD_RUNS:-3}
drop_caches() { sync; echo 3 > /proc/sys/vm/drop_caches; }
# "met" when the ratio stays within the limit
verdict() { awk -v r="$1" -v l="$2" 'BEGIN { print (r <= l ? "met" : "MISSED") }'; }
header_threads() {
  echo
  echo "$1"
  printf '%-22s %-5s %8s %8s %6s %-12s %7s %-12s %8s %9s %9s %s\n' case peer quarvel peer ratio target "/floor" target floor "mem KB" "peer KB" "same files"
}
# Each run times quarvel-cli, the peer and the parallel read floor, in the
# order of the run before reversed, so that neither always goes first or last;
# a cold run drops the page cache before each of the three.
run_threads_case() {  # warm|cold name peer-limit peer-command... -- quarvel-args...
  local cache=$1 name=$2 limit=$3; shift 3
  local peer=(); while [ "$1" != "--" ]; do peer+=("$1"); shift; done; shift
  local n=$runs; if [ "$cache" = cold ]; then n=$cold_runs; fi
  local qt=() pt=() ft=() qm=0 pm=0 s m order same=yes
  for ((i = 0; i < n; i++)); do
    if ((i % 2 == 0)); then order="quarvel peer floor"; else order="floor peer quarvel"; fi
    for who in $order; do
      if [ "$cache" = cold ]; then drop_caches; fi
      case $who in
        quarvel) read -r s m < <(measure "$cli" -q "$@"); qt+=("$s"); qm=$m; sort "$work/out" > "$work/q" ;;
        peer) read -r s m < <(measure "${peer[@]}"); pt+=("$s"); pm=$m; sed 's#//#/#g' "$work/out" | sort > "$work/p" ;;
        floor) read -r s m < <(measure "$floor" "$tree" "$threads"); ft+=("$s") ;;
      esac
    done
    cmp -s "$work/q" "$work/p" || same="NO ($(comm -3 "$work/q" "$work/p" | wc -l) differ)"
  done
  local q p f rp rf
  q=$(printf '%s\n' "${qt[@]}" | median); p=$(printf '%s\n' "${pt[@]}" | median)
  f=$(printf '%s\n' "${ft[@]}" | median)
  rp=$(ratio "${qt[*]}" "${pt[*]}"); rf=$(ratio "${qt[*]}" "${ft[*]}")
  printf '%-22s %-5s %8s %8s %6s %-12s %7s %-12s %8s %9s %9s %s\n' "$name" "${peer[0]}" "$q" "$p" "$rp" \
    "<=$limit $(verdict "$rp" "$limit")" "$rf" "<=1.15 $(verdict "$rf" 1.15)" "$f" "$qm" "$pm" "$same"
}
threads_cases() {  # warm|cold
  run_threads_case "$1" "literal" 0.9 rg -uuu -L -l PM_RESUME "$tree" -- -r -p "$tree" PM_RESUME
  run_threads_case "$1" "literal, ignore case" 0.9 rg -uuu -L -l -i "linus torvalds" "$tree" -- -r -i -p "$tree" "linus torvalds"
  run_threads_case "$1" "Boolean, whole file" 0.5 ugrep -Rl --files --bool "mutex_lock mutex_unlock -spin_lock" "$tree" -- -r -p "$tree" "mutex_lock+mutex_unlock+-spin_lock"
  run_threads_case "$1" "Boolean, per line" 0.5 ugrep -Rl --lines --bool "mutex_lock -mutex_unlock" "$tree" -- -r --within line -p "$tree" "mutex_lock+-mutex_unlock"
}
"$floor" "$tree" >/dev/null  # the tree back in the page cache after GNU grep
header_threads "default threads (quarvel-cli, rg, ugrep; read floor on $threads threads), warm cache, $runs runs:"
threads_cases warm
if (drop_caches) 2>/dev/null; then
  header_threads "default threads, cold cache (page cache dropped before every run), $cold_runs runs:"
  threads_cases cold
  "$floor" "$tree" >/dev/null  # the tree back in the page cache
else
  echo
  echo "default threads, cold cache: left out (the page cache can only be dropped as root)"
fi
echo
"$build"/bench_open_scan 100
"$build"/bench_scan_memory 1024
"$build"/bench_worst_case 1024

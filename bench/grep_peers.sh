#!/usr/bin/env bash
# Times quarvel-cli against ripgrep, ugrep and GNU grep on the Linux 6.1 source
# tree, checks that each case finds the same set of files as its peer, and
# prints the median times, the ratios (to the peer, to the read floor timed in
# the same runs, and of the default readings (all three) to ANSI alone, each the median of the runs'
# own ratios) and the peak memory; then the viewer's one-file scan of a 100 MB
# file, the flat memory of a 1 GB one, and the worst case of a literal search.
#   bench/grep_peers.sh [RUNS]      (default 5; the tree goes to $QUARVEL_BENCH_DIR,
#                                    default /var/tmp/quarvel-bench)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
dir=${QUARVEL_BENCH_DIR:-/var/tmp/quarvel-bench}
need=()
for p in linux-source-6.1 ripgrep ugrep grep time gcc; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then apt-get update -qq; DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null; fi
tree=$dir/linux-source-6.1
if [ ! -d "$tree" ]; then
  mkdir -p "$dir"
  echo "unpacking the Linux 6.1 source into $dir (once)"
  tar -xf /usr/src/linux-source-6.1.tar.xz -C "$dir"
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target quarvel-cli bench_open_scan bench_scan_memory bench_worst_case >/dev/null
cli=$PWD/build/quarvel-cli
gcc -O2 -o build/read_floor bench/read_floor.c
echo "warming the page cache"; build/read_floor "$tree" >/dev/null

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
    read -r s m < <(measure "$cli" -q --code $first "$@"); sort "$work/out" > "$work/$first"
    if [ $first = all ]; then bt+=("$s"); bm=$m; else at+=("$s"); am=$m; fi
    read -r s m < <(measure "${peer[@]}"); pt+=("$s"); pm=$m; sed 's#//#/#g' "$work/out" | sort > "$work/p"
    read -r s m < <(measure "$cli" -q --code $second "$@"); sort "$work/out" > "$work/$second"
    if [ $second = all ]; then bt+=("$s"); bm=$m; else at+=("$s"); am=$m; fi
    read -r s m < <(measure build/read_floor "$tree"); ft+=("$s")
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
echo
build/bench_open_scan 100
build/bench_scan_memory 1024
build/bench_worst_case 1024

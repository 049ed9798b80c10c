#!/usr/bin/env bash
# Times quarvel-cli against ripgrep, ugrep and GNU grep on the Linux 6.1 source
# tree, checks that each case finds the same set of files as its peer, and
# prints the median times, the ratios and the peak memory; then the viewer's
# one-file scan of a 100 MB file and the flat memory of a 1 GB one.
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
cmake --build build -j"$(nproc)" --target quarvel-cli bench_open_scan bench_scan_memory >/dev/null
cli=$PWD/build/quarvel-cli
gcc -O2 -o build/read_floor bench/read_floor.c
echo "warming the page cache"; build/read_floor "$tree" >/dev/null

work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
# seconds and peak KB of one command, its standard output kept in $work/out
measure() { /usr/bin/time -f "%e %M" -o "$work/t" "$@" >"$work/out" 2>/dev/null || true; cat "$work/t"; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

printf '%-34s %-6s %9s %9s %7s %10s %10s %s\n' case code quarvel peer ratio "mem KB" "peer KB" "same files"
run_case() {  # name code peer-command... -- quarvel-args...
  local name=$1 code=$2; shift 2
  local peer=() ; while [ "$1" != "--" ]; do peer+=("$1"); shift; done; shift
  local qt=() pt=() qm=0 pm=0
  for ((i = 0; i < runs; i++)); do
    read -r s m < <(measure "$cli" -q --code "$code" "$@"); qt+=("$s"); qm=$m; sort "$work/out" > "$work/q"
    read -r s m < <(measure "${peer[@]}"); pt+=("$s"); pm=$m; sed 's#//#/#g' "$work/out" | sort > "$work/p"
  done
  local q p same=yes
  q=$(printf '%s\n' "${qt[@]}" | median); p=$(printf '%s\n' "${pt[@]}" | median)
  cmp -s "$work/q" "$work/p" || same="NO ($(comm -3 "$work/q" "$work/p" | wc -l) differ)"
  printf '%-34s %-6s %9s %9s %7.2f %10s %10s %s\n' "$name" "$code" "$q" "$p" "$(awk -v a="$q" -v b="$p" 'BEGIN { print (b > 0 ? a / b : 0) }')" "$qm" "$pm" "$same"
}
for code in both ansi; do
  run_case "literal" $code rg -j1 -uuu -L -l PM_RESUME "$tree" -- -r -p "$tree" PM_RESUME
  run_case "literal, ignore case" $code rg -j1 -uuu -L -l -i "linus torvalds" "$tree" -- -r -i -p "$tree" "linus torvalds"
  run_case "Boolean, whole file" $code ugrep -J1 -Rl --files --bool "mutex_lock mutex_unlock -spin_lock" "$tree" -- -r -p "$tree" "mutex_lock+mutex_unlock+-spin_lock"
  run_case "Boolean, per line" $code ugrep -J1 -Rl --lines --bool "mutex_lock -mutex_unlock" "$tree" -- -r --within line -p "$tree" "mutex_lock+-mutex_unlock"
done
read -r s m < <(measure build/read_floor "$tree")
printf '%-34s %-6s %9s\n' "read floor" "-" "$s"
read -r s m < <(measure grep -r -l PM_RESUME "$tree")
printf '%-34s %-6s %9s\n' "GNU grep -rl PM_RESUME" "-" "$s"
echo
build/bench_open_scan 100
build/bench_scan_memory 1024

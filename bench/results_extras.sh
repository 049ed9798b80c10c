#!/usr/bin/env bash
# Times what the found files get once a run has found them, with the targets
# beside the figures:
#   1. the hit pass (each found file scanned again, every hit counted, on the
#      default threads), as quarvel-cli --json runs it after its search, on the
#      Linux 6.1 source tree: recursive, files "*.c,*.h", the expression
#      "mutex_lock+mutex_unlock+-spin_lock", page cache warm. Each run times,
#      in an order turning from run to run:
#        search        quarvel-cli -q -r -p TREE -f MASKS EXPRESSION >/dev/null
#        search+pass   the same with --json (the found files listed with their hits)
#        pass alone    quarvel-cli --open PROJECT --json, PROJECT saved once
#                      beforehand with -o by the same search: the pass without
#                      the search (with the project's loading and the program's start)
#      The pass's time is search+pass less search; target: at most 0.5 of the
#      search's own time. The script checks that all three list the same files,
#      every one of them counted, with the same hits.
#   2. the preview's first lines of a 100 MB found file with 100000 hit lines,
#      searched by lines and as a whole file, cold and warm (bench_preview_first_lines);
#      target: the first lines by lines within 100 ms.
#   3. the results list's order of 100000 found files by each column, without a
#      window (bench_sort_rows), and with the window's repaint when the build has
#      the window (bench_window_search list, on a virtual display; also run by
#      bench/window_vs_cli.sh); target: 150 ms a sort.
#   bench/results_extras.sh [RUNS]   (default 7; the tree goes to $QUARVEL_BENCH_DIR,
#                                    default /var/tmp/quarvel-bench)
# Environment: QUARVEL_BENCH_BUILD the build folder (default build, configured as
# Release), QUARVEL_BUILD_JOBS its build jobs (default all processors),
# QUARVEL_BENCH_PREVIEW_DIR the folder of the preview's file (default /var/tmp).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-7}
dir=${QUARVEL_BENCH_DIR:-/var/tmp/quarvel-bench}
tree=$dir/linux-source-6.1
masks='*.c,*.h'
expression='mutex_lock+mutex_unlock+-spin_lock'
pass_limit=0.5
source bench/linux_tree.sh
linux_tree "$dir" time
build=${QUARVEL_BENCH_BUILD:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
window=no
if ! grep -q '^QUARVEL_ENGINE_ONLY:BOOL=ON' "$build"/CMakeCache.txt && command -v xvfb-run >/dev/null; then window=yes; fi
targets=(quarvel-cli bench_preview_first_lines bench_sort_rows)
if [ $window = yes ]; then targets+=(bench_window_search); fi
cmake --build "$build" -j"${QUARVEL_BUILD_JOBS:-$(nproc)}" --target "${targets[@]}" >/dev/null
build=$(cd "$build" && pwd)
cli=$build/quarvel-cli
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
. bench/medians.sh
search() { timed search "$cli" -q -r -p "$tree" -f "$masks" "$expression"; }
search_pass() { timed json "$cli" -q -r -p "$tree" -f "$masks" --json "$expression"; }
pass_alone() { timed open "$cli" -q --open "$work/search.qpr" --json; }
# The paths of a --json listing, and its hits; each object's path comes first.
json_paths() { sed -n 's/^{"path":"\(.*\)","size":.*/\1/p' "$1"; }
json_hits() { sed -n 's/.*,"hits":\([0-9]*\).*/\1/p' "$1"; }
check_listings() {
  sort "$work/search" > "$work/search.sorted"
  local what
  for what in json open; do
    if ! json_paths "$work/$what" | sort | cmp -s - "$work/search.sorted"; then
      echo "the --json listing ($what) lists other files than the search"; exit 1
    fi
    if [ "$(json_hits "$work/$what" | wc -l)" != "$(wc -l < "$work/search")" ]; then
      echo "the --json listing ($what) left files without their hits"; exit 1
    fi
  done
  if ! cmp -s "$work/json" "$work/open"; then echo "the pass alone (--open) listed other hits than after the search"; exit 1; fi
}

echo "1. hit pass: $tree, recursive, files $masks, expression $expression"
echo "   page cache warm, default threads ($(nproc) usable processors), build type $(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build"/CMakeCache.txt), $runs runs after one warm-up"
"$cli" -q -r -p "$tree" -f "$masks" -o "$work/search.qpr" "$expression" >/dev/null || [ $? -eq 1 ]
search >/dev/null; search_pass >/dev/null; pass_alone >/dev/null  # warm-up: the page cache
check_listings
found=$(wc -l < "$work/search")
hits=$(json_hits "$work/json" | awk '{ s += $1 } END { print s + 0 }')
echo "   found $found files holding $hits hits; the three listings agree"
st=() jt=() ot=() pr=() orr=()
printf '   %-4s %8s %12s %8s %11s %11s %-28s\n' run search search+pass pass "pass/search" "alone" "order"
orders=("search search_pass pass_alone" "search_pass pass_alone search" "pass_alone search search_pass")
for ((i = 0; i < runs; i++)); do
  order=${orders[i % 3]}
  for what in $order; do
    case $what in
      search) s=$(search) ;;
      search_pass) j=$(search_pass) ;;
      pass_alone) o=$(pass_alone) ;;
    esac
  done
  check_listings
  p=$(awk -v j="$j" -v s="$s" 'BEGIN { printf "%.3f", j - s }')
  st+=("$s"); jt+=("$j"); ot+=("$o"); pr+=("$p")
  printf '   %-4s %8s %12s %8s %11s %11s %-28s\n' $((i + 1)) "$s" "$j" "$p" \
    "$(awk -v p="$p" -v s="$s" 'BEGIN { printf "%.2f", p / s }')" "$o" "$order"
done
ms=$(printf '%s\n' "${st[@]}" | median); mj=$(printf '%s\n' "${jt[@]}" | median)
mo=$(printf '%s\n' "${ot[@]}" | median)
echo "   medians: search $ms s, search+pass $mj s, pass alone (--open --json) $mo s"
awk -v s="$ms" -v j="$mj" -v o="$mo" -v l="$pass_limit" \
    -v rr="$(ratio "${pr[*]}" "${st[*]}")" -v ro="$(ratio "${ot[*]}" "${st[*]}")" 'BEGIN {
  r = (j - s) / s
  printf "   pass = search+pass - search = %.3f s; pass / search %.2f  (target <= %s: %s)\n", j - s, r, l, (r <= l ? "met" : "MISSED")
  printf "   median of the runs'\'' own ratios: pass/search %s; pass alone/search %s (%.2f from the medians)\n", rr, ro, o / s }'

echo
echo "2. preview of a large found file:"
"$build"/bench_preview_first_lines 100 "${QUARVEL_BENCH_PREVIEW_DIR:-/var/tmp}" "$runs" | sed 's/^/   /'

echo
echo "3. the results list's order, 100000 rows:"
"$build"/bench_sort_rows 100000 "$runs" | sed 's/^/   /'
if [ $window = yes ]; then
  echo
  echo "   in the window (bench_window_search list: the list's own timings, then its sorts with their repaint):"
  xvfb-run -a -s "-screen 0 1280x1024x24" "$build"/bench_window_search list 100000 --sort-rounds 3 | sed 's/^/   /'
else
  echo "   in the window: left out (an engine-only build, or no xvfb-run)"
fi

#!/usr/bin/env bash
# Times one large search run from the main window against the same search from
# quarvel-cli, on the Linux 6.1 source tree: recursive, files "*.c,*.h", the
# expression "mutex_lock+mutex_unlock+-spin_lock". After one warm-up of each,
# both run RUNS times, taking turns to go first; the script checks that both
# found the same files and prints the medians side by side, with the ratio
# window/cli and whether it stays within 1.15. Both decide the files on their
# default threads, one for each processor the process may use. Then it presses
# Cancel in the window's run, at a quarter, half and nine tenths of the median
# window run by turns (a press after the run's end is shown, not counted), and prints how long the dialog took to be gone
# after each press (every thread of the run stopped) and their median, with
# whether it stays within 100 ms. Last it times the results list with 100000
# rows (bench_window_search list): its first paint, its scrolling, and its sorts
# by a column's header with their repaint, the longest against 150 ms.
#   bench/window_vs_cli.sh [RUNS]   (default 5; the tree goes to $QUARVEL_BENCH_DIR,
#                                    default /var/tmp/quarvel-bench; $QUARVEL_BUILD_JOBS
#                                    build jobs, default all processors)
# Environment: QUARVEL_BENCH_BUILD the build folder (default build),
# QUARVEL_BENCH_CANCEL_RUNS the presses of Cancel (default 9).
# What each figure holds:
#   window run      the progress dialog's ShowModal alone, as bench_window_search
#                   prints it: the whole search (expression, folder walk, scan)
#                   with the dialog and the results list kept up to date; the
#                   toolkit's start, the main window's building and the ending
#                   are left out
#   window process  the whole bench_window_search process: the above plus the
#                   toolkit's start and end on the virtual display (not the
#                   display server's own start) and the half second it waits
#                   for the shown main window to settle before the run
#   cli process     the whole quarvel-cli process: the same search plus the
#                   start, the options and printing every found path
#   cli own         the search duration quarvel-cli reports itself (--info), in
#                   whole seconds of the calendar clock: too coarse to compare
#   cancel latency  from the press of Cancel (a timer in the dialog's event
#                   loop) until ShowModal returns: the run's threads stopped
#                   and joined, the dialog hidden
# The ratio window/cli sets the window's run against the cli's whole process: the
# ratio of the medians decides "within 1.15"; the median of each run's own ratio
# is printed beside it, as it is less swayed by a machine that slows for a while.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
dir=${QUARVEL_BENCH_DIR:-/var/tmp/quarvel-bench}
tree=$dir/linux-source-6.1
masks='*.c,*.h'
expression='mutex_lock+mutex_unlock+-spin_lock'
limit=1.15
cancel_limit=100
build=${QUARVEL_BENCH_BUILD:-build}

# Everything is set up once, then the script runs itself again on a virtual display.
if [ -z "${QUARVEL_WINDOW_BENCH_DISPLAY:-}" ]; then
  source bench/linux_tree.sh
  linux_tree "$dir" xvfb xauth time
  cmake -S . -B "$build" >/dev/null
  cmake --build "$build" -j"${QUARVEL_BUILD_JOBS:-$(nproc)}" --target bench_window_search quarvel-cli >/dev/null
  export QUARVEL_WINDOW_BENCH_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$runs"
fi

cli=$build/quarvel-cli
window=$build/bench_window_search
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
. bench/medians.sh

# One run of each; the found paths, sorted, go to $work/window and $work/cli.
run_window() {
  /usr/bin/time -f "%e" -o "$work/wt" timeout 900 "$window" search "$tree" "$masks" "$expression" \
    --paths "$work/wpaths" >"$work/wout" || { echo "bench_window_search failed:"; cat "$work/wout"; exit 1; }
  # run SECONDS s found FILES files searched N rows R threads T
  read -r _ wrun _ _ wfound _ _ _ _ _ _ wthreads _ < "$work/wout"
  wproc=$(cat "$work/wt")
  sort "$work/wpaths" > "$work/window"
}
run_cli() {
  /usr/bin/time -f "%e" -o "$work/ct" timeout 900 "$cli" -q -r -p "$tree" -f "$masks" --info "$expression" \
    >"$work/cout" || { echo "quarvel-cli failed"; exit 1; }
  cproc=$(cat "$work/ct")
  cown=$(sed -n 's/^Search duration //p' "$work/cout")
  cfound=$(sed -n 's/^Hits in \([0-9]*\) file.*/\1/p' "$work/cout")
  grep '^/' "$work/cout" | sort > "$work/cli"
}

echo "build type $(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build"/CMakeCache.txt), $runs runs after one warm-up"
echo "search: $tree, recursive, files $masks, expression $expression"
run_window; run_cli  # warm-up: the page cache, the toolkit's files
echo "threads: the defaults of both, $wthreads in the window (quarvel-cli takes one for each of the $(nproc) usable processors)"
wr=() wp=() cp=() rr=() first=window
printf '%-4s %11s %15s %12s %8s %6s %8s %8s\n' run "window run" "window process" "cli process" "cli own" ratio window cli
for ((i = 1; i <= runs; i++)); do
  if [ $first = window ]; then run_window; run_cli; first=cli; else run_cli; run_window; first=window; fi
  r=$(awk -v w="$wrun" -v c="$cproc" 'BEGIN { printf "%.2f", (c > 0 ? w / c : 0) }')
  wr+=("$wrun"); wp+=("$wproc"); cp+=("$cproc"); rr+=("$r")
  printf '%-4s %11s %15s %12s %8s %6s %8s %8s\n' "$i" "$wrun" "$wproc" "$cproc" "$cown" "$r" "$wfound" "$cfound"
  if [ "$wfound" != "$cfound" ] || ! cmp -s "$work/window" "$work/cli"; then
    echo "the window and quarvel-cli found different files: $wfound and $cfound" \
      "($(comm -3 "$work/window" "$work/cli" | wc -l) paths differ)"
    exit 1
  fi
done
mwr=$(printf '%s\n' "${wr[@]}" | median); mwp=$(printf '%s\n' "${wp[@]}" | median)
mcp=$(printf '%s\n' "${cp[@]}" | median)
echo
printf 'medians: window run %s s, window process %s s, cli process %s s; both found %s files\n' "$mwr" "$mwp" "$mcp" "$wfound"
awk -v w="$mwr" -v p="$mwp" -v c="$mcp" -v l="$limit" 'BEGIN {
  r = (c > 0 ? w / c : 0)
  printf "ratio window run / cli process      %.2f  %s\n", r, (r <= l ? "within " l : "ABOVE " l)
  printf "ratio window process / cli process  %.2f  (the window'\''s start, its 0.5 s wait and its end included)\n", (c > 0 ? p / c : 0) }'
echo "median of the runs' own ratios (each window run against the cli run beside it): $(printf '%s\n' "${rr[@]}" | median)"

echo
cancel_runs=${QUARVEL_BENCH_CANCEL_RUNS:-9}
echo "cancel latency, $cancel_runs presses of Cancel at 0.25, 0.5 and 0.9 of the median window run by turns:"
fractions=(0.25 0.5 0.9) lat=()
for ((i = 0; i < cancel_runs; i++)); do
  after=$(awk -v s="$mwr" -v f="${fractions[i % 3]}" 'BEGIN { printf "%d", s * 1000 * f }')
  timeout 900 "$window" search "$tree" "$masks" "$expression" --cancel-after "$after" >"$work/cout" || true
  # cancel latency MS ms, pressed P ms into the run; found F files, threads T[; messages: ...]
  echo "  pressed after $after ms: $(cat "$work/cout")"
  read -r w1 w2 ms _ < "$work/cout" || true
  if [ "${w1:-} ${w2:-}" = "cancel latency" ]; then lat+=("$ms"); fi
done
if [ ${#lat[@]} -gt 0 ]; then
  awk -v m="$(printf '%s\n' "${lat[@]}" | median)" -v n="${#lat[@]}" -v l="$cancel_limit" 'BEGIN {
    printf "median cancel latency %.1f ms over %d presses  (target <= %d ms: %s)\n", m, n, l, (m <= l ? "met" : "MISSED") }'
else
  echo "median cancel latency: no press came before the run's end"
fi
echo
echo "results list, 100000 rows:"
"$window" list 100000

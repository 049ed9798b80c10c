#!/usr/bin/env bash
# Scale figures in one table: a tree of 200,000 small files, a search that
# finds 100,000 of them, a 20,000-file tree to compare peak memory against, a
# 5 GiB sparse file with hits past 4 GiB (searched, opened in the viewer's
# model and stepped through to a hit past 4 GiB), and the main window on a
# virtual display running the search that finds 100,000 files (its results
# list filled as the run goes) and then scrolling those 100,000 rows.
#   bench/scale.sh
# Environment: QUARVEL_SCALE_BUILD (build folder, default build),
# QUARVEL_SCALE_DIR (where the trees go, default /dev/shm; about 900 MB of
# small files there), QUARVEL_SCALE_SPARSE_DIR (the sparse file, default
# /tmp; a few KB on disk), QUARVEL_BUILD_JOBS (default 1).
# Every case runs in a process of its own, so each peak memory figure (the
# process's peak resident set, getrusage) is that case's alone. Everything the
# script makes is removed when it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QUARVEL_SCALE_BUILD:-build}
dir=${QUARVEL_SCALE_DIR:-/dev/shm}
sparseDir=${QUARVEL_SCALE_SPARSE_DIR:-/tmp}

# Builds, then runs itself again on a virtual display.
if [ -z "${QUARVEL_SCALE_DISPLAY:-}" ]; then
  if [ ! -f "$build/CMakeCache.txt" ]; then cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null; fi
  cmake --build "$build" -j"${QUARVEL_BUILD_JOBS:-1}" --target bench_scale bench_scale_window >/dev/null
  export QUARVEL_SCALE_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0"
fi

scale=$build/bench_scale
window=$build/bench_scale_window
work=$(mktemp -d "$dir/quarvel-scale.XXXXXX")
sparse=$sparseDir/quarvel-scale-$$.bin
trap 'rm -rf "$work"; rm -f "$sparse"' EXIT
rows=$work/rows
: >"$rows"

echo "build type $(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt"), $(nproc) processors," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg), trees in $dir, sparse file in $sparseDir"
start=$(date +%s.%N)
"$scale" make-tree "$work/t20k" 40 500
"$scale" make-tree "$work/t200k" 400 500
echo "trees made in $(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - s }') s" \
  "($(du -sm "$work" | cut -f1) MB in $dir)"

# The figures go to $rows, the details to the terminal.
figures() {
  "$@" >"$work/out" || { cat "$work/out"; echo "failed: $*"; exit 1; }
  grep '^ROW' "$work/out" >>"$rows" || true
  grep -v '^ROW' "$work/out" || true
}
# Each search once to warm the caches, then the figure.
tree() {
  "$scale" tree "$1" "$2" "$3" >/dev/null
  figures "$scale" tree "$1" "$2" "$3"
}
tree "20k files, 1 in 50 found" "$work/t20k" scaleneedle
tree "20k files, half found" "$work/t20k" scalehalf
tree "200k files, 1 in 50 found" "$work/t200k" scaleneedle
tree "200k files, 100k found" "$work/t200k" scalehalf

figures "$scale" sparse "$sparse" 5120

# The main window: the search that finds 100,000 files, its results list
# filled row by row during the run; then those 100,000 rows painted,
# scrolled page by page and jumped to the last.
figures "$window" "$work/t200k" '*' scalehalf

echo
echo "load average at the end $(cut -d' ' -f1-3 /proc/loadavg)"
{
  echo "case|files|found|time|rate|peak MB|notes"
  sed 's/^ROW|//' "$rows"
} | column -t -s '|' -o '  '

# What the peak memory grows with: the trees' files (their search list) and the found-file records.
echo
awk -F'|' '
  { peak[$2] = $7 }
  $8 ~ /once the search list/ {
    split($8, w, " ")  # RSS S MB at start, G MB once the search list was gathered, E MB at the end
    printf "%-26s resident %5.1f MB at the start, %5.1f MB with the search list gathered (%3.0f bytes a file), %5.1f MB at the end\n",
      $2 ":", w[2], w[6], (w[6] - w[2]) * 1048576 / $3, w[14] }
  END {
    a = peak["20k files, 1 in 50 found"]; b = peak["200k files, 1 in 50 found"]
    c = peak["20k files, half found"]; d = peak["200k files, 100k found"]
    printf "peak memory, 1 in 50 found:  20k files %.1f MB, 200k files %.1f MB: %.0f bytes more a file searched\n", a, b, (b - a) * 1048576 / 180000
    printf "peak memory, 200k files:    4,000 found %.1f MB, 100,000 found %.1f MB: %.0f bytes more a found file\n", b, d, (d - b) * 1048576 / 96000
    printf "peak memory, 20k files:       400 found %.1f MB, 10,000 found %.1f MB: %.0f bytes more a found file\n", a, c, (c - a) * 1048576 / 9600 }' "$rows"

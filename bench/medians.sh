# Sourced by the benchmark scripts: the median of numbers on standard input,
# the median over the runs of each run's own ratio ("$1" and "$2" list the
# times of the runs; "$3" the decimals, 2 by default), and the time of one command.
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ratio() {
  awk -v a="$1" -v b="$2" -v d="${3:-2}" 'BEGIN { n = split(a, x, " "); split(b, y, " ")
    for (i = 1; i <= n; i++) r[i] = y[i] > 0 ? x[i] / y[i] : 0
    for (i = 2; i <= n; i++) for (j = i; j > 1 && r[j - 1] > r[j]; j--) { t = r[j]; r[j] = r[j - 1]; r[j - 1] = t }
    printf "%." d "f", r[int((n + 1) / 2)] }'
}
# Seconds (to the millisecond) of one command, its standard output kept in
# $work/$1 (the script's scratch folder); exit status 1 (nothing found) is no
# failure. The output goes to a file: a grep may stop at its first match when
# it sees its output go to /dev/null.
timed() {
  local out=$1; shift
  local start end
  start=$(date +%s%N)
  "$@" >"$work/$out" 2>"$work/err" || [ $? -eq 1 ] || { echo "failed: $*" >&2; cat "$work/err" >&2; exit 1; }
  end=$(date +%s%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }'
}

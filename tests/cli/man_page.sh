#!/usr/bin/env bash
# Checks the manual page against the program's usage text:
# - every option spelling of `quarvel-cli --help` is documented in an entry (.TP)
#   of the page's OPTIONS section, a short and a long spelling of one usage line
#   in one entry, its hyphens escaped (\-) so that they render as minus signs;
# - every option an OPTIONS entry documents is in --help;
# - the page renders without a warning.
# Then it proves the check can fail: on copies of the page with an option left
# out, a short spelling left out, an option the program does not have, and a
# macro that does not exist, it must fail and name what is wrong.
# Usage: man_page.sh QUARVEL_CLI MAN_PAGE
set -u
cli=$1
page=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

command -v groff >/dev/null || fail "groff is not installed (scripts/install-deps installs groff-base)"

# The option lines of the usage text, one line each: their option spellings.
# An option line begins with blanks and a hyphen; its options stand before the
# first two blanks, where the description begins.
"$cli" --help >"$work/usage" || fail "$cli --help exited with status $?"
awk '/^ +-/ {
       line = $0; sub(/^ +/, "", line)
       i = index(line, "  "); if (i) line = substr(line, 1, i - 1)
       n = split(line, t, /[ ,|]+/); out = ""
       for (k = 1; k <= n; k++)
         if (t[k] ~ /^--[a-z0-9][a-z0-9-]*$/ || t[k] ~ /^-[a-zA-Z0-9]$/) out = out " " t[k]
       if (out != "") print substr(out, 2)
     }' "$work/usage" >"$work/usage.entries"
tr ' ' '\n' <"$work/usage.entries" | sort -u >"$work/usage.options"
# The usage text itself must have been read: its first and last options, and a pair.
for o in -p --path --help -0 --null --lines --json --csv; do
  grep -qxF -- "$o" "$work/usage.options" || fail "no option $o read from --help: the usage text's form changed?"
done
[ "$(wc -l <"$work/usage.options")" -ge 40 ] || fail "only $(wc -l <"$work/usage.options") options read from --help"

# Prints what is wrong with the page $1 and returns 1, or returns 0.
check_page() {
  local p=$1 problems=$work/problems
  : >"$problems"
  # The tag line of each .TP entry of the OPTIONS section, as written.
  awk '/^\.SH/ { options = ($0 ~ /^\.SH +"?OPTIONS"?[ \t]*$/); tag = 0; next }
       options && /^\.TP/ { tag = 1; next }
       options && tag && !/^\.\\"/ { print; tag = 0 }' "$p" >"$work/tags.raw"
  # Hyphens not escaped render as hyphens, not as the minus signs a shell needs.
  grep -n -- '\(^\|[^\\]\)-' "$work/tags.raw" | sed 's/^[0-9]*:/unescaped hyphen in the OPTIONS entry: /' >>"$problems"
  # As text: \- is -, font escapes and a leading macro name go, quotes and \  are blanks.
  sed -e 's/\\-/-/g' -e 's/\\f\(\[[^]]*\]\|(..\|.\)//g' -e 's/\\[ ~]/ /g' -e 's/\\[&%]//g' \
      -e 's/^\.[A-Za-z]*[ \t]*//' -e 's/"/ /g' "$work/tags.raw" >"$work/tags.text"
  awk '{ n = split($0, t, /[ ,|]+/); out = ""
         for (k = 1; k <= n; k++)
           if (t[k] ~ /^--[a-z0-9][a-z0-9-]*$/ || t[k] ~ /^-[a-zA-Z0-9]$/) out = out " " t[k]
         if (out != "") print substr(out, 2) }' "$work/tags.text" >"$work/page.entries"
  tr ' ' '\n' <"$work/page.entries" | sort -u >"$work/page.options"
  comm -23 "$work/usage.options" "$work/page.options" |
    sed 's/^/option in --help but not in the OPTIONS of the man page: /' >>"$problems"
  comm -13 "$work/usage.options" "$work/page.options" |
    sed 's/^/option in the OPTIONS of the man page but not in --help: /' >>"$problems"
  # A short spelling and its long one, given together in --help, share an entry.
  local short long
  while read -r short long _; do
    case $short in --*) continue ;; esac
    [ -n "${long-}" ] || continue
    grep -qE -- "(^| )$short( | .* )$long( |$)" "$work/page.entries" ||
      echo "the man page does not give $short and $long in one OPTIONS entry" >>"$problems"
  done <"$work/usage.entries"
  # Renders without a warning, as a terminal and as a printed page would show it.
  local device
  for device in utf8 ascii ps; do
    groff -man -ww -z -T"$device" "$p" 2>&1 | sed "s/^/groff -T$device: /" >>"$problems"
  done
  if command -v man >/dev/null; then
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l -Tutf8 "$p" 2>&1 >/dev/null | sed 's/^/man: /' >>"$problems"
  fi
  [ -s "$problems" ] || return 0
  cat "$problems"
  return 1
}

out=$(check_page "$page") || fail "$page:
$out"

# The check fails, naming what is wrong, on pages with a known fault.
expect_fault() {  # name-of-the-fault text-the-report-must-hold mutant-page
  local got
  if got=$(check_page "$3"); then fail "a page with $1 passed the check"; fi
  grep -qF -- "$2" <<<"$got" || fail "the report on a page with $1 does not name it: [$got]"
}
grep -q '^\\fB\\-\\-within\\fR' "$page" || fail "no OPTIONS entry for --within to leave out"
sed '/^\\fB\\-\\-within\\fR/d' "$page" >"$work/no-within.1"
expect_fault "--within left out" "not in the OPTIONS of the man page: --within" "$work/no-within.1"
sed 's/^\\fB\\-q\\fR, //' "$page" >"$work/no-q.1"
expect_fault "-q left out" "not in the OPTIONS of the man page: -q" "$work/no-q.1"
sed 's/^\\fB\\-q\\fR, \\fB\\-\\-quiet\\fR/\\fB\\-q\\fR\n.TP\n\\fB\\-\\-quiet\\fR/' "$page" >"$work/q-apart.1"
expect_fault "-q and --quiet apart" "does not give -q and --quiet in one OPTIONS entry" "$work/q-apart.1"
sed 's/^\.SS Running$/.TP\n\\fB\\-\\-frobnicate\\fR\nNot an option.\n&/' "$page" >"$work/extra.1"
expect_fault "an option the program lacks" "not in --help: --frobnicate" "$work/extra.1"
sed 's/^\\fB\\-\\-check\\fR$/\\fB--check\\fR/' "$page" >"$work/hyphen.1"
expect_fault "an unescaped hyphen" "unescaped hyphen in the OPTIONS entry: \\fB--check" "$work/hyphen.1"
sed 's/^\.SH SIGNALS$/.XQ\n&/' "$page" >"$work/macro.1"
expect_fault "an unknown macro" "groff -Tutf8: " "$work/macro.1"
echo "man page: $(wc -l <"$work/usage.options") options of --help documented, and none more"

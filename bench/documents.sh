#!/usr/bin/env bash
# Times quarvel-cli's search inside documents and archives against the tools
# one would otherwise string together, on a corpus of 2,000 generated files
# (bench/make_documents.py: 600 PDFs of 5 to 50 pages, 400 DOCX, 250 ODT, 150
# EPUB, 300 zip and 300 tar.gz archives of 10 to 50 text members each), with
# the page cache warm, every program on its default threads:
#   1. the PDFs: quarvel-cli -f '*.pdf' against pdftotext and a match of both
#      words on each PDF, as many at once as there are processors (xargs -P);
#      target: quarvel / peer <= 1.0
#   2. the archives: quarvel-cli -f '*.zip,*.tar.gz' against ugrep -z
#      --files --bool on the zip and then the tar.gz archives; target:
#      quarvel / peer <= 0.7. Each kind apart is shown as well (-f '*.zip',
#      -f '*.tar.gz'): quarvel-cli then also opens the archives of the other
#      kind, whose members the mask might take, as in any search.
#   3. the whole corpus with --documents on and off, for information.
# Each round times every command once, in an order reversed from one round to
# the next; the figures are the medians, and the ratios the medians of the
# rounds' own ratios. The expression is two words that both occur in 7% of
# the documents and of the archives' members (and one of them in 24% more);
# each case checks that quarvel-cli finds the same PDFs, members and
# documents as its peer and as the generator placed the words.
#   bench/documents.sh [RUNS]   (default 5; the corpus goes to
#                               $QUARVEL_DOCUMENTS_DIR, default /var/tmp/quarvel-documents,
#                               and is written again when the generator changes)
# Environment: QUARVEL_BENCH_BUILD the build folder (default build, configured as
# Release), QUARVEL_BUILD_JOBS its build jobs (default all processors).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
dir=${QUARVEL_DOCUMENTS_DIR:-/var/tmp/quarvel-documents}
w1=quokkaline
w2=zephyrandum
pdf_limit=1.0
archive_limit=0.7

# pdftotext comes with poppler-utils; ugrep decompresses archives (-z).
need=()
for p in poppler-utils ugrep python3 findutils; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "installing ${need[*]}"
  apt-get update -qq; DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
fi

build=${QUARVEL_BENCH_BUILD:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"${QUARVEL_BUILD_JOBS:-$(nproc)}" --target quarvel-cli >/dev/null
build=$(cd "$build" && pwd)
cli=$build/quarvel-cli

# The corpus is kept between runs; the generator's own hash says whether it
# still is the one the generator writes.
made_by=$(sha256sum bench/make_documents.py | cut -c1-16)
if [ "$(cat "$dir/made-by" 2>/dev/null)" != "$made_by" ]; then
  echo "writing the corpus into $dir (once per version of bench/make_documents.py)"
  python3 bench/make_documents.py "$dir"
  echo "$made_by" > "$dir/made-by"
fi
docs=$dir/docs
expected=$dir/expected.txt

work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
. bench/medians.sh
# "met" when the ratio stays within the limit
verdict() { awk -v r="$1" -v l="$2" 'BEGIN { print (r <= l ? "met" : "MISSED") }'; }
# The sum of each round's times: "1.0 2.0" and "0.5 0.5" make "1.500 2.500".
add_rounds() { awk -v a="$1" -v b="$2" 'BEGIN { n = split(a, x, " "); split(b, y, " ")
  for (i = 1; i <= n; i++) printf "%s%.3f", (i > 1 ? " " : ""), x[i] + y[i] }'; }
# The differences between two sorted listings, as a count.
differ() { comm -3 "$1" "$2" | wc -l; }
# The expected listing of the paths matching a pattern, as absolute paths.
expected_of() { grep -E "$1" "$expected" | sed "s#^#$docs/#" | sort; }

# The peers. pdftotext writes a PDF's text in reading order; the shell then
# looks for both words in it, without a process more per PDF.
pdf_peer() {
  find "$docs" -name '*.pdf' -print0 | xargs -0 -n 16 -P "$(nproc)" sh -c '
    for f; do
      t=$(pdftotext -q "$f" -) || continue
      case $t in *"$W1"*) case $t in *"$W2"*) printf "%s\n" "$f" ;; esac ;; esac
    done' sh
}
# ugrep lists a member as ARCHIVE{MEMBER}, which quarvel-cli calls ARCHIVE//MEMBER.
# Its globs would also pick the members, so the archives are named to it.
archive_peer() {  # ending
  find "$docs" -name "*.$1" -print0 | xargs -0 ugrep -z -l -F --files --bool "$w1 $w2" || [ $? -eq 123 ]
}
quarvel() { "$cli" -q -r -p "$docs" "$@" "$w1+$w2"; }
members_of_peer() { sed 's#{\(.*\)}$#//\1#' "$1" | sort; }
export W1=$w1 W2=$w2

pdfs=$(find "$docs" -name '*.pdf' | wc -l)
echo "corpus: $docs, $(find "$docs" -type f | wc -l) files, $(du -sh "$docs" | cut -f1);" \
  "expression $w1+$w2; $(nproc) processors; build type $(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build"/CMakeCache.txt)"
echo "warming the page cache"; cat "$docs"/*/* >/dev/null

echo
echo "1. PDFs ($pdfs): quarvel-cli -f '*.pdf' against pdftotext + a match of both words, xargs -P $(nproc); $runs rounds"
qt=() pt=()
for ((i = 0; i < runs; i++)); do
  if ((i % 2 == 0)); then order="quarvel peer"; else order="peer quarvel"; fi
  for who in $order; do
    case $who in
      quarvel) qt+=("$(timed q quarvel -f '*.pdf')") ;;
      peer) pt+=("$(timed p pdf_peer)") ;;
    esac
  done
  sort "$work/q" > "$work/q.pdf"; sort "$work/p" > "$work/p.pdf"
  printf '   round %d: quarvel %s s, pdftotext %s s\n' $((i + 1)) "${qt[i]}" "${pt[i]}"
done
expected_of '\.pdf$' > "$work/e.pdf"
r=$(ratio "${qt[*]}" "${pt[*]}")
printf '   %-22s %8s %8s %6s %s\n' "" quarvel peer ratio target
printf '   %-22s %8s %8s %6s %s\n' "median s" "$(printf '%s\n' "${qt[@]}" | median)" \
  "$(printf '%s\n' "${pt[@]}" | median)" "$r" "<=$pdf_limit $(verdict "$r" "$pdf_limit")"
printf '   found: quarvel %d, pdftotext %d, placed %d of %d PDFs; quarvel vs pdftotext: %d differ, vs placed: %d differ\n' \
  "$(wc -l < "$work/q.pdf")" "$(wc -l < "$work/p.pdf")" "$(wc -l < "$work/e.pdf")" "$pdfs" \
  "$(differ "$work/q.pdf" "$work/p.pdf")" "$(differ "$work/q.pdf" "$work/e.pdf")"

echo
echo "2. archives: quarvel-cli -f '*.zip,*.tar.gz' (and each apart) against ugrep -z --files --bool '$w1 $w2'; $runs rounds"
members=$(python3 -c '
import sys, tarfile, zipfile, pathlib
z = [len([i for i in zipfile.ZipFile(f).infolist() if not i.is_dir()]) for f in pathlib.Path(sys.argv[1]).rglob("*.zip")]
t = [len([m for m in tarfile.open(f).getmembers() if m.isfile()]) for f in pathlib.Path(sys.argv[1]).rglob("*.tar.gz")]
print("%d zip archives (%d members), %d tar.gz archives (%d members)" % (len(z), sum(z), len(t), sum(t)))
print(sum(z) + sum(t))' "$docs")
echo "   ${members%$'\n'*}"
members=${members##*$'\n'}
qz=() pz=() qg=() pg=() qb=()
for ((i = 0; i < runs; i++)); do
  if ((i % 2 == 0)); then order="qb qz pz qg pg"; else order="pg qg pz qz qb"; fi
  for who in $order; do
    case $who in
      qb) qb+=("$(timed qb quarvel -f '*.zip,*.tar.gz')") ;;
      qz) qz+=("$(timed qz quarvel -f '*.zip')") ;;
      pz) pz+=("$(timed pz archive_peer zip)") ;;
      qg) qg+=("$(timed qg quarvel -f '*.tar.gz')") ;;
      pg) pg+=("$(timed pg archive_peer tar.gz)") ;;
    esac
  done
  printf '   round %d: both quarvel %s s; zip quarvel %s s, ugrep %s s; tar.gz quarvel %s s, ugrep %s s\n' $((i + 1)) \
    "${qb[i]}" "${qz[i]}" "${pz[i]}" "${qg[i]}" "${pg[i]}"
done
qa="${qb[*]}"; pa=$(add_rounds "${pz[*]}" "${pg[*]}")
printf '   %-22s %8s %8s %6s %s\n' "median s" quarvel ugrep ratio target
for kind in zip tar.gz both; do
  case $kind in
    zip) q="${qz[*]}" p="${pz[*]}" ;;
    tar.gz) q="${qg[*]}" p="${pg[*]}" ;;
    both) q=$qa p=$pa ;;
  esac
  r=$(ratio "$q" "$p")
  target=""; if [ $kind = both ]; then target="<=$archive_limit $(verdict "$r" "$archive_limit")"; fi
  printf '   %-22s %8s %8s %6s %s\n' "$kind" "$(tr ' ' '\n' <<<"$q" | median)" "$(tr ' ' '\n' <<<"$p" | median)" "$r" "$target"
done
cat "$work/qz" "$work/qg" | sort > "$work/q.members"
members_of_peer <(cat "$work/pz" "$work/pg") > "$work/p.members"
expected_of '//' > "$work/e.members"
printf '   found: quarvel %d, ugrep %d, placed %d of %d members; quarvel vs ugrep: %d differ, vs placed: %d differ\n' \
  "$(wc -l < "$work/q.members")" "$(wc -l < "$work/p.members")" "$(wc -l < "$work/e.members")" "$members" \
  "$(differ "$work/q.members" "$work/p.members")" "$(differ "$work/q.members" "$work/e.members")"
# One file list naming both kinds should find what the two apart found.
sort "$work/qb" > "$work/q.both"
printf "   one run with -f '*.zip,*.tar.gz' finds %d members: %s\n" "$(wc -l < "$work/q.both")" \
  "$(if cmp -s "$work/q.both" "$work/q.members"; then echo "the same as the two apart"; else
       echo "NOT the same as the two apart ($(differ "$work/q.both" "$work/q.members") differ)"; fi)"

echo
echo "3. the whole corpus: quarvel-cli --documents on against off (no peer); $runs rounds"
ont=() offt=()
for ((i = 0; i < runs; i++)); do
  if ((i % 2 == 0)); then order="on off"; else order="off on"; fi
  for state in $order; do
    case $state in
      on) ont+=("$(timed on quarvel --documents on)") ;;
      off) offt+=("$(timed off quarvel --documents off)") ;;
    esac
  done
done
sort "$work/on" > "$work/q.all"; sed "s#^#$docs/#" "$expected" | sort > "$work/e.all"
printf '   %-22s %8s %8s %6s\n' "median s" "on" "off" "on/off"
printf '   %-22s %8s %8s %6s\n' "" "$(printf '%s\n' "${ont[@]}" | median)" "$(printf '%s\n' "${offt[@]}" | median)" \
  "$(ratio "${ont[*]}" "${offt[*]}")"
printf '   found: on %d (placed %d: %d differ), off %d\n' "$(wc -l < "$work/q.all")" "$(wc -l < "$work/e.all")" \
  "$(differ "$work/q.all" "$work/e.all")" "$(wc -l < "$work/off")"

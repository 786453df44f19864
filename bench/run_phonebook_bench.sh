#!/usr/bin/env bash
# Phonebook import benchmark: `faxbook import` of device and partner CSV address books, against
# the time Python's csv module takes merely to parse the same file, measured in the same run.
#
#   classic 9999 -> empty      a 9999-row device export (data format 6) into an empty book
#   classic 9999 -> 5000       the same file into a book of 5000 entries (its first 5000 rows:
#                              5000 repeats skipped, 4999 added, the book full)
#   partner 2500 -> empty      a 2500-row partner-format file into an empty book
#   classic 1000/2500/5000     into empty books, for the time per row
#
# Prints medians of RUNS runs of the whole faxbook process (start-up, reading the book, import,
# checks, the atomic save with fsync, the JSON report), in wall and CPU time, their ratios to
# Python's parse of the file (goal <= 5) and to a whole Python process that parses it, and the
# time per row. CPU times are the steadier figures on a machine shared with other work.
# Usage: bash bench/run_phonebook_bench.sh   (RUNS=n, BUILD_DIR=dir override the defaults)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$ROOT/build-bench-phonebook}
RUNS=${RUNS:-5}
GEN="python3 $ROOT/bench/phonebook_bench_gen.py"
WORK=$(mktemp -d /tmp/nxpbbench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

echo "Building faxbook in $BUILD ..."
if ! { cmake -S "$ROOT" -B "$BUILD" -DNX_BUILD_BENCH=ON -DNX_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release &&
  cmake --build "$BUILD" -j2 --target faxbook phonebook_bench_import; } >"$WORK/build.log" 2>&1; then
  tail -30 "$WORK/build.log" >&2
  exit 1
fi
FAXBOOK=$BUILD/tools/faxbook
PHASES=$BUILD/bench/phonebook_bench_import

echo "Writing the address books ..."
for rows in 1000 2500 5000 9999; do $GEN classic "$rows" "$WORK/classic$rows.csv"; done
$GEN partner 2500 "$WORK/partner2500.csv"
"$FAXBOOK" new "$WORK/book5000.fap"
"$FAXBOOK" import "$WORK/book5000.fap" "$WORK/classic5000.csv" --kind csv >/dev/null

# median FILE COLUMN
median() { awk -v c="$2" '{print $c}' "$1" | sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

# measure NAME CSV BOOK EXPECTED_ADDED: one run of each side, appended to $WORK/NAME.runs as
# "faxbook_wall faxbook_cpu parse_wall parse_cpu python_process_wall library_cpu read_cpu
# model_import_cpu" (seconds)
measure() {
  local name=$1 csv=$2 book=$3 added=$4 target=$WORK/run.fap start end fb parse proc phases
  rm -f "$target"
  if [ "$book" = empty ]; then "$FAXBOOK" new "$target"; else cp "$WORK/$book" "$target"; fi
  sync
  fb=$($GEN run "$WORK/$name.json" "$FAXBOOK" import "$target" "$csv" --kind csv)
  python3 - "$WORK/$name.json" "$added" <<'PY' || { echo "$name: unexpected import result" >&2; exit 1; }
import json, sys
r = json.load(open(sys.argv[1]))
sys.exit(0 if r["saved"] and len(r["added"]["individuals"]) == int(sys.argv[2]) else 1)
PY
  start=$EPOCHREALTIME
  parse=$($GEN parse "$csv")
  end=$EPOCHREALTIME
  proc=$(awk -v a="$start" -v b="$end" 'BEGIN {print b - a}')
  rm -f "$target"
  if [ "$book" = empty ]; then "$FAXBOOK" new "$target"; else cp "$WORK/$book" "$target"; fi
  phases=$("$PHASES" "$csv" "$target")
  echo "$fb $parse $proc $phases" | awk '{print $1, $2, $3, $4, $6, $7, $8, $9}' >>"$WORK/$name.runs"
}

echo "Running $RUNS alternating rounds ..."
for ((i = 0; i < RUNS; i++)); do
  measure classic9999_empty "$WORK/classic9999.csv" empty 9999
  measure classic9999_5000 "$WORK/classic9999.csv" book5000.fap 4999
  measure partner2500_empty "$WORK/partner2500.csv" empty 2500
  for rows in 1000 2500 5000; do measure "classic${rows}_empty" "$WORK/classic$rows.csv" empty "$rows"; done
done

echo
printf "%-20s %5s %11s %11s %9s %9s %7s %7s %9s %7s %8s\n" case rows "faxbook ms" "(cpu ms)" "parse ms" "(cpu ms)" ratio "(cpu)" "py proc" ratio "cpu us/row"
report() {
  local name=$1 rows=$2 f=$WORK/$1.runs
  awk -v n="$name" -v r="$rows" -v fw="$(median "$f" 1)" -v fc="$(median "$f" 2)" -v pw="$(median "$f" 3)" \
    -v pc="$(median "$f" 4)" -v pp="$(median "$f" 5)" 'BEGIN {
    if (pc < 0.0005) pc = 0.0005
    printf "%-20s %5d %11.1f %11.1f %9.1f %9.1f %7.1f %7.1f %9.1f %7.2f %8.1f\n", n, r, fw * 1000, fc * 1000, pw * 1000, pc * 1000,
           fw / pw, fc / pc, pp * 1000, fw / pp, fc * 1e6 / r
  }'
}
report classic9999_empty 9999
report classic9999_5000 9999
report partner2500_empty 2500
for rows in 1000 2500 5000; do report "classic${rows}_empty" "$rows"; done

echo
awk -v a="$(median "$WORK/classic1000_empty.runs" 2)" -v b="$(median "$WORK/classic2500_empty.runs" 2)" \
  -v c="$(median "$WORK/classic5000_empty.runs" 2)" -v d="$(median "$WORK/classic9999_empty.runs" 2)" 'BEGIN {
  printf "CPU per row, whole run:  %.1f us (1000 rows)  %.1f (2500)  %.1f (5000)  %.1f (9999)\n", a * 1e6 / 1000, b * 1e6 / 2500, c * 1e6 / 5000, d * 1e6 / 9999
  s1 = (c - a) * 1e6 / 4000; s2 = (d - c) * 1e6 / 4999
  printf "CPU per further row:     %.1f us (1000 -> 5000)  %.1f us (5000 -> 9999)  %s\n", s1, s2, (s2 <= 1.25 * s1) ? "flat" : "GROWS"
}'
echo
echo "Phases in one process (CPU ms): the library's CSV import alone; reading the book; the model's"
echo "import (the library's import again, entries, checks, atomic save); the rest of faxbook is"
echo "start-up and the report."
for name in classic9999_empty classic9999_5000 partner2500_empty; do
  awk -v n="$name" -v l="$(median "$WORK/$name.runs" 6)" -v r="$(median "$WORK/$name.runs" 7)" \
    -v m="$(median "$WORK/$name.runs" 8)" -v pc="$(median "$WORK/$name.runs" 4)" 'BEGIN {
    printf "%-18s library %6.1f (%.1f x parse)   read %6.1f   model import %6.1f (model alone %6.1f)\n", n, l * 1000, l / pc,
           r * 1000, m * 1000, (m - l) * 1000
  }'
done
echo
for name in classic9999_empty classic9999_5000 partner2500_empty; do
  awk -v n="$name" -v fw="$(median "$WORK/$name.runs" 1)" -v pw="$(median "$WORK/$name.runs" 3)" -v pp="$(median "$WORK/$name.runs" 5)" 'BEGIN {
    printf "%-18s ratio to the parse %.1f (goal <= 5) %s; to the Python process %.2f %s\n", n, fw / pw, (fw / pw <= 5) ? "met" : "MISSED",
           fw / pp, (fw / pp <= 5) ? "met" : "MISSED"
  }'
done
echo "($RUNS alternating runs each; medians)"

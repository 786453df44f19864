#!/usr/bin/env bash
# Document step benchmark: jobfilter's raster-to-PDF step against the print system's own
# rastertopdf, on the same A4 8-bit gray text rasters at 200 dpi (50 and 200 pages), several
# alternating runs each. Prints medians and the three ratios the step is held to:
#   wall time <= 0.5 x rastertopdf, PDF size <= 1.05 x rastertopdf's,
#   peak resident memory <= one page of pixels + 32 MiB, the same for 50 and 200 pages.
# Usage: bash bench/run_pdf_bench.sh   (RUNS=n, BUILD_DIR=dir, PEER=path override the defaults)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$ROOT/build-bench}
RUNS=${RUNS:-5}
PEER=${PEER:-/usr/lib/cups/filter/rastertopdf}
WORK=$(mktemp -d /tmp/nxpdfbench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/tmp"

echo "Building the document step driver in $BUILD ..."
if ! { cmake -S "$ROOT" -B "$BUILD" -DNX_BUILD_BENCH=ON -DNX_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release &&
  cmake --build "$BUILD" -j2 --target pdf_step_driver pdf_bench_run; } >"$WORK/build.log" 2>&1; then
  tail -30 "$WORK/build.log" >&2
  exit 1
fi
DRIVER=$BUILD/bench/pdf_step_driver
RUN=$BUILD/bench/pdf_bench_run
export PPD=$ROOT/tests/FilterFrame/FilterInitTest.ppd TMPDIR=$WORK/tmp
unset LANG APPLE_LANGUAGE

for pages in 50 200; do
  echo "Rendering $pages text pages with Ghostscript ..."
  gs -q -dSAFER -dBATCH -dNOPAUSE -dPAGES="$pages" -sDEVICE=cups -dcupsColorSpace=3 -dcupsBitsPerColor=8 \
    -r200 -sPAPERSIZE=a4 -sOutputFile="$WORK/text$pages.ras" "$ROOT/bench/pdf_bench_text.ps" 2>/dev/null
done

# median FILE COLUMN
median() { awk -v c="$2" '{print $c}' "$1" | sort -n | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
# run NAME RASTER COMMAND...: one measured run appended to $WORK/NAME.runs
run() {
  local name=$1 raster=$2
  shift 2
  "$RUN" "$raster" "$WORK/$name.pdf" "$@" >>"$WORK/$name.runs"
}

echo "Running $RUNS alternating rounds ..."
for ((i = 0; i < RUNS; i++)); do
  run ours50 "$WORK/text50.ras" "$DRIVER" 1 bench "Text 50" 1 ""
  run peer50 "$WORK/text50.ras" "$PEER" 1 bench "Text 50" 1 ""
  run ours200 "$WORK/text200.ras" "$DRIVER" 1 bench "Text 200" 1 ""
done

for name in ours50 peer50 ours200; do
  if awk '$3 != 0 {bad=1} END {exit !bad}' "$WORK/$name.runs"; then
    echo "$name failed: $(cat "$WORK/$name.runs")" >&2
    exit 1
  fi
done
qpdf --check "$WORK/ours50.pdf" >/dev/null || { echo "our PDF fails qpdf --check" >&2; exit 1; }
[ "$(qpdf --show-npages "$WORK/ours200.pdf")" = 200 ] || { echo "our 200-page PDF lacks pages" >&2; exit 1; }

page_bytes=$(head -c 1800 "$WORK/text50.ras" | od -An -tu4 -j 376 -N 8 | awk '{print $1 * $2}')
t_ours=$(median "$WORK/ours50.runs" 1)
t_peer=$(median "$WORK/peer50.runs" 1)
c_ours=$(median "$WORK/ours50.runs" 4)
c_peer=$(median "$WORK/peer50.runs" 4)
m_ours=$(median "$WORK/ours50.runs" 2)
m_peer=$(median "$WORK/peer50.runs" 2)
m_ours200=$(median "$WORK/ours200.runs" 2)
s_ours=$(stat -c %s "$WORK/ours50.pdf")
s_peer=$(stat -c %s "$WORK/peer50.pdf")

awk -v to="$t_ours" -v tp="$t_peer" -v co="$c_ours" -v cp="$c_peer" -v mo="$m_ours" -v mp="$m_peer" -v m2="$m_ours200" -v so="$s_ours" \
  -v sp="$s_peer" -v pb="$page_bytes" -v runs="$RUNS" -v raster="$(stat -c %s "$WORK/text50.ras")" 'BEGIN {
  printf "\n50 A4 text pages, 8-bit gray, 200 dpi: %.1f MB of raster, %.2f MB of pixels per page\n", raster / 1e6, pb / 1e6
  printf "%-20s %14s %12s %14s %11s\n", "", "wall (median)", "CPU", "peak RSS", "PDF size"
  printf "%-20s %12.2f s %10.2f s %10.1f MiB %8.2f MB\n", "jobfilter document", to, co, mo / 1024, so / 1e6
  printf "%-20s %12.2f s %10.2f s %10.1f MiB %8.2f MB\n", "rastertopdf", tp, cp, mp / 1024, sp / 1e6
  printf "(%d alternating runs each)\n\n", runs
  limit = pb / 1024 + 32 * 1024
  printf "time ratio    %.2f  (goal <= 0.50)  %s   (CPU time ratio %.2f)\n", to / tp, (to / tp <= 0.5) ? "met" : "MISSED", co / cp
  printf "size ratio    %.2f  (goal <= 1.05)  %s\n", so / sp, (so / sp <= 1.05) ? "met" : "MISSED"
  printf "memory ratio  %.2f  of one page + 32 MiB (%.1f of %.1f MiB)  %s\n", mo / limit, mo / 1024, limit / 1024,
         (mo <= limit) ? "met" : "MISSED"
  printf "memory, 200 pages: %.1f MiB (50 pages: %.1f MiB)  %s\n", m2 / 1024, mo / 1024,
         (m2 <= limit && m2 - mo < 1024) ? "same" : "GROWS"
}'

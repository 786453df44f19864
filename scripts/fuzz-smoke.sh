#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer and UndefinedBehaviorSanitizer, into
# FUZZ_BUILD_DIR, default build-fuzz-clang; only the targets and what they link) and runs each
# for a short while (FUZZ_SECONDS each, default 15) from its seed corpus and past failures.
#
# New inputs found on the way go to a scratch folder (FUZZ_KEEP names one to keep them), never
# into the repository. A failure leaves its input in FUZZ_ARTIFACTS (default
# <build>/fuzz-artifacts); copy it to fuzz/regressions/<target>/ once the fault is mended, so that
# ctest replays it from then on. FUZZ_RUNS=N stops each target after N inputs (long runs; with
# FUZZ_SECONDS as well, at whichever comes first); FUZZ_TARGETS picks targets; FUZZ_NO_BUILD=1
# skips the build.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz-clang}
SECONDS_EACH=${FUZZ_SECONDS:-15}
ARTIFACTS=${FUZZ_ARTIFACTS:-$BUILD_DIR/fuzz-artifacts}
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

targets=${FUZZ_TARGETS:-$(sed -n '/^set(NX_FUZZ_TARGETS/,/^)/p' fuzz/CMakeLists.txt | grep -v -e 'set(' -e ')')}
if [ -z "${FUZZ_NO_BUILD:-}" ]; then
  cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DNX_BUILD_FUZZ=ON -DNX_BUILD_TESTS=OFF -DNX_WERROR=ON >/dev/null
  # shellcheck disable=SC2046
  cmake --build "$BUILD_DIR" -j"$(nproc)" --target $(for t in $targets; do echo "fuzz_$t"; done)
fi
mkdir -p "$ARTIFACTS"
limit=()
if [ -n "${FUZZ_RUNS:-}" ]; then limit+=(-runs="$FUZZ_RUNS"); fi
if [ -n "${FUZZ_SECONDS:-}" ] || [ -z "${FUZZ_RUNS:-}" ]; then limit+=(-max_total_time="$SECONDS_EACH"); fi

failed=()
for t in $targets; do
  bin=$BUILD_DIR/fuzz/fuzz_$t
  if [ ! -x "$bin" ]; then
    echo "fuzz_$t: not built"
    failed+=("$t")
    continue
  fi
  work=${FUZZ_KEEP:+$FUZZ_KEEP/$t}
  work=${work:-$(mktemp -d)}
  mkdir -p "$work"
  dirs=("$work" "fuzz/corpus/$t")
  [ -d "fuzz/regressions/$t" ] && dirs+=("fuzz/regressions/$t")
  log=$ARTIFACTS/$t.log
  start=$(date +%s)
  if "$bin" "${limit[@]}" -timeout=20 -rss_limit_mb=2560 -print_final_stats=1 \
      -artifact_prefix="$ARTIFACTS/$t-" "${dirs[@]}" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    echo "fuzz_$t: ${runs:-?} inputs in $(( $(date +%s) - start )) s (${rate:-?}/s), no finding"
  else
    echo "fuzz_$t: FAILED (log $log)"
    tail -n 40 "$log"
    failed+=("$t")
  fi
  if [ -z "${FUZZ_KEEP:-}" ]; then rm -rf "$work"; fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets with findings or errors: ${failed[*]}"
  exit 1
fi

#!/usr/bin/env bash
# Installs what is needed, builds everything with warnings as errors and runs every test (this is
# what CI runs). Then the Debian packages, built, checked with lintian and tried (scripts/package.sh),
# and the robustness stages: the unit tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer (scripts/sanitize-tests.sh) and a short run of every fuzz target
# (scripts/fuzz-smoke.sh). Prints the time each stage took.
set -euo pipefail
cd "$(dirname "$0")/.."

timings=()
stage() {
  local name=$1
  shift
  local start=$SECONDS
  echo "=== $name"
  "$@"
  timings+=("$(printf '%-28s %5d s' "$name" $((SECONDS - start)))")
}
report() {
  echo "=== stage times"
  printf '%s\n' "${timings[@]}"
}
trap report EXIT

stage "dependencies" bash scripts/install-deps.sh
export BUILD_DIR=${BUILD_DIR:-build-test}
stage "build" bash scripts/build.sh -DNX_WERROR=ON -DNX_BUILD_TESTS=ON
stage "tests" bash -c 'cd "$BUILD_DIR" && ctest --output-on-failure -j"$(nproc)" --timeout 600'
stage "debian packages" bash scripts/package.sh
stage "sanitizer build and tests" bash scripts/sanitize-tests.sh
stage "fuzz smoke runs" bash scripts/fuzz-smoke.sh

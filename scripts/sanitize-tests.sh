#!/usr/bin/env bash
# The unit tests under AddressSanitizer and UndefinedBehaviorSanitizer (-fno-sanitize-recover=all):
# builds the project with both sanitizers into SANITIZE_BUILD_DIR (default
# build-sanitize) with the system's compiler, then runs every test except the end-to-end ones
# (they drive real print servers and run in the normal build) and the dialog test programs'
# second runs on the Qt toolkit (label qt_scenarios: slow here, and their scenarios run under
# the sanitizers on the headless toolkit and, file by file, on Qt in test_parity). The fuzz
# corpora are replayed here too (tests fuzz_replay.*). The libFuzzer programs have a build of
# their own (scripts/fuzz-smoke.sh), since libFuzzer needs clang.
#
# Warnings are not errors here: with the sanitizers gcc reports uninitialised values inside the
# standard library (std::regex, std::function) that are not there; the normal build keeps
# -Werror for the project's own warnings.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${SANITIZE_BUILD_DIR:-build-sanitize}

cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DNX_SANITIZE=address,undefined -DNX_BUILD_TESTS=ON -DNX_WERROR=OFF >/dev/null
# Every target but the end-to-end test program, which this build does not run, and the packages.
# shellcheck disable=SC2046
cmake --build "$BUILD_DIR" -j"$(nproc)" --target $(cmake --build "$BUILD_DIR" --target help |
  sed -n 's/^\.\.\. \([^ ]*\).*/\1/p' |
  grep -v -x -E 'all|clean|depend|edit_cache|rebuild_cache|install(/.*)?|list_install_components|package|package_source|test|test_e2e|fuzz_make_corpus|.*\.(o|i|s)')

# Any report fails the test that caused it. Leaks are left to the fuzz runs (scripts/fuzz-smoke.sh
# reports them): the tests' own child processes end with _exit on purpose.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=0:check_initialization_order=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$BUILD_DIR"
ctest --output-on-failure -j"$(nproc)" --timeout 900 -E 'E2e|test_e2e_NOT_BUILT' -LE qt_scenarios

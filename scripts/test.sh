#!/usr/bin/env bash
# Installs what is needed, builds everything with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export BUILD_DIR=${BUILD_DIR:-build-test}
bash scripts/build.sh -DNX_WERROR=ON -DNX_BUILD_TESTS=ON
cd "$BUILD_DIR"
ctest --output-on-failure -j"$(nproc)" --timeout 600

#!/usr/bin/env bash
# From a clean clone: installs what is needed, builds, and runs every test twice:
# in the plain build (build/, g++), then in the checked build (build-asan/, clang
# with AddressSanitizer and UndefinedBehaviorSanitizer, -O1), where the fuzz
# targets are libFuzzer programs and each also runs for a short time
# (scripts/fuzzsmoke.sh, FERRY_FUZZ_SECONDS each).
# FERRY_SANITIZE=0 runs the plain part only, FERRY_SANITIZE=1 the checked part only.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
start=$SECONDS
stage() { echo "== $1 ($((SECONDS - start)) s so far)"; }

if [ "${FERRY_SANITIZE:-}" != 1 ]; then
  stage "plain build"
  BUILD_DIR=build scripts/build.sh
  stage "plain tests"
  (cd build && ctest --output-on-failure -j2 --timeout 300)
fi
if [ "${FERRY_SANITIZE:-}" != 0 ]; then
  stage "checked build"
  CC=${FERRY_SANITIZE_CC:-clang} CXX=${FERRY_SANITIZE_CXX:-clang++} BUILD_DIR=build-asan scripts/build.sh -DFERRY_SANITIZE=ON
  stage "checked tests"
  (cd build-asan && ctest --output-on-failure -j2 --timeout 300)
  stage "fuzz smoke runs"
  scripts/fuzzsmoke.sh build-asan
fi
stage "done"

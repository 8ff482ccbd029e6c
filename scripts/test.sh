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
timesfile=$(mktemp)
trap 'rm -f "$timesfile"' EXIT
# Each stage line says the time so far and the processor time (user and system) of
# everything run so far: the latter does not depend on the machine's load.
stage() {
  times >"$timesfile"  # in this shell: a subshell has no children of its own
  local cpu
  cpu=$(tail -1 "$timesfile" | awk '{ split($1, u, /[ms]/); split($2, s, /[ms]/); printf "%d", u[1] * 60 + u[2] + s[1] * 60 + s[2] }')
  echo "== $1 ($((SECONDS - start)) s so far, $cpu s processor time)"
}

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

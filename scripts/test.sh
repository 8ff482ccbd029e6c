#!/usr/bin/env bash
# From a clean clone: installs what is needed, builds, and runs every test.
# FERRY_SANITIZE=1 builds into build-asan with AddressSanitizer and UBSan instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
if [ "${FERRY_SANITIZE:-0}" = 1 ]; then
  export BUILD_DIR=build-asan
  scripts/build.sh -DFERRY_SANITIZE=ON
else
  scripts/build.sh
fi
export QT_QPA_PLATFORM=offscreen
cd "${BUILD_DIR:-build}"
ctest --output-on-failure -j2 --timeout 300

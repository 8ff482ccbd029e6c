#!/usr/bin/env bash
# Runs each libFuzzer program of a build for a short fixed time (default 15 s,
# FERRY_FUZZ_SECONDS), two at a time, each from a copy of its seed corpus in
# fuzz/corpus/<target>. An input that crashes a target, trips a sanitizer or an
# invariant, or runs longer than 10 s is kept in <build>/fuzz-findings and printed
# in hex; the run then fails.
#   scripts/fuzzsmoke.sh [build dir, default build-asan] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-asan}
seconds=${2:-${FERRY_FUZZ_SECONDS:-15}}
findings=$build/fuzz-findings
rm -rf "$findings"
mkdir -p "$findings"

smoke() {
  local target=$1 build=$2 seconds=$3 findings=$4
  local program=$build/bin/$target
  if ! nm -C "$program" 2>/dev/null | grep -q 'fuzzer::Fuzzer::'; then
    echo "fuzz $target: not a libFuzzer program (build with clang), skipped"
    return 0
  fi
  local corpus
  corpus=$(mktemp -d)
  cp fuzz/corpus/"$target"/* "$corpus"/
  local rc=0
  QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
    "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
    -artifact_prefix="$findings/$target-" -print_final_stats=1 "$corpus" >"$findings/$target.log" 2>&1 || rc=$?
  rm -rf "$corpus"
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$findings/$target.log")
  if [ "$rc" -ne 0 ]; then
    echo "fuzz $target: FAILED (exit $rc)"
    grep -v '^#[0-9]' "$findings/$target.log" | tail -40
    for f in "$findings/$target"-*; do
      [ -f "$f" ] && { echo "input $f:"; od -A d -t x1z -v "$f" | head -40; }
    done
    return 1
  fi
  echo "fuzz $target: ${runs:-?} inputs in ${seconds} s, nothing found"
}
export -f smoke

targets=$(ls fuzz/corpus)
echo "$targets" | xargs -P2 -I{} bash -c 'smoke "$@"' _ {} "$build" "$seconds" "$findings"

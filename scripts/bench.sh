#!/usr/bin/env bash
# Builds the benchmarks (optimised) and runs them. The databases they need
# are generated on the first run under build-bench/bench-data/ (a few minutes).
# Usage: scripts/bench.sh [benchmark-name-filter]
set -euo pipefail
HW_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$HW_ROOT/scripts/deps.sh"
hw_install_packages
BUILD="${HW_BENCH_BUILD_DIR:-$HW_ROOT/build-bench}"
hw_build "$BUILD" -DCMAKE_BUILD_TYPE=Release -DHW_BENCH=ON
export QT_QPA_PLATFORM=offscreen
export HW_BENCH_DATA="$BUILD/bench-data"
for bench in "$BUILD"/bench/bench_*; do
  [ -x "$bench" ] || continue
  name=$(basename "$bench")
  if [ $# -gt 0 ] && [[ "$name" != *"$1"* ]]; then continue; fi
  echo "== $name"
  "$bench" --benchmark_counters_tabular=true
done

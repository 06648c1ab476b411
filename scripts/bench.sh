#!/usr/bin/env bash
# Builds the benchmarks (optimised) and runs them. The databases they need
# are generated on the first run under build-bench/bench-data/ (README.md,
# Benchmarks, gives their sizes and how long they took).
# Usage: scripts/bench.sh [benchmark-name-filter]
set -euo pipefail
HW_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$HW_ROOT/scripts/deps.sh"
hw_install_packages
BUILD="${HW_BENCH_BUILD_DIR:-$HW_ROOT/build-bench}"
hw_build "$BUILD" -DCMAKE_BUILD_TYPE=Release -DHW_BENCH=ON
export QT_QPA_PLATFORM=offscreen
export HW_BENCH_DATA="$BUILD/bench-data"
# The main window's benchmarks also run on 10,000,000 intervals; that
# database is made once by the database tool (46 minutes on the shared
# development machine, 1.64 GB).
if [ $# -eq 0 ] || [[ "bench_MainWindow" == *"$1"* ]]; then
  large="$HW_BENCH_DATA/intervals-10000000.db"
  if [ ! -f "$large" ]; then
    mkdir -p "$HW_BENCH_DATA"
    rm -f "$large.part" "$large.part-wal" "$large.part-shm"
    "$BUILD/hourwright-db" init "$large.part"
    echo "== generating $large"
    time "$BUILD/hourwright-db" sample "$large.part" --intervals 10000000
    mv "$large.part" "$large"
  fi
fi
# bench_Server runs on a PostgreSQL server: the one HW_TEST_PG_* names, else
# a throw-away one started here (its million intervals are copied from the
# embedded database on each such run).
if [ -z "${HW_TEST_PG_SERVER:-}" ] && { [ $# -eq 0 ] || [[ "bench_Server" == *"$1"* ]]; }; then
  PG_DIR=$(mktemp -d "${TMPDIR:-/tmp}/hourwright-pg.XXXXXX")
  trap 'bash "$HW_ROOT/tests/support/pg-test-server.sh" stop "$PG_DIR"' EXIT
  if PG_ENV=$(bash "$HW_ROOT/tests/support/pg-test-server.sh" start "$PG_DIR"); then
    eval "$PG_ENV"
  else
    echo "No PostgreSQL server could be started: bench_Server is left out" >&2
  fi
fi
for bench in "$BUILD"/bench/bench_*; do
  # The build folder also holds each program's generated-code folder, which is "executable" too.
  [ -f "$bench" ] && [ -x "$bench" ] || continue
  name=$(basename "$bench")
  if [ $# -gt 0 ] && [[ "$name" != *"$1"* ]]; then continue; fi
  echo "== $name"
  "$bench" --benchmark_counters_tabular=true
done

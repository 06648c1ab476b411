#!/usr/bin/env bash
# Builds Hourwright and runs every test headless.
set -euo pipefail
HW_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$HW_ROOT/scripts/deps.sh"
hw_install_packages
BUILD="${HW_BUILD_DIR:-$HW_ROOT/build}"
hw_build "$BUILD"
cd "$BUILD"
# The server tests run on a throw-away PostgreSQL cluster, unless one is
# named already (HW_TEST_PG_*). HW_REQUIRE_POSTGRES=1 (CI) makes a server
# that cannot be started a failure instead of skipped tests.
if [ -z "${HW_TEST_PG_SERVER:-}" ]; then
  PG_DIR=$(mktemp -d "${TMPDIR:-/tmp}/hourwright-pg.XXXXXX")
  trap 'bash "$HW_ROOT/tests/support/pg-test-server.sh" stop "$PG_DIR"' EXIT
  if PG_ENV=$(bash "$HW_ROOT/tests/support/pg-test-server.sh" start "$PG_DIR"); then
    eval "$PG_ENV"
  elif [ -n "${HW_REQUIRE_POSTGRES:-}" ]; then
    echo "The PostgreSQL test server could not be started" >&2
    exit 1
  else
    echo "The PostgreSQL test server could not be started: the server tests are skipped" >&2
  fi
fi
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure --parallel "$(nproc)" --timeout 600

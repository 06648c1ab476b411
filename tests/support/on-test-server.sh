#!/usr/bin/env bash
# Runs a test program against the PostgreSQL test server whose HW_TEST_PG_*
# variables are set (scripts/test.sh starts one). Without them the test is
# skipped (exit 77), or fails when HW_REQUIRE_POSTGRES is set.
if [ -z "${HW_TEST_PG_SERVER:-}" ]; then
  if [ -n "${HW_REQUIRE_POSTGRES:-}" ]; then
    echo "FAIL: HW_REQUIRE_POSTGRES is set but no PostgreSQL test server is running (HW_TEST_PG_SERVER is empty)" >&2
    exit 1
  fi
  echo "SKIP: no PostgreSQL test server; scripts/test.sh starts one (Debian package postgresql)"
  exit 77
fi
export HW_TEST_DATABASE_KIND=2
exec "$@"

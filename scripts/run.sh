#!/usr/bin/env bash
# Builds Hourwright and starts it. On the first run it writes options.ini
# and creates an embedded database with sample data and an administrator.
set -euo pipefail
HW_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$HW_ROOT/scripts/deps.sh"
hw_install_packages
BUILD="${HW_BUILD_DIR:-$HW_ROOT/build}"
hw_build "$BUILD"

OPTIONS="$BUILD/options.ini"
if [ ! -f "$OPTIONS" ]; then
  printf '[ConnectionSettings]\r\nDatabaseType=0\r\n\r\n[ExportSettings]\r\nDataBasePath=DataBase\\hwr.db\r\nExcelPath=Reports\\Hourwright.xlsx\r\n' > "$OPTIONS"
  echo "Wrote $OPTIONS"
fi
DB="$BUILD/DataBase/hwr.db"
if [ ! -f "$DB" ]; then
  "$BUILD/hourwright-db" init "$DB"
  "$BUILD/hourwright-db" sample "$DB"
  PASSWORD=$(head -c 12 /dev/urandom | base64 | tr -dc 'A-Za-z0-9' | head -c 10)
  "$BUILD/hourwright-db" add-user "$DB" admin --password "$PASSWORD" --admin --developer 1
  echo
  echo "Sign in as: admin   password: $PASSWORD   (shown only this once)"
  echo "Sample users anna, chidi, erik, ... have the password: changeme"
  echo
fi
exec "$BUILD/hourwright" "$@"

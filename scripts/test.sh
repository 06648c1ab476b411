#!/usr/bin/env bash
# Builds Hourwright and runs every test headless.
set -euo pipefail
HW_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$HW_ROOT/scripts/deps.sh"
hw_install_packages
BUILD="${HW_BUILD_DIR:-$HW_ROOT/build}"
hw_build "$BUILD"
cd "$BUILD"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure --parallel "$(nproc)" --timeout 600

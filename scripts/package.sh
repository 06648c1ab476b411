#!/usr/bin/env bash
# Builds the Debian package from a clean release build in build-package/:
# build-package/hourwright_<version>_<arch>.deb, then install it with
#   sudo apt-get install ./build-package/hourwright_*.deb
set -euo pipefail
HW_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$HW_ROOT/scripts/deps.sh"
hw_install_packages
BUILD="${HW_PACKAGE_BUILD_DIR:-$HW_ROOT/build-package}"
rm -rf "$BUILD"
# Only the programs: no tests, no benchmarks.
hw_build "$BUILD" -DCMAKE_BUILD_TYPE=Release -DHW_BENCH=OFF -DHW_TESTS=OFF
(cd "$BUILD" && cpack -G DEB)
ls "$BUILD"/hourwright_*.deb

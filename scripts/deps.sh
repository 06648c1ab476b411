#!/usr/bin/env bash
# Installs the Debian packages Hourwright builds and tests with. Sourced by
# run.sh and test.sh; does nothing when everything is already there.
HW_PACKAGES=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-odbc
  libsqlite3-dev unixodbc-dev tdsodbc libzip-dev libelf-dev libbenchmark-dev libxss-dev libx11-dev
  libgl1-mesa-dev fonts-dejavu-core poppler-utils python3 python3-openpyxl libsodium-dev
  librsvg2-bin dpkg-dev file libqt6sql6-psql postgresql libpq-dev
  libwayland-dev wayland-protocols dbus-daemon xvfb
)

hw_install_packages() {
  local missing=()
  for p in "${HW_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install ${missing[*]}" >&2
    return 1
  fi
  echo "Installing: ${missing[*]}"
  if [ -z "${HW_APT_UPDATED:-}" ]; then
    apt-get update -qq || return 1
    export HW_APT_UPDATED=1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

hw_build() {
  local dir="$1"; shift
  cmake -S "$HW_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null &&
  cmake --build "$dir" --parallel "$(nproc)"
}

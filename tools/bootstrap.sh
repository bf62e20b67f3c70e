#!/usr/bin/env bash
# Installs the Debian packages Korvatinel needs to build and test, if any are
# missing. Needs root (apt-get) only when something is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libpng-dev
  libsdl2-dev libsdl2-ttf-dev fonts-dejavu-core
  libbluetooth-dev
  libcli11-dev nlohmann-json3-dev libcpp-httplib-dev
  espeak-ng sox
  clang libclang-rt-14-dev
  python3
  socat gpsd gpsd-clients xvfb xdotool
  gdal-bin gpsbabel libxml2-utils chromium
  gcovr
  scdoc lintian man-db
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

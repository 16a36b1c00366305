#!/usr/bin/env bash
# Installs the Debian 12 packages the build needs, and only those that are missing; with
# package names as arguments, those instead (the runs that need more than the build).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev libgl-dev
  libhidapi-dev libcli11-dev nlohmann-json3-dev
  libboost-dev libssl-dev libavahi-client-dev
  libgtest-dev libgmock-dev libbenchmark-dev libxcb1-dev dbus-daemon
  fonts-liberation2 fonts-wqy-microhei
  clang libclang-rt-14-dev
  dpkg-dev file appstream desktop-file-utils groff-base man-db lintian systemd iproute2 curl
  xvfb xauth
)
[ $# -eq 0 ] || packages=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Installs every Debian package Kartovel needs to build, test and run.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config ccache
  qt6-base-dev
  libcurl4-openssl-dev
  libgtest-dev libgmock-dev
  libpng-dev zlib1g-dev
  libdeflate-dev libjpeg-dev libwebp-dev
  libsqlite3-dev libcli11-dev
  libgeos-dev libexpat1-dev nlohmann-json3-dev
  xvfb xauth
  dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=""
if [ "$(id -u)" -ne 0 ]; then sudo_cmd="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo_cmd apt-get update -qq
$sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"

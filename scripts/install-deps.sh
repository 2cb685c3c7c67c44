#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Trelvo need, skipping those present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libjpeg62-turbo-dev fonts-ipafont-gothic
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb openbox x11-utils xdg-utils pcmanfm
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" = 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Installs every package needed to build and test Tessaly on Debian 12.
# Runs apt-get only for what is missing, so a prepared machine is not touched.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libzip-dev libpugixml-dev libgsf-1-dev
  chromium
  qt6-base-dev qt6-translations-l10n fonts-ipafont-gothic fonts-ipafont-mincho
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

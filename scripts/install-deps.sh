#!/usr/bin/env bash
# Installs every package needed to build and test Tessaly on Debian 12.
# Runs apt-get only for what is missing, so a prepared machine is not touched.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libzip-dev libpugixml-dev libgsf-1-dev
  chromium
  qt6-base-dev qt6-translations-l10n fonts-ipafont-gothic fonts-ipafont-mincho
  clang libclang-rt-14-dev
)

install_packages "${packages[@]}"

#!/usr/bin/env bash
# Installs puppeteer-core, as pinned in tests/web/package-lock.json, into a
# folder of the cache named after the lock file, and prints the folder's
# node_modules (for NODE_PATH).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
# Debian's npm, where node came without one.
command -v npm >/dev/null || install_packages npm
modules=$tessaly_cache/web-npm-$(cat tests/web/package.json tests/web/package-lock.json | sha256sum | cut -c1-16)
if [ ! -f "$modules/.complete" ]; then
  rm -rf "$modules"
  mkdir -p "$modules"
  cp tests/web/package.json tests/web/package-lock.json "$modules/"
  (cd "$modules" && npm ci --ignore-scripts --no-audit --no-fund >&2)
  touch "$modules/.complete"
fi
echo "$modules/node_modules"

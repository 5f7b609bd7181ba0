#!/usr/bin/env bash
# The browser edition's tests: builds it (scripts/build-web.sh), runs the
# engine, reader and proof suites as WebAssembly in node, and drives the
# page in headless Chromium (tests/web/PageTest.js, with puppeteer-core as
# pinned in tests/web/package-lock.json, installed into the cache folder by
# scripts/web-node-modules.sh):
# the sample and every manuscript of tests/data converted in the page and
# compared with the native tessaly-convert of the build folder given.
#   scripts/test-web.sh NATIVE_BUILD_DIR     (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
native=${1:-build}/bin/tessaly-convert
[ -x "$native" ] || { echo "no native tessaly-convert at $native: build it first" >&2; exit 1; }

page=$(scripts/build-web.sh build-web)
export NODE_PATH=/usr/share/nodejs

echo "== Suites in node (WebAssembly)"
failed=0
for suite in engine_tests wordproc_tests proof_tests; do
  # The generated loader must not meet node's own fetch, which reads no files.
  if (cd build-web/bin && node --no-experimental-fetch "$suite.js" --gtest_brief=1 > "$suite.log" 2>&1); then
    tail -n 3 "build-web/bin/$suite.log" | grep -E 'PASSED|SKIPPED' | sed "s/^/$suite: /"
  else
    cat "build-web/bin/$suite.log"
    echo "$suite: FAILED"
    failed=1
  fi
done
[ "$failed" -eq 0 ] || exit 1

echo "== The page in headless Chromium"
modules=$(scripts/web-node-modules.sh)
manuscripts=(samples/sample-manuscript.doc tests/data/*.doc tests/data/*.docx tests/data/aozora/*.txt)
NODE_PATH=$modules node tests/web/PageTest.js --page "$page" --native "$native" \
  --work build-web/page-test "${manuscripts[@]}"

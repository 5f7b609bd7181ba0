#!/usr/bin/env bash
# The browser page on generated manuscripts of 100,000 and 1,000,000
# characters (.docx and .txt) in headless Chromium; budget: the
# 1,000,000-character novel converts in under 1 second once the page is
# loaded, and the page's own thread never stops answering for long.
#   bench/run-page-benchmark.sh [WORK_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
work=${1:-$(mktemp -d /tmp/tessaly-page-bench.XXXXXX)}
mkdir -p "$work"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build -j "$(nproc)" --target generate-manuscript >/dev/null
page=$(scripts/build-web.sh build-web)
modules=$(scripts/web-node-modules.sh)
files=()
for size in 100000 1000000; do
  for ext in docx txt; do
    f=$work/novel-$size.$ext
    [ -f "$f" ] || build/bin/generate-manuscript --shape novel --size "$size" "$f"
    files+=("$f")
  done
done
NODE_PATH=$modules node bench/PageBenchmark.js --page "$page" --work "$work/chromium" "${files[@]}"

#!/usr/bin/env bash
# Set-up, build and the whole test suite in one go: the release build and its
# tests, the same tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# each fuzz target for a short bounded time, the Windows programs built and
# tested under wine (scripts/test-windows.sh), and the browser edition built
# with emscripten and tested in node and headless Chromium
# (scripts/test-web.sh). The libraries of both are built once into a cache
# folder outside the clone.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)
# Other projects' documents, beside the project where there is such a folder.
corpus=()
[ -d ../shared/corpus ] && corpus=(-DTESSALY_CORPUS_DIR="$(cd ../shared/corpus && pwd)")

echo "== Release build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release "${corpus[@]}"
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" | tee build/ctest.log

echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSALY_SANITIZE=ON "${corpus[@]}"
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp" UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure -j "$jobs" | tee build-sanitize/ctest.log

echo "== Fuzzing (about a minute)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_FUZZ=ON
cmake --build build-fuzz -j "$jobs"
scripts/run-fuzzers.sh build-fuzz 30

# One closing line for both test runs: "N passed, N failed".
count() { sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$1"; }
read -r f1 t1 < <(count build/ctest.log)
read -r f2 t2 < <(count build-sanitize/ctest.log)
echo "tests: $(( t1 - f1 + t2 - f2 )) passed, $(( f1 + f2 )) failed"
[ $(( f1 + f2 )) -eq 0 ] || exit 1

echo "== Windows (cross-built, under wine)"
scripts/test-windows.sh build

echo "== The browser edition (emscripten, node, headless Chromium)"
scripts/test-web.sh build

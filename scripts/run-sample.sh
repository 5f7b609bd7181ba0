#!/usr/bin/env bash
# Installs what is needed, builds, and converts the bundled sample manuscript
# with the default settings; shows where the result is and how it begins.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)" --target tessaly-convert
build/bin/tessaly-convert --defaults samples/sample-manuscript.doc
result=build/bin/RubyData/sample-manuscript_ruby.txt
echo
echo "Result: $result (UTF-16 LE tagged text); its body:"
# Show the text after the header's style sheet, as UTF-8.
iconv -f UTF-16 -t UTF-8 "$result" | tr '\r' '\n' | sed -n '/<ParaStyle:段落標準>/,$p'

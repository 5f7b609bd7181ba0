#!/usr/bin/env bash
# Regenerates wordproc/JisTables.inc from the C library's converters (glibc
# iconv: CP932 and EUC-JISX0213).
set -euo pipefail
cd "$(dirname "$0")/.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++20 -O1 -I. scripts/generate-jis-tables.cpp -o "$tmp/generate"
"$tmp/generate" > wordproc/JisTables.inc

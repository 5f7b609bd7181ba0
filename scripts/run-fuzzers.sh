#!/usr/bin/env bash
# Runs each libFuzzer target for a bounded time, seeded from tests/data and,
# when present, ../shared/corpus. What a fuzzer finds stays in
# BUILD/fuzz-findings for a regression case in tests/data.
#   scripts/run-fuzzers.sh BUILD_DIR SECONDS_PER_TARGET [random]
# With a fixed seed and a bounded number of runs (the default) every
# machine fuzzes the same inputs, so a run that was clean here is clean in
# CI; "random" explores anew for as long as it is given.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
seconds=${2:-15}
mode=${3:-fixed}
seeds="$build/fuzz-seeds"
findings="$build/fuzz-findings"
rm -rf "$seeds"
mkdir -p "$seeds"/{doc,docx,eq,conversion,tagged} "$findings"

roots=(tests/data)
[ -d ../shared/corpus ] && roots+=(../shared/corpus)  # absent from a user's clone
copy_seeds() {  # pattern destination
  find "${roots[@]}" -type f -iname "$1" -size -2M | while read -r f; do
    cp "$f" "$2/$(echo "$f" | tr '/ ' '__')"
  done
}
copy_seeds '*.doc' "$seeds/doc"
copy_seeds '*.docx' "$seeds/docx"
for f in tests/data/fuzz-regressions/*; do  # the faults found before
  t=$(basename "$f"); t=${t%%-*}
  case $t in FuzzDocReader) d=doc ;; FuzzDocxReader) d=docx ;; FuzzEqField) d=eq ;; FuzzTaggedText) d=tagged ;; *) d=conversion ;; esac
  cp "$f" "$seeds/$d/"
done
printf '%s' ' EQ \* jc2 \* "Font:ＭＳ 明朝" \* hps10 \o\ad(\s\up 9(かん),漢)' > "$seeds/eq/ruby"
printf '%s' 'eq \o\ac(○,印)' > "$seeds/eq/enclosed"
printf '%s' 'eq V\d\ba8()\s\up9(re)\d\ba1()isionary' > "$seeds/eq/updown"
printf '\x5f\x03\x01\x03\x00\x04\x00\x00%s' '漢字の{かん漢}{じ字}[1強調]と[2傍点]{ちゅうき★本文}a\b<c>' > "$seeds/conversion/mixed"
printf '\x01\x04\x02\x05\x00\x0a\x00\x00%s' '{か下}{かんじ漢字}{ご語}{かげつケ月}{𠮷}' > "$seeds/conversion/runs"
printf '\x00\x03\x01\x02\x00\x04\x00\x00%s' '{ジョン・スミス|人名}{くず|葛󠄀}{つじ|辻︀}{ちゅう☆|注}[1葛]󠄀' > "$seeds/conversion/boundaries"
printf '\x00\x03\x01\x03\x00\x04\x01\x00%s' '|漢字《かんじ》と東京《とうきょう》《《傍点》》|《|漢{x|y}字《》《《本{よ|読}》》' > "$seeds/conversion/notation"
printf '\x00\x03\x01\x03\x00\x04\x03\x00%s' '親《おや》字［＃「字」に白丸傍点］［＃傍点］範囲［＃傍点終わり］年《とし》［＃ルビは「年」にかかる］１２［＃「１２」は縦中横］［＃割り注］注［＃割り注終わり］※［＃「x」、第3水準1-85-54］［＃３字下げ］[[rb:漢 > かん]][newpage]{漢字|かん|じ}漢字(かんじ)' > "$seeds/conversion/aozora"
printf '\x00\x03\x01\x03\x01\x04\x00\x00%s' '{か|下}{%2注☆き}{%612}[1強{%1中}調]{%5}{%3a<b>}{%4`}}' > "$seeds/conversion/layout"

status=0
# target:seed folder:runs (about fifteen seconds each here)
# Tagged text as Tessaly writes it, to read back.
for f in tests/data/*.doc tests/data/*.docx; do
  build/bin/tessaly-convert --defaults -q -o "$seeds/tagged-out" "$f" >/dev/null 2>&1 || true
done
[ -d "$seeds/tagged-out" ] && find "$seeds/tagged-out" -name '*_ruby.txt' -size -64k -exec cp {} "$seeds/tagged/" \;
for entry in FuzzDocReader:doc:36000 FuzzDocxReader:docx:3500 FuzzEqField:eq:150000 FuzzConversion:conversion:65000 \
             FuzzTaggedText:tagged:100000; do
  IFS=: read -r target corpus runs <<<"$entry"
  limits=(-max_total_time="$seconds")
  [ "$mode" = random ] || limits+=(-seed=1 -runs="$runs")
  echo "== $target (at most $seconds s)"
  if ! "$build/bin/$target" "${limits[@]}" -timeout=10 -rss_limit_mb=2048 -max_len=262144 \
       -artifact_prefix="$findings/$target-" -print_final_stats=1 "$seeds/$corpus" 2>"$build/$target.log"; then
    status=1
    tail -40 "$build/$target.log"
  else
    grep -E '^(stat::number_of_executed_units|Done)' "$build/$target.log" || tail -3 "$build/$target.log"
  fi
done
exit $status

#!/usr/bin/env bash
# Times tessaly-convert end to end on generated manuscripts of 10,000, 100,000
# and 1,000,000 characters (.docx, and .doc made by LibreOffice when it is
# installed), with peak memory, beside LibreOffice's headless text export and
# antiword (for .doc) when they are installed; prints one table with the
# ratios, then runs the stage benchmarks and prints how each stage grows.
#
#   bench/run-benchmarks.sh [WORK_DIR]
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."
work=${1:-$(mktemp -d /tmp/tessaly-bench.XXXXXX)}
mkdir -p "$work"

if [ ! -x /usr/bin/time ]; then
  sudo_cmd=(); [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get install -y -qq time >/dev/null
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build -j "$(nproc)" --target tessaly-convert generate-manuscript tessaly-bench tessaly-desktop-bench >/dev/null

have_soffice=$(command -v soffice || true)
have_antiword=$(command -v antiword || true)

# Generated manuscripts: name shape size
manuscripts=("novel-10000 novel 10000" "novel-100000 novel 100000" "novel-1000000 novel 1000000"
             "children-10000 children 10000" "children-100000 children 100000" "children-1000000 children 1000000")
for m in "${manuscripts[@]}"; do
  set -- $m
  [ -f "$work/$1.docx" ] || build/bin/generate-manuscript --shape "$2" --size "$3" "$work/$1.docx"
  [ -f "$work/$1.txt" ] || build/bin/generate-manuscript --shape "$2" --size "$3" "$work/$1.txt"
  if [ -n "$have_soffice" ] && [ ! -f "$work/$1.doc" ]; then
    (cd "$work" && soffice --headless --convert-to doc "$1.docx" >/dev/null 2>&1) || true
  fi
done

# Best of RUNS runs: "seconds peak-KB". The time is taken by the shell to
# the millisecond; /usr/bin/time gives the peak memory. Each run writes into
# an empty output folder, emptied before the clock starts: replacing the
# previous run's files would add the file system's cost of freeing them
# (on ext4 here about 1 ms per megabyte), which grows with the output,
# not with the work of converting.
#   measure RUNS COMMAND...
measure() {
  local runs=$1 best="" mem=""
  shift
  for _ in $(seq "$runs"); do
    rm -rf "$work/out" "$work/lo"
    mkdir -p "$work/out" "$work/lo"
    local start=$EPOCHREALTIME
    /usr/bin/time -o "$work/time.txt" -f "%M" "$@" >/dev/null 2>&1 || true
    local s
    s=$(awk "BEGIN{printf \"%.3f\", $EPOCHREALTIME - $start}")
    local k
    k=$(tail -1 "$work/time.txt")
    if [ -z "$best" ] || awk "BEGIN{exit !($s < $best)}"; then best=$s; mem=$k; fi
  done
  echo "$best $mem"
}
ratio() { awk "BEGIN{ if ($2 > 0) printf \"%.1f\", $1 / $2; else print \"-\" }"; }

declare -A seconds
printf '%-22s %12s %12s %14s %8s %12s %8s\n' "file" "tessaly s" "tessaly MB" "LibreOffice s" "ratio" "antiword s" "ratio"
for m in "${manuscripts[@]}"; do
  set -- $m
  for ext in docx doc txt; do
    f="$work/$1.$ext"
    [ -f "$f" ] || continue
    read -r ts tk < <(measure 5 build/bin/tessaly-convert --defaults -q -o "$work/out" "$f")
    seconds[$1.$ext]=$ts
    lo="-"; lr="-"; aw="-"; ar="-"
    if [ -n "$have_soffice" ]; then
      read -r lo _ < <(measure 3 soffice --headless --convert-to txt:Text --outdir "$work/lo" "$f")
      lr=$(ratio "$lo" "$ts")
    fi
    if [ -n "$have_antiword" ] && [ "$ext" = doc ]; then
      read -r aw _ < <(measure 3 antiword "$f")
      ar=$(ratio "$aw" "$ts")
    fi
    printf '%-22s %12s %12s %14s %8s %12s %8s\n' "$1.$ext" "$ts" "$(( tk / 1024 ))" "$lo" "$lr" "$aw" "$ar"
  done
done
# The children's book against the novel: run in turn, so that both meet the
# same load on a shared machine, best of twenty-one each.
for ext in docx doc; do
  [ -f "$work/novel-1000000.$ext" ] && [ -f "$work/children-1000000.$ext" ] || continue
  novel="" children=""
  for _ in $(seq 21); do
    read -r n _ < <(measure 1 build/bin/tessaly-convert --defaults -q -o "$work/out" "$work/novel-1000000.$ext")
    read -r c _ < <(measure 1 build/bin/tessaly-convert --defaults -q -o "$work/out" "$work/children-1000000.$ext")
    if [ -z "$novel" ] || awk "BEGIN{exit !($n < $novel)}"; then novel=$n; fi
    if [ -z "$children" ] || awk "BEGIN{exit !($c < $children)}"; then children=$c; fi
  done
  echo ".$ext: children's book / novel at 1,000,000 characters: $(ratio "$children" "$novel") ($children s / $novel s, in turn, best of twenty-one);" \
       "100,000 to 1,000,000 characters: novel $(ratio "${seconds[novel-1000000.$ext]}" "${seconds[novel-100000.$ext]}") times," \
       "children's book $(ratio "${seconds[children-1000000.$ext]}" "${seconds[children-100000.$ext]}") times"
done
echo "(ratio: the other program's time divided by tessaly-convert's; machine: $(nproc) cores, $(awk '/MemTotal/{printf "%.0f GiB", $2/1048576}' /proc/meminfo), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'))"
echo
# The stages, the median of nine repetitions each, and how much longer each
# takes for ten times the characters (100,000 to 1,000,000). The repetitions
# of all sizes are run interleaved in random order, so that a machine that
# slows down or speeds up during the run does not favour one size.
TESSALY_BENCH_DOC_DIR="$work" build/bin/tessaly-bench --benchmark_counters_tabular=true --benchmark_repetitions=9 \
  --benchmark_enable_random_interleaving=true \
  --benchmark_display_aggregates_only=true --benchmark_out="$work/stages.csv" --benchmark_out_format=csv |
  grep -v -E '_(mean|stddev|cv) '
echo
awk -F, '$1 ~ /_median"$/ {
    name = $1; gsub(/"|_median/, "", name)
    n = split(name, part, "/"); stage = part[1] (n > 2 ? (part[3] == 0 ? " novel" : " children") : "")
    t[stage "@" part[2]] = $3; stages[stage] = 1
  }
  END {
    for (s in stages) if (t[s "@100000"] > 0) printf "%-26s 100,000 to 1,000,000 characters: %.1f times as long\n", s, t[s "@1000000"] / t[s "@100000"]
  }' "$work/stages.csv" | sort
echo
# The desktop application's run (driver, engine, progress windows offscreen,
# pauses set to zero) beside the command line's, on the novel: within 1.5 times.
build/bin/tessaly-desktop-bench --benchmark_out="$work/desktop.csv" --benchmark_out_format=csv
awk -F, '$1 ~ /BM_DesktopRun/ {d = $3} $1 ~ /BM_CommandLine/ {c = $3}
  END { if (c > 0) printf "desktop / command line, 1,000,000-character novel: %.2f (budget 1.5)\n", d / c }' "$work/desktop.csv"

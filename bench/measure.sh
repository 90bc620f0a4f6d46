#!/usr/bin/env bash
# Whole-binary measurements: speed and peak memory of the real Velmora run on
# one thread (-t 1) on synthetic single-record FASTA files of 1, 10 and 100
# million bases, and on a file of 10 000 records of 10 000 bases; then the
# speed-up of two threads over one on 10 million bases in 100 records and on
# one record of ONE bases (default 20 million), on its own and beside a
# CPU-bound process; then the floor benchmark.
#
#   bench/measure.sh [BUILD_DIR [WORK_DIR]]
#
# BUILD_DIR is a Release build with the benchmarks (default: build); the
# synthetic files (about 200 MB) go to WORK_DIR (default: a fresh temporary
# directory, removed at the end). SIZES="1000000 10000000" measures fewer
# sizes, REPEAT=1 runs each input once instead of three times, THREADS=0
# skips the thread figures, FLOOR=0 skips the benchmark. Every run is K = 3 (widths 10, 12, 14), L = 200,
# both strands, rate 0.0005.
#
# KS="3 10 20" measures instead what a larger motif set costs: one thread
# on one synthetic record of KBASES bases (default 5 000 000), scanned with
# the first K matrices of the JASPAR 2024 insects collection in
# tests/data/jaspar (widths 6 to 12), a line for each K.
#
# Peak memory is the maximum resident set size of the whole process, from
# /usr/bin/time -v; speed is bases per second of wall-clock time and of CPU
# time (user + system), each from the best of the runs. The load average is printed before and after: other work on the
# machine slows the figures.
set -euo pipefail
. "$(dirname "$0")/time-v.sh"

build=${1:-build}
if [ -n "${2:-}" ]; then
  work=$2
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
sizes=${SIZES:-"1000000 10000000 100000000"}
velmora=$build/Velmora
synth=$build/bench/velmora_synth
for tool in "$velmora" "$synth"; do
  [ -x "$tool" ] || { echo "measure.sh: $tool not found (build with -DVELMORA_BENCH=ON)" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "measure.sh: /usr/bin/time not found (apt-get install time)" >&2; exit 1; }

echo "load before: $(uptime)"
printf '%-24s %12s %10s %14s %14s %14s %10s\n' \
  "input" "bases" "wall s" "bases/s wall" "bases/s cpu" "peak RSS B" "B/base"

# run FASTA THREADS LOG [OPTION...]: one run of the binary on the matrices
# of $matrices, its /usr/bin/time -v report appended to LOG.
matrices=$work/synth.pwm
run() {
  local out="$work/out"
  rm -f "$out"_*.txt
  /usr/bin/time -v "$velmora" -i "$1" -M "$matrices" -o "$out" -t "$2" "${@:4}" 2>>"$3" >/dev/null
}

# figures NAME BASES LOG: one line of figures from the reports in LOG (the
# best times, the largest peak memory).
figures() {
  local wall cpu rss
  read -r wall cpu rss < <(best_times "$3")
  awk -v name="$1" -v bases="$2" -v wall="$wall" -v cpu="$cpu" -v rss="$rss" 'BEGIN {
    printf "%-24s %12d %10.2f %14.0f %14.0f %14d %10.3f\n", name, bases, wall,
           (wall > 0 ? bases / wall : 0), (cpu > 0 ? bases / cpu : 0), rss, rss / bases
  }'
}

# measure NAME BASES FASTA [OPTION...]: REPEAT runs on one thread (default
# 3), one line of figures.
measure() {
  local log="$work/time.txt"
  : >"$log"
  for _ in $(seq "${REPEAT:-3}"); do
    run "$3" 1 "$log" "${@:4}"
  done
  figures "$1" "$2" "$log"
}

if [ -n "${KS:-}" ]; then
  here=$(cd "$(dirname "$0")/.." && pwd)
  jaspar=$here/tests/data/jaspar/JASPAR2024_CORE_insects_non-redundant_pfms_transfac.txt
  kbases=${KBASES:-5000000}
  "$synth" --bases "$kbases" --seed 1 --fasta "$work/k.fa" --matrices "$work/synth.pwm"
  for k in $KS; do
    ids=$(awk -v k="$k" '/^AC / && n < k { printf "%s%s", (n++ ? "," : ""), $2 }' "$jaspar")
    matrices=$jaspar measure "K = $k" "$kbases" "$work/k.fa" --motifs "$ids"
  done
  echo "load after: $(uptime)"
  exit 0
fi

# speedup NAME BASES FASTA INFLIGHT: REPEAT runs on one thread and on two,
# interleaved so that a change of load hits both; a line of figures for
# each, then the speed-up (best wall-clock times) and the peak memory of the
# two-thread run per base of the records it can hold at once (INFLIGHT).
speedup() {
  local name=$1 bases=$2 fasta=$3 inflight=$4
  : >"$work/t1.txt"
  : >"$work/t2.txt"
  for _ in $(seq "${REPEAT:-3}"); do
    run "$fasta" 1 "$work/t1.txt"
    run "$fasta" 2 "$work/t2.txt"
  done
  local one two
  one=$(figures "$name, -t 1" "$bases" "$work/t1.txt")
  two=$(figures "$name, -t 2" "$bases" "$work/t2.txt")
  printf '%s\n%s\n' "$one" "$two"
  awk -v a="$one" -v b="$two" -v inflight="$inflight" -v fixed="$fixed" 'BEGIN {
    n = split(a, x, " +"); m = split(b, y, " +")
    printf "  speed-up %.2f; peak memory of -t 2: %.3f B per base in flight (%d bases) beyond the fixed %d B\n",
           x[n - 4] / y[m - 4], (y[m - 1] - fixed) / inflight, inflight, fixed
  }'
}

for bases in $sizes; do
  "$synth" --bases "$bases" --seed 1 --fasta "$work/single_$bases.fa" --matrices "$work/synth.pwm"
  measure "1 record" "$bases" "$work/single_$bases.fa"
  rm -f "$work/single_$bases.fa"
done

"$synth" --bases 100000000 --records 10000 --seed 1 --fasta "$work/multi.fa" --matrices "$work/synth.pwm"
measure "10000 records x 10000" 100000000 "$work/multi.fa"
rm -f "$work/multi.fa"

if [ "${THREADS:-1}" != 0 ]; then
  echo
  echo "threads, load: $(uptime)"
  # The fixed cost: peak memory of a run on a record of 1000 bases.
  "$synth" --bases 1000 --seed 1 --fasta "$work/tiny.fa" --matrices "$work/synth.pwm"
  : >"$work/tiny.txt"
  run "$work/tiny.fa" 2 "$work/tiny.txt"
  fixed=$(awk '/Maximum resident set size/ { print $NF * 1024 }' "$work/tiny.txt")
  # 100 records of 100 000 bases: two being scanned and one being read.
  "$synth" --bases 10000000 --records 100 --seed 1 --fasta "$work/multi100.fa" --matrices "$work/synth.pwm"
  speedup "100 records x 100000" 10000000 "$work/multi100.fa" 300000
  rm -f "$work/multi100.fa"
  # One long record, on an idle machine and beside a CPU-bound process
  # that holds a core: there two threads must not be slower than one.
  one=${ONE:-20000000}
  "$synth" --bases "$one" --seed 1 --fasta "$work/single.fa" --matrices "$work/synth.pwm"
  speedup "1 record" "$one" "$work/single.fa" "$one"
  sh -c 'while :; do :; done' &
  hog=$!
  speedup "1 record, busy core" "$one" "$work/single.fa" "$one"
  kill "$hog"
  wait "$hog" 2>/dev/null || true
  rm -f "$work/single.fa"
fi

echo "load after: $(uptime)"

if [ "${FLOOR:-1}" != 0 ] && [ -x "$build/bench/bench_scan" ]; then
  echo
  # Repetitions interleaved at random, so that a change of load hits the
  # floor and the scan alike; the ratio is taken from the best repetitions.
  "$build/bench/bench_scan" --benchmark_filter='BM_LogSumFloor|BM_ChainFloor|BM_StreamScan' \
    --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
fi

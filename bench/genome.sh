#!/usr/bin/env bash
# A whole-genome run: velmora_synth --genome streams 24 records named and
# sized as the GRCh38 chromosomes (cut to FRACTION of their lengths, with
# their telomere, centromere and other N runs) into `Velmora -i -` with the
# generator's three matrices (widths 10, 12, 14), L = 200, both strands,
# rate 0.0005. Prints wall time, CPU time (user + system) and peak memory of
# the tool from /usr/bin/time -v, and bases per second of wall and CPU time.
#
#   bench/genome.sh [BUILD_DIR [FRACTION]]
#
# BUILD_DIR holds Velmora and bench/velmora_synth (default: build); FRACTION
# of the genome's 3.1 billion bases (default 0.01; 1 is the whole genome,
# three and a half minutes on two cores with PREGEN=1). THREADS sets -t
# (default: every core), REPEAT the runs (default 1; the best is printed).
# The generator runs beside the tool and takes about a third of a core's
# time of it at the same rate, which on a small machine slows the tool;
# PREGEN=1 writes the genome to a temporary file first (FRACTION x 3.2 GB
# of disk) and streams that with cat instead, so that the figures are the
# tool's alone.
set -euo pipefail
. "$(dirname "$0")/time-v.sh"

build=${1:-build}
fraction=${2:-0.01}
velmora=$build/Velmora
synth=$build/bench/velmora_synth
for tool in "$velmora" "$synth"; do
  [ -x "$tool" ] || { echo "genome.sh: $tool not found (build with -DVELMORA_BENCH=ON)" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "genome.sh: /usr/bin/time not found (apt-get install time)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
threads=${THREADS:-$(nproc)}

# The matrices first: the tool reads them before the first base arrives.
"$synth" --bases 1 --fasta /dev/null --matrices "$work/synth.pwm"
if [ "${PREGEN:-0}" != 0 ]; then
  "$synth" --genome "$fraction" --seed 1 --fasta "$work/genome.fa"
  source=(cat "$work/genome.fa")
else
  source=("$synth" --genome "$fraction" --seed 1 --fasta -)
fi
# %.0f, not print or %d: mawk prints the 3.1 billion bases of a whole genome
# in 6 digits or as the largest int.
bases=$("${source[@]}" | awk '!/^>/ { n += length($0) } END { printf "%.0f\n", n }')

echo "load before: $(uptime)"
: >"$work/time.txt"
for _ in $(seq "${REPEAT:-1}"); do
  rm -f "$work"/out_*
  "${source[@]}" | /usr/bin/time -v "$velmora" -i - -M "$work/synth.pwm" -o "$work/out" \
    -t "$threads" --quiet 2>>"$work/time.txt"
done
echo "load after: $(uptime)"
modules=$(grep -c '^>' "$work/out_module.txt" || true)
read -r wall cpu rss < <(best_times "$work/time.txt")
awk -v bases="$bases" -v fraction="$fraction" -v threads="$threads" -v modules="$modules" \
    -v wall="$wall" -v cpu="$cpu" -v rss="$rss" 'BEGIN {
  printf "GRCh38 x %s: 24 records, %.0f bases, -t %d, %d modules\n", fraction, bases, threads, modules
  printf "wall %.2f s, cpu %.2f s, peak RSS %.1f MB, %.2f M bases/s wall, %.2f M bases/s cpu\n",
         wall, cpu, rss / 1e6, bases / wall / 1e6, bases / cpu / 1e6
}'

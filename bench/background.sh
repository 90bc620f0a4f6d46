#!/usr/bin/env bash
# Figures of the shared background model (--background):
#   1. calibration: records drawn from one model, scanned against it with
#      --null, get p <= 0.05 (and <= 0.01) about as often as the level says;
#   2. the cost of estimating a model from a genome-sized FASTA file (time
#      and peak memory of 'Velmora background', plain and gzip);
#   3. the scan's speed with and without --background on the same records.
#
#   bench/background.sh [BUILD_DIR [WORK_DIR]]
#
# BUILD_DIR holds Velmora and bench/velmora_synth (default: build). The
# model of step 1 is estimated from the eve locus of ../shared/data (or
# from examples/eve_stripe2.fa when that is not there). RECORDS (default
# 500), LENGTH (1000), NULLS (99) and GENOME (140000000 bases) set the
# sizes. Python 3 draws the records.
set -euo pipefail
build=${1:-build}
velmora=$(realpath "$build/Velmora")
synth=$(realpath "$build/bench/velmora_synth")
here=$(cd "$(dirname "$0")/.." && pwd)
if [ -n "${2:-}" ]; then
  work=$2
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
records=${RECORDS:-500}
length=${LENGTH:-1000}
nulls=${NULLS:-99}
genome=${GENOME:-140000000}
source_fa=$here/../shared/data/eve_locus.fa
[ -f "$source_fa" ] || source_fa=$here/examples/eve_stripe2.fa
cd "$work"

echo "== calibration: $records records of $length bases drawn from the model of $(basename "$source_fa"), --null $nulls"
rm -f cal.bg cal_*
"$velmora" background -i "$source_fa" -o cal.bg 2>/dev/null
python3 - cal.bg "$records" "$length" > cal.fa <<'PY'
import random, sys
counts = {}
for line in open(sys.argv[1]):
    if line.strip() and not line.startswith("#"):
        name, count = line.split("\t")
        counts[name] = int(count)
bases = "ACGT"
rng = random.Random(20261207)
for r in range(int(sys.argv[2])):
    prev = rng.choices(bases, [counts[b] for b in bases])[0]
    seq = [prev]
    for i in range(1, int(sys.argv[3])):
        prev = rng.choices(bases, [counts[prev + b] for b in bases])[0]
        seq.append(prev)
    print(">drawn%d\n%s" % (r + 1, "".join(seq)))
PY
"$velmora" -i cal.fa -M "$here/examples/fly_bcd_hb_Kr.jaspar" -L 200 -x 0.01 --null "$nulls" \
  --background cal.bg -o cal --quiet
awk -F'\t' '!/^#/ && $9 != "" { n++; if ($9 <= 0.05) e5++; if ($9 <= 0.01) e1++;
              if ($10 <= 0.05) g5++; if ($10 <= 0.01) g1++; if ($11 <= 0.05) q5++ }
  END { printf "records %d: empirical p <= 0.05 %.1f %%, <= 0.01 %.1f %%; fitted p <= 0.05 %.1f %%, <= 0.01 %.1f %%; q <= 0.05 %d\n",
        n, 100 * e5 / n, 100 * e1 / n, 100 * g5 / n, 100 * g1 / n, q5 }' cal_records.tsv

echo "== estimating a model from $genome bases"
"$synth" --bases "$genome" --records 8 --seed 3 --fasta genome.fa --matrices genome.pwm
gzip -1 -c genome.fa > genome.fa.gz
for input in genome.fa genome.fa.gz; do
  rm -f genome.bg
  /usr/bin/time -f "$input: %e s wall, %M KiB peak" "$velmora" background -i "$input" -o genome.bg 2>&1 | grep -v '^Velmora'
done

echo "== scan speed with and without --background (5 Mb in 1000 records, one thread, best of 3)"
"$synth" --bases 5000000 --records 1000 --seed 4 --fasta peaks.fa --matrices peaks.pwm
for option in "" "--background genome.bg"; do
  best=""
  for _ in 1 2 3; do
    s=$( { /usr/bin/time -f "%e" "$velmora" -i peaks.fa -M peaks.pwm -t 1 --overwrite --quiet -o speed $option; } 2>&1 )
    best=$(printf '%s\n%s\n' "$best" "$s" | sed '/^$/d' | sort -n | head -1)
  done
  echo "${option:-own models}: $best s"
done

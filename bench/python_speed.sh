#!/usr/bin/env bash
# The Python module's speed against the tool's: 10 million bases in 100
# records (velmora_synth), scanned by `Velmora -t T` and by
# `Scanner(threads=T).scan_fasta` with every record taken, for T = 1 and 2;
# the best of REPEAT (default 3) wall-clock times of each, and their ratio.
#
#   bench/python_speed.sh [BUILD_DIR]
#
# BUILD_DIR holds Velmora, bench/velmora_synth and python/velmora (default:
# build); PYTHON (default /usr/bin/python3) is the interpreter the module
# was built for.
set -euo pipefail
build=$(realpath "${1:-build}")
python=${PYTHON:-/usr/bin/python3}
repeat=${REPEAT:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/velmora_synth" --bases 10000000 --records 100 --seed 5 --fasta "$work/g.fa" --matrices "$work/g.pwm"
best() { sort -n | head -1; }
for threads in 1 2; do
  cli=$(for _ in $(seq "$repeat"); do
    /usr/bin/time -f %e "$build/Velmora" -i "$work/g.fa" -M "$work/g.pwm" -t "$threads" -o "$work/o" --overwrite \
      --quiet 2>&1 >/dev/null
  done | best)
  py=$(PYTHONPATH=$build/python "$python" - "$work" "$threads" "$repeat" <<'PY'
import sys, time
import velmora
work, threads, repeat = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
scanner = velmora.Scanner(velmora.read_matrices(work + "/g.pwm"), threads=threads)
times = []
for _ in range(repeat):
    start = time.perf_counter()
    records = list(scanner.scan_fasta(work + "/g.fa"))
    times.append(time.perf_counter() - start)
print("%.2f" % min(times))
PY
)
  awk -v t="$threads" -v c="$cli" -v p="$py" \
    'BEGIN { printf "threads %d: command line %.2f s, Python %.2f s, Python / command line %.3f\n", t, c, p, p / c }'
done

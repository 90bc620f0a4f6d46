# shellcheck shell=bash disable=SC2034,SC2154
# What local.sh and slurm.sh share: the test genome, the plain run and the
# comparison with it. Sourced; expects $velmora (the binary) and $work (an
# empty folder) to be set, and `set -euo pipefail`.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# Seconds since START (an $EPOCHREALTIME), to a tenth.
since() {
  awk -v a="$1" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", b - a }'
}

# make_genome SYNTH: $work/genome.fa.gz and $work/motifs.pwm. Records in
# this order: 15 of 60 000 bases, 2 of 600 000 (larger than any part the
# tests ask for), one of a single base (not scanned), 15 of 60 000. Written
# by velmora_synth (planted modules) when SYNTH is an executable, else by a
# small Python generator (random sequence with planted sites).
make_genome() {
  local synth=${1:-}
  if [ -n "$synth" ] && [ -x "$synth" ]; then
    "$synth" --bases 900000 --records 15 --seed 21 --fasta "$work/a.fa" --matrices "$work/motifs.pwm"
    "$synth" --bases 1200000 --records 2 --seed 22 --fasta "$work/b.fa" --matrices "$work/b.pwm"
    "$synth" --bases 900000 --records 15 --seed 23 --fasta "$work/c.fa" --matrices "$work/c.pwm"
    {
      sed 's/^>synthetic/>a/' "$work/a.fa"
      sed 's/^>synthetic/>b/' "$work/b.fa"
      printf '>single base\nA\n'
      sed 's/^>synthetic/>c/' "$work/c.fa"
    } | gzip -1 > "$work/genome.fa.gz"
    rm -f "$work"/{a,b,c}.fa "$work"/{b,c}.pwm
  else
    python3 - "$work/genome.fa.gz" "$work/motifs.pwm" <<'EOF'
import gzip, random, sys
rng = random.Random(7)
motifs = [[rng.randrange(4) for _ in range(w)] for w in (10, 12, 14)]
with open(sys.argv[2], "w") as out:
    for m in motifs:
        out.write(f">{len(m)} synthetic\n")
        for c in m:
            out.write("\t".join("85" if b == c else "5" for b in range(4)) + "\n")
def record(n):
    seq = rng.choices("ACGT", weights=(29, 21, 21, 29), k=n)
    for start in range(rng.randrange(5000), n - 300, 20000):  # a module every 20 kb
        for at in range(start, start + 200, 40):
            m = rng.choice(motifs)
            seq[at : at + len(m)] = ["ACGT"[c] if rng.random() < 0.85 else rng.choice("ACGT") for c in m]
    return "".join(seq)
with gzip.open(sys.argv[1], "wt", compresslevel=1) as out:
    sizes = [("a", 60000)] * 15 + [("b", 600000)] * 2 + [("single base", 1)] + [("c", 60000)] * 15
    for i, (name, n) in enumerate(sizes):
        seq = record(n) if n > 1 else "A"
        out.write(f">{name}{i + 1}\n")
        out.writelines(seq[j : j + 60] + "\n" for j in range(0, len(seq), 60))
EOF
  fi
}

# plain_run FASTA BASE OPTIONS...: one Velmora run over the whole file on two
# threads, timed.
plain_run() {
  local fasta=$1 base=$2
  shift 2
  mkdir -p "$(dirname "$base")"
  local t0=$EPOCHREALTIME
  "$velmora" -i "$fasta" -M "$work/motifs.pwm" "$@" -t 2 -o "$base" --quiet
  echo "plain run ($(basename "$fasta"), -t 2): $(since "$t0") s"
}

# same_results PLAIN_BASE WORKFLOW_BASE: the same result files, byte for
# byte, except line 4 of the module file (the command-line echo) and the
# path in a records file's background line (the model, named by its
# digest, must be the same).
same_results() {
  local plain=$1 flow=$2 f g suffix count=0
  for f in "$plain"_*; do
    suffix=${f#"$plain"}
    g=$flow$suffix
    [ -f "$g" ] || fail "$g is missing (the plain run wrote $f)"
    if [ "$suffix" = _module.txt ]; then
      cmp <(sed 4d "$f") <(sed 4d "$g") || fail "$g differs from $f"
    elif [ "$suffix" = _records.tsv ]; then
      cmp <(sed '1s/^##background: .* (model/(model/' "$f") <(sed '1s/^##background: .* (model/(model/' "$g") ||
        fail "$g differs from $f"
    else
      cmp "$f" "$g" || fail "$g differs from $f"
    fi
    count=$((count + 1))
  done
  for g in "$flow"_*; do
    [ -f "$g" ] || continue
    suffix=${g#"$flow"}
    [ -f "$plain$suffix" ] || fail "$g has no counterpart from the plain run"
  done
  [ "$count" -ge 6 ] || fail "only $count result files from $plain"
  echo "same results: $flow ($count files)"
}

# parts_of RUN_BASE: how many parts the workflow cut the FASTA file into.
parts_of() {
  grep -c . "$1.parts/fasta/parts.txt"
}

# modules_in BASE: the module count of a module file.
modules_in() {
  sed -n 's/^# modules = //p' "$1_module.txt"
}

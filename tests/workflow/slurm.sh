#!/usr/bin/env bash
# usage: slurm.sh VELMORA_BINARY [VELMORA_SYNTH]
#
# The workflow run through Slurm with workflow/profiles/slurm, on a one-node
# cluster this test starts (tools/slurm-ci) and always stops: every job is a
# Slurm job, and the results are those of one plain run, byte for byte (the
# command-line echo aside). Skipped (status 77), with the reason, when the
# packages are missing or the daemons cannot start.
set -euo pipefail
velmora=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=tests/workflow/common.sh
source "$(dirname "$0")/common.sh"

skip() {
  echo "SKIPPED: $*"
  exit 77
}
command -v snakemake >/dev/null || skip "snakemake is not installed"
for tool in munged mungekey slurmctld slurmd sbatch sinfo scontrol; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (tools/install-deps --workflow)"
done
[ "$(id -u)" -eq 0 ] || skip "the test cluster (tools/slurm-ci) starts only as root"

export BASE=$work/slurm
chmod 755 "$work" # munged wants every folder above its socket open to all
trap '"$root/tools/slurm-ci" stop >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
if ! "$root/tools/slurm-ci" start > "$work/start.log" 2>&1; then
  # The daemons' own words: their errors, less the known harmless noise.
  why=$(cat "$BASE"/log/munged.out "$BASE"/log/slurmctld.out "$BASE"/log/slurmd.out 2>/dev/null |
    grep -iE 'error|fatal' | grep -viE 'pmix|MPI: Cannot create|state file|NOTE: Trying backup|cpu binding' |
    head -n 3 || true)
  skip "${why:-$(tail -n 3 "$work/start.log")}"
fi
export SLURM_CONF=$BASE/etc/slurm.conf USER=${USER:-root}

make_genome "${2:-}"
options="-x 0.002 --bed --summary"
# shellcheck disable=SC2086
plain_run "$work/genome.fa.gz" "$work/plain/genome" $options

# FASTA as a single string from --config, relative to the folder snakemake
# runs in.
t0=$EPOCHREALTIME
(cd "$work" && snakemake -s "$root/workflow/Snakefile" --profile "$root/workflow/profiles/slurm" \
  --config fasta=genome.fa.gz matrices=motifs.pwm base=out/genome "options=$options" \
  part_bases=1000000 velmora="$velmora" threads=2 > snakemake.log 2>&1) ||
  { tail -n 40 "$work/snakemake.log"; tail -n 20 "$work"/.snakemake/slurm_logs/*/*.log; fail "snakemake"; }
parts=$(parts_of "$work/out/genome")
jobs=$(grep -c 'has been submitted with SLURM jobid' "$work/snakemake.log" || true)
echo "workflow (Slurm, $parts parts, $jobs Slurm jobs): $(since "$t0") s"

same_results "$work/plain/genome" "$work/out/genome"
[ "$parts" -ge 3 ] || fail "too few parts: $parts"
[ "$jobs" -eq $((parts + 2)) ] || fail "$jobs Slurm jobs for $parts parts (split, a scan per part, merge)"
[ "$(modules_in "$work/plain/genome")" -gt 20 ] || fail "too few modules to compare"
# A scan job got the threads as CPUs.
scan=$(sed -n 's/.*submitted with SLURM jobid \([0-9]*\) (log: .*rule_scan.*/\1/p' "$work/snakemake.log" | head -n 1)
scontrol show job "$scan" | grep -q 'NumCPUs=2 ' || fail "scan job $scan did not get 2 CPUs"
echo "PASSED"

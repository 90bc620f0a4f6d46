#!/usr/bin/env bash
# usage: local.sh VELMORA_BINARY [VELMORA_SYNTH]
#
# The workflow (workflow/Snakefile) run by a local snakemake over many parts
# writes the result files of one plain run, byte for byte (the command-line
# echo aside): a gzip genome of 33 records, two of them larger than a part,
# and an empty FASTA file (one empty part), given as a list of two files;
# with p-values from two null sequences per record; into a folder whose
# name holds a blank. Then: nothing to do when nothing changed, a scan
# again when the matrix file or the options change, a merge again that
# leaves another run's files alone, and parts that share the background
# model pooled from the whole file.
set -euo pipefail
velmora=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=tests/workflow/common.sh
source "$(dirname "$0")/common.sh"

if ! command -v snakemake >/dev/null; then
  echo "SKIPPED: snakemake is not installed"
  exit 77
fi

make_genome "${2:-}"
: > "$work/empty.fa"
options=(-x 0.002 --bed --null 2)
plain_run "$work/genome.fa.gz" "$work/plain/genome" "${options[@]}"
plain_run "$work/empty.fa" "$work/plain/empty" "${options[@]}"

cat > "$work/config.yaml" <<EOF
fasta: [$work/genome.fa.gz, $work/empty.fa]
matrices: $work/motifs.pwm
base: $work/out dir/g
options: "${options[*]}"
part_bases: 150000
velmora: $velmora
threads: 2
EOF
t0=$EPOCHREALTIME
(cd "$work" && snakemake -s "$root/workflow/Snakefile" --cores 2 --configfile config.yaml \
  > snakemake.log 2>&1) || { tail -n 40 "$work/snakemake.log"; fail "snakemake"; }
echo "workflow (local, --cores 2, $(parts_of "$work/out dir/g_genome") parts): $(since "$t0") s"

out="$work/out dir"
same_results "$work/plain/genome" "$out/g_genome"
same_results "$work/plain/empty" "$out/g_empty"
[ "$(parts_of "$out/g_genome")" -ge 10 ] || fail "too few parts: $(parts_of "$out/g_genome")"
[ "$(modules_in "$work/plain/genome")" -gt 20 ] || fail "too few modules to compare"
sed -n 4p "$out/g_genome_module.txt" | grep -q ' merge ' || fail "the module file was not written by merge"

flow() { (cd "$work" && snakemake -s "$root/workflow/Snakefile" --cores 2 --configfile config.yaml "$@" 2>&1); }
# A second run finds nothing to do; a changed matrix file or changed
# options scan again.
flow -n | grep -q 'Nothing to be done' || fail "a second run would run jobs again"
cp "$work/motifs.pwm" "$work/motifs.kept"
printf '\n' >> "$work/motifs.pwm"
plan=$(flow -n)
grep -q 'rule scan' <<<"$plan" || fail "a changed matrix file scans nothing again"
cp "$work/motifs.kept" "$work/motifs.pwm"
plan=$(flow -n --config options="-x 0.003 --bed --null 2")
grep -q 'rule scan' <<<"$plan" || fail "changed options scan nothing again"
# A merge run again (as after a change of options) replaces the files of
# the first, motif files included, leaves another run's files in the same
# folder alone, and names a file of its base name that it does not write.
echo "another run" > "$out/g_genome_motifscan_motif1.txt"
echo "a run with more motifs" > "$out/g_genome_motif4.txt"
flow --forcerun merge > "$work/snakemake2.log" || { tail -n 20 "$work/snakemake2.log"; fail "merge run again"; }
[ -f "$out/g_genome_motifscan_motif1.txt" ] || fail "the merge removed another run's file"
[ -f "$out/g_genome_motif4.txt" ] || fail "the merge removed a file it does not write"
grep -q "g_genome_motif4.txt' of the base name is not of this merge" "$work/snakemake2.log" ||
  fail "the merge did not name a file of the base name that it does not write"
rm "$out/g_genome_motifscan_motif1.txt" "$out/g_genome_motif4.txt"
same_results "$work/plain/genome" "$out/g_genome"
# --background pooled: the model of the whole file, estimated once and
# shared by every part, gives the results of one run pooling its records.
pooled=(-x 0.002 --bed --null 2 --background pooled)
plain_run "$work/genome.fa.gz" "$work/plain/pooled" "${pooled[@]}"
flow --config options="${pooled[*]}" base="$work/pooled/g" fasta="$work/genome.fa.gz" > "$work/snakemake3.log" ||
  { tail -n 20 "$work/snakemake3.log"; fail "the workflow with --background pooled"; }
same_results "$work/plain/pooled" "$work/pooled/g"
echo "PASSED"

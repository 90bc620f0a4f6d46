#!/usr/bin/env python3
"""Randomized comparison of the Velmora binary with the Python reference.

    python3 compare.py --binary build/Velmora [--cases 200] [--seed 1]
                       [--keep-dir DIR] [--keep-going] [--no-hand-picked]

Every case is a matrix file, a FASTA file and one or more command lines.  The
case is written into two fresh temporary directories; in one the binary runs
as ./Velmora (through a symlink named Velmora, with that directory as the
working directory), in the other reference.py runs with the same words and
the same first word.  Every result file must then be byte-identical, and the
binary must exit with status 0.

On a mismatch the case (seed and index), the file and the first differing
lines are printed, the inputs and both sets of outputs are kept under
--keep-dir (default: ./reference-failures) and the exit status is 1.  Without
--keep-going the first mismatching case ends the run.

A case is fully determined by (--seed, index): `--only INDEX` reruns one.
Index values below 0 are the hand-picked cases.
"""

import argparse
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REFERENCE = os.path.join(HERE, "reference.py")
ARGV0 = "./Velmora"
BASES = "ACGT"
COMP = {"A": "T", "C": "G", "G": "C", "T": "A"}


def revcomp(s):
    return "".join(COMP[c] for c in reversed(s))


# ---------------------------------------------------------------------------
# Random inputs
# ---------------------------------------------------------------------------

def fmt_decimal(rng, x):
    style = rng.random()
    if style < 0.05:
        # other spellings a C number reader accepts: .5, 5., +0.5, 5E-1
        text = "%.3f" % x
        return rng.choice([text.lstrip("0") or "0", text.rstrip("0") if "." in text else text + ".",
                           "+" + text, "%.2E" % x])
    if style < 0.6:
        return ("%.*f" % (rng.randint(1, 4), x)).rstrip("0").rstrip(".") or "0"
    if style < 0.8:
        return "%.3f" % x
    if x == 0:
        return rng.choice(["0", "0.0", "0e0"])
    return "%.2e" % x


class Motif:
    def __init__(self, consensus, rows_text, probs):
        self.consensus = consensus
        self.rows_text = rows_text
        self.probs = probs     # rough probabilities, only used to plant sites

    @property
    def width(self):
        return len(self.consensus)


def random_width(rng):
    r = rng.random()
    if r < 0.1:
        return rng.randint(1, 3)
    if r < 0.85:
        return rng.randint(4, 12)
    return rng.randint(13, 16)


def make_motif(rng, width, strength=None):
    consensus = "".join(rng.choice(BASES) for _ in range(width))
    style = rng.choice(["counts", "counts", "freq", "exp", "mixed"])
    if strength is None:
        strength = rng.random()
    rows_text = []
    probs = []
    for c in consensus:
        kind = rng.random()
        if kind < 0.07:
            vals = [1.0, 1.0, 1.0, 1.0]           # flat row
        elif kind < 0.12:
            vals = [0.0] * 4
            vals[BASES.index(c)] = 1.0            # single non-zero entry
        else:
            vals = []
            for b in BASES:
                if b == c:
                    vals.append(float(rng.randint(20, 60)))
                else:
                    vals.append(0.0 if rng.random() < 0.3 + 0.5 * strength
                                else float(rng.randint(0, max(1, int(25 * (1 - strength))))))
        if sum(vals) == 0:
            vals[BASES.index(c)] = 1.0
        total = sum(vals)
        probs.append([v / total for v in vals])
        row_style = style if style != "mixed" else rng.choice(["counts", "freq", "exp"])
        if row_style == "counts":
            words = [str(int(v)) for v in vals]
        elif row_style == "freq":
            words = [fmt_decimal(rng, v / total) for v in vals]
            if all(float(w) == 0 for w in words):
                words[BASES.index(c)] = "1"
        else:
            words = [("%.3e" % (v / total) if v else "0") if rng.random() < 0.9 else "%d." % v for v in vals]
        rows_text.append(words)
    return Motif(consensus, rows_text, probs)


def matrix_file(rng, motifs, crlf=None, allow_odd=True):
    eol = "\r\n" if (crlf if crlf is not None else rng.random() < 0.15) else "\n"
    out = []
    if allow_odd and rng.random() < 0.2:
        out.append(rng.choice(["matrices used for testing", "# header comment", ""]) + eol)
    for k, m in enumerate(motifs):
        header = rng.choice([">{w}", ">{w}", ">{w} motif_{k}", "> {w}", ">{w}\tname"]).format(
            w=m.width, k=k + 1)
        out.append(header + eol)
        for words in m.rows_text:
            line = "\t".join(words)
            if allow_odd and rng.random() < 0.03:
                line += "\t" + str(rng.randint(0, 9))     # a fifth number, ignored
            out.append(line + eol)
        if allow_odd and rng.random() < 0.25:
            out.append(rng.choice(["", "# next", "XX"]) + eol)
    text = "".join(out)
    if allow_odd and rng.random() < 0.03 and text.endswith(eol):
        text = text[: -len(eol)]          # last row without line end
    return text.encode("latin-1")


def sample_site(rng, motif):
    r = rng.random()
    if r < 0.6:
        return motif.consensus
    site = []
    for row in motif.probs:
        u = rng.random()
        acc = 0.0
        pick = "T"
        for b, p in zip(BASES, row):
            acc += p
            if u < acc:
                pick = b
                break
        site.append(pick)
    return "".join(site)


def make_sequence(rng, length, motifs, L, plant=None, n_runs=None, others=None):
    weights = [rng.random() + 0.2 for _ in BASES]
    if rng.random() < 0.15:
        weights[rng.randrange(4)] *= 8      # skewed composition
    seq = rng.choices(BASES, weights=weights, k=length)
    if plant is None:
        plant = rng.random() < 0.75
    if plant and length >= 2:
        clusters = rng.randint(1, max(1, length // max(L, 20)) + 1)
        for _ in range(clusters):
            region_start = rng.randrange(length)
            region_len = min(L, length - region_start)
            for _ in range(rng.randint(1, 5)):
                m = rng.choice(motifs)
                site = sample_site(rng, m)
                if rng.random() < 0.5:
                    site = revcomp(site)
                if len(site) > length:
                    continue
                pos = region_start + rng.randrange(max(1, region_len - len(site) + 1))
                pos = min(pos, length - len(site))
                seq[pos:pos + len(site)] = list(site)
    if n_runs is None:
        n_runs = rng.choice([0, 0, 0, 1, 2, 3]) if length else 0
    for _ in range(n_runs):
        run = rng.randint(1, 40)
        start = rng.randrange(length)
        for p in range(start, min(length, start + run)):
            seq[p] = "N"
    if others is None:
        others = rng.random() < 0.12
    if others and length:
        for _ in range(rng.randint(1, 4)):
            seq[rng.randrange(length)] = rng.choice("RYSWKM")
    return "".join(seq)


def random_name(rng, index):
    name = ">seq%d" % index
    r = rng.random()
    if r < 0.3:
        name += " " + rng.choice(["promoter region", "chr1:100-200 +", "100% identical", "a%sb%dc"])
    elif r < 0.35:
        name += " caf\xc3\xa9"          # UTF-8 bytes above 127
    elif r < 0.37:
        name += " " + "x" * rng.randint(9990, 12000)   # longer than any old line buffer
    elif r < 0.4:
        name = ">"
    return name


def fasta_file(rng, records, crlf=None, widths=None, allow_odd=True):
    eol = "\r\n" if (crlf if crlf is not None else rng.random() < 0.2) else "\n"
    out = []
    if allow_odd and rng.random() < 0.08:
        out.append(rng.choice(["; leading comment", "ACGTACGTAC"]) + eol)
    for name, seq in records:
        out.append(name + eol)
        width = rng.choice(widths or [60, 60, 70, 80, 50, 13, 0])
        if rng.random() < 0.2:
            # lower-case a stretch
            a = rng.randrange(len(seq) + 1)
            b = rng.randrange(a, len(seq) + 1)
            seq = seq[:a] + seq[a:b].lower() + seq[b:]
        if width == 0:
            pieces = [seq] if seq else []
        else:
            pieces = [seq[i:i + width] for i in range(0, len(seq), width)]
        for piece in pieces:
            out.append(piece + eol)
            if allow_odd and rng.random() < 0.005:
                out.append(eol)                               # blank line
            if allow_odd and rng.random() < 0.003:
                out.append("12 ACGT" + eol)                   # starts with a digit: nothing read
        if allow_odd and rng.random() < 0.03:
            out.append("ACGTAC ACGT 99" + eol)                # letters stop at the blank
    text = "".join(out)
    if allow_odd and rng.random() < 0.1 and text.endswith(eol):
        text = text[: -len(eol)]
    return text.encode("latin-1")


def random_rate(rng):
    r = rng.random()
    if r < 0.85:
        rate = math.exp(rng.uniform(math.log(1e-4), math.log(0.3)))
    else:
        rate = rng.uniform(0.3, 0.95)
    text = rng.choice(["%.4g", "%g", "%.2e", "%.6f"]) % rate
    if rng.random() < 0.05 and text.startswith("0."):
        text = text[1:]                      # .05
    if float(text) <= 0:
        text = "0.0001"
    return text


def option_words(rng, K, L, rate, strands, out_base, seq_file="seq.fa", pwm_file="pwm.txt"):
    """Option words in random order; defaults may be left out."""
    pairs = [("-i", seq_file), ("-M", pwm_file)]
    if not (K == 3 and rng.random() < 0.3):
        pairs.append(("-K", str(K)))
    if not (L == 200 and rng.random() < 0.5):
        pairs.append(("-L", str(L)))
    if rate is not None:
        pairs.append(("-x", rate))
    if strands is not None:
        pairs.append(("-r", strands))
    if out_base is not None:
        pairs.append(("-o", out_base))
    rng.shuffle(pairs)
    words = []
    for a, b in pairs:
        words += [a, b]
    return words


def random_case(rng):
    K = rng.randint(1, 4)
    motifs = [make_motif(rng, random_width(rng)) for _ in range(K)]
    L = rng.randint(10, 300) if rng.random() < 0.95 else 200
    n_records = rng.randint(1, 5)
    records = []
    for i in range(n_records):
        r = rng.random()
        if r < 0.03:
            length = 0
        elif r < 0.06:
            length = 1
        elif r < 0.2:
            length = rng.randint(2, 20)
        elif r < 0.35:
            length = rng.randint(2, L)
        else:
            length = rng.randint(21, 3000)
        records.append((random_name(rng, i + 1), make_sequence(rng, length, motifs, L)))
    rate = random_rate(rng) if rng.random() < 0.95 else None
    strands = rng.choice(["1", "0", "1", "0", None, "00", "2"])
    out_base = rng.choice(["out", "res.txt", "a_b", None])
    words = option_words(rng, K, L, rate, strands, out_base)
    return {
        "what": "random",
        "files": {"pwm.txt": matrix_file(rng, motifs), "seq.fa": fasta_file(rng, records)},
        "runs": [words],
    }


def hand_picked_cases():
    """Cases aimed at particular rules; each built from its own seed."""
    cases = []

    def add(what, builder):
        rng = random.Random("hand-%d" % len(cases))
        case = builder(rng)
        case["what"] = what
        cases.append(case)

    def tiny(rng):
        motifs = [make_motif(rng, rng.randint(2, 6), 0.9) for _ in range(2)]
        records = [(">t%d" % i, make_sequence(rng, n, motifs, 10, plant=True, n_runs=0, others=False))
                   for i, n in enumerate([2, 3, 5, 8, 10, 11, 15, 20, 9, 12])]
        return {"files": {"pwm.txt": matrix_file(rng, motifs), "seq.fa": fasta_file(rng, records)},
                "runs": [["-i", "seq.fa", "-M", "pwm.txt", "-K", "2", "-L", "10", "-x", "0.3", "-o", "tiny"]]}
    add("tiny sequences", tiny)

    def long_module(rng):
        motifs = [make_motif(rng, rng.randint(6, 10), 0.9) for _ in range(2)]
        records = [(">s%d" % i, make_sequence(rng, n, motifs, 300, plant=True))
                   for i, n in enumerate([50, 120, 250, 299, 300])]
        return {"files": {"pwm.txt": matrix_file(rng, motifs), "seq.fa": fasta_file(rng, records)},
                "runs": [["-i", "seq.fa", "-M", "pwm.txt", "-K", "2", "-L", "300", "-x", "0.2", "-o", "long"]]}
    add("module length above every sequence", long_module)

    def wide(rng):
        motifs = [make_motif(rng, 16, 0.9), make_motif(rng, 12, 0.9)]
        records = [(">w%d" % i, make_sequence(rng, n, motifs, 10, plant=True))
                   for i, n in enumerate([2, 7, 11, 15, 16, 17, 400])]
        return {"files": {"pwm.txt": matrix_file(rng, motifs), "seq.fa": fasta_file(rng, records)},
                "runs": [["-i", "seq.fa", "-M", "pwm.txt", "-K", "2", "-L", "10", "-x", "0.25", "-o", "wide"]]}
    add("motifs wider than sequences and windows", wide)

    def only_n(rng):
        motifs = [make_motif(rng, 5, 0.9)]
        body = make_sequence(rng, 600, motifs, 40, plant=True, n_runs=0, others=False)
        body = "NNNNN" + body[:200] + "N" * 80 + body[200:] + "NN"
        records = [(">allN", "N" * 300), (">n2", "NN"), (">mixed", body), (">n1", "N")]
        return {"files": {"pwm.txt": matrix_file(rng, motifs), "seq.fa": fasta_file(rng, records)},
                "runs": [["-i", "seq.fa", "-M", "pwm.txt", "-K", "1", "-L", "40", "-x", "0.1", "-o", "n"]]}
    add("sequences of N", only_n)

    def strong(rng, strands):
        motifs = [make_motif(rng, w, 1.0) for w in (8, 10, 6)]
        records = []
        for i in range(4):
            parts = []
            for _ in range(6):
                parts.append(make_sequence(rng, rng.randint(80, 300), motifs, 60, plant=False, n_runs=0,
                                           others=False))
                cluster = ""
                for _ in range(rng.randint(2, 4)):
                    m = rng.choice(motifs)
                    site = m.consensus if rng.random() < 0.5 else revcomp(m.consensus)
                    cluster += site + "".join(rng.choice(BASES) for _ in range(rng.randint(0, 8)))
                parts.append(cluster)
            records.append((">strong%d" % i, "".join(parts)))
        words = ["-i", "seq.fa", "-M", "pwm.txt", "-K", "3", "-L", "60", "-x", "0.01", "-o", "strong"]
        if strands is not None:
            words += ["-r", strands]
        return {"files": {"pwm.txt": matrix_file(rng, motifs), "seq.fa": fasta_file(rng, records)},
                "runs": [words]}
    add("planted strong sites, both strands", lambda rng: strong(rng, None))
    add("planted strong sites, forward strand only", lambda rng: strong(rng, "0"))

    def odd_records(rng):
        motifs = [make_motif(rng, 4, 0.8)]
        seq = make_sequence(rng, 300, motifs, 10, plant=True, n_runs=1, others=False)
        text = (b">empty\r\n>one base\r\nA\r\n>digits first\r\n10 ACGT\r\n>pct %d %s %%\r\n"
                + seq[:100].encode() + b"\r\n" + seq[100:].lower().encode() + b"\r\n>no letters\r\n\r\n;x\r\n"
                b">last\r\n" + seq[:150].encode())
        return {"files": {"pwm.txt": matrix_file(rng, motifs), "seq.fa": text},
                "runs": [["-i", "seq.fa", "-M", "pwm.txt", "-K", "1", "-L", "10", "-x", "0.3", "-o", "odd"]]}
    add("empty, one-base and unusual records with CRLF", odd_records)

    def append_runs(rng):
        motifs = [make_motif(rng, w, 0.9) for w in (5, 7)]
        records = [(">r%d" % i, make_sequence(rng, 500, motifs, 50, plant=True)) for i in range(3)]
        base = ["-i", "seq.fa", "-M", "pwm.txt", "-K", "2", "-L", "50", "-o", "same"]
        return {"files": {"pwm.txt": matrix_file(rng, motifs), "seq.fa": fasta_file(rng, records)},
                "runs": [base + ["-x", "0.05"], base + ["-x", "0.2", "-r", "0"], ["-x", "0.5"] + base]}
    add("three runs appending to the same files", append_runs)

    def ambiguity(rng):
        motifs = [make_motif(rng, 5, 0.9), make_motif(rng, 3, 0.9)]
        records = [(">noA", "CGTRCGTYCCGSGTWC" * 4), (">Rfirst", "RCGTCGTTGC" * 3),
                   (">withA", make_sequence(rng, 400, motifs, 30, plant=True, others=True)),
                   (">RY", "RYRYRYRYRYRYRY"), (">ACGTR", "ACGTRRRACGTKMACGT" * 5)]
        return {"files": {"pwm.txt": matrix_file(rng, motifs), "seq.fa": fasta_file(rng, records)},
                "runs": [["-i", "seq.fa", "-M", "pwm.txt", "-K", "2", "-L", "30", "-x", "0.3", "-o", "amb"]]}
    add("ambiguity letters, sequences without A", ambiguity)

    def defaults(rng):
        motifs = [make_motif(rng, rng.randint(8, 14), 1.0) for _ in range(3)]
        records = [(">d%d" % i, make_sequence(rng, 3000, motifs, 200, plant=True)) for i in range(2)]
        return {"files": {"pwm.txt": matrix_file(rng, motifs), "seq.fa": fasta_file(rng, records)},
                "runs": [["-i", "seq.fa", "-M", "pwm.txt"]]}
    add("default K, L, rate, strands and base name", defaults)

    def long_lines(rng):
        motifs = [make_motif(rng, 6, 0.9)]
        seq = make_sequence(rng, 12000, motifs, 100, plant=True)
        records = [(">" + "h" * 10500, seq[:3000]), (">second", seq)]
        return {"files": {"pwm.txt": matrix_file(rng, motifs), "seq.fa": fasta_file(rng, records, widths=[0])},
                "runs": [["-i", "seq.fa", "-M", "pwm.txt", "-K", "1", "-L", "100", "-x", "0.05", "-o", "ll"]]}
    add("long header and sequence lines", long_lines)

    def matrix_forms(rng):
        motifs = [make_motif(rng, w, 0.7) for w in (1, 2, 16, 9)]
        records = [(">m%d" % i, make_sequence(rng, n, motifs, 25, plant=True))
                   for i, n in enumerate([1000, 30, 24, 26])]
        return {"files": {"pwm.txt": matrix_file(rng, motifs, crlf=True), "seq.fa": fasta_file(rng, records)},
                "runs": [["-K", "4", "-r", "1", "-M", "pwm.txt", "-L", "25", "-x", "1e-1", "-i", "seq.fa"]]}
    add("matrix widths 1, 2, 16 with CRLF rows", matrix_forms)

    def palindromes(rng):
        # Palindromic and flat motifs score both strands alike: equal options
        # must go to the lower option number (forward before reverse).
        motifs = []
        for cons in ("GAATTC", "ACGT", "AT"):
            rows = []
            for c in cons:
                rows.append(["20" if b == c else "1" for b in BASES])
            motifs.append(Motif(cons, rows, [[0.25] * 4 for _ in cons]))
        motifs.append(Motif("AAAAA", [["1", "1", "1", "1"]] * 5, [[0.25] * 4] * 5))
        records = []
        for i in range(3):
            parts = []
            for _ in range(8):
                parts.append("".join(rng.choice(BASES) for _ in range(rng.randint(5, 60))))
                parts.append(rng.choice(["GAATTC", "ACGT", "ACGTACGT", "GAATTCGAATTC", "ATATAT"]))
            records.append((">pal%d" % i, "".join(parts)))
        return {"files": {"pwm.txt": matrix_file(rng, motifs), "seq.fa": fasta_file(rng, records)},
                "runs": [["-i", "seq.fa", "-M", "pwm.txt", "-K", "4", "-L", "20", "-x", "0.1", "-o", "pal"]]}
    add("palindromic and flat motifs (strand ties)", palindromes)

    def empty_fasta(rng):
        motifs = [make_motif(rng, 6, 0.9) for _ in range(2)]
        return {"files": {"pwm.txt": matrix_file(rng, motifs), "seq.fa": b""},
                "runs": [["-i", "seq.fa", "-M", "pwm.txt", "-K", "2", "-L", "30", "-x", "0.1", "-o", "e"]]}
    add("empty FASTA file", empty_fasta)

    def header_at_eof(rng):
        # The last line is a header without line feed (an empty last record).
        motifs = [make_motif(rng, 6, 0.9)]
        seq = make_sequence(rng, 400, motifs, 40, plant=True)
        text = b">first\r\n" + seq.encode() + b"\r\n>tail\r"
        return {"files": {"pwm.txt": matrix_file(rng, motifs), "seq.fa": text},
                "runs": [["-i", "seq.fa", "-M", "pwm.txt", "-K", "1", "-L", "40", "-x", "0.1", "-o", "eof"]]}
    add("header as the last line, without line feed", header_at_eof)

    return cases


# ---------------------------------------------------------------------------
# Running and comparing
# ---------------------------------------------------------------------------

def write_inputs(directory, files):
    for name, data in files.items():
        with open(os.path.join(directory, name), "wb") as fh:
            fh.write(data)


def result_files(directory, inputs):
    names = []
    for name in sorted(os.listdir(directory)):
        if name in inputs or name == "Velmora":
            continue
        names.append(name)
    return names


def read_bytes(path):
    with open(path, "rb") as fh:
        return fh.read()


def first_difference(a, b):
    la = a.split(b"\n")
    lb = b.split(b"\n")
    for i in range(max(len(la), len(lb))):
        x = la[i] if i < len(la) else None
        y = lb[i] if i < len(lb) else None
        if x != y:
            return i + 1, x, y
    return None


def shorten(line, limit=300):
    if line is None:
        return "<no line>"
    text = repr(line)
    return text if len(text) <= limit else text[:limit] + "..."


def summarise_outputs(directory, names, stats):
    had_modules = had_sites = False
    for name in names:
        data = read_bytes(os.path.join(directory, name))
        if name.endswith("_module.txt"):
            for line in data.split(b"\n"):
                if b"\t[" in line and line.count(b"\t") >= 3:
                    stats["module_lines"] += 1
                    had_modules = True
                elif line.startswith(b"# modules = "):
                    stats["module_count"] += int(line.split(b"=")[1])
        else:
            for line in data.split(b"\n"):
                if b"\tf\t" in line:
                    stats["forward_sites"] += 1
                    had_sites = True
                elif b"\tr\t" in line:
                    stats["reverse_sites"] += 1
                    had_sites = True
    stats["cases_with_modules"] += had_modules
    stats["cases_with_sites"] += had_sites


def keep_case(keep_root, label, case, tool_dir, ref_dir):
    target = os.path.join(keep_root, label)
    if os.path.exists(target):
        shutil.rmtree(target)
    os.makedirs(os.path.join(target, "inputs"))
    write_inputs(os.path.join(target, "inputs"), case["files"])
    for src, sub in ((tool_dir, "tool"), (ref_dir, "reference")):
        os.makedirs(os.path.join(target, sub))
        for name in os.listdir(src):
            if name in case["files"] or name == "Velmora":
                continue
            shutil.copy(os.path.join(src, name), os.path.join(target, sub, name))
    with open(os.path.join(target, "commands.txt"), "w") as fh:
        fh.write("# run in a copy of inputs/, one line per run, in this order\n")
        for words in case["runs"]:
            fh.write(" ".join([ARGV0] + words) + "\n")
    return target


def run_case(args, label, case, stats):
    tool_dir = tempfile.mkdtemp(prefix="velmora-tool-")
    ref_dir = tempfile.mkdtemp(prefix="velmora-ref-")
    problems = []
    try:
        write_inputs(tool_dir, case["files"])
        write_inputs(ref_dir, case["files"])
        os.symlink(os.path.abspath(args.binary), os.path.join(tool_dir, "Velmora"))
        for words in case["runs"]:
            t0 = time.time()
            tool = subprocess.run([ARGV0] + words, cwd=tool_dir, capture_output=True, timeout=300)
            stats["tool_seconds"] += time.time() - t0
            t0 = time.time()
            ref = subprocess.run([sys.executable, REFERENCE, "--argv0", ARGV0] + words, cwd=ref_dir,
                                 capture_output=True, timeout=600)
            stats["reference_seconds"] += time.time() - t0
            stats["runs"] += 1
            if ref.returncode != 0:
                problems.append("reference failed (status %d): %s" % (ref.returncode, ref.stderr.decode(
                    "latin-1", "replace").strip()[-2000:]))
            if tool.returncode != 0:
                problems.append("binary exit status %d, stderr: %s" % (tool.returncode, tool.stderr.decode(
                    "latin-1", "replace").strip()[-500:]))
        tool_names = result_files(tool_dir, case["files"])
        ref_names = result_files(ref_dir, case["files"])
        if tool_names != ref_names:
            problems.append("different result files: binary %s, reference %s" % (tool_names, ref_names))
        for name in ref_names:
            if name not in tool_names:
                continue
            a = read_bytes(os.path.join(tool_dir, name))
            b = read_bytes(os.path.join(ref_dir, name))
            stats["files"] += 1
            stats["bytes"] += len(b)
            if a != b:
                line, x, y = first_difference(a, b)
                problems.append("%s differs, first at line %d:\n      binary:    %s\n      reference: %s"
                                % (name, line, shorten(x), shorten(y)))
        summarise_outputs(ref_dir, ref_names, stats)
        if problems:
            kept = keep_case(args.keep_dir, label, case, tool_dir, ref_dir)
            print("MISMATCH in case %s (%s), seed %d:" % (label, case["what"], args.seed))
            for words in case["runs"]:
                print("    command: %s" % " ".join([ARGV0] + words))
            for p in problems:
                print("    " + p)
            print("    inputs and both outputs kept in %s" % kept)
            sys.stdout.flush()
        return not problems
    finally:
        shutil.rmtree(tool_dir, ignore_errors=True)
        shutil.rmtree(ref_dir, ignore_errors=True)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--binary", required=True, help="path of the built Velmora binary")
    ap.add_argument("--cases", type=int, default=100, help="number of random cases (default 100)")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--keep-dir", default=os.path.abspath("reference-failures"))
    ap.add_argument("--keep-going", action="store_true", help="go on after a mismatching case")
    ap.add_argument("--no-hand-picked", action="store_true")
    ap.add_argument("--only", type=int, default=None, help="run only the case with this index")
    args = ap.parse_args()
    if not os.path.isfile(args.binary):
        print("no binary at %s" % args.binary)
        return 2
    args.keep_dir = os.path.abspath(args.keep_dir)

    plan = []
    hand = hand_picked_cases()
    if not args.no_hand_picked:
        for i, case in enumerate(hand):
            plan.append((-(i + 1), case))
    for index in range(args.cases):
        plan.append((index, None))
    if args.only is not None:
        plan = [(i, c) for i, c in plan if i == args.only]
        if not plan and args.only >= 0:
            plan = [(args.only, None)]

    stats = dict(cases=0, runs=0, files=0, bytes=0, module_lines=0, module_count=0, forward_sites=0,
                 reverse_sites=0, cases_with_modules=0, cases_with_sites=0, tool_seconds=0.0,
                 reference_seconds=0.0)
    failed = []
    start = time.time()
    for index, case in plan:
        if case is None:
            case = random_case(random.Random(args.seed * 1000003 + index))
        label = "seed%d-case%d" % (args.seed, index)
        stats["cases"] += 1
        if not run_case(args, label, case, stats):
            failed.append(label)
            if not args.keep_going:
                break
    print("cases: %d (%s hand-picked), runs: %d, result files compared: %d (%d bytes)"
          % (stats["cases"], 0 if args.no_hand_picked else len(hand), stats["runs"], stats["files"],
             stats["bytes"]))
    print("cases with module lines: %d, module lines: %d, module ends counted: %d"
          % (stats["cases_with_modules"], stats["module_lines"], stats["module_count"]))
    print("cases with sites: %d, forward-strand sites: %d, reverse-strand sites: %d"
          % (stats["cases_with_sites"], stats["forward_sites"], stats["reverse_sites"]))
    print("time: %.1f s (binary %.1f s, reference %.1f s)"
          % (time.time() - start, stats["tool_seconds"], stats["reference_seconds"]))
    if failed:
        print("MISMATCHING CASES: %s" % " ".join(failed))
        return 1
    print("all cases matched")
    return 0


if __name__ == "__main__":
    sys.exit(main())

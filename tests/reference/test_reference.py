#!/usr/bin/env python3
"""Self-checks of reference.py against small hand-worked cases.

Run with plain python3 (no test framework needed):
    python3 tests/reference/test_reference.py
Exit status 0 when every check passes.
"""

import math
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # leave no cache files in the source tree

import reference as R  # noqa: E402

failures = []
checks = 0


def check(name, condition, detail=""):
    global checks
    checks += 1
    if not condition:
        failures.append("%s %s" % (name, detail))
        print("FAIL", name, detail)


def close(a, b, tol=1e-12):
    return abs(a - b) <= tol * max(1.0, abs(a), abs(b))


def ln(x):
    return math.log(x)


# --- text helpers ----------------------------------------------------------

def test_text_helpers():
    check("mid 1,2", R.text_mid("ACGT", 1, 2) == "CG")
    check("mid -3,2", R.text_mid("ACGT", -3, 2) == "AC")
    check("mid 9,1", R.text_mid("ACGT", 9, 1) == "T")
    check("mid 3,2", R.text_mid("ACGT", 3, 2) == "ACGT")
    check("find N ANNA", R.text_find("ANNA", "N") == 1)
    check("find N ACGT", R.text_find("ACGT", "N") == -1)
    check("find ACG in AC", R.text_find("AC", "ACG") == -1)
    check("wordcode A", R.word_code("A") == 0)
    check("wordcode T", R.word_code("T") == 3)
    check("wordcode GA", R.word_code("GA") == 8)
    check("wordcode TT", R.word_code("TT") == 15)
    check("wordcode NC", R.word_code("NC") == 1)
    check("reverse AACGTN", R.reverse_complement("AACGTN") == "NACGTT")
    check("reverse RYSW", R.reverse_complement("RYSW") == "WSRY")
    check("reverse acg", R.reverse_complement("acg") == "gca")
    check("logsum 0 0", R.log_sum(0.0, 0.0) == math.log(2))
    check("logsum -1000 0", R.log_sum(-1000.0, 0.0) == 0.0)
    check("logsum symmetric", R.log_sum(-3.5, -1.25) == R.log_sum(-1.25, -3.5))
    check("read_double tab", R.read_double("\t2.5\r") == 2.5)
    check("read_double empty", R.read_double("") == 0.0)
    check("read_int header", R.read_int(" 12 name") == 12)


# --- matrices and priors ---------------------------------------------------

def test_matrix_rows():
    row = R.normalise_row(R.parse_row("8\t0\t2\t0"))
    want = [0.7945545, 0.0024752, 0.2004950, 0.0024752]
    check("row 8 0 2 0", all(abs(a - b) < 5e-8 for a, b in zip(row, want)), str(row))
    row2 = R.normalise_row(R.parse_row("0.8\t0\t0.2\t0\r"))
    check("row 0.8 0 0.2 0", all(abs(a - b) < 5e-8 for a, b in zip(row2, want)), str(row2))
    row3 = R.parse_row("1\t2\t3\t4\t5")
    check("fifth number ignored", row3 == [1.0, 2.0, 3.0, 4.0])
    check("prior 3/200", R.prior_weights(3, 200) == [0.8 / 200] * 3 + [1 - 0.8 * 3 / 200])
    pw = R.prior_weights(5, 40)
    check("prior 5/40", all(close(x, 0.02) for x in pw[:5]) and close(pw[5], 0.9))

    tmp = tempfile.mkdtemp()
    try:
        path = os.path.join(tmp, "m.txt")
        with open(path, "w") as fh:
            fh.write("some text first\n>2 first\n1\t0\t0\t0\n0\t1\t0\t0\n\n# between\n> 1\n1\t1\t1\t1\n")
        widths, mats = R.read_matrices(path, 2)
        check("matrix widths", widths == [2, 1], str(widths))
        check("matrix flat row", all(close(x, 0.25) for x in mats[1][0]))
    finally:
        shutil.rmtree(tmp)


# --- background model ------------------------------------------------------

def test_background():
    f, t = R.build_background("ACGT")
    check("ACGT freq", f == [0.25] * 4)
    want = [0.0] * 16
    want[R.word_code("AC")] = 1.0
    want[R.word_code("CG")] = 1.0
    want[R.word_code("GT")] = 1.0
    check("ACGT trans", t == want, str(t))
    f, t = R.build_background("AAAA")
    check("AAAA", f == [1.0, 0.0, 0.0, 0.0] and t[0] == 0.75 and t[1:4] == [0.0] * 3)
    f, t = R.build_background("ACNGA")
    check("ACNGA freq", f == [0.5, 0.25, 0.25, 0.0])
    check("ACNGA trans", t[1] == 0.5 and t[8] == 1.0 and t[4:8] == [0.0] * 4)
    f, t = R.build_background("ANA")
    check("ANA", f == [1.0, 0.0, 0.0, 0.0] and t[0:4] == [0.0] * 4)
    f, t = R.build_background("ARC")
    check("ARC", f == [0.5, 0.5, 0.0, 0.0] and t[0] == 1.0 and t[1] == 1.0)
    f, t = R.build_background("RRRR")
    check("RRRR stores 0", f == [0.0] * 4 and t == [0.0] * 16)


# --- position score table --------------------------------------------------

def test_score_table():
    seq = "ACNGT"
    f, t = R.build_background(seq)
    mat = [[[0.7, 0.1, 0.1, 0.1], [0.1, 0.7, 0.1, 0.1]]]
    table, ok = R.score_table(seq, [2], mat, True, f, t)
    I = -2000.0
    want = [
        [I, I, 0.0 + ln(0.25)],
        [0.0 + ln(0.7) + ln(0.7), 0.0 + ln(0.1) + ln(0.1), ln(1.0)],
        [I, I, -1.386],
        [I, I, -1.386],
        [0.0 + ln(0.1) + ln(0.1), 0.0 + ln(0.7) + ln(0.7), ln(1.0)],
    ]
    check("ACNGT table", ok and table == want, str(table))
    table1, ok1 = R.score_table(seq, [2], mat, False, f, t)
    check("ACNGT single strand", ok1 and all(r[1] == I for r in table1)
          and [r[0] for r in table1] == [r[0] for r in want]
          and [r[2] for r in table1] == [r[2] for r in want])
    f, t = R.build_background("NAC")
    tb, ok = R.score_table("NAC", [2], mat, True, f, t)
    check("leading N bg", tb[0][2] == -1.386 and tb[1][2] == -1.386)
    f, t = R.build_background("ACGT")
    tb, ok = R.score_table("ACGT", [4], [[[0.4, 0.3, 0.2, 0.1]] * 4], True, f, t)
    check("palindrome", tb[3][0] == tb[3][1])
    f, t = R.build_background("CGR")
    tb, ok = R.score_table("CGR", [2], mat, True, f, t)
    check("R read as A after G is looked up in a counted pair", ok)
    f, t = R.build_background("RCG")
    tb, ok = R.score_table("RCG", [2], mat, True, f, t)
    check("first base R without any A -> not scanned", not ok)


# --- module likelihood recursion -------------------------------------------

def synthetic_scanner(widths, both, prior, module_length, seq="GACTGACT"):
    return R.SeqScanner(widths, both, prior, module_length, seq)


def test_recursion():
    lq = ln(0.25)
    table = [[-2000.0, -2000.0, lq], [ln(0.1), ln(0.3), lq], [ln(0.1), ln(0.3), lq]]
    s = synthetic_scanner([2], False, [0.25, 0.75], 200)
    out = s.module_forward(table, 2, 3)
    want = [ln(0.1875), ln(0.06015625), ln(0.015966796875)]
    check("recursion forward", all(close(a, b) for a, b in zip(out, want)), str(out))
    s = synthetic_scanner([2], True, [0.25, 0.75], 200)
    out = s.module_forward(table, 2, 3)
    want = [ln(0.1875), ln(0.08515625), ln(0.025341796875)]
    check("recursion both", all(close(a, b) for a, b in zip(out, want)), str(out))
    s = synthetic_scanner([1], True, [0.25, 0.75], 200)
    out = s.module_forward([[0.0, 0.0, lq]], 0, 1)
    check("recursion one base", out == [ln(0.75) + lq])


# --- maximizing scan and posterior decoding on the eight-base example ------

def eight_base_table():
    lq = ln(0.25)
    table = []
    for p in range(8):
        if p == 0:
            f = -2000.0
        elif p == 4:
            f = ln(0.9)
        else:
            f = ln(0.01)
        table.append([f, 123.0, lq])   # reverse column must not be read
    return table


def test_max_scan():
    prior = [0.8 / 3, 1 - 0.8 / 3]
    s = synthetic_scanner([2], False, prior, 3)
    trace = []
    s.max_scan(eight_base_table(), 0.5, trace)
    want = [
        (2, "-4.942068", "-4.852030", "-5.635216", False),
        (3, "-4.870766", "-6.931472", "-6.950207", False),
        (4, "-2.912528", "-9.010913", "-6.378264", True),
        (5, "-2.973140", "-8.457706", "-8.518317", False),
        (6, "-2.968849", "-10.537147", "-10.593468", False),
        (7, "-4.932453", "-12.616589", "-12.003864", True),
    ]
    got = [(j, R.fmt6(a), R.fmt6(b), R.fmt6(c), e) for j, a, b, c, e in trace]
    check("scan table", got == want, str(got))
    check("scan module count", s.module_count == 2)
    check("scan one module", len(s.modules) == 1)
    if s.modules:
        m = s.modules[0]
        check("scan module", (m.start, R.fmt6(m.score), m.sites) == (2, "1.246355", "+1(3)"),
              str((m.start, m.score, m.sites)))
    check("scan site count", s.site_count == [1])


def test_posterior():
    prior = [0.8 / 3, 1 - 0.8 / 3]
    s = synthetic_scanner([2], False, prior, 3)
    trace = []
    s.posterior_scan(eight_base_table(), 0.5, trace)
    got = [(p, R.fmt6(d)) for p, d in trace]
    want = [(7, "-1.174573"), (6, "-0.744252"), (5, "-0.619009"), (2, "-1.159529")]
    check("posterior trace", got == want, str(got))
    check("posterior count", s.module_count == 1)
    if s.modules:
        m = s.modules[0]
        check("posterior module", (m.start, R.fmt6(m.score), m.sites) == (3, "0.538478", "+1(3)"),
              str((m.start, m.score, m.sites)))


# --- site traceback ----------------------------------------------------------

def test_sites():
    lq = ln(0.25)
    table = [[-2000.0, -2000.0, lq], [ln(0.9), ln(0.1), lq], [ln(0.9), ln(0.1), lq], [0.0, 0.0, lq]]
    s = synthetic_scanner([2], False, [0.25, 0.75], 200, "GACT")
    res = s.sample_sites(table, 2, 3)
    check("sites fwd string", res == "+1(1)", res)
    site = s.sites[0][0] if s.sites[0] else None
    check("sites fwd record", site is not None and site.pos == 1 and site.site == "AC" and site.forward
          and close(site.prob, 32 / 61), "" if site is None else str((site.pos, site.site, site.prob)))
    s = synthetic_scanner([2], True, [0.25, 0.75], 200, "GACT")
    res = s.sample_sites(table, 2, 3)
    check("sites both string", res == "+1(0)", res)
    site = s.sites[0][0] if s.sites[0] else None
    check("sites both record", site is not None and site.pos == 0 and site.site == "GA" and site.forward
          and close(site.prob, 36 / 55), "" if site is None else str((site.pos, site.site, site.prob)))
    s = synthetic_scanner([5], True, [0.25, 0.75], 200, "GACT")
    check("window narrower than motif", s.sample_sites(table, 2, 3) == "NULL" and s.site_count == [0])


# --- whole runs ---------------------------------------------------------------

def run_reference(tmp, words):
    cmd = [sys.executable, os.path.join(HERE, "reference.py"), "--argv0", "./Velmora"] + words
    return subprocess.run(cmd, cwd=tmp, capture_output=True).returncode


def read(tmp, name):
    with open(os.path.join(tmp, name), "rb") as fh:
        return fh.read()


def test_whole_run():
    tmp = tempfile.mkdtemp()
    try:
        with open(os.path.join(tmp, "m.txt"), "w") as fh:
            fh.write(">8 site\n")
            for c in "GACCTAGC":
                fh.write("\t".join("10" if b == c else "0" for b in "ACGT") + "\n")
        with open(os.path.join(tmp, "s.fa"), "wb") as fh:
            fh.write(b">a 100%\r\nTTTTTTTTTTGACCTAGCTTTTTTTTTT\r\n>b\nA\n>c\n"
                     b">d\nTTTTTTTTTTGCTAGGTCTTTTTTTTTT")
        words = ["-i", "s.fa", "-M", "m.txt", "-K", "1", "-L", "10", "-x", "0.3", "-o", "r"]
        check("run status", run_reference(tmp, words) == 0)
        mod = read(tmp, "r_module.txt").decode()
        echo = "\n\nVelmora 1.0\n./Velmora " + " ".join(words) + " \n\n"
        check("echo at top", mod.startswith(echo), repr(mod[:80]))
        check("module lines", mod == echo + ">a 100%\t[8,18]\t6.920873\t+1(10)\n"
              ">d\t[8,18]\t9.123745\t-1(10)\n\n# modules = 4\n", repr(mod))
        motif = read(tmp, "r_motif1.txt").decode()
        check("motif file", motif == "\n\nmotif 1\n\n>a 100%\tf\t10\t0.999350\nGACCTAGC\n"
              ">d\tr\t10\t0.999928\nGACCTAGC\n\n # of sites for motif 1 = 2\n", repr(motif))
        # a second run appends
        check("second run status", run_reference(tmp, words) == 0)
        mod2 = read(tmp, "r_module.txt").decode()
        check("second run appends", mod2 == mod + mod)
    finally:
        shutil.rmtree(tmp)

    tmp = tempfile.mkdtemp()
    try:
        with open(os.path.join(tmp, "m.txt"), "w") as fh:
            fh.write(">3\n1\t0\t0\t0\n0\t1\t0\t0\n0\t0\t1\t0\n>2\n1\t1\t1\t1\n1\t1\t1\t1\n")
        with open(os.path.join(tmp, "s.fa"), "w") as fh:
            fh.write(">only\nNNNNNNNNNNNN\n")
        words = ["-i", "s.fa", "-M", "m.txt", "-K", "2", "-L", "10", "-x", "0.0001"]
        check("run N status", run_reference(tmp, words) == 0)
        check("default base name", os.path.exists(os.path.join(tmp, "Output.txt_module.txt")))
        mod = read(tmp, "Output.txt_module.txt").decode()
        check("N-only sequence no module", mod.endswith("\n\n\n# modules = 0\n"), repr(mod))
        m2 = read(tmp, "Output.txt_motif2.txt").decode()
        check("motif 2 file", m2 == "\n\nmotif 2\n\n\n # of sites for motif 2 = 0\n", repr(m2))
    finally:
        shutil.rmtree(tmp)


def main():
    for fn in [test_text_helpers, test_matrix_rows, test_background, test_score_table,
               test_recursion, test_max_scan, test_posterior, test_sites, test_whole_run]:
        fn()
    if failures:
        print("%d of %d checks failed" % (len(failures), checks))
        return 1
    print("all %d checks passed" % checks)
    return 0


if __name__ == "__main__":
    sys.exit(main())

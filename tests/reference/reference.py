#!/usr/bin/env python3
"""Independent, deliberately slow re-statement of what one Velmora run does.

Usage:
    python3 reference.py [--argv0 WORD] <the same words the tool takes>

It reads the same matrix file and FASTA file, and appends to the same result
files (<base>_module.txt and <base>_motif<k>.txt) byte for byte what the C++
tool is expected to append.  Only valid runs are covered: K >= 1, L >= 10,
0 < rate < 1, 0.8 * K < L, readable input files, exactly K matrices of
non-negative rows with a positive sum.  Anything else makes it stop with
exit status 2 so that a comparison never relies on it there.

Every number is an IEEE double; sums start at 0.0 and add their terms in the
order the rules give, and every expression is evaluated left to right as the
rule states it, so that the results agree with the C++ tool to the last bit.
math.log and math.exp call the C library's log and exp.

--argv0 sets the first word of the command-line echo (default ./Velmora).
"""

import math
import os
import re
import sys

IMPOSSIBLE = -2000.0          # score of a site that cannot be there
BG_AT_N = -1.386              # background score of a base touched by N
LOG_HALF = math.log(0.5)
TRACE_CUTOFF = -200.0         # traceback options further below the total count as 0
LOGSUM_CUTOFF = -300.0

BANNER = "\n\nVelmora 1.0\n"


# ---------------------------------------------------------------------------
# Small helpers on texts and numbers
# ---------------------------------------------------------------------------

_CODE = {"A": 0, "C": 1, "G": 2, "T": 3}
_COMPLEMENT = {"A": "T", "C": "G", "G": "C", "T": "A", "R": "Y", "Y": "R", "S": "S", "W": "W"}


def base_code(c):
    """A=0, C=1, G=2, T=3; any other character counts as A."""
    return _CODE.get(c, 0)


def word_code(word):
    """Base-4 number of a word, first character most significant."""
    value = 0
    for c in word:
        value = value * 4 + base_code(c)
    return value


def reverse_complement(word):
    """Reverse the word and complement upper-case A/C/G/T/R/Y/S/W; others copied."""
    return "".join(_COMPLEMENT.get(c, c) for c in reversed(word))


def log_sum(a, b):
    """log(exp(a) + exp(b)) with the -300 cut-off."""
    if a >= b:
        hi, lo = a, b
    else:
        hi, lo = b, a
    if lo - hi > LOGSUM_CUTOFF:
        return hi + math.log(math.exp(lo - hi) + 1)
    return hi


def text_mid(text, start, n):
    """Substring with the program's own clamping rules."""
    length = len(text)
    if start < 0:
        start = 0
    if start >= length:
        start = length - 1
    if start + n > length:
        return text
    return text[start:start + n]


def text_find(text, sub, start=0):
    """First position at or after start where sub occurs, else -1."""
    length = len(text)
    m = len(sub)
    if length < start + m:
        return -1
    for i in range(start, length - m + 1):
        if text_mid(text, i, m) == sub:
            return i
    return -1


_NUMBER_PREFIX = re.compile(r"[ \t\n\v\f\r]*([+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?)")
_INT_PREFIX = re.compile(r"[ \t\n\v\f\r]*([+-]?[0-9]+)")


def read_double(text):
    """Leading decimal number of the text (0 when there is none)."""
    m = _NUMBER_PREFIX.match(text)
    return float(m.group(1)) if m else 0.0


def read_int(text):
    """Leading decimal integer of the text (0 when there is none)."""
    m = _INT_PREFIX.match(text)
    return int(m.group(1)) if m else 0


def fmt6(x):
    return "%.6f" % x


def read_lines(path):
    """Whole lines of a file, each without its line feed, as latin-1 text so
    that every byte comes back unchanged.  A last line without line feed is
    kept; nothing follows a final line feed."""
    with open(path, "rb") as fh:
        data = fh.read().decode("latin-1")
    lines = data.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
        ends = [True] * len(lines)
    else:
        ends = [True] * (len(lines) - 1) + [False]
    return lines, ends


class InvalidRun(Exception):
    pass


# ---------------------------------------------------------------------------
# Weight matrices
# ---------------------------------------------------------------------------

def parse_row(line):
    """Four numbers for A, C, G, T: the first four tab-separated fields."""
    fields = line.split("\t")
    if len(fields) < 4:
        raise InvalidRun("matrix row without four tab-separated fields: %r" % line)
    return [read_double(f) for f in fields[:4]]


def normalise_row(row):
    s = 0.0
    for x in row:
        s = s + x
    if not s > 0 or any(x < 0 for x in row):
        raise InvalidRun("matrix row with a negative number or a zero sum")
    return [(x + 0.0025 * s) / (1.01 * s) for x in row]


def read_matrices(path, motif_num):
    """Returns (widths, matrices); matrix[k][r] is the list of 4 probabilities
    of row r of motif k."""
    lines, _ = read_lines(path)
    widths = []
    raw = []
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        if not line.startswith(">"):
            continue
        width = read_int(line[1:])
        if width <= 0:
            raise InvalidRun("matrix width %d" % width)
        rows = []
        for _ in range(width):
            if i >= len(lines):
                raise InvalidRun("matrix file ends inside a block")
            rows.append(parse_row(lines[i]))
            i += 1
        widths.append(width)
        raw.append(rows)
    if len(widths) != motif_num:
        raise InvalidRun("%d matrices for K = %d" % (len(widths), motif_num))
    matrices = [[normalise_row(r) for r in rows] for rows in raw]
    return widths, matrices


def prior_weights(motif_num, module_length):
    weights = [0.8 / module_length for _ in range(motif_num)]
    weights.append(1 - 0.8 * motif_num / module_length)
    return weights


# ---------------------------------------------------------------------------
# Background model of one sequence
# ---------------------------------------------------------------------------

def build_background(seq):
    """Base frequencies and transition probabilities estimated from seq.
    A division by a zero count stores 0."""
    n = len(seq)
    freq = [0.0, 0.0, 0.0, 0.0]
    trans = [0.0] * 16
    for i in range(n):
        c = seq[i]
        if c == "A" or c == "C" or c == "G" or c == "T":
            freq[base_code(c)] += 1.0
        if i < n - 1:
            pair = text_mid(seq, i, 2)
            if text_find(pair, "N") == -1:
                trans[word_code(pair)] += 1.0
    for a in range(4):
        for b in range(4):
            if freq[a] != 0:
                trans[4 * a + b] = trans[4 * a + b] / freq[a]
            else:
                trans[4 * a + b] = 0.0
    total = 0.0
    for a in range(4):
        total = total + freq[a]
    for a in range(4):
        freq[a] = freq[a] / total if total != 0 else 0.0
    return freq, trans


# ---------------------------------------------------------------------------
# Position score table
# ---------------------------------------------------------------------------

def has_n(text):
    return text_find(text, "N") != -1 or text_find(text, "n") != -1


def score_table(seq, widths, matrices, both, freq, trans):
    """Rows of 2K + 1 scores per position: forward and reverse score of each
    motif for the window ending there, then the background score.
    Returns (table, ok); ok is False when some background probability that is
    looked up is 0 (such a sequence is not scanned)."""
    n = len(seq)
    K = len(widths)
    log_matrix = [[[math.log(p) for p in row] for row in rows] for rows in matrices]
    table = []
    ok = True
    for i in range(n):
        row = [0.0] * (2 * K + 1)
        for j in range(K):
            w = widths[j]
            if i < w - 1:
                row[2 * j] = IMPOSSIBLE
                row[2 * j + 1] = IMPOSSIBLE
                continue
            window = text_mid(seq, i - w + 1, w)
            if has_n(window):
                row[2 * j] = IMPOSSIBLE
                row[2 * j + 1] = IMPOSSIBLE
                continue
            lm = log_matrix[j]
            s = 0.0
            for k in range(w):
                s = s + lm[k][base_code(window[k])]
            row[2 * j] = s
            if both:
                rc = reverse_complement(window)
                s = 0.0
                for k in range(w):
                    s = s + lm[k][base_code(rc[k])]
                row[2 * j + 1] = s
            else:
                row[2 * j + 1] = IMPOSSIBLE
        if i == 0:
            first = seq[0]
            if first == "N" or first == "n":
                row[2 * K] = BG_AT_N
            else:
                p = freq[base_code(first)]
                if p == 0:
                    ok = False
                    row[2 * K] = float("-inf")
                else:
                    row[2 * K] = math.log(p)
        else:
            pair = text_mid(seq, i - 1, 2)
            if has_n(pair):
                row[2 * K] = BG_AT_N
            else:
                p = trans[4 * base_code(pair[0]) + base_code(pair[1])]
                if p == 0:
                    ok = False
                    row[2 * K] = float("-inf")
                else:
                    row[2 * K] = math.log(p)
        table.append(row)
    return table, ok


# ---------------------------------------------------------------------------
# Scanning
# ---------------------------------------------------------------------------

class Site:
    __slots__ = ("motif", "site", "pos", "forward", "prob")

    def __init__(self, motif, site, pos, forward, prob):
        self.motif = motif
        self.site = site
        self.pos = pos
        self.forward = forward
        self.prob = prob


class Module:
    __slots__ = ("sites", "start", "score")

    def __init__(self, sites, start, score):
        self.sites = sites
        self.start = start
        self.score = score


class SeqScanner:
    """Everything that scores one sequence, given its position score table."""

    def __init__(self, widths, both, prior, module_length, seq):
        self.widths = widths
        self.K = len(widths)
        self.both = both
        self.prior = prior
        self.log_prior = [math.log(p) for p in prior]
        self.module_length = module_length
        self.seq = seq
        # Results of this sequence, lists in ascending position order.
        self.modules = []
        self.sites = [[] for _ in range(self.K)]
        self.module_count = 0              # module ends the traceback visited
        self.site_count = [0] * self.K

    # -- forward values of the module model over a stretch -----------------
    def module_forward(self, table, end, length):
        K = self.K
        bgc = 2 * K
        start = end - length + 1
        lp_bg = self.log_prior[K]
        out = [0.0] * length
        out[0] = lp_bg + table[start][bgc]
        for m in range(1, length):
            p = start + m
            k = m + 1
            row = table[p]
            value = row[bgc] + out[m - 1] + lp_bg
            for j in range(K):
                w = self.widths[j]
                if w > k:
                    continue
                if self.both:
                    term = log_sum(row[2 * j], row[2 * j + 1]) + LOG_HALF + self.log_prior[j]
                else:
                    term = row[2 * j] + self.log_prior[j]
                if w < k:
                    term = term + out[m - w]
                value = log_sum(value, term)
            out[m] = value
        return out

    # -- sites inside one module window ------------------------------------
    def sample_sites(self, table, end, length):
        K = self.K
        bgc = 2 * K
        start = end - length + 1
        wmin = min(self.widths)
        lp = self.log_prior
        F = [0.0] * length
        F[0] = table[start][bgc]
        for m in range(1, length):
            row = table[start + m]
            value = F[m - 1] + row[bgc]
            if m + 1 >= wmin:
                value = value + lp[K]
            for j in range(K):
                w = self.widths[j]
                if w > m + 1:
                    continue
                if self.both:
                    t = log_sum(row[2 * j], row[2 * j + 1]) + lp[j] + LOG_HALF
                else:
                    t = lp[j] + row[2 * j]
                if m + 1 > w:
                    t = t + F[m - w]
                value = log_sum(value, t)
            F[m] = value

        n_opt = 2 * K if self.both else K
        result = ""
        new_sites = [[] for _ in range(K)]
        m = length - 1
        while m >= wmin - 1:
            P = [0.0] * (n_opt + 1)
            b = 1.0
            row = table[start + m]
            for o in range(n_opt):
                if self.both:
                    j = o // 2
                    c = o
                else:
                    j = o
                    c = 2 * j
                w = self.widths[j]
                x = lp[j] + row[c]
                if self.both:
                    x = x + LOG_HALF
                if m >= w:
                    d = x + F[m - w]
                elif m == w - 1:
                    d = x
                else:
                    d = F[m] - 2000
                diff = d - F[m]
                if diff < TRACE_CUTOFF:
                    P[o] = 0.0
                else:
                    P[o] = math.exp(d - F[m])
                b = b - P[o]
            P[n_opt] = b
            best = 0
            for e in range(1, n_opt + 1):
                if P[e] > P[best]:
                    best = e
            if best == n_opt:
                m = m - 1
                continue
            if self.both:
                j = best // 2
                forward = best % 2 == 0
            else:
                j = best
                forward = True
            w = self.widths[j]
            self.site_count[j] += 1
            pos = start + m - w + 1
            text = text_mid(self.seq, pos, w)
            if not forward:
                text = reverse_complement(text)
            new_sites[j].insert(0, Site(j, text, pos, forward, P[best]))
            piece = ("+%d(%d)" if forward else "-%d(%d)") % (j + 1, pos)
            result = piece + result
            m = m - w
        # Windows are visited from the end of the sequence backwards, so the
        # sites of this window go in front of those already recorded.
        for j in range(K):
            self.sites[j][0:0] = new_sites[j]
        if result == "":
            result = "NULL"
        return result

    # -- best split into background and modules ----------------------------
    def max_scan(self, table, rate, trace=None):
        n = len(table)
        bgc = 2 * self.K
        fwd = self.module_forward(table, n - 1, n)
        L = min(self.module_length, n)
        module_lp = [0.0] * n
        best = [0.0] * n
        is_end = [False] * n
        s = 0.0
        for i in range(0, L - 1):
            s = s + table[i][bgc]
            best[i] = s
            is_end[i] = False
        log_rate = math.log(rate)
        log_rest = math.log(1 - rate)
        for j in range(L - 1, n):
            if j == L - 1:
                module_lp[j] = fwd[j]
            else:
                module_lp[j] = fwd[j] - fwd[j - L]
            s_bg = log_rest + best[j - 1] + table[j][bgc]
            if j == L - 1:
                s_mod = log_rate + module_lp[j]
            else:
                s_mod = log_rate + best[j - L] + module_lp[j]
            if s_bg > s_mod:
                best[j] = s_bg
                is_end[j] = False
            else:
                best[j] = s_mod
                is_end[j] = True
            if trace is not None:
                trace.append((j, module_lp[j], s_bg, s_mod, is_end[j]))
        # Traceback from the last base.
        pos = n - 1
        while pos >= L - 1:
            if not is_end[pos]:
                pos = pos - 1
                continue
            self.module_count += 1
            text = self.sample_sites(table, pos, L)
            if not text.startswith("N"):
                bg_sum = 0.0
                for p in range(pos - L + 1, pos + 1):
                    bg_sum = bg_sum + table[p][bgc]
                self.modules.insert(0, Module(text, pos - L + 1, module_lp[pos] - bg_sum))
            pos = pos - L

    # -- posterior decoding (offered by the scanner, not used by a run) -----
    def posterior_scan(self, table, rate, trace=None):
        n = len(table)
        bgc = 2 * self.K
        fwd = self.module_forward(table, n - 1, n)
        L = min(self.module_length, n)
        module_lp = [0.0] * n
        total = [0.0] * n
        s = 0.0
        for i in range(0, L - 1):
            s = s + table[i][bgc]
            total[i] = s
        log_rate = math.log(rate)
        log_rest = math.log(1 - rate)
        for j in range(L - 1, n):
            if j == L - 1:
                module_lp[j] = fwd[j]
            else:
                module_lp[j] = fwd[j] - fwd[j - L]
            s_bg = log_rest + total[j - 1] + table[j][bgc]
            if j == L - 1:
                s_mod = log_rate + module_lp[j]
            else:
                s_mod = log_rate + total[j - L] + module_lp[j]
            total[j] = log_sum(s_bg, s_mod)
        pos = n - 1
        while pos >= L - 1:
            if pos == L - 1:
                d = log_rate + module_lp[pos] - total[pos]
            else:
                d = log_rate + module_lp[pos] + total[pos - L] - total[pos]
            if trace is not None:
                trace.append((pos, d))
            if d > -0.6931:
                self.module_count += 1
                text = self.sample_sites(table, pos, L)
                self.modules.insert(0, Module(text, pos - L + 1, math.exp(d)))
                pos = pos - L
            else:
                pos = pos - 1


# ---------------------------------------------------------------------------
# A whole run
# ---------------------------------------------------------------------------

class Run:
    def __init__(self, cmd_line, seq_file, out_file, pwm_file, both, motif_num, module_length, rate):
        self.cmd_line = cmd_line
        self.seq_file = seq_file
        self.out_file = out_file
        self.pwm_file = pwm_file
        self.both = both
        self.K = motif_num
        self.module_length = module_length
        self.rate = rate
        self.module_count = 0
        self.site_count = [0] * motif_num

    def module_path(self):
        return self.out_file + "_module.txt"

    def motif_path(self, k):
        return self.out_file + "_motif%d.txt" % k

    @staticmethod
    def append(path, text):
        with open(path, "ab") as fh:
            fh.write(text.encode("latin-1"))

    def execute(self):
        self.widths, self.matrices = read_matrices(self.pwm_file, self.K)
        self.prior = prior_weights(self.K, self.module_length)
        lines, ends = read_lines(self.seq_file)
        headers_seen = -1
        first = True
        name = ""
        seq = ""
        for line, has_end in zip(lines, ends):
            if line.startswith(">"):
                headers_seen += 1
                if headers_seen > 0:
                    self.process(name, seq, first)
                    first = False
                name = line
                if has_end and name.endswith("\r"):
                    name = name[:-1]
                seq = ""
            else:
                letters = []
                for c in line:
                    if "a" <= c <= "z":
                        letters.append(chr(ord(c) - 32))
                    elif "A" <= c <= "Z":
                        letters.append(c)
                    else:
                        break
                seq = seq + "".join(letters)
        self.process(name, seq, first)
        self.write_summary()

    def process(self, name, seq, first):
        scanner = SeqScanner(self.widths, self.both, self.prior, self.module_length, seq)
        n = len(seq)
        if n >= 2:
            freq, trans = build_background(seq)
            table, ok = score_table(seq, self.widths, self.matrices, self.both, freq, trans)
            if ok:
                scanner.max_scan(table, self.rate)
        self.module_count += scanner.module_count
        for j in range(self.K):
            self.site_count[j] += scanner.site_count[j]
        used_length = min(self.module_length, n)
        out = []
        if first:
            out.append(self.cmd_line)
        for mod in scanner.modules:
            out.append(name)
            out.append("\t[%d,%d]\t%s\t" % (mod.start, mod.start + used_length, fmt6(mod.score)))
            out.append(mod.sites)
            out.append("\n")
        self.append(self.module_path(), "".join(out))
        for k in range(1, self.K + 1):
            out = []
            if first:
                out.append("\n\nmotif %d\n\n" % k)
            for site in scanner.sites[k - 1]:
                out.append(name)
                out.append("\tf\t" if site.forward else "\tr\t")
                out.append("%d\t%s\n" % (site.pos, fmt6(site.prob)))
                out.append(site.site)
                out.append("\n")
            self.append(self.motif_path(k), "".join(out))

    def write_summary(self):
        self.append(self.module_path(), "\n# modules = %d\n" % self.module_count)
        for k in range(1, self.K + 1):
            self.append(self.motif_path(k), "\n # of sites for motif %d = %d\n" % (k, self.site_count[k - 1]))


def parse_command_line(words):
    """words[0] is the program path.  Returns the Run, or raises InvalidRun."""
    cmd = BANNER
    params = {
        "both": True, "seq": "", "out": "Output.txt", "pwm": "",
        "K": 3, "L": 200, "rate": 0.0005,
    }
    for i, word in enumerate(words):
        cmd += word + " "
        if not word.startswith("-") or len(word) < 2:
            continue
        letter = word[1]
        if letter not in "KLMiorx":
            continue
        if i + 1 >= len(words):
            raise InvalidRun("option %s without a value" % word)
        value = words[i + 1]
        if letter == "K":
            params["K"] = int(value)
        elif letter == "L":
            params["L"] = int(value)
        elif letter == "M":
            params["pwm"] = value
        elif letter == "i":
            params["seq"] = value
        elif letter == "o":
            params["out"] = value
        elif letter == "r":
            params["both"] = not value.startswith("0")
        elif letter == "x":
            params["rate"] = float(value)
    cmd += "\n\n"
    K, L, rate = params["K"], params["L"], params["rate"]
    if K < 1 or L < 10 or not (0 < rate < 1) or not (0.8 * K < L):
        raise InvalidRun("parameters outside the valid range")
    if not os.path.isfile(params["seq"]) or not os.path.isfile(params["pwm"]):
        raise InvalidRun("input file missing")
    return Run(cmd, params["seq"], params["out"], params["pwm"], params["both"], K, L, rate)


def main(argv):
    args = argv[1:]
    argv0 = "./Velmora"
    if len(args) >= 2 and args[0] == "--argv0":
        argv0 = args[1]
        args = args[2:]
    try:
        run = parse_command_line([argv0] + args)
        run.execute()
    except InvalidRun as exc:
        sys.stderr.write("reference: not a valid run: %s\n" % exc)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

"""The Python module against the command line: the same numbers, the same
messages, the same records whatever the threads, and an interpreter that
survives Ctrl-C."""
import gzip
import os
import random
import signal
import threading
import warnings

import pytest

import velmora
from conftest import DATA, EXAMPLES

JASPAR = DATA / "jaspar" / "JASPAR2024_CORE_insects_non-redundant_pfms_transfac.txt"


def cli_lines(folder, base, k):
    """The module lines and each motif's site lines of a command-line run."""
    modules = [l for l in (folder / f"{base}_module.txt").read_text().splitlines() if l.startswith(">")]
    motifs = []
    for motif in range(1, k + 1):
        lines = (folder / f"{base}_motif{motif}.txt").read_text().splitlines()
        motifs.append([l for l in lines if l and l != f"motif {motif}" and not l.startswith(" # of sites")])
    return modules, motifs


def python_lines(records, k):
    """The same lines, printed from the module's records as the tool prints them."""
    modules = [f"{r.header}\t[{m.start},{m.end}]\t{m.score:.6f}\t{m.site_string}" for r in records for m in r.modules]
    motifs = [[] for _ in range(k)]
    for r in records:
        for m in r.modules:
            for s in m.sites:
                strand = "f" if s.strand == "+" else "r"
                motifs[s.motif - 1] += [f"{r.header}\t{strand}\t{s.start}\t{s.probability:.6f}", s.bases]
    return modules, motifs


class _quiet(warnings.catch_warnings):
    """Warnings (short records) are the command line's too; not checked here."""

    def __enter__(self):
        super().__enter__()
        warnings.simplefilter("ignore")


def generated_fasta(path, seed=17):
    """Records of random lengths, lines and cases, with runs of N."""
    rng = random.Random(seed)
    with open(path, "w") as out:
        for i in range(12):
            n = rng.choice([0, 1, 30, 400, 1500, 6000])
            seq = "".join(rng.choice("ACGTacgt") for _ in range(n))
            if n > 100:
                at = rng.randrange(n - 60)
                seq = seq[:at] + "N" * 50 + seq[at + 50:]
            width = rng.choice([60, 80, 1000])
            out.write(f">rec{i} some words\n")
            out.writelines(seq[j:j + width] + "\n" for j in range(0, len(seq), width))


GOLDEN = [
    # FASTA, matrix file, L, rate, both strands
    ("one_record.fa", "small3.pwm", 200, 0.0005, True),
    ("three_records.fa", "small3.pwm", 200, 0.0005, True),
    ("short_records.fa", "small3.pwm", 200, 0.0005, True),
    ("eve_stripe2.fa", "fly_bcd_hb_Kr.pwm", 100, 0.01, True),
    ("planted.fa", "planted.pwm", 40, 0.01, True),
    ("planted.fa", "planted.pwm", 40, 0.01, False),
    ("generated.fa", "fly_bcd_hb_Kr.pwm", 60, 0.05, True),
    ("generated.fa", "fly_bcd_hb_Kr.pwm", 60, 0.05, False),
]


def input_path(name, tmp_path):
    if name == "generated.fa":
        generated_fasta(tmp_path / name)
        return tmp_path / name
    return (EXAMPLES / name) if (EXAMPLES / name).exists() else DATA / name


@pytest.mark.parametrize("fasta,pwm,L,rate,both", GOLDEN)
def test_same_numbers_as_the_command_line(run, tmp_path, fasta, pwm, L, rate, both):
    path = input_path(fasta, tmp_path)
    matrices_path = (EXAMPLES / pwm) if (EXAMPLES / pwm).exists() else DATA / pwm
    matrices = velmora.read_matrices(str(matrices_path))
    k = len(matrices)
    run("-i", path, "-M", matrices_path, "-K", k, "-L", L, "-x", rate, "-r", int(both), "-o", "cli")
    scanner = velmora.Scanner(matrices, L=L, rate=rate, both_strands=both, threads=2)
    with _quiet():
        records = list(scanner.scan_fasta(str(path)))
    assert python_lines(records, k) == cli_lines(tmp_path, "cli", k)


def test_dataframes_are_the_result_files(run, tmp_path):
    pd = pytest.importorskip("pandas")
    path = input_path("generated.fa", tmp_path)
    fly = EXAMPLES / "fly_bcd_hb_Kr.jaspar"
    run("-i", path, "-M", fly, "-L", 60, "-x", 0.05, "--bed", "--null", 9, "-o", "cli")
    scanner = velmora.Scanner(velmora.read_matrices(str(fly)), L=60, rate=0.05)
    with _quiet():
        tables = velmora.to_dataframes(scanner.scan_fasta(str(path), null=9))

    def read(name, columns, skip=0):
        return pd.read_csv(tmp_path / name, sep="\t", header=None, names=columns, skiprows=skip,
                           dtype={c: str for c in ("chrom", "name", "strand", "sites", "bases", "note")
                                  if c in columns},
                           keep_default_na=False,
                           na_values={c: [""] for c in columns
                                      if c not in ("chrom", "name", "strand", "sites", "bases", "note")})

    pd.testing.assert_frame_equal(tables.modules, read("cli_modules.bed", velmora.MODULE_P_COLUMNS))
    pd.testing.assert_frame_equal(tables.sites, read("cli_sites.bed", velmora.SITE_COLUMNS))
    pd.testing.assert_frame_equal(tables.records, read("cli_records.tsv", velmora.RECORD_COLUMNS, skip=1))


def test_one_record_with_p_values_is_the_records_line(run, tmp_path):
    eve = EXAMPLES / "eve_stripe2.fa"
    run("-i", eve, "-M", EXAMPLES / "fly_bcd_hb_Kr.pwm", "-L", 100, "-x", 0.01, "--null", 19, "-o", "cli")
    scanner = velmora.Scanner(velmora.read_matrices(str(EXAMPLES / "fly_bcd_hb_Kr.pwm")), L=100, rate=0.01)
    header, bases = eve.read_text().split("\n", 1)
    # The null sequences are drawn from the header as the file gives it.
    record = scanner.scan(bases, name=header[1:], null=19)
    line = (tmp_path / "cli_records.tsv").read_text().splitlines()[1].split("\t")
    assert [record.name, record.length, f"{record.best_window:.6f}", f"{record.p:.6g}", f"{record.p_gumbel:.6g}",
            f"{record.best_module_e:.6g}"] == [line[0], int(line[1]), line[7], line[8], line[9], line[6]]
    assert record.modules[0].p is not None and record.modules[0].e is not None


def test_a_collection_picked_by_name_and_matrices_from_counts(run, tmp_path):
    picked = velmora.read_matrices(str(JASPAR), motifs=["bcd", "hb", "Kr"])
    assert [(m.name, m.id, m.width) for m in picked] == [("bcd", "MA0212.1", 6), ("hb", "MA0049.1", 10),
                                                        ("Kr", "MA0452.3", 9)]
    # The same counts made into matrices by hand scan alike, to the digit.
    rebuilt = [velmora.Matrix(m.counts, name=m.name, id=m.id) for m in picked]
    assert [m.probabilities for m in rebuilt] == [m.probabilities for m in picked]
    run("-i", EXAMPLES / "eve_stripe2.fa", "-M", JASPAR, "--motifs", "bcd,hb,Kr", "-L", 100, "-x", 0.01, "-o", "cli")
    record = velmora.Scanner(rebuilt, L=100, rate=0.01).scan((EXAMPLES / "eve_stripe2.fa").read_text().split("\n", 1)[1],
                                                             name="eve_stripe2")
    modules, motifs = cli_lines(tmp_path, "cli", 3)
    assert [f"[{m.start},{m.end}]\t{m.score:.6f}\t{m.site_string}" for m in record.modules] == [
        l.split("\t", 1)[1] for l in modules]
    assert record.modules[0].sites[0].name == "Kr"


def test_background_as_the_command_line_takes_it(run, tmp_path):
    path = input_path("generated.fa", tmp_path)
    fly = EXAMPLES / "fly_bcd_hb_Kr.pwm"
    run("background", "-i", EXAMPLES / "eve_stripe2.fa", "-o", "eve.bg")
    for background in ("eve.bg", "pooled"):
        base = "cli_" + background.replace(".", "_")
        run("-i", path, "-M", fly, "-L", 60, "-x", 0.05, "--background", background, "-o", base)
        scanner = velmora.Scanner(velmora.read_matrices(str(fly)), L=60, rate=0.05,
                                  background=str(tmp_path / background) if background != "pooled" else background)
        with _quiet():
            records = list(scanner.scan_fasta(str(path)))
        assert python_lines(records, 3) == cli_lines(tmp_path, base, 3)


def test_gzip_input_on_any_number_of_threads(tmp_path):
    path = input_path("generated.fa", tmp_path)
    with open(path, "rb") as plain, gzip.open(tmp_path / "g.fa.gz", "wb") as packed:
        packed.write(plain.read())
    matrices = velmora.read_matrices(str(EXAMPLES / "fly_bcd_hb_Kr.pwm"))

    def scan(threads, name):
        scanner = velmora.Scanner(matrices, L=60, rate=0.05, threads=threads)
        with _quiet():
            return [(r.name, r.best_window, r.p, [(m.start, m.score, m.site_string) for m in r.modules])
                    for r in scanner.scan_fasta(str(name), null=3, seed=7)]

    one = scan(1, path)
    assert one == scan(3, tmp_path / "g.fa.gz") == scan(2, path)
    assert any(modules for *_, modules in one)


BAD = [
    (dict(L=5), "-L 5: the module length must be at least 10 and above 0.8 times K"),
    (dict(L="many"), "option -L expects a whole number, got 'many'"),
    (dict(rate=0.0), "module rate -x must lie strictly between 0 and 1, got 0"),
    (dict(rate=1.5), "module rate -x must lie strictly between 0 and 1, got 1.5"),
    (dict(threads=0), "option -t expects a whole number of threads from 1 to 1024, got '0'"),
    (dict(threads=2000), "option -t expects a whole number of threads from 1 to 1024, got '2000'"),
    (dict(L=12, matrices=15), "-K 15 with -L 12 leaves no weight for background bases (0.8 * K must be below L)"),
    (dict(background=""), "option --background expects a FASTA file, a model file or 'pooled', got ''"),
    (dict(background="nope.fa"), "cannot open background file 'nope.fa': No such file or directory"),
    (dict(matrices=0), "a scanner needs at least one matrix"),
]


@pytest.mark.parametrize("settings,message", BAD)
def test_bad_settings_raise_the_command_line_messages(settings, message):
    matrices = velmora.read_matrices(str(EXAMPLES / "fly_bcd_hb_Kr.pwm"))
    count = settings.pop("matrices", None)
    if count is not None:
        matrices = (matrices * 20)[:count]
    with pytest.raises(ValueError) as raised:
        velmora.Scanner(matrices, **settings)
    assert str(raised.value) == message


BAD_CALLS = [
    (lambda s: s.scan("ACGT", null=-1), "option --null expects a whole number of null sequences from 1 to 1000000, got '-1'"),
    (lambda s: s.scan("ACGT", null=5, seed=-3), "option --seed expects a whole number from 0 to 18446744073709551615, got '-3'"),
    (lambda s: s.scan(">x\nACGT"), "the sequence holds a '>' header line: scan() takes one record's bases; "
                                   "scan_fasta() reads FASTA files"),
    (lambda s: s.scan_fasta("missing.fa"), "cannot open sequence file 'missing.fa': No such file or directory"),
    (lambda s: velmora.read_matrices(str(JASPAR), motifs=["bcd", "nosuch"]), None),
    (lambda s: velmora.Matrix([[1, 2, 3]]), "row 1 has 3 numbers: a row needs four, for A, C, G and T"),
    (lambda s: velmora.Matrix([[1, 2, 3, -4]]), "row 1 holds a negative number; counts and frequencies cannot be"),
    (lambda s: velmora.Matrix([[0, 0, 0, 0]]), "row 1 sums to 0; at least one of A, C, G, T must be positive"),
    (lambda s: velmora.Matrix([]), "a matrix needs 1 to 1000 rows, got 0"),
    (lambda s: velmora.Matrix([[1, 2, float("nan"), 4]]), "row 1 holds a number that is not finite"),
    (lambda s: s.scan("ACGT", name="a\nb"), "a record's name is one line: a\nb"),
]


@pytest.mark.parametrize("call,message", BAD_CALLS)
def test_bad_calls_raise_value_errors(call, message):
    scanner = velmora.Scanner(velmora.read_matrices(str(EXAMPLES / "fly_bcd_hb_Kr.pwm")))
    with pytest.raises(ValueError) as raised:
        call(scanner)
    if message:
        assert str(raised.value) == message
    else:
        assert "nosuch" in str(raised.value)


def test_ctrl_c_leaves_the_interpreter_usable(tmp_path):
    """A notebook's Ctrl-C, in the middle of a long record and between the
    records of a loop: KeyboardInterrupt, and the next scan works."""
    rng = random.Random(3)
    long = "".join(rng.choice("ACGT") for _ in range(3_000_000))
    with open(tmp_path / "many.fa", "w") as out:
        for i in range(40):
            out.write(f">r{i}\n{long[i * 20000:(i + 1) * 20000]}\n")
    matrices = velmora.read_matrices(str(EXAMPLES / "fly_bcd_hb_Kr.pwm"))
    for threads in (1, 2):
        scanner = velmora.Scanner(matrices, threads=threads)
        timer = threading.Timer(0.2, os.kill, (os.getpid(), signal.SIGINT))
        timer.start()
        with pytest.raises(KeyboardInterrupt):
            for _ in range(50):
                scanner.scan(long, null=3)
        timer.cancel()
        seen = 0
        with pytest.raises(KeyboardInterrupt):
            for record in scanner.scan_fasta(str(tmp_path / "many.fa")):
                seen += 1
                if seen == 2:
                    os.kill(os.getpid(), signal.SIGINT)
        assert seen == 2
        again = scanner.scan(long[:5000], name="after")
        assert again.name == "after" and again.length == 5000


def test_numpy_counts_and_bytes_scan_alike():
    np = pytest.importorskip("numpy")
    picked = velmora.read_matrices(str(EXAMPLES / "fly_bcd_hb_Kr.pwm"))
    from_array = [velmora.Matrix(np.array(m.counts)) for m in picked]
    assert [m.probabilities for m in from_array] == [m.probabilities for m in picked]
    bases = (EXAMPLES / "eve_stripe2.fa").read_text().split("\n", 1)[1]
    scanner = velmora.Scanner(from_array, L=100, rate=0.01)
    as_text, as_bytes = scanner.scan(bases), scanner.scan(bases.encode())
    assert [(m.start, m.score, m.site_string) for m in as_text.modules] == [
        (m.start, m.score, m.site_string) for m in as_bytes.modules] != []

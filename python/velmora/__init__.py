"""Velmora from Python: cis-regulatory modules in DNA sequences.

The same scan as the command line, record by record::

    import velmora
    matrices = velmora.read_matrices("motifs.jaspar", motifs=["bcd", "hb", "Kr"])
    scanner = velmora.Scanner(matrices, L=100, rate=0.01)
    for record in scanner.scan_fasta("peaks.fa", null=99):
        for module in record.modules:
            print(record.name, module.start, module.end, module.score)
    modules, sites, records = velmora.to_dataframes(scanner.scan_fasta("peaks.fa"))

Every module window, score, site and probability is the command line's on
the same input and settings; bad settings raise ValueError with its message.
"""

from collections import namedtuple
from io import StringIO

from ._velmora import (
    Matrix,
    Module,
    Record,
    Records,
    Scanner,
    Site,
    benjamini_hochberg,
    read_matrices,
)

__all__ = [
    "Matrix",
    "Module",
    "Record",
    "Records",
    "Scanner",
    "Site",
    "benjamini_hochberg",
    "read_matrices",
    "to_dataframes",
    "Tables",
]
__version__ = "1.0"

# The columns of the result files the DataFrames stand for.
MODULE_COLUMNS = ["chrom", "start", "end", "name", "score", "strand", "module_score", "sites"]
MODULE_P_COLUMNS = MODULE_COLUMNS + ["p", "E"]
SITE_COLUMNS = ["chrom", "start", "end", "name", "score", "strand", "probability", "motif", "bases"]
RECORD_COLUMNS = [
    "name", "length", "scanned", "modules", "sites", "best_module", "best_module_E", "best_window",
    "best_window_p", "best_window_p_gumbel", "best_window_q_gumbel", "note", "description",
]

Tables = namedtuple("Tables", ["modules", "sites", "records"])


def to_dataframes(records, one_based=False):
    """The records as three pandas DataFrames: modules, sites and records.

    Their columns and values are those of BASE_modules.bed, BASE_sites.bed
    and BASE_records.tsv of a command-line run over the same records
    (--bed, --summary; with nulls, the p- and E-value columns, and q-values
    taken over these records). ``records`` is any iterable of Record, such
    as ``scanner.scan_fasta(path)``; ``one_based`` reads chrom:start-end
    headers as --one-based does. Needs pandas.
    """
    import pandas as pd

    modules, sites, lines, p, notes = [], [], [], [], []
    number = 0
    with_p = False
    for record in records:
        module_text, site_text, line, record_p, note, number = record._lines(number, one_based)
        with_p = with_p or record.nulls > 0
        modules.append(module_text)
        sites.append(site_text)
        lines.append(line)
        p.append(record_p)
        notes.append(note)
    # q-values over the records with a p-value, as the records file takes them.
    given = [x for x in p if x is not None]
    q = iter(benjamini_hochberg(given))
    text = "".join(
        line + ("%.6g" % next(q) if x is not None else "") + "\t" + note + "\n"
        for line, x, note in zip(lines, p, notes)
    )

    def table(text, columns, types):
        types = {c: t for c, t in types.items() if c in columns}
        if not text:
            return pd.DataFrame({c: pd.Series(dtype=types.get(c, object)) for c in columns})
        return pd.read_csv(StringIO(text), sep="\t", header=None, names=columns, dtype=types,
                           keep_default_na=False, na_values={c: [""] for c in columns if c not in types})

    text_columns = {"chrom": str, "name": str, "strand": str, "sites": str, "bases": str, "note": str,
                    "description": str}
    return Tables(
        table("".join(modules), MODULE_P_COLUMNS if with_p else MODULE_COLUMNS, text_columns),
        table("".join(sites), SITE_COLUMNS, text_columns),
        table(text, RECORD_COLUMNS, text_columns),
    )

#!/usr/bin/env python3
"""The --svg picture against the result files: it parses as XML (SVG), and
for each input it shows as many module boxes and site marks, with the right
strands, motif names and BED coordinates, as the BED files list, placed
where the record's axis puts those coordinates; no two labels overlap;
records beyond the first 50 with modules are counted in a note and a
warning; --svg-region draws a stretch, --svg-bed a track of known regions.

    svg_check.py VELMORA DATA_DIR
"""
import os
import random
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

NS = "{http://www.w3.org/2000/svg}"
OKABE_ITO = {"#E69F00", "#56B4E9", "#009E73", "#F0E442", "#0072B2", "#D55E00", "#CC79A7", "#333333"}


def text_box(t):
    """A text's extent, estimated from its characters and font size: the
    average sans-serif character is well within 0.6 of the size."""
    size = float(t.get("font-size") or 12)
    width = len(t.text or "") * size * 0.6
    x = float(t.get("x"))
    x -= {"middle": width / 2, "end": width}.get(t.get("text-anchor"), 0)
    y = float(t.get("y"))
    return x, y - size, x + width, y + 0.2 * size


def no_overlapping_text(root):
    boxes = sorted(text_box(t) for t in root.iter(NS + "text"))
    for i, a in enumerate(boxes):
        for b in boxes[i + 1:]:
            if b[0] >= a[2]:
                break
            assert not (b[1] < a[3] and a[1] < b[3]), ("labels overlap", a, b)


def axis_map(g):
    """Pixels of a position on the record's axis, from its first and last ticks."""
    axis = next(a for a in g.iter(NS + "g") if a.get("class") == "axis")
    ticks = [(int(t.text), float(t.get("x"))) for t in axis.iter(NS + "text")]
    assert len(ticks) >= 2, ticks
    assert all(a[0] < b[0] and a[1] < b[1] for a, b in zip(ticks, ticks[1:])), ticks
    (p0, x0), (p1, x1) = ticks[0], ticks[-1]
    scale = (x1 - x0) / (p1 - p0)
    return lambda pos: x0 + (pos - p0) * scale


def place(title):
    """chrom, start, end of the last "chrom:start-end" in a tooltip or title."""
    chrom, start, end = re.findall(r"(\S+):(\d+)-(\d+)", title)[-1]
    return chrom, int(start), int(end)


def run(velmora, workdir, args):
    done = subprocess.run([velmora] + args, cwd=workdir, capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"run failed: {' '.join(args)}\n{done.stderr}")
    return done.stderr


def picture(path):
    root = ET.parse(path).getroot()
    assert root.tag == NS + "svg", root.tag
    rects = list(root.iter(NS + "rect"))
    modules = [r for r in rects if r.get("class") == "module"]
    sites = [r for r in rects if (r.get("class") or "").startswith("site ")]
    legend = [t.text for g in root.iter(NS + "g") if g.get("class") == "legend" for t in g.iter(NS + "text")
              if t.text[0].isdigit()]
    more = [t.text for t in root.iter(NS + "text") if t.get("class") == "more"]
    # Each record's marks sit on its side of the record's line: forward
    # marks end above it, reverse marks start below it, and every mark lies
    # inside a module box of that record.
    for g in root.iter(NS + "g"):
        if g.get("class") != "record":
            continue
        line = float(g.find(NS + "line").get("y1"))
        boxes = [r for r in g.iter(NS + "rect") if r.get("class") == "module"]
        for mark in (r for r in g.iter(NS + "rect") if (r.get("class") or "").startswith("site ")):
            y, h, x = float(mark.get("y")), float(mark.get("height")), float(mark.get("x"))
            if mark.get("class") == "site forward":
                assert y + h <= line, (y, h, line)
            else:
                assert y >= line, (y, line)
            assert any(float(b.get("x")) - 0.01 <= x <= float(b.get("x")) + float(b.get("width")) for b in boxes)
        # Marks, boxes and known regions lie where the axis puts their
        # tooltips' coordinates (those near the line's end are moved in to
        # stay whole; those cut by a region start at its left end).
        at = axis_map(g)
        begin, end = float(g.find(NS + "line").get("x1")), float(g.find(NS + "line").get("x2"))
        for r in g.iter(NS + "rect"):
            x, w = float(r.get("x")), float(r.get("width"))
            _, start, stop = place(r.find(NS + "title").text)
            want = max(begin, at(start))
            assert abs(x - want) < 0.1 or x + w >= end - 0.02, (r.get("class"), x, want)
            assert x + w <= end + 0.02, (x, w, end)
    no_overlapping_text(root)
    return modules, sites, legend, more


def check(velmora, data, workdir, name, args, records_drawn=None):
    base = os.path.join(workdir, name)
    stderr = run(velmora, workdir, args + ["-o", base, "--bed", "--svg", base + ".svg", "-t", "2"])
    modules, sites, legend, more = picture(base + ".svg")
    with open(base + "_modules.bed", errors="replace") as f:
        bed_modules = [line.split("\t") for line in f]
    with open(base + "_sites.bed", errors="replace") as f:
        bed_sites = [line.split("\t") for line in f]
    if records_drawn is None:
        assert len(modules) == len(bed_modules), (name, len(modules), len(bed_modules))
        assert len(sites) == len(bed_sites), (name, len(sites), len(bed_sites))
        # Strands: forward marks above the line, reverse below (sequence
        # coordinates here, so the BED strand is the record's).
        forward = sum(1 for s in sites if s.get("class") == "site forward")
        assert forward == sum(1 for s in bed_sites if s[5] == "+"), name
        # Each mark names its motif, its place and its strand as the BED
        # file does.
        titles = sorted((s.find(NS + "title").text.split(" at ")[0],) + place(s.find(NS + "title").text) +
                        (s.find(NS + "title").text.split("(")[1][0],) for s in sites)
        assert titles == sorted((s[3], s[0], int(s[1]), int(s[2]), s[5]) for s in bed_sites), (name, titles)
        assert sorted(place(m.find(NS + "title").text) for m in modules) == \
            sorted((m[0], int(m[1]), int(m[2])) for m in bed_modules), name
        assert not more, more
        # With --null each module's label and tooltip carry its p-value,
        # the BED file's ninth column; without, neither has one. Every label
        # is its module's; when they are few, every module has one.
        labels = [t.text for t in ET.parse(base + ".svg").getroot().iter(NS + "text")
                  if t.get("class") == "score"]
        want = [f"{float(m[6]):.2f}" + (f", p {float(m[8]):.3g}, E {float(m[9]):.3g}" if len(m) > 8 else "")
                for m in bed_modules]
        assert labels == want or (len(want) > 20 and set(labels) <= set(want)), (name, labels, want)
        assert sorted(m.find(NS + "title").text.split(", score ")[1] for m in modules) == sorted(want), name
    else:
        records = {m[0] for m in bed_modules}
        assert len(records) > records_drawn
        drawn = [g for g in ET.parse(base + ".svg").getroot().iter(NS + "g") if g.get("class") == "record"]
        assert len(drawn) == records_drawn, len(drawn)
        assert more and more[0].startswith(f"{len(records) - records_drawn} more records"), more
        assert "more are not drawn" in stderr, stderr
    return legend


def region_check(velmora, workdir, name, args, region, want_records):
    """--svg-region: only what overlaps the stretch, cut to it."""
    base = os.path.join(workdir, name)
    run(velmora, workdir, args + ["-o", base, "--bed", "--svg", base + ".svg", "--svg-region", region])
    root = ET.parse(base + ".svg").getroot()
    chrom, start, end = place(region)
    with open(base + "_modules.bed") as f:
        inside = [m.split("\t") for m in f if m.split("\t")[0] == chrom]
    inside = [m for m in inside if int(m[1]) < end and start < int(m[2])]
    drawn = [g for g in root.iter(NS + "g") if g.get("class") == "record"]
    assert len(drawn) == want_records, (name, len(drawn))
    boxes = [r for r in root.iter(NS + "rect") if r.get("class") == "module"]
    assert sorted(place(b.find(NS + "title").text) for b in boxes) == \
        sorted((m[0], int(m[1]), int(m[2])) for m in inside), name
    for g in drawn:
        # A record with nothing in the stretch is drawn with a note.
        if not [r for r in g.iter(NS + "rect") if r.get("class") == "module"]:
            assert any(t.text == "no modules in this stretch" for t in g.iter(NS + "text")), name
        ticks = [int(t.text) for a in g.iter(NS + "g") if a.get("class") == "axis" for t in a.iter(NS + "text")]
        assert start <= ticks[0] and ticks[-1] <= end, ticks
        assert place(g.find(NS + "text").text)[1:] == (start, end), g.find(NS + "text").text
    picture(base + ".svg")
    return root


def main():
    velmora, data = os.path.abspath(sys.argv[1]), sys.argv[2]
    examples = os.path.join(data, "..", "..", "examples")
    with tempfile.TemporaryDirectory() as workdir:
        legend = check(velmora, data, workdir, "eve",
                       ["-i", os.path.join(examples, "eve_stripe2.fa"),
                        "-M", os.path.join(examples, "fly_bcd_hb_Kr.jaspar"), "-x", "0.01", "-L", "100"])
        assert legend == ["1 bcd", "2 hb", "3 Kr"], legend
        check(velmora, data, workdir, "planted",
              ["-i", os.path.join(data, "planted.fa"), "-M", os.path.join(data, "planted.pwm"),
               "-L", "40", "-x", "0.01"])
        check(velmora, data, workdir, "planted_p",
              ["-i", os.path.join(data, "planted.fa"), "-M", os.path.join(data, "planted.pwm"),
               "-L", "40", "-x", "0.01", "--null", "19"])
        # 60 records with a module each: the first 50 are drawn.
        many = os.path.join(workdir, "many.fa")
        with open(os.path.join(examples, "eve_stripe2.fa")) as f:
            eve = "".join(f.read().split("\n", 1)[1].split())
        with open(many, "w") as f:
            for i in range(60):
                f.write(f">copy{i} <&\"names\">\n{eve}\n")
        check(velmora, data, workdir, "many",
              ["-i", many, "-M", os.path.join(examples, "fly_bcd_hb_Kr.jaspar"), "-x", "0.01", "-L", "100"],
              records_drawn=50)
        # Names in Latin-1 and broken UTF-8: the picture stays well-formed
        # XML, with U+FFFD for each such byte; real UTF-8 stays as it is.
        latin = os.path.join(workdir, "latin.fa")
        with open(latin, "wb") as f:
            f.write(b">caf\xfc \xc3\xa9t\xc3\xa9 \xed\xa0\x80 \xc0\xaf\n" + eve.encode() + b"\n")
        check(velmora, data, workdir, "latin",
              ["-i", latin, "-M", os.path.join(examples, "fly_bcd_hb_Kr.jaspar"), "-x", "0.01", "-L", "100"])
        texts = [t.text or "" for t in ET.parse(os.path.join(workdir, "latin.svg")).getroot().iter(NS + "text")]
        assert any("caf\ufffd \u00e9t\u00e9 \ufffd\ufffd\ufffd \ufffd\ufffd" in t for t in texts), texts

        # A 30-kb locus named by its interval, one copy on the reverse
        # strand: the enhancer planted every few kb gives many modules, whose
        # labels must not print over each other; tooltips, axis and BED
        # files give genomic positions.
        rng = random.Random(7)
        locus = "".join(rng.choice("ACGT") for _ in range(30000))
        for at in range(1000, 29000, 2500):
            locus = locus[:at] + eve[:400] + locus[at + 400:]
        jaspar = os.path.join(examples, "fly_bcd_hb_Kr.jaspar")
        genomic = os.path.join(workdir, "locus.fa")
        with open(genomic, "w") as f:
            f.write(f">chr2R:9000-39000\n{locus}\n>chr3L:100-30100(-) minus\n{locus}\n")
        crowd = ["-i", genomic, "-M", jaspar, "-x", "0.05", "-L", "100"]
        check(velmora, data, workdir, "locus", crowd)
        root = ET.parse(os.path.join(workdir, "locus.svg")).getroot()
        ticks = [int(t.text) for g in root.iter(NS + "g") if g.get("class") == "axis" for t in g.iter(NS + "text")]
        assert ticks and min(ticks[:3]) >= 9000, ticks
        # A long record is drawn wider than a short one, up to a cap.
        lines = [float(l.get("x2")) - float(l.get("x1")) for l in root.iter(NS + "line") if l.get("class") == "strand"]
        short = [float(l.get("x2")) - float(l.get("x1")) for l in
                 ET.parse(os.path.join(workdir, "planted.svg")).getroot().iter(NS + "line") if l.get("class") == "strand"]
        assert max(short) < min(lines) <= 4000, (short, lines)

        # --svg-region: a stretch of the forward record, of the minus one,
        # and of nothing.
        region_check(velmora, workdir, "region", crowd, "chr2R:15000-21000", 1)
        region_check(velmora, workdir, "region_minus", crowd, "chr3L:5000-6234", 1)
        # A stretch between two modules, of the locus run's BED file.
        with open(os.path.join(workdir, "locus_modules.bed")) as f:
            spans = sorted((int(m.split("\t")[1]), int(m.split("\t")[2])) for m in f if m.startswith("chr2R\t"))
        gap = next((a[1], b[0]) for a, b in zip(spans, spans[1:]) if b[0] - a[1] >= 20)
        root = region_check(velmora, workdir, "region_empty", crowd, f"chr2R:{gap[0]}-{gap[1]}", 1)
        assert not [r for r in root.iter(NS + "rect") if r.get("class") == "module"], "a module in an empty stretch"
        root = region_check(velmora, workdir, "region_none", crowd, "chrX:5-10", 0)
        assert any("no record" in (t.text or "") for t in root.iter(NS + "text")), "no note"

        # No module anywhere: the picture says so and draws no record.
        empty = os.path.join(workdir, "empty.fa")
        with open(empty, "w") as f:
            f.write(">flat\n" + "A" * 600 + "\n>twice\n" + "A" * 600 + "\n")
        base = os.path.join(workdir, "empty")
        run(velmora, workdir, ["-i", empty, "-M", jaspar, "-L", "100", "-o", base, "--svg", base + ".svg"])
        root = ET.parse(base + ".svg").getroot()
        assert not [g for g in root.iter(NS + "g") if g.get("class") == "record"]
        assert any((t.text or "").startswith("no modules") and "2 records" in t.text for t in root.iter(NS + "text"))

        # Known regions: comment, track, browser and blank lines skipped;
        # those on the record's chromosome overlapping it are drawn, in BED
        # coordinates, with their names.
        known = os.path.join(workdir, "known.bed")
        with open(known, "w") as f:
            f.write("# enhancers\ntrack name=known\nbrowser position chr2R:1-2\n\n"
                    "chr2R\t10000\t10500\tstripe_a\nchr2R\t10400\t11000\nchr2R\t1\t50\tbefore\n"
                    "chr2R\t38000\t40000\tacross_end\nchr3L\t200\t900\tother\nchr4\t10000\t10500\tnone\n")
        base = os.path.join(workdir, "known")
        run(velmora, workdir, crowd + ["-o", base, "--svg", base + ".svg", "--svg-bed", known])
        picture(base + ".svg")
        root = ET.parse(base + ".svg").getroot()
        tracks = [[place(r.find(NS + "title").text) for r in g.iter(NS + "rect") if r.get("class") == "known"]
                  for g in root.iter(NS + "g") if g.get("class") == "record"]
        assert tracks == [[("chr2R", 10000, 10500), ("chr2R", 10400, 11000), ("chr2R", 38000, 40000)],
                          [("chr3L", 200, 900)]], tracks
        names = [t.text for t in root.iter(NS + "text") if t.get("class") == "known-name"]
        assert names == ["stripe_a", "chr2R:10400-11000", "across_end", "other"], names
        # Overlapping regions are stacked, not drawn over each other.
        ys = [r.get("y") for r in root.iter(NS + "rect") if r.get("class") == "known"]
        assert ys[0] != ys[1], ys

        # Ten motifs: the first eight in the Okabe-Ito colours, and no two
        # alike once the marker shape is counted.
        many = ["-i", os.path.join(examples, "eve_stripe2.fa"), "-M",
                os.path.join(data, "jaspar", "JASPAR2024_CORE_insects_non-redundant_pfms_transfac.txt"),
                "--motifs", "bcd,hb,Kr,kni,gt,cad,tll,twi,zen,ftz", "-L", "200", "-x", "0.02"]
        base = os.path.join(workdir, "ten")
        run(velmora, workdir, many + ["-o", base, "--svg", base + ".svg"])
        root = ET.parse(base + ".svg").getroot()
        looks = []
        for g in root.iter(NS + "g"):
            if g.get("class") == "motif":
                marker = [e for e in g if e.get("class") == "marker"]
                looks.append((g.find(NS + "rect").get("fill"), marker[0].tag + (marker[0].get("d") or "")[:1]
                              if marker else ""))
        assert len(looks) == 10 and len({f for f, _ in looks[:8]}) == 8 and {f for f, _ in looks[:8]} == OKABE_ITO
        assert len({(f, m[:8]) for f, m in looks}) == 10 and all(m for _, m in looks[8:]), looks
    print("svg pictures match the result files")


if __name__ == "__main__":
    main()

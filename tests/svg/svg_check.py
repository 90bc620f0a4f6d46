#!/usr/bin/env python3
"""The --svg picture against the result files: it parses as XML (SVG), and
for each input it shows as many module boxes and site marks, with the right
strands and motif names, as the BED files list; records beyond the first 50
with modules are counted in a note and a warning.

    svg_check.py VELMORA DATA_DIR
"""
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

NS = "{http://www.w3.org/2000/svg}"


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
        # Each mark names its motif as the BED name column does.
        titles = sorted(s.find(NS + "title").text.split(" at ")[0] for s in sites)
        assert titles == sorted(s[3] for s in bed_sites), (name, titles)
        assert not more, more
        # With --null each module's label and tooltip carry its p-value,
        # the BED file's ninth column; without, neither has one.
        labels = [t.text for t in ET.parse(base + ".svg").getroot().iter(NS + "text")
                  if t.get("font-size") == "10"]
        want = [f"{float(m[6]):.2f}" + (f", p {float(m[8]):.3g}, E {float(m[9]):.3g}" if len(m) > 8 else "")
                for m in bed_modules]
        assert labels == want, (name, labels, want)
        assert all(m.find(NS + "title").text.endswith(w) for m, w in zip(modules, want)), name
    else:
        records = {m[0] for m in bed_modules}
        assert len(records) > records_drawn
        drawn = [g for g in ET.parse(base + ".svg").getroot().iter(NS + "g") if g.get("class") == "record"]
        assert len(drawn) == records_drawn, len(drawn)
        assert more and more[0].startswith(f"{len(records) - records_drawn} more records"), more
        assert "more are not drawn" in stderr, stderr
    return legend


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
    print("svg pictures match the result files")


if __name__ == "__main__":
    main()

#!/usr/bin/env bash
# usage: install_check.sh PYTHON SOURCE_DIR VELMORA_BINARY
#
# The package installs as the README says, with no network: a virtual
# environment of Debian's python3 with its system packages, and
# `pip install --no-build-isolation` from a copy of the checkout. The module
# installed scans the example as the tool does. Skipped (77) where venv,
# pip or pybind11 are missing.
set -euo pipefail
python=$1 source=$2 velmora=$3
for module in venv pip pybind11 setuptools; do
  "$python" -c "import $module" 2>/dev/null || { echo "SKIPPED: $python has no $module (tools/install-deps --python)"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/src"
cp -r "$source"/{pyproject.toml,setup.py,README.md,src,python} "$work/src/"
"$python" -m venv --system-site-packages "$work/venv"
VELMORA_BUILD_JOBS=2 "$work/venv/bin/pip" install --no-build-isolation --no-index --quiet "$work/src" \
  > "$work/pip.log" 2>&1 || { tail -n 30 "$work/pip.log"; echo "FAILED: pip install"; exit 1; }
cd "$work"
"$velmora" -i "$source/examples/eve_stripe2.fa" -M "$source/examples/fly_bcd_hb_Kr.pwm" -x 0.01 -L 100 -o cli --quiet
"$work/venv/bin/python" - "$source" <<'PY'
import sys
import velmora

source = sys.argv[1]
assert "/venv/" in velmora.__file__, velmora.__file__
scanner = velmora.Scanner(velmora.read_matrices(source + "/examples/fly_bcd_hb_Kr.pwm"), L=100, rate=0.01)
got = [f"{r.header}\t[{m.start},{m.end}]\t{m.score:.6f}\t{m.site_string}"
       for r in scanner.scan_fasta(source + "/examples/eve_stripe2.fa") for m in r.modules]
want = [l for l in open("cli_module.txt").read().splitlines() if l.startswith(">")]
assert got == want, (got, want)
print("installed module:", velmora.__file__, "-", len(got), "module as the tool finds it")
PY
echo PASSED

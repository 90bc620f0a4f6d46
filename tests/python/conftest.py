import os
import pathlib
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
DATA = ROOT / "tests" / "data"
EXAMPLES = ROOT / "examples"


@pytest.fixture(scope="session")
def binary():
    """The command-line tool the module is compared with."""
    path = os.environ.get("VELMORA_BINARY")
    if not path or not os.path.exists(path):
        pytest.skip("VELMORA_BINARY does not name the built tool")
    return path


@pytest.fixture
def run(binary, tmp_path):
    """run(*args): the tool in tmp_path; returns the base name's folder."""

    def run(*args):
        done = subprocess.run([binary, *map(str, args), "--quiet"], cwd=tmp_path, capture_output=True, text=True)
        assert done.returncode == 0, done.stderr
        return tmp_path

    return run

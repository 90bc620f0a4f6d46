"""The compiled part of the Python package: the tool's whole core (every
source under src/ but the command line's main) and the bindings, with the
flags that keep its arithmetic the tool's to the last bit. Metadata lives
in pyproject.toml."""
import glob
import os

from pybind11.setup_helpers import ParallelCompile, Pybind11Extension
from setuptools import setup

here = os.path.dirname(os.path.abspath(__file__))
os.chdir(here)
ParallelCompile("VELMORA_BUILD_JOBS", default=0).install()

sources = sorted(
    path
    for path in glob.glob("src/**/*.cpp", recursive=True)
    if path != os.path.join("src", "frontend", "main.cpp") and not path.startswith(os.path.join("src", "frontend", "python"))
)
sources.append(os.path.join("src", "frontend", "python", "VelmoraPython.cpp"))

extension = Pybind11Extension(
    "velmora._velmora",
    sources,
    include_dirs=["src"],
    cxx_std=20,
    libraries=["z"],
    # Never reassociate or contract floating-point arithmetic: the numbers
    # must be the tool's.
    extra_compile_args=["-O2", "-ffp-contract=off", "-fno-fast-math"],
)

setup(ext_modules=[extension], options={"build": {"build_base": "build-python"}})

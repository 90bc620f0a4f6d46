"""Runs the Python module's tests with pytest, or says why it cannot.

    python3 tests/python/run_tests.py [pytest arguments]

Exits 77 (CTest's skip) with the reason when pytest or the built module
cannot be imported; PYTHONPATH must lead to the module (build/python).
"""
import os
import sys

try:
    import pytest
except ImportError:
    print("SKIPPED: pytest is not installed (tools/install-deps --python installs python3-pytest)")
    sys.exit(77)
try:
    import velmora  # noqa: F401
except ImportError as error:
    print(f"SKIPPED: the velmora module cannot be imported ({error}); build it with pybind11 "
          "(tools/install-deps --python)")
    sys.exit(77)
here = os.path.dirname(os.path.abspath(__file__))
sys.exit(pytest.main(["-q", "-p", "no:cacheprovider", here] + sys.argv[1:]))

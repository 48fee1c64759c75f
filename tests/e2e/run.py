#!/usr/bin/env python3
"""Runs the end-to-end tests on one X server and Wine desktop of their own.

    run.py [PATTERN...]   only tests whose id contains one of the patterns
"""
import shutil
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import harness  # noqa: E402


def matching(suite, patterns):
    for test in suite:
        if isinstance(test, unittest.TestSuite):
            yield from matching(test, patterns)
        elif not patterns or any(p in test.id() for p in patterns):
            yield test


def main():
    for needed in (harness.EXE, harness.DRIVER, harness.RECORDER, harness.PLANT):
        if not needed.exists():
            sys.exit(f"missing {needed}: build the Windows preset first")
    loader = unittest.TestLoader()
    suite = loader.discover(str(Path(__file__).resolve().parent), pattern="test_*.py")
    selected = unittest.TestSuite(matching(suite, sys.argv[1:]))
    shutil.rmtree(harness.TEST_OUT, ignore_errors=True)
    harness.DESKTOP = harness.Desktop()
    harness.DESKTOP.start()
    try:
        result = unittest.TextTestRunner(verbosity=2).run(selected)
    finally:
        harness.DESKTOP.stop()
    sys.exit(0 if result.wasSuccessful() and result.testsRun > 0 else 1)


if __name__ == "__main__":
    main()

"""The end-to-end runner's own logic, which needs no Wine: a lane's copy of
the prepared prefix, which tests make a unit and which unit a lane takes
next, what a step is taken to cost, and what a lane reports of a test.

Run by ctest with the unit tests (TARNOVELLE_DESIGNS names the design tables
of that build).
"""
import json
import os
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import harness  # noqa: E402
import run  # noqa: E402


class PrefixCopy(unittest.TestCase):

    def test_a_lane_links_the_system_files_and_copies_what_wine_writes(self):
        with tempfile.TemporaryDirectory() as folder:
            template = Path(folder) / "template"
            system = template / "drive_c" / "windows" / "syswow64"
            system.mkdir(parents=True)
            (template / "dosdevices").mkdir()
            (system / "user32.dll").write_bytes(b"MZ user32")
            (system / "shutdown.exe").write_bytes(b"MZ shutdown")
            (template / "drive_c" / "windows" / "win.ini").write_text("[windows]\n")
            (template / "user.reg").write_text("WINE REGISTRY Version 2\n")
            (template / ".tarnovelle-ready").write_text("2")
            (template / "wineserver").write_text("wine-server-of-the-template")
            os.symlink("../drive_c", template / "dosdevices" / "c:")
            elsewhere = Path(folder) / "elsewhere"  # as z: is /, outside the prefix
            elsewhere.mkdir()
            (elsewhere / "big").write_bytes(b"not to be copied")
            os.symlink(elsewhere, template / "dosdevices" / "z:")
            prefix = Path(folder) / "lane" / "prefix"

            run.copy_prefix(template, prefix)
            for name in ("user32.dll", "shutdown.exe"):
                self.assertTrue(os.path.samefile(system / name,
                                                 prefix / system.relative_to(template) / name))
            for name in ("user.reg", ".tarnovelle-ready", "drive_c/windows/win.ini"):
                with self.subTest(name):
                    self.assertFalse(os.path.samefile(template / name, prefix / name))
                    self.assertEqual((prefix / name).read_bytes(), (template / name).read_bytes())
            self.assertEqual(os.readlink(prefix / "dosdevices" / "c:"), "../drive_c")
            self.assertEqual(os.readlink(prefix / "dosdevices" / "z:"), str(elsewhere))
            self.assertFalse((prefix / "wineserver").exists())

            # Made anew over a lane's old prefix, whose changes stay its own.
            (prefix / "user.reg").write_text("changed by a test\n")
            (prefix / "drive_c" / "work").mkdir()
            run.copy_prefix(template, prefix)
            self.assertEqual((prefix / "user.reg").read_text(), "WINE REGISTRY Version 2\n")
            self.assertEqual((template / "user.reg").read_text(), "WINE REGISTRY Version 2\n")
            self.assertFalse((prefix / "drive_c" / "work").exists())


# Classes of end-to-end tests to put in units; never run (see load_tests).
class Plain(harness.ProgramTest):
    def test_one(self):
        pass

    @harness.quiet
    def test_counted(self):
        pass

    def test_two(self):
        pass


class Scaled(harness.ProgramTest):
    log_pixels = 144

    def test_big(self):
        pass


@harness.quiet
class AllQuiet(harness.ProgramTest):
    def test_timed(self):
        pass


def tests_of(*classes):
    return [test for cls in classes for test in unittest.TestLoader().loadTestsFromTestCase(cls)]


class Units(unittest.TestCase):

    def test_a_class_is_a_unit_and_its_quiet_tests_another_the_longest_first(self):
        past = {f"{__name__}.Scaled.test_big": 50.0, f"{__name__}.Plain.test_one": 5.0}
        units = run.units_of(tests_of(Plain, Scaled, AllQuiet), past)
        self.assertEqual([(u.ids(), u.quiet, u.log_pixels, u.seconds) for u in units], [
            ([f"{__name__}.Scaled.test_big"], False, 144, 50.0),
            ([f"{__name__}.Plain.test_one", f"{__name__}.Plain.test_two"], False, 96,
             5.0 + run.UNKNOWN_SECONDS),
            ([f"{__name__}.Plain.test_counted"], True, 96, run.UNKNOWN_SECONDS),
            ([f"{__name__}.AllQuiet.test_timed"], True, 96, run.UNKNOWN_SECONDS),
        ])

    def test_a_lane_keeps_its_display_scale_while_units_of_it_are_left(self):
        units = run.units_of(tests_of(Plain, Scaled), {f"{__name__}.Scaled.test_big": 50.0})
        units = [u for u in units if not u.quiet]
        first = run.next_unit(units, 96)
        self.assertEqual(first.log_pixels, 96, "the longer unit, at another scale, came first")
        self.assertEqual(run.next_unit(units, 96).log_pixels, 144, "none left at 96")
        self.assertEqual(units, [])


class Steps(unittest.TestCase):

    def test_a_step_costs_the_dearest_of_the_last_ones(self):
        costs = harness.Costs(start=1.5)
        self.assertEqual(costs.step, 1.5, "nothing seen yet: a process start")
        costs.answer(0.3)
        costs.driver(0.9)
        self.assertEqual(costs.step, 0.9)
        self.assertAlmostEqual(costs.ahead(4), 1.0 + 2.0 * 4 * 0.9)
        for _ in range(12):
            costs.driver(0.05)
        self.assertEqual(costs.step, 0.3, "a slow command was not forgotten")


class Reports(unittest.TestCase):

    def test_each_test_is_reported_with_what_it_printed_and_why_it_failed(self):
        class Sample(unittest.TestCase):
            def test_fine(self):
                print("a figure")

            def test_broken_case(self):
                for n in (1, 2):
                    with self.subTest(n=n):
                        self.assertEqual(n, 1)

            @unittest.skip("not here")
            def test_skipped(self):
                pass

        reports = []
        stdout = sys.stdout
        try:
            unittest.TestLoader().loadTestsFromTestCase(Sample).run(
                run.LaneResult(reports.append))
        finally:
            sys.stdout = stdout
        by_name = {r["test"].rsplit(".", 1)[1]: r for r in reports}
        self.assertEqual(by_name["test_fine"]["status"], "ok")
        self.assertEqual(by_name["test_fine"]["output"], "a figure\n")
        self.assertEqual(by_name["test_broken_case"]["status"], "FAIL")
        self.assertIn("(n=2)", by_name["test_broken_case"]["details"][0])
        self.assertEqual(len(by_name["test_broken_case"]["details"]), 1)
        self.assertEqual(by_name["test_skipped"]["status"], "skip")
        json.dumps(reports)  # what a lane writes to the runner


def load_tests(loader, tests, pattern):
    return unittest.TestSuite(loader.loadTestsFromTestCase(case)
                              for case in (PrefixCopy, Units, Steps, Reports))


if __name__ == "__main__":
    unittest.main()

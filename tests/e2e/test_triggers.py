"""Clock, triggers, actions and the warning window, on the real program.

A recorder stands in for the system's shutdown.exe, and decoys of it lie in
the program's own folder and in the current folder. Each test arms the
nearest second the lists allow that leaves time for its own steps.
"""
import datetime
import json
import shutil
import statistics

from harness import (ATTENTION_CLASS, COMMAND1, LABEL2, OUT, RECORDER, UI_TIMEOUT,
                     WARNING_CANCEL, ProgramTest, clock_time, find, info, next_armable,
                     sleep_until, stays, wait_for)

# A 32-bit program sees the system folder as system32; Wine keeps it in syswow64.
SYSTEM_SHUTDOWN = (r"c:\windows\system32\shutdown.exe", r"c:\windows\syswow64\shutdown.exe")
DECOYS = (r"C:\tarnovelle\shutdown.exe", r"C:\work\shutdown.exe")
SECOND = datetime.timedelta(seconds=1)

DELAYS = []  # firing delays seen in this run, in milliseconds


def record_delay(target, created):
    delay = (clock_time(created) - target).total_seconds() * 1000
    DELAYS.append(delay)
    summary = {"samples_ms": [round(d, 1) for d in DELAYS],
               "median_ms": round(statistics.median(DELAYS), 1),
               "worst_ms": round(max(DELAYS), 1)}
    (OUT / "firing-delay.json").write_text(json.dumps(summary, indent=2) + "\n")
    return delay


class Firing(ProgramTest):

    def setUp(self):
        super().setUp()
        for decoy in DECOYS:
            shutil.copy(RECORDER, self.desktop.c_path(decoy))

    def wait_for_warning(self, warn, at):
        """The warning window, which must show during its warning second:
        (hwnd, when the driver first saw it)."""
        found = find(self.desktop, "Attention",
                     (at - datetime.datetime.now()).total_seconds() + UI_TIMEOUT)
        self.assertIsNotNone(found, "no warning window")
        hwnd, seen = found
        seen = clock_time(seen)
        self.assertGreaterEqual(seen, warn, "the warning came before its second")
        self.assertLess(seen, warn + SECOND + SECOND / 2, "the warning came late")
        return hwnd

    def wait_for_records(self, count, at):
        wait_for(lambda: len(self.desktop.records()) >= count,
                 (at - datetime.datetime.now()).total_seconds() + UI_TIMEOUT,
                 f"expected {count} started program(s), saw {self.desktop.records()}")
        return self.desktop.records()

    def check_fired_once(self, at, command_line):
        self.wait_for_records(1, at)
        sleep_until(at + 2 * SECOND)  # the rest of the armed second passes
        records = self.desktop.records()
        self.assertEqual(len(records), 1, records)
        program, line, created, _ = records[0]
        self.assertIn(program.lower(), SYSTEM_SHUTDOWN)
        self.assertEqual(line, command_line)
        delay = record_delay(at, created)
        self.assertGreaterEqual(delay, 0, "started before the armed second")
        self.assertLess(delay, 1000, "started after the armed second")
        self.assertTrue(self.program.alive(), "the program keeps running after a system action")

    def test_shutdown_warns_then_starts_the_system_shutdown_exe_once(self):
        at, warn = self.arm("Shutdown", steps=0)
        hwnd = self.wait_for_warning(warn, at)
        i = info(self.desktop, hwnd)
        self.assertEqual((i["client_w"], i["client_h"]), ("400", "100"))
        self.assertEqual((i["window_w"], i["window_h"]), ("400", "100"))  # no frame
        self.assertTrue(int(i["ex_style"], 16) & 0x80, "not in the taskbar")
        self.assertEqual(i["owner"], "0x0")
        self.shot("warning-window.png", hwnd)
        self.check_fired_once(at, "shutdown.exe -s -t 0")
        # Not cancelled, the warning stays on screen.
        self.assertIsNotNone(find(self.desktop, "Attention", 0.1))

    def test_restart_starts_its_command_line(self):
        at, _ = self.arm("Restard", steps=0)
        self.check_fired_once(at, "shutdown.exe -r -t 0")

    def test_log_off_starts_its_command_line(self):
        at, _ = self.arm("Log Off", steps=0, warning=False)
        self.check_fired_once(at, "shutdown.exe -l")

    def test_one_warning_window_for_its_whole_second(self):
        at, warn = self.arm("Shutdown", steps=0)
        self.wait_for_warning(warn, at)
        sleep_until(warn + 2 * SECOND)
        self.assertEqual(len(self.desktop.windows_of_class(ATTENTION_CLASS, only_visible=False)), 1)

    def test_cancel_on_the_warning_disarms_and_shows_the_main_window(self):
        # Ten seconds between warning and action leave time to click around.
        at, warn = self.arm("Restard", steps=0, warning_lead=10)
        hwnd = self.wait_for_warning(warn, at)
        i = info(self.desktop, hwnd)
        x = int(i["client_x"]) + WARNING_CANCEL[0] + WARNING_CANCEL[2] // 2
        y = int(i["client_y"]) + WARNING_CANCEL[1] + WARNING_CANCEL[3] // 2
        # A click beside the drawn button does nothing.
        self.desktop.xdotool("mousemove", int(i["client_x"]) + 20, int(i["client_y"]) + 90,
                             "click", "1")
        stays(lambda: self.desktop.windows_of_class(ATTENTION_CLASS), 1,
              "a click beside the Cancel button closed the warning")
        self.assertLess(datetime.datetime.now(), at, "too slow to cancel before the time")
        self.desktop.xdotool("mousemove", x, y, "click", "1")
        self.assertEqual(self.desktop.driver("gone", "Attention", UI_TIMEOUT * 1000,
                                             check=False), [])
        self.program.wait_shown("the cancel did not show the main window")
        self.assertEqual(self.program.caption(), "Tarnovelle")
        self.assertTrue(self.program.children()[COMMAND1]["enabled"])
        # The armed second passes and nothing starts, nor does the warning return.
        sleep_until(at + 2 * SECOND)
        self.assertEqual(self.desktop.records(), [])
        self.assertIsNone(find(self.desktop, "Attention", 0.1))
        self.assertTrue(self.program.alive())

    def test_run_file_opens_the_chosen_file_and_the_program_ends(self):
        runme = self.desktop.c_path(r"C:\files\runme.exe")
        shutil.copy(RECORDER, runme)
        hour, minute, second, at, _ = next_armable(self.desktop.ahead(12))
        self.program.choose(hour, minute, second, "Run File...")
        self.program.click(LABEL2)
        self.pick_in_file_dialog(r"C:\files\runme.exe")
        self.press(self.expect_dialog("Attention!"))
        records = self.wait_for_records(1, at)
        program, line, created, _ = records[0]
        self.assertEqual(program.lower(), r"c:\files\runme.exe")
        self.assertGreaterEqual(record_delay(at, created), 0)
        self.assertTrue(self.program.wait_exit(), "the program did not end")
        self.assertEqual(len(self.desktop.records()), 1)

    def test_without_a_system_shutdown_exe_the_error_report_ends_the_program(self):
        self.desktop.install_system_shutdown(False)
        try:
            at, _ = self.arm("Shutdown", steps=0, warning=False)
            box = self.expect_dialog(
                "Tarnovelle", (at - datetime.datetime.now()).total_seconds() + UI_TIMEOUT)
            self.assertEqual(len(box["texts"]), 1)
            self.assertRegex(box["texts"][0],
                             r"^Run-time error '53':\\n\\nFile not found: .*shutdown\.exe$")
            self.assertEqual(len(box["icons"]), 1)
            self.assertEqual(self.desktop.icon_kind(box), "hand")
            self.shot("error-report.png", box["hwnd"])
            # One report, however many ticks the armed second had.
            sleep_until(at + 2 * SECOND)
            self.assertEqual(len(self.desktop.windows_of_class("#32770")), 1)
            self.press(box)
            self.assertTrue(self.program.wait_exit(), "the program did not end")
            self.assertEqual(self.desktop.records(), [], "a decoy ran")
        finally:
            self.desktop.install_system_shutdown(True)

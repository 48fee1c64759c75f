"""Clock, triggers, actions and the warning window, on the real program.

A recorder stands in for the system's shutdown.exe, and decoys of it lie in
the program's own folder and in the current folder. Each test arms the
nearest second the lists allow, so no test waits much longer than needed.
"""
import datetime
import json
import shutil
import statistics
import time

from harness import (COMMAND1, LABEL2, OUT, RECORDER, ProgramTest, next_armable)

# A 32-bit program sees the system folder as system32; Wine keeps it in syswow64.
SYSTEM_SHUTDOWN = (r"c:\windows\system32\shutdown.exe", r"c:\windows\syswow64\shutdown.exe")
DECOYS = (r"C:\tarnovelle\shutdown.exe", r"C:\work\shutdown.exe")
WARNING_CANCEL = (104, 56, 185, 41)   # the warning window's click area, client pixels

DELAYS = []  # firing delays seen in this run, in milliseconds


def seconds_of_day(clock):
    h, m, s = clock.split(":")
    return int(h) * 3600 + int(m) * 60 + float(s)


def record_delay(target, created):
    delay = (seconds_of_day(created) - seconds_of_day(target.strftime("%H:%M:%S"))) * 1000
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

    def arm(self, action, warning=True):
        hour, minute, second, at, warn = next_armable(warning=warning, margin=2.5)
        self.program.choose(hour, minute, second, action)
        if warning:
            self.program.click(LABEL2)
        else:
            self.desktop.xdotool("key", "space")  # Command1 has the focus
        self.press(self.expect_dialog("Attention!"))
        return at, warn

    def wait_for_warning(self, warn, at):
        lines = self.desktop.driver("find", "Attention",
                                    int((at - datetime.datetime.now()).total_seconds() * 1000),
                                    "visible", check=False)
        self.assertIsNotNone(lines, "no warning window before the armed time")
        seen = datetime.datetime.now()
        return lines[0], seen

    def wait_for_records(self, count, timeout):
        self.wait_until(lambda: len(self.desktop.records()) >= count, timeout,
                        f"expected {count} started program(s), saw {self.desktop.records()}")
        return self.desktop.records()

    def check_fired_once(self, at, command_line):
        records = self.wait_for_records(1, (at - datetime.datetime.now()).total_seconds() + 3)
        time.sleep(1.2)  # the rest of the armed second passes
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
        at, warn = self.arm("Shutdown")
        hwnd, seen = self.wait_for_warning(warn, at)
        ahead = (at - seen).total_seconds()
        self.assertGreaterEqual(ahead, 4.9)
        self.assertLessEqual(ahead, 10.1)
        i = self.desktop.driver("info", hwnd)
        i = dict(line.split("=", 1) for line in i)
        self.assertEqual((i["client_w"], i["client_h"]), ("400", "100"))
        self.assertEqual((i["window_w"], i["window_h"]), ("400", "100"))  # no frame
        self.assertTrue(int(i["ex_style"], 16) & 0x80, "not in the taskbar")
        self.assertEqual(i["owner"], "0x0")
        time.sleep(0.5)
        self.shot("warning-window.png")
        self.check_fired_once(at, "shutdown.exe -s -t 0")
        # Not cancelled, the warning stays on screen.
        self.assertIsNotNone(self.desktop.driver("find", "Attention", 100, "visible",
                                                 check=False))

    def test_restart_starts_its_command_line(self):
        at, _ = self.arm("Restard")
        self.check_fired_once(at, "shutdown.exe -r -t 0")

    def test_log_off_starts_its_command_line(self):
        at, _ = self.arm("Log Off", warning=False)
        self.check_fired_once(at, "shutdown.exe -l")

    def test_one_warning_window_for_its_whole_second(self):
        at, warn = self.arm("Shutdown")
        self.wait_for_warning(warn, at)
        time.sleep(1.2)
        windows = [w for w in self.desktop.driver("windows")
                   if w.split("\t")[2] == "TarnovelleAttention"]
        self.assertEqual(len(windows), 1, windows)

    def test_cancel_on_the_warning_disarms_and_shows_the_main_window(self):
        at, warn = self.arm("Restard")
        hwnd, _ = self.wait_for_warning(warn, at)
        time.sleep(0.3)
        i = dict(line.split("=", 1) for line in self.desktop.driver("info", hwnd))
        x = int(i["client_x"]) + WARNING_CANCEL[0] + WARNING_CANCEL[2] // 2
        y = int(i["client_y"]) + WARNING_CANCEL[1] + WARNING_CANCEL[3] // 2
        # A click beside the drawn button does nothing.
        self.desktop.xdotool("mousemove", int(i["client_x"]) + 20, int(i["client_y"]) + 90,
                             "click", "1")
        time.sleep(0.3)
        self.assertIsNotNone(self.desktop.driver("find", "Attention", 100, "visible",
                                                 check=False))
        self.desktop.xdotool("mousemove", x, y, "click", "1")
        self.assertEqual(self.desktop.driver("gone", "Attention", 3000, check=False), [])
        self.assertTrue(self.program.visible())
        self.assertEqual(self.program.caption(), "Tarnovelle")
        self.assertTrue(self.program.children()[COMMAND1]["enabled"])
        # The armed second passes and nothing starts, nor does the warning return.
        wait = (at - datetime.datetime.now()).total_seconds() + 1.5
        time.sleep(max(wait, 0))
        self.assertEqual(self.desktop.records(), [])
        self.assertIsNone(self.desktop.driver("find", "Attention", 100, "visible", check=False))
        self.assertTrue(self.program.alive())

    def test_run_file_opens_the_chosen_file_and_the_program_ends(self):
        runme = self.desktop.c_path(r"C:\files\runme.exe")
        shutil.copy(RECORDER, runme)
        hour, minute, second, at, warn = next_armable(margin=4)
        self.program.choose(hour, minute, second, "Run File...")
        self.program.click(LABEL2)
        self.pick_in_file_dialog(r"C:\files\runme.exe")
        self.press(self.expect_dialog("Attention!"))
        records = self.wait_for_records(1, (at - datetime.datetime.now()).total_seconds() + 4)
        program, line, created, _ = records[0]
        self.assertEqual(program.lower(), r"c:\files\runme.exe")
        self.assertGreaterEqual(record_delay(at, created), 0)
        self.assertTrue(self.program.wait_exit(5), "the program did not end")
        self.assertEqual(len(self.desktop.records()), 1)

    def test_without_a_system_shutdown_exe_the_error_report_ends_the_program(self):
        self.desktop.install_system_shutdown(False)
        try:
            at, _ = self.arm("Shutdown", warning=False)
            box = self.expect_dialog(
                "Tarnovelle", int((at - datetime.datetime.now()).total_seconds() * 1000) + 3000)
            self.assertEqual(len(box["texts"]), 1)
            self.assertRegex(box["texts"][0],
                             r"^Run-time error '53':\\n\\nFile not found: .*shutdown\.exe$")
            self.assertEqual(len(box["icons"]), 1)
            self.shot("error-report.png")
            time.sleep(1.0)
            # One report, however many ticks the armed second had.
            boxes = [w for w in self.desktop.driver("windows")
                     if w.split("\t")[2] == "#32770" and w.split("\t")[3] == "visible"]
            self.assertEqual(len(boxes), 1, boxes)
            self.press(box)
            self.assertTrue(self.program.wait_exit(5), "the program did not end")
            self.assertEqual(self.desktop.records(), [], "a decoy ran")
        finally:
            self.desktop.install_system_shutdown(True)

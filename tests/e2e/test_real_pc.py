"""What a real PC asks of the armed program, on the real program: a second
that no tick showed is not lost, a time the machine slept through is not
acted on but told, the warning is seen above the user's work, a refused
action is reported, any file name can be run, and a shutdown armed with a
warning is told a minute ahead."""
import datetime
import os
import shutil
import signal
import subprocess

from harness import (COMBO1, COMBO2, COMBO3, COMMAND1, DRIVER, LABEL2, OUT, RECORDER,
                     TRAY_CALLBACK, TRAY_ICON, UI_TIMEOUT, WM_CLOSE, ProgramTest, balloon,
                     clock_time, find, info, next_armable, sleep_until, stays, typing, wait_for)
from test_tray import TrayUser

SECOND = datetime.timedelta(seconds=1)
REFUSED = "The action could not be carried out: shutdown.exe -s -t 0 ended with code 1190"
# A beat this late after it was due means the machine slept (scheduler/clock_text.h).
LONGEST_STALL = 60 * SECOND
WM_POWERBROADCAST = 0x0218
PBT_APMRESUMEAUTOMATIC = 0x0012
SLEPT_THROUGH = "The computer was asleep at the set time, so nothing was done. Still set for {}."
NOTICE = "The computer will shut down at {}. Click here for 15 more minutes, or cancel from this icon's menu."
NOTICE_LEAD = 60 * SECOND
POSTPONED = "Postponed: the computer will shut down at {}."
NIN_BALLOONUSERCLICK = 0x0405
# Armed at least this far ahead, a shutdown gets the notice.
NOTICE_ARMED_AHEAD = 90
# Wine's notification area makes a balloon two seconds after it is asked
# for one (BALLOON_CREATE_TIMEOUT in its explorer's systray.c).
WINE_BALLOON_DELAY = 2 * SECOND


class RealPc(ProgramTest):

    def stalled(self, start, end):
        """Stops the program's process from `start` until `end` (datetimes),
        as a machine too busy to run it would; the time it went on again."""
        self.assertLess(datetime.datetime.now(), start, "too slow to stop the program in time")
        sleep_until(start)
        os.kill(self.program.process.pid, signal.SIGSTOP)
        try:
            sleep_until(end)
        finally:
            os.kill(self.program.process.pid, signal.SIGCONT)
        return datetime.datetime.now()

    def wait_for_records(self, count, at):
        return wait_for(lambda: len(self.desktop.records()) >= count and self.desktop.records(),
                        (at - datetime.datetime.now()).total_seconds() + UI_TIMEOUT,
                        f"expected {count} started program(s), saw {self.desktop.records()}")

    def test_an_armed_second_no_tick_saw_still_starts_the_action_once(self):
        at, _ = self.arm("Shutdown", steps=1, warning=False, later=2)
        resumed = self.stalled(at - 2 * SECOND, at + 3 * SECOND)
        records = self.wait_for_records(1, resumed)
        program, line, created, _ = records[0]
        self.assertEqual(line, "shutdown.exe -s -t 0")
        # Started once the program ran again, not a day later.
        started = clock_time(created)
        self.assertGreaterEqual(started, at + 3 * SECOND - SECOND / 2)
        print(f"\n  started {(started - resumed).total_seconds():.2f} s after the program went on")
        sleep_until(started + 2 * SECOND)
        self.assertEqual(len(self.desktop.records()), 1)
        self.assertTrue(self.program.alive())

    def test_a_warning_second_no_tick_saw_still_shows_the_warning(self):
        at, warn = self.arm("Restard", steps=1, warning_lead=10, later=2)
        resumed = self.stalled(warn - 2 * SECOND, warn + 3 * SECOND)
        found = find(self.desktop, "Attention", (at - resumed).total_seconds())
        self.assertIsNotNone(found, "no warning before the action")
        self.assertLess(clock_time(found[1]), at)
        records = self.wait_for_records(1, at)
        self.assertEqual(records[0][1], "shutdown.exe -r -t 0")
        self.assertGreaterEqual(clock_time(records[0][2]), at)

    def test_a_time_slept_through_is_told_by_a_balloon_and_nothing_is_done(self):
        at, warn = self.arm("Shutdown", steps=2)
        caption = self.program.caption()
        self.assertEqual(caption, "Tarnovelle - At: " + at.strftime("%H:%M:%S"))
        # Hidden, the program next wakes for the warning's second: it goes on
        # more than a stall's length after that, past both seconds, and is
        # told of the resume, as after a sleep.
        self.stalled(warn - 2 * SECOND, warn + LONGEST_STALL + 3 * SECOND)
        self.desktop.driver("send", self.program.hwnd, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0)
        found = balloon(self.desktop, SLEPT_THROUGH.format(at.strftime("%H:%M:%S")), UI_TIMEOUT)
        self.assertIsNotNone(found, "no balloon told of it")
        shown = found[0]
        self.desktop.screenshot(OUT / "slept-through-balloon.png")
        # From the program's icon: just above it, its stem pointing down at it.
        left, top = int(shown["window_x"]), int(shown["window_y"])
        self.assertLessEqual(left, TRAY_ICON[0])
        self.assertLess(TRAY_ICON[0], left + int(shown["window_w"]))
        self.assertLess(TRAY_ICON[1] - 40, top + int(shown["window_h"]))
        self.assertLessEqual(top + int(shown["window_h"]), TRAY_ICON[1])
        # Nothing done, and the schedule stands.
        stays(lambda: self.desktop.records() == [], 3, "the action ran on waking")
        self.assertEqual(self.program.caption(), caption)
        self.assertFalse(self.program.visible())
        self.assertIsNone(find(self.desktop, "Attention", 0), "a warning was shown on waking")

    def test_the_warning_shows_above_a_maximised_window_in_the_foreground(self):
        # The other program starts (a Wine process) and takes the
        # foreground before the warning comes.
        at, warn = self.arm("Shutdown", steps=3, later=2 * self.desktop.costs.start)
        cover = subprocess.Popen(["wine", str(DRIVER), "cover", "Busy"], env=self.desktop.env,
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            busy = find(self.desktop, "Busy", UI_TIMEOUT)[0]
            wait_for(lambda: self.desktop.driver("focus", busy)[0].split("\t")[2] == busy,
                     UI_TIMEOUT, "the other program did not come to the foreground")
            found = find(self.desktop, "Attention",
                         (at - datetime.datetime.now()).total_seconds() + UI_TIMEOUT)
            self.assertIsNotNone(found, "no warning window")
            hwnd = found[0]
            i = info(self.desktop, hwnd)
            self.assertTrue(int(i["ex_style"], 16) & 0x8, "the warning is not topmost")
            x = int(i["window_x"]) + int(i["window_w"]) // 2
            y = int(i["window_y"]) + int(i["window_h"]) // 2
            self.assertEqual(self.desktop.driver("at", x, y), [hwnd],
                             "another window covers the warning")
            # Centred on the monitor the user works on.
            left, top, right, bottom = map(int, self.desktop.driver("monitor", x, y)[0].split())
            self.assertLessEqual(abs(x - (left + right) // 2), 1)
            self.assertLessEqual(abs(y - (top + bottom) // 2), 1)
            self.shot("warning-over-a-window.png", hwnd)
        finally:
            self.desktop.driver("post", busy, WM_CLOSE, 0, 0, check=False)
            cover.wait(UI_TIMEOUT)

    def test_a_refused_action_is_reported_and_the_program_is_ready_again(self):
        self.desktop.c_path(r"C:\record\exit-code.txt").write_text("1190")
        at, _ = self.arm("Shutdown", steps=0, warning=False)
        box = self.expect_dialog("Tarnovelle",
                                 (at - datetime.datetime.now()).total_seconds() + UI_TIMEOUT)
        self.assertEqual(box["texts"], [REFUSED])
        self.assertEqual(box["buttons"], ["OK"])
        self.assertEqual(self.desktop.icon_kind(box), "exclamation")
        self.assertEqual(len(self.desktop.records()), 1)
        self.shot("refusal-message.png", box["hwnd"])
        self.press(box)
        self.program.wait_shown("the main window did not come back")
        self.assertEqual(self.program.caption(), "Tarnovelle")
        self.assertTrue(self.program.children()[COMMAND1]["enabled"])

    def test_a_file_named_outside_the_code_page_is_opened_at_the_time(self):
        name = "Ωμέγα 日本.exe"
        shutil.copy(RECORDER, self.desktop.c_path("C:\\files\\") / name)
        folder = "C:\\files\\"
        hour, minute, second, at, _ = next_armable(self.desktop.ahead(16) + typing(folder))
        self.program.choose(hour, minute, second, "Run File...")
        self.program.click(LABEL2)
        picker = self.expect_dialog("Select the file to run...")
        # As a user picks it: into its folder, then a double click on it.
        wait_for(lambda: self.desktop.driver("focus", picker["hwnd"])[0].split("\t")[1] == "Edit",
                 UI_TIMEOUT, "the file name field did not get the focus")
        self.desktop.xdotool("type", "--delay", "20", folder)
        self.desktop.xdotool("key", "Return")
        # (The file list may not be made yet.)
        wait_for(lambda: self.desktop.driver("files", picker["hwnd"], check=False) == ["1"],
                 UI_TIMEOUT, "the dialog did not show the folder")
        view = next(line.split("\t") for line in self.desktop.driver("children", picker["hwnd"])
                    if line.split("\t")[1] == "SHELLDLL_DefView")
        i = info(self.desktop, picker["hwnd"])
        self.desktop.xdotool("mousemove", int(i["client_x"]) + int(view[4]) + 30,
                             int(i["client_y"]) + int(view[5]) + 10,
                             "click", "--repeat", "2", "--delay", "80", "1")
        self.press(self.expect_dialog("Attention!"))
        records = self.wait_for_records(1, at)
        self.assertEqual(records[0][0], "C:\\files\\" + name)
        self.assertGreaterEqual(clock_time(records[0][2]), at)
        self.assertTrue(self.program.wait_exit(), "the program did not end")


class MinuteNotice(ProgramTest):
    """A minute's notice before a shutdown armed through Set Action about a
    hundred seconds ahead, and nothing else changed."""

    def assert_within_its_second(self, seen, second, what):
        self.assertGreaterEqual(seen, second, f"{what} came before its second")
        self.assertLess(seen, second + SECOND + SECOND / 2, f"{what} came late")

    def test_a_balloon_tells_a_minute_ahead_then_the_warning_and_the_shutdown_come_once(self):
        at, warn = self.arm("Shutdown", steps=1, later=NOTICE_ARMED_AHEAD)
        notice = at - NOTICE_LEAD
        found = balloon(self.desktop, NOTICE.format(at.strftime("%H:%M:%S")),
                        (notice - datetime.datetime.now()).total_seconds() + UI_TIMEOUT)
        self.assertIsNotNone(found, "no notice a minute before")
        asked = found[1] - WINE_BALLOON_DELAY  # by then the program asked for it
        print(f"\n  notice asked for {(asked - notice).total_seconds():.2f} s into its second")
        self.assert_within_its_second(asked, notice, "the notice")
        warning = find(self.desktop, "Attention",
                       (at - datetime.datetime.now()).total_seconds() + UI_TIMEOUT)
        self.assertIsNotNone(warning, "no warning window")
        self.assert_within_its_second(clock_time(warning[1]), warn, "the warning")
        wait_for(self.desktop.records, (at - datetime.datetime.now()).total_seconds() + UI_TIMEOUT,
                 "the shutdown did not start")
        sleep_until(at + 2 * SECOND)  # the rest of the armed second passes
        records = self.desktop.records()
        self.assertEqual([r[1] for r in records], ["shutdown.exe -s -t 0"])
        self.assertGreaterEqual(clock_time(records[0][2]), at)


class MinuteNoticeClicked(TrayUser):
    """A click on the notice gives fifteen more minutes (a class of its own
    so that a lane runs it beside the others)."""

    def test_a_click_on_the_notice_moves_the_time_fifteen_minutes_on(self):
        at, _ = self.arm("Shutdown", steps=1, later=NOTICE_ARMED_AHEAD)
        self.assertIsNotNone(
            balloon(self.desktop, NOTICE.format(at.strftime("%H:%M:%S")),
                    (at - NOTICE_LEAD - datetime.datetime.now()).total_seconds() + UI_TIMEOUT),
            "no notice a minute before")
        self.desktop.screenshot(OUT / "notice-balloon.png")
        # Wine relays no click on a balloon: the shell's message for one, as
        # it sends it for an icon like this one (the event in lParam).
        self.desktop.driver("post", self.program.hwnd, TRAY_CALLBACK, 1, NIN_BALLOONUSERCLICK)
        later = (at + 15 * 60 * SECOND).strftime("%H:%M:%S")
        self.assertIsNotNone(balloon(self.desktop, POSTPONED.format(later), UI_TIMEOUT),
                             "no balloon told of the new time")
        self.desktop.screenshot(OUT / "postponed-balloon.png")
        self.assertEqual(self.program.caption(), "Tarnovelle - At: " + later)
        lists = self.program.children()
        self.assertEqual([lists[c]["text"] for c in (COMBO1, COMBO2, COMBO3)], later.split(":"))
        self.assertIsNone(find(self.desktop, "Attention",
                               (at - datetime.datetime.now()).total_seconds() + 2),
                          "a warning came for the old time")
        self.assertEqual(self.desktop.records(), [], "the old time still started the action")
        self.right_click_icon()
        self.click_menu_item(1)  # Cancel
        self.program.wait_shown("Cancel did not show the window")
        self.assertEqual(self.program.caption(), "Tarnovelle")


class MinuteNoticeShortPath(ProgramTest):
    """Set Shutdown arms without a warning, and so without a notice (a class
    of its own so that a lane runs it beside the one above)."""

    def test_set_shutdown_gives_no_notice(self):
        at, _ = self.arm("Shutdown", steps=1, warning=False, later=NOTICE_ARMED_AHEAD)
        past_notice = at - NOTICE_LEAD + WINE_BALLOON_DELAY + SECOND + SECOND / 2
        self.assertIsNone(
            balloon(self.desktop, NOTICE.format(at.strftime("%H:%M:%S")),
                    (past_notice - datetime.datetime.now()).total_seconds()),
            "Set Shutdown gave a notice")

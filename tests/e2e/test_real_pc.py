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
                     TRAY_ICON, UI_TIMEOUT, WM_CLOSE, ProgramTest, balloon, clock_time, find,
                     info, next_armable, rect, sleep_until, stays, typing, wait_for)
from test_access import Listener

SECOND = datetime.timedelta(seconds=1)
REFUSED = "The action could not be carried out: shutdown.exe -s -t 0 ended with code 1190"
# A beat this late after it was due means the machine slept (scheduler/clock_text.h).
LONGEST_STALL = 60 * SECOND
WM_POWERBROADCAST = 0x0218
PBT_APMRESUMEAUTOMATIC = 0x0012
SLEPT_THROUGH = "The computer was asleep at the set time, so nothing was done. Still set for {}."
NOTICE = "The computer will shut down at {}."
NOTICE_CLASS = "TarnovelleNotice"
NOTICE_LEAD = 60 * SECOND
POSTPONED = "Postponed: the computer will shut down at {}."
# Armed at least this far ahead, a shutdown gets the notice.
NOTICE_ARMED_AHEAD = 90


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


class FilmViewer(ProgramTest):
    """The minute's notice of a system action armed through Set Action about
    a hundred seconds ahead, while another program's window fills the screen
    and holds the keyboard, as a film played full screen does."""

    def film(self):
        """The other program's window, in the foreground: what is typed into
        it goes to its title."""
        cover = subprocess.Popen(["wine", str(DRIVER), "cover", "Film", "full"], env=self.desktop.env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        film = find(self.desktop, "Film", UI_TIMEOUT)[0]
        self.addCleanup(cover.wait, UI_TIMEOUT)
        self.addCleanup(self.desktop.driver, "post", film, WM_CLOSE, 0, 0, check=False)
        self.desktop.xdotool("mousemove", 300, 300, "click", "1")  # the viewer clicks into it
        wait_for(lambda: self.desktop.driver("focus", film)[0].split("\t")[2] == film,
                 UI_TIMEOUT, "the film did not come to the foreground")
        self.typed = "Film"
        return film

    def type_into(self, film, keys):
        self.desktop.xdotool("type", "--delay", "20", keys)
        self.typed += keys
        wait_for(lambda: info(self.desktop, film)["title"] == self.typed, UI_TIMEOUT,
                 f"{keys!r} did not reach the film")

    def wait_notice(self, at, words):
        found = find(self.desktop, words.format(at.strftime("%H:%M:%S")),
                     (at - NOTICE_LEAD - datetime.datetime.now()).total_seconds() + UI_TIMEOUT,
                     window_class=NOTICE_CLASS)
        self.assertIsNotNone(found, "no notice a minute before")
        return found

    def press_on(self, notice, button):
        """A real click on a drawn button of the notice, the pointer coming
        to it over the film."""
        i = info(self.desktop, notice)
        x, y, w, h = rect("Notice", button)
        x, y = int(i["client_x"]) + x + w // 2, int(i["client_y"]) + y + h // 2
        self.desktop.xdotool("mousemove", x - 80, y - 60, "mousemove", x - 30, y - 20,
                             "mousemove", x, y, "click", "1")


class MinuteNotice(FilmViewer):
    def test_above_a_full_screen_film_it_leaves_the_keys_there_and_gives_15_more_minutes(self):
        at, _ = self.arm("Shutdown", steps=1, later=NOTICE_ARMED_AHEAD)
        film = self.film()
        listener = Listener(self.desktop, self.log_dir / "events.txt")
        self.addCleanup(listener.stop)
        notice, seen = self.wait_notice(at, NOTICE)
        print(f"\n  notice seen {(clock_time(seen) - at + NOTICE_LEAD).total_seconds():.2f} s into its second")
        self.assertGreaterEqual(clock_time(seen), at - NOTICE_LEAD, "the notice came before its second")
        # Above the film, in the work area's bottom right corner, heard by a
        # screen reader by its words, and the film keeps the keyboard.
        i = info(self.desktop, notice)
        right, bottom = int(i["window_x"]) + int(i["window_w"]), int(i["window_y"]) + int(i["window_h"])
        self.assertEqual(self.desktop.driver("at", right - 20, bottom - 20), [notice])
        _, _, area_right, area_bottom = map(int, self.desktop.driver("monitor", right, bottom)[0].split())
        self.assertTrue(0 < area_right - right <= 24 and 0 < area_bottom - bottom <= 24, (right, bottom))
        wait_for(lambda: listener.heard("alert", NOTICE.format(at.strftime("%H:%M:%S"))), UI_TIMEOUT,
                 "the notice was not announced")
        self.type_into(film, "ab")
        self.shot("notice.png", notice)
        self.press_on(notice, "Label2")  # 15 more minutes
        later = (at + 15 * 60 * SECOND).strftime("%H:%M:%S")
        wait_for(lambda: listener.heard("alert", POSTPONED.format(later)), UI_TIMEOUT,
                 "the notice did not tell the new time")
        self.assertEqual(self.program.caption(), "Tarnovelle - At: " + later)
        lists = self.program.children()
        self.assertEqual([lists[c]["text"] for c in (COMBO1, COMBO2, COMBO3)], later.split(":"))
        self.type_into(film, "c")  # the click left the keyboard with the film
        wait_for(lambda: not self.desktop.windows_of_class(NOTICE_CLASS), UI_TIMEOUT,
                 "the confirmation stayed")


class MinuteNoticeCancelled(FilmViewer):
    """The notice's Cancel (a class of its own so that a lane runs it beside
    the one above)."""

    def test_above_a_full_screen_film_its_cancel_calls_the_restart_off(self):
        at, _ = self.arm("Restard", steps=1, later=NOTICE_ARMED_AHEAD)
        self.film()
        notice, _ = self.wait_notice(at, "The computer will restart at {}.")
        self.press_on(notice, "Label3")  # Cancel
        self.program.wait_shown("Cancel did not show the window")
        self.assertEqual(self.program.caption(), "Tarnovelle")
        self.assertTrue(self.program.children()[COMMAND1]["enabled"])
        self.assertEqual(self.desktop.windows_of_class(NOTICE_CLASS), [])


class MinuteNoticeShortPath(ProgramTest):
    """Set Shutdown arms without a warning, and so without a notice (a class
    of its own so that a lane runs it beside the one above)."""

    def test_set_shutdown_gives_no_notice(self):
        at, _ = self.arm("Shutdown", steps=1, warning=False, later=NOTICE_ARMED_AHEAD)
        past_notice = at - NOTICE_LEAD + SECOND + SECOND / 2
        self.assertIsNone(
            find(self.desktop, NOTICE.format(at.strftime("%H:%M:%S")),
                 (past_notice - datetime.datetime.now()).total_seconds(), window_class=NOTICE_CLASS),
            "Set Shutdown gave a notice")

"""The beat on the real program: it reads the clock again at once when told
the clock, the time zone or the power state changed, and the clock box it
paints each second looks as the edit box paints itself. That armed and
hidden it sleeps, and acts in the first moments of the armed second, is
counted and timed alone (test_triggers, quiet); the benchmark measures the
tight figures (make bench).
"""
import datetime
import re
import subprocess

from harness import (NTIME, UI_TIMEOUT, ProgramTest, clock_time, far_from_now, info,
                     sleep_until, wait_for)

SECOND = datetime.timedelta(seconds=1)
WM_SETTINGCHANGE = 0x001A
WM_TIMECHANGE = 0x001E
WM_POWERBROADCAST = 0x0218
PBT_APMRESUMEAUTOMATIC = 0x0012
def now_text():
    return datetime.datetime.now().strftime("%H:%M:%S")


CLOCK_TEXT = re.compile(r"^\d\d:\d\d:\d\d$")
BORDER = 2  # the box's sunken edge, in pixels


def ink_runs(pixels):
    """The runs of columns inside the box's edge that hold dark pixels (one
    for each character of the clock text, and the caret's)."""
    width = len(pixels[0])
    inked = [any(row[x] < 128 for row in pixels[BORDER:-BORDER]) for x in range(width)]
    runs, start = [], None
    for x in range(BORDER, width - BORDER + 1):
        dark = x < width - BORDER and inked[x]
        if dark and start is None:
            start = x
        elif not dark and start is not None:
            runs.append((start, x))
            start = None
    return runs


class Beat(ProgramTest):

    def hide_armed_far_ahead(self):
        hour, minute, second = far_from_now()
        self.program.choose(hour, minute, second, "Shutdown")
        self.desktop.xdotool("key", "space")  # Set Shutdown
        self.press(self.expect_dialog("Attention!"))
        self.program.wait_hidden()

    def clock_text_unless(self, text):
        """The clock box's text, or None while it shows `text`."""
        shown = self.program.children()[NTIME]["text"]
        return None if shown == text else shown

    def test_told_the_clock_zone_or_power_changed_it_reads_the_clock_at_once(self):
        self.hide_armed_far_ahead()
        for name, message, wparam in (("time change", WM_TIMECHANGE, 0),
                                      ("setting change", WM_SETTINGCHANGE, 0),
                                      ("resume", WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC)):
            with self.subTest(name):
                # Hidden, the clock is read at each minute's start: wait until
                # it is behind (a second), with time for the steps after
                # before the next minute begins.
                now = datetime.datetime.now()
                next_minute = now.replace(second=0, microsecond=0) + 60 * SECOND
                if (next_minute - now).total_seconds() < 1 + self.desktop.ahead(4):
                    sleep_until(next_minute + 2 * SECOND)
                stale = wait_for(lambda: self.clock_text_unless(now_text()), UI_TIMEOUT,
                                 "the hidden window's clock kept up by itself")
                self.desktop.driver("send", self.program.hwnd, message, wparam, 0)
                shown = wait_for(lambda: self.clock_text_unless(stale), UI_TIMEOUT,
                                 f"the clock was not read after {name}")
                self.assertFalse(shown.endswith(":00"), "only the minute's re-reading came")
                self.assertLess((datetime.datetime.now() - clock_time(shown)).total_seconds(), 2)
        self.assertTrue(self.program.alive())

    def clock_box_pixels(self, name):
        """The clock box's pixels on the screen, in grey, row by row."""
        window = info(self.desktop, self.program.hwnd)
        x, y, w, h = self.program.children()[NTIME]["rect"]
        x += int(window["client_x"])
        y += int(window["client_y"])
        shot = self.desktop.screenshot(self.log_dir / f"{name}.png")
        grey = subprocess.run(["convert", str(shot), "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                               "-depth", "8", "gray:-"],
                              stdout=subprocess.PIPE, timeout=60, check=True).stdout
        return [list(grey[r * w:(r + 1) * w]) for r in range(h)]

    def colons(self, pixels):
        """Where the clock text's two colons are, and how they look: the two
        characters the same in every second."""
        runs = ink_runs(pixels)
        self.assertGreaterEqual(len(runs), 8, f"not eight characters in the box: {runs}")
        cells = [runs[-6], runs[-3]]  # HH:MM:SS, a caret maybe before it
        return [(start, [row[start:end] for row in pixels]) for start, end in cells]

    def test_the_clock_box_painted_each_second_looks_as_the_edit_box_paints_itself(self):
        # Without the focus the program paints each new text on the box itself
        # (the first one, at the start, the edit box paints).
        first = self.program.children()[NTIME]["text"]
        wait_for(lambda: self.program.children()[NTIME]["text"] != first, UI_TIMEOUT,
                 "the clock stood still")
        before = self.clock_box_pixels("painted")
        own_colons = self.colons(before)
        wait_for(lambda: self.clock_box_pixels("painted-next") != before, UI_TIMEOUT,
                 "the clock box was not painted again")
        self.assertRegex(self.program.children()[NTIME]["text"], CLOCK_TEXT)

        # With the focus the edit box is told each text and paints itself.
        window = info(self.desktop, self.program.hwnd)
        x, y, w, h = self.program.children()[NTIME]["rect"]
        self.desktop.xdotool("mousemove", int(window["client_x"]) + x + w - 6,
                             int(window["client_y"]) + y + h // 2, "click", "1")
        wait_for(lambda: self.desktop.driver("focus", self.program.hwnd)[0].split("\t")[0]
                 == str(NTIME), UI_TIMEOUT, "the clock box did not get the focus")
        focused_text = self.program.children()[NTIME]["text"]
        self.assertRegex(focused_text, CLOCK_TEXT, "the edit box was not told the text")
        wait_for(lambda: self.program.children()[NTIME]["text"] != focused_text, UI_TIMEOUT,
                 "the clock stood still with the focus")
        self.assertEqual(self.colons(self.clock_box_pixels("edit-painted")), own_colons,
                         "the program paints the clock text otherwise than the edit box")

        # The focus gone, the program paints again, in the same place.
        self.desktop.xdotool("key", "Tab")
        wait_for(lambda: self.desktop.driver("focus", self.program.hwnd)[0].split("\t")[0]
                 != str(NTIME), UI_TIMEOUT, "the focus did not leave the clock box")
        left_text = self.program.children()[NTIME]["text"]
        wait_for(lambda: self.program.children()[NTIME]["text"] != left_text, UI_TIMEOUT,
                 "the clock stood still after the focus left")
        again = self.clock_box_pixels("painted-again")
        self.assertEqual(self.colons(again), own_colons)
        self.assertEqual(len(ink_runs(again)), 8, "a caret is left in the box")

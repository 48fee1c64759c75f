"""The keyboard alone and a screen reader reach everything a mouse user can.

A screen reader is played by the driver, an Active Accessibility client in
another process: it lists a window's elements, asks for the element at a
point, does an element's default action and hears the focus and alert
events. The keyboard is xdotool's.
"""
import datetime
import subprocess

from harness import (ABOUT_CLASS, DRIVER, OUT, TRAY_CALLBACK, UI_TIMEOUT, WARNING_CANCEL,
                     ProgramTest, clock_time, control, control_id, find, info, next_armable,
                     sleep_until, typing, wait_for)

SECOND = datetime.timedelta(seconds=1)
ROLE_PUSHBUTTON, ROLE_LINK, ROLE_ALERT = 0x2B, 0x1E, 0x08
STATE_FOCUSED, STATE_FOCUSABLE = 0x4, 0x100000
WM_KEYDOWN, WM_CHAR = 0x0100, 0x0102
WM_RBUTTONDOWN, WM_RBUTTONUP = 0x0204, 0x0205
WARNING_TEXT = ("Tarnovelle will execute the requested action in 10 seconds\n"
                "This is the last chance to cancel!")
DRAWN = {"Label2": "Set Action", "Label3": "About", "Label4": "Close"}
NAMED = {"Combo1": "Hour", "Combo2": "Minute", "Combo3": "Second", "Combo4": "Action",
         "ntime": "Clock"}
SECONDS = ["10", "15", "20", "25", "30", "35", "40", "45", "50", "55", "59"]
# The focus marks' ring (platform/win32/drawn_button.cpp).
MARK = (0, 51, 153)


def parse_element(line):
    kind, role, role_text, state, place, action, name = (line.split("\t") + [""] * 7)[:7]
    return {"kind": kind, "role": int(role), "role_text": role_text, "state": int(state, 16),
            "rect": tuple(map(int, place.split())), "action": action,
            "name": name.replace("\\n", "\n")}


class Listener:
    """The driver hearing focus and alert events, as a screen reader does."""

    def __init__(self, desktop, path):
        self.path = path
        self.out = open(path, "wb")
        self.process = subprocess.Popen(["wine", str(DRIVER), "acc-events", "600000"],
                                        env=desktop.env, stdout=self.out,
                                        stderr=subprocess.DEVNULL)
        wait_for(lambda: "listening" in self.lines(), UI_TIMEOUT, "the listener did not start")

    def lines(self):
        return self.path.read_text(encoding="utf-8", errors="replace").splitlines()

    def heard(self, kind, name):
        """The events of a kind heard for an element of that name."""
        events = [parse_element(line) for line in self.lines() if line.startswith(kind + "\t")]
        return [e for e in events if e["name"] == name]

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(30)
        except subprocess.TimeoutExpired:
            self.process.kill()
        self.out.close()


class Access(ProgramTest):

    def elements(self, hwnd):
        return [parse_element(line) for line in self.desktop.driver("acc-children", hwnd)]

    def on_screen(self, hwnd, form, name):
        """A control's design rectangle on the screen."""
        i = info(self.desktop, hwnd)
        x, y, w, h = control(form, name)["rect"]
        return (int(i["client_x"]) + x, int(i["client_y"]) + y, w, h)

    def listen(self):
        listener = Listener(self.desktop, self.log_dir / "events.txt")
        self.addCleanup(listener.stop)
        return listener

    def wait_warning(self, at):
        found = find(self.desktop, "Attention", (at - datetime.datetime.now()).total_seconds()
                     + UI_TIMEOUT)
        self.assertIsNotNone(found, "no warning window")
        return found[0]

    def nothing_fires(self, at):
        sleep_until(at + 2 * SECOND)
        self.assertEqual(self.desktop.records(), [])
        self.assertIsNone(find(self.desktop, "Attention", 0.1))

    # ---- What a screen reader finds ------------------------------------------------

    def test_the_main_window_names_its_drawn_buttons_lists_and_clock_over_their_pictures(self):
        hwnd = self.program.hwnd
        found = {e["name"]: e for e in self.elements(hwnd) if e["kind"] == "child"}
        for label, name in DRAWN.items():
            with self.subTest(name):
                self.assertIn(name, found)
                e = found[name]
                self.assertEqual(e["role"], ROLE_PUSHBUTTON)
                self.assertEqual(e["action"], "Press")
                self.assertTrue(e["state"] & STATE_FOCUSABLE)
                self.assertEqual(e["rect"], self.on_screen(hwnd, "Form1", label))
        for name_in_design, name in NAMED.items():
            with self.subTest(name):
                self.assertIn(name, found)
                # Over the list or box the panel frames: its left and width
                # (the clock box's within its frame), its top.
                x, y, w, h = self.on_screen(hwnd, "Form1", name_in_design)
                left, top, width, _ = found[name]["rect"]
                self.assertTrue(x <= left and left + width <= x + w and y <= top < y + h,
                                (found[name]["rect"], (x, y, w, h)))
        # The element under the middle of the drawn Set Action button is that button.
        x, y, w, h = self.on_screen(hwnd, "Form1", "Label2")
        at_point = parse_element("point\t" + self.desktop.driver("acc-point", x + w // 2, y + h // 2)[0])
        self.assertEqual((at_point["name"], at_point["role"]), ("Set Action", ROLE_PUSHBUTTON))

    def test_pressing_about_through_the_screen_reader_opens_the_about_window(self):
        self.desktop.driver("acc-do", self.program.hwnd, "About")
        about = wait_for(lambda: self.desktop.windows_of_class(ABOUT_CLASS), UI_TIMEOUT,
                         "the About window did not open")[0]
        found = {e["name"]: e for e in self.elements(about) if e["kind"] == "child"}
        self.assertEqual(found["Close"]["role"], ROLE_PUSHBUTTON)
        self.assertEqual(found["https://tarnovelle.example.org/"]["role"], ROLE_LINK)
        self.assertEqual(found["tarnovelle@example.org"]["role"], ROLE_LINK)
        self.desktop.driver("acc-do", about, "Close")
        wait_for(lambda: not self.desktop.windows_of_class(ABOUT_CLASS), UI_TIMEOUT,
                 "Close did not close it")
        self.assertTrue(self.program.alive())

    # ---- The keyboard ------------------------------------------------------------------

    def test_tab_reaches_the_drawn_buttons_after_the_lists_with_a_focus_mark_and_event(self):
        listener = self.listen()
        before = self.shot("focus-none.png")
        # From Set Shutdown, which has the focus: About, Exit, the clock, the
        # four lists, then the drawn Set Action (from the second, if the first
        # key was pressed twice).
        order = [control_id("Form1", name) for name in
                 ("Command2", "Command3", "ntime", "Combo3", "Combo2", "Combo1", "Combo4", "Label2")]
        stops = self.focus_on("Label2")
        self.assertEqual(stops, order[-len(stops):])
        self.assertGreaterEqual(len(stops), len(order) - 1)
        after = self.shot("focus-mark.png")
        wait_for(lambda: listener.heard("focus", "Set Action"), UI_TIMEOUT, "no focus event")
        self.assertEqual(listener.heard("focus", "Set Action")[0]["role"], ROLE_PUSHBUTTON)
        # The mark rings the drawn button; before the keyboard came, nothing did.
        x, y, w, h = self.on_screen(self.program.hwnd, "Form1", "Label2")
        i = info(self.desktop, self.program.hwnd)
        ring = (x - int(i["window_x"]), y - int(i["window_y"]) + h // 2, 2, 1)
        self.assertEqual(self.pixel(OUT / "windows" / after.name, ring), MARK)
        self.assertNotEqual(self.pixel(OUT / "windows" / before.name, ring), MARK)
        # Space presses the next one, as a click would: About.
        self.desktop.xdotool("key", "Tab", "space")
        wait_for(lambda: self.desktop.windows_of_class(ABOUT_CLASS), UI_TIMEOUT,
                 "Space on the drawn About did not open it")

    def pixel(self, shot, box):
        """The colour of a window's screenshot at a point (one pixel in from
        the crop's border of one desktop pixel)."""
        x, y, _, _ = box
        out = subprocess.run(["convert", str(shot), "-format",
                              f"%[fx:int(255*p{{{x + 1},{y + 1}}}.r)] %[fx:int(255*p{{{x + 1},{y + 1}}}.g)] "
                              f"%[fx:int(255*p{{{x + 1},{y + 1}}}.b)]", "info:"],
                             stdout=subprocess.PIPE, text=True, timeout=60, check=True).stdout
        return tuple(int(v) for v in out.split())

    @staticmethod
    def keys_to_arm(hour, minute, second):
        """The keys that pick a time and Shutdown and press Set Action, from
        the seconds list."""
        keys = ["Home"] + ["Down"] * SECONDS.index(second) + ["Tab"]   # the minutes
        keys += ["Home"] + ["Down"] * int(minute) + ["Tab"]          # the hours
        keys += ["Home"] + ["Down"] * int(hour) + ["Tab"]            # the action: Shutdown
        keys += ["Home", "Tab", "Return"]                            # the drawn Set Action
        return keys

    def test_the_keyboard_alone_arms_with_a_warning(self):
        # Four Tabs, seen through one by one, the keys, then six steps before
        # the warning.
        most = len(self.keys_to_arm("23", "59", "59"))
        hour, minute, second, at, warn = next_armable(self.desktop.ahead(10) + typing(most, 0.04))
        keys = self.keys_to_arm(hour, minute, second)
        self.focus_on("Combo3")  # the seconds list
        self.desktop.xdotool("key", "--delay", "40", *keys)
        self.assertEqual(self.expect_dialog("Attention!")["buttons"], ["OK"])
        self.desktop.xdotool("key", "Return")
        self.program.wait_hidden()
        self.assertEqual(self.program.caption(), f"Tarnovelle - At: {hour}:{minute}:{second}")
        self.wait_warning(at)
        records = wait_for(self.desktop.records, (at - datetime.datetime.now()).total_seconds()
                           + UI_TIMEOUT, "the action did not fire")
        self.assertEqual(records[0][1], "shutdown.exe -s -t 0")
        self.assertGreaterEqual(clock_time(records[0][2]), at)

    # ---- The warning ---------------------------------------------------------------------

    def test_the_warning_is_announced_and_named_by_its_two_lines_with_its_cancel(self):
        listener = self.listen()
        at, _ = self.arm("Shutdown", steps=0)
        warning = self.wait_warning(at)
        # Not called off, it stays on screen after the action: looked at then.
        wait_for(self.desktop.records, (at - datetime.datetime.now()).total_seconds() + UI_TIMEOUT,
                 "the action did not fire")
        # Heard when it appeared, named by its two lines, though it took no focus.
        self.assertTrue(listener.heard("alert", WARNING_TEXT), listener.lines())
        self.assertEqual(listener.heard("alert", WARNING_TEXT)[0]["role"], ROLE_ALERT)
        self.assertNotEqual(self.desktop.driver("focus", warning)[0].split("\t")[2], warning)
        elements = self.elements(warning)
        self.assertEqual((elements[0]["name"], elements[0]["role"]), (WARNING_TEXT, ROLE_ALERT))
        cancel = next(e for e in elements if e["name"] == "Cancel")
        self.assertEqual((cancel["role"], cancel["action"]), (ROLE_PUSHBUTTON, "Press"))
        i = info(self.desktop, warning)
        x, y, w, h = WARNING_CANCEL
        self.assertEqual(cancel["rect"], (int(i["client_x"]) + x, int(i["client_y"]) + y, w, h))

    def test_esc_cancels_the_warning_once_the_user_is_in_it(self):
        # Between the warning and the action, time for the user's five steps.
        at, _ = self.arm("Restard", steps=0, warning_lead=self.desktop.ahead(5))
        warning = self.wait_warning(at)
        # In the warning (as a window switcher brings it), Cancel has the focus.
        self.desktop.driver("activate", warning)
        wait_for(lambda: self.focused_id(warning) == control_id("Attention", "Label1"),
                 UI_TIMEOUT, "Cancel did not get the focus")
        self.desktop.xdotool("key", "Escape")
        self.program.wait_shown("Esc did not cancel")
        self.assertLess(datetime.datetime.now(), at, "too slow to cancel before the time")
        self.assertEqual(self.program.caption(), "Tarnovelle")
        self.nothing_fires(at)

    def test_cancel_pressed_by_the_screen_reader_calls_the_warning_off(self):
        at, _ = self.arm("Shutdown", steps=0, warning_lead=self.desktop.ahead(3))
        warning = self.wait_warning(at)
        self.desktop.driver("acc-do", warning, "Cancel")
        self.program.wait_shown("the reader's Cancel did not cancel")
        self.assertLess(datetime.datetime.now(), at, "too slow to cancel before the time")
        self.nothing_fires(at)

    def test_the_tray_icon_chosen_from_the_keyboard_offers_the_menu_whose_cancel_calls_off(self):
        at, _ = self.arm("Log Off", steps=0, warning_lead=self.desktop.ahead(5))
        self.wait_warning(at)
        # A legacy icon chosen with Enter or Space in the notification area
        # gets the right button's press and release, as a right-click does.
        self.desktop.driver("post", self.program.hwnd, TRAY_CALLBACK, 1, WM_RBUTTONDOWN,
                            TRAY_CALLBACK, 1, WM_RBUTTONUP)
        wait_for(lambda: self.desktop.driver("menus"), UI_TIMEOUT, "no tray menu")
        # The user presses C (&Cancel). Windows gives the keyboard to the
        # thread whose icon was chosen; under Wine a hidden window's thread
        # gets no keys from the X server, so the key goes to that thread's
        # queue as Windows would put it there.
        self.desktop.driver("post", self.program.hwnd, WM_KEYDOWN, ord("C"), 0x002E0001,
                            WM_CHAR, ord("c"), 0x002E0001)
        self.program.wait_shown("the menu's Cancel did not cancel")
        self.assertLess(datetime.datetime.now(), at, "too slow to cancel before the time")
        # The warning goes with the schedule it announced.
        wait_for(lambda: find(self.desktop, "Attention", 0.1) is None, UI_TIMEOUT,
                 "the warning stayed")
        self.nothing_fires(at)

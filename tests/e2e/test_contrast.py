"""The windows in a contrast theme, on the real program, at 100 and 200 %:
drawn in the theme's colours only, with the pictures' words as text and
nothing moved; a change of theme followed at once; and, off again, every
window the pictures pixel for pixel.

Wine never reports a contrast theme, so the test turns one on from inside
the program (inside.dll): SystemParametersInfo there says it is on, the
theme's colours are set in the program's process (WM_SYSCOLORCHANGE), and
the program's windows get the other messages Windows sends.
"""
import collections
import subprocess

from harness import DESIGNS, UI_TIMEOUT, click_in, find, info, wait_for
from test_scale import Scaled, magick

WINDOW, WINDOW_TEXT, HIGHLIGHT, HIGHLIGHT_TEXT, FACE, BUTTON_TEXT, HOT_LIGHT = 5, 8, 13, 14, 15, 18, 26
# Light on dark and dark on light; each colour apart from the others, so a
# part drawn in another part's colour shows.
DARK = {WINDOW: "000000", WINDOW_TEXT: "FFFFFF", HIGHLIGHT: "1AEBFF", HIGHLIGHT_TEXT: "000000",
        FACE: "202020", BUTTON_TEXT: "FFEE32", HOT_LIGHT: "8080FF"}
LIGHT = {WINDOW: "FFFAEF", WINDOW_TEXT: "3D3D3D", HIGHLIGHT: "903909", HIGHLIGHT_TEXT: "FFF5E3",
         FACE: "F0E6D2", BUTTON_TEXT: "202020", HOT_LIGHT: "1C5E75"}


def histogram(shot, box):
    """How many pixels of each colour ("RRGGBB") a region of a screenshot has."""
    x, y, w, h = box
    counts = collections.Counter()
    for line in magick(shot, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-depth", "8", "-format", "%c",
                       "histogram:info:-").splitlines():
        count, _, rest = line.strip().partition(":")
        if "#" in rest:
            counts[rest.split("#")[1][:6].upper()] += int(count)
    return counts


class InContrast(Scaled):
    """A test class runs at one scale; its test goes through every window."""

    def contrast(self, on, palette=None, *messages):
        """The theme on or off, or (on, colours only) another one chosen."""
        colours = [f"{i}={c}" for i, c in (palette or {}).items()]
        self.desktop.driver("send-inside", self.program.hwnd, "contrast", int(on), *messages,
                            *colours)

    def at(self, hwnd, box):
        """A client box of a window on the screen."""
        i = info(self.desktop, hwnd)
        return (int(i["client_x"]) + box[0], int(i["client_y"]) + box[1], box[2], box[3])

    def problems(self, hwnd, form, palette):
        """What is not as a contrast theme draws the window, on the screen now."""
        shot = self.desktop.screenshot(self.log_dir / f"{form}.png")
        found = []
        client = self.client_of(form)
        seen = histogram(shot, self.at(hwnd, (0, 0, *client)))
        if seen[palette[WINDOW]] < 0.5 * client[0] * client[1]:
            found.append(f"{form}: not mostly the window's colour")

        def has(box, colour, what, share=0.0, least=4):
            counts = histogram(shot, self.at(hwnd, box))
            if counts[colour] < max(least, share * box[2] * box[3]):
                found.append(f"{form}: {what} not in {colour} ({counts.most_common(3)})")

        for words in DESIGNS[form]["words"]:
            if not words["text"]:
                continue
            x, y, w, h = words["text_at"][str(self.dpi)]
            has((x, y, w, h), palette[WINDOW_TEXT], repr(words["text"]))
            # The words fit their place: nothing of them beyond its right end.
            beyond = 3 * self.dpi // 96
            if words["kind"] != "box_title" and histogram(shot, self.at(hwnd, (x + w, y, beyond, h)))[
                    palette[WINDOW_TEXT]]:
                found.append(f"{form}: {words['text']!r} does not fit its place")
        for name, c in DESIGNS[form]["controls"].items():
            place = self.rect_of(form, name)
            if c["kind"] == "label" and c["accessible_name"] and c["tab_index"] >= 0:
                if c.get("link"):
                    has(place, palette[HOT_LIGHT], f"link {name}")
                else:  # a drawn button: its face, and its words on it
                    has(place, palette[FACE], f"button {name}'s face", share=0.5)
                    has(place, palette[BUTTON_TEXT], f"button {name}'s words")
            elif c["kind"] == "label" and c["caption"]:
                has(place, palette[WINDOW_TEXT], f"caption {name}")
            elif name == "ntime":  # the clock box, both colours
                has(place, palette[WINDOW], "the clock's box", share=0.5)
                has(place, palette[WINDOW_TEXT], "the clock", least=20)
        return found

    def assert_contrast(self, hwnd, form, palette):
        last = []

        def drawn():
            last[:] = self.problems(hwnd, form, palette)
            return not last
        try:
            wait_for(drawn, UI_TIMEOUT, f"{form} not drawn in the theme")
        except AssertionError:
            self.fail("; ".join(last))

    def client_shot(self, hwnd, form, tag):
        """The window's client area on the screen, with the clock and the
        lists, whose texts change, painted out."""
        shot = self.desktop.screenshot(self.log_dir / f"{tag}-screen.png")
        x, y, w, h = self.at(hwnd, (0, 0, *self.client_of(form)))
        out = self.log_dir / f"{tag}.png"
        mask = ["-fill", "magenta"]
        for name, c in DESIGNS[form]["controls"].items():
            if c["kind"] == "list" or name == "ntime":
                cx, cy, cw, ch = self.rect_of(form, name)
                mask += ["-draw", f"rectangle {cx},{cy} {cx + cw - 1},{cy + ch - 1}"]
        magick(shot, "-crop", f"{w}x{h}+{x}+{y}", "+repage", *mask, out)
        return out

    def eventually(self, check):
        """Runs `check` until it passes: the window may not have repainted yet."""
        failed = []

        def passes():
            try:
                check()
                return True
            except AssertionError as e:
                failed[:] = [e]
                return False
        try:
            wait_for(passes, UI_TIMEOUT, "")
        except AssertionError:
            raise failed[0] if failed else AssertionError("not so in time")

    def check_everything(self, shots=False):
        main = self.program.hwnd

        def seen(hwnd, form, palette, shot):
            """The window drawn in the theme; at 100 %, a screenshot of it."""
            self.assert_contrast(hwnd, form, palette)
            if shots:
                self.shot(shot, hwnd)

        # The keyboard in use: the drawn Set Action has the focus and shows
        # its mark, as it will when the window comes back at the end.
        self.focus_on("Label2")
        before = self.client_shot(main, "Form1", "main-before")
        self.contrast(True, DARK, "settings")
        seen(main, "Form1", DARK, "main-window-dark.png")
        # The focus mark in the theme's colours, where the selection's colour
        # shows on the button's face.
        mark = self.at(main, self.rect_of("Form1", "Label2"))
        ring = 2 * self.dpi // 96
        wait_for(lambda: histogram(self.desktop.screenshot(self.log_dir / "mark.png"), mark)[
                     DARK[HIGHLIGHT]] >= 1.6 * (mark[2] + mark[3] - 8 * ring) * ring,
                 UI_TIMEOUT, "no focus mark in the theme's highlight")
        # A real click on Set Action with nothing chosen, as ever.
        click_in(self.desktop, main, self.rect_of("Form1", "Label2"))
        self.press(self.expect_dialog("Error!"))

        about = self.open_about()
        seen(about, "fAbout", DARK, "about-window-dark.png")
        # Another theme while one is on: it may come as new colours alone.
        self.contrast(True, LIGHT)
        seen(about, "fAbout", LIGHT, "about-window-light.png")
        self.close_about(about)  # it lies over the main window
        seen(main, "Form1", LIGHT, "main-window-light.png")

        # The warning, in both themes; then the theme goes.
        self.arm("Shutdown", steps=3)
        found = find(self.desktop, "Attention", UI_TIMEOUT + 15)
        self.assertIsNotNone(found, "no warning window")
        warning = found[0]
        seen(warning, "Attention", LIGHT, "warning-window-light.png")
        self.contrast(True, DARK)
        seen(warning, "Attention", DARK, "warning-window-dark.png")
        self.contrast(False, None, "theme", "restore")

        # Off again, each window is as it was, pixel for pixel: the pictures
        # where they lie, and all the main window as before the theme.
        children = self.assert_laid_out("Attention", warning)
        self.eventually(lambda: self.assert_pictures(warning, "Attention", (None,), children))
        click_in(self.desktop, warning, self.rect_of("Attention", "Label1"))
        self.program.wait_shown("the warning's Cancel did not bring the window back")
        wait_for(lambda: same(self.client_shot(main, "Form1", "main-after"), before), UI_TIMEOUT,
                 "the main window is not as before the theme")
        about = self.open_about()
        children = self.assert_laid_out("fAbout", about)
        self.eventually(lambda: self.assert_pictures(about, "fAbout", (None,), children))
        self.close_about(about)

    def open_about(self):
        """The About window, opened by a real click on the drawn About."""
        click_in(self.desktop, self.program.hwnd, self.rect_of("Form1", "Label3"))
        return wait_for(lambda: self.desktop.windows_of_class(DESIGNS["fAbout"]["class"]),
                        UI_TIMEOUT, "the About window did not open")[0]

    def close_about(self, about):
        click_in(self.desktop, about, self.rect_of("fAbout", "Label1"))
        wait_for(lambda: not self.desktop.windows_of_class(DESIGNS["fAbout"]["class"]),
                 UI_TIMEOUT, "its drawn Close did not close it")


def same(a, b):
    """True when two images are the same, pixel for pixel."""
    result = subprocess.run(["compare", "-metric", "AE", str(a), str(b), "null:"],
                            stderr=subprocess.PIPE, text=True, timeout=120)
    return result.stderr.split()[0] == "0"


class AtOneHundredPercent(InContrast):
    dpi = 96

    def test_every_window_in_both_themes_and_as_before_when_off(self):
        self.check_everything(shots=True)


class AtTwoHundredPercent(InContrast):
    dpi = 192

    def test_every_window_in_both_themes_and_as_before_when_off(self):
        self.check_everything()

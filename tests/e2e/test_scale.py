"""The windows at 100, 125, 150 and 200 % display scale, on the real program.

Wine gives every program the scale of the prefix's LogPixels (96, 120, 144,
192), so each class runs in a lane at its own (log_pixels). Sizes and places
come from the designs at that scale (designs.json); pictures are compared
with what the system's own picture loader makes of the files the program
carries.
"""
import datetime
import hashlib
import shutil
import subprocess

from harness import (DESIGNS, OUT, ROOT, UI_TIMEOUT, ProgramTest, click_in, dialog,
                     far_from_now, find, info, wait_for)

PICTURES = ROOT / "resources" / "pictures"
DECODED = OUT / "decoded"
WM_DPICHANGED = 0x02E0

# The picture each picture-carrying place shows: (window, control or None
# for the window's background) -> file stem and kind.
PICTURE_OF = {
    ("Form1", "Image1"): "banner.jpg",
    ("Form1", "Image2"): "panel.jpg",
    ("Form1", "Image3"): "buttons.gif",
    ("fAbout", None): "about.jpg",
    ("Attention", None): "warning.jpg",
}
# Child windows that draw over a picture something of their own.
OWN_DRAWING = ("Static", "ComboBox", "Edit", "Button")


def version(name, scale):
    stem, ext = name.rsplit(".", 1)
    return f"{stem}.{ext}" if scale == 1 else f"{stem}@2x.{ext}"


def magick(*args):
    return subprocess.run(["convert", *map(str, args)], stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, text=True, timeout=120, check=True).stdout


def compare(a, b, fuzz=None):
    """(normalised mean absolute error, pixels that differ) between two
    images of one size."""
    args = ["compare", "-metric", "AE"] + (["-fuzz", fuzz] if fuzz else []) + [str(a), str(b), "null:"]
    differing = subprocess.run(args, stderr=subprocess.PIPE, text=True, timeout=120).stderr
    mae = subprocess.run(["compare", "-metric", "MAE", str(a), str(b), "null:"],
                         stderr=subprocess.PIPE, text=True, timeout=120).stderr
    return float(mae.split("(")[1].rstrip(")")), int(float(differing.split()[0]))


class Scaled(ProgramTest):
    """A test class whose program runs at `dpi` (the lane's LogPixels)."""

    dpi = 96

    def __init_subclass__(cls, **kwargs):
        super().__init_subclass__(**kwargs)
        cls.log_pixels = cls.dpi

    def set_action_area(self):
        return self.rect_of("Form1", "Label2")

    # ---- Designs at this scale ------------------------------------------------

    def client_of(self, form, dpi=None):
        return tuple(DESIGNS[form]["client_at"][str(dpi or self.dpi)])

    def rect_of(self, form, name, dpi=None):
        return tuple(DESIGNS[form]["controls"][name]["rect_at"][str(dpi or self.dpi)])

    def assert_laid_out(self, form, hwnd, dpi=None):
        """The window's client area and every child window are the design's
        at the scale; labels that size themselves to their text keep their
        place. Returns the children."""
        i = info(self.desktop, hwnd)
        self.assertEqual((int(i["client_w"]), int(i["client_h"])), self.client_of(form, dpi), form)
        rows = {}
        for line in self.desktop.driver("children", hwnd):
            cid, cls, visible, _, x, y, w, h, _, text = (line.split("\t") + [""])[:10]
            rows[int(cid)] = (cls, visible == "1", (int(x), int(y), int(w), int(h)), text)
        for name, c in DESIGNS[form]["controls"].items():
            if c["id"] not in rows:
                continue
            want = self.rect_of(form, name, dpi)
            got = rows[c["id"]][2]
            if c.get("auto_size"):
                self.assertEqual(got[:2], want[:2], f"{form}.{name}")
            else:
                self.assertEqual(got, want, f"{form}.{name}")
        return rows

    # ---- Pictures -------------------------------------------------------------

    def decoded(self, *names):
        """Each picture file decoded by the system's picture loader, on white,
        kept by its contents (build/e2e/decoded/HASH.png) for every lane and
        later run; one driver command for those not decoded yet."""
        DECODED.mkdir(parents=True, exist_ok=True)
        kept = {n: DECODED / f"{hashlib.sha256((PICTURES / n).read_bytes()).hexdigest()}.png"
                for n in names}
        todo = [n for n in names if not kept[n].exists()]
        if todo:
            args = []
            for n in todo:
                shutil.copy(PICTURES / n, self.desktop.c_path(r"C:\files") / n)
                args += [f"C:\\files\\{n}", f"C:\\files\\{n}.bmp"]
            self.desktop.driver("decode", *args)
            for n in todo:
                # Written whole, then moved into place: lanes may decode at once.
                part = kept[n].with_suffix(f".{self.desktop.display[1:]}.png")
                magick(self.desktop.c_path(r"C:\files") / f"{n}.bmp", part)
                part.replace(kept[n])
        return [kept[n] for n in names]

    def on_screen(self, shot, hwnd, form, control, masks, tag):
        """The part of a screenshot where the picture of `control` (None: the
        window's background) lies, with the places of child windows that
        draw over it painted out; (path, (width, height), mask arguments)."""
        i = info(self.desktop, hwnd)
        if control:
            x, y, w, h = self.rect_of(form, control)
        else:
            (w, h), x, y = self.client_of(form), 0, 0
        cx, cy = int(i["client_x"]) + x, int(i["client_y"]) + y
        draw = []
        for mx, my, mw, mh in masks:
            draw += ["-draw", f"rectangle {mx - x},{my - y} {mx - x + mw - 1},{my - y + mh - 1}"]
        draw = ["-fill", "magenta"] + draw if draw else []
        out = self.log_dir / f"{tag}.png"
        magick(shot, "-crop", f"{w}x{h}+{cx}+{cy}", "+repage", *draw, out)
        return out, (w, h), draw

    def assert_pictures(self, hwnd, form, controls, children):
        """Each picture on screen is the version made for its place, exactly;
        where none was made (125 %, 150 %), the 200 % version reduced by area
        averaging, and nearer to that than to the 100 % one enlarged."""
        shot = self.desktop.screenshot(self.log_dir / f"{form}-{self.dpi}.png")
        # Child windows that draw something of their own over the picture:
        # system controls, and drawn links with their text.
        masks = [rect for cls, visible, rect, text in children.values()
                 if visible and (cls in OWN_DRAWING or text)]
        for control in controls:
            name = PICTURE_OF[(form, control)]
            with self.subTest(picture=name, dpi=self.dpi):
                tag = f"{form}-{control}"
                seen, (w, h), draw = self.on_screen(shot, hwnd, form, control, masks, tag)
                natural = (self.rect_of(form, control, 96)[2:] if control
                           else self.client_of(form, 96))
                made = {tuple(natural): 1, (2 * natural[0], 2 * natural[1]): 2}.get((w, h))
                if made:
                    want = self.log_dir / f"{tag}-want.png"
                    magick(self.decoded(version(name, made))[0], *draw, want)
                    self.assertEqual(compare(seen, want)[1], 0, f"{name} at {self.dpi}")
                    continue
                one, two = self.decoded(version(name, 1), version(name, 2))
                reduced, enlarged = self.log_dir / f"{tag}-2x.png", self.log_dir / f"{tag}-1x.png"
                magick(two, "-scale", f"{w}x{h}!", *draw, reduced)
                magick(one, "-resize", f"{w}x{h}!", *draw, enlarged)
                from_two, _ = compare(seen, reduced)
                from_one, _ = compare(seen, enlarged)
                self.assertLess(from_two, 0.004, f"{name} at {self.dpi}: not the 200 % one reduced")
                self.assertLess(from_two * 4, from_one,
                                f"{name} at {self.dpi}: as near to the 100 % one enlarged")

    # ---- The three windows ------------------------------------------------------

    def check_main_window(self):
        children = self.assert_laid_out("Form1", self.program.hwnd)
        self.assert_pictures(self.program.hwnd, "Form1", ("Image1", "Image2", "Image3"), children)
        self.sweep_the_pointer_across()
        # A real click on the scaled Set Action with nothing chosen: it comes
        # after every move of the sweep, and a menu opened by one would take it.
        click_in(self.desktop, self.program.hwnd, self.rect_of("Form1", "Label2"))
        box = dialog(self.desktop, "Error!")
        self.assertEqual(self.desktop.driver("menus"), [], "the sweep opened a menu")
        self.assertIsNotNone(box, "no error box: a menu opened by the sweep took the click")
        self.assertEqual(box["texts"], ["You must select hour, minuts, seconds and action!!"])
        self.press(box)

    def sweep_the_pointer_across(self):
        """A hand's sweep of the pointer with real moves through every pixel
        column of the main window, along the banner and through each drawn
        button (and the lists' panel beside them), a few ms a column."""
        i = self.program.info()
        left, top = int(i["client_x"]), int(i["client_y"])
        moves = []
        for name in ("Image1", "Label2", "Label3", "Label4"):
            _, y, _, h = self.rect_of("Form1", name)
            for x in range(left, left + self.client_of("Form1")[0]):
                moves += ["mousemove", x, top + y + h // 2, "sleep", "0.003"]
        self.desktop.xdotool(*moves)

    def check_about_window(self, shot=None):
        click_in(self.desktop, self.program.hwnd, self.rect_of("Form1", "Label3"))
        about = wait_for(lambda: self.desktop.windows_of_class(DESIGNS["fAbout"]["class"]),
                         UI_TIMEOUT, "the About window did not open")[0]
        children = self.assert_laid_out("fAbout", about)
        self.assert_pictures(about, "fAbout", (None,), children)
        if shot:
            self.shot(shot, about)
        click_in(self.desktop, about, self.rect_of("fAbout", "Label1"))
        wait_for(lambda: not self.desktop.windows_of_class(DESIGNS["fAbout"]["class"]),
                 UI_TIMEOUT, "its drawn Close did not close it")

    def check_warning_window(self, shot=None):
        """Armed by real clicks: the warning comes, and the action (the
        recorder) at its time; the warning stays until its drawn Cancel is
        pressed by a real click, and is looked at meanwhile."""
        at, warn = self.arm("Shutdown", steps=3)
        self.program.wait_hidden()
        found = find(self.desktop, "Attention",
                     (warn - datetime.datetime.now()).total_seconds() + UI_TIMEOUT)
        self.assertIsNotNone(found, "no warning window")
        warning = found[0]
        wait_for(self.desktop.records, (at - datetime.datetime.now()).total_seconds() + UI_TIMEOUT,
                 "the armed action did not start")
        self.assertEqual([r[1] for r in self.desktop.records()], ["shutdown.exe -s -t 0"])
        children = self.assert_laid_out("Attention", warning)
        i = info(self.desktop, warning)
        left, top, right, bottom = map(int, self.desktop.driver("monitor", 0, 0)[0].split())
        w, h = self.client_of("Attention")
        self.assertLessEqual(abs(int(i["window_x"]) - (left + (right - left - w) // 2)), 1)
        self.assertLessEqual(abs(int(i["window_y"]) - (top + (bottom - top - h) // 2)), 1)
        self.assert_pictures(warning, "Attention", (None,), children)
        if shot:
            self.shot(shot, warning)
        click_in(self.desktop, warning, self.rect_of("Attention", "Label1"))
        wait_for(lambda: not self.desktop.windows_of_class(DESIGNS["Attention"]["class"]),
                 UI_TIMEOUT, "its drawn Cancel did not close the warning")
        self.program.wait_shown("the warning's Cancel did not bring the window back")
        self.assertEqual(self.program.caption(), "Tarnovelle")


class AtOneHundredPercent(Scaled):
    dpi = 96

    def test_the_windows_and_pictures_are_as_designed(self):
        self.check_main_window()
        self.check_about_window()
        self.check_warning_window()

    def test_moved_to_a_monitor_at_200_percent_everything_follows(self):
        i = self.program.info()
        frame_w = int(i["window_w"]) - int(i["client_w"])
        frame_h = int(i["window_h"]) - int(i["client_h"])
        w, h = self.client_of("Form1", 192)
        suggested = (30, 20, 30 + w + frame_w, 20 + h + frame_h)
        self.desktop.driver("send-inside", self.program.hwnd, WM_DPICHANGED, 192 | 192 << 16,
                            *suggested)
        i = self.program.info()
        self.assertEqual((int(i["window_x"]), int(i["window_y"]),
                          int(i["window_x"]) + int(i["window_w"]),
                          int(i["window_y"]) + int(i["window_h"])), suggested)
        self.dpi = 192
        children = self.assert_laid_out("Form1", self.program.hwnd)
        self.assert_pictures(self.program.hwnd, "Form1", ("Image1", "Image2", "Image3"), children)
        # The focus mark is twice as wide: 4 dark pixels, then 2 light ones.
        self.focus_on("Label2")
        shot = self.desktop.screenshot(self.log_dir / "mark.png")
        x, y, _, h = self.rect_of("Form1", "Label2")
        i = self.program.info()
        left, middle = int(i["client_x"]) + x, int(i["client_y"]) + y + h // 2
        row = magick(shot, "-crop", f"8x1+{left}+{middle}", "+repage", "-depth", "8", "txt:-")
        colours = [line.split()[2] for line in row.splitlines()[1:]]
        self.assertEqual(colours[:6], ["#003399"] * 4 + ["#FFFFFF"] * 2, colours)


class AtOneHundredTwentyFivePercent(Scaled):
    dpi = 120

    def test_the_windows_and_pictures_are_as_designed(self):
        self.check_main_window()
        self.check_about_window()
        self.check_warning_window()


class AtOneHundredFiftyPercent(Scaled):
    dpi = 144

    def test_the_windows_and_pictures_are_as_designed(self):
        self.check_main_window()
        self.check_about_window()
        self.check_warning_window()


class AtTwoHundredPercent(Scaled):
    dpi = 192

    def test_the_windows_and_pictures_are_as_designed_and_arming_works(self):
        self.check_main_window()
        self.shot("main-window-200.png")
        self.check_tray_icon()
        self.check_about_window("about-window-200.png")
        self.check_warning_window("warning-window-200.png")

    def check_tray_icon(self):
        """The notification icon is the program icon's image made for the
        notification area's size here (32 pixels), not a smaller one
        stretched: found at the taskbar's right end and compared with both."""
        size = 32
        shot = self.desktop.screenshot(self.log_dir / "tray.png")
        width, height = (int(v) for v in magick(shot, "-format", "%w %h", "info:").split())
        corner = (width - 4 * size, height - 2 * size)
        area = self.log_dir / "tray-area.png"
        magick(shot, "-crop", f"{4 * size}x{2 * size}+{corner[0]}+{corner[1]}", "+repage", area)
        images = self.log_dir / "icons"
        images.mkdir()
        subprocess.run(["icotool", "-x", "-o", str(images), str(PICTURES / "tarnovelle.ico")],
                       check=True, timeout=60)
        made = next(images.glob(f"*_{size}x{size}x32.png"))
        small = next(images.glob("*_24x24x*.png"))
        background = magick(area, "-format", "%[pixel:p{0,%h}]", "info:") or "white"
        crisp, stretched = self.log_dir / "crisp.png", self.log_dir / "stretched.png"
        magick(made, "-background", background, "-flatten", crisp)
        magick(small, "-resize", f"{size}x{size}", "-background", background, "-flatten", stretched)
        found = subprocess.run(["compare", "-metric", "RMSE", "-subimage-search", str(area),
                                str(crisp), "null:"], stderr=subprocess.PIPE, text=True,
                               timeout=120).stderr
        x, y = (int(v) for v in found.split("@")[1].split(","))
        seen = self.log_dir / "tray-icon.png"
        magick(area, "-crop", f"{size}x{size}+{x}+{y}", "+repage", seen)
        to_crisp, _ = compare(seen, crisp)
        to_stretched, _ = compare(seen, stretched)
        self.assertLess(to_crisp, 0.01, f"the tray icon at {self.dpi} is not the {size}-pixel image")
        self.assertLess(to_crisp * 3, to_stretched)
        # Its events still work at this scale: a right click pops up the
        # tray menu, Esc closes it; hidden by an arming, a double-click
        # brings the window back.
        icon = (corner[0] + x + size // 2, corner[1] + y + size // 2)
        self.desktop.xdotool("mousemove", *icon, "click", "3")
        wait_for(lambda: self.desktop.driver("menus"), UI_TIMEOUT, "no tray menu at this scale")
        self.desktop.xdotool("key", "Escape")
        wait_for(lambda: self.desktop.driver("menus") == [], UI_TIMEOUT, "the tray menu stayed")
        self.program.choose(*far_from_now(), "Shutdown")
        click_in(self.desktop, self.program.hwnd, self.rect_of("Form1", "Label2"))
        self.press(self.expect_dialog("Attention!"))
        self.program.wait_hidden()
        self.desktop.xdotool("mousemove", *icon, "click", "--repeat", "2", "--delay", "80", "1")
        self.program.wait_shown("a double-click on the icon did not show the window")

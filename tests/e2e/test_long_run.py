"""A long run: a tray program runs for weeks, and Windows gives a process
10,000 GDI objects, so whatever the user and the system do to it, over and
over, must leave nothing growing: not its GDI objects, not its windows, not
its memory. Counted from inside the program (inside.dll), as Wine's own
counters answer nothing; memory as Linux sees the program's process.
"""
from pathlib import Path

from harness import DESIGNS, LABEL3, UI_TIMEOUT, wait_for
from test_contrast import DARK, LIGHT
from test_tray import TrayUser

WM_DPICHANGED = 0x02E0
COUNT = r"C:\record\count.txt"


class LongRun(TrayUser):
    def holds(self):
        """The program's live GDI objects (with their kinds), windows, and
        private memory in KiB."""
        self.desktop.driver("send-inside", self.program.hwnd, "count", COUNT)
        counts = dict(line.split("=") for line in self.desktop.c_path(COUNT).read_text().split())
        status = Path(f"/proc/{self.program.process.pid}/status").read_text().splitlines()
        private = int(next(line.split()[1] for line in status if line.startswith("RssAnon:")))
        return int(counts["gdi"]), int(counts["windows"]), private, counts

    def round(self, frame):
        """Arming and calling off from the tray, the window shown again, the
        About window, four changes of display scale, a contrast theme on,
        another, and off."""
        self.hide_by_arming()
        self.double_click_icon()
        self.program.wait_shown()
        self.right_click_icon()
        # Clicked, not typed: after the double-click Wine can leave the X
        # keyboard focus on its taskbar, where a typed C would be lost.
        self.click_menu_item(1)  # Cancel
        wait_for(lambda: self.program.caption() == "Tarnovelle", UI_TIMEOUT, "not called off")
        self.program.click(LABEL3)
        about_class = DESIGNS["fAbout"]["class"]
        about = wait_for(lambda: self.desktop.windows_of_class(about_class), UI_TIMEOUT,
                         "no About window")[0]
        self.desktop.driver("post", about, 0x0010, 0, 0)  # WM_CLOSE, from its title bar
        wait_for(lambda: not self.desktop.windows_of_class(about_class), UI_TIMEOUT,
                 "the About window stayed")
        i = self.program.info()
        x, y = int(i["window_x"]), int(i["window_y"])
        for dpi in (120, 144, 192, 96):
            w, h = DESIGNS["Form1"]["client_at"][str(dpi)]
            self.desktop.driver("send-inside", self.program.hwnd, WM_DPICHANGED, dpi | dpi << 16,
                                x, y, x + w + frame[0], y + h + frame[1])
        self.desktop.driver("send-inside", self.program.hwnd, "contrast", 1, "settings",
                            *(f"{k}={v}" for k, v in DARK.items()))
        self.desktop.driver("send-inside", self.program.hwnd, "contrast", 1,
                            *(f"{k}={v}" for k, v in LIGHT.items()))
        self.desktop.driver("send-inside", self.program.hwnd, "contrast", 0, "theme", "restore")

    def test_nothing_grows_over_rounds_of_use(self):
        i = self.program.info()
        frame = (int(i["window_w"]) - int(i["client_w"]), int(i["window_h"]) - int(i["client_h"]))
        # Wine's caches of device contexts and fonts fill in the first rounds.
        for _ in range(2):
            self.round(frame)
        gdi, windows, private, kinds = self.holds()
        for _ in range(8):
            self.round(frame)
        gdi_after, windows_after, private_after, kinds_after = self.holds()
        print(f"long run: GDI objects {gdi} -> {gdi_after}, windows {windows} -> {windows_after}, "
              f"private memory {private} -> {private_after} KiB")
        self.assertLessEqual(gdi_after - gdi, 2, f"GDI objects grew: {kinds} -> {kinds_after}")
        self.assertLessEqual(windows_after, windows, "windows grew")
        self.assertLessEqual(private_after - private, 512, "private memory grew")

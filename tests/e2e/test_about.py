"""The About window, on the real program."""
import shutil
import time

from harness import (ITM_EXIT, LABEL3, RECORDER, TRAY_ICON, WM_COMMAND, ProgramTest, icon_in_tray,
                     info)

CLOSE_BUTTON = (16, 200, 193, 41)  # the drawn Close button, client pixels
MAIL_LINK = 'mailto:tarnovelle@example.org?subject=""Tarnovelle2.0.0"'
WEB_LINK = "https://tarnovelle.example.org/"


class About(ProgramTest):
    fresh_desktop = True

    def about_windows(self):
        return [w.split("\t")[0] for w in self.desktop.driver("windows")
                if w.split("\t")[2] == "TarnovellefAbout" and w.split("\t")[3] == "visible"]

    def wait_for_about(self):
        self.wait_until(lambda: self.about_windows(), 5, "no About window")
        return self.about_windows()[0]

    def labels(self, hwnd):
        rows = {}
        for line in self.desktop.driver("children", hwnd):
            cid, cls, visible, enabled, x, y, w, h, handle, text = (line.split("\t") + [""])[:10]
            rows[text] = (int(x), int(y), int(w), int(h))
        return rows

    def click_in(self, hwnd, rect):
        i = info(self.desktop, hwnd)
        self.desktop.xdotool("mousemove", int(i["client_x"]) + rect[0] + rect[2] // 2,
                             int(i["client_y"]) + rect[1] + rect[3] // 2)
        time.sleep(0.2)
        self.desktop.xdotool("click", "1")

    def test_opens_from_its_three_commands_as_one_window(self):
        self.program.click(LABEL3)
        about = self.wait_for_about()
        i = info(self.desktop, about)
        self.assertEqual(i["title"], "About")
        self.assertEqual((i["client_w"], i["client_h"]), ("350", "250"))
        self.assertTrue(int(i["ex_style"], 16) & 0x80, "a tool window, not in the taskbar")
        self.assertEqual(i["owner"], "0x0")
        self.assertFalse(int(i["style"], 16) & 0x00030000, "no minimize or maximize box")
        self.assertIn("Version 2.0.0", self.labels(about))
        self.assertIn("tarnovelle@example.org", self.labels(about))
        self.assertIn(WEB_LINK, self.labels(about))
        time.sleep(0.5)
        self.shot("about-window.png")
        # The About button (keyboard only) and the tray menu's About.
        self.desktop.driver("press", self.program.hwnd, 1004)  # Command2, "About"
        time.sleep(0.5)
        self.desktop.xdotool("mousemove", *TRAY_ICON, "click", "3")
        self.wait_until(lambda: self.desktop.driver("menus"), 3, "no tray menu")
        self.desktop.xdotool("key", "a")
        self.wait_until(lambda: self.desktop.driver("menus") == [], 3, "a did not choose")
        time.sleep(0.5)
        self.assertEqual(self.about_windows(), [about])
        # Its drawn Close button closes it; the program goes on.
        self.click_in(about, CLOSE_BUTTON)
        self.wait_until(lambda: not self.about_windows(), 3, "Close did not close it")
        self.assertTrue(self.program.alive())

    def test_links_reach_the_registered_handlers_with_the_exact_link(self):
        handler = r'"C:\files\rec.exe" "%1"'
        for scheme in ("mailto", "https", "http"):
            self.desktop.run(["wine", "reg", "add", rf"HKCR\{scheme}\shell\open\command",
                              "/ve", "/d", handler, "/f"], timeout=60)
        shutil.copy(RECORDER, self.desktop.c_path(r"C:\files\rec.exe"))
        self.program.click(LABEL3)
        about = self.wait_for_about()
        labels = self.labels(about)
        self.click_in(about, labels["tarnovelle@example.org"])
        self.wait_until(lambda: len(self.desktop.records()) == 1, 10, "the mail link went nowhere")
        self.click_in(about, labels[WEB_LINK])
        self.wait_until(lambda: len(self.desktop.records()) == 2, 10, "the web link went nowhere")
        mail, web = self.desktop.records()
        self.assertEqual(mail[1], rf'"C:\files\rec.exe" "{MAIL_LINK}"')
        self.assertEqual(web[1], rf'"C:\files\rec.exe" "{WEB_LINK}"')
        # A click beside the links does nothing.
        self.click_in(about, (300, 10, 10, 10))
        time.sleep(0.5)
        self.assertEqual(len(self.desktop.records()), 2)
        self.assertEqual(self.about_windows(), [about])

    def test_exit_from_the_tray_leaves_the_about_window_and_the_process(self):
        self.program.click(LABEL3)
        about = self.wait_for_about()
        self.wait_until(lambda: icon_in_tray(self.desktop), 5, "no icon")
        self.desktop.driver("post", self.program.hwnd, WM_COMMAND, ITM_EXIT, 0)
        self.assertEqual(self.desktop.driver("gone", "Tarnovelle", 3000, check=False), [])
        self.wait_until(lambda: not icon_in_tray(self.desktop), 3, "the icon stayed")
        time.sleep(1)
        self.assertTrue(self.program.alive(), "the process ended with the About window open")
        self.assertEqual(self.about_windows(), [about])
        self.click_in(about, CLOSE_BUTTON)
        self.assertTrue(self.program.wait_exit(5), "the process outlived its last window")

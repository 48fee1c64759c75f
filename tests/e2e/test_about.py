"""The About window, on the real program."""
import shutil

from harness import (ABOUT_CLASS, ABOUT_CLOSE, COMMAND2, ITM_EXIT, LABEL3, RECORDER, TRAY_ICON,
                     UI_TIMEOUT, WM_COMMAND, ProgramTest, click_in, info, stays, wait_for)

MAIL_LINK = 'mailto:tarnovelle@example.org?subject=""Tarnovelle2.0.0"'
WEB_LINK = "https://tarnovelle.example.org/"


class About(ProgramTest):
    fresh_desktop = True

    def about_windows(self):
        return self.desktop.windows_of_class(ABOUT_CLASS)

    def wait_for_about(self):
        return wait_for(self.about_windows, UI_TIMEOUT, "no About window")[0]

    def labels(self, hwnd):
        rows = {}
        for line in self.desktop.driver("children", hwnd):
            cid, cls, visible, enabled, x, y, w, h, handle, text = (line.split("\t") + [""])[:10]
            rows[text] = (int(x), int(y), int(w), int(h))
        return rows

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
        self.shot("about-window.png", about)
        # The About button (keyboard only) and the tray menu's About.
        self.desktop.driver("press", self.program.hwnd, COMMAND2, "sync")
        self.assertEqual(self.about_windows(), [about])
        self.desktop.xdotool("mousemove", *TRAY_ICON, "click", "3")
        wait_for(lambda: self.desktop.driver("menus"), UI_TIMEOUT, "no tray menu")
        self.desktop.xdotool("key", "a")
        wait_for(lambda: self.desktop.driver("menus") == [], UI_TIMEOUT, "a did not choose")
        stays(lambda: self.about_windows() == [about], 1, "a second About window opened")
        # Its drawn Close button closes it; the program goes on.
        click_in(self.desktop, about, ABOUT_CLOSE)
        wait_for(lambda: not self.about_windows(), UI_TIMEOUT, "Close did not close it")
        self.assertTrue(self.program.alive())

    def test_links_reach_the_registered_handlers_with_the_exact_link(self):
        handler = r'"C:\files\rec.exe" "%1"'
        for scheme in ("mailto", "https", "http"):
            self.desktop.run(["wine", "reg", "add", rf"HKCR\{scheme}\shell\open\command",
                              "/ve", "/d", handler, "/f"])
        shutil.copy(RECORDER, self.desktop.c_path(r"C:\files\rec.exe"))
        self.program.click(LABEL3)
        about = self.wait_for_about()
        labels = self.labels(about)
        click_in(self.desktop, about, labels["tarnovelle@example.org"])
        wait_for(lambda: len(self.desktop.records()) == 1, UI_TIMEOUT,
                 "the mail link went nowhere")
        click_in(self.desktop, about, labels[WEB_LINK])
        wait_for(lambda: len(self.desktop.records()) == 2, UI_TIMEOUT,
                 "the web link went nowhere")
        mail, web = self.desktop.records()
        self.assertEqual(mail[1], rf'"C:\files\rec.exe" "{MAIL_LINK}"')
        self.assertEqual(web[1], rf'"C:\files\rec.exe" "{WEB_LINK}"')
        # A click beside the links does nothing.
        click_in(self.desktop, about, (300, 10, 10, 10))
        stays(lambda: len(self.desktop.records()) == 2, 2, "a click beside the links opened one")
        self.assertEqual(self.about_windows(), [about])

    def test_exit_from_the_tray_leaves_the_about_window_and_the_process(self):
        self.program.click(LABEL3)
        about = self.wait_for_about()
        wait_for(self.desktop.icon_in_tray, UI_TIMEOUT, "no icon")
        self.desktop.driver("post", self.program.hwnd, WM_COMMAND, ITM_EXIT, 0)
        self.assertEqual(self.desktop.driver("gone", "Tarnovelle", UI_TIMEOUT * 1000,
                                             check=False), [])
        wait_for(lambda: not self.desktop.icon_in_tray(), UI_TIMEOUT, "the icon stayed")
        stays(self.program.alive, 2, "the process ended with the About window open")
        self.assertEqual(self.about_windows(), [about])
        click_in(self.desktop, about, ABOUT_CLOSE)
        self.assertTrue(self.program.wait_exit(), "the process outlived its last window")

"""The main window and arming, on the real program."""
import struct
import subprocess

from harness import (EXE, COMBO1, COMBO2, COMBO3, COMBO4, COMMAND1, IDCANCEL, LABEL2, NTIME, ROOT,
                     UI_TIMEOUT, ProgramTest, control, far_from_now, rect, wait_for)

SELECT_ALL = "You must select hour, minuts, seconds and action!!"
WILL_HIDE = "This window will now be hided! You can call it by rigth clicking the icon on tray!"


class MainWindow(ProgramTest):

    def test_opens_centred_with_its_lists_and_running_clock(self):
        i = self.program.info()
        self.assertEqual(i["title"], "Tarnovelle")
        self.assertEqual((i["client_w"], i["client_h"]), ("462", "304"))
        # Centred on the 1024 x 768 desktop.
        left, top = int(i["window_x"]), int(i["window_y"])
        width, height = int(i["window_w"]), int(i["window_h"])
        self.assertLessEqual(abs(left + width / 2 - 512), 1)
        self.assertLessEqual(abs(top + height / 2 - 384), 1)
        style = int(i["style"], 16)
        self.assertTrue(style & 0x00020000, "minimize box")
        self.assertFalse(style & 0x00010000, "no maximize box")
        self.assertFalse(style & 0x00040000, "not resizable")

        c = self.program.children()
        self.assertEqual(self.desktop.driver("items", self.program.hwnd, COMBO3),
                         ["10", "15", "20", "25", "30", "35", "40", "45", "50", "55", "59"])
        self.assertEqual(self.desktop.driver("items", self.program.hwnd, COMBO4),
                         ["Shutdown", "Restard", "Log Off", "Run File..."])
        self.assertEqual(len(self.desktop.driver("items", self.program.hwnd, COMBO1)), 24)
        self.assertEqual(len(self.desktop.driver("items", self.program.hwnd, COMBO2)), 60)
        for list_id in (COMBO1, COMBO2, COMBO3, COMBO4):
            self.assertEqual(c[list_id]["text"], "")
        # Where the design puts them (the lists' height follows their font).
        for name, list_id in (("Combo1", COMBO1), ("Combo4", COMBO4)):
            self.assertEqual(c[list_id]["rect"][:3], tuple(control("Form1", name)["rect"][:3]))
        # The push buttons lie below the client area; the first one has the focus.
        self.assertGreaterEqual(c[COMMAND1]["rect"][1], 304)
        self.assertEqual(c[COMMAND1]["text"], "Set Shutdown")
        self.assertEqual(self.desktop.driver("focus", self.program.hwnd)[0].split("\t")[0],
                         str(COMMAND1))
        # The clock shows HH:MM:SS and moves on.
        first = c[NTIME]["text"]
        self.assertRegex(first, r"^\d\d:\d\d:\d\d$")
        wait_for(lambda: self.program.children()[NTIME]["text"] != first, UI_TIMEOUT,
                 "the clock stood still")
        self.shot("main-window.png")

    def test_the_first_hover_finds_the_hand_over_a_drawn_button_and_a_lists_tip(self):
        # The program makes both when the mouse first comes, not at start.
        cur = (ROOT / "resources" / "pictures" / "hand.cur").read_bytes()
        hand = struct.unpack("<BBBBHH", cur[6:14])  # its first image: 32 pixels
        i = self.program.info()

        def hover(area):
            self.desktop.xdotool("mousemove", int(i["client_x"]) + area[0] + area[2] // 2,
                                 int(i["client_y"]) + area[1] + area[3] // 2)

        def cursor():
            told = self.desktop.c_path(r"C:\record\cursor.txt")
            told.unlink(missing_ok=True)
            self.desktop.driver("send-inside", self.program.hwnd, "cursor", r"C:\record\cursor.txt")
            return told.exists() and tuple(map(int, told.read_text().split()))

        hover(LABEL2)
        wait_for(lambda: cursor() == (hand[4], hand[5], hand[0]), UI_TIMEOUT,
                 "no hand over the drawn Set Action")
        hover(rect("Form1", "Combo1"))
        wait_for(lambda: "Hours" in self.desktop.driver("tooltips"), UI_TIMEOUT,
                 "no tip over the hour list")

    def test_any_list_left_empty_only_brings_the_error(self):
        hour, minute, second = far_from_now()
        choices = dict(hour=hour, minute=minute, second=second, action="Shutdown")
        for left_out in ("hour", "minute", "second", "action"):
            with self.subTest(empty=left_out):
                self.program.stop()
                self.desktop.reset_files()
                self.program.start()
                picked = dict(choices)
                picked[left_out] = None
                self.program.choose(**picked)
                self.program.click(LABEL2)
                box = self.expect_dialog("Error!")
                self.assertEqual(box["texts"], [SELECT_ALL])
                self.assertEqual(box["buttons"], ["OK"])
                self.assertEqual(len(box["icons"]), 1)
                if left_out == "hour":
                    self.assertEqual(self.desktop.icon_kind(box), "hand")  # critical stop
                self.assertEqual(box["owner"], self.program.hwnd)
                if left_out == "hour":
                    self.shot("error-message.png", box["hwnd"])
                self.press(box)
                self.assertIsNotNone(self.desktop.driver("gone", "Error!", UI_TIMEOUT * 1000,
                                                         check=False))
                self.assertEqual(self.program.caption(), "Tarnovelle")
                self.assertTrue(self.program.visible())

    def test_full_arming_tells_the_user_retitles_and_hides(self):
        hour, minute, second = far_from_now()
        self.program.choose(hour, minute, second, "Restard")
        self.program.click(LABEL2)
        box = self.expect_dialog("Attention!")
        self.assertEqual(box["texts"], [WILL_HIDE])
        self.assertEqual(len(box["icons"]), 1)
        self.assertEqual(self.desktop.icon_kind(box), "asterisk")  # information
        # Retitled while the message is up; still visible behind it.
        self.assertEqual(self.program.caption(), f"Tarnovelle - At: {hour}:{minute}:{second}")
        self.assertTrue(self.program.visible())
        self.shot("attention-message.png", box["hwnd"])
        self.press(box)
        self.program.wait_hidden()
        self.assertEqual(self.program.caption(), f"Tarnovelle - At: {hour}:{minute}:{second}")
        self.assertTrue(self.program.alive())

    def test_set_shutdown_button_from_the_keyboard_arms_and_disables_itself(self):
        hour, minute, second = far_from_now()
        self.program.choose(hour, minute, second, "Shutdown")
        # Command1 holds the focus; the space bar presses it.
        self.desktop.xdotool("key", "space")
        box = self.expect_dialog("Attention!")
        self.press(box)
        self.program.wait_hidden()
        self.assertEqual(self.program.caption(), f"Tarnovelle - At: {hour}:{minute}:{second}")
        self.assertFalse(self.program.children()[COMMAND1]["enabled"])

    def test_set_shutdown_button_refuses_run_file(self):
        hour, minute, second = far_from_now()
        self.program.choose(hour, minute, second, "Run File...")
        self.desktop.xdotool("key", "space")
        box = self.expect_dialog("Tarnovelle")
        self.assertEqual(box["texts"], ["Select"])
        self.assertEqual(box["icons"], [])
        self.press(box)
        self.assertIsNone(self.desktop.driver("dialog", "Select the file to run...", 500,
                                              check=False))
        self.assertEqual(self.program.caption(), "Tarnovelle")
        self.assertTrue(self.program.visible())


    def test_the_program_tells_windows_it_draws_at_each_monitors_scale(self):
        # Wine 8 takes every program for per-monitor aware; Windows (and
        # Wine 10) read the manifest: per-monitor v2, then v1, then the
        # system's scale on Windows before 8.1; never stretched by Windows.
        manifest = subprocess.run(["wrestool", "-x", "--raw", "--type=24", str(EXE)],
                                  stdout=subprocess.PIPE, check=True, timeout=60).stdout.decode()
        self.assertIn(">PerMonitorV2, PerMonitor</dpiAwareness>", manifest)
        self.assertIn(">true/pm</dpiAware>", manifest)
        self.assertNotIn("gdiScaling", manifest)
        self.assertTrue(self.program.alive())


class ProgramPicker(ProgramTest):

    def test_cancelled_picker_arms_nothing(self):
        hour, minute, second = far_from_now()
        self.program.choose(hour, minute, second, "Run File...")
        self.program.click(LABEL2)
        picker = self.expect_dialog("Select the file to run...")
        self.assertEqual(picker["owner"], self.program.hwnd)
        self.shot("program-picker.png", picker["hwnd"])
        self.press(picker, IDCANCEL)
        self.assertIsNotNone(self.desktop.driver("gone", "Select the file to run...",
                                                 UI_TIMEOUT * 1000, check=False))
        self.assertIsNone(self.desktop.driver("dialog", "Attention!", 1500, check=False))
        self.assertEqual(self.program.caption(), "Tarnovelle")
        self.assertTrue(self.program.visible())

    def test_file_typed_into_the_picker_is_armed(self):
        target = self.desktop.c_path(r"C:\files\nightly job.exe")
        target.write_bytes(b"MZ")
        hour, minute, second = far_from_now()
        self.program.choose(hour, minute, second, "Run File...")
        self.program.click(LABEL2)
        self.pick_in_file_dialog(r"C:\files\nightly job.exe")
        box = self.expect_dialog("Attention!")
        self.assertEqual(box["texts"], [WILL_HIDE])
        self.press(box)
        self.program.wait_hidden()
        self.assertEqual(self.program.caption(), f"Tarnovelle - At: {hour}:{minute}:{second}")

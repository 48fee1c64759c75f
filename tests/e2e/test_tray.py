"""The notification-area icon and the main window's wiring, with real mouse
input on the virtual desktop's notification area."""
import datetime

from harness import (COMMAND1, DRIVER, ITM_SHOW, LABEL2, LABEL4, OUT, TRAY_ICON, UI_TIMEOUT,
                     WM_COMMAND, ProgramTest, far_from_now, sleep_until, wait_for)


class TrayUser(ProgramTest):
    """A test that uses the notification icon as a user does."""

    fresh_desktop = True  # the icon in the first place of an empty notification area

    def hide_by_arming(self):
        hour, minute, second = far_from_now()
        self.program.choose(hour, minute, second, "Shutdown")
        self.program.click(LABEL2)
        self.press(self.expect_dialog("Attention!"))
        self.program.wait_hidden()

    def wait_for_icon(self):
        wait_for(self.desktop.icon_in_tray, UI_TIMEOUT, "no icon in the notification area")

    def menus(self):
        return self.desktop.driver("menus")

    def right_click_icon(self):
        self.desktop.xdotool("mousemove", *TRAY_ICON, "click", "3")
        wait_for(self.menus, UI_TIMEOUT, "no tray menu popped up")

    def wait_menu_closed(self, message):
        wait_for(lambda: self.menus() == [], UI_TIMEOUT, message)

    def double_click_icon(self):
        self.desktop.xdotool("mousemove", *TRAY_ICON, "click", "--repeat", "2", "--delay", "80",
                             "1")

    def click_menu_item(self, index):
        """A real click on the menu's item (0 Show, 1 Cancel, 2 About, 3 Exit):
        four rows of one height and a separator between the second and third."""
        left, top, width, height = map(int, self.menus()[0].split("\t"))
        border, separator = 3, 9
        row = (height - 2 * border - separator) // 4
        y = top + border + row * index + row // 2 + (separator if index >= 2 else 0)
        self.desktop.xdotool("mousemove", left + width // 3, y, "click", "1")


class Tray(TrayUser):
    def test_icon_appears_at_start_with_the_program_name_as_tip(self):
        self.wait_for_icon()
        self.desktop.xdotool("mousemove", TRAY_ICON[0] - 2, TRAY_ICON[1] - 2)
        self.desktop.xdotool("mousemove", *TRAY_ICON)
        wait_for(lambda: "Tarnovelle" in self.desktop.driver("tooltips"), UI_TIMEOUT,
                 "no tooltip")
        self.desktop.screenshot(OUT / "tray-tooltip.png")

    def test_double_click_on_the_icon_shows_the_hidden_window(self):
        self.hide_by_arming()
        self.double_click_icon()
        self.program.wait_shown()
        # Still armed: showing is not cancelling.
        self.assertTrue(self.program.caption().startswith("Tarnovelle - At: "))

    def test_right_click_pops_up_the_tray_menu_and_show_brings_the_window(self):
        # Wine tells a program where the taskbar lies only once another Wine
        # process has started after it (Windows knows it from the start).
        self.desktop.run(["wine", str(DRIVER), "windows"])
        self.hide_by_arming()
        self.right_click_icon()
        menus = self.menus()
        self.assertEqual(len(menus), 1)
        left, top, width, height = map(int, menus[0].split("\t"))
        self.assertLess(top + height, TRAY_ICON[1])  # above the icon
        self.desktop.xdotool("mousemove", left + width // 3, top + height // 2)
        wait_for(lambda: self.desktop.driver("tooltips") == [], UI_TIMEOUT,
                 "the icon's tip stayed")
        self.desktop.screenshot(OUT / "tray-menu.png")
        self.click_menu_item(0)
        self.program.wait_shown("Show did not show the window")
        self.assertEqual(self.menus(), [])

    def test_menu_items_answer_their_mnemonics(self):
        # The menu takes keys when its window can come to the front.
        hour, minute, second = far_from_now()
        self.program.choose(hour, minute, second, "Restard")
        self.desktop.xdotool("key", "space")  # Set Shutdown
        self.press(self.expect_dialog("Attention!"))
        self.program.wait_hidden()
        self.desktop.driver("post", self.program.hwnd, WM_COMMAND, ITM_SHOW, 0)
        self.program.wait_shown()
        self.right_click_icon()
        self.desktop.xdotool("key", "s")  # &Show: changes nothing on a visible window
        self.wait_menu_closed("s did not choose")
        self.assertTrue(self.program.caption().startswith("Tarnovelle - At: "))
        self.right_click_icon()
        self.desktop.xdotool("key", "c")  # &Cancel
        wait_for(lambda: self.program.caption() == "Tarnovelle", UI_TIMEOUT, "c did not cancel")
        self.assertTrue(self.program.children()[COMMAND1]["enabled"])
        self.right_click_icon()
        self.desktop.xdotool("key", "Escape")
        self.wait_menu_closed("Esc did not close it")
        self.right_click_icon()
        self.desktop.xdotool("key", "e")  # &Exit
        self.assertTrue(self.program.wait_exit(), "e did not exit")

    def test_menu_closes_on_an_outside_click_without_doing_anything(self):
        self.hide_by_arming()
        self.right_click_icon()
        self.desktop.xdotool("mousemove", 500, 300, "click", "1")
        self.wait_menu_closed("the menu stayed open")
        self.assertFalse(self.program.visible())
        # It opens again afterwards: nothing was left busy.
        self.right_click_icon()
        self.click_menu_item(0)
        self.program.wait_shown("Show did not show the window")

    def test_cancel_from_the_tray_disarms(self):
        # Hide (2 commands), pop the menu up (2), click Cancel (1) and see the
        # window back (2), all before the armed second.
        at, _ = self.arm("Shutdown", steps=7, warning=False)
        self.program.wait_hidden()
        self.right_click_icon()
        self.click_menu_item(1)
        self.program.wait_shown("Cancel did not show the window")
        self.assertLess(datetime.datetime.now(), at, "too slow to cancel before the time")
        self.assertEqual(self.program.caption(), "Tarnovelle")
        self.assertTrue(self.program.children()[COMMAND1]["enabled"])
        sleep_until(at + datetime.timedelta(seconds=2))
        self.assertEqual(self.desktop.records(), [])

    def test_exit_from_the_tray_removes_the_icon_and_ends(self):
        self.wait_for_icon()
        self.hide_by_arming()
        self.right_click_icon()
        self.click_menu_item(3)
        self.assertTrue(self.program.wait_exit(), "the process did not end")
        self.assertFalse(self.desktop.icon_in_tray(), "a dead icon was left")

    def test_close_label_ends_at_once_and_leaves_no_icon(self):
        hour, minute, second = far_from_now()
        self.program.choose(hour, minute, second, "Shutdown")
        self.wait_for_icon()
        self.program.click(LABEL4)
        self.assertTrue(self.program.wait_exit(), "the process did not end")
        self.assertFalse(self.desktop.icon_in_tray(), "a dead icon was left")

    def test_icon_comes_back_when_the_notification_area_is_created_anew(self):
        self.wait_for_icon()
        self.hide_by_arming()
        self.desktop.driver("tray-forget", self.program.hwnd)
        wait_for(lambda: not self.desktop.icon_in_tray(), UI_TIMEOUT, "the shell kept the icon")
        self.desktop.driver("taskbar-created")
        self.wait_for_icon()
        # And it works: a double-click brings the hidden window back.
        self.double_click_icon()
        self.program.wait_shown()

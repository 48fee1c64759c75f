"""The notification-area icon and the main window's wiring, with real mouse
input on the virtual desktop's notification area."""
import datetime
import time

from harness import (COMMAND1, ITM_SHOW, LABEL2, LABEL4, TRAY_ICON, WM_COMMAND, ProgramTest,
                     far_from_now, icon_in_tray, next_armable)


class Tray(ProgramTest):
    fresh_desktop = True  # the icon in the first place of an empty notification area

    def hide_by_arming(self):
        hour, minute, second = far_from_now()
        self.program.choose(hour, minute, second, "Shutdown")
        self.program.click(LABEL2)
        self.press(self.expect_dialog("Attention!"))
        self.wait_until(lambda: not self.program.visible(), 3, "the window did not hide")

    def right_click_icon(self):
        self.desktop.xdotool("mousemove", *TRAY_ICON, "click", "3")
        self.wait_until(lambda: self.desktop.driver("menus"), 3, "no tray menu popped up")
        time.sleep(0.3)

    def test_icon_appears_at_start_with_the_program_name_as_tip(self):
        self.wait_until(lambda: icon_in_tray(self.desktop), 5, "no icon in the notification area")
        self.desktop.xdotool("mousemove", TRAY_ICON[0] - 2, TRAY_ICON[1] - 2)
        self.desktop.xdotool("mousemove", *TRAY_ICON)
        self.wait_until(lambda: "Tarnovelle" in self.desktop.driver("tooltips"), 8,
                        f"no tooltip: {self.desktop.driver('tooltips')}")
        self.shot("tray-tooltip.png")

    def test_double_click_on_the_icon_shows_the_hidden_window(self):
        self.hide_by_arming()
        self.desktop.xdotool("mousemove", *TRAY_ICON, "click", "--repeat", "2", "--delay", "80", "1")
        self.wait_until(self.program.visible, 3, "the window did not come back")
        # Still armed: showing is not cancelling.
        self.assertTrue(self.program.caption().startswith("Tarnovelle - At: "))

    def click_menu_item(self, index):
        """A real click on the menu's item (0 Show, 1 Cancel, 2 About, 3 Exit):
        four rows of one height and a separator between the second and third."""
        left, top, width, height = map(int, self.desktop.driver("menus")[0].split("\t"))
        border, separator = 3, 9
        row = (height - 2 * border - separator) // 4
        y = top + border + row * index + row // 2 + (separator if index >= 2 else 0)
        self.desktop.xdotool("mousemove", left + width // 3, y)
        time.sleep(0.2)
        self.desktop.xdotool("click", "1")

    def test_right_click_pops_up_the_tray_menu_and_show_brings_the_window(self):
        self.hide_by_arming()
        self.right_click_icon()
        menus = self.desktop.driver("menus")
        self.assertEqual(len(menus), 1)
        left, top, width, height = map(int, menus[0].split("\t"))
        self.assertLess(top + height, TRAY_ICON[1])  # above the icon
        self.desktop.xdotool("mousemove", left + width // 3, top + height // 2)
        time.sleep(0.5)  # the icon's tip gone
        self.shot("tray-menu.png")
        self.click_menu_item(0)
        self.wait_until(self.program.visible, 3, "Show did not show the window")
        self.assertEqual(self.desktop.driver("menus"), [])

    def test_menu_items_answer_their_mnemonics(self):
        # The menu takes keys when its window can come to the front.
        hour, minute, second = far_from_now()
        self.program.choose(hour, minute, second, "Restard")
        self.desktop.xdotool("key", "space")  # Set Shutdown
        self.press(self.expect_dialog("Attention!"))
        self.wait_until(lambda: not self.program.visible(), 3, "the window did not hide")
        self.desktop.driver("post", self.program.hwnd, WM_COMMAND, ITM_SHOW, 0)
        self.wait_until(self.program.visible, 3, "the window did not come back")
        self.right_click_icon()
        self.desktop.xdotool("key", "s")  # &Show: changes nothing on a visible window
        self.wait_until(lambda: self.desktop.driver("menus") == [], 3, "s did not choose")
        self.assertTrue(self.program.caption().startswith("Tarnovelle - At: "))
        self.right_click_icon()
        self.desktop.xdotool("key", "c")  # &Cancel
        self.wait_until(lambda: self.program.caption() == "Tarnovelle", 3, "c did not cancel")
        self.assertTrue(self.program.children()[COMMAND1]["enabled"])
        self.right_click_icon()
        self.desktop.xdotool("key", "Escape")
        self.wait_until(lambda: self.desktop.driver("menus") == [], 3, "Esc did not close it")
        self.right_click_icon()
        self.desktop.xdotool("key", "e")  # &Exit
        self.assertTrue(self.program.wait_exit(5), "e did not exit")

    def test_menu_closes_on_an_outside_click_without_doing_anything(self):
        self.hide_by_arming()
        self.right_click_icon()
        self.desktop.xdotool("mousemove", 500, 300, "click", "1")
        self.wait_until(lambda: self.desktop.driver("menus") == [], 3, "the menu stayed open")
        self.assertFalse(self.program.visible())
        # It opens again afterwards: nothing was left busy.
        self.right_click_icon()
        self.click_menu_item(0)
        self.wait_until(self.program.visible, 3, "Show did not show the window")

    def test_cancel_from_the_tray_disarms(self):
        hour, minute, second, at, _ = next_armable(warning=False, margin=4)
        self.program.choose(hour, minute, second, "Shutdown")
        self.desktop.xdotool("key", "space")  # Set Shutdown: no warning
        self.press(self.expect_dialog("Attention!"))
        self.wait_until(lambda: not self.program.visible(), 3, "the window did not hide")
        self.right_click_icon()
        self.click_menu_item(1)
        self.wait_until(self.program.visible, 3, "Cancel did not show the window")
        self.assertEqual(self.program.caption(), "Tarnovelle")
        self.assertTrue(self.program.children()[COMMAND1]["enabled"])
        time.sleep(max((at - datetime.datetime.now()).total_seconds() + 1.5, 0))
        self.assertEqual(self.desktop.records(), [])

    def test_exit_from_the_tray_removes_the_icon_and_ends(self):
        self.wait_until(lambda: icon_in_tray(self.desktop), 5, "no icon in the notification area")
        self.hide_by_arming()
        self.right_click_icon()
        self.click_menu_item(3)
        self.assertTrue(self.program.wait_exit(5), "the process did not end")
        self.assertFalse(icon_in_tray(self.desktop), "a dead icon was left")

    def test_close_label_ends_at_once_and_leaves_no_icon(self):
        hour, minute, second, at, _ = next_armable(margin=3)
        self.program.choose(hour, minute, second, "Shutdown")
        self.wait_until(lambda: icon_in_tray(self.desktop), 5, "no icon in the notification area")
        self.program.click(LABEL4)
        self.assertTrue(self.program.wait_exit(5), "the process did not end")
        self.assertFalse(icon_in_tray(self.desktop), "a dead icon was left")

    def test_icon_comes_back_when_the_notification_area_is_created_anew(self):
        self.wait_until(lambda: icon_in_tray(self.desktop), 5, "no icon in the notification area")
        self.hide_by_arming()
        self.desktop.driver("tray-forget", self.program.hwnd)
        self.wait_until(lambda: not icon_in_tray(self.desktop), 3, "the shell kept the icon")
        self.desktop.driver("taskbar-created")
        self.wait_until(lambda: icon_in_tray(self.desktop), 5, "the icon did not come back")
        # And it works: a double-click brings the hidden window back.
        self.desktop.xdotool("mousemove", *TRAY_ICON, "click", "--repeat", "2", "--delay", "80", "1")
        self.wait_until(self.program.visible, 3, "the window did not come back")

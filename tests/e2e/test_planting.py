"""No DLL planted beside the program, or in the folder it runs in, loads into
it.

The program is walked through as a user would use it (start, the open-file
dialog opened and cancelled, the About window, the tray menu, the warning
window and a firing) twice. The first walk learns, from Wine's log of loaded
DLLs, every DLL name the program's process loads. The second walk plants a
DLL of each of those names beside the exe and in its working folder, and has
Wine look for each name there first, as Windows does for every DLL that is
not one of its KnownDLLs. Each planted DLL leaves a mark when anything loads
it: none may appear, and the log may show no DLL loaded from those folders.
"""
import datetime
import re
import shutil

from harness import (ABOUT_CLASS, ABOUT_CLOSE, IDCANCEL, ITM_EXIT, LABEL2, LABEL3, PLANT,
                     TRAY_ICON, UI_TIMEOUT, WARNING_CANCEL, Program, ProgramTest, click_in, far_from_now, find,
                     info, wait_for)

# "<pid>:<tid>:trace:loaddll:<function> Loaded L"<path>" at <address>: builtin|native"
LOADED = re.compile(r'^([0-9a-f]+):[0-9a-f]+:trace:loaddll:\w+ Loaded L"(.+?)" at '
                    r'[0-9A-Fa-f]+: (builtin|native)$')
# What every program gets before its first instruction; all KnownDLLs on Windows.
BEFORE_ENTRY = {"ntdll.dll", "kernelbase.dll", "kernel32.dll", "msvcrt.dll"}
PROGRAM_FOLDER = r"C:\tarnovelle"
WORKING_FOLDER = r"C:\work"
MARKS = r"C:\record\planted.txt"


class Planting(ProgramTest):
    fresh_desktop = True    # the icon in the first place of the notification area
    start_program = False   # each walk starts it with Wine's log of loaded DLLs

    def walk(self, name, env):
        """Starts the program with `env`, walks it through, ends it from the
        tray menu; what its process loaded: [(path, builtin or native)]."""
        output = self.log_dir / f"{name}.log"
        env = dict(env, WINEDEBUG="+pid,+loaddll,fixme-all", TARNOVELLE_PLANT_LOG=MARKS)
        self.program = Program(self.desktop, env=env, output=output).start()
        pid = int(info(self.desktop, self.program.hwnd)["pid"])
        wait_for(self.desktop.icon_in_tray, UI_TIMEOUT, "no icon in the notification area")

        hour, minute, second = far_from_now()
        self.program.choose(hour, minute, second, "Run File...")
        self.program.click(LABEL2)
        self.press(self.expect_dialog("Select the file to run..."), IDCANCEL)
        self.desktop.driver("gone", "Select the file to run...", UI_TIMEOUT * 1000)

        self.program.click(LABEL3)
        about = wait_for(lambda: self.desktop.windows_of_class(ABOUT_CLASS), UI_TIMEOUT,
                         "no About window")[0]
        click_in(self.desktop, about, ABOUT_CLOSE)
        wait_for(lambda: not self.desktop.windows_of_class(ABOUT_CLASS), UI_TIMEOUT,
                 "the About window stayed")

        self.desktop.xdotool("mousemove", *TRAY_ICON, "click", "3")
        wait_for(lambda: self.desktop.driver("menus"), UI_TIMEOUT, "no tray menu")
        self.desktop.xdotool("key", "Escape")
        wait_for(lambda: self.desktop.driver("menus") == [], UI_TIMEOUT, "the menu stayed")

        at, _ = self.arm("Shutdown", steps=0)
        left = (at - datetime.datetime.now()).total_seconds()
        warning = find(self.desktop, "Attention", left + UI_TIMEOUT)
        self.assertIsNotNone(warning, "no warning window")
        wait_for(self.desktop.records, left + UI_TIMEOUT, "the action did not fire")

        # The warning stays after a firing and would keep the program alive.
        click_in(self.desktop, warning[0], WARNING_CANCEL)
        self.program.wait_shown()
        self.program.menu(ITM_EXIT)
        self.assertTrue(self.program.wait_exit(), "the program did not end")
        loaded = []
        for line in output.read_text(errors="replace").splitlines():
            match = LOADED.match(line)
            if match and int(match[1], 16) == pid:
                loaded.append((match[2].replace("\\\\", "\\"), match[3]))
        return loaded

    def test_no_dll_planted_beside_the_program_or_in_its_folder_loads(self):
        # The desktop's own processes are up before the program, so only the
        # program and what it starts get the planting settings.
        self.desktop.driver("windows")
        learned = self.walk("learn", {})
        names = sorted({path.rsplit("\\", 1)[1].lower() for path, _ in learned
                        if path.lower().endswith((".dll", ".drv"))} - BEFORE_ENTRY)
        self.assertIn("user32.dll", names)
        self.assertIn("comdlg32.dll", names)  # the walk opened the file dialog
        # The common controls come from the side-by-side assembly the manifest names.
        controls = [path.lower() for path, _ in learned if path.lower().endswith("\\comctl32.dll")]
        self.assertTrue(controls and all("winsxs" in p and "6.0." in p for p in controls),
                        controls)
        print(f"\n  planted {len(names)} DLL names: {' '.join(names)}")

        self.desktop.reset_files()  # no records, no marks
        for folder in (PROGRAM_FOLDER, WORKING_FOLDER):
            for name in names:
                shutil.copy(PLANT, self.desktop.c_path(folder) / name)
        marks = self.desktop.c_path(MARKS)
        # Looked for in the program's folder first, as Windows does.
        overrides = ";".join(f"{name.removesuffix('.dll')}=n,b" for name in names)
        loaded = self.walk("planted",
                           {"WINEDLLOVERRIDES": f"{self.desktop.env['WINEDLLOVERRIDES']};{overrides}"})

        self.assertFalse(marks.exists() and marks.read_text(errors="replace").strip(),
                         f"planted DLLs ran: {marks.read_text(errors='replace') if marks.exists() else ''}")
        from_planted = [path for path, _ in loaded
                        if path.lower().startswith((PROGRAM_FOLDER.lower() + "\\",
                                                    WORKING_FOLDER.lower() + "\\"))
                        and not path.lower().endswith(".exe")]
        self.assertEqual(from_planted, [], "DLLs loaded from the planted folders")

"""End-to-end harness: the real tarnovelle.exe under Wine, on an X server of
its own, driven as a user would drive it.

One Wine prefix per build directory (build/e2e/prefix), one virtual desktop
shared by every process of the prefix, so the program, its tray icon and
the test driver all see each other. Every wait has a time-out.
"""

import datetime
import os
import shutil
import signal
import subprocess
import time
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BUILD = ROOT / "build"
WINDOWS_BUILD = BUILD / "windows"
EXE = WINDOWS_BUILD / "tarnovelle.exe"
DRIVER = WINDOWS_BUILD / "tests" / "driver.exe"
RECORDER = WINDOWS_BUILD / "tests" / "recorder.exe"
OUT = BUILD / "e2e"
PREFIX = OUT / "prefix"

DESKTOP_SIZE = (1024, 768)

# Child-window ids of the main window's controls, as the program numbers
# them (1000 + the control's number in the window's design).
COMMAND3, COMMAND2, COMMAND1 = 1003, 1004, 1005
COMBO4, COMBO1, COMBO2, COMBO3 = 1006, 1007, 1008, 1009
NTIME = 1010
# Menu command ids (2000 + the item's number).
ITM_SHOW, CANCELZOP, ITM_ABOUT, ITM_EXIT = 2101, 2102, 2104, 2105
WM_COMMAND = 0x0111
WM_MOUSEMOVE = 0x0200
IDOK, IDCANCEL = 1, 2

# Click areas of the main window, in client pixels (twips / 15).
LABEL2 = (272, 152, 169, 33)   # over the drawn Set Action button
LABEL3 = (272, 216, 177, 33)   # About
LABEL4 = (272, 256, 177, 33)   # Close

# Seconds the seconds list offers.
SECONDS = [10, 15, 20, 25, 30, 35, 40, 45, 50, 55, 59]


class DriverError(AssertionError):
    pass


def _free_display():
    for n in range(90, 140):
        if not Path(f"/tmp/.X11-unix/X{n}").exists() and not Path(f"/tmp/.X{n}-lock").exists():
            return n
    raise RuntimeError("no free X display number")


class Desktop:
    """An X server, a Wine prefix and its one virtual desktop."""

    def __init__(self, prefix=None):
        self.prefix = Path(prefix) if prefix else PREFIX
        self.xvfb = None
        self.display = None
        self.env = None

    # -- set-up ---------------------------------------------------------------

    def start(self):
        OUT.mkdir(parents=True, exist_ok=True)
        self.prefix.parent.mkdir(parents=True, exist_ok=True)
        n = _free_display()
        self.display = f":{n}"
        self.xvfb = subprocess.Popen(
            ["Xvfb", self.display, "-screen", "0", f"{DESKTOP_SIZE[0]}x{DESKTOP_SIZE[1]}x24",
             "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self._wait(lambda: Path(f"/tmp/.X11-unix/X{n}").exists(), 10, "Xvfb did not start")
        self.env = dict(os.environ)
        self.env.update({
            "DISPLAY": self.display,
            "WINEPREFIX": str(self.prefix),
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
            "TARNOVELLE_RECORD_LOG": r"C:\record\log.txt",
        })
        self.env.pop("WINESERVER", None)
        self._init_prefix()
        self.reset_files()

    def _init_prefix(self):
        marker = self.prefix / ".tarnovelle-ready"
        if marker.exists():
            return
        shutil.rmtree(self.prefix, ignore_errors=True)
        self.run(["wineboot", "-i"], timeout=180)
        # Every process of the prefix shares one virtual desktop.
        self.reg_add(r"HKCU\Software\Wine\Explorer", "Desktop", "Default")
        self.reg_add(r"HKCU\Software\Wine\Explorer\Desktops", "Default",
                     f"{DESKTOP_SIZE[0]}x{DESKTOP_SIZE[1]}")
        # Metric-compatible stand-ins for the Windows fonts the program names.
        self.reg_add(r"HKCU\Software\Wine\Fonts\Replacements", "Courier New", "Liberation Mono")
        self.run(["wineserver", "-w"], timeout=60)
        marker.write_text("ok\n")

    def reg_add(self, key, name, value):
        self.run(["wine", "reg", "add", key, "/v", name, "/d", value, "/f"], timeout=60)

    def reset_files(self):
        """Fresh program folder, current folder and record log."""
        c = self.prefix / "drive_c"
        for d in ("tarnovelle", "work", "record", "files"):
            shutil.rmtree(c / d, ignore_errors=True)
            (c / d).mkdir(parents=True)
        shutil.copy(EXE, c / "tarnovelle" / "tarnovelle.exe")
        self.install_system_shutdown(True)

    def install_system_shutdown(self, present):
        """Put the recorder in place of the system's shutdown.exe (or take it away)."""
        system = self.prefix / "drive_c" / "windows" / "syswow64" / "shutdown.exe"
        saved = self.prefix / "drive_c" / "windows" / "syswow64" / "shutdown.exe.wine"
        if system.exists() and not saved.exists():
            shutil.move(system, saved)
        if system.exists():
            system.unlink()
        if present:
            shutil.copy(RECORDER, system)

    def stop(self):
        if self.env:
            subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=30)
        if self.xvfb:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()

    def restart_wine(self):
        """A fresh desktop (and notification area) for the next test."""
        subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=30)
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=30)

    # -- helpers --------------------------------------------------------------

    @staticmethod
    def _wait(condition, timeout, message):
        until = time.monotonic() + timeout
        while time.monotonic() < until:
            if condition():
                return
            time.sleep(0.05)
        raise RuntimeError(message)

    def run(self, args, timeout=30, cwd=None):
        return subprocess.run(args, env=self.env, cwd=cwd, timeout=timeout,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)

    def driver(self, *args, timeout=30, check=True):
        """Runs one driver command; its output lines."""
        result = subprocess.run(["wine", str(DRIVER), *map(str, args)], env=self.env,
                                timeout=timeout, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL)
        lines = result.stdout.decode("utf-8", "replace").splitlines()
        if check and result.returncode != 0:
            raise DriverError(f"driver {' '.join(map(str, args))} failed ({result.returncode})")
        return lines if result.returncode == 0 else None

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, timeout=30, check=True)

    def screenshot(self, path):
        path = Path(path)
        path.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["import", "-window", "root", str(path)], env=self.env, timeout=30,
                       check=True)
        return path

    def c_path(self, windows_path):
        """The Unix path of a C:\\ path in the prefix."""
        assert windows_path[:3].upper() == "C:\\"
        return self.prefix / "drive_c" / windows_path[3:].replace("\\", "/")

    def records(self):
        """Lines of the recorder's log: (program, command line, created, now)."""
        log = self.c_path(r"C:\record\log.txt")
        if not log.exists():
            return []
        return [tuple(line.split("\t")) for line in
                log.read_text(encoding="utf-8").splitlines() if line]


def info(desktop, hwnd):
    lines = desktop.driver("info", hwnd)
    return dict(line.split("=", 1) for line in lines)


def dialog(desktop, title, timeout_ms=5000):
    """Waits for a dialog box; its hwnd, texts and buttons, or None."""
    lines = desktop.driver("dialog", title, timeout_ms, check=False)
    if lines is None:
        return None
    result = {"texts": [], "buttons": [], "icons": []}
    for line in lines:
        key, _, value = line.partition("=")
        if key == "text":
            result["texts"].append(value)
        elif key == "button":
            result["buttons"].append(value)
        elif key == "icon":
            result["icons"].append(value)
        else:
            result[key] = value
    return result


class Program:
    """One running tarnovelle.exe."""

    def __init__(self, desktop, exe=r"C:\tarnovelle\tarnovelle.exe", cwd=r"C:\work"):
        self.desktop = desktop
        self.exe = exe
        self.cwd = cwd
        self.process = None
        self.hwnd = None

    def start(self):
        self.process = subprocess.Popen(
            ["wine", self.exe], env=self.desktop.env, cwd=self.desktop.c_path(self.cwd),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.hwnd = self.desktop.driver("find", "Tarnovelle", 20000, "visible")[0]
        return self

    def alive(self):
        return self.process is not None and self.process.poll() is None

    def wait_exit(self, timeout):
        try:
            self.process.wait(timeout)
            return True
        except subprocess.TimeoutExpired:
            return False

    def stop(self):
        if not self.alive():
            return
        # The tray menu's Exit first, so no dead icon is left; then by force.
        self.desktop.driver("post", self.hwnd, WM_COMMAND, ITM_EXIT, 0, check=False)
        if not self.wait_exit(3):
            self.process.send_signal(signal.SIGKILL)
            self.wait_exit(5)

    # -- the main window ------------------------------------------------------

    def info(self):
        return info(self.desktop, self.hwnd)

    def caption(self):
        return self.info()["title"]

    def visible(self):
        return self.info()["visible"] == "1"

    def children(self):
        rows = {}
        for line in self.desktop.driver("children", self.hwnd):
            cid, cls, visible, enabled, x, y, w, h, handle, text = (line.split("\t") + [""])[:10]
            rows[int(cid)] = {"class": cls, "visible": visible == "1", "enabled": enabled == "1",
                              "rect": (int(x), int(y), int(w), int(h)), "hwnd": handle,
                              "text": text}
        return rows

    def select(self, list_id, text):
        self.desktop.driver("select", self.hwnd, list_id, text)

    def choose(self, hour=None, minute=None, second=None, action=None):
        for list_id, value in ((COMBO1, hour), (COMBO2, minute), (COMBO3, second),
                               (COMBO4, action)):
            if value is not None:
                self.select(list_id, value)

    def click(self, area):
        """A real left click in the middle of a click area of the window."""
        i = self.info()
        x = int(i["client_x"]) + area[0] + area[2] // 2
        y = int(i["client_y"]) + area[1] + area[3] // 2
        self.desktop.xdotool("mousemove", x, y, "click", "1")

    def menu(self, command_id):
        self.desktop.driver("post", self.hwnd, WM_COMMAND, command_id, 0)


# The warning second for each second the list offers (ten-second blocks).
WARN_SECOND = {10: 0, 15: 10, 20: 10, 25: 20, 30: 20, 35: 30, 40: 30, 45: 40, 50: 40,
               55: 50, 59: 50}


def next_armable(warning=True, margin=1.5):
    """The nearest time the lists allow that lies far enough ahead for the
    arming (and, with warning, its warning second) to take effect:
    (hour, minute, second texts, action datetime, warning datetime)."""
    now = datetime.datetime.now()
    minute = now.replace(second=0, microsecond=0)
    for offset in range(0, 3):
        start = minute + datetime.timedelta(minutes=offset)
        for s in SECONDS:
            at = start.replace(second=s)
            warn = start.replace(second=WARN_SECOND[s])
            if (at - now).total_seconds() < margin:
                continue
            if warning and (warn - now).total_seconds() < margin:
                continue
            return (f"{at.hour:02d}", f"{at.minute:02d}", f"{at.second:02d}", at, warn)
    raise RuntimeError("no armable time")


def far_from_now():
    """A time the lists allow that lies hours away: (hour, minute, second)."""
    now = datetime.datetime.now()
    return (f"{(now.hour + 12) % 24:02d}", "30", "15")


# The desktop the test run shares; set up by run.py.
DESKTOP = None


class ProgramTest(unittest.TestCase):
    """Each test starts its own tarnovelle.exe on fresh folders and ends it."""

    fresh_desktop = False  # a new notification area for each test

    def setUp(self):
        self.desktop = DESKTOP
        if self.fresh_desktop:
            self.desktop.restart_wine()
        self.desktop.reset_files()
        self.program = Program(self.desktop).start()

    def tearDown(self):
        result = self._outcome.result
        if any(test is self for test, _ in result.failures + result.errors):
            self.desktop.screenshot(OUT / "failures" / f"{self.id()}.png")
        self.program.stop()

    def shot(self, name):
        return self.desktop.screenshot(OUT / name)

    def expect_dialog(self, title, timeout_ms=5000):
        box = dialog(self.desktop, title, timeout_ms)
        self.assertIsNotNone(box, f"no dialog titled {title!r}")
        return box

    def pick_in_file_dialog(self, path):
        """Types a path into the open-file dialog, as a user would, and opens it."""
        self.expect_dialog("Select the file to run...")
        time.sleep(0.5)  # the file name field has the focus, its initial text selected
        self.desktop.xdotool("type", "--delay", "20", path)
        self.desktop.xdotool("key", "Return")

    def press(self, box, button_id=IDOK):
        self.desktop.driver("press", box["hwnd"], button_id)

    def wait_until(self, condition, timeout, message):
        until = time.monotonic() + timeout
        while time.monotonic() < until:
            if condition():
                return
            time.sleep(0.05)
        self.fail(message)


# Where the first notification icon sits on the virtual desktop.
TRAY_ICON = (1012, 758)


def icon_in_tray(desktop):
    """True when the first notification-area place shows an icon: the
    taskbar there is one flat colour otherwise."""
    shot = OUT / "tray-probe.png"
    desktop.screenshot(shot)
    x, y = TRAY_ICON
    result = subprocess.run(
        ["convert", str(shot), "-crop", f"16x16+{x - 8}+{y - 8}", "+repage",
         "-colorspace", "gray", "-format", "%[fx:standard_deviation]", "info:"],
        stdout=subprocess.PIPE, text=True, timeout=30, check=True)
    return float(result.stdout) > 0.02

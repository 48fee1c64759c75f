"""End-to-end harness: the real tarnovelle.exe under Wine, on an X server of
its own, driven as a user would drive it.

A Desktop is an X server, a Wine prefix and one virtual desktop shared by
every process of the prefix, so the program, its tray icon and the test
driver all see each other. The prefix is prepared by scripts/wine-prefix.sh
like the one `make run` uses (build/e2e/prefix); each lane of run.py works
in a copy of its own. The driver runs in one Wine process per desktop,
command after command.

Control ids and client rectangles come from the windows' design tables
(build/linux/designs.json, written by the designs_json tool at build time).

Nothing here depends on a step finishing within a few seconds: every wait is
on a condition with a hard time-out (`wait_for`), and a test that arms a
near time arms it far enough ahead for the steps it takes, at what steps
cost on this machine as measured while the tests run (`Costs`). A failing
test leaves its screenshot and the Wine output of the program and the
driver in build/e2e/tests/<test>/.
"""
import collections
import datetime
import json
import os
import select
import shutil
import signal
import subprocess
import sys
import threading
import time
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BUILD = ROOT / "build"
WINDOWS_BUILD = BUILD / "windows"
EXE = WINDOWS_BUILD / "tarnovelle.exe"
DRIVER = WINDOWS_BUILD / "tests" / "driver.exe"
RECORDER = WINDOWS_BUILD / "tests" / "recorder.exe"
PLANT = WINDOWS_BUILD / "tests" / "plant.dll"
DESIGNS_JSON = Path(os.environ.get("TARNOVELLE_DESIGNS") or BUILD / "linux" / "designs.json")
PREFIX_SCRIPT = ROOT / "scripts" / "wine-prefix.sh"
OUT = BUILD / "e2e"
PREFIX = OUT / "prefix"
TEST_OUT = OUT / "tests"

DESKTOP_SIZE = (1024, 768)
# Where the first notification icon sits on the virtual desktop.
TRAY_ICON = (1012, 758)

# How long a window may take to react to the user. Generous: a wait ends as
# soon as its condition holds, and machines here can be slow and busy.
UI_TIMEOUT = 30

WM_CLOSE = 0x0010
WM_COMMAND = 0x0111
# The message the shell sends with the tray icon's events (WM_APP + 2).
TRAY_CALLBACK = 0x8002
IDOK, IDCANCEL = 1, 2

# ---- The windows' designs ---------------------------------------------------

if not DESIGNS_JSON.exists():
    sys.exit(f"missing {DESIGNS_JSON}: build the linux preset first")
DESIGNS = json.loads(DESIGNS_JSON.read_text())


def control(form, name):
    return DESIGNS[form]["controls"][name]


def control_id(form, name):
    """The child window id a control of `form` carries."""
    return control(form, name)["id"]


def rect(form, name):
    """A control's (left, top, width, height) in client pixels."""
    return tuple(control(form, name)["rect"])


def command(form, name):
    """The WM_COMMAND id of a menu item."""
    return DESIGNS[form]["menu"][name]["id"]


COMMAND1, COMMAND2, COMMAND3 = (control_id("Form1", n) for n in ("Command1", "Command2", "Command3"))
COMBO1, COMBO2, COMBO3, COMBO4 = (control_id("Form1", f"Combo{n}") for n in range(1, 5))
NTIME = control_id("Form1", "ntime")
ITM_SHOW, CANCELZOP, ITM_ABOUT, ITM_EXIT = (
    command("Form1", n) for n in ("itmShowMainWindow", "cancelzop", "itmAbout", "itmExit"))
LABEL2 = rect("Form1", "Label2")  # over the drawn Set Action button
LABEL3 = rect("Form1", "Label3")  # over the drawn About button
LABEL4 = rect("Form1", "Label4")  # over the drawn Close button
WARNING_CANCEL = rect("Attention", "Label1")  # over the warning's drawn Cancel button
ABOUT_CLOSE = rect("fAbout", "Label1")        # over the About window's drawn Close button
ATTENTION_CLASS = DESIGNS["Attention"]["class"]
ABOUT_CLASS = DESIGNS["fAbout"]["class"]

# ---- Waiting ------------------------------------------------------------------


class WaitTimeout(AssertionError):
    pass


def wait_for(condition, timeout, message):
    """Polls `condition` until it returns something true, and returns that;
    fails the test with `message` after `timeout` seconds."""
    until = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= until:
            raise WaitTimeout(f"{message} (waited {timeout:.0f} s)")
        time.sleep(0.05)


def stays(condition, seconds, message):
    """Fails at once when `condition` stops holding within `seconds`: for
    what must not happen, given the time it would take to happen."""
    until = time.monotonic() + seconds
    while time.monotonic() < until:
        if not condition():
            raise AssertionError(message)
        time.sleep(0.05)


def sleep_until(moment):
    """Waits for the wall clock to reach `moment` (a datetime)."""
    left = (moment - datetime.datetime.now()).total_seconds()
    if left > 0:
        time.sleep(left)


def voluntary_switches(pid):
    """How often the Linux process's threads have gone to sleep waiting, all
    told: each wake-up of a Win32 program under Wine costs one or two."""
    total = 0
    for status in Path(f"/proc/{pid}/task").glob("*/status"):
        try:
            for line in status.read_text().splitlines():
                if line.startswith("voluntary_ctxt_switches:"):
                    total += int(line.split()[1])
        except FileNotFoundError:  # a thread that just ended
            pass
    return total


def execution_mode():
    """How this machine runs 32-bit x86 programs: 'native', or the emulator
    that binfmt_misc hands them to."""
    entry = Path("/proc/sys/fs/binfmt_misc/qemu-i386")
    if entry.exists() and entry.read_text().startswith("enabled"):
        interpreter = next(line.split(" ", 1)[1] for line in entry.read_text().splitlines()
                           if line.startswith("interpreter "))
        version = subprocess.run([interpreter, "--version"], stdout=subprocess.PIPE,
                                 text=True).stdout.splitlines()[0]
        return f"emulated ({version})"
    return "native"


# Driver commands that wait for the program or for time to pass: what they
# take says nothing of what a step costs.
WAITING_COMMANDS = {"find", "gone", "dialog", "send", "acc-do", "acc-events", "cover"}


class DriverServer:
    """One driver process that runs command after command (`driver.exe
    serve`): a Wine process start costs far more than most commands, above
    all where 32-bit programs run under emulation. Its Wine output goes to
    the current test's driver.log."""

    END = "\x1e"  # starts the line after a command's output, with its exit code

    def __init__(self, desktop):
        self.desktop = desktop
        self.process = subprocess.Popen(["wine", str(DRIVER), "serve"], env=desktop.env,
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE)
        self.pending = b""
        threading.Thread(target=self._copy_output, daemon=True).start()

    def _copy_output(self):
        for line in self.process.stderr:
            with self.desktop.log("driver.log") as log:
                log.write(line)

    def alive(self):
        return self.process.poll() is None

    def run(self, args, timeout):
        """(exit code, output lines) of one command."""
        words = [str(a) for a in args]
        assert not any(c in w for w in words for c in "\t\r\n"), words
        self.process.stdin.write(("\t".join(words) + "\n").encode("utf-8"))
        self.process.stdin.flush()
        until = time.monotonic() + timeout
        lines = []
        while True:
            line = self._line(until, words)
            if line.startswith(self.END):
                return int(line[1:]), lines
            lines.append(line)

    def _line(self, until, words):
        out = self.process.stdout.fileno()
        while b"\n" not in self.pending:
            left = until - time.monotonic()
            if left <= 0 or not select.select([out], [], [], left)[0]:
                self.stop()
                raise subprocess.TimeoutExpired(["driver", *words], 0)
            chunk = os.read(out, 65536)
            if not chunk:
                raise AssertionError(f"the driver ended during {' '.join(words)}")
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        return line.rstrip(b"\r").decode("utf-8", "replace")

    def stop(self):
        if self.alive():
            self.process.kill()
        self.process.wait()


class Costs:
    """What a step of a test costs on this machine now, measured as the tests
    go: a driver command, or a user's action and the program's answer to it
    (from the click on Set Action to its message). It is the dearest of the
    last few, so a machine that gets busier is seen at once."""

    def __init__(self, start):
        self.start = start  # a Wine process start: dearer than any step
        self.commands = collections.deque(maxlen=12)
        self.answers = collections.deque(maxlen=6)

    def driver(self, seconds):
        self.commands.append(seconds)

    def answer(self, seconds):
        self.answers.append(seconds)

    @property
    def step(self):
        return max([*self.commands, *self.answers] or [self.start])

    def ahead(self, steps):
        """Seconds ahead to arm a time, for a test that takes `steps` steps
        before the time must not yet have come: twice what they cost lately,
        and a second for the wall clock's own second to turn."""
        return 1.0 + 2.0 * steps * self.step


class Desktop:
    """An X server, a Wine prefix and its one virtual desktop."""

    def __init__(self, prefix=None, scratch=None):
        """prefix: the Wine prefix (prepared here if it is not); scratch: a
        folder for this desktop's passing screenshots."""
        self.prefix = Path(prefix) if prefix else PREFIX
        self.scratch = Path(scratch) if scratch else OUT
        self.xvfb = None
        self.display = None
        self.env = None
        self.server = None    # the driver, serving commands
        self.costs = None     # what steps cost here, once started
        self.log_pixels = 96  # the display scale the desktop's programs see
        self.log_dir = None   # where the current test's output goes

    # -- set-up ---------------------------------------------------------------

    def start(self):
        self.scratch.mkdir(parents=True, exist_ok=True)
        # Xvfb takes the first free display and says which: no two lanes
        # started at once can pick the same one.
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0",
             f"{DESKTOP_SIZE[0]}x{DESKTOP_SIZE[1]}x24", "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(write,))
        os.close(write)
        with os.fdopen(read) as said:
            if not select.select([said], [], [], UI_TIMEOUT)[0]:
                raise RuntimeError("Xvfb did not start")
            self.display = f":{said.readline().strip()}"
        if self.display == ":":
            raise RuntimeError("Xvfb did not start")
        self.env = dict(os.environ)
        self.env.update({
            "DISPLAY": self.display,
            "WINEPREFIX": str(self.prefix),
            # Wine's errors reach the test's log; its fixme notes do not.
            "WINEDEBUG": "fixme-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
            "TARNOVELLE_RECORD_LOG": r"C:\record\log.txt",
        })
        self.env.pop("WINESERVER", None)
        subprocess.run([str(PREFIX_SCRIPT), str(self.prefix)], env=self.env, timeout=600,
                       check=True)
        self.reset_files()
        self.measure()

    def measure(self, start=True):
        """A first look at what steps cost: a Wine process start (the second:
        the first brings the desktop up), driver commands, and the program's
        answer to an arming far ahead, which is then called off. Without
        start, what steps cost now, forgetting what they cost before (the
        machine has become quieter)."""
        if start:
            for _ in range(2):
                started = time.monotonic()
                subprocess.run(["wine", str(DRIVER), "windows"], env=self.env, timeout=300,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.costs = Costs(time.monotonic() - started)
        else:
            self.costs = Costs(self.costs.start)
        for _ in range(3):
            self.driver("windows")
        program = Program(self).start()
        try:
            program.choose(*far_from_now(), "Shutdown")
            clicked = time.monotonic()
            # The drawn Set Action where it lies at the desktop's scale.
            program.click(tuple(control("Form1", "Label2")["rect_at"][str(self.log_pixels)]))
            box = dialog(self, "Attention!")
            self.costs.answer(time.monotonic() - clicked)
            self.driver("press", box["hwnd"], IDOK)
            program.wait_hidden()
            program.menu(CANCELZOP)
        finally:
            program.stop()
        print(f"wine: 32-bit programs {execution_mode()}; on {self.display} a Wine process "
              f"starts in {self.costs.start:.2f} s, a driver command takes "
              f"{max(self.costs.commands):.2f} s, the program answers in "
              f"{max(self.costs.answers):.2f} s", file=sys.stderr)

    @property
    def step(self):
        """Seconds a step takes here, lately at most."""
        return self.costs.step

    def ahead(self, steps):
        return self.costs.ahead(steps)

    def stop_driver(self):
        if self.server is not None:
            self.server.stop()
            self.server = None

    def stop(self):
        self.stop_driver()
        if self.env:
            subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=60)
        if self.xvfb:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()

    def restart_wine(self):
        """A fresh desktop (and notification area) for the next test."""
        self.stop_driver()
        subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=60)

    def set_log_pixels(self, dpi):
        """The display scale every program started from now on sees
        (HKCU\\Control Panel\\Desktop, LogPixels: 96 is 100 %). Each Wine
        process reads it once, when it starts: the desktop's processes are
        ended first, the value is set and written out, and a new process is
        asked what it sees."""
        if dpi == self.log_pixels:
            return
        self.restart_wine()
        subprocess.run(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels",
                        "/t", "REG_DWORD", "/d", str(dpi), "/f"], env=self.env, timeout=300,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=120)
        seen = self.driver("dpi")[0]
        if seen != str(dpi):
            raise RuntimeError(f"LogPixels {dpi} was set, but a new process sees {seen}")
        self.log_pixels = dpi

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

    # -- helpers --------------------------------------------------------------

    def log(self, name):
        """A file of the current test's output (appended to), or nowhere."""
        return open(os.devnull if self.log_dir is None else self.log_dir / name, "ab")

    def run(self, args, timeout=60, cwd=None):
        with self.log("wine.log") as log:
            return subprocess.run(args, env=self.env, cwd=cwd, timeout=timeout,
                                  stdout=subprocess.PIPE, stderr=log, text=True)

    def driver(self, *args, timeout=120, check=True):
        """Runs one driver command; its output lines (None when it failed and
        check is off)."""
        starting = self.server is None or not self.server.alive()
        if starting:
            self.server = DriverServer(self)
        started = time.monotonic()
        returncode, lines = self.server.run(args, timeout)
        if not starting and args[0] not in WAITING_COMMANDS and args[-1] != "sync":
            self.costs.driver(time.monotonic() - started)
        if check and returncode != 0:
            raise AssertionError(f"driver {' '.join(map(str, args))} failed ({returncode})")
        return lines if returncode == 0 else None

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, timeout=60, check=True)

    def screenshot(self, path):
        path = Path(path)
        path.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["import", "-window", "root", str(path)], env=self.env, timeout=60,
                       check=True)
        return path

    def _region(self, shot, box):
        """Signature, standard deviation and mean (r, g, b) of a region of a
        screenshot."""
        x, y, w, h = box
        out = subprocess.run(
            ["convert", str(shot), "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-format",
             "%# %[fx:standard_deviation] %[fx:mean.r] %[fx:mean.g] %[fx:mean.b]", "info:"],
            stdout=subprocess.PIPE, text=True, timeout=60, check=True).stdout.split()
        return out[0], float(out[1]), tuple(float(v) for v in out[2:5])

    def screenshot_painted(self, path, hwnd):
        """A screenshot once the window is painted: its area is not one flat
        colour and looks the same in two shots in a row. The window alone
        goes to windows/ beside it."""
        i = info(self, hwnd)
        box = (int(i["window_x"]), int(i["window_y"]), int(i["window_w"]), int(i["window_h"]))
        previous = [None]

        def painted():
            self.screenshot(path)
            signature, spread, _ = self._region(path, box)
            same = signature == previous[0]
            previous[0] = signature
            return spread > 0.02 and same

        wait_for(painted, UI_TIMEOUT, f"window {hwnd} was not painted")
        # And the window alone, with a pixel of the desktop around it.
        alone = Path(path).parent / "windows" / Path(path).name
        alone.parent.mkdir(parents=True, exist_ok=True)
        x, y, w, h = box
        subprocess.run(["convert", str(path), "-crop", f"{w + 2}x{h + 2}+{x - 1}+{y - 1}",
                        "+repage", str(alone)], timeout=60, check=True)
        return Path(path)

    def icon_kind(self, box):
        """Which standard icon a dialog box shows, told by its colours (another
        process's icon handles cannot be compared): 'exclamation' (yellow),
        'hand' (red), 'asterisk' (blue) or 'other'."""
        shot = self.scratch / "icon-probe.png"
        self.screenshot(shot)
        r, g, b = self._region(shot, box["icon_rects"][0])[2]
        if r - b > 0.1 and g - b > 0.05:
            return "exclamation"
        if r - g > 0.15 and r - b > 0.15:
            return "hand"
        if b - r > 0.1:
            return "asterisk"
        return "other"

    def icon_in_tray(self):
        """True when the first notification-area place shows an icon: the
        taskbar there is one flat colour otherwise."""
        shot = self.scratch / "tray-probe.png"
        self.screenshot(shot)
        x, y = TRAY_ICON
        return self._region(shot, (x - 8, y - 8, 16, 16))[1] > 0.02

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

    def windows_of_class(self, window_class, only_visible=True):
        rows = [w.split("\t") for w in self.driver("windows")]
        return [r[0] for r in rows
                if r[2] == window_class and (not only_visible or r[3] == "visible")]


def info(desktop, hwnd):
    lines = desktop.driver("info", hwnd)
    return dict(line.split("=", 1) for line in lines)


def dialog(desktop, title, timeout=UI_TIMEOUT):
    """Waits for a dialog box; its hwnd, texts and buttons, or None."""
    lines = desktop.driver("dialog", title, int(timeout * 1000), check=False)
    if lines is None:
        return None
    result = {"texts": [], "buttons": [], "icons": [], "icon_rects": []}
    for line in lines:
        key, _, value = line.partition("=")
        if key == "text":
            result["texts"].append(value)
        elif key == "button":
            result["buttons"].append(value)
        elif key == "icon":
            result["icons"].append(value)
        elif key == "icon_rect":
            result["icon_rects"].append(tuple(map(int, value.split())))
        else:
            result[key] = value
    return result


def find(desktop, title, timeout, state="visible", window_class=None):
    """Waits for a top-level window (of `window_class`, if given): (hwnd, the
    local time the driver first saw it), or None."""
    lines = desktop.driver("find", title, int(max(timeout, 0.1) * 1000), state,
                           *([window_class] if window_class else []), check=False)
    if lines is None:
        return None
    found = dict(line.split("=", 1) for line in lines[1:])
    return lines[0], found.get("at")


TTS_BALLOON = 0x40


def balloon(desktop, text, timeout):
    """Waits for a balloon from a notification icon that says `text`: (its
    window's info, the time the driver first saw it), or None. Wine's
    balloons are tooltip windows whose text is the balloon's."""
    found = find(desktop, text, timeout, window_class="tooltips_class32")
    if found is None:
        return None
    shown = info(desktop, found[0])
    assert int(shown["style"], 16) & TTS_BALLOON, f"a tooltip, not a balloon, says {text!r}"
    return shown, clock_time(found[1])


class Program:
    """One running tarnovelle.exe."""

    def __init__(self, desktop, exe=r"C:\tarnovelle\tarnovelle.exe", cwd=r"C:\work", env=None,
                 output=None):
        """env: variables to set for this program only; output: a file for
        Wine's output instead of the test's log."""
        self.desktop = desktop
        self.exe = exe
        self.cwd = cwd
        self.env = dict(desktop.env, **(env or {}))
        self.output = output
        self.process = None
        self.hwnd = None

    def start(self):
        with (open(self.output, "ab") if self.output else self.desktop.log("wine.log")) as log:
            self.process = subprocess.Popen(
                ["wine", self.exe], env=self.env, cwd=self.desktop.c_path(self.cwd),
                stdout=log, stderr=subprocess.STDOUT)
        found = find(self.desktop, "Tarnovelle", UI_TIMEOUT * 2)
        if found is None:
            raise AssertionError("the main window did not open")
        self.hwnd = found[0]
        return self

    def alive(self):
        return self.process is not None and self.process.poll() is None

    def wait_exit(self, timeout=UI_TIMEOUT):
        try:
            self.process.wait(timeout)
            return True
        except subprocess.TimeoutExpired:
            return False

    def stop(self):
        if not self.alive():
            return
        # The tray menu's Exit first, so no dead icon is left; then by force.
        # The main window's end takes the icon away; another window (the
        # About window, a warning left after a firing) keeps the process.
        self.desktop.driver("post", self.hwnd, WM_COMMAND, ITM_EXIT, 0, check=False)
        until = time.monotonic() + 10
        while (self.alive() and time.monotonic() < until
               and self.desktop.driver("info", self.hwnd, check=False) is not None):
            time.sleep(0.05)
        if not self.wait_exit(1):
            self.process.send_signal(signal.SIGKILL)
            self.wait_exit(10)

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

    def choose(self, hour=None, minute=None, second=None, action=None):
        """Picks items in the four lists, as a user would, in one driver run."""
        picks = []
        for list_id, value in ((COMBO1, hour), (COMBO2, minute), (COMBO3, second),
                               (COMBO4, action)):
            if value is not None:
                picks += [list_id, value]
        if picks:
            self.desktop.driver("select", self.hwnd, *picks)

    def click(self, area):
        """A real left click in the middle of a click area of the window."""
        click_in(self.desktop, self.hwnd, area)

    def menu(self, command_id):
        self.desktop.driver("post", self.hwnd, WM_COMMAND, command_id, 0)

    def wait_hidden(self):
        wait_for(lambda: not self.visible(), UI_TIMEOUT, "the window did not hide")

    def wait_shown(self, message="the window did not come back"):
        wait_for(self.visible, UI_TIMEOUT, message)


def click_in(desktop, hwnd, area):
    """A real left click in the middle of a client area of a window."""
    i = info(desktop, hwnd)
    x = int(i["client_x"]) + area[0] + area[2] // 2
    y = int(i["client_y"]) + area[1] + area[3] // 2
    desktop.xdotool("mousemove", x, y, "click", "1")


# The warning second for each second the list offers (ten-second blocks).
WARN_SECOND = {10: 0, 15: 10, 20: 10, 25: 20, 30: 20, 35: 30, 40: 30, 45: 40, 50: 40,
               55: 50, 59: 50}
LONGEST_WARNING = max(at - warn for at, warn in WARN_SECOND.items())


def next_armable(margin, warning=True, warning_lead=0):
    """The nearest time the lists allow whose action second (and, with
    warning, its warning second) lies at least `margin` seconds ahead, and
    whose warning comes at least `warning_lead` seconds before the action (at
    most the ten seconds the lists allow): (hour, minute, second texts,
    action datetime, warning datetime)."""
    warning_lead = min(warning_lead, LONGEST_WARNING)
    now = datetime.datetime.now()
    minute = now.replace(second=0, microsecond=0)
    for offset in range(0, 10):
        start = minute + datetime.timedelta(minutes=offset)
        for s in sorted(WARN_SECOND):
            at = start.replace(second=s)
            warn = start.replace(second=WARN_SECOND[s])
            if (at - now).total_seconds() < margin:
                continue
            if warning and (warn - now).total_seconds() < margin:
                continue
            if (at - warn).total_seconds() < warning_lead:
                continue
            return (f"{at.hour:02d}", f"{at.minute:02d}", f"{at.second:02d}", at, warn)
    raise RuntimeError("no armable time")


def typing(keys, delay=0.02):
    """Seconds to allow for xdotool to type `keys` (a text, or how many
    keys), `delay` seconds apart: twice what it takes."""
    return 2.0 * (keys if isinstance(keys, int) else len(keys)) * delay


def far_from_now():
    """A time the lists allow that lies hours away: (hour, minute, second)."""
    now = datetime.datetime.now()
    return (f"{(now.hour + 12) % 24:02d}", "30", "15")


def clock_time(text):
    """A HH:MM:SS[.mmm] text the driver or recorder wrote, as today's datetime
    nearest to now."""
    h, m, s = text.split(":")
    now = datetime.datetime.now()
    moment = now.replace(hour=int(h), minute=int(m), second=0, microsecond=0) + \
        datetime.timedelta(seconds=float(s))
    if (moment - now).total_seconds() > 12 * 3600:
        moment -= datetime.timedelta(days=1)
    return moment


# The desktop the tests of this process share; set up by run.py's lane.
DESKTOP = None


def quiet(test):
    """Marks a test, or every test of a class, whose figures need a quiet
    machine (wake-up counts, how late the clock or the action comes): such
    tests run after all others, alone, in one lane."""
    test.quiet = True
    return test


def is_quiet(test):
    method = getattr(test, test._testMethodName)
    return bool(getattr(type(test), "quiet", False) or getattr(method, "quiet", False))


class ProgramTest(unittest.TestCase):
    """Each test starts its own tarnovelle.exe on fresh folders and ends it.

    Class attributes a test class may set:
      fresh_desktop  an empty notification area for each test (Wine starts
                     a new desktop when the last test left an icon)
      start_program  False: the test starts the program itself
      log_pixels     the display scale (LogPixels) the programs of every test
                     of the class see: 96 (100 %), 120, 144 or 192; the lane
                     running the class sets it and restarts its Wine first
      quiet          True: the class's tests need a quiet machine (or mark
                     single tests with @quiet)
    """

    fresh_desktop = False
    start_program = True
    log_pixels = 96
    quiet = False

    def setUp(self):
        self.desktop = DESKTOP
        self.log_dir = TEST_OUT / self.id()
        shutil.rmtree(self.log_dir, ignore_errors=True)
        self.log_dir.mkdir(parents=True)
        self.desktop.log_dir = self.log_dir
        if self.fresh_desktop and self.desktop.icon_in_tray():
            self.desktop.restart_wine()
        self.desktop.reset_files()
        self.program = Program(self.desktop)
        if self.start_program:
            self.program.start()

    def tearDown(self):
        result = self._outcome.result
        failed = any(getattr(test, "test_case", test) is self  # a subTest's failure too
                     for test, _ in result.failures + result.errors)
        if failed:
            self.desktop.screenshot(self.log_dir / "screen.png")
        self.program.stop()
        self.desktop.log_dir = None
        if failed:
            print(f"e2e: output of {self.id()} kept in {self.log_dir}")
        else:
            shutil.rmtree(self.log_dir, ignore_errors=True)

    def focused_id(self, hwnd):
        """The id of the control that has the focus in `hwnd`'s thread."""
        return int(self.desktop.driver("focus", hwnd)[0].split("\t")[0])

    def focus_on(self, control, hwnd=None):
        """Tab, as a keyboard user goes, until the main window's `control`
        has the focus; the ids of the controls the focus went through. One
        key at a time, each seen through before the next: a key still on its
        way would carry the focus past it. Once a notification icon's tip
        has shown on a Wine desktop, a program started there afterwards can
        lose a key pressed in its first moments (its window is briefly made
        inactive; Notepad, with no icon, is not): while the first key moves
        nothing, it is pressed again, as a user would."""
        hwnd = hwnd or self.program.hwnd
        cid = control_id("Form1", control)
        self.desktop.driver("activate", hwnd)
        stops, now = [], self.focused_id(hwnd)
        first_until = time.monotonic() + UI_TIMEOUT
        while now != cid:
            if len(stops) > 2 * len(DESIGNS["Form1"]["controls"]):
                self.fail(f"Tab went round without reaching {control}: {stops}")
            self.desktop.xdotool("key", "Tab")
            was, pressed = now, time.monotonic()
            patience = 5 if not stops and pressed < first_until else UI_TIMEOUT
            while now == was and time.monotonic() - pressed < patience:
                time.sleep(0.05)
                now = self.focused_id(hwnd)
            if now != was:
                stops.append(now)
            elif patience == UI_TIMEOUT:
                self.fail(f"Tab did not move the focus from control {was}")
        return stops

    def shot(self, name, hwnd=None):
        """A screenshot for the README and the record of the run, once
        `hwnd` (the main window if not given) is painted."""
        return self.desktop.screenshot_painted(OUT / name, hwnd or self.program.hwnd)

    def expect_dialog(self, title, timeout=UI_TIMEOUT):
        box = dialog(self.desktop, title, timeout)
        self.assertIsNotNone(box, f"no dialog titled {title!r}")
        return box

    def pick_in_file_dialog(self, path):
        """Types a path into the open-file dialog, as a user would, and opens it."""
        picker = self.expect_dialog("Select the file to run...")
        # The file name field has the focus once the dialog is ready for keys.
        wait_for(lambda: self.desktop.driver("focus", picker["hwnd"])[0].split("\t")[1] == "Edit",
                 UI_TIMEOUT, "the file name field did not get the focus")
        self.desktop.xdotool("type", "--delay", "20", path)
        self.desktop.xdotool("key", "Return")

    def press(self, box, button_id=IDOK):
        self.desktop.driver("press", box["hwnd"], button_id)

    def set_action_area(self):
        """Where the drawn Set Action button lies in the main window."""
        return LABEL2

    def arm(self, action, steps, warning=True, warning_lead=0, later=0.0):
        """Arms the nearest time far enough ahead for `steps` more steps (a
        driver command, or a user's action and the program's answer) and
        `later` more seconds after the arming, before the time (with a
        warning, the warning's) may come: through the Set Action label
        (warning) or the Set Shutdown button (no warning); (action time,
        warning time).

        How long the arming took is measured; one that took so long that the
        rest might no longer fit is called off and made anew, further ahead."""
        for attempt in range(3):
            hour, minute, second, at, warn = next_armable(
                self.desktop.ahead(steps + 3) + later, warning=warning,
                warning_lead=warning_lead)
            self.program.choose(hour, minute, second, action)
            clicked = time.monotonic()
            if warning:
                self.program.click(self.set_action_area())
            elif attempt == 0:
                self.desktop.xdotool("key", "space")  # Command1 has the focus
            else:  # back from a call-off, the focus may be elsewhere
                self.desktop.driver("press", self.program.hwnd, COMMAND1)
            box = self.expect_dialog("Attention!")
            self.desktop.costs.answer(time.monotonic() - clicked)
            self.press(box)
            left = ((warn if warning else at) - datetime.datetime.now()).total_seconds()
            if left > later + (steps + 1) * self.desktop.costs.step:
                return at, warn
            self.assertLess(datetime.datetime.now(), at, "armed too late to call it off")
            # Called off as from the tray menu, for a time further ahead.
            self.program.wait_hidden()
            self.program.menu(CANCELZOP)
            self.program.wait_shown()
        raise AssertionError("could not arm far enough ahead: each arming took too long")

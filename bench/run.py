#!/usr/bin/env python3
"""Benchmark: Tarnovelle beside three floor programs built with the same
toolchain and flags (bench/floor.cpp), all under Wine on an X server of
their own, the 32-bit programs run the same way (natively or under
emulation, as the table's header says):

  floor (clock)  the least a program with this job can do: shown, a static
                 that shows the time, read at each second's start; armed, a
                 hidden window with one timer for the armed second, which
                 starts shutdown.exe as the program does
  start floor    the start-up work the program cannot avoid: the common
                 controls 6 manifest and InitCommonControls, the program's
                 three pictures through the same decoder, a notification icon;
                 at 200 % display scale the pictures made for it
  bare floor     the floor of earlier runs: a window whose 60 ms timer does
                 nothing

Every program is measured the same way; wake-ups and CPU of each program
alone, the programs taking turns. Start-up and memory are measured again at
200 % display scale (LogPixels 192) for the program and the start floor. Prints one table of medians (and min-max)
and writes it with every sample to build/bench/results.json.

    run.py [--runs N] [--rounds N] [--round-seconds S] [--seconds N] [--firings N]
"""
import argparse
import datetime
import json
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
sys.path.insert(0, str(ROOT / "tests" / "release"))
import harness  # noqa: E402
import pe  # noqa: E402
from harness import (Desktop, Program, clock_time, execution_mode, far_from_now,  # noqa: E402
                     next_armable, voluntary_switches, wait_for)

OUT = harness.BUILD / "bench"
BENCH = harness.WINDOWS_BUILD / "bench"
FLOOR_FILES = {"floor": "floor.exe", "start": "floor_start.exe", "bare": "floor_bare.exe"}
# The floors by name: their file in the prefix and their window's title.
FLOORS = {"floor": (r"C:\bench\floor.exe", "Floor"),
          "start": (r"C:\bench\floor_start.exe", "Start floor"),
          "bare": (r"C:\bench\floor_bare.exe", "Bare floor")}
FLOOR_CLOCK_ID = 1  # the floor's static
PROBE = BENCH / "probe.exe"
NAMES = ("tarnovelle", "floor", "start", "bare")

TARGETS = {
    "exe_bytes": 512 * 1024,
    "startup_ratio": 1.3,    # against the start floor
    "memory_ratio": 1.0,     # private bytes, against the start floor
    "wakeups_hidden_per_min": 5,
    "wakeups_shown_per_min": 150,
    "late_median_ms": 20,
    "late_worst_ms": 50,
}


def summary(values):
    return {"median": round(statistics.median(values), 2), "min": round(min(values), 2),
            "max": round(max(values), 2), "n": len(values)}


def sched_cpu_ms(unix_pid):
    """Time on CPU of all of a Linux process's threads, to the nanosecond."""
    total = 0
    for task in Path(f"/proc/{unix_pid}/task").iterdir():
        total += int((task / "schedstat").read_text().split()[0])
    return total / 1e6


def probe(desktop, *args, timeout=120):
    result = subprocess.run(["wine", str(PROBE), *map(str, args)], env=desktop.env,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=timeout)
    if result.returncode != 0:
        raise RuntimeError(f"probe {args} failed ({result.returncode})")
    return result.stdout.decode()


def pairs(text):
    return dict(line.split("=", 1) for line in text.split())


# ---- Start-up and memory ----------------------------------------------------------


def set_scale(desktop, dpi):
    """Every program started from now on runs at `dpi` (Wine reads the
    scale once per process, so the prefix's processes are ended first)."""
    subprocess.run(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t",
                    "REG_DWORD", "/d", str(dpi), "/f"], env=desktop.env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=120, check=True)
    desktop.restart_wine()


def measure_startup(desktop, runs, names=NAMES):
    programs = {"tarnovelle": (r"C:\tarnovelle\tarnovelle.exe", "Tarnovelle"), **FLOORS}
    programs = {n: p for n, p in programs.items() if n in names}
    rows = {name: [] for name in programs}
    for _ in range(2):  # warm the file cache and the desktop first
        for path, title in programs.values():
            probe(desktop, "startup", path, title)
    for _ in range(runs):
        for name, (path, title) in programs.items():
            rows[name].append(pairs(probe(desktop, "startup", path, title)))
    return rows


# ---- Running programs ---------------------------------------------------------------


class Running:
    """A program running for a measurement: its Linux pid and its window."""

    def __init__(self, process, hwnd, stop):
        self.process, self.hwnd, self._stop = process, hwnd, stop

    def stop(self):
        self._stop()


def start_floor(desktop, name, *args):
    path, title = FLOORS[name]
    process = subprocess.Popen(["wine", str(desktop.c_path(path)), *args], env=desktop.env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    hwnd = desktop.driver("find", title, 60000, "hidden" if args else "visible")[0]

    def stop():
        desktop.driver("post", hwnd, harness.WM_CLOSE, 0, 0, check=False)
        try:
            process.wait(30)
        except subprocess.TimeoutExpired:
            process.kill()
    return Running(process, hwnd, stop)


def start_tarnovelle(desktop, armed):
    """Tarnovelle shown and unarmed, or armed hours ahead and hidden."""
    program = Program(desktop).start()
    if armed:
        hour, minute, second = far_from_now()
        program.choose(hour, minute, second, "Shutdown")
        desktop.xdotool("key", "space")  # Set Shutdown: Command1 has the focus
        desktop.driver("press", harness.dialog(desktop, "Attention!")["hwnd"], harness.IDOK)
        program.wait_hidden()
    return Running(program.process, program.hwnd, program.stop)


def measure_idle(desktop, armed, rounds, seconds):
    """Wake-ups (voluntary context switches of the program's own process, all
    its threads) and time on CPU per minute, shown, or armed hours ahead and
    hidden. Each program runs alone, so none disturbs another's count, and
    the programs take turns, round after round; the medians of the rounds,
    and the rounds."""
    far = far_from_now()
    starts = {"tarnovelle": lambda: start_tarnovelle(desktop, armed)}
    if armed:
        starts["floor"] = lambda: start_floor(desktop, "floor", f"{far[0]}:{far[1]}:{far[2]}")
    else:
        starts.update({n: (lambda n=n: start_floor(desktop, n)) for n in ("floor", "start", "bare")})
    per_round = []
    for _ in range(rounds):
        row = {}
        for name, start in starts.items():
            running = start()
            try:
                time.sleep(3)  # settled after its start
                pid = running.process.pid
                before = voluntary_switches(pid), sched_cpu_ms(pid)
                started = time.monotonic()
                time.sleep(seconds)
                minutes = (time.monotonic() - started) / 60
                row[name] = {"wakeups_per_min": (voluntary_switches(pid) - before[0]) / minutes,
                             "cpu_ms_per_min": (sched_cpu_ms(pid) - before[1]) / minutes}
            finally:
                running.stop()
        per_round.append(row)
    medians = {n: {k: statistics.median(r[n][k] for r in per_round) for k in per_round[0][n]}
               for n in starts}
    return {"median": medians, "rounds": per_round}


# ---- Lateness ---------------------------------------------------------------------


def measure_clock(desktop, seconds):
    """How long after each second begins the clock text shows it, for the
    program and the floor with the clock, one after the other."""
    result = {}
    for name in ("tarnovelle", "floor"):
        running = start_tarnovelle(desktop, False) if name == "tarnovelle" else \
            start_floor(desktop, "floor")
        time.sleep(2)
        try:
            control = harness.NTIME if name == "tarnovelle" else FLOOR_CLOCK_ID
            lines = probe(desktop, "clocklate", running.hwnd, control, seconds,
                          timeout=seconds * 3 + 60).splitlines()
        finally:
            running.stop()
        samples = [dict(kv.split("=", 1) for kv in line.split()) for line in lines]
        result[name] = {"late_ms": [float(s["late_ms"]) for s in samples],
                        "wrong_second": sum(s["shown"] != s["expected"] for s in samples)}
    return result


def fired_delay_ms(desktop, at):
    records = wait_for(desktop.records,
                       (at - datetime.datetime.now()).total_seconds() + harness.UI_TIMEOUT,
                       "the action did not fire")
    return (clock_time(records[0][2]) - at).total_seconds() * 1000


def measure_firing(desktop, firings):
    """From the start of the armed second to the recording shutdown.exe being
    created, for the program (armed through Set Shutdown) and for the armed
    floor, alternating."""
    delays = {"tarnovelle": [], "floor": []}
    for _ in range(firings):
        desktop.reset_files()
        program = Program(desktop).start()
        hour, minute, second, at, _ = next_armable(desktop.ahead(4), warning=False)
        program.choose(hour, minute, second, "Shutdown")
        desktop.xdotool("key", "space")
        desktop.driver("press", harness.dialog(desktop, "Attention!")["hwnd"], harness.IDOK)
        delays["tarnovelle"].append(fired_delay_ms(desktop, at))
        program.stop()

        desktop.reset_files()
        hour, minute, second, at, _ = next_armable(desktop.ahead(2), warning=False)
        floor = start_floor(desktop, "floor", f"{hour}:{minute}:{second}")
        delays["floor"].append(fired_delay_ms(desktop, at))
        floor.stop()
    return delays


# ---- The table ----------------------------------------------------------------------


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=10, help="start-ups of each program")
    parser.add_argument("--rounds", type=int, default=3, help="rounds of each idle state")
    parser.add_argument("--round-seconds", type=int, default=60)
    parser.add_argument("--seconds", type=int, default=30, help="seconds of clock lateness")
    parser.add_argument("--firings", type=int, default=10)
    args = parser.parse_args()
    needed = [harness.EXE, PROBE, harness.DRIVER, harness.RECORDER] + \
        [BENCH / f for f in FLOOR_FILES.values()]
    for path in needed:
        if not path.exists():
            sys.exit(f"missing {path}: build the Windows preset first")
    OUT.mkdir(parents=True, exist_ok=True)

    desktop = Desktop(prefix=OUT / "prefix", scratch=OUT)
    desktop.start()
    try:
        bench_dir = desktop.c_path(r"C:\bench")
        bench_dir.mkdir(parents=True, exist_ok=True)
        for f in FLOOR_FILES.values():
            shutil.copy(BENCH / f, bench_dir / f)
        mode = execution_mode()
        wine_version = subprocess.run(["wine", "--version"], env=desktop.env,
                                      stdout=subprocess.PIPE, text=True).stdout.strip()
        startup = measure_startup(desktop, args.runs)
        shown = measure_idle(desktop, False, args.rounds, args.round_seconds)
        hidden = measure_idle(desktop, True, args.rounds, args.round_seconds)
        clock = measure_clock(desktop, args.seconds)
        firing = measure_firing(desktop, args.firings)
        set_scale(desktop, 192)
        try:
            startup_200 = measure_startup(desktop, args.runs, names=("tarnovelle", "start"))
        finally:
            set_scale(desktop, 96)
    finally:
        desktop.stop()

    def col(name, key, rows=startup):
        return [float(row[key]) for row in rows[name]]

    image = pe.read(harness.EXE)
    sizes = {"tarnovelle": harness.EXE.stat().st_size,
             **{n: (BENCH / f).stat().st_size for n, f in FLOOR_FILES.items()}}
    r = {
        "platform": f"{wine_version} on Linux (Xvfb, one virtual desktop); times and counters "
                    "as Wine's Windows API reports them, wake-ups and CPU from Linux",
        "execution": f"32-bit x86 programs (Tarnovelle and the floors alike): {mode}",
        "when": datetime.datetime.now().isoformat(timespec="seconds"),
        "size": {"bytes": sizes, "tarnovelle_dlls": image.used_dlls(),
                 "tarnovelle_bound_at_start": image.imports(),
                 "only_system_dlls": set(image.used_dlls()) <= pe.SYSTEM_DLLS},
        "startup_ms": {n: summary(col(n, "startup_ms")) for n in NAMES},
        "private_bytes": {n: summary(col(n, "private_bytes")) for n in NAMES},
        "peak_working_set": {n: summary(col(n, "peak_working_set")) for n in NAMES},
        "at_200_percent": {
            "startup_ms": {n: summary(col(n, "startup_ms", startup_200)) for n in startup_200},
            "private_bytes": {n: summary(col(n, "private_bytes", startup_200)) for n in startup_200},
        },
        "shown": shown,
        "armed_hidden": hidden,
        "clock_late_ms": {n: summary(v["late_ms"]) | {"wrong_second": v["wrong_second"],
                                                      "samples": v["late_ms"]}
                          for n, v in clock.items()},
        "firing_delay_ms": {n: summary(v) | {"samples": [round(d, 1) for d in v]}
                            for n, v in firing.items()},
    }

    def ratio(a, b):
        return round(a / b, 3) if b else None

    r["ratios"] = {floor: {
        "size": ratio(sizes["tarnovelle"], sizes[floor]),
        "startup": ratio(r["startup_ms"]["tarnovelle"]["median"], r["startup_ms"][floor]["median"]),
        "private_bytes": ratio(r["private_bytes"]["tarnovelle"]["median"],
                               r["private_bytes"][floor]["median"]),
        "peak_working_set": ratio(r["peak_working_set"]["tarnovelle"]["median"],
                                  r["peak_working_set"][floor]["median"]),
    } for floor in ("floor", "start", "bare")}
    at_200 = r["at_200_percent"]
    at_200["ratios"] = {"startup": ratio(at_200["startup_ms"]["tarnovelle"]["median"],
                                         at_200["startup_ms"]["start"]["median"]),
                        "private_bytes": ratio(at_200["private_bytes"]["tarnovelle"]["median"],
                                               at_200["private_bytes"]["start"]["median"])}
    start = r["ratios"]["start"]
    late, fire = r["clock_late_ms"]["tarnovelle"], r["firing_delay_ms"]["tarnovelle"]
    r["targets"] = {
        "exe size <= 512 KiB with every picture, only Windows' own DLLs":
            sizes["tarnovelle"] <= TARGETS["exe_bytes"] and r["size"]["only_system_dlls"],
        "start-up <= 1.3 x start floor": start["startup"] <= TARGETS["startup_ratio"],
        "private bytes <= start floor's": start["private_bytes"] <= TARGETS["memory_ratio"],
        "at 200 %: start-up <= 1.3 x start floor at 200 %":
            at_200["ratios"]["startup"] <= TARGETS["startup_ratio"],
        "at 200 %: private bytes <= start floor's at 200 %":
            at_200["ratios"]["private_bytes"] <= TARGETS["memory_ratio"],
        "armed and hidden: <= 5 wake-ups a minute":
            hidden["median"]["tarnovelle"]["wakeups_per_min"] <= TARGETS["wakeups_hidden_per_min"],
        "shown: <= 150 wake-ups a minute":
            shown["median"]["tarnovelle"]["wakeups_per_min"] <= TARGETS["wakeups_shown_per_min"],
        "clock text: median <= 20 ms, worst <= 50 ms after its second begins, never before":
            late["median"] <= TARGETS["late_median_ms"] and late["max"] <= TARGETS["late_worst_ms"]
            and late["min"] >= 0 and late["wrong_second"] == 0,
        "action's process: median <= 20 ms, worst <= 50 ms after its second begins, never before":
            fire["median"] <= TARGETS["late_median_ms"] and fire["max"] <= TARGETS["late_worst_ms"]
            and fire["min"] >= 0,
    }
    (OUT / "results.json").write_text(json.dumps(r, indent=2) + "\n")
    print_table(r)


def print_table(r):
    def mm(s, digits=1):
        return f"{s['median']:.{digits}f} ({s['min']:.{digits}f}-{s['max']:.{digits}f})"

    def kib(s):
        return f"{s['median'] / 1024:.0f} KiB ({s['min'] / 1024:.0f}-{s['max'] / 1024:.0f})"

    def with_ratios(label, value, ratio_key):
        row = [label, value("tarnovelle")]
        for floor in ("floor", "start", "bare"):
            got = r["ratios"][floor][ratio_key]
            row += [value(floor), "-" if got is None else f"{got:.2f}"]
        return tuple(row)

    def at_200_row(label, key, show, ratio_key):
        values = r["at_200_percent"]
        return (label, show(values[key]["tarnovelle"]), "-", "", show(values[key]["start"]),
                f"{values['ratios'][ratio_key]:.2f}", "-", "")

    def plain(label, value, names=NAMES):
        row = [label, value("tarnovelle")]
        for floor in ("floor", "start", "bare"):
            row += [value(floor) if floor in names else "-", ""]
        return tuple(row)

    shown, hidden = r["shown"]["median"], r["armed_hidden"]["median"]
    late, fire = r["clock_late_ms"], r["firing_delay_ms"]

    def worst(s):
        return f"median {s['median']:.1f}, worst {s['max']:.1f} (n={s['n']})"

    rows = [
        with_ratios("exe size", lambda n: f"{r['size']['bytes'][n]:,} B", "size"),
        with_ratios("start-up to window visible, ms", lambda n: mm(r["startup_ms"][n]), "startup"),
        with_ratios("private bytes", lambda n: kib(r["private_bytes"][n]), "private_bytes"),
        with_ratios("peak working set", lambda n: kib(r["peak_working_set"][n]), "peak_working_set"),
        at_200_row("start-up to window visible at 200 %, ms", "startup_ms", mm, "startup"),
        at_200_row("private bytes at 200 %", "private_bytes", kib, "private_bytes"),
        plain("wake-ups a minute, shown", lambda n: f"{shown[n]['wakeups_per_min']:.0f}"),
        plain("wake-ups a minute, armed and hidden",
              lambda n: f"{hidden[n]['wakeups_per_min']:.0f}", names=("floor",)),
        plain("CPU ms a minute, shown", lambda n: f"{shown[n]['cpu_ms_per_min']:.1f}"),
        plain("CPU ms a minute, armed and hidden",
              lambda n: f"{hidden[n]['cpu_ms_per_min']:.1f}", names=("floor",)),
        plain("clock text after its second begins, ms", lambda n: worst(late[n]),
              names=("floor",)),
        plain("action's process after its second, ms", lambda n: worst(fire[n]),
              names=("floor",)),
    ]
    header = ("measure", "Tarnovelle", "floor (clock)", "ratio", "start floor", "ratio",
              "bare floor", "ratio")
    widths = [max(len(row[i]) for row in rows + [header]) for i in range(len(header))]
    line = lambda cs: "| " + " | ".join(c.ljust(w) for c, w in zip(cs, widths)) + " |"  # noqa
    print(f"Platform: {r['platform']}")
    print(f"Execution: {r['execution']}")
    print(line(header))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for row in rows:
        print(line(row))
    print("Targets (start-up and memory against the start floor, the rest against the floor "
          "with the clock):")
    for name, met in r["targets"].items():
        print(f"  {'met ' if met else 'MISSED'}  {name}")


if __name__ == "__main__":
    main()

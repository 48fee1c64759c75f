#!/usr/bin/env python3
"""Benchmark: Tarnovelle beside a floor program (a Win32 window with one static
control and one 60 ms timer that writes the local time into the static when
the second changes, same toolchain and flags), and beside the bare floor of
earlier runs (the same window, its timer doing nothing), all under Wine on an
X server of their own, the 32-bit programs run the same way (natively or
under emulation, as the table's header says). Prints one table of medians
and min-max and writes it to build/bench/results.json.

    run.py [--runs N] [--idle-seconds S] [--firings N]
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
from harness import (LABEL2, Desktop, Program, dialog, execution_mode, far_from_now,  # noqa: E402
                     info, next_armable, wait_for)

OUT = harness.BUILD / "bench"
FLOOR = harness.WINDOWS_BUILD / "bench" / "floor.exe"
FLOOR_BARE = harness.WINDOWS_BUILD / "bench" / "floor_bare.exe"
# The floors by name: their file in the prefix and their window's title.
FLOORS = {"floor": (r"C:\bench\floor.exe", "Floor"),
          "bare": (r"C:\bench\floor_bare.exe", "Bare floor")}
PROBE = harness.WINDOWS_BUILD / "bench" / "probe.exe"

TARGETS = {
    "exe_bytes": 256 * 1024,
    "startup_ratio": 1.3,
    "memory_ratio": 1.5,
    "idle_ratio": 1.5,
    "firing_median_ms": 70,
    "firing_worst_ms": 150,
}


def summary(values):
    return {"median": round(statistics.median(values), 2), "min": round(min(values), 2),
            "max": round(max(values), 2), "n": len(values)}


def proc_cpu_ms(unix_pid):
    """utime + stime of a Linux process, in milliseconds."""
    fields = Path(f"/proc/{unix_pid}/stat").read_text().rsplit(")", 1)[1].split()
    ticks = int(fields[11]) + int(fields[12])
    return ticks * 1000.0 / 100.0


def sched_cpu_ms(unix_pid):
    """Time on CPU of all of a Linux process's threads, to the nanosecond."""
    total = 0
    for task in Path(f"/proc/{unix_pid}/task").iterdir():
        total += int((task / "schedstat").read_text().split()[0])
    return total / 1e6


def proc_status(unix_pid):
    result = {}
    for line in Path(f"/proc/{unix_pid}/status").read_text().splitlines():
        key, _, value = line.partition(":")
        if key in ("VmRSS", "RssAnon", "VmHWM"):
            result[key] = int(value.split()[0]) * 1024
    return result


def probe(desktop, *args, timeout=120):
    result = subprocess.run(["wine", str(PROBE), *map(str, args)], env=desktop.env,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=timeout)
    if result.returncode != 0:
        raise RuntimeError(f"probe {args} failed ({result.returncode})")
    return dict(line.split("=", 1) for line in result.stdout.decode().split())


def measure_startup(desktop, runs):
    programs = {"tarnovelle": (r"C:\tarnovelle\tarnovelle.exe", "Tarnovelle"), **FLOORS}
    rows = {name: [] for name in programs}
    for _ in range(2):  # warm the file cache and the desktop first
        for path, title in programs.values():
            probe(desktop, "startup", path, title)
    for _ in range(runs):
        for name, (path, title) in programs.items():
            rows[name].append(probe(desktop, "startup", path, title))
    return rows


def start_floor(desktop, name):
    path, title = FLOORS[name]
    process = subprocess.Popen(["wine", str(desktop.c_path(path))],
                               env=desktop.env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    hwnd = desktop.driver("find", title, 60000, "visible")[0]
    return process, hwnd


def measure_idle(desktop, seconds):
    """CPU while armed and hidden (both triggers ticking), beside the floors
    over the same stretch of time. Wine's thread times count in 10 ms steps,
    so the time on CPU from the Linux scheduler is kept as well."""
    program = Program(desktop).start()
    hour, minute, second = far_from_now()
    program.choose(hour, minute, second, "Shutdown")
    program.click(LABEL2)
    box = dialog(desktop, "Attention!")
    desktop.driver("press", box["hwnd"], harness.IDOK)
    program.wait_hidden()
    floors = {name: start_floor(desktop, name) for name in FLOORS}
    time.sleep(2)  # the floors settle after their start
    pids = {"tarnovelle": info(desktop, program.hwnd)["pid"]}
    unix = {"tarnovelle": program.process.pid}
    for name, (process, hwnd) in floors.items():
        pids[name] = info(desktop, hwnd)["pid"]
        unix[name] = process.pid
    before = {k: proc_cpu_ms(v) for k, v in unix.items()}
    before_sched = {k: sched_cpu_ms(v) for k, v in unix.items()}
    probes = {k: subprocess.Popen(["wine", str(PROBE), "cpu", pid, str(seconds * 1000)],
                                  env=desktop.env, stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL)
              for k, pid in pids.items()}
    results = {}
    for k, p in probes.items():
        out, _ = p.communicate(timeout=seconds + 60)
        results[k] = dict(line.split("=", 1) for line in out.decode().split())
    after = {k: proc_cpu_ms(v) for k, v in unix.items()}
    after_sched = {k: sched_cpu_ms(v) for k, v in unix.items()}
    per_minute = {}
    for k in probes:
        wall_min = float(results[k]["wall_ms"]) / 60000.0
        per_minute[k] = {"cpu_ms_per_min": float(results[k]["cpu_ms"]) / wall_min,
                         "linux_cpu_ms_per_min": (after[k] - before[k]) / wall_min,
                         "sched_cpu_ms_per_min": (after_sched[k] - before_sched[k]) / wall_min}
    program.stop()
    for process, hwnd in floors.values():
        desktop.driver("post", hwnd, harness.WM_CLOSE, 0, 0, check=False)
        try:
            process.wait(30)
        except subprocess.TimeoutExpired:
            process.kill()
    return per_minute


def measure_firing(desktop, firings):
    delays = []
    for _ in range(firings):
        desktop.reset_files()
        program = Program(desktop).start()
        hour, minute, second, at, _ = next_armable(desktop.ahead(4))
        program.choose(hour, minute, second, "Shutdown")
        program.click(LABEL2)
        box = dialog(desktop, "Attention!")
        desktop.driver("press", box["hwnd"], harness.IDOK)
        records = wait_for(desktop.records,
                           (at - datetime.datetime.now()).total_seconds() + harness.UI_TIMEOUT,
                           "the action did not fire")
        created = records[0][2]
        h, m, s = created.split(":")
        fired = int(h) * 3600 + int(m) * 60 + float(s)
        armed = at.hour * 3600 + at.minute * 60 + at.second
        delays.append((fired - armed) * 1000.0)
        program.stop()
    return delays


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--idle-seconds", type=int, default=60)
    parser.add_argument("--idle-rounds", type=int, default=3)
    parser.add_argument("--firings", type=int, default=5)
    args = parser.parse_args()
    for needed in (harness.EXE, FLOOR, FLOOR_BARE, PROBE, harness.DRIVER, harness.RECORDER):
        if not needed.exists():
            sys.exit(f"missing {needed}: build the Windows preset first")
    OUT.mkdir(parents=True, exist_ok=True)

    desktop = Desktop(prefix=OUT / "prefix")
    desktop.start()
    try:
        bench_dir = desktop.c_path(r"C:\bench")
        bench_dir.mkdir(parents=True, exist_ok=True)
        shutil.copy(FLOOR, bench_dir / "floor.exe")
        shutil.copy(FLOOR_BARE, bench_dir / "floor_bare.exe")
        mode = execution_mode()
        wine_version = subprocess.run(["wine", "--version"], env=desktop.env,
                                      stdout=subprocess.PIPE, text=True).stdout.strip()
        startup = measure_startup(desktop, args.runs)
        rounds = [measure_idle(desktop, args.idle_seconds) for _ in range(args.idle_rounds)]
        idle = {name: {key: statistics.median(r[name][key] for r in rounds)
                       for key in rounds[0][name]} for name in rounds[0]}
        idle["rounds"] = rounds
        firing = measure_firing(desktop, args.firings)
    finally:
        desktop.stop()

    def col(name, key):
        return [float(row[key]) for row in startup[name]]

    names = ("tarnovelle", "floor", "bare")
    imports = pe.read(harness.EXE).used_dlls()
    results = {
        "platform": f"{wine_version} on Linux (Xvfb, one virtual desktop); "
                    "times and counters as Wine's Windows API reports them",
        "execution": f"32-bit x86 programs (Tarnovelle and the floors alike): {mode}",
        "when": datetime.datetime.now().isoformat(timespec="seconds"),
        "size": {"tarnovelle_bytes": harness.EXE.stat().st_size,
                 "floor_bytes": FLOOR.stat().st_size,
                 "bare_bytes": FLOOR_BARE.stat().st_size,
                 "tarnovelle_imports": imports,
                 "only_system_dlls": set(imports) <= pe.SYSTEM_DLLS},
        "startup_ms": {n: summary(col(n, "startup_ms")) for n in names},
        "private_bytes": {n: summary(col(n, "private_bytes")) for n in names},
        "peak_working_set": {n: summary(col(n, "peak_working_set")) for n in names},
        "idle_cpu_ms_per_min": idle,
        "firing_delay_ms": summary(firing) | {"samples": [round(d, 1) for d in firing]},
    }
    r = results
    ratio = lambda a, b: round(a / b, 3) if b else float("inf")  # noqa: E731
    r["ratios"] = {}
    for floor in ("floor", "bare"):
        r["ratios"][floor] = {
            "size": ratio(r["size"]["tarnovelle_bytes"], r["size"][f"{floor}_bytes"]),
            "startup": ratio(r["startup_ms"]["tarnovelle"]["median"],
                             r["startup_ms"][floor]["median"]),
            "private_bytes": ratio(r["private_bytes"]["tarnovelle"]["median"],
                                   r["private_bytes"][floor]["median"]),
            "peak_working_set": ratio(r["peak_working_set"]["tarnovelle"]["median"],
                                      r["peak_working_set"][floor]["median"]),
            "idle_cpu": ratio(idle["tarnovelle"]["cpu_ms_per_min"], idle[floor]["cpu_ms_per_min"]),
            "idle_cpu_sched": ratio(idle["tarnovelle"]["sched_cpu_ms_per_min"],
                                    idle[floor]["sched_cpu_ms_per_min"]),
            "idle_cpu_linux": ratio(idle["tarnovelle"]["linux_cpu_ms_per_min"],
                                    idle[floor]["linux_cpu_ms_per_min"]),
        }
    q = r["ratios"]["floor"]
    r["targets"] = {
        "exe size <= 256 KiB, no runtime DLLs":
            r["size"]["tarnovelle_bytes"] <= TARGETS["exe_bytes"] and r["size"]["only_system_dlls"],
        "start-up <= 1.3 x floor": q["startup"] <= TARGETS["startup_ratio"],
        "memory <= 1.5 x floor": max(q["private_bytes"], q["peak_working_set"])
        <= TARGETS["memory_ratio"],
        "idle cost <= 1.5 x floor": q["idle_cpu_sched"] <= TARGETS["idle_ratio"],
        "firing delay median <= 70 ms": r["firing_delay_ms"]["median"] <= TARGETS["firing_median_ms"],
        "firing delay worst <= 150 ms": r["firing_delay_ms"]["max"] <= TARGETS["firing_worst_ms"],
    }
    (OUT / "results.json").write_text(json.dumps(r, indent=2) + "\n")
    print_table(r)


def print_table(r):
    def mm(s):
        return f"{s['median']:.1f} ({s['min']:.1f}-{s['max']:.1f})"

    def kib(s):
        return f"{s['median'] / 1024:.0f} KiB ({s['min'] / 1024:.0f}-{s['max'] / 1024:.0f})"

    def cells(label, value, ratio_key):
        """A row: the measure for Tarnovelle, then each floor and its ratio."""
        row = [label, value("tarnovelle")]
        for floor in ("floor", "bare"):
            row += [value(floor), f"{r['ratios'][floor][ratio_key]:.2f}"]
        return tuple(row)

    idle = r["idle_cpu_ms_per_min"]
    rows = [
        cells("exe size", lambda n: f"{r['size'][f'{n}_bytes']:,} B", "size"),
        cells("start-up to window visible, ms", lambda n: mm(r["startup_ms"][n]), "startup"),
        cells("private bytes", lambda n: kib(r["private_bytes"][n]), "private_bytes"),
        cells("peak working set", lambda n: kib(r["peak_working_set"][n]), "peak_working_set"),
        cells("idle CPU, ms per minute (armed, hidden)",
              lambda n: f"{idle[n]['cpu_ms_per_min']:.1f}", "idle_cpu"),
        cells("  same, Linux scheduler's time on CPU",
              lambda n: f"{idle[n]['sched_cpu_ms_per_min']:.1f}", "idle_cpu_sched"),
        ("firing delay after the armed second, ms",
         f"median {r['firing_delay_ms']['median']:.0f}, worst {r['firing_delay_ms']['max']:.0f}",
         "-", f"n={r['firing_delay_ms']['n']}", "-", "-"),
    ]
    header = ("measure", "Tarnovelle", "floor (clock)", "ratio", "bare floor", "ratio")
    widths = [max(len(row[i]) for row in rows + [header]) for i in range(len(header))]
    line = lambda cs: "| " + " | ".join(c.ljust(w) for c, w in zip(cs, widths)) + " |"  # noqa
    print(f"Platform: {r['platform']}")
    print(f"Execution: {r['execution']}")
    print(line(header))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for row in rows:
        print(line(row))
    print("Targets (against the floor with the clock):")
    for name, met in r["targets"].items():
        print(f"  {'met ' if met else 'MISSED'}  {name}")


if __name__ == "__main__":
    main()

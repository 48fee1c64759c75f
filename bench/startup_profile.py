#!/usr/bin/env python3
"""Start-up profile: where the time goes between CreateProcess and the main
window visible, for Tarnovelle and for the start floor, measured the same
way.

Both are built once more noting named moments of their start on the
performance counter (platform/win32/profile.h: tarnovelle_profile.exe,
floor_start_profile.exe); the benchmark's probe starts each as it does for
the benchmark and notes the counter just before CreateProcess and when it
sees the window visible. A step's cost is the time from the moment before it
to its own; a step that comes several times (a control of a kind) is added
up. Prints the medians over the runs, at 100 % and 200 % display scale, and
writes them with every run to build/bench/profile.json.

    startup_profile.py [--runs N] [--dpi 96 192]
"""
import argparse
import json
import shutil
import statistics
import sys

import run as bench
from run import BENCH, OUT, probe, set_scale, pairs

sys.path.insert(0, str(bench.ROOT / "tests" / "e2e"))
from harness import Desktop, execution_mode  # noqa: E402

PROGRAMS = {
    "Tarnovelle": ("tarnovelle_profile.exe", "Tarnovelle"),
    "start floor": ("floor_start_profile.exe", "Start floor"),
}
START = "CreateProcess"
VISIBLE = "window visible"


def one_start(desktop, exe, title):
    """The moments of one start: [(step, ms after CreateProcess)], with the
    probe's own for the window visible."""
    record = desktop.c_path(r"C:\bench\profile.txt")
    record.unlink(missing_ok=True)
    seen = pairs(probe(desktop, "startup", f"C:\\bench\\{exe}", title))
    lines = [line.split("\t") for line in record.read_text().splitlines()] if record.exists() else []
    if not lines:
        raise RuntimeError(f"{exe} wrote no profile")
    frequency = float(lines[0][1])
    created = float(seen["created_counter"])
    moments = [(step, (float(counter) - created) * 1000 / frequency) for step, counter in lines[1:]]
    moments.append((VISIBLE, (float(seen["visible_counter"]) - created) * 1000 / frequency))
    return sorted(moments, key=lambda m: m[1])


def costs(moments):
    """Each step's cost (its occurrences added up) and when it last ended,
    in the order the steps first came."""
    out, last = {}, 0.0
    for step, at in moments:
        cost, _ = out.get(step, (0.0, 0.0))
        out[step] = (cost + at - last, at)
        last = at
    return out


def profile(desktop, runs):
    rows = {name: [] for name in PROGRAMS}
    for _ in range(2):  # warm the file cache and the desktop first
        for exe, title in PROGRAMS.values():
            one_start(desktop, exe, title)
    for _ in range(runs):
        for name, (exe, title) in PROGRAMS.items():
            rows[name].append(costs(one_start(desktop, exe, title)))
    return rows


def medians(runs):
    steps = list(runs[0])
    return [(step, statistics.median(r[step][0] for r in runs if step in r),
             statistics.median(r[step][1] for r in runs if step in r)) for step in steps]


def print_profile(dpi, rows):
    print(f"\nStart-up at {dpi * 100 // 96} %: median ms of each step, and when it ended after "
          f"{START} (n={len(next(iter(rows.values())))})")
    for name, runs in rows.items():
        table = medians(runs)
        visible = next(at for step, _, at in table if step == VISIBLE)
        print(f"  {name}: window visible after {visible:.1f} ms")
        for step, cost, at in table:
            print(f"    {step:<22} {cost:8.1f} {at:8.1f}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=10, help="start-ups of each program")
    parser.add_argument("--dpi", type=int, nargs="+", default=[96, 192])
    args = parser.parse_args()
    for exe, _ in PROGRAMS.values():
        if not (BENCH / exe).exists():
            sys.exit(f"missing {BENCH / exe}: make profile builds it")
    OUT.mkdir(parents=True, exist_ok=True)
    desktop = Desktop(prefix=OUT / "prefix", scratch=OUT)
    desktop.start()
    results = {"execution": execution_mode(), "runs": args.runs, "at": {}}
    try:
        bench_dir = desktop.c_path(r"C:\bench")
        bench_dir.mkdir(parents=True, exist_ok=True)
        for exe, _ in PROGRAMS.values():
            shutil.copy(BENCH / exe, bench_dir / exe)
        desktop.env["TARNOVELLE_PROFILE_FILE"] = r"C:\bench\profile.txt"
        for dpi in args.dpi:
            set_scale(desktop, dpi)
            rows = profile(desktop, args.runs)
            results["at"][dpi] = {"medians": {n: medians(r) for n, r in rows.items()},
                                  "runs": rows}
            print_profile(dpi, rows)
    finally:
        set_scale(desktop, 96)
        desktop.stop()
    print(f"\n32-bit x86 programs: {results['execution']}")
    (OUT / "profile.json").write_text(json.dumps(results, indent=2) + "\n")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""make test: every stage, timed, the slow ones side by side.

    setup                       alone (it may install packages); run by
                                make before this script, which needs the
                                Python it installs (SETUP_STARTED: when)
    build                       what the lanes need (make e2e-build: the
                                program, the programs the tests run beside
                                it, the design tables); beside it, the Wine
                                prefix the lanes copy
    e2e lanes                   beside them, one after the other and at a
                                lower priority: unit, asan, fuzz-smoke,
                                pictures-check, release-check (compiles,
                                fuzzing: CPU-bound,
                                while the lanes mostly wait)
    e2e quiet                   alone, once everything else has ended: the
                                tests whose figures need a quiet machine

The lanes' results are printed as they come, each other stage's output when
it ends (build/stages/<stage>.log keeps it). At the end: when each stage
started and how long it took, the five slowest end-to-end tests, the load
average and the CPU time used.
"""
import os
import re
import subprocess
import sys
import threading
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
LOGS = ROOT / "build" / "stages"
MAKE = os.environ.get("MAKE") or "make"
PYTHON = sys.executable
# Beside the lanes, which wait on the clock and on Wine, the CPU-bound
# stages take what the lanes leave.
BESIDE_NICENESS = 10


class Stage:
    def __init__(self, name, command, nice=0):
        self.name = name
        self.command = command
        self.nice = nice
        self.started = self.ended = None
        self.returncode = None
        self.cpu = None  # seconds on a processor, the stage's processes together

    @property
    def seconds(self):
        return (self.ended or time.monotonic()) - self.started

    @property
    def log(self):
        return LOGS / f"{self.name.replace(' ', '-')}.log"

    def _run(self, **output):
        self.started = time.monotonic()
        process = subprocess.Popen(self.command, cwd=ROOT, **output,
                                   preexec_fn=(lambda: os.nice(self.nice)) if self.nice else None)
        self.returncode, self.cpu = wait_counting(process)
        self.ended = time.monotonic()
        return self.returncode == 0

    def run_logged(self, show=True):
        """Runs with its output to its log, then prints it whole."""
        LOGS.mkdir(parents=True, exist_ok=True)
        with open(self.log, "wb") as out:
            self._run(stdout=out, stderr=subprocess.STDOUT)
        if show:
            self.show()
        return self.returncode == 0

    def show(self):
        with PRINT:
            print(f"==== {self.name} ({self.seconds:.0f} s, "
                  f"{'ok' if self.returncode == 0 else 'FAILED'}) ====", flush=True)
            sys.stdout.write(self.log.read_text(errors="replace"))
            sys.stdout.flush()

    def run_live(self):
        """Runs with its output straight to ours."""
        return self._run()


def wait_counting(process):
    """Waits for a process: its exit code, and the processor time it and the
    processes it waited for used."""
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    return process.returncode, usage.ru_utime + usage.ru_stime


PRINT = threading.Lock()


def in_thread(work):
    thread = threading.Thread(target=work)
    thread.start()
    return thread


def run_chain(stages):
    for stage in stages:
        stage.run_logged()


class EndToEnd:
    """The end-to-end runner, its lanes first and its quiet tests when let."""

    HOLD = "e2e: the quiet tests wait until nothing else runs"
    FAILED = re.compile(r"e2e: lane \d+ +(FAIL|ERROR) ")

    def __init__(self):
        self.lanes = Stage("e2e lanes", [PYTHON, "tests/e2e/run.py", "--hold-quiet"])
        self.quiet = Stage("e2e quiet", None)
        self.slowest = []
        self.lanes_done = threading.Event()
        self.failed = [False, False]  # a test failed in the lanes, in the quiet ones

    def start(self):
        self.lanes.started = time.monotonic()
        self.process = subprocess.Popen(self.lanes.command, cwd=ROOT, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, text=True, bufsize=1)
        self.reader = in_thread(self._read)

    def _read(self):
        in_slowest = False
        for line in self.process.stdout:
            if line.startswith(self.HOLD):
                self.lanes.ended = time.monotonic()
                self.lanes_done.set()
            if self.FAILED.match(line):
                self.failed[self.quiet.started is not None] = True
            if line.startswith("e2e: slowest tests:"):
                in_slowest = True
            elif in_slowest and line.startswith("  "):
                self.slowest.append(line.rstrip())
            else:
                in_slowest = False
            with PRINT:
                sys.stdout.write(line)
                sys.stdout.flush()
        self.lanes_done.set()

    def go_quiet(self):
        """Lets the quiet tests start, once the lanes are done."""
        self.lanes_done.wait()
        if self.lanes.ended:  # it holds them (else it has ended)
            self.quiet.started = time.monotonic()
            try:
                self.process.stdin.write("go\n")
                self.process.stdin.flush()
            except BrokenPipeError:
                pass

    def wait(self):
        _, self.lanes.cpu = wait_counting(self.process)
        self.reader.join()
        ended = time.monotonic()
        # Each phase fails for its own tests; an end without a test's
        # failure fails the phase it ended in.
        phase = self.quiet if self.quiet.started else self.lanes
        phase.ended = ended
        if self.process.returncode != 0 and not any(self.failed):
            self.failed[phase is self.quiet] = True
        self.lanes.returncode = 1 if self.failed[0] else 0
        if self.quiet.started:
            self.quiet.returncode = 1 if self.failed[1] else 0
        return self.process.returncode == 0


def report(stages, started, e2e):
    print("\nmake test: stage times (s after the start, s taken, s of CPU)")
    for stage in stages:
        if stage.started is None:
            continue
        result = "ok" if stage.returncode == 0 else "FAILED"
        cpu = f"{stage.cpu:7.0f}" if stage.cpu is not None else " " * 7
        print(f"  {stage.name:15} {stage.started - started:7.0f} {stage.seconds:7.0f} {cpu}  "
              f"{result}")
    print(f"  {'total':15} {'':7} {time.monotonic() - started:7.0f}")
    print("  (the e2e lanes' CPU is both end-to-end phases'; Wine's servers are not counted)")
    if e2e.slowest:
        print("the five slowest end-to-end tests (s):")
        for line in e2e.slowest:
            print(line)
    times = os.times()
    load = Path("/proc/loadavg").read_text().split()[:3]
    print(f"load average at the end {' '.join(load)}; CPU used "
          f"{times.children_user + times.children_system:.0f} s on {os.cpu_count()} processors",
          flush=True)


def main():
    started = time.monotonic()
    # The sub-makes need not check the set-up again.
    os.environ["SETUP_DONE"] = "1"
    setup = Stage("setup", None)
    if os.environ.get("SETUP_STARTED"):
        setup.started = started - (time.time() - float(os.environ["SETUP_STARTED"]))
        setup.ended = started
        setup.returncode = 0
        started = setup.started
    build = Stage("build", [MAKE, "e2e-build"])
    # Made off any display, as the lanes' runner makes it.
    prefix = Stage("e2e prefix", ["env", "-u", "DISPLAY", "scripts/wine-prefix.sh",
                                  "build/e2e/prefix"])
    beside = [Stage(name, [MAKE, name], nice=BESIDE_NICENESS)
              for name in ("unit", "asan", "fuzz-smoke", "pictures-check", "release-check")]
    e2e = EndToEnd()
    stages = [setup, build, prefix, e2e.lanes, *beside, e2e.quiet]

    waiting = in_thread(lambda: prefix.run_logged(show=False))
    ok = build.run_live()
    waiting.join()
    prefix.show()
    ok = ok and prefix.returncode == 0
    if ok:
        e2e.start()
        run_chain(beside)
        e2e.go_quiet()
        ok = e2e.wait() and all(stage.returncode == 0 for stage in beside)
    report(stages, started, e2e)
    failed = [s.name for s in stages if s.started is not None and s.returncode != 0]
    if failed:
        print(f"make test: FAILED: {', '.join(failed)}")
    return 0 if ok and not failed else 1


if __name__ == "__main__":
    sys.exit(main())

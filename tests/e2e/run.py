#!/usr/bin/env python3
"""Runs the end-to-end tests in parallel lanes, each with an X server, a Wine
prefix and a virtual desktop of its own, so one lane's windows, tray and
recorder never meet another's.

    run.py [--lanes N] [--hold-quiet] [PATTERN...]

PATTERN: only tests whose id contains one of them. --lanes: how many lanes
(default: E2E_LANES, else one more than there are processors). A lane takes a test class at a
time, the longest first (by the times of the last run, kept in
build/e2e/times.json). A class with `log_pixels` gets a lane whose programs
see that display scale. The tests marked quiet (their figures need a quiet
machine) run after all others, in one lane, with no other lane running;
with --hold-quiet they wait for a line on standard input first, so that
`make test` can finish its other stages before.

A lane is also this script: `run.py --lane N` runs the classes it is given on
standard input and reports each test's result on standard output, one JSON
object a line.
"""
import argparse
import io
import json
import os
import select
import shutil
import signal
import subprocess
import sys
import time
import traceback
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
import harness  # noqa: E402

LANES = harness.OUT / "lanes"
TIMES = harness.OUT / "times.json"
# A test's time before any run has measured it, for the order of classes.
UNKNOWN_SECONDS = 20.0
# Files no test writes, which make up most of a prefix: a lane's prefix
# links them rather than copying.
SHARED_SUFFIXES = (".dll", ".exe", ".drv", ".sys", ".ocx", ".cpl", ".acm", ".nls", ".vxd",
                   ".tlb", ".ax", ".ds", ".ttf", ".manifest")


# ---- Which tests, in which units ---------------------------------------------------


def each_test(suite):
    for test in suite:
        if isinstance(test, unittest.TestSuite):
            yield from each_test(test)
        else:
            yield test


def selected(patterns):
    """The tests whose ids contain one of the patterns (all without any)."""
    suite = unittest.TestLoader().discover(str(HERE), pattern="test_*.py")
    tests = []
    for test in each_test(suite):
        if isinstance(test, unittest.loader._FailedTest):
            raise SystemExit(f"e2e: cannot load {test.id()}:\n{test._exception}")
        if not patterns or any(p in test.id() for p in patterns):
            tests.append(test)
    return tests


class Unit:
    """Tests of one class that run one after the other in one lane."""

    def __init__(self, tests, quiet, log_pixels):
        self.tests = tests
        self.quiet = quiet
        self.log_pixels = log_pixels
        self.seconds = 0.0

    def ids(self):
        return [t.id() for t in self.tests]


def units_of(tests, past_times):
    """Each class's tests as a unit, its quiet ones as another, longest first."""
    groups = {}
    for test in tests:
        quiet = harness.is_quiet(test)
        key = (type(test), quiet)
        if key not in groups:
            groups[key] = Unit([], quiet, getattr(type(test), "log_pixels", 96))
        groups[key].tests.append(test)
    units = list(groups.values())
    for unit in units:
        unit.seconds = sum(past_times.get(i, UNKNOWN_SECONDS) for i in unit.ids())
    units.sort(key=lambda u: -u.seconds)
    return units


def next_unit(units, log_pixels):
    """The longest unit at the lane's display scale, else the longest: a
    change of scale costs a restart of the lane's Wine."""
    same = [u for u in units if u.log_pixels == log_pixels]
    unit = (same or units)[0]
    units.remove(unit)
    return unit


# ---- A lane: a process of its own ----------------------------------------------------


def copy_prefix(template, prefix):
    """A lane's prefix, made from the prepared one in moments: what no test
    writes (the system's DLLs and programs, most of its size) is linked, the
    registry and everything else copied. Wine's note of its server's folder
    is left behind: each prefix gets its own."""
    shutil.rmtree(prefix, ignore_errors=True)
    for folder, dirs, files in os.walk(template):
        here = Path(folder)
        there = prefix / here.relative_to(template)
        there.mkdir(parents=True, exist_ok=True)
        for name in dirs + files:
            source, target = here / name, there / name
            if source.is_symlink():
                os.symlink(os.readlink(source), target)
                if name in dirs:
                    dirs.remove(name)  # not walked into: it is a link
            elif name in files and not (here == template and name == "wineserver"):
                if name.lower().endswith(SHARED_SUFFIXES):
                    try:
                        os.link(source, target)
                        continue
                    except OSError:
                        pass
                shutil.copy2(source, target)


class LaneResult(unittest.TestResult):
    """Reports each test as it ends, with what it printed."""

    def __init__(self, report):
        super().__init__()
        self.report = report
        self.details = {}

    def startTest(self, test):
        super().startTest(test)
        self.started = time.monotonic()
        self.details[test.id()] = []
        self.captured = io.StringIO()
        sys.stdout = self.captured

    def _detail(self, test, err, kind):
        key = getattr(test, "test_case", test).id()
        self.details.setdefault(key, []).append(
            f"{kind}: {test.id()}\n{self._exc_info_to_string(err, test)}")

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self._detail(test, err, "FAIL")

    def addError(self, test, err):
        super().addError(test, err)
        self._detail(test, err, "ERROR")

    def addSubTest(self, test, subtest, err):
        super().addSubTest(test, subtest, err)
        if err is not None:
            self._detail(subtest, err, "FAIL")

    def stopTest(self, test):
        super().stopTest(test)
        sys.stdout = sys.__stderr__
        details = self.details.pop(test.id(), [])
        skipped = [reason for t, reason in self.skipped if t is test]
        self.report({"test": test.id(),
                     "status": "FAIL" if details else ("skip" if skipped else "ok"),
                     "seconds": round(time.monotonic() - self.started, 1),
                     "output": self.captured.getvalue(),
                     "details": details + [f"skipped: {r}" for r in skipped]})


def lane_main(number):
    """One lane: starts its desktop, then runs each unit it is given."""
    # Ended from outside, it still ends its X server and Wine.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    reports = os.fdopen(os.dup(sys.stdout.fileno()), "w", buffering=1)
    sys.stdout = sys.__stderr__  # what tests print outside a test goes to the log

    def report(message):
        reports.write(json.dumps(message) + "\n")

    home = LANES / str(number)
    desktop = harness.Desktop(prefix=home / "prefix", scratch=home)
    loader = unittest.TestLoader()
    try:
        copy_prefix(harness.PREFIX, home / "prefix")
        desktop.start()
        harness.DESKTOP = desktop
        report({"ready": desktop.display, "start": round(desktop.costs.start, 2)})
        for line in sys.stdin:
            request = json.loads(line)
            if "tests" not in request:
                break
            result = LaneResult(report)
            try:
                desktop.set_log_pixels(request["log_pixels"])
                if request.get("measure"):
                    desktop.measure(start=False)
                loader.loadTestsFromNames(request["tests"]).run(result)
            except Exception:  # the lane itself failed: its tests did not run
                problem = traceback.format_exc()
                for test_id in request["tests"]:
                    report({"test": test_id, "status": "ERROR", "seconds": 0, "output": "",
                            "details": [problem]})
            report({"done": True})
    except Exception:
        report({"broken": traceback.format_exc()})
    finally:
        desktop.stop()


class Lane:
    """The parent's handle on a lane process."""

    def __init__(self, number):
        self.number = number
        home = LANES / str(number)
        home.mkdir(parents=True, exist_ok=True)
        self.log = open(home / "lane.log", "wb")
        self.process = subprocess.Popen(
            [sys.executable, str(Path(__file__).resolve()), "--lane", str(number)],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=self.log, text=True)
        self.ready = False
        self.unit = None
        self.log_pixels = 96
        self.reported = set()
        self.pending = b""
        self.measure = False  # what steps cost, anew before the next unit

    def lines(self):
        """The lines the lane has written since last asked; an empty one
        once it has ended."""
        chunk = os.read(self.process.stdout.fileno(), 65536)
        if not chunk:
            return [""]
        self.pending += chunk
        *lines, self.pending = self.pending.split(b"\n")
        return [line.decode("utf-8", "replace") + "\n" for line in lines]

    def give(self, unit):
        self.unit = unit
        self.reported = set()
        self.log_pixels = unit.log_pixels
        self.process.stdin.write(json.dumps({"tests": unit.ids(), "log_pixels": unit.log_pixels,
                                             "measure": self.measure}) + "\n")
        self.process.stdin.flush()
        self.measure = False

    def stop(self):
        if self.process.poll() is None:
            try:
                self.process.stdin.write("{}\n")
                self.process.stdin.close()
            except OSError:
                pass
            try:
                self.process.wait(120)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.log.close()


class Run:
    """The lanes and what they found."""

    def __init__(self, lanes):
        self.count = lanes
        self.lanes = []
        self.results = {}  # test id: (status, seconds)
        self.failed = False

    def say(self, text):
        print(text, flush=True)

    def start(self, lanes_needed):
        # Prepared once, off any display; the lanes copy it.
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
        subprocess.run([str(harness.PREFIX_SCRIPT), str(harness.PREFIX)], env=env, timeout=900,
                       check=True)
        shutil.rmtree(LANES, ignore_errors=True)
        self.lanes = [Lane(n + 1) for n in range(max(1, min(self.count, lanes_needed)))]

    def run(self, units):
        """Hands the units out to the lanes until all have run."""
        units = list(units)
        while units or any(lane.unit for lane in self.lanes):
            for lane in self.lanes:
                if lane.ready and lane.unit is None and units:
                    lane.give(next_unit(units, lane.log_pixels))
            live = [lane for lane in self.lanes if lane.process.poll() is None or lane.unit]
            if not live:
                for unit in units:
                    self.lost(unit.ids(), "no lane is left to run it")
                return
            readable, _, _ = select.select([lane.process.stdout for lane in live], [], [])
            for lane in live:
                if lane.process.stdout in readable:
                    for line in lane.lines():
                        self.hear(lane, line)

    def hear(self, lane, line):
        if not line:  # the lane ended
            if lane.unit:
                self.lost([i for i in lane.unit.ids() if i not in lane.reported],
                          f"lane {lane.number} ended; see {LANES / str(lane.number) / 'lane.log'}")
            lane.unit = None
            lane.ready = False
            self.lanes.remove(lane)
            return
        message = json.loads(line)
        if "ready" in message:
            lane.ready = True
            self.say(f"e2e: lane {lane.number} ready on display {message['ready']} "
                     f"(a Wine process starts in {message['start']:.1f} s)")
        elif "broken" in message:
            self.say(f"e2e: lane {lane.number} could not start:\n{message['broken']}")
        elif "done" in message:
            lane.unit = None
        elif "test" in message:
            lane.reported.add(message["test"])
            self.record(lane.number, message)

    def record(self, number, message):
        status = message["status"]
        self.results[message["test"]] = (status, message["seconds"])
        self.say(f"e2e: lane {number}  {status:5} {message['seconds']:6.1f} s  {message['test']}")
        for line in message["output"].strip("\n").splitlines():
            self.say(f"        {line}")
        for detail in message["details"]:
            self.say(detail.rstrip("\n"))
        if status not in ("ok", "skip"):
            self.failed = True

    def lost(self, test_ids, why):
        for test_id in test_ids:
            self.record(0, {"test": test_id, "status": "ERROR", "seconds": 0, "output": "",
                            "details": [why]})

    def keep_one(self):
        """Ends every lane but one: the quiet tests run alone, on margins
        measured anew on the quiet machine."""
        for lane in self.lanes[1:]:
            lane.stop()
        self.lanes = self.lanes[:1]
        for lane in self.lanes:
            lane.measure = True

    def stop(self):
        for lane in self.lanes:
            lane.stop()
        self.lanes = []


def past_times():
    try:
        return json.loads(TIMES.read_text())
    except (OSError, ValueError):
        return {}


def save_times(results):
    times = past_times()
    times.update({test_id: seconds for test_id, (status, seconds) in results.items()
                  if status == "ok"})
    TIMES.write_text(json.dumps(times, indent=1, sort_keys=True) + "\n")


def slowest(results, count=5):
    return sorted(((seconds, test_id) for test_id, (_, seconds) in results.items()),
                  reverse=True)[:count]


def default_lanes():
    # A lane spends most of its time waiting for an armed second to come, so
    # one lane more than there are processors keeps them busier.
    return int(os.environ.get("E2E_LANES") or (os.cpu_count() or 1) + 1)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--lanes", type=int, default=None)
    parser.add_argument("--lane", type=int, help=argparse.SUPPRESS)
    parser.add_argument("--hold-quiet", action="store_true")
    parser.add_argument("patterns", nargs="*")
    args = parser.parse_args()
    if args.lane:
        return lane_main(args.lane)

    for needed in (harness.EXE, harness.DRIVER, harness.RECORDER, harness.PLANT):
        if not needed.exists():
            sys.exit(f"missing {needed}: build the Windows preset first")
    tests = selected(args.patterns)
    if not tests:
        sys.exit(f"e2e: no test matches {' '.join(args.patterns)}")
    shutil.rmtree(harness.TEST_OUT, ignore_errors=True)
    (harness.OUT / "firing-delay.json").unlink(missing_ok=True)
    units = units_of(tests, past_times())
    busy = [u for u in units if not u.quiet]
    quiet = [u for u in units if u.quiet]

    run = Run(args.lanes or default_lanes())
    started = time.monotonic()
    try:
        run.start(len(busy) or 1)
        quiet_count = sum(len(u.tests) for u in quiet)
        run.say(f"e2e: {len(tests)} tests: {len(tests) - quiet_count} in {len(run.lanes)} "
                f"lane(s), then {quiet_count} quiet ones alone")
        run.run(busy)
        lanes_took = time.monotonic() - started
        if quiet:
            if args.hold_quiet:
                run.say("e2e: the quiet tests wait until nothing else runs")
                sys.stdin.readline()
            run.keep_one()
            quiet_started = time.monotonic()
            run.run(quiet)
            run.say(f"e2e: lanes {lanes_took:.0f} s, quiet tests "
                    f"{time.monotonic() - quiet_started:.0f} s")
    finally:
        run.stop()
    save_times(run.results)
    run.say("e2e: slowest tests:")
    for seconds, test_id in slowest(run.results):
        run.say(f"  {seconds:6.1f} s  {test_id}")
    counts = {}
    for status, _ in run.results.values():
        counts[status] = counts.get(status, 0) + 1
    run.say(f"e2e: {len(run.results)} tests in {time.monotonic() - started:.0f} s: "
            + ", ".join(f"{n} {s}" for s, n in sorted(counts.items())))
    missing = len(tests) - len(run.results)
    return 1 if run.failed or missing or not run.results else 0


if __name__ == "__main__":
    sys.exit(main())

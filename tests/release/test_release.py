#!/usr/bin/env python3
"""Checks the release that `make dist` wrote to build/dist, and that it is
reproducible: the source tree is copied to a folder elsewhere and `make dist`
runs there again, later, with another time zone, locale, umask and job count;
the exe and the zip must come out byte for byte the same.

    test_release.py [-v]    (make release-check runs make dist first)
"""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))
import dist  # noqa: E402
import pe  # noqa: E402

ROOT = dist.ROOT
DIST = dist.DIST
BUILT_EXE = dist.EXE
# The system DLLs the program loads on first use, by the delay-load tables
# the exe's header lists.
DELAY_LOADED = sorted(f"{name}.dll" for name in
                      ("comctl32", "comdlg32", "gdi32", "ole32", "oleacc", "oleaut32", "shell32",
                       "user32"))


def release_zip(dist_dir):
    return dist_dir / dist.zip_name(dist.version())


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def differences(a, b, limit=12):
    """Where two builds of the exe differ: offsets and the part of the file."""
    image = pe.read_bytes(a)
    spots = [i for i in range(min(len(a), len(b))) if a[i] != b[i]]
    where = [f"{i:#07x} ({image.section_of(i)})" for i in spots[:limit]]
    size = "" if len(a) == len(b) else f"; sizes {len(a)} and {len(b)}"
    return f"{len(spots)} bytes differ: {', '.join(where)}{size}"


class ReleaseContents(unittest.TestCase):
    """What a Windows user downloads: the zip, its two files and the sums."""

    def test_the_zip_holds_the_built_exe_and_a_windows_readme(self):
        with zipfile.ZipFile(release_zip(DIST)) as archive:
            self.assertEqual(archive.namelist(), ["tarnovelle.exe", "README.txt"])
            self.assertIsNone(archive.testzip())
            exe = archive.read("tarnovelle.exe")
            readme = archive.read("README.txt").decode("utf-8")
        self.assertEqual(sha256(exe), sha256(BUILT_EXE.read_bytes()),
                         "the zip's exe is not the one the tests ran")
        self.assertNotRegex(readme, r"@[A-Z]+@", "a placeholder was left in the readme")
        self.assertEqual(readme.count("\n"), readme.count("\r\n"), "line ends must be CRLF")
        self.assertIn(f"Version {dist.version()}", readme)
        commit = subprocess.run(["git", "-C", str(ROOT), "rev-parse", "HEAD"],
                                stdout=subprocess.PIPE, text=True).stdout.strip()
        self.assertIn(f"Source commit: {commit}", readme)
        for promise in ("nothing to install", "writes nothing to disk", "certutil -hashfile"):
            self.assertIn(promise, readme.replace("\r\n", " ").replace("  ", " "))

    def test_the_sums_cover_the_zip_and_the_exe_and_verify(self):
        names = [line.split("  ", 1)[1]
                 for line in (DIST / "SHA256SUMS").read_text().splitlines()]
        self.assertEqual(names, [release_zip(DIST).name, "tarnovelle.exe"])
        result = subprocess.run(["sha256sum", "--check", "--strict", "SHA256SUMS"], cwd=DIST,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.assertEqual(result.returncode, 0, result.stdout)


class ReleaseExe(unittest.TestCase):
    """The exe is a 32-bit GUI program that needs only Windows, and carries no
    trace of when or where it was built."""

    @classmethod
    def setUpClass(cls):
        cls.exe = pe.read(DIST / "tarnovelle.exe")

    def test_it_is_a_statically_linked_32_bit_gui_program(self):
        self.assertEqual(self.exe.machine, pe.MACHINE_I386)
        self.assertEqual(self.exe.magic, pe.PE32_MAGIC)
        self.assertEqual(self.exe.subsystem, pe.SUBSYSTEM_WINDOWS_GUI)
        self.assertLessEqual(set(self.exe.used_dlls()), pe.SYSTEM_DLLS)

    def test_only_kernel32_and_the_c_runtime_are_bound_at_start(self):
        # Both are KnownDLLs, mapped before the program's first instruction;
        # everything else is delay-loaded after the DLL search is locked.
        self.assertEqual(self.exe.imports(), ["kernel32.dll", "msvcrt.dll"])
        self.assertEqual(self.exe.delay_imports(), DELAY_LOADED)

    def test_the_header_says_relocatable_no_code_in_data_and_terminal_server_aware(self):
        flags = self.exe.dll_characteristics
        for flag, name in ((pe.DYNAMIC_BASE, "--dynamicbase"), (pe.NX_COMPAT, "--nxcompat"),
                           (pe.TERMINAL_SERVER_AWARE, "--tsaware")):
            self.assertTrue(flags & flag, f"{name} is not set")
        self.assertTrue(self.exe.relocatable, "no base relocations")
        self.assertTrue(self.exe.checksum_valid(), "the header's checksum is wrong")

    def test_no_time_stamp_in_header_resources_or_debug_data(self):
        self.assertEqual(self.exe.timestamp, 0, "the link time is in the file header")
        stamps = self.exe.resource_timestamps()
        self.assertGreater(len(stamps), 3, "the resources were not found")
        self.assertEqual(set(stamps), {0})
        self.assertEqual([s for s in self.exe.debug_timestamps() if s], [])
        self.assertIn(self.exe.export_timestamp(), (None, 0))

    def test_no_build_path_in_the_exe(self):
        data = self.exe.data
        for path in (ROOT, ROOT / "build", Path.home()):
            for form in (str(path), str(path).replace("/", "\\")):
                for encoded in (form.encode("utf-8"), form.encode("utf-16-le")):
                    self.assertFalse(encoded in data, f"{form!r} is in the exe")


class Reproducible(unittest.TestCase):
    """make dist in a copy of the source elsewhere gives the same bytes."""

    @classmethod
    def setUpClass(cls):
        cls.elsewhere = Path(tempfile.mkdtemp(prefix="tarnovelle-elsewhere-"))
        cls.tree = cls.elsewhere / "another" / "source tree"
        cls.copy_source(cls.tree)
        # A later time, for certain: the header's time stamp counts seconds.
        while time.time() - BUILT_EXE.stat().st_mtime < 2:
            time.sleep(0.5)
        env = {k: v for k, v in os.environ.items()
               if k not in ("MAKEFLAGS", "MFLAGS", "MAKELEVEL")}
        env.update(TZ="Pacific/Kiritimati", LC_ALL="C.UTF-8", LANG="C.UTF-8")
        log = cls.elsewhere / "make-dist.log"
        with open(log, "w") as out:
            result = subprocess.run(["bash", "-c", "umask 077 && make dist"], cwd=cls.tree,
                                    env=env, stdout=out, stderr=subprocess.STDOUT)
        if result.returncode != 0:
            raise AssertionError(f"make dist elsewhere failed; see {log}")
        cls.dist = cls.tree / "build" / "dist"

    @classmethod
    def tearDownClass(cls):
        if getattr(cls, "passed", True):
            shutil.rmtree(cls.elsewhere, ignore_errors=True)
        else:
            print(f"\nthe second build is kept in {cls.elsewhere}", file=sys.stderr)

    @staticmethod
    def copy_source(tree):
        """The files git knows or would add, as they are now, with the
        repository, so the copy is the same commit in the same state."""
        listed = subprocess.run(["git", "-C", str(ROOT), "ls-files", "-z", "--cached",
                                 "--others", "--exclude-standard"],
                                stdout=subprocess.PIPE, check=True).stdout
        for name in sorted(set(filter(None, listed.decode().split("\0")))):
            source = ROOT / name
            if source.is_file():
                (tree / name).parent.mkdir(parents=True, exist_ok=True)
                shutil.copy2(source, tree / name)
        if (ROOT / ".git").exists():
            shutil.copytree(ROOT / ".git", tree / ".git", symlinks=True)

    def run(self, result=None):
        outcome = super().run(result)
        if result is not None and not result.wasSuccessful():
            type(self).passed = False
        return outcome

    def test_the_exe_is_byte_identical(self):
        there_built = self.tree / "build" / "windows" / "tarnovelle.exe"
        self.assertFalse(there_built.resolve().is_relative_to(ROOT))
        self.assertGreaterEqual(there_built.stat().st_mtime - BUILT_EXE.stat().st_mtime, 2,
                                "the second build was not linked later")
        here = (DIST / "tarnovelle.exe").read_bytes()
        there = (self.dist / "tarnovelle.exe").read_bytes()
        print(f"\n  tarnovelle.exe SHA-256 {sha256(here)} here and {sha256(there)} in "
              f"{self.tree}", file=sys.stderr)
        self.assertTrue(here == there, differences(here, there))

    def test_the_zip_and_its_sums_are_byte_identical(self):
        for name in (release_zip(DIST).name, "SHA256SUMS"):
            self.assertEqual(sha256((DIST / name).read_bytes()),
                             sha256((self.dist / name).read_bytes()), name)

if __name__ == "__main__":
    unittest.main()

#!/usr/bin/env python3
"""Checks the release that `make dist` wrote to build/dist, and that it is
reproducible: the source tree is copied to a folder elsewhere and `make dist`
runs there again, later, with another time zone, locale, umask and job count;
the exe and the zip must come out byte for byte the same. Then a signature
made here (with a throw-away PKI, pki.py) is attached there by make dist,
and must give the signed exe osslsigncode makes here; a signature made over
another exe must stop make dist there.

    test_release.py [-v]    (make release-check runs make dist first)
"""
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))
import authenticode  # noqa: E402
import dist  # noqa: E402
import pe  # noqa: E402
import pki  # noqa: E402

ROOT = dist.ROOT
DIST = dist.DIST
BUILT_EXE = dist.EXE
# The system DLLs the program loads on first use, by the delay-load tables
# the exe's header lists.
DELAY_LOADED = sorted(f"{name}.dll" for name in
                      ("advapi32", "comctl32", "comdlg32", "gdi32", "ole32", "oleacc", "oleaut32",
                       "shell32", "user32", "winmm"))


def release_zip(dist_dir):
    return dist_dir / dist.zip_name(dist.version())


def signature_here():
    """The committed signature of this version's exe, or None."""
    path = dist.signature_path(dist.version())
    return authenticode.from_pem(path.read_text()) if path.exists() else None


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
        built = BUILT_EXE.read_bytes()
        signature = signature_here()
        if signature:
            self.assertEqual(sha256(exe), sha256(authenticode.attach(built, signature)),
                             "the zip's exe is not the one the tests ran, signed")
        else:
            self.assertEqual(sha256(exe), sha256(built),
                             "the zip's exe is not the one the tests ran")
        flowing = readme.replace("\r\n", " ").replace("  ", " ")
        self.assertEqual("Digital Signatures tab" in flowing, bool(signature),
                         "the readme's signature paragraph is not there exactly when signed")
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
        self.assertEqual(names, [release_zip(DIST).name, "tarnovelle.exe"] +
                         ([dist.UNSIGNED_NAME] if signature_here() else []))
        result = subprocess.run(["sha256sum", "--check", "--strict", "SHA256SUMS"], cwd=DIST,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.assertEqual(result.returncode, 0, result.stdout)

    def test_the_readme_and_docs_links_reach_files_and_headings(self):
        """Before the download, the README and its pages: every relative link
        names a file there is, every #anchor a heading of its page (as GitHub
        makes anchors of headings)."""
        def anchors(page):
            text = re.sub(r"```.*?```", "", page.read_text(), flags=re.S)
            return {re.sub(r"[^\w\- ]", "", h.strip().lower()).replace(" ", "-")
                    for h in re.findall(r"^#{1,6} (.+)$", text, re.M)}
        for page in [ROOT / "README.md", *sorted((ROOT / "docs").glob("*.md"))]:
            for link in re.findall(r"\]\(([^)\s]+)\)", page.read_text()):
                if re.match(r"[a-z]+:", link):  # a web or mail address
                    continue
                path, _, anchor = link.partition("#")
                target = page.parent / path if path else page
                with self.subTest(page=page.name, link=link):
                    self.assertTrue(target.is_file(), "no such file")
                    if anchor:
                        self.assertIn(anchor, anchors(target), "no such heading")


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
        if cls.make_dist("make-dist.log").returncode != 0:
            raise AssertionError(f"make dist elsewhere failed; see {cls.elsewhere}/make-dist.log")
        cls.dist = cls.elsewhere / "first-dist"
        shutil.copytree(cls.tree / "build" / "dist", cls.dist)

        # The maintainer signs here; there, make dist attaches the signature.
        cls.pki = pki.make(cls.elsewhere / "pki")
        cls.signature = cls.elsewhere / "tarnovelle.exe.pem"
        another = cls.elsewhere / "another.exe"
        other_build = bytearray(BUILT_EXE.read_bytes())
        other_build[0x2000] ^= 1
        struct.pack_into("<I", other_build, pe.read_bytes(bytes(other_build)).image.OPTIONAL_HEADER
                         .get_field_absolute_offset("CheckSum"), authenticode.checksum(other_build))
        another.write_bytes(other_build)
        for exe, out in ((BUILT_EXE, cls.signature), (another, cls.elsewhere / "another.pem")):
            result = pki.sign(cls.pki, exe, out)
            if result.returncode != 0:
                raise AssertionError(f"signing failed:\n{result.stdout}")
        there = dist.signature_path(dist.version(), cls.tree)
        there.parent.mkdir(exist_ok=True)
        shutil.copyfile(cls.elsewhere / "another.pem", there)
        cls.wrong = cls.make_dist("make-dist-another-signature.log")
        cls.wrong_left_dist = (cls.tree / "build" / "dist").exists()
        shutil.copyfile(cls.signature, there)
        # make dist's last step alone: the build there is done.
        result = subprocess.run([sys.executable, str(cls.tree / "scripts" / "dist.py")],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if result.returncode != 0:
            raise AssertionError(f"make dist with a signature failed:\n{result.stdout}")
        cls.signed_dist = cls.tree / "build" / "dist"

    @classmethod
    def make_dist(cls, log_name):
        env = {k: v for k, v in os.environ.items()
               if k not in ("MAKEFLAGS", "MFLAGS", "MAKELEVEL")}
        env.update(TZ="Pacific/Kiritimati", LC_ALL="C.UTF-8", LANG="C.UTF-8")
        result = subprocess.run(["bash", "-c", "umask 077 && make dist"], cwd=cls.tree,
                                env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                text=True)
        (cls.elsewhere / log_name).write_text(result.stdout)
        return result

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
        if (ROOT / ".git").is_dir():
            shutil.copytree(ROOT / ".git", tree / ".git", symlinks=True)
        elif (ROOT / ".git").exists():
            # A linked worktree, whose .git only names the repository: a new
            # repository holding the same commit, its index that commit's.
            for args in (["init", "--quiet"],
                         ["fetch", "--quiet", "--depth", "1", str(ROOT), "HEAD"],
                         ["reset", "--quiet", "FETCH_HEAD"]):
                subprocess.run(["git", "-C", str(tree), *args], check=True)

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

    def test_a_signature_made_here_gives_there_the_signed_exe_osslsigncode_makes_here(self):
        signed_here = self.elsewhere / "signed-here.exe"
        root = self.pki.cert("root")
        result = subprocess.run(
            ["osslsigncode", "attach-signature", "-sigin", str(self.signature),
             "-CAfile", str(root), "-TSA-CAfile", str(root), "-in", str(BUILT_EXE),
             "-out", str(signed_here)], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.assertEqual(result.returncode, 0, result.stdout)
        here = signed_here.read_bytes()
        there = (self.signed_dist / "tarnovelle.exe").read_bytes()
        self.assertTrue(here == there, differences(here, there))
        with zipfile.ZipFile(release_zip(self.signed_dist)) as archive:
            self.assertTrue(archive.read("tarnovelle.exe") == here, "the zip's exe is not signed")
            readme = archive.read("README.txt").decode("utf-8").replace("\r\n", " ")
            self.assertIn("Get-AuthenticodeSignature", readme)
            self.assertIn("Digital Signatures tab", readme.replace("  ", " "))
        self.assertEqual((self.signed_dist / dist.UNSIGNED_NAME).read_bytes(),
                         BUILT_EXE.read_bytes())
        names = [line.split("  ", 1)[1]
                 for line in (self.signed_dist / "SHA256SUMS").read_text().splitlines()]
        self.assertEqual(names, [release_zip(self.signed_dist).name, "tarnovelle.exe",
                                 dist.UNSIGNED_NAME])
        result = subprocess.run(["sha256sum", "--check", "--strict", "SHA256SUMS"],
                                cwd=self.signed_dist, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, text=True)
        self.assertEqual(result.returncode, 0, result.stdout)

    def test_a_signature_of_another_exe_stops_make_dist_and_leaves_no_release(self):
        self.assertNotEqual(self.wrong.returncode, 0, self.wrong.stdout)
        self.assertIn("is not a signature of this build's exe", self.wrong.stdout)
        self.assertFalse(self.wrong_left_dist, "a build/dist was left behind")

    def test_the_check_command_reports_signer_time_stamp_and_reproducibility(self):
        command = [sys.executable, str(ROOT / "scripts" / "check_release.py"),
                   "--cafile", str(self.pki.cert("root"))]
        result = subprocess.run(command + [str(release_zip(self.signed_dist))],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertRegex(result.stdout, rf"Signed by:\s+/CN={pki.SIGNER}/")
        self.assertRegex(result.stdout, r"Signature:\s+valid")
        self.assertRegex(result.stdout, rf"Time-stamped:\s+{pki.TIME_STAMP_TEXT}, by /CN=Test "
                                        r"Time Stamps/.*, valid")
        self.assertRegex(result.stdout, r"Reproducible:\s+yes")
        # One byte changed: the signature and the comparison both fail.
        tampered = bytearray((self.signed_dist / "tarnovelle.exe").read_bytes())
        tampered[0x2000] ^= 1
        (self.elsewhere / "tampered.exe").write_bytes(tampered)
        result = subprocess.run(command + [str(self.elsewhere / "tampered.exe")],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.assertNotEqual(result.returncode, 0, result.stdout)
        self.assertRegex(result.stdout, r"Signature:\s+NOT VALID")
        self.assertRegex(result.stdout, r"Reproducible:\s+NO: .*differ")

if __name__ == "__main__":
    unittest.main()

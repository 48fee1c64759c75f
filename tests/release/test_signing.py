#!/usr/bin/env python3
"""Signing the release exe and checking it, with a throw-away PKI made here
(pki.py), and the install manifests make dist wrote (manifest_check.py).

    test_signing.py [-v]    (make release-check runs make dist first)

Attaching a signature to a second build elsewhere, and a signature for
another exe stopping make dist, are checked with that second build in
test_release.py.
"""
import copy
import json
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

import yaml

sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))
import authenticode  # noqa: E402
import dist  # noqa: E402
import manifest_check  # noqa: E402
import pe  # noqa: E402
import pki  # noqa: E402

BUILT_EXE = dist.EXE


def osslsigncode(*args):
    return subprocess.run(["osslsigncode", *map(str, args)], stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True)


class Signing(unittest.TestCase):
    """The maintainer's signature (sign.py, time-stamped by osslsigncode's
    own authority), verified as a user's check would verify it."""

    @classmethod
    def setUpClass(cls):
        cls.folder = Path(tempfile.mkdtemp(prefix="tarnovelle-signing-"))
        cls.pki = pki.make(cls.folder / "pki")
        cls.unsigned = BUILT_EXE.read_bytes()
        cls.signature_file = cls.folder / "tarnovelle.exe.pem"
        result = pki.sign(cls.pki, BUILT_EXE, cls.signature_file)
        if result.returncode != 0:
            raise AssertionError(f"sign.py failed:\n{result.stdout}")
        cls.signature = authenticode.from_pem(cls.signature_file.read_text())
        cls.signed = cls.folder / "signed.exe"
        cls.signed.write_bytes(authenticode.attach(cls.unsigned, cls.signature))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, ignore_errors=True)

    def verify(self, data, root="root"):
        path = self.folder / "checked.exe"
        path.write_bytes(data)
        return authenticode.verify(path, self.pki.cert(root))

    def test_the_signature_names_the_signer_and_program_and_is_time_stamped(self):
        verdict = self.verify(self.signed.read_bytes())
        self.assertTrue(verdict.valid, verdict.report)
        self.assertIn(f"/CN={pki.SIGNER}/", verdict.signer)
        self.assertIn("/CN=Test Root/", verdict.issuer)
        self.assertEqual(verdict.time_stamp, pki.TIME_STAMP_TEXT)
        self.assertTrue(verdict.time_stamp_valid)
        self.assertIn("/CN=Test Time Stamps/", verdict.time_stamp_authority)
        self.assertRegex(verdict.report, r"Message digest algorithm\s*: SHA256")
        self.assertIn("Text description: Tarnovelle", verdict.report)
        self.assertIn(f"URL description: {dist.website()}", verdict.report)
        # The signed file is a well-formed exe whose checksum pefile agrees with.
        self.assertTrue(pe.read(self.signed).checksum_valid())

    def test_verification_fails_for_a_changed_byte_a_non_code_certificate_or_another_root(self):
        changed = bytearray(self.signed.read_bytes())
        changed[0x2000] ^= 1  # in the code
        not_for_code = self.folder / "not-for-code.pem"
        result = pki.sign(self.pki, BUILT_EXE, not_for_code, signer="not_for_code")
        self.assertEqual(result.returncode, 0, result.stdout)
        other_signer = authenticode.attach(
            self.unsigned, authenticode.from_pem(not_for_code.read_text()))
        cases = {"one changed byte": (bytes(changed), "root"),
                 "a certificate without codeSigning": (other_signer, "root"),
                 "another root": (self.signed.read_bytes(), "other_root")}
        for case, (data, root) in cases.items():
            with self.subTest(case):
                verdict = self.verify(data, root)
                self.assertTrue(verdict.signed)
                self.assertFalse(verdict.valid, verdict.report)
                self.assertTrue(verdict.problems)
        self.assertFalse(self.verify(bytes(changed)).digest_matches)

    def test_stripping_gives_back_the_unsigned_exe_byte_for_byte(self):
        self.assertEqual(authenticode.strip(self.signed.read_bytes()), self.unsigned)
        # osslsigncode, an implementation of its own, agrees.
        stripped = self.folder / "stripped.exe"
        result = osslsigncode("remove-signature", "-in", self.signed, "-out", stripped)
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertTrue(stripped.read_bytes() == self.unsigned, "osslsigncode's strip differs")

    def test_the_unsigned_exe_is_fit_for_a_detached_signature_and_each_unfit_one_is_told(self):
        image = pe.read_bytes(self.unsigned)
        self.assertNotEqual(image.image.OPTIONAL_HEADER.CheckSum, 0, "no checksum")
        self.assertTrue(image.checksum_valid())
        self.assertEqual(len(self.unsigned) % 8, 0)
        self.assertEqual(authenticode.unfit_for_signature(self.unsigned), [])
        entry = image.image.OPTIONAL_HEADER.DATA_DIRECTORY[
            authenticode.SECURITY_DIRECTORY].get_file_offset()
        for fault in ("checksum", "certificate directory", "multiple of 8"):
            with self.subTest(fault):
                data = bytearray(self.unsigned)
                if fault == "checksum":
                    data[0x2000] ^= 1
                elif fault == "certificate directory":
                    struct.pack_into("<II", data, entry, len(data), 8)
                    data += bytes(8)
                else:
                    data += bytes(2)
                self.assertTrue(any(fault in p for p in authenticode.unfit_for_signature(data)),
                                authenticode.unfit_for_signature(data))
                with self.assertRaises(authenticode.NotFit):
                    authenticode.attach(bytes(data), self.signature)

    def test_the_check_command_fails_on_an_unsigned_exe(self):
        result = subprocess.run(
            [sys.executable, str(dist.ROOT / "scripts" / "check_release.py"), str(BUILT_EXE),
             "--cafile", str(self.pki.cert("root"))],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.assertNotEqual(result.returncode, 0, result.stdout)
        self.assertRegex(result.stdout, r"Signed by:\s+nobody")
        self.assertRegex(result.stdout, r"Reproducible:\s+yes")


class Manifests(unittest.TestCase):
    """The winget and Scoop manifests in build/dist/manifests."""

    @classmethod
    def setUpClass(cls):
        cls.version = dist.version()
        cls.zip = dist.DIST / dist.zip_name(cls.version)
        cls.manifests = dist.DIST / "manifests"

    def test_the_manifests_validate_against_the_release(self):
        self.assertEqual(manifest_check.problems(self.manifests, self.zip, self.version), [])
        installer = yaml.safe_load(
            (self.manifests / "winget" / "Tarnovelle.Tarnovelle.installer.yaml").read_text())
        self.assertEqual(installer["NestedInstallerType"], "portable")
        self.assertEqual(installer["Installers"][0]["Architecture"], "x86")

    def test_a_wrong_hash_or_a_missing_field_is_rejected(self):
        winget = "winget/Tarnovelle.Tarnovelle.{}yaml"
        wrong_hash = "0" * 64
        installer, locale = winget.format("installer."), winget.format("locale.en-US.")
        scoop = "scoop/tarnovelle.json"
        # The change, and what the rejection must say.
        mutations = {
            "a wrong zip hash for winget": (installer, lambda d: d["Installers"][0].update(
                InstallerSha256=wrong_hash), "InstallerSha256 is not the zip's SHA-256"),
            "a wrong zip hash for Scoop": (scoop, lambda d: d.update(hash=wrong_hash),
                                           "hash is not the zip's SHA-256"),
            "no License": (locale, lambda d: d.pop("License"), "'License' is a required"),
            "no PackageVersion": (installer, lambda d: d.pop("PackageVersion"),
                                  "'PackageVersion' is a required"),
            "a version that is a number": (winget.format(""), lambda d: d.update(
                PackageVersion=2.0), "2.0 is not of type 'string'"),
            "no nested installer files": (installer, lambda d: d.pop("NestedInstallerFiles"),
                                          "needs NestedInstallerFiles"),
            "a nested path out of the zip": (installer, lambda d: d["NestedInstallerFiles"][
                0].update(RelativeFilePath="..\\tarnovelle.exe"), "leaves the archive"),
            "no Scoop url": (scoop, lambda d: d.pop("url"), "'url' is a required"),
            "an unknown field": (scoop, lambda d: d.update(bin="x.exe"), "'bin' was unexpected"),
        }
        for case, (name, mutate, said) in mutations.items():
            with self.subTest(case), tempfile.TemporaryDirectory() as folder:
                copied = Path(folder) / "manifests"
                shutil.copytree(self.manifests, copied)
                self.rewrite(copied / name, mutate)
                found = manifest_check.problems(copied, self.zip, self.version)
                self.assertTrue(any(said in problem for problem in found), found)

    @staticmethod
    def rewrite(path, mutate):
        source = path.read_text()
        if path.suffix == ".json":
            document = json.loads(source)
            mutate(document)
            path.write_text(json.dumps(document))
        else:
            header = "".join(line for line in source.splitlines(True) if line.startswith("#"))
            document = copy.deepcopy(yaml.safe_load(source))
            mutate(document)
            path.write_text(header + yaml.safe_dump(document, sort_keys=False))


if __name__ == "__main__":
    unittest.main()

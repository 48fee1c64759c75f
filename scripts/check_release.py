#!/usr/bin/env python3
"""Checks a downloaded release, for users and checkers:

    make check-release FILE=tarnovelle-<version>-win32.zip [CAFILE=ca.pem]
    make check-release FILE=tarnovelle.exe [CAFILE=ca.pem]

It says, in plain words, who signed the exe and whether the signature is
valid (against CAFILE for the signer and the time-stamp authority, else the
system's certificates), when it was time-stamped, and whether the exe with
its signature stripped is byte for byte the exe this checkout builds (make
check-release builds it first). It exits non-zero when any check fails; a
signature without a time stamp is reported but is not a failure.
"""
import argparse
import hashlib
import re
import sys
import tempfile
import zipfile
from pathlib import Path

import authenticode
import dist

LABEL = 15


def line(label, text):
    print(f"{label + ':':<{LABEL}}{text}")


def more(text):
    print(" " * LABEL + text)


def read_release(path):
    """(the exe's bytes, the commit the zip's readme names or None)."""
    if zipfile.is_zipfile(path):
        with zipfile.ZipFile(path) as archive:
            if "tarnovelle.exe" not in archive.namelist():
                sys.exit(f"check-release: {path} holds no tarnovelle.exe")
            exe = archive.read("tarnovelle.exe")
            readme = (archive.read("README.txt").decode("utf-8", "replace")
                      if "README.txt" in archive.namelist() else "")
        match = re.search(r"Source commit:\s*(\S+)", readme)
        return exe, match.group(1) if match else None
    return path.read_bytes(), None


def differences(a, b):
    spots = [i for i in range(min(len(a), len(b))) if a[i] != b[i]]
    parts = []
    if spots:
        count = f"{len(spots)} byte differs" if len(spots) == 1 else f"{len(spots)} bytes differ"
        parts.append(f"{count}, the first at offset {spots[0]:#x}")
    if len(a) != len(b):
        parts.append(f"it is {len(a):,} bytes and this checkout's {len(b):,}")
    return "; ".join(parts)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("file", help="the downloaded zip or exe")
    parser.add_argument("--cafile", help="trusted root certificates (PEM)")
    parser.add_argument("--exe", default=str(dist.EXE), help=argparse.SUPPRESS)
    args = parser.parse_args()
    path = Path(args.file)
    if not path.is_file():
        sys.exit(f"check-release: no file {path} (give FILE=the downloaded zip or exe)")
    exe, zip_commit = read_release(path)
    failures = []

    inside = " (tarnovelle.exe inside)" if zip_commit is not None else ""
    line("File", f"{path.name}{inside}: {len(exe):,} bytes, "
                 f"SHA-256 {hashlib.sha256(exe).hexdigest()}")

    with tempfile.TemporaryDirectory(prefix="tarnovelle-check-") as work:
        copy = Path(work) / "tarnovelle.exe"
        copy.write_bytes(exe)
        verdict = authenticode.verify(copy, args.cafile)
    against = args.cafile or "the system's certificates"
    if not verdict.signed:
        line("Signed by", "nobody: the exe carries no signature")
        failures.append("signature")
    elif not verdict.digest_matches:
        # osslsigncode stops at the digest and says nothing of the signer.
        line("Signed by", "not shown: the file was changed after it was signed")
        line("Signature", "NOT VALID: " + "; ".join(verdict.problems))
        failures.append("signature")
    else:
        line("Signed by", verdict.signer or "unknown (the signature could not be read)")
        if verdict.issuer:
            more(f"certificate issued by {verdict.issuer}")
        if verdict.valid:
            line("Signature", f"valid, checked against {against}")
        else:
            line("Signature", f"NOT VALID, checked against {against}")
            for problem in verdict.problems:
                more(problem)
            failures.append("signature")
        if not verdict.time_stamp:
            line("Time-stamped", "no: the signature holds only while its certificate is valid")
        elif verdict.time_stamp_valid:
            line("Time-stamped", f"{verdict.time_stamp}, by {verdict.time_stamp_authority}, valid")
        else:
            authority = verdict.time_stamp_authority or "an unknown authority"
            line("Time-stamped", f"{verdict.time_stamp}, by {authority}, NOT VALID against "
                                 f"{against}")
            failures.append("time stamp")

    built_path = Path(args.exe)
    try:
        stripped = authenticode.strip(exe)
    except authenticode.NotFit as error:
        stripped = None
        line("Reproducible", f"NO: its signature cannot be stripped: {error}")
        failures.append("reproducibility")
    if stripped is not None:
        built = built_path.read_bytes()
        commit = dist.source_commit()
        if built_path.resolve().is_relative_to(dist.ROOT):
            built_path = built_path.resolve().relative_to(dist.ROOT)
        what = "with its signature stripped, it" if verdict.signed else "it"
        if stripped == built:
            line("Reproducible", f"yes: {what} is byte for byte the exe this checkout builds")
            more(f"({built_path}, commit {commit})")
        else:
            line("Reproducible", f"NO: {what} is not the exe this checkout builds: "
                                 f"{differences(stripped, built)}")
            more(f"({built_path}, commit {commit})")
            if zip_commit and not commit.startswith(zip_commit):
                more(f"the zip was built from commit {zip_commit}: check that out and "
                     "run this again")
            failures.append("reproducibility")

    if failures:
        line("Result", f"FAILED: {', '.join(failures)}")
        sys.exit(1)
    line("Result", "all checks passed")


if __name__ == "__main__":
    main()

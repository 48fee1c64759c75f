#!/usr/bin/env python3
"""Packs the release from the built exe (make dist builds it first):

    build/dist/tarnovelle-<version>-win32.zip   tarnovelle.exe and README.txt
    build/dist/tarnovelle.exe                   the same exe, loose
    build/dist/SHA256SUMS                       SHA-256 of the zip and the exe
    build/dist/manifests/                       winget and Scoop manifests (manifests.py)

The zip is as reproducible as the exe: its entries carry the source commit's
time (or SOURCE_DATE_EPOCH), fixed attributes and a fixed order, and the
readme names the commit and the toolchain, so a second build of the same
commit can be compared byte for byte.

When signatures/tarnovelle-<version>.exe.pem exists (sign.py writes it), its
signature is attached to the exe just built, the zip and the loose exe are
the signed one, and the unsigned exe is kept beside them as
tarnovelle-unsigned.exe, in the sums too. A signature made over another exe
stops the release. The release is written to a folder beside build/dist and
moved into place whole, so a failure leaves no build/dist at all.
"""
import datetime
import hashlib
import os
import re
import shutil
import subprocess
import sys
import zipfile
from pathlib import Path

import authenticode
import manifests

ROOT = Path(__file__).resolve().parent.parent
EXE = ROOT / "build" / "windows" / "tarnovelle.exe"
DIST = ROOT / "build" / "dist"
README_TEMPLATE = ROOT / "resources" / "readme-windows.txt.in"
# The Debian packages whose files end up in the exe's bytes.
TOOLCHAIN_PACKAGES = ("binutils-mingw-w64-i686", "gcc-mingw-w64-i686-win32",
                      "g++-mingw-w64-i686-win32", "mingw-w64-i686-dev")
ZIP_EPOCH_FLOOR = 315532800  # 1980-01-01, the earliest time a zip entry can carry
UNSIGNED_NAME = "tarnovelle-unsigned.exe"


def fail(message):
    sys.exit(f"dist: {message}")


def version():
    text = (ROOT / "resources" / "version.h").read_text()
    match = re.search(r'^#define TARNOVELLE_VERSION_TEXT "([^"]+)"', text, re.M)
    if not match:
        fail("no TARNOVELLE_VERSION_TEXT in resources/version.h")
    return match.group(1)


def zip_name(ver):
    return f"tarnovelle-{ver}-win32.zip"


def signature_path(ver, root=ROOT):
    return root / "signatures" / f"tarnovelle-{ver}.exe.pem"


def website():
    """The makers' web address, as the About window shows it."""
    match = re.search(r'kMakersWebsite\s*=\s*L"([^"]+)"',
                      (ROOT / "windows" / "about.h").read_text())
    if not match:
        fail("no kMakersWebsite in windows/about.h")
    return match.group(1)


def git(*args):
    try:
        result = subprocess.run(["git", "-C", str(ROOT), *args], stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True)
    except FileNotFoundError:
        return None
    return result.stdout.strip() if result.returncode == 0 else None


def source_commit():
    commit = git("rev-parse", "HEAD")
    if not commit:
        return "unknown (not built from a git checkout)"
    return commit + (" with local changes" if git("status", "--porcelain") else "")


def source_epoch():
    """SOURCE_DATE_EPOCH if set, else the commit's time: never the clock."""
    epoch = os.environ.get("SOURCE_DATE_EPOCH") or git("log", "-1", "--format=%ct")
    return max(int(epoch), ZIP_EPOCH_FLOOR) if epoch else ZIP_EPOCH_FLOOR


def toolchain():
    try:
        out = subprocess.run(["dpkg-query", "-W", "-f=${Package} ${Version}\\n",
                              *TOOLCHAIN_PACKAGES], stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, text=True).stdout.split("\n")
        packages = [line for line in out if line.strip()]
    except FileNotFoundError:
        packages = []
    if len(packages) == len(TOOLCHAIN_PACKAGES):
        return packages
    compiler = subprocess.run(["i686-w64-mingw32-g++-win32", "--version"],
                              stdout=subprocess.PIPE, text=True).stdout.splitlines()
    return compiler[:1] or ["unknown"]


def readme(ver, signed):
    text = README_TEMPLATE.read_text(encoding="utf-8")
    # The lines between @SIGNED@ and @END@ are for a signed exe only.
    text = re.sub(r"^@SIGNED@\n(.*?)^@END@\n", r"\1" if signed else "", text, flags=re.M | re.S)
    text = (text.replace("@VERSION@", ver)
                .replace("@COMMIT@", source_commit())
                .replace("@TOOLCHAIN@", ("\n" + " " * 19).join(toolchain())))
    if re.search(r"@[A-Z]+@", text):
        fail("a placeholder in the readme was left unfilled")
    return text.replace("\n", "\r\n").encode("utf-8")  # Notepad's line ends


def sha256(path):
    return hashlib.sha256(Path(path).read_bytes()).hexdigest()


def write_zip(path, entries, epoch):
    stamp = datetime.datetime.fromtimestamp(epoch, datetime.timezone.utc).timetuple()[:6]
    with zipfile.ZipFile(path, "w") as archive:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0      # made on MS-DOS/Windows: no Unix modes
            info.external_attr = 0x20   # the archive attribute, as Explorer sets it
            info.internal_attr = 1 if name.endswith(".txt") else 0  # text or binary
            archive.writestr(info, data, compresslevel=9)


def signed_exe(unsigned, ver):
    """The exe with the committed signature attached, or None without one."""
    path = signature_path(ver)
    if not path.exists():
        return None
    try:
        signature = authenticode.from_pem(path.read_text())
        authenticode.check_belongs(unsigned, signature)
        return authenticode.attach(unsigned, signature)
    except authenticode.NotFit as error:
        fail(f"{path.relative_to(ROOT)} is not a signature of this build's exe: {error}.\n"
             "It belongs to another version or commit; sign this build again "
             "(make sign) or check out the commit the signature was made for.")


def write_release(folder, ver, unsigned, signed):
    zip_path = folder / zip_name(ver)
    exe = signed or unsigned
    write_zip(zip_path, [("tarnovelle.exe", exe), ("README.txt", readme(ver, bool(signed)))],
              source_epoch())
    (folder / "tarnovelle.exe").write_bytes(exe)
    names = [zip_path.name, "tarnovelle.exe"]
    if signed:
        (folder / UNSIGNED_NAME).write_bytes(unsigned)
        names.append(UNSIGNED_NAME)
    sums = "".join(f"{sha256(folder / name)}  {name}\n" for name in names)
    (folder / "SHA256SUMS").write_text(sums)
    release_url = os.environ.get("RELEASE_URL") or manifests.DEFAULT_RELEASE_URL
    try:
        url = manifests.write(folder / "manifests", ver, zip_path.name, sha256(zip_path),
                              website(), release_url)
    except ValueError as error:
        fail(str(error))
    return zip_path, sums, url, release_url


def main():
    if not EXE.exists():
        fail(f"missing {EXE}: build the Windows preset first (make dist does)")
    ver = version()
    unsigned = EXE.read_bytes()
    shutil.rmtree(DIST, ignore_errors=True)
    problems = authenticode.unfit_for_signature(unsigned)
    if problems:
        fail(f"{EXE} cannot take a detached signature: " + "; ".join(problems))
    signed = signed_exe(unsigned, ver)
    staging = DIST.with_name(DIST.name + ".partial")
    shutil.rmtree(staging, ignore_errors=True)
    staging.mkdir(parents=True)
    try:
        zip_path, sums, url, release_url = write_release(staging, ver, unsigned, signed)
        staging.rename(DIST)
    finally:
        shutil.rmtree(staging, ignore_errors=True)
    zip_path = DIST / zip_path.name
    print(f"dist: {zip_path.relative_to(ROOT)} ({zip_path.stat().st_size:,} bytes), "
          f"build/dist/tarnovelle.exe ({len(signed or unsigned):,} bytes"
          f"{', signed with ' + str(signature_path(ver).relative_to(ROOT)) if signed else ''})")
    print(sums, end="")
    print(f"dist: build/dist/manifests/ (winget, Scoop) for {url}"
          + ("" if release_url != manifests.DEFAULT_RELEASE_URL else
             "\n      (a placeholder address: set RELEASE_URL for a real release)"))


if __name__ == "__main__":
    main()

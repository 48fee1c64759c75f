#!/usr/bin/env python3
"""Packs the release from the built exe (make dist builds it first):

    build/dist/tarnovelle-<version>-win32.zip   tarnovelle.exe and README.txt
    build/dist/tarnovelle.exe                   the same exe, loose
    build/dist/SHA256SUMS                       SHA-256 of the zip and the exe

The zip is as reproducible as the exe: its entries carry the source commit's
time (or SOURCE_DATE_EPOCH), fixed attributes and a fixed order, and the
readme names the commit and the toolchain, so a second build of the same
commit can be compared byte for byte.
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

ROOT = Path(__file__).resolve().parent.parent
EXE = ROOT / "build" / "windows" / "tarnovelle.exe"
DIST = ROOT / "build" / "dist"
README_TEMPLATE = ROOT / "resources" / "readme-windows.txt.in"
# The Debian packages whose files end up in the exe's bytes.
TOOLCHAIN_PACKAGES = ("binutils-mingw-w64-i686", "gcc-mingw-w64-i686-win32",
                      "g++-mingw-w64-i686-win32", "mingw-w64-i686-dev")
ZIP_EPOCH_FLOOR = 315532800  # 1980-01-01, the earliest time a zip entry can carry


def version():
    text = (ROOT / "resources" / "version.h").read_text()
    match = re.search(r'^#define TARNOVELLE_VERSION_TEXT "([^"]+)"', text, re.M)
    if not match:
        sys.exit("dist: no TARNOVELLE_VERSION_TEXT in resources/version.h")
    return match.group(1)


def zip_name(ver):
    return f"tarnovelle-{ver}-win32.zip"


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


def readme(ver):
    text = README_TEMPLATE.read_text(encoding="utf-8")
    text = (text.replace("@VERSION@", ver)
                .replace("@COMMIT@", source_commit())
                .replace("@TOOLCHAIN@", ("\n" + " " * 19).join(toolchain())))
    if re.search(r"@[A-Z]+@", text):
        sys.exit("dist: a placeholder in the readme was left unfilled")
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


def main():
    if not EXE.exists():
        sys.exit(f"dist: missing {EXE}: build the Windows preset first (make dist does)")
    ver = version()
    shutil.rmtree(DIST, ignore_errors=True)
    DIST.mkdir(parents=True)
    zip_path = DIST / zip_name(ver)
    exe = EXE.read_bytes()
    write_zip(zip_path, [("tarnovelle.exe", exe), ("README.txt", readme(ver))], source_epoch())
    shutil.copyfile(EXE, DIST / "tarnovelle.exe")
    sums = "".join(f"{sha256(DIST / name)}  {name}\n"
                   for name in (zip_path.name, "tarnovelle.exe"))
    (DIST / "SHA256SUMS").write_text(sums)
    print(f"dist: {zip_path.relative_to(ROOT)} ({zip_path.stat().st_size:,} bytes), "
          f"build/dist/tarnovelle.exe ({len(exe):,} bytes)")
    print(sums, end="")


if __name__ == "__main__":
    main()

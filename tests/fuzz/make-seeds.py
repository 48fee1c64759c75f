#!/usr/bin/env python3
"""Writes the seed inputs in corpus/<target>/, in each target's input format
(see the comment at the top of each fuzz_*.cpp). Run it after changing a
format; the fuzzers read the seeds as a start and never write there."""
import shutil
import struct
from pathlib import Path

HERE = Path(__file__).resolve().parent


def units(text):
    return text.encode("utf-16-le", "surrogatepass")


def raw_float(value=None, bits=None):  # Number(): tag 0, then the bit pattern
    if bits is None:
        bits = struct.unpack("<I", struct.pack("<f", value))[0]
    return b"\x00" + struct.pack("<I", bits)


NAN, NEG_NAN, SNAN = 0x7FC00000, 0xFFC00000, 0x7F800001
INF, NEG_ZERO, MIN_SUBNORMAL = 0x7F800000, 0x80000000, 0x00000001


def decode(x, scale):  # a direct DecodeTrayMessage record
    return b"\x00" + scale + x


def mouse(flags, refusals, x, button=1, show=0, scale=None, y=0.0):
    out = b"\x01" + bytes([flags | (1 if scale else 0), refusals])
    if scale:
        out += scale
    return out + x + struct.pack("<f", y) + struct.pack("<hh", button, show)


def nested(x, scale=None):
    return (b"\x01" + scale if scale else b"\x00") + x


SEEDS = {
    "fuzz_worktime": {
        "ten": b"\x00" + units("10"),
        "fifty-nine": b"\x00" + units("59"),
        "five": b"\x00" + units("5"),
        "sixty": b"\x00" + units("60"),
        "empty": b"\x00",
        "ten-nul": b"\x00" + units("10\0"),
        "digits-595": b"\x01" + bytes([5, 9, 5]),
        "digits-09-blank": b"\x01" + bytes([0, 9, 10]),
    },
    "fuzz_tray_decode": {
        "nan": decode(raw_float(bits=NAN), raw_float(15.0)),
        "negative-nan-and-signalling": decode(raw_float(bits=NEG_NAN), raw_float(15.0))
        + decode(raw_float(bits=SNAN), raw_float(12.0)),
        "infinity": decode(raw_float(bits=INF), raw_float(15.0)),
        "zero-scale": decode(raw_float(7725.0), raw_float(bits=NEG_ZERO)),
        "subnormal-scale": decode(raw_float(1.0), raw_float(bits=MIN_SUBNORMAL))
        + decode(raw_float(bits=MIN_SUBNORMAL), raw_float(bits=MIN_SUBNORMAL)),
        "ties": decode(raw_float(7732.5), raw_float(15.0)) + decode(raw_float(-22.5), raw_float(15.0))
        + decode(raw_float(4194305.5), raw_float(1.0)),
        "limits": decode(raw_float(2147483520.0), raw_float(1.0))
        + decode(raw_float(2147483648.0), raw_float(1.0))
        + decode(raw_float(-2147483648.0), raw_float(1.0)),
        "double-click-minimized": mouse(0x20, 0, raw_float(7725.0), show=0),
        "double-click-then-nan": mouse(0, 0, raw_float(7725.0)) + mouse(0, 0, raw_float(bits=NAN)),
        "right-up-nested": mouse(2 << 3, 0, raw_float(7755.0), button=2)
        + nested(raw_float(7725.0)) + nested(raw_float(7755.0), raw_float(bits=0)),
        "right-up-refused-no-form": mouse(0, 8, raw_float(7755.0)) + mouse(2, 0, raw_float(7725.0)),
    },
    "fuzz_tray_tip": {
        "plain": b"\x00\x00" + units("Tarnovelle"),
        "63-chars": b"\x00\x02" + bytes([63, 0]),
        "64-chars": b"\x00\x02" + bytes([64, 0]),
        "65-chars": b"\x00\x02" + bytes([65, 0]),
        "cjk": b"\x01\x00" + units("Tarnovelle \u65e5\u672c"),
        "cjk-40": b"\x01\x00" + units("a" + "\u65e5" * 40),
        "pairs-utf8": b"\x02\x00" + units("a\ud83d\ude00b" + "\ud83d\ude01" * 20),
        "pair-at-the-end": b"\x02\x00" + units("a" * 63 + "\ud83d\ude00"),
        "dropped": b"\x03\x00" + units("e\u0301\u200b\ufeff\ud83d\ude00x\udc00" * 6),
        "odd-lengths": b"\x0c\x01" + bytes(range(0, 200, 3)),
    },
    "fuzz_picked_path": {
        "dialog": b"\x00" + units(("C:\\Program Files\\Some App\\app.exe\0").ljust(254)),
        "dialog-form": b"\x02\x00" + bytes([4, 5, 6, 0, 7, 8, 9, 10, 11, 12]),
        "blanks": b"\x04" + bytes([254, 0]),
        "full-255": b"\x03" + bytes(range(7, 255)),
        "nul-first": b"\x05\x00" + bytes([4, 5, 6, 7]),
        "no-terminator": b"\x00" + units("  C:\\a.exe  "),
        "nul-inside": b"\x00" + units("C:\\a b \0 x "),
    },
}

for target, seeds in SEEDS.items():
    folder = HERE / "corpus" / target
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for name, data in seeds.items():
        (folder / name).write_bytes(data)

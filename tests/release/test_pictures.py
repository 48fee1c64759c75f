#!/usr/bin/env python3
"""Checks the pictures, icons and cursors in resources/pictures and in the
exe: they are what their sources in resources/art render to, the 1x pictures
are the windows' picture boxes in size and kind, each 2x picture is the same
artwork at exactly twice the pixels and of the same kind, the icons and
cursors hold the sizes Windows asks for at 100 to 200 % display scale with
the original image first, and the exe carries all of it.

    test_pictures.py [-v]    (make pictures-check builds the exe first)
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import pe  # noqa: E402

ROOT = Path(__file__).resolve().parents[2]
PICTURES = ROOT / "resources" / "pictures"
EXE = ROOT / "build" / "windows" / "tarnovelle.exe"

# The windows' picture boxes, in pixels at 15 twips a pixel.
DESIGN = {"banner.jpg": (444, 132), "panel.jpg": (250, 150), "buttons.gif": (189, 150),
          "warning.jpg": (400, 100), "about.jpg": (350, 250)}
# (size, bits a pixel) in file order; the first is the original.
ICONS = {"tarnovelle.ico": [(24, 8), (16, 32), (20, 32), (32, 32), (40, 32), (48, 32)],
         "about.ico": [(16, 4), (20, 32), (24, 32), (32, 32)]}
CURSORS = {"hand.cur": [(32, 1), (40, 1), (48, 1), (64, 1)],
           "link.cur": [(32, 32), (40, 32), (48, 32), (64, 32)]}
RT_CURSOR, RT_ICON, RT_RCDATA, RT_GROUP_CURSOR, RT_GROUP_ICON = 1, 3, 10, 12, 14


def twice(name):
    stem, kind = name.rsplit(".", 1)
    return f"{stem}@2x.{kind}"


def describe(path):
    """Kind, size and what the encoder's settings leave in a picture: JPEG
    quality, sampling and interlacing; whether a GIF has a transparent colour."""
    extra = " %[jpeg:sampling-factor]" if path.suffix == ".jpg" else ""
    kind, width, height, *settings = subprocess.run(
        ["identify", "-format", "%m %w %h %Q %[interlace] %A" + extra, str(path)],
        check=True, stdout=subprocess.PIPE, text=True).stdout.split()
    return kind, (int(width), int(height)), settings


def pixels(path):
    """RGB pixels through ImageMagick, as rows of (r, g, b)."""
    raw = subprocess.run(["convert", str(path), "-depth", "8", "ppm:-"], check=True,
                         stdout=subprocess.PIPE).stdout
    header = re.match(rb"P6\s(\d+)\s(\d+)\s255\s", raw)
    width, height, body = int(header[1]), int(header[2]), raw[header.end():]
    return [[tuple(body[3 * (y * width + x):3 * (y * width + x) + 3]) for x in range(width)]
            for y in range(height)]


def directory(data):
    """An .ico or .cur file: its kind and each image as (size, bpp, hotspot, dib)."""
    _, kind, count = struct.unpack_from("<HHH", data)
    images = []
    for i in range(count):
        w, h, _, _, planes, field, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        dib = data[offset:offset + length]
        dib_width, dib_height, _, bpp = struct.unpack_from("<iiHH", dib, 4)
        assert (w or 256, h or 256) == (dib_width, dib_height // 2), "entry and image disagree"
        images.append((dib_width, bpp, (planes, field) if kind == 2 else None, dib))
    return kind, images


def opaque_mask(dib):
    """The AND mask of a DIB image: rows top down, True where the image shows."""
    size, _, _, bpp = struct.unpack_from("<iiHH", dib, 4)
    colours = struct.unpack_from("<I", dib, 32)[0] or (1 << bpp if bpp <= 8 else 0)
    stride = lambda bits: (size * bits + 31) // 32 * 4  # noqa: E731
    mask_at = 40 + 4 * colours + stride(bpp) * size
    rows = []
    for y in range(size - 1, -1, -1):
        row = dib[mask_at + y * stride(1):mask_at + (y + 1) * stride(1)]
        rows.append([not (row[x // 8] >> (7 - x % 8)) & 1 for x in range(size)])
    return rows


def extent(mask):
    """Width and height of what a mask shows."""
    columns = [x for row in mask for x, shown in enumerate(row) if shown]
    rows = [y for y, row in enumerate(mask) if any(row)]
    return max(columns) - min(columns) + 1, max(rows) - min(rows) + 1


class Sources(unittest.TestCase):
    """resources/art, rendered by render-pictures.sh."""

    def test_the_sources_render_to_the_committed_files_byte_for_byte(self):
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([str(ROOT / "resources" / "render-pictures.sh"), out], check=True,
                           env={**os.environ, "PYTHON": sys.executable})
            names = sorted(path.name for path in Path(out).iterdir())
            self.assertEqual(names, sorted(path.name for path in PICTURES.iterdir()))
            for name in names:
                with self.subTest(name):
                    self.assertTrue((Path(out) / name).read_bytes() == (PICTURES / name).read_bytes(),
                                    f"{name} is not what resources/art renders to")


class Pictures(unittest.TestCase):
    """The window pictures at 1x and 2x."""

    def test_1x_is_the_designs_size_and_kind_and_2x_twice_it_with_the_same_encoding(self):
        for name, (width, height) in DESIGN.items():
            with self.subTest(name):
                kind, size, settings = describe(PICTURES / name)
                self.assertEqual((kind, size), ("JPEG" if name.endswith(".jpg") else "GIF",
                                                (width, height)))
                self.assertEqual(settings[2], "False", "a transparent colour")
                self.assertEqual(describe(PICTURES / twice(name)),
                                 (kind, (2 * width, 2 * height), settings))

    def test_each_2x_picture_shrunk_by_half_is_its_1x_one(self):
        # The mean difference of the 2x picture, averaged over 2x2 blocks,
        # from the 1x one is about 1 % (JPEG noise, sharper text); the same
        # artwork a pixel off lies above 2 %.
        for name in DESIGN:
            with self.subTest(name):
                one, two = pixels(PICTURES / name), pixels(PICTURES / twice(name))
                total = 0
                for y, row in enumerate(one):
                    top, bottom = two[2 * y], two[2 * y + 1]
                    for x, colour in enumerate(row):
                        for c in range(3):
                            block = (top[2 * x][c] + top[2 * x + 1][c] + bottom[2 * x][c]
                                     + bottom[2 * x + 1][c])
                            total += abs(block / 4 - colour[c])
                mean = total / (len(one) * len(one[0]) * 3 * 255)
                self.assertLess(mean, 0.016, f"{twice(name)} does not match {name}")

    def test_the_buttons_white_stays_pure_white_at_2x(self):
        # The window behind the buttons is white and the GIF has no
        # transparent colour: wherever the 1x picture is pure white well
        # away from the artwork, the 2x one is too.
        one, two = pixels(PICTURES / "buttons.gif"), pixels(PICTURES / "buttons@2x.gif")
        white = (255, 255, 255)
        clear = [(x, y) for y in range(1, len(one) - 1) for x in range(1, len(one[0]) - 1)
                 if all(one[y + dy][x + dx] == white for dy in (-1, 0, 1) for dx in (-1, 0, 1))]
        self.assertGreater(len(clear), len(one) * len(one[0]) // 4)
        stained = [(x, y) for x, y in clear
                   if any(two[2 * y + dy][2 * x + dx] != white for dy in (0, 1) for dx in (0, 1))]
        self.assertEqual(stained[:10], [], f"{len(stained)} places are not pure white at 2x")


class IconsAndCursors(unittest.TestCase):
    """Every size Windows asks for, the original first, each drawn for its size."""

    def test_the_files_hold_the_sizes_in_order_with_the_original_first(self):
        for name, expected in list(ICONS.items()) + list(CURSORS.items()):
            with self.subTest(name):
                kind, images = directory((PICTURES / name).read_bytes())
                self.assertEqual(kind, 1 if name.endswith(".ico") else 2)
                self.assertEqual([(size, bpp) for size, bpp, _, _ in images], expected)

    def test_each_icon_image_fills_its_square_with_the_disc(self):
        # A disc touching the edges covers pi/4 of the square; an image
        # drawn at another size and padded or cut would not.
        for name in ICONS:
            for size, _, _, dib in directory((PICTURES / name).read_bytes())[1]:
                with self.subTest(name, size=size):
                    mask = opaque_mask(dib)
                    share = sum(map(sum, mask)) / size ** 2
                    self.assertAlmostEqual(share, 0.785, delta=0.06)
                    self.assertTrue(mask[0][size // 2] or mask[0][size // 2 - 1], "top not reached")
                    self.assertTrue(mask[size // 2][0], "left side not reached")

    def test_each_cursor_is_the_hand_scaled_with_its_hotspot_on_the_fingertip(self):
        for name in CURSORS:
            images = directory((PICTURES / name).read_bytes())[1]
            width32, height32 = extent(opaque_mask(images[0][3]))
            for size, _, (hx, hy), dib in images:
                with self.subTest(name, size=size):
                    mask, scale = opaque_mask(dib), size / 32
                    width, height = extent(mask)
                    self.assertLessEqual(abs(width - width32 * scale), 1.5, "not the hand's width")
                    self.assertLessEqual(abs(height - height32 * scale), 1.5, "not the hand's height")
                    self.assertEqual(hy, 0, "the hotspot is not on the fingertip")
                    self.assertTrue(mask[0][hx], "the hotspot is not on the fingertip")
                    self.assertLessEqual(abs(hx - 6 * scale), 1.5, "hotspot not where the 32's is")


class InTheExe(unittest.TestCase):
    """The exe carries every picture, and every icon and cursor image."""

    @classmethod
    def setUpClass(cls):
        cls.exe = pe.read(EXE)
        header = (ROOT / "resources" / "resource.h").read_text()
        cls.ids = {name: int(value) for name, value in
                   re.findall(r"#define (\w+) (\d+)", header)}

    def test_the_pictures_at_1x_and_at_their_number_plus_the_offset_at_2x(self):
        stored = self.exe.resources(RT_RCDATA)
        offset = self.ids["IDP_2X_OFFSET"]
        names = {"banner.jpg": "IDP_BANNER", "panel.jpg": "IDP_PANEL",
                 "buttons.gif": "IDP_BUTTONS", "warning.jpg": "IDP_WARNING",
                 "about.jpg": "IDP_ABOUT"}
        for name, symbol in names.items():
            with self.subTest(name):
                number = self.ids[symbol]
                self.assertEqual(self.ids[symbol + "_2X"], number + offset)
                self.assertTrue(stored.get(number) == (PICTURES / name).read_bytes())
                self.assertTrue(stored.get(number + offset) == (PICTURES / twice(name)).read_bytes())

    def test_each_icon_and_cursor_group_lists_every_image_of_its_file(self):
        icons, cursors = self.exe.resources(RT_ICON), self.exe.resources(RT_CURSOR)
        groups = {RT_GROUP_ICON: self.exe.resources(RT_GROUP_ICON),
                  RT_GROUP_CURSOR: self.exe.resources(RT_GROUP_CURSOR)}
        for symbol, name in (("IDI_PROGRAM", "tarnovelle.ico"), ("IDI_TRAY", "tarnovelle.ico"),
                             ("IDI_ABOUT", "about.ico"), ("IDC_HAND", "hand.cur"),
                             ("IDC_LINK", "link.cur")):
            with self.subTest(symbol):
                is_icon = name.endswith(".ico")
                group = groups[RT_GROUP_ICON if is_icon else RT_GROUP_CURSOR][self.ids[symbol]]
                count = struct.unpack_from("<H", group, 4)[0]
                listed = []
                for i in range(count):
                    at = 6 + 14 * i
                    if is_icon:
                        width, _, _, _, _, bpp, _, number = struct.unpack_from("<BBBBHHIH", group, at)
                        listed.append((width, bpp, None, icons[number]))
                    else:
                        # (windres writes 1 as every cursor's depth here; the
                        # image's own header says)
                        width, _, _, _, _, number = struct.unpack_from("<HHHHIH", group, at)
                        data = cursors[number]
                        bpp = struct.unpack_from("<H", data, 4 + 14)[0]
                        listed.append((width, bpp, struct.unpack_from("<HH", data), data[4:]))
                self.assertTrue(listed == directory((PICTURES / name).read_bytes())[1],
                                f"the exe's {symbol} is not {name}")


if __name__ == "__main__":
    unittest.main()

#!/usr/bin/env python3
"""Write Windows .ico / .cur files with an exact pixel format.

ImageMagick's own ICO writer picks bit depths by itself, so render-pictures.sh
renders the artwork, dumps each size as raw 8-bit RGBA with ImageMagick
(`convert art.png -depth 8 rgba:art.rgba`) and this script packs them into
one file, each as a DIB image of its own depth, in the order given (the
first is the one Windows takes when asked for an icon or cursor at "its own
size", without naming one):

    1 bpp   black/white XOR plane + AND mask      (monochrome cursors)
    4 bpp   16-entry palette + AND mask
    8 bpp   256-entry palette + AND mask
    32 bpp  BGRA with straight alpha + AND mask

Pixels whose alpha is below 128 get the AND bit set; in the palette formats
their XOR index points at black, so they are fully transparent.  32 bpp
images keep their straight alpha as drawn (soft edges, shadows).  Palettes are built with a small median-cut quantiser;
everything is deterministic, so the same input always gives the same bytes.

Usage:
    pack_icons.py ico OUT.ico SIZE BPP IN.rgba [SIZE BPP IN.rgba ...]
    pack_icons.py cur OUT.cur SIZE BPP HOTX HOTY IN.rgba [SIZE BPP HOTX HOTY IN.rgba ...]
Each cursor image has its own hotspot.
"""

import struct
import sys


def read_rgba(path, size):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) != size * size * 4:
        sys.exit("pack_icons: expected %d bytes of RGBA, got %d"
                 % (size * size * 4, len(data)))
    return [tuple(data[i:i + 4]) for i in range(0, len(data), 4)]


def median_cut(colours, count):
    """Reduce a list of (r, g, b) samples (with repeats) to `count` colours."""
    boxes = [sorted(colours)]
    while len(boxes) < count:
        # split the box with the widest channel range (ties: the fuller box)
        best, best_key = None, None
        for i, box in enumerate(boxes):
            if len(set(box)) < 2:
                continue
            ranges = [max(c[k] for c in box) - min(c[k] for c in box)
                      for k in range(3)]
            key = (max(ranges), len(box))
            if best_key is None or key > best_key:
                best, best_key = i, key
        if best is None:
            break
        box = boxes.pop(best)
        ranges = [max(c[k] for c in box) - min(c[k] for c in box)
                  for k in range(3)]
        ch = ranges.index(max(ranges))
        box.sort(key=lambda c: (c[ch], c))
        mid = len(box) // 2
        # never cut between two equal colours
        while 0 < mid < len(box) and box[mid] == box[mid - 1]:
            mid += 1
        if mid >= len(box):
            mid = len(box) // 2
            while mid > 0 and box[mid] == box[mid - 1]:
                mid -= 1
        boxes[best:best] = [box[:mid], box[mid:]]
    palette = []
    for box in boxes:
        n = len(box)
        palette.append(tuple((sum(c[k] for c in box) + n // 2) // n
                             for k in range(3)))
    return palette


def nearest(palette, colour, cache):
    hit = cache.get(colour)
    if hit is None:
        r, g, b = colour
        hit = min(range(len(palette)),
                  key=lambda i: ((palette[i][0] - r) * (palette[i][0] - r) * 3
                                 + (palette[i][1] - g) * (palette[i][1] - g) * 4
                                 + (palette[i][2] - b) * (palette[i][2] - b) * 2,
                                 i))
        cache[colour] = hit
    return hit


def pack_rows(values, size, bpp):
    """Pack per-pixel values bottom-up, each row padded to 32 bits."""
    out = bytearray()
    stride = ((size * bpp + 31) // 32) * 4
    for y in range(size - 1, -1, -1):
        row = values[y * size:(y + 1) * size]
        line = bytearray()
        if bpp == 32:
            for v in row:
                line += bytes(v)
        else:
            per = 8 // bpp
            for x in range(0, size, per):
                byte = 0
                for k in range(per):
                    v = row[x + k] if x + k < size else 0
                    byte |= v << (8 - bpp * (k + 1))
                line.append(byte)
        line += bytes(stride - len(line))
        out += line
    return bytes(out)


def build_dib(pixels, size, bpp):
    opaque = [p[3] >= 128 for p in pixels]
    mask = [0 if o else 1 for o in opaque]

    if bpp == 32:
        # keep soft edges and shadows in the alpha channel; the AND mask is
        # only for systems that ignore alpha
        xor = [(b, g, r, a) if a else (0, 0, 0, 0) for (r, g, b, a) in pixels]
        palette = []
    elif bpp == 1:
        palette = [(0, 0, 0), (255, 255, 255)]
        xor = [1 if o and (r + g + b) >= 384 else 0
               for (r, g, b, a), o in zip(pixels, opaque)]
    else:
        ncol = 1 << bpp
        samples = [p[:3] for p, o in zip(pixels, opaque) if o]
        # index 0 stays black: transparent pixels point at it
        palette = [(0, 0, 0)]
        if samples:
            distinct = sorted(set(samples))
            if len(distinct) <= ncol - 1:
                palette += distinct
            else:
                palette += median_cut(samples, ncol - 1)
        cache = {}
        xor = [nearest(palette, p[:3], cache) if o else 0
               for p, o in zip(pixels, opaque)]
        palette += [(0, 0, 0)] * (ncol - len(palette))

    xor_bits = pack_rows(xor, size, bpp)
    and_bits = pack_rows(mask, size, 1)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0,
                         len(xor_bits) + len(and_bits), 0, 0,
                         len(palette), 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    return header + pal + xor_bits + and_bits, len(palette)


def write_file(out, kind, images):
    """images: (size, bpp, dib, ncolours, hotspot or None) in file order."""
    head = struct.pack("<HHH", 0, kind, len(images))
    entries, offset = b"", 6 + 16 * len(images)
    for size, bpp, dib, ncolours, hotspot in images:
        dim = 0 if size >= 256 else size
        colour_count = ncolours if ncolours and ncolours < 256 else 0
        if kind == 1:
            planes, field = 1, bpp
        else:
            planes, field = hotspot
        entries += struct.pack("<BBBBHHII", dim, dim, colour_count, 0,
                               planes, field, len(dib), offset)
        offset += len(dib)
    with open(out, "wb") as f:
        f.write(head + entries + b"".join(image[2] for image in images))


def main(argv):
    if len(argv) < 3 or argv[1] not in ("ico", "cur"):
        sys.exit(__doc__)
    kind = 1 if argv[1] == "ico" else 2
    out, args = argv[2], argv[3:]
    per_image = 3 if kind == 1 else 5
    if not args or len(args) % per_image:
        sys.exit(__doc__)
    images = []
    for i in range(0, len(args), per_image):
        size, bpp = int(args[i]), int(args[i + 1])
        hot = (int(args[i + 2]), int(args[i + 3])) if kind == 2 else None
        if bpp not in (1, 4, 8, 32):
            sys.exit("pack_icons: unsupported bit depth %d" % bpp)
        if any(size == s and bpp == b for s, b, *_ in images):
            sys.exit("pack_icons: %dx%d at %d bpp given twice" % (size, size, bpp))
        if hot and not (0 <= hot[0] < size and 0 <= hot[1] < size):
            sys.exit("pack_icons: hotspot %d,%d outside %dx%d" % (*hot, size, size))
        dib, ncolours = build_dib(read_rgba(args[i + per_image - 1], size), size, bpp)
        images.append((size, bpp, dib, ncolours, hot))
    write_file(out, kind, images)


if __name__ == "__main__":
    main(sys.argv)

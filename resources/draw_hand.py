#!/usr/bin/env python3
"""The pointing hand of the cursors, drawn at any size from one outline.

The hand is described in the 32-pixel grid of the original pixel art (the
index finger up, three knuckles, the thumb to the left), as polygons and
round finger tips, and rasterised at SIZE pixels by sampling each pixel's
centre, after snapping the grid's lines to pixel edges: a pixel belongs to the hand when its centre lies inside (edges are
half-open, so the 32-pixel drawing is exactly the pixel art).  The outline is
every hand pixel within `stroke` pixels of the outside, the lines between the
fingers are the same band along the fingers' edges, so they stay as crisp as
the pixel art at every size: 1 pixel below 64 pixels, 2 pixels at 64.

Prints the hand as an XPM image of SIZE x SIZE pixels, X the outline in
black, o the fill in white, . transparent, with the hotspot (the top pixel
of the finger tip, the left one of two) in its values line. At 32 pixels
it is art/hand-32.xpm, the original pixel art, row for row.

Usage: draw_hand.py SIZE
"""

import math
import sys

# Tiny offsets applied to every sample point: a centre lying exactly on an
# edge counts as inside on the left and top edges and outside on the right
# and bottom ones, and outside on the little finger's slanted top.
NUDGE_X, NUDGE_Y = 2e-7, 1e-7

# Parts of the hand in grid units (x right, y down, 32 x 32 grid).
INDEX = [(5, 2), (9, 2), (9, 22), (5, 22)]
INDEX_TIP = (7, 2, 2)                   # circle: centre x, y, radius
MIDDLE = [(8, 7), (12, 7), (12, 22), (8, 22)]
MIDDLE_TIP = (10, 7, 2)
RING = [(11, 8), (15, 8), (15, 22), (11, 22)]
RING_TIP = (13, 8, 2)
# the little finger, the palm's right side and the wrist
PALM = [(14, 7), (16, 7), (18, 9), (18, 15.6), (17, 16.6), (17, 18.6),
        (16, 19.6), (16, 22), (5, 22), (5, 10)]
# the thumb and the palm's left side down to the wrist
THUMB = [(5, 18.4), (3.2, 16.6), (3, 15.2), (0, 12.2), (0, 11.3), (1.3, 10),
         (3.6, 10), (4.6, 11), (5, 11)]

# Lines between parts, as bands inside one part's edge: (edge x in grid
# units, which side of it the band lies, rows from, rows to).
SEPARATORS = [
    (9, "left", 5, 10),     # index | middle finger
    (12, "left", 6, 10),    # middle | ring finger
    (15, "left", 7, 10),    # ring | little finger
    (5, "right", 10, 14),   # thumb | index finger
]


def inside_polygon(points, x, y):
    crossings = False
    n = len(points)
    for i in range(n):
        x0, y0 = points[i]
        x1, y1 = points[(i + 1) % n]
        if (y0 > y) != (y1 > y):
            cx = x0 + (y - y0) * (x1 - x0) / (y1 - y0)
            if x < cx:
                crossings = not crossings
    return crossings


def inside_circle(circle, x, y):
    cx, cy, r = circle
    return (x - cx) ** 2 + (y - cy) ** 2 < r * r


def stroke_for(size):
    return max(1, size // 32)


def snap(size):
    """Grid units to pixels at `size`: every whole grid line lands on a
    pixel edge (so a finger is a whole number of pixels wide and its tip
    is centred on it), fractions in between are spread linearly."""
    s = size / 32.0

    def line(k):
        return math.floor(k * s + 0.5)

    def to_pixels(v):
        k = math.floor(v)
        return line(k) + (v - k) * (line(k + 1) - line(k))
    return to_pixels


def draw(size):
    f = snap(size)
    stroke = stroke_for(size)
    polygons = [[(f(x), f(y)) for x, y in part]
                for part in (INDEX, MIDDLE, RING, PALM, THUMB)]
    circles = []
    for cx, cy, r in (INDEX_TIP, MIDDLE_TIP, RING_TIP):
        radius = (f(cx + r) - f(cx - r)) / 2
        circles.append(((f(cx - r) + f(cx + r)) / 2, f(cy - r) + radius, radius))

    def in_hand(px, py):
        x, y = px + 0.5 + NUDGE_X, py + 0.5 + NUDGE_Y
        return (any(inside_polygon(p, x, y) for p in polygons)
                or any(inside_circle(c, x, y) for c in circles))

    hand = [[in_hand(px, py) for px in range(size)] for py in range(size)]

    def outside(px, py):
        return not (0 <= px < size and 0 <= py < size and hand[py][px])

    def near_outside(px, py):
        for dy in range(-stroke, stroke + 1):
            for dx in range(-stroke, stroke + 1):
                if abs(dx) + abs(dy) <= stroke and outside(px + dx, py + dy):
                    return True
        return False

    bands = []
    for edge, side, top, bottom in SEPARATORS:
        e = f(edge)
        left, right = (e - stroke, e) if side == "left" else (e, e + stroke)
        bands.append((left, right, f(top), f(bottom)))

    def on_separator(px, py):
        x, y = px + 0.5, py + 0.5
        return any(left <= x < right and top <= y < bottom
                   for left, right, top, bottom in bands)

    rows = []
    for py in range(size):
        row = ""
        for px in range(size):
            if not hand[py][px]:
                row += "."
            elif near_outside(px, py) or on_separator(px, py):
                row += "X"
            else:
                row += "o"
        rows.append(row)

    top = next(y for y, row in enumerate(rows) if "X" in row)
    tip = [x for x, c in enumerate(rows[top]) if c != "."]
    return (tip[(len(tip) - 1) // 2], top), rows


def xpm(size):
    """The hand at `size` as an XPM image: black outline, white fill, the
    hotspot in its values line."""
    (hx, hy), rows = draw(size)
    lines = ['"%d %d 3 1 %d %d"' % (size, size, hx, hy),
             '". c None"', '"X c #000000"', '"o c #FFFFFF"']
    lines += ['"%s"' % row for row in rows]
    return "/* XPM */\nstatic char *hand[] = {\n" + ",\n".join(lines) + "};\n"


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__)
    sys.stdout.write(xpm(int(argv[1])))


if __name__ == "__main__":
    main(sys.argv)

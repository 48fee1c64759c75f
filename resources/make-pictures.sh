#!/usr/bin/env bash
# needs: librsvg2-bin fonts-liberation imagemagick python3
#
# Regenerates every picture, icon and cursor of Tarnovelle into pictures/.
# The artwork is drawn here as SVG, rendered with rsvg-convert, and finished
# with ImageMagick (JPEG/GIF) or pack_icons.py (ICO/CUR with exact depths);
# draw_hand.py draws the cursors' hand at the sizes beyond the pixel art.
# The output is reproducible: run it twice and the files are byte-identical.
#
#   banner.jpg      444x132 JPEG  main window header: red emblem with a gold
#                                 key and the blue product name; the caption
#                                 strip (128..441 x 32..57) and the clock box
#                                 (344..433 x 104..123) are left free
#   panel.jpg       250x150 JPEG  time/action selection panel: alarm clock
#                                 and package icons, framed "Hour", "Min",
#                                 "Sec" and "Action" boxes around the lists
#   buttons.gif     189x150 GIF   "Set Action", "About" and "Close" push
#                                 buttons on pure white (256-colour palette,
#                                 no transparent colour: the window behind
#                                 is white too)
#   warning.jpg     400x100 JPEG  last-chance warning: yellow triangle, two
#                                 bold lines and a "Cancel" button
#   about.jpg       350x250 JPEG  About window: power emblem and name, four
#                                 framed info rows (list, globe, envelope,
#                                 house icons with "?" signs), "Close" button
#
# and each of them again for 200 % display scale, from the same drawing at
# twice the pixels (1-px frames 2 px, texts drawn from the fonts at twice the
# size, the same JPEG settings and GIF palette rule).  Every place is doubled
# exactly: pixel x at 1x is pixels 2x and 2x+1, so the free areas are the
# caption strip 256..883 x 64..115 and the clock box 688..867 x 208..247:
#
#   banner@2x.jpg   888x264 JPEG    panel@2x.jpg    500x300 JPEG
#   buttons@2x.gif  378x300 GIF     warning@2x.jpg  800x200 JPEG
#   about@2x.jpg    700x500 JPEG
#
# Icons and cursors hold one image per size, the original first (Windows
# takes the first when asked for "the icon's own size"); the others are
# drawn for their size from the same drawing, in 32-bit colour with alpha
# unless said otherwise:
#
#   tarnovelle.ico  program icon: 24x24 8 bpp palette + AND mask (the
#                   original), 16, 20, 32, 40, 48
#   about.ico       red power button: 16x16 4 bpp palette + AND mask (the
#                   original), 20, 24, 32
#   hand.cur        monochrome pointing hand: 32x32 (the original pixel
#                   art), 40, 48, 64, all monochrome; hotspot at the finger
#                   tip: 6,0  8,0  10,0  13,0
#   link.cur        32 bpp hand with a blue globe: 32x32 (the original), 40,
#                   48, 64; hotspots as hand.cur's
#
# The cursors' sizes are those Windows uses at 100, 125, 150 and 200 %; the
# icons' those of the small and large icons at 100 to 200 %.
#
# Usage: resources/make-pictures.sh   (from anywhere)

set -euo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
OUT="$HERE/pictures"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

export LC_ALL=C
export MAGICK_THREAD_LIMIT=1
export SOURCE_DATE_EPOCH=0

JPEG_OPTS=(-strip -interlace none -sampling-factor 4:2:0 -quality 88
           +set date:create +set date:modify)

# fonts are picked by family name through fontconfig; fail early if the
# faces we rely on are missing rather than silently getting a fallback
for face in "Liberation Sans:bold" "Liberation Sans Narrow:bold"; do
    if ! fc-list "$face" | grep -q .; then
        echo "make-pictures: font '$face' not installed (fonts-liberation)" >&2
        exit 1
    fi
done
for tool in rsvg-convert convert python3; do
    command -v "$tool" >/dev/null || { echo "make-pictures: $tool missing" >&2; exit 1; }
done

# ---------------------------------------------------------------------------
# SVG building blocks.  Every function prints an SVG fragment; pictures are
# assembled from them and rendered by render().

calc() { awk "BEGIN { printf \"%.4f\", $* }"; }

svg_begin() {   # width height
    cat <<EOF
<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink"
     width="$1" height="$2" viewBox="0 0 $1 $2">
<defs>
  <!-- red emblem -->
  <linearGradient id="ring" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#c8242a"/>
    <stop offset="0.5" stop-color="#8f0d12"/>
    <stop offset="1" stop-color="#5a0407"/>
  </linearGradient>
  <linearGradient id="ringEdge" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#5a0407"/>
    <stop offset="1" stop-color="#ff8f86"/>
  </linearGradient>
  <radialGradient id="disc" cx="0.42" cy="0.34" r="0.72">
    <stop offset="0" stop-color="#ff7a66"/>
    <stop offset="0.45" stop-color="#e3262b"/>
    <stop offset="1" stop-color="#a00c12"/>
  </radialGradient>
  <linearGradient id="gloss" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#ffffff" stop-opacity="0.85"/>
    <stop offset="1" stop-color="#ffffff" stop-opacity="0.04"/>
  </linearGradient>
  <linearGradient id="gold" gradientUnits="userSpaceOnUse" x1="-20" y1="-16" x2="8" y2="22">
    <stop offset="0" stop-color="#fff6c2"/>
    <stop offset="0.35" stop-color="#f9d34e"/>
    <stop offset="0.7" stop-color="#e0a516"/>
    <stop offset="1" stop-color="#a86f04"/>
  </linearGradient>
  <g id="keyshape">
    <circle cx="-20" cy="0" r="14.5"/>
    <rect x="-9" y="-4.8" width="40" height="9.6" rx="2.4"/>
    <rect x="13" y="0" width="7" height="14.5" rx="1.4"/>
    <rect x="23.5" y="0" width="7" height="11" rx="1.4"/>
  </g>
  <g id="keyshapeBold">
    <circle cx="-20" cy="0" r="15"/>
    <rect x="-8" y="-5" width="40" height="10" rx="2.5"/>
    <rect x="13" y="0" width="7.5" height="14" rx="1.5"/>
    <rect x="24.5" y="0" width="7.5" height="10.5" rx="1.5"/>
  </g>
  <!-- framed boxes and buttons -->
  <linearGradient id="btnFace" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#ffffff"/>
    <stop offset="0.48" stop-color="#f1f5fa"/>
    <stop offset="0.52" stop-color="#e4ebf4"/>
    <stop offset="1" stop-color="#d3deec"/>
  </linearGradient>
  <linearGradient id="btnEdge" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#9aabc4"/>
    <stop offset="1" stop-color="#5d7193"/>
  </linearGradient>
  <linearGradient id="boxBody" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#ffffff"/>
    <stop offset="1" stop-color="#f2f6fb"/>
  </linearGradient>
  <linearGradient id="boxHead" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#f7faff"/>
    <stop offset="1" stop-color="#d9e5f4"/>
  </linearGradient>
  <linearGradient id="page" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#ffffff"/>
    <stop offset="1" stop-color="#edf2f9"/>
  </linearGradient>
  <linearGradient id="warnPage" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#fffdf4"/>
    <stop offset="1" stop-color="#fbf0cc"/>
  </linearGradient>
  <linearGradient id="nameBlue" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#3f86e8"/>
    <stop offset="0.55" stop-color="#1c57c0"/>
    <stop offset="1" stop-color="#103a8c"/>
  </linearGradient>
  <linearGradient id="rule" x1="0" y1="0" x2="1" y2="0">
    <stop offset="0" stop-color="#2a66c9" stop-opacity="0.9"/>
    <stop offset="1" stop-color="#2a66c9" stop-opacity="0"/>
  </linearGradient>
  <!-- small icons (drawn in a 32x32 box) -->
  <radialGradient id="bullet" cx="0.38" cy="0.32" r="0.7">
    <stop offset="0" stop-color="#bfe3ff"/>
    <stop offset="0.5" stop-color="#3b8ee6"/>
    <stop offset="1" stop-color="#15529f"/>
  </radialGradient>
  <linearGradient id="roof" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#f0614e"/>
    <stop offset="1" stop-color="#b0231b"/>
  </linearGradient>
  <linearGradient id="wall" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#fffbf1"/>
    <stop offset="1" stop-color="#e8d9bb"/>
  </linearGradient>
  <linearGradient id="redX" gradientUnits="userSpaceOnUse" x1="0" y1="6" x2="0" y2="26">
    <stop offset="0" stop-color="#ff6b5e"/>
    <stop offset="0.5" stop-color="#e0262a"/>
    <stop offset="1" stop-color="#a9141a"/>
  </linearGradient>
  <radialGradient id="globe" cx="0.36" cy="0.3" r="0.78">
    <stop offset="0" stop-color="#a9dcff"/>
    <stop offset="0.45" stop-color="#3a8fe0"/>
    <stop offset="1" stop-color="#0f3f8f"/>
  </radialGradient>
  <linearGradient id="land" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#8fdc6a"/>
    <stop offset="1" stop-color="#3c9a2e"/>
  </linearGradient>
  <linearGradient id="paper" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#fffdf4"/>
    <stop offset="1" stop-color="#f2e2b0"/>
  </linearGradient>
  <linearGradient id="clockRim" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#5f9bef"/>
    <stop offset="1" stop-color="#17458f"/>
  </linearGradient>
  <radialGradient id="clockFace" cx="0.45" cy="0.38" r="0.7">
    <stop offset="0" stop-color="#ffffff"/>
    <stop offset="0.75" stop-color="#f4f7fb"/>
    <stop offset="1" stop-color="#d4dde9"/>
  </radialGradient>
  <linearGradient id="bell" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#fff2a6"/>
    <stop offset="1" stop-color="#c68d0c"/>
  </linearGradient>
  <linearGradient id="warnFill" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#fff27a"/>
    <stop offset="0.6" stop-color="#ffd22e"/>
    <stop offset="1" stop-color="#f2a900"/>
  </linearGradient>
  <radialGradient id="helpDisc" cx="0.4" cy="0.32" r="0.75">
    <stop offset="0" stop-color="#c9cfd8"/>
    <stop offset="0.55" stop-color="#8a94a3"/>
    <stop offset="1" stop-color="#5d6675"/>
  </radialGradient>
  <filter id="blur1" x="-30%" y="-30%" width="160%" height="160%">
    <feGaussianBlur stdDeviation="1"/>
  </filter>
  <filter id="blur2" x="-30%" y="-30%" width="160%" height="160%">
    <feGaussianBlur stdDeviation="2"/>
  </filter>
</defs>
EOF
}

svg_end() { echo "</svg>"; }

# Glossy red disc with a darker ring: centre x, y and radius.  A symbol
# (key or power sign) is drawn by the caller between disc and gloss, so the
# function is split in two halves.
emblem_begin() {   # cx cy r [shadow:yes|no]
    local s; s=$(calc "$3 / 50")
    if [ "${4:-yes}" = yes ]; then
        echo "<ellipse cx=\"$1\" cy=\"$(calc "$2 + $3 * 0.06")\" rx=\"$3\" ry=\"$3\" fill=\"#3a0508\" fill-opacity=\"0.28\" filter=\"url(#blur2)\"/>"
    fi
    cat <<EOF
<g transform="translate($1 $2) scale($s)">
  <circle r="50" fill="url(#ring)"/>
  <circle r="49.2" fill="none" stroke="#4a0306" stroke-width="1.6"/>
  <circle r="42.6" fill="none" stroke="url(#ringEdge)" stroke-width="1.8" stroke-opacity="0.8"/>
  <circle r="41.5" fill="url(#disc)"/>
  <path d="M -40 -4 A 40 40 0 0 1 40 -4" fill="none" stroke="#ffffff" stroke-opacity="0.18" stroke-width="1"/>
EOF
}

emblem_end() {   # [gloss opacity]
    cat <<EOF
  <ellipse cx="0" cy="-20" rx="30" ry="18.5" fill="url(#gloss)" fill-opacity="${1:-0.7}"/>
  <path d="M -34 -28 A 46 46 0 0 1 34 -28" fill="none" stroke="#ffffff" stroke-opacity="0.35" stroke-width="2.2" stroke-linecap="round"/>
</g>
EOF
}

# Gold key in emblem units (disc radius 50), lying diagonally.  The bold
# variant has fatter parts and no shadow, so it survives 24x24.
emblem_key() {   # [bold:yes|no]
    local shape=keyshape ow=5 hx=-22 hr=5.8 scale=1.1 shine=yes
    if [ "${1:-no}" = yes ]; then
        shape=keyshapeBold ow=5 hx=-21 hr=6 scale=1.1 shine=no
    fi
    echo "  <g transform=\"rotate(40) scale($scale) translate(2 -1.5)\">"
    if [ $shine = yes ]; then
        cat <<EOF
    <use xlink:href="#$shape" fill="#3a0003" fill-opacity="0.45" stroke="#3a0003" stroke-opacity="0.45"
         stroke-width="$ow" stroke-linejoin="round" transform="translate(3 4)" filter="url(#blur2)"/>
EOF
    fi
    cat <<EOF
    <use xlink:href="#$shape" fill="#6e4400" stroke="#6e4400" stroke-width="$ow" stroke-linejoin="round"/>
    <use xlink:href="#$shape" fill="url(#gold)"/>
EOF
    if [ $shine = yes ]; then
        cat <<EOF
    <path d="M -31 -7 A 14.5 14.5 0 0 1 -12 -11" fill="none" stroke="#fffbe0" stroke-opacity="0.8" stroke-width="2" stroke-linecap="round"/>
    <rect x="-4" y="-3.3" width="32" height="2" rx="1" fill="#fffbe0" fill-opacity="0.55"/>
EOF
    fi
    cat <<EOF
    <circle cx="$hx" cy="0" r="$hr" fill="#a8161b" stroke="#6e4400" stroke-width="2.2"/>
  </g>
EOF
}

# White power sign in emblem units.
emblem_power() {   # [stroke width] [arc radius]
    local w="${1:-8}" r="${2:-22}"
    local ax ay top bottom sym
    ax=$(calc "$r * 0.6"); ay=$(calc "-$r * 0.8")
    top=$(calc "-$r * 1.3"); bottom=$(calc "-$r * 0.2")
    sym="<path d=\"M -$ax $ay A $r $r 0 1 0 $ax $ay\"/><path d=\"M 0 $top L 0 $bottom\"/>"
    cat <<EOF
  <g fill="none" stroke-linecap="round">
    <g stroke="#4a0306" stroke-opacity="0.45" stroke-width="$w" transform="translate(0 2.2)">$sym</g>
    <g stroke="#ffffff" stroke-width="$w">$sym</g>
  </g>
EOF
}

icon_begin() { echo "<g transform=\"translate($1 $2) scale($(calc "$3 / 32"))\">"; }   # x y size
icon_end() { echo "</g>"; }

icon_list() {   # x y size
    icon_begin "$@"
    local y
    for y in 8 16 24; do
        cat <<EOF
  <rect x="12.5" y="$(calc "$y - 1.9")" width="17" height="3.8" rx="1.9" fill="#47587a"/>
  <rect x="13.5" y="$(calc "$y - 1.4")" width="15" height="1.3" rx="0.65" fill="#8d9bb5"/>
  <circle cx="6.5" cy="$y" r="3.6" fill="url(#bullet)" stroke="#17457f" stroke-width="0.9"/>
  <circle cx="5.5" cy="$(calc "$y - 1.2")" r="1.1" fill="#ffffff" fill-opacity="0.8"/>
EOF
    done
    icon_end
}

icon_house() {   # x y size
    icon_begin "$@"
    cat <<EOF
  <rect x="20.5" y="5" width="4.5" height="9" fill="#a3241b" stroke="#6e130e" stroke-width="1"/>
  <rect x="7" y="14" width="18" height="15" fill="url(#wall)" stroke="#7c6243" stroke-width="1.2"/>
  <rect x="13" y="19" width="6" height="10" rx="0.8" fill="#2f64b3" stroke="#1b3f78" stroke-width="1"/>
  <circle cx="17.4" cy="24.5" r="0.7" fill="#ffe27a"/>
  <rect x="20.5" y="17.5" width="3" height="3" fill="#bfe0ff" stroke="#1b3f78" stroke-width="0.7"/>
  <rect x="8.5" y="17.5" width="3" height="3" fill="#bfe0ff" stroke="#1b3f78" stroke-width="0.7"/>
  <path d="M 2.5 16.5 L 16 4 L 29.5 16.5" fill="none" stroke="#6e130e" stroke-width="5" stroke-linecap="round" stroke-linejoin="round"/>
  <path d="M 2.5 16.5 L 16 4 L 29.5 16.5" fill="none" stroke="url(#roof)" stroke-width="3" stroke-linecap="round" stroke-linejoin="round"/>
  <path d="M 5 14.5 L 16 4.4" fill="none" stroke="#ffb0a4" stroke-width="0.8" stroke-linecap="round"/>
EOF
    icon_end
}

icon_cross() {   # x y size
    icon_begin "$@"
    cat <<EOF
  <path d="M 8 8 L 24 24 M 24 8 L 8 24" fill="none" stroke="#000000" stroke-opacity="0.22"
        stroke-width="9" stroke-linecap="round" transform="translate(0.8 1.2)" filter="url(#blur1)"/>
  <path d="M 8 8 L 24 24 M 24 8 L 8 24" fill="none" stroke="#7a0b0f" stroke-width="8.4" stroke-linecap="round"/>
  <path d="M 8 8 L 24 24 M 24 8 L 8 24" fill="none" stroke="url(#redX)" stroke-width="6" stroke-linecap="round"/>
  <path d="M 8 7.3 L 15 14.3 M 17 14.3 L 24 7.3" fill="none" stroke="#ffd3cc" stroke-opacity="0.7" stroke-width="1.3" stroke-linecap="round"/>
EOF
    icon_end
}

icon_globe() {   # x y size
    icon_begin "$@"
    cat <<EOF
  <circle cx="16" cy="16" r="13.5" fill="url(#globe)"/>
  <g fill="url(#land)" stroke="#2c6e22" stroke-width="0.6">
    <path d="M 7 9 C 9 6.5 13 6 14.5 8 C 15.5 10 13 11 13.5 13 C 14 15.5 11.5 17.5 10 19.5 C 8.8 21 7 19 6.5 16.5 C 4.3 14.5 5 11 7 9 Z"/>
    <path d="M 18.5 12 C 20.5 10.5 24 11 25.5 13 C 27 15.5 26 19 23.5 21.5 C 21.5 23.5 19 24 18.5 21.5 C 18 19.5 19.5 18 18.5 16 C 17.5 14.5 17.2 13 18.5 12 Z"/>
    <path d="M 17 4.2 C 19 3.6 22.5 4.2 24 5.8 C 22.5 7.2 19.5 7.5 17.6 6.5 Z"/>
  </g>
  <g fill="none" stroke="#e6f4ff" stroke-opacity="0.55" stroke-width="0.8">
    <ellipse cx="16" cy="16" rx="6" ry="13.5"/>
    <path d="M 16 2.5 L 16 29.5 M 2.5 16 L 29.5 16"/>
    <path d="M 4.3 9.5 Q 16 12.5 27.7 9.5 M 4.3 22.5 Q 16 19.5 27.7 22.5"/>
  </g>
  <circle cx="16" cy="16" r="13.5" fill="none" stroke="#0b2f6a" stroke-width="1.2"/>
  <ellipse cx="12.5" cy="9" rx="7" ry="4.2" fill="#ffffff" fill-opacity="0.35"/>
EOF
    icon_end
}

icon_envelope() {   # x y size
    icon_begin "$@"
    cat <<EOF
  <rect x="3" y="7.5" width="26" height="18" rx="1.8" fill="url(#paper)" stroke="#8a6b22" stroke-width="1.2"/>
  <path d="M 3.8 24.6 L 13 16.5 M 28.2 24.6 L 19 16.5" fill="none" stroke="#b2923f" stroke-width="1"/>
  <path d="M 3.6 8.2 L 16 18.5 L 28.4 8.2" fill="#fffaea" stroke="#8a6b22" stroke-width="1.2" stroke-linejoin="round"/>
EOF
    icon_end
}

icon_alarm_clock() {   # x y size
    icon_begin "$@"
    cat <<EOF
  <ellipse cx="16" cy="30.3" rx="11" ry="1.6" fill="#1c2c44" fill-opacity="0.25" filter="url(#blur1)"/>
  <path d="M 9.5 26 L 6.5 30.3 M 22.5 26 L 25.5 30.3" stroke="#1f3c6e" stroke-width="2.2" stroke-linecap="round"/>
  <g stroke="#8a5d00" stroke-width="0.9">
    <path d="M 3.2 10.5 A 6.2 6.2 0 0 1 11.8 3.4 Z" fill="url(#bell)" stroke-linejoin="round"/>
    <path d="M 28.8 10.5 A 6.2 6.2 0 0 0 20.2 3.4 Z" fill="url(#bell)" stroke-linejoin="round"/>
  </g>
  <path d="M 13 5.3 L 19 5.3" stroke="#1f3c6e" stroke-width="2" stroke-linecap="round"/>
  <path d="M 16 5.5 L 16 7.5" stroke="#1f3c6e" stroke-width="1.6"/>
  <circle cx="16" cy="17.5" r="11.6" fill="url(#clockRim)" stroke="#0f2f66" stroke-width="0.9"/>
  <circle cx="16" cy="17.5" r="9.2" fill="url(#clockFace)" stroke="#0f2f66" stroke-width="0.6"/>
  <g stroke="#30415e" stroke-width="1.1" stroke-linecap="round">
    <path d="M 16 9.6 L 16 11.2 M 16 23.8 L 16 25.4 M 8.1 17.5 L 9.7 17.5 M 22.3 17.5 L 23.9 17.5"/>
  </g>
  <g stroke="#8896ad" stroke-width="0.7" stroke-linecap="round">
    <path d="M 20 10.6 L 19.6 11.3 M 22.9 13.5 L 22.2 13.9 M 22.9 21.5 L 22.2 21.1 M 20 24.4 L 19.6 23.7 M 12 24.4 L 12.4 23.7 M 9.1 21.5 L 9.8 21.1 M 9.1 13.5 L 9.8 13.9 M 12 10.6 L 12.4 11.3"/>
  </g>
  <path d="M 16 17.5 L 11.8 13.6" stroke="#1b2a44" stroke-width="1.7" stroke-linecap="round"/>
  <path d="M 16 17.5 L 20.6 11.6" stroke="#1b2a44" stroke-width="1.2" stroke-linecap="round"/>
  <path d="M 16 17.5 L 17.4 23.3" stroke="#d8262b" stroke-width="0.7" stroke-linecap="round"/>
  <circle cx="16" cy="17.5" r="1.1" fill="#d8262b"/>
  <path d="M 8.2 12.2 A 9.8 9.8 0 0 1 19.5 7.5" fill="none" stroke="#ffffff" stroke-opacity="0.55" stroke-width="1" stroke-linecap="round"/>
EOF
    icon_end
}

icon_package() {   # x y size
    icon_begin "$@"
    cat <<EOF
  <ellipse cx="16" cy="29.6" rx="12.5" ry="1.8" fill="#1c2c44" fill-opacity="0.25" filter="url(#blur1)"/>
  <g stroke="#6b4214" stroke-width="1" stroke-linejoin="round">
    <path d="M 2.5 10.5 L 16 16 L 16 30 L 2.5 24 Z" fill="#d9a25d"/>
    <path d="M 16 16 L 29.5 10.5 L 29.5 24 L 16 30 Z" fill="#b3783a"/>
    <path d="M 2.5 10.5 L 16 5 L 29.5 10.5 L 16 16 Z" fill="#efca8d"/>
  </g>
  <path d="M 7.8 8.35 L 11.2 6.95 L 24.2 12.25 L 20.8 13.65 Z" fill="#f9e7c0" stroke="#a8773d" stroke-width="0.5"/>
  <path d="M 20.8 13.65 L 24.2 12.25 L 24.2 25.75 L 20.8 27.25 Z" fill="#e6c690" stroke="#8c5f2a" stroke-width="0.5"/>
  <path d="M 5.5 18.5 L 11 20.8 M 5.5 20.6 L 9 22.1" stroke="#8c5f2a" stroke-width="0.8" stroke-linecap="round"/>
  <path d="M 3 11 L 15.6 16.2" stroke="#fff4dc" stroke-opacity="0.6" stroke-width="0.6"/>
EOF
    icon_end
}

icon_warning() {   # x y size  (triangle fills a 32 wide box, 28.5 high)
    icon_begin "$@"
    cat <<EOF
  <path d="M 16 3.6 L 29.6 27.4 L 2.4 27.4 Z" fill="#3a2a00" fill-opacity="0.3" stroke="#3a2a00" stroke-opacity="0.3"
        stroke-width="3.4" stroke-linejoin="round" transform="translate(0.6 1)" filter="url(#blur1)"/>
  <path d="M 16 3.6 L 29.6 27.4 L 2.4 27.4 Z" fill="#6e4a00" stroke="#6e4a00" stroke-width="3.4" stroke-linejoin="round"/>
  <path d="M 16 4.5 L 28.7 26.7 L 3.3 26.7 Z" fill="url(#warnFill)" stroke="url(#warnFill)" stroke-width="1.6" stroke-linejoin="round"/>
  <path d="M 16 11.5 L 16 19.2" stroke="#2a1f00" stroke-width="3.2" stroke-linecap="round"/>
  <circle cx="16" cy="23.3" r="1.8" fill="#2a1f00"/>
EOF
    icon_end
}

help_sign() {   # cx cy r -- grey disc with a white question mark
    local fs; fs=$(calc "$3 * 1.55")
    cat <<EOF
<circle cx="$1" cy="$(calc "$2 + 1")" r="$3" fill="#1c2c44" fill-opacity="0.25" filter="url(#blur1)"/>
<circle cx="$1" cy="$2" r="$3" fill="url(#helpDisc)" stroke="#4b5361" stroke-width="1"/>
<ellipse cx="$1" cy="$(calc "$2 - $3 * 0.45")" rx="$(calc "$3 * 0.62")" ry="$(calc "$3 * 0.38")" fill="#ffffff" fill-opacity="0.25"/>
<text x="$1" y="$(calc "$2 + $fs * 0.36 + 0.5")" text-anchor="middle" font-family="Liberation Sans" font-weight="bold"
      font-size="$fs" fill="#262c36" fill-opacity="0.6">?</text>
<text x="$1" y="$(calc "$2 + $fs * 0.36 - 0.3")" text-anchor="middle" font-family="Liberation Sans" font-weight="bold"
      font-size="$fs" fill="#ffffff">?</text>
EOF
}

# Push-button whose outermost pixels are exactly the rect x0..x1, y0..y1
# (inclusive).  icon: list|house|cross; text is centred in the space to the
# right of the icon.  With BUTTON_SHADOW=no nothing is drawn outside the rect.
BUTTON_SHADOW=yes
button() {   # x0 y0 x1 y1 icon label font-size
    local x0=$1 y0=$2 x1=$3 y1=$4 icon=$5 label=$6 fs=$7
    local w=$((x1 - x0 + 1)) h=$((y1 - y0 + 1))
    local isz=$(( h * 6 / 10 ))
    local ix=$((x0 + 9)) iy; iy=$(calc "$y0 + ($h - $isz) / 2")
    local tx; tx=$(calc "($ix + $isz + $x1) / 2")
    local ty; ty=$(calc "$y0 + $h / 2 + $fs * 0.36")
    if [ "$BUTTON_SHADOW" = yes ]; then
        echo "<rect x=\"$x0\" y=\"$(calc "$y0 + 1.5")\" width=\"$w\" height=\"$h\" rx=\"6\" fill=\"#1e3a64\" fill-opacity=\"0.22\" filter=\"url(#blur1)\"/>"
    fi
    cat <<EOF
<rect x="$(calc "$x0 + 0.5")" y="$(calc "$y0 + 0.5")" width="$((w - 1))" height="$((h - 1))" rx="5.5"
      fill="url(#btnFace)" stroke="url(#btnEdge)" stroke-width="1"/>
<rect x="$(calc "$x0 + 1.5")" y="$(calc "$y0 + 1.5")" width="$((w - 3))" height="$((h - 3))" rx="4.5"
      fill="none" stroke="#ffffff" stroke-opacity="0.9" stroke-width="1"/>
EOF
    "icon_$icon" "$ix" "$iy" "$isz"
    cat <<EOF
<text x="$tx" y="$(calc "$ty + 1")" text-anchor="middle" font-family="Liberation Sans" font-weight="bold"
      font-size="$fs" fill="#ffffff" fill-opacity="0.9">$label</text>
<text x="$tx" y="$ty" text-anchor="middle" font-family="Liberation Sans" font-weight="bold"
      font-size="$fs" fill="#1c3358">$label</text>
EOF
}

# Framed box with a heading band on top; the list control sits in the
# white area below the separator line.
heading_box() {   # x0 y0 x1 y1 separator-row label
    local x0=$1 y0=$2 x1=$3 y1=$4 sep=$5 label=$6
    local w=$((x1 - x0 + 1)) h=$((y1 - y0 + 1))
    local cx; cx=$(calc "($x0 + $x1 + 1) / 2")
    cat <<EOF
<rect x="$x0" y="$(calc "$y0 + 1")" width="$w" height="$h" rx="4" fill="#1e3a64" fill-opacity="0.14" filter="url(#blur1)"/>
<rect x="$(calc "$x0 + 0.5")" y="$(calc "$y0 + 0.5")" width="$((w - 1))" height="$((h - 1))" rx="3.5"
      fill="#ffffff" stroke="#8397b5" stroke-width="1"/>
<path d="M $((x0 + 1)) $sep L $((x0 + 1)) $((y0 + 4)) Q $((x0 + 1)) $((y0 + 1)) $((x0 + 4)) $((y0 + 1))
         L $((x1 - 3)) $((y0 + 1)) Q $x1 $((y0 + 1)) $x1 $((y0 + 4)) L $x1 $sep Z" fill="url(#boxHead)"/>
<path d="M $((x0 + 1)) $(calc "$sep + 0.5") L $x1 $(calc "$sep + 0.5")" stroke="#a7b8d0" stroke-width="1"/>
<path d="M $((x0 + 1)) $(calc "$sep + 1.5") L $x1 $(calc "$sep + 1.5")" stroke="#ffffff" stroke-width="1"/>
<path d="M $((x0 + 4)) $(calc "$y0 + 1.5") L $((x1 - 3)) $(calc "$y0 + 1.5")" stroke="#ffffff" stroke-width="1"/>
<text x="$cx" y="$((sep - 4))" text-anchor="middle" font-family="Liberation Sans" font-weight="bold"
      font-size="11.5" fill="#1f2f4a">$label</text>
EOF
}

# Light page background with a 1 px frame and an inner highlight line.
page() {   # width height fill-id frame-colour
    cat <<EOF
<rect x="0" y="0" width="$1" height="$2" fill="url(#$3)"/>
<rect x="0.5" y="0.5" width="$(( $1 - 1 ))" height="$(( $2 - 1 ))" fill="none" stroke="$4" stroke-width="1"/>
<rect x="1.5" y="1.5" width="$(( $1 - 3 ))" height="$(( $2 - 3 ))" fill="none" stroke="#ffffff" stroke-opacity="0.9" stroke-width="1"/>
EOF
}

render() {   # name.svg -> name.png (in $WORK)
    rsvg-convert --format=png -o "$WORK/$1.png" "$WORK/$1.svg"
}

# The same drawing at twice the pixels: every coordinate, stroke, blur and
# font size doubles, so the half-pixel 1-px frames become whole 2-px ones
# and the texts are drawn from the fonts at the larger size.
render_2x() {   # name.svg -> name@2x.png (in $WORK)
    rsvg-convert --format=png --zoom=2 -o "$WORK/$1@2x.png" "$WORK/$1.svg"
}

to_jpeg() {   # name
    convert "$WORK/$1.png" -background white -flatten -alpha off \
        "${JPEG_OPTS[@]}" "$OUT/$1.jpg"
}

# ---------------------------------------------------------------------------
# The pictures.

make_banner() {
    {
        svg_begin 444 132
        cat <<EOF
<rect width="444" height="132" fill="#ffffff"/>
<rect y="60" width="444" height="72" fill="url(#page)"/>
<rect x="128" y="110" width="208" height="1.5" fill="url(#rule)"/>
<!-- soft shadow under the clock box the program puts at 344..433 x 104..123;
     no outline on top, the name sits right above it -->
<rect x="345" y="106" width="90" height="19.5" rx="1.5" fill="#1e3a64" fill-opacity="0.3" filter="url(#blur1)"/>
<rect x="344" y="104" width="90" height="20" fill="#ffffff"/>
<!-- ink of the name covers rows 58..102 only -->
<text x="129" y="103" font-family="Liberation Sans" font-weight="bold" font-size="59"
      fill="#0c2a66" fill-opacity="0.2" filter="url(#blur1)">Tarnovelle</text>
<text x="128" y="102" font-family="Liberation Sans" font-weight="bold" font-size="59"
      fill="url(#nameBlue)" stroke="#0e3580" stroke-width="0.8">Tarnovelle</text>
EOF
        emblem_begin 63 66 55
        emblem_key
        emblem_end
        svg_end
    } > "$WORK/banner.svg"
    render banner
    to_jpeg banner
    render_2x banner
    to_jpeg banner@2x
}

make_panel() {
    {
        svg_begin 250 150
        page 250 150 page "#a3b3c9"
        heading_box 52 17 101 61 32 "Hour"
        heading_box 116 17 173 61 32 "Min"
        heading_box 188 17 237 61 32 "Sec"
        heading_box 52 87 237 131 102 "Action"
        icon_alarm_clock 6 20 44
        icon_package 6 90 44
        echo '<path d="M 8 74.5 L 242 74.5" stroke="#c9d4e3" stroke-width="1"/>'
        echo '<path d="M 8 75.5 L 242 75.5" stroke="#ffffff" stroke-width="1"/>'
        svg_end
    } > "$WORK/panel.svg"
    render panel
    to_jpeg panel
    render_2x panel
    to_jpeg panel@2x
}

make_buttons() {
    {
        svg_begin 189 150
        echo '<rect width="189" height="150" fill="#ffffff"/>'
        # the window behind is plain white: keep everything outside the
        # three click areas pure white too
        local BUTTON_SHADOW=no
        button 8 8 177 41 list "Set Action" 13
        button 8 72 185 105 house "About" 13
        button 8 112 185 145 cross "Close" 13
        svg_end
    } > "$WORK/buttons.svg"
    render buttons
    to_gif buttons
    render_2x buttons
    to_gif buttons@2x
}

# A GIF without a transparent colour: 255 colours from the artwork plus pure
# white, so the background stays exactly #FFFFFF (the window's own colour
# behind it) whatever the quantiser decides.
to_gif() {   # name
    convert "$WORK/$1.png" -background white -flatten -alpha off \
        +dither -colors 255 -unique-colors "$WORK/$1-pal.png"
    convert "$WORK/$1-pal.png" xc:white +append "$WORK/$1-pal2.png"
    convert "$WORK/$1.png" -background white -flatten -alpha off \
        +dither -remap "$WORK/$1-pal2.png" -strip \
        +set date:create +set date:modify "$OUT/$1.gif"
}

make_warning() {
    {
        svg_begin 400 100
        page 400 100 warnPage "#8c6d1f"
        echo '<rect x="0.5" y="0.5" width="399" height="99" fill="none" stroke="#6b5010" stroke-width="1"/>'
        icon_warning 8 8 56
        cat <<EOF
<text x="72" y="22" font-family="Liberation Sans Narrow" font-weight="bold" font-size="14"
      fill="#1b1b1b">Tarnovelle will execute the requested action in 10 seconds</text>
<text x="72" y="42" font-family="Liberation Sans Narrow" font-weight="bold" font-size="14"
      fill="#a3141a">This is the last chance to cancel!</text>
EOF
        button 104 56 288 96 cross "Cancel" 15
        svg_end
    } > "$WORK/warning.svg"
    render warning
    to_jpeg warning
    render_2x warning
    to_jpeg warning@2x
}

make_about() {
    {
        svg_begin 350 250
        page 350 250 page "#a3b3c9"
        emblem_begin 40 38 31
        emblem_power 8
        emblem_end
        cat <<EOF
<text x="84.5" y="55.5" font-family="Liberation Sans" font-weight="bold" font-size="46"
      fill="#0c2a66" fill-opacity="0.22" filter="url(#blur1)">Tarnovelle</text>
<text x="83" y="54" font-family="Liberation Sans" font-weight="bold" font-size="46"
      fill="url(#nameBlue)" stroke="#0e3580" stroke-width="0.7">Tarnovelle</text>
<rect x="84" y="63" width="246" height="1.3" fill="url(#rule)"/>
EOF
        local row icon y0 y1
        for row in "list 74 102" "globe 106 134" "envelope 136 162" "house 165 193"; do
            set -- $row
            icon=$1 y0=$2 y1=$3
            local h=$((y1 - y0 + 1))
            local cy; cy=$(calc "$y0 + $h / 2")
            cat <<EOF
<rect x="8.5" y="$(calc "$y0 + 0.5")" width="334" height="$((h - 1))" rx="5" fill="url(#boxBody)" stroke="#93a6c2" stroke-width="1"/>
<rect x="9.5" y="$(calc "$y0 + 1.5")" width="332" height="$((h - 3))" rx="4" fill="none" stroke="#ffffff" stroke-width="1"/>
EOF
            "icon_$icon" 14 "$(calc "$cy - 12.5")" 25
            help_sign 324 "$cy" "$(calc "($h - 6) / 2")"
        done
        button 16 200 208 240 cross "Close" 15
        svg_end
    } > "$WORK/about.svg"
    render about
    to_jpeg about
    render_2x about
    to_jpeg about@2x
}

# Icons and cursors: render RGBA, then pack with the exact depth.  Each file
# starts with its original image, the one Windows takes when a program asks
# for the icon or cursor at its own size; the other sizes are the ones
# Windows asks for at 125, 150 and 200 % display scale.
pack() {   # png size -> $WORK/<png's name>.rgba, raw rgba
    convert "$1" -background none -gravity center -extent "$2x$2" -depth 8 "rgba:${1%.png}.rgba"
}

# The emblem with the key, drawn for each size: the disc fills the square
# up to the same fifth of a pixel at every size.
program_icon_svg() {   # size [rim width in pixels]
    local half; half=$(calc "$1 / 2")
    svg_begin "$1" "$1"
    emblem_begin "$half" "$half" "$(calc "$half - 0.2")" no
    emblem_key yes
    emblem_end 0.5
    [ -n "${2:-}" ] && icon_rim "$1" "$2"
    svg_end
}

# A dark edge of whole pixels around an icon's disc.  The 256-colour image
# gets its dark, hard edge from its one-bit mask; drawn in full colour with
# soft edges, the smaller sizes would blur into the taskbar without it.
icon_rim() {   # size width
    local half; half=$(calc "$1 / 2")
    echo "<circle cx=\"$half\" cy=\"$half\" r=\"$(calc "$half - 0.2 - $2 / 2")\" fill=\"none\" stroke=\"#4a0306\" stroke-opacity=\"0.9\" stroke-width=\"$2\"/>"
}

make_program_icon() {
    local size images=()
    for size in 24 16 20 32 40 48; do
        if [ "$size" = 24 ]; then
            program_icon_svg 24 > "$WORK/tarnovelle-24.svg"
        else
            program_icon_svg "$size" "$(( size < 40 ? 1 : 2 ))" > "$WORK/tarnovelle-$size.svg"
        fi
        render "tarnovelle-$size"
        pack "$WORK/tarnovelle-$size.png" "$size"
        # the original 256-colour image first, the new sizes in full colour
        images+=("$size" "$([ "$size" = 24 ] && echo 8 || echo 32)" "$WORK/tarnovelle-$size.rgba")
    done
    python3 "$HERE/pack_icons.py" ico "$OUT/tarnovelle.ico" "${images[@]}"
}

# The red power button.  The 16-pixel original gives its sign a stroke of 11
# emblem units; the other sizes give it whole pixels (2 at 20, 3 from 24),
# and an odd width moves the sign half a pixel left, so its bar covers whole
# pixel columns.
about_icon_svg() {   # size sign-stroke-in-emblem-units [shift left in pixels]
    local half; half=$(calc "$1 / 2")
    svg_begin "$1" "$1"
    emblem_begin "$half" "$half" "$(calc "$half - 0.2")" no
    if [ -n "${3:-}" ]; then
        echo "<g transform=\"translate(-$(calc "$3 * 50 / ($half - 0.2)") 0)\">"
        emblem_power "$2" 26
        echo "</g>"
    else
        emblem_power "$2" 26
    fi
    emblem_end 0.2
    svg_end
}

make_about_icon() {
    local entry size px images=()
    for entry in "16" "20 2" "24 3" "32 3"; do
        set -- $entry
        size=$1 px=${2:-}
        if [ -z "$px" ]; then
            about_icon_svg "$size" 11
        else
            about_icon_svg "$size" "$(calc "$px * 50 / ($size / 2 - 0.2)")" "$(calc "($px % 2) / 2")"
        fi > "$WORK/about-icon-$size.svg"
        render "about-icon-$size"
        pack "$WORK/about-icon-$size.png" "$size"
        # the original 16-colour image first, the new sizes in full colour
        images+=("$size" "$([ "$size" = 16 ] && echo 4 || echo 32)" "$WORK/about-icon-$size.rgba")
    done
    python3 "$HERE/pack_icons.py" ico "$OUT/about.ico" "${images[@]}"
}

# Pointing hand, index finger up; X = outline, o = fill, . = transparent.
# The 32-pixel cursors keep this pixel art; the other sizes are drawn by
# draw_hand.py from an outline of the same hand, which gives exactly these
# pixels at 32 (checked below, so the two cannot drift apart).
# Hotspot is the fingertip (column 6, row 0).
hand_art() {
    local rows=(
        "......XX.........."
        ".....XooX........."
        ".....XooX........."
        ".....XooX........."
        ".....XooX........."
        ".....XooXXX......."
        ".....XooXooXXX...."
        ".....XooXooXooXX.."
        ".....XooXooXooXoX."
        ".....XooXooXooXooX"
        ".XXX.XoooooooooooX"
        "XoooXXoooooooooooX"
        "XooooXoooooooooooX"
        ".XoooXoooooooooooX"
        "..XooooooooooooooX"
        "...XoooooooooooooX"
        "...XooooooooooooX."
        "....XoooooooooooX."
        ".....XooooooooooX."
        ".....XoooooooooX.."
        ".....XoooooooooX.."
        ".....XXXXXXXXXXX.."
    )
    local pad="................................" y line
    echo "6 0"
    for ((y = 0; y < 32; y++)); do
        line="${rows[y]:-}$pad"
        echo "${line:0:32}"
    done
}

# hotspot line and rows of the hand at one size -> $WORK/hand-<size>.txt
hand_rows() {   # size
    if [ "$1" = 32 ]; then
        hand_art > "$WORK/hand-32.txt"
        python3 "$HERE/draw_hand.py" 32 > "$WORK/hand-32-drawn.txt"
        if ! cmp -s "$WORK/hand-32.txt" "$WORK/hand-32-drawn.txt"; then
            echo "make-pictures: draw_hand.py no longer draws the 32-pixel hand:" >&2
            diff "$WORK/hand-32.txt" "$WORK/hand-32-drawn.txt" >&2 || true
            exit 1
        fi
    else
        python3 "$HERE/draw_hand.py" "$1" > "$WORK/hand-$1.txt"
    fi
}

hand_xpm() {   # size outline-colour fill-colour
    local size=$1 y=0 line
    printf '/* XPM */\nstatic char *hand[] = {\n"%s %s 3 1",\n". c None",\n"X c %s",\n"o c %s",\n' \
        "$size" "$size" "$2" "$3"
    while read -r line; do
        y=$((y + 1))
        printf '"%s"%s\n' "$line" "$([ $y -lt "$size" ] && echo , || echo '};')"
    done < <(tail -n +2 "$WORK/hand-$size.txt")
}

hand_hotspot() {   # size -> "x y"
    head -n 1 "$WORK/hand-$1.txt"
}

CURSOR_SIZES=(32 40 48 64)

make_hand_cursor() {
    local size images=()
    for size in "${CURSOR_SIZES[@]}"; do
        hand_rows "$size"
        hand_xpm "$size" "#000000" "#FFFFFF" > "$WORK/hand-$size.xpm"
        convert "$WORK/hand-$size.xpm" -depth 8 "rgba:$WORK/hand-$size.rgba"
        images+=("$size" 1 $(hand_hotspot "$size") "$WORK/hand-$size.rgba")
    done
    python3 "$HERE/pack_icons.py" cur "$OUT/hand.cur" "${images[@]}"
}

make_link_cursor() {
    {
        svg_begin 32 32
        icon_globe 16 16 16
        svg_end
    } > "$WORK/link-globe.svg"
    local size shadow images=()
    for size in "${CURSOR_SIZES[@]}"; do
        # the hand's shadow is offset as far as its outline is wide
        shadow=$(( size / 32 ))
        hand_xpm "$size" "#101010" "#FFFFFF" > "$WORK/link-hand-$size.xpm"
        if [ "$size" = 32 ]; then
            render link-globe
            mv "$WORK/link-globe.png" "$WORK/link-globe-32.png"
        else
            rsvg-convert --format=png --zoom="$(calc "$size / 32")" \
                -o "$WORK/link-globe-$size.png" "$WORK/link-globe.svg"
        fi
        # the hand gets a faint grey shading towards the wrist
        convert \( "$WORK/link-hand-$size.xpm" -alpha off \) \
            \( -size "${size}x$size" gradient:'#ffffff-#c3ccd9' \) -compose multiply -composite \
            \( "$WORK/link-hand-$size.xpm" -alpha extract \) -compose copy-opacity -composite \
            "$WORK/link-hand-$size.png"
        convert -size "${size}x$size" xc:none \
            \( "$WORK/link-hand-$size.xpm" -alpha extract -background black -alpha shape \
               -channel A -evaluate multiply 0.35 +channel -geometry "+$shadow+$shadow" \) \
            -compose over -composite \
            "$WORK/link-globe-$size.png" -compose over -composite \
            "$WORK/link-hand-$size.png" -compose over -composite \
            "$WORK/link-$size.png"
        pack "$WORK/link-$size.png" "$size"
        images+=("$size" 32 $(hand_hotspot "$size") "$WORK/link-$size.rgba")
    done
    python3 "$HERE/pack_icons.py" cur "$OUT/link.cur" "${images[@]}"
}

mkdir -p "$OUT"
make_banner
make_panel
make_buttons
make_warning
make_about
make_program_icon
make_about_icon
make_hand_cursor
make_link_cursor
echo "make-pictures: wrote $(ls "$OUT" | wc -l) files to $OUT"

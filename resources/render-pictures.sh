#!/usr/bin/env bash
# needs: librsvg2-bin fonts-liberation imagemagick python3
#
# Renders Tarnovelle's pictures, icons and cursors from their sources in art/
# into pictures/ (or the folder given), the same bytes on every run. Each
# window picture is rendered at 1x and again at twice the pixels (@2x), then
# saved as JPEG or GIF. An icon's sheet holds one drawing per size, each cell
# 64 pixels right of the one before; pack_icons.py packs them at their exact
# depths, the original first. The cursors' hand is art/hand-32.xpm at 32
# pixels and draw_hand.py's drawing at 40, 48 and 64.
#
# Usage: resources/render-pictures.sh [OUT]   (make pictures)

set -euo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ART="$HERE/art" OUT="${1:-$HERE/pictures}" PYTHON="${PYTHON:-python3}"
W="$(mktemp -d)"
trap 'rm -rf "$W"' EXIT
mkdir -p "$OUT"
export LC_ALL=C MAGICK_THREAD_LIMIT=1 SOURCE_DATE_EPOCH=0

# fontconfig would quietly draw the texts in another face
for face in "Liberation Sans:bold" "Liberation Sans Narrow:bold"; do
    fc-list "$face" | grep -q . || { echo "render-pictures: font '$face' missing" >&2; exit 1; }
done

FLAT=(-background white -flatten -alpha off)
for name in banner panel buttons warning about; do
    for zoom in 1 2; do
        out=$name$([ $zoom = 1 ] || echo @2x)
        rsvg-convert --zoom=$zoom -o "$W/$out.png" "$ART/$name.svg"
        if [ $name != buttons ]; then
            convert "$W/$out.png" "${FLAT[@]}" -strip -interlace none -sampling-factor 4:2:0 \
                -quality 88 +set date:create +set date:modify "$OUT/$out.jpg"
            continue
        fi
        # no transparent colour: 255 colours of the drawing and pure white,
        # so that white stays the white of the window behind
        convert "$W/$out.png" "${FLAT[@]}" +dither -colors 255 -unique-colors "$W/pal.png"
        convert "$W/pal.png" xc:white +append "$W/pal.png"
        convert "$W/$out.png" "${FLAT[@]}" +dither -remap "$W/pal.png" -strip \
            +set date:create +set date:modify "$OUT/$out.gif"
    done
done

icon() {   # sheet file.ico size:bpp ... (one for each of the sheet's cells, in order)
    local sheet=$1 ico=$2 left=0 cell size images=()
    shift 2
    for cell; do
        size=${cell%:*}
        # the page moved along the sheet, not the picture cropped: the cell's
        # drawing then lands on the very pixels it would fill on its own
        rsvg-convert --left=$left --page-width="$size" --page-height="$size" "$ART/$sheet.svg" |
            convert png:- -depth 8 "rgba:$W/$sheet-$size.rgba"
        images+=("$size" "${cell#*:}" "$W/$sheet-$size.rgba")
        left=$((left - 64))
    done
    "$PYTHON" "$HERE/pack_icons.py" ico "$OUT/$ico" "${images[@]}"
}
icon tarnovelle-icon tarnovelle.ico 24:8 16:32 20:32 32:32 40:32 48:32
icon about-icon about.ico 16:4 20:32 24:32 32:32

if ! cmp -s <(grep '^"' "$ART/hand-32.xpm") <("$PYTHON" "$HERE/draw_hand.py" 32 | grep '^"'); then
    echo "render-pictures: draw_hand.py no longer draws art/hand-32.xpm" >&2
    exit 1
fi
hand=() link=()
for size in 32 40 48 64; do
    h="$W/hand-$size" s=$((size / 32))   # s: the outline's width, the shadow's offset
    if [ $size = 32 ]; then cp "$ART/hand-32.xpm" "$h.xpm"; else "$PYTHON" "$HERE/draw_hand.py" $size > "$h.xpm"; fi
    read -r hx hy < <(awk -F'[" ]' '/^"[0-9]/ { print $6, $7; exit }' "$h.xpm")
    convert "$h.xpm" -depth 8 "rgba:$h.rgba"
    hand+=("$size" 1 "$hx" "$hy" "$h.rgba")
    # link.cur: the hand's shadow, the globe, and the hand outlined in
    # #101010 and shaded grey towards the wrist
    sed 's/^"X c #000000"/"X c #101010"/' "$h.xpm" > "$h-link.xpm"
    rsvg-convert --width=$size --height=$size -o "$W/globe.png" "$ART/link-globe.svg"
    convert -size ${size}x$size xc:none \( "$h-link.xpm" -alpha extract -background black \
        -alpha shape -channel A -evaluate multiply 0.35 +channel -geometry +$s+$s \) \
        -compose over -composite "$W/globe.png" -compose over -composite \
        \( \( "$h-link.xpm" -alpha off \) \( -size ${size}x$size gradient:'#ffffff-#c3ccd9' \) \
           -compose multiply -composite \( "$h-link.xpm" -alpha extract \) -compose copy-opacity \
           -composite \) -compose over -composite -depth 8 "rgba:$h-link.rgba"
    link+=("$size" 32 "$hx" "$hy" "$h-link.rgba")
done
"$PYTHON" "$HERE/pack_icons.py" cur "$OUT/hand.cur" "${hand[@]}"
"$PYTHON" "$HERE/pack_icons.py" cur "$OUT/link.cur" "${link[@]}"

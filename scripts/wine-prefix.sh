#!/usr/bin/env bash
# Prepares a Wine prefix for Tarnovelle, once: `wine-prefix.sh PREFIX`.
# Used by `make run`, the end-to-end tests and the benchmark, so all three
# see the program the same way. Quick when the prefix is already prepared;
# a prefix prepared by an older version of this script is made anew.
#
# - every process of the prefix shares one 1024 x 768 virtual desktop, with
#   a taskbar and a notification area (a test driver sees the program's
#   windows);
# - Wine's own fonts are in the prefix's Fonts folder: Marlett draws the
#   title bars' buttons, Tahoma is the windows' default font;
# - Courier New is drawn with its metric-compatible stand-in.
set -euo pipefail

revision=2  # raise when the prefix's contents change

prefix=${1:?usage: wine-prefix.sh PREFIX}
mkdir -p "$(dirname "$prefix")"
prefix=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")
marker="$prefix/.tarnovelle-ready"
if [ -e "$marker" ] && [ "$(cat "$marker")" = "$revision" ]; then
    exit 0
fi

export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINESERVER
wineserver -k 2>/dev/null || true
rm -rf "$prefix"
echo "wine-prefix: preparing $prefix (once)" >&2
wineboot -i >/dev/null 2>&1
[ -d "$prefix/drive_c/windows" ] || { echo "wine-prefix: wineboot made no prefix" >&2; exit 1; }

reg() { wine reg add "$1" /v "$2" /d "$3" /f >/dev/null 2>&1; }
reg 'HKCU\Software\Wine\Explorer' Desktop Default
reg 'HKCU\Software\Wine\Explorer\Desktops' Default 1024x768
reg 'HKCU\Software\Wine\Fonts\Replacements' 'Courier New' 'Liberation Mono'

fonts="$prefix/drive_c/windows/Fonts"
mkdir -p "$fonts"
for font in marlett.ttf tahoma.ttf tahomabd.ttf; do
    if [ -e "/usr/share/wine/fonts/$font" ]; then
        cp "/usr/share/wine/fonts/$font" "$fonts/$font"
    else
        echo "wine-prefix: /usr/share/wine/fonts/$font is missing (package fonts-wine)" >&2
        exit 1
    fi
done

wineserver -w
echo "$revision" >"$marker"

#!/usr/bin/env bash
# Starts tarnovelle.exe under Wine on the current display. Without a display
# it starts an X server and a Wine virtual desktop of its own, saves a
# screenshot of the main window to build/run/screenshot.png and keeps running
# until interrupted.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/run"
mkdir -p "$out"
export WINEPREFIX="$out/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

xvfb_pid=""
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT INT TERM

if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 80 120); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    headless=1
else
    headless=0
fi

"$root/scripts/wine-prefix.sh" "$WINEPREFIX"

wine "$root/build/windows/tarnovelle.exe" &
app=$!
if [ "$headless" = 1 ]; then
    driver="$root/build/windows/tests/driver.exe"
    if wine "$driver" find Tarnovelle 20000 visible >/dev/null; then
        sleep 1
        import -window root "$out/screenshot.png"
        echo "run: screenshot of the main window in $out/screenshot.png (display $DISPLAY); Ctrl-C ends"
    fi
fi
wait "$app"

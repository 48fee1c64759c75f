#!/usr/bin/env bash
# Installs what building and testing Tarnovelle needs on Debian 12, as root.
# Quick and silent when everything is already there.
set -euo pipefail

packages=(
    cmake make g++ libgtest-dev libgmock-dev clang libclang-rt-14-dev
    g++-mingw-w64-i686 mingw-w64-tools
    wine wine32:i386 wine64 fonts-wine
    xvfb xdotool x11-utils imagemagick icoutils
    fonts-dejavu-core fonts-liberation librsvg2-bin
    python3
)

missing=()
installed=$(dpkg-query -W -f='${Package}:${Architecture} ${db:Status-Abbrev}\n' 2>/dev/null || true)
native=$(dpkg --print-architecture)
for p in "${packages[@]}"; do
    name=${p%%:*}
    arch=${p#*:}
    [ "$arch" = "$p" ] && arch=""
    if [ -n "$arch" ]; then
        grep -q -x -F "${name}:${arch} ii " <<<"$installed" || missing+=("$p")
    else
        grep -q -x -F -e "${name}:${native} ii " -e "${name}:all ii " <<<"$installed" ||
            missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages: ${missing[*]}; run as root to install them" >&2
    exit 1
fi

echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"

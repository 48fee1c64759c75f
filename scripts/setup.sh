#!/usr/bin/env bash
# Installs what building and testing Tarnovelle needs on Debian 12, as root,
# and makes sure 32-bit x86 programs (Wine's 32-bit half) can run.
# Quick and silent when everything is already there.
set -euo pipefail

packages=(
    cmake make g++ libgtest-dev libgmock-dev clang libclang-rt-14-dev
    g++-mingw-w64-i686 mingw-w64-tools
    wine wine32:i386 wine64 fonts-wine
    xvfb xdotool x11-utils imagemagick icoutils
    fonts-dejavu-core fonts-liberation librsvg2-bin
    python3 python3-pefile
    openssl python3-yaml python3-jsonschema
)

# A mirror caught mid-sync fails one index of many; the others still serve
# every package, so a failed update is retried and then only reported.
apt_update() {
    local i
    for i in 1 2 3; do
        apt-get update -q && return 0
        sleep 5
    done
    echo "setup: apt-get update reported errors; going on with the package lists it has" >&2
}

need_root() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "setup: $1; run as root" >&2
        exit 1
    fi
}

# bookworm's backports suite, from the mirror the machine already uses for
# bookworm (in either format of apt source); $1 says what it is wanted for.
add_backports() {
    local backports=/etc/apt/sources.list.d/tarnovelle-bookworm-backports.sources mirror
    [ -e "$backports" ] && return 0
    mirror=$(
        {
            awk '/^URIs:/ { uris = $2 } /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == "bookworm") print uris }' \
                /etc/apt/sources.list.d/*.sources 2>/dev/null || true
            awk '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { if ($(i + 1) == "bookworm") print $i; break } }' \
                /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true
        } | head -n 1
    )
    if [ -z "$mirror" ]; then
        echo "setup: no apt source for bookworm found, so no mirror for bookworm-backports" >&2
        exit 1
    fi
    echo "setup: adding bookworm-backports from $mirror for $1"
    cat >"$backports" <<SOURCES
Types: deb
URIs: $mirror
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
}

# ---- Packages -----------------------------------------------------------------

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

export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
    need_root "missing packages: ${missing[*]}"
    echo "setup: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt_update
    # Without one architecture's security index, amd64 and i386 cannot agree
    # on the versions of the libraries both need: take the point release's
    # for both.
    apt-get install -y -q --no-install-recommends "${missing[@]}" ||
        apt-get install -y -q --no-install-recommends -t bookworm "${missing[@]}"
fi

# ---- Authenticode signing ----------------------------------------------------
#
# Releases are signed and checked with osslsigncode. bookworm's own (2.5)
# time-stamps through RFC 3161 servers but has no built-in time-stamp
# authority, which the offline signing tests use; that came with 2.7, and
# bookworm's backports suite has a newer one.

osslsigncode_floor=2.7
osslsigncode_status=$(dpkg-query -W -f='${db:Status-Abbrev}${Version}' osslsigncode 2>/dev/null || true)
if [[ "$osslsigncode_status" != "ii "* ]] ||
    dpkg --compare-versions "${osslsigncode_status#ii }" lt "$osslsigncode_floor"; then
    need_root "osslsigncode $osslsigncode_floor or later is missing"
    add_backports osslsigncode
    echo "setup: installing osslsigncode from bookworm-backports"
    apt_update
    apt-get install -y -q --no-install-recommends -t bookworm-backports osslsigncode
fi

# ---- 32-bit x86 programs ------------------------------------------------------
#
# Some kernels refuse every i386 program ("Exec format error"), Wine's 32-bit
# loader among them. There the 32-bit programs run under qemu's user-mode
# emulation, registered for i386 ELF programs through binfmt_misc. Versions
# before 8 spend about a minute starting each Wine process, so qemu comes from
# bookworm's backports suite. The registration is gone after a reboot; the
# packages stay.

i386_loader=/lib/ld-linux.so.2
i386_runs() { "$i386_loader" --version >/dev/null 2>&1; }

if i386_runs; then
    exit 0
fi
need_root "this kernel cannot run 32-bit x86 programs and emulation must be set up"

qemu_version=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null || true)
if [ -z "$qemu_version" ] || dpkg --compare-versions "$qemu_version" lt 1:8; then
    add_backports qemu-user
    echo "setup: installing qemu-user from bookworm-backports (this kernel runs no 32-bit x86 code)"
    apt_update
    apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user
fi

qemu=$(command -v qemu-i386 || true)
if [ -z "$qemu" ]; then
    echo "setup: qemu-user is installed but qemu-i386 was not found" >&2
    exit 1
fi

binfmt=/proc/sys/fs/binfmt_misc
if [ ! -e "$binfmt/register" ]; then
    mount -t binfmt_misc binfmt_misc "$binfmt"
fi
entry="$binfmt/qemu-i386"
if [ -e "$entry" ] && ! grep -qx "interpreter $qemu" "$entry"; then
    echo -1 >"$entry"  # another interpreter: replace it
fi
if [ ! -e "$entry" ]; then
    # ELF, 32-bit, little-endian, executable or shared object, machine i386.
    # F: the interpreter is opened now, so it is found whatever the program's
    # root and mounts.
    echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' \
        >"$binfmt/register"
fi
echo 1 >"$entry"

if ! i386_runs; then
    echo "setup: 32-bit x86 programs still do not run under $qemu" >&2
    exit 1
fi
echo "setup: 32-bit x86 programs run under emulation ($("$qemu" --version | head -n 1))"

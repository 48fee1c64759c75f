#!/usr/bin/env python3
"""Fills in an exe's delay-import directory after the link.

GNU ld puts the delay-load descriptors the delay-load import libraries carry
into the image, where the delay-load helper finds them, but leaves the PE
header's delay-import directory empty, so tools that list what a program
loads (and the program's release check) would not see them. This finds the
descriptors of the DLLs named on the command line, which lie one after the
other and end in an all-zero one, and points the directory at them.

    delay-directory.py EXE DLL...
"""
import struct
import sys

DELAY_IMPORT = 13
DESCRIPTOR = struct.Struct("<8I")  # attributes, name, module, IAT, INT, bound, unload, stamp


def main():
    exe, wanted = sys.argv[1], {name.lower() for name in sys.argv[2:]}
    data = bytearray(open(exe, "rb").read())
    header = struct.unpack_from("<I", data, 0x3C)[0]
    section_count = struct.unpack_from("<H", data, header + 6)[0]
    optional = header + 24
    directory = optional + 96 + 8 * DELAY_IMPORT
    table = optional + struct.unpack_from("<H", data, header + 20)[0]
    sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(section_count)]

    def offset(rva):
        for size, start, raw_size, raw in sections:
            if start <= rva < start + max(size, raw_size):
                return raw + rva - start
        return None

    def name_at(rva):
        at = offset(rva)
        if at is None:
            return None
        end = data.find(b"\0", at, at + 64)
        return data[at:end].decode("ascii", "replace").lower() if end > at else None

    found = {}
    for size, start, raw_size, raw in sections:
        for at in range(raw, raw + raw_size - DESCRIPTOR.size + 1, 4):
            fields = DESCRIPTOR.unpack_from(data, at)
            if fields[0] == 1 and name_at(fields[1]) in wanted:  # RVA-based descriptors
                found[name_at(fields[1])] = start + at - raw
    if set(found) != wanted:
        sys.exit(f"delay-directory: no delay-load descriptor for {sorted(wanted - set(found))}")
    first = min(found.values())
    end = first + DESCRIPTOR.size * len(found)
    if sorted(found.values()) != list(range(first, end, DESCRIPTOR.size)):
        sys.exit("delay-directory: the descriptors do not lie one after the other")
    if any(data[offset(end):offset(end) + DESCRIPTOR.size]):
        sys.exit("delay-directory: the descriptors do not end in an all-zero one")
    struct.pack_into("<II", data, directory, first, end + DESCRIPTOR.size - first)
    if struct.unpack_from("<I", data, optional + 64)[0]:
        struct.pack_into("<I", data, optional + 64, checksum(data, optional + 64))
    open(exe, "wb").write(data)


def checksum(data, field):
    """The PE header's checksum: 16-bit words summed with their carries,
    the checksum field itself left out, plus the file's length."""
    padded = bytes(data) + b"\0" * (len(data) % 2)
    total = 0
    for i, (word,) in enumerate(struct.iter_unpack("<H", padded)):
        if field <= 2 * i < field + 4:
            continue
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return ((total & 0xFFFF) + (total >> 16)) + len(data)


if __name__ == "__main__":
    main()

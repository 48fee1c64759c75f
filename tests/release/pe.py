"""Reads what the release checks need from a 32-bit Windows program (PE32):
the file header, the optional header's subsystem, the imported DLLs and the
time stamps the format has room for."""
import struct
from pathlib import Path
from dataclasses import dataclass, field

# What the program may import: Windows' own DLLs, nothing of a toolchain's.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll",
               "shell32.dll", "ole32.dll", "oleaut32.dll", "advapi32.dll", "msvcrt.dll",
               "psapi.dll", "version.dll"}

MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
SUBSYSTEM_WINDOWS_GUI = 2
DIR_EXPORT, DIR_IMPORT, DIR_RESOURCE, DIR_DEBUG = 0, 1, 2, 6


@dataclass
class Section:
    name: str
    rva: int
    virtual_size: int
    raw_offset: int
    raw_size: int


@dataclass
class PE:
    data: bytes
    machine: int
    timestamp: int
    magic: int
    subsystem: int
    checksum: int
    directories: list = field(default_factory=list)  # (rva, size) pairs
    sections: list = field(default_factory=list)

    def offset(self, rva):
        for s in self.sections:
            if s.rva <= rva < s.rva + max(s.virtual_size, s.raw_size):
                return s.raw_offset + rva - s.rva
        raise ValueError(f"RVA {rva:#x} lies in no section")

    def u16(self, rva):
        return struct.unpack_from("<H", self.data, self.offset(rva))[0]

    def u32(self, rva):
        return struct.unpack_from("<I", self.data, self.offset(rva))[0]

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def section_of(self, file_offset):
        """The name of the section or header field a file offset lies in."""
        for s in self.sections:
            if s.raw_offset <= file_offset < s.raw_offset + s.raw_size:
                return s.name
        header = struct.unpack_from("<I", self.data, 0x3C)[0]
        fields = {header + 8: "header's time stamp", header + 24 + 64: "header's checksum"}
        for start, name in fields.items():
            if start <= file_offset < start + 4:
                return name
        body = min(s.raw_offset for s in self.sections if s.raw_size)
        return "headers" if file_offset < body else "past the sections"

    def imports(self):
        rva, size = self.directories[DIR_IMPORT]
        names = []
        while size and self.u32(rva + 12):  # each descriptor's Name, until the empty one
            names.append(self.c_string(self.u32(rva + 12)).lower())
            rva += 20
        return sorted(set(names))

    def debug_timestamps(self):
        """The time stamps of the debug directory's entries (none if it has none)."""
        rva, size = self.directories[DIR_DEBUG]
        return [self.u32(rva + i * 28 + 4) for i in range(size // 28)] if size else []

    def resource_timestamps(self):
        """The time stamps of every directory table in the resources."""
        base, size = self.directories[DIR_RESOURCE]
        if not size:
            return []
        stamps, tables = [], [base]
        while tables:
            table = tables.pop()
            stamps.append(self.u32(table + 4))
            count = self.u16(table + 12) + self.u16(table + 14)
            for i in range(count):
                target = self.u32(table + 16 + 8 * i + 4)
                if target & 0x80000000:  # a subdirectory, not a leaf
                    tables.append(base + (target & 0x7FFFFFFF))
        return stamps

    def export_timestamp(self):
        rva, size = self.directories[DIR_EXPORT]
        return self.u32(rva + 4) if size else None


def read(path):
    return read_bytes(Path(path).read_bytes(), path)


def read_bytes(data, path="the image"):
    if data[:2] != b"MZ":
        raise ValueError(f"{path}: no MZ header")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError(f"{path}: no PE signature")
    machine, section_count, timestamp = struct.unpack_from("<HHI", data, pe + 4)
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    if magic != PE32_MAGIC:
        raise ValueError(f"{path}: not PE32 (optional header magic {magic:#x})")
    checksum = struct.unpack_from("<I", data, opt + 64)[0]
    subsystem = struct.unpack_from("<H", data, opt + 68)[0]
    dir_count = struct.unpack_from("<I", data, opt + 92)[0]
    directories = [struct.unpack_from("<II", data, opt + 96 + 8 * i) for i in range(dir_count)]
    sections = []
    for i in range(section_count):
        at = opt + optional_size + 40 * i
        name = data[at:at + 8].rstrip(b"\0").decode("ascii", "replace")
        vsize, rva, raw_size, raw_offset = struct.unpack_from("<IIII", data, at + 8)
        sections.append(Section(name, rva, vsize, raw_offset, raw_size))
    return PE(data, machine, timestamp, magic, subsystem, checksum, directories, sections)

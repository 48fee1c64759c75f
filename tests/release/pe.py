"""What the release checks and the benchmark read from a 32-bit Windows
program (PE32), through pefile: the headers, the DLLs it imports when it
starts and those it delay-loads, the time stamps the format has room for,
and its resources.
"""
from dataclasses import dataclass
from pathlib import Path

import pefile

# What the program may use: Windows' own DLLs, nothing of a toolchain's.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll",
               "shell32.dll", "ole32.dll", "oleaut32.dll", "oleacc.dll", "advapi32.dll",
               "msvcrt.dll", "psapi.dll", "version.dll", "winmm.dll"}

MACHINE_I386 = pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]
PE32_MAGIC = pefile.OPTIONAL_HEADER_MAGIC_PE
SUBSYSTEM_WINDOWS_GUI = pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"]
DYNAMIC_BASE = pefile.DLL_CHARACTERISTICS["IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE"]
NX_COMPAT = pefile.DLL_CHARACTERISTICS["IMAGE_DLLCHARACTERISTICS_NX_COMPAT"]
TERMINAL_SERVER_AWARE = pefile.DLL_CHARACTERISTICS[
    "IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE"]
RELOCS_STRIPPED = pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_RELOCS_STRIPPED"]


@dataclass
class PE:
    data: bytes
    image: pefile.PE

    @property
    def machine(self):
        return self.image.FILE_HEADER.Machine

    @property
    def timestamp(self):
        return self.image.FILE_HEADER.TimeDateStamp

    @property
    def magic(self):
        return self.image.OPTIONAL_HEADER.Magic

    @property
    def subsystem(self):
        return self.image.OPTIONAL_HEADER.Subsystem

    @property
    def dll_characteristics(self):
        return self.image.OPTIONAL_HEADER.DllCharacteristics

    @property
    def relocatable(self):
        """Carries base relocations, so Windows can load it anywhere."""
        relocations = self.image.OPTIONAL_HEADER.DATA_DIRECTORY[
            pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
        return relocations.Size > 0 and not self.image.FILE_HEADER.Characteristics & RELOCS_STRIPPED

    def checksum_valid(self):
        stored = self.image.OPTIONAL_HEADER.CheckSum
        return stored == 0 or stored == self.image.generate_checksum()

    def imports(self):
        """The DLLs bound when the program starts, lower case."""
        return sorted({e.dll.decode().lower() for e in getattr(self.image, "DIRECTORY_ENTRY_IMPORT", [])})

    def delay_imports(self):
        """The DLLs loaded on the first call of one of their functions."""
        return sorted({e.dll.decode().lower()
                       for e in getattr(self.image, "DIRECTORY_ENTRY_DELAY_IMPORT", [])})

    def used_dlls(self):
        return sorted(set(self.imports()) | set(self.delay_imports()))

    def debug_timestamps(self):
        """The time stamps of the debug directory's entries (none if it has none)."""
        return [d.struct.TimeDateStamp for d in getattr(self.image, "DIRECTORY_ENTRY_DEBUG", [])]

    def resource_timestamps(self):
        """The time stamps of every directory table in the resources."""
        stamps, tables = [], [getattr(self.image, "DIRECTORY_ENTRY_RESOURCE", None)]
        while tables:
            table = tables.pop()
            if table is None:
                continue
            stamps.append(table.struct.TimeDateStamp)
            tables += [entry.directory for entry in table.entries if hasattr(entry, "directory")]
        return stamps

    def resources(self, type_id):
        """The resources of one type, {numeric name: bytes} (first language)."""
        found = {}
        for kind in getattr(self.image, "DIRECTORY_ENTRY_RESOURCE", None).entries:
            if kind.id != type_id:
                continue
            for name in kind.directory.entries:
                entry = name.directory.entries[0].data.struct
                found[name.id] = self.image.get_data(entry.OffsetToData, entry.Size)
        return found

    def export_timestamp(self):
        exports = getattr(self.image, "DIRECTORY_ENTRY_EXPORT", None)
        return exports.struct.TimeDateStamp if exports else None

    def section_of(self, file_offset):
        """The name of the section or header field a file offset lies in."""
        for s in self.image.sections:
            if s.PointerToRawData <= file_offset < s.PointerToRawData + s.SizeOfRawData:
                return s.Name.rstrip(b"\0").decode("ascii", "replace")
        fields = {self.image.FILE_HEADER.get_field_absolute_offset("TimeDateStamp"):
                  "header's time stamp",
                  self.image.OPTIONAL_HEADER.get_field_absolute_offset("CheckSum"):
                  "header's checksum"}
        for start, name in fields.items():
            if start <= file_offset < start + 4:
                return name
        body = min(s.PointerToRawData for s in self.image.sections if s.SizeOfRawData)
        return "headers" if file_offset < body else "past the sections"


def read(path):
    return read_bytes(Path(path).read_bytes(), path)


def read_bytes(data, path="the image"):
    try:
        image = pefile.PE(data=data)
    except pefile.PEFormatError as error:
        raise ValueError(f"{path}: {error}") from error
    return PE(data, image)

#!/usr/bin/env python3
"""Checks that EXE is a 32-bit x86 Windows GUI program (PE32) whose every imported DLL, the
delay-loaded ones included, is one that Windows keeps in its system folder.

  check_imports.py EXE

A DLL from anywhere else would be looked for beside the program first, where anyone who can
write to that folder can put one of their own.
"""

import struct
import sys

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "shell32.dll", "ole32.dll",
    "advapi32.dll", "msvcrt.dll", "uxtheme.dll", "shlwapi.dll",
}
MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
SUBSYSTEM_WINDOWS_GUI = 2
IMPORT_DIRECTORY = 1
DELAY_IMPORT_DIRECTORY = 13
RESOURCE_DIRECTORY = 2


class BadImage(Exception):
    pass


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise BadImage("no MZ header")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise BadImage("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data,
                                                                             pe + 4)
        optional = pe + 24
        self.magic = self.u16(optional)
        if self.magic != PE32_MAGIC:
            return  # the layout below is PE32's
        self.subsystem = self.u16(optional + 68)
        directory_count = self.u32(optional + 92)
        self.directories = [struct.unpack_from("<II", data, optional + 96 + 8 * i)
                            for i in range(directory_count)]
        table = optional + optional_size
        self.sections = []
        for i in range(sections):
            virtual_size, address, raw_size, raw_offset = struct.unpack_from(
                "<IIII", data, table + 40 * i + 8)
            self.sections.append((address, max(virtual_size, raw_size), raw_offset))

    def u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def offset(self, rva):
        for address, size, raw_offset in self.sections:
            if address <= rva < address + size:
                return raw_offset + rva - address
        raise BadImage(f"address {rva:#x} is in no section")

    def name_at(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii", "replace")

    def imported_dlls(self):
        """Names from the import table (20-byte descriptors, name at +12) and the delay-load
        table (32-byte descriptors, name at +4); both end with a zeroed descriptor."""
        names = []
        for index, size, name_field in ((IMPORT_DIRECTORY, 20, 12), (DELAY_IMPORT_DIRECTORY, 32, 4)):
            if index >= len(self.directories) or self.directories[index][0] == 0:
                continue
            descriptor = self.offset(self.directories[index][0])
            while any(self.data[descriptor:descriptor + size]):
                names.append(self.name_at(self.u32(descriptor + name_field)))
                descriptor += size
        return names

    def resource_types(self):
        """The numbered types of the resource directory's root (RT_ICON 3, RT_RCDATA 10, ...):
        a 16-byte header with the counts of named and numbered entries at +12 and +14, then
        8-byte entries, the named ones first."""
        if RESOURCE_DIRECTORY >= len(self.directories) or self.directories[RESOURCE_DIRECTORY][0] == 0:
            return []
        root = self.offset(self.directories[RESOURCE_DIRECTORY][0])
        named, numbered = self.u16(root + 12), self.u16(root + 14)
        first = root + 16 + 8 * named
        return [self.u32(first + 8 * i) & 0xFFFF for i in range(numbered)]


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    path = sys.argv[1]
    try:
        with open(path, "rb") as f:
            image = Image(f.read())
        problems = []
        if image.machine != MACHINE_I386:
            problems.append(f"machine {image.machine:#x}, not i386")
        if image.magic != PE32_MAGIC:
            problems.append(f"optional header magic {image.magic:#x}, not PE32")
        else:
            if image.subsystem != SUBSYSTEM_WINDOWS_GUI:
                problems.append(f"subsystem {image.subsystem}, not the Windows GUI")
            dlls = image.imported_dlls()
            print(f"{path}: imports {', '.join(dlls)}")
            problems += [f"imports {dll}, not one of the allowed system DLLs" for dll in dlls
                         if dll.lower() not in SYSTEM_DLLS]
            if not dlls:
                problems.append("no import table")
    except (BadImage, struct.error, ValueError, OSError) as error:
        problems = [str(error)]
    for problem in problems:
        print(f"{path}: {problem}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Checks the resources built into uninstall.exe: the manifest asks for administrator rights
without UI access and for Common Controls 6.0.0.0 (x86), icon group 1 holds the four images of
the icon (32 x 32 and 16 x 16, in 16 and in 256 colours), and both pictures of the progress
window are there.

  check_resources.py EXE
"""

import re
import struct
import sys

from check_imports import Image  # noqa: E402  (same folder)

RT_ICON, RT_RCDATA, RT_GROUP_ICON, RT_MANIFEST = 3, 10, 14, 24
RESOURCE_DIRECTORY = 2


def resources(image):
    """{(type, id): bytes} of every resource with a numeric type and id, first language."""
    rva, _ = image.directories[RESOURCE_DIRECTORY]
    base = image.offset(rva)
    data = image.data

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            yield name, target

    found = {}
    for kind, kind_target in entries(0):
        if kind & 0x80000000 or not kind_target & 0x80000000:
            continue
        for ident, ident_target in entries(kind_target & 0x7FFFFFFF):
            if ident & 0x80000000 or not ident_target & 0x80000000:
                continue
            for _, leaf in entries(ident_target & 0x7FFFFFFF):
                data_rva, size = struct.unpack_from("<II", data, base + leaf)
                start = image.offset(data_rva)
                found[(kind, ident)] = data[start:start + size]
                break
    return found


def main():
    image = Image(open(sys.argv[1], "rb").read())
    found = resources(image)
    problems = []

    manifest = found.get((RT_MANIFEST, 1), b"").decode("utf-8", "replace")
    if not re.search(r'requestedExecutionLevel\s+level="requireAdministrator"\s+uiAccess="false"',
                     manifest):
        problems.append("manifest: no requireAdministrator without UI access")
    controls = re.search(r'<assemblyIdentity[^>]*name="Microsoft\.Windows\.Common-Controls"[^>]*>',
                         manifest)
    if not controls or 'version="6.0.0.0"' not in controls.group(0) \
            or 'processorArchitecture="x86"' not in controls.group(0):
        problems.append("manifest: no dependency on Common Controls 6.0.0.0 for x86")

    group = found.get((RT_GROUP_ICON, 1))
    if group is None:
        problems.append("no icon group 1")
    else:
        _, kind, count = struct.unpack_from("<HHH", group, 0)
        images = set()
        for i in range(count):
            width, height, _, _, _, bits, size, ident = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
            icon = found.get((RT_ICON, ident))
            if icon is None or len(icon) != size:
                problems.append(f"icon image {ident} missing or of the wrong size")
                continue
            header_width, header_height, _, header_bits = struct.unpack_from("<iiHH", icon, 4)
            images.add((width or 256, height or 256, header_bits))
            if (header_width, header_height) != (width, 2 * height):
                problems.append(f"icon image {ident}: header {header_width} x {header_height}")
        want = {(32, 32, 4), (16, 16, 4), (32, 32, 8), (16, 16, 8)}
        if kind != 1 or images != want:
            problems.append(f"icon group 1 holds {sorted(images)}, want {sorted(want)}")

    emblem = found.get((RT_RCDATA, 101), b"")
    rule = found.get((RT_RCDATA, 102), b"")
    if emblem[:2] != b"BM" or len(emblem) != 4158:
        problems.append("emblem picture (RCDATA 101) missing or not the 55 x 55 8-bit BMP")
    if rule[:4] != b"\xFF\xD8\xFF\xE0" or rule[6:11] != b"JFIF\0":
        problems.append("rule picture (RCDATA 102) missing or not a JFIF JPEG")

    for p in problems:
        print("FAIL", p)
    print("resources:", "ok" if not problems else f"{len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

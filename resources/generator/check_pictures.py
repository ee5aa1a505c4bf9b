#!/usr/bin/env python3
"""Checks the layout of the committed pictures against what the program expects of them.

    check_pictures.py RESOURCES_DIR

Reads the files as the formats define them, independently of make_pictures; prints every
mismatch and exits 1 if there is any.
"""
import struct
import sys


def le(data, offset, fmt):
    return struct.unpack_from("<" + fmt, data, offset)


def bmp_fields(data):
    bf_type, bf_size, bf_reserved, bf_offset = le(data, 0, "2sIII")
    info = dib_fields(data, 14)
    return dict(info, type=bf_type, file_size=bf_size, reserved=bf_reserved, offset=bf_offset, length=len(data))


def dib_fields(data, at):
    size, width, height, planes, bits, compression, image_size, _, _, used, _ = le(data, at, "IiiHHIIiiII")
    return dict(header=size, width=width, height=height, planes=planes, bits=bits, compression=compression,
                image_size=image_size, colours_used=used)


def ico_entries(data):
    reserved, kind, count = le(data, 0, "HHH")
    entries = []
    for i in range(count):
        width, height, colours, _, planes, bits, size, offset = le(data, 6 + 16 * i, "BBBBHHII")
        dib = dib_fields(data, offset)
        entries.append(dict(width=width, height=height, colours=colours, planes=planes, bits=bits, size=size,
                            dib_width=dib["width"], dib_height=dib["height"], dib_bits=dib["bits"],
                            compression=dib["compression"], ends=offset + size))
    return reserved, kind, entries


def jpeg_segments(data):
    """Marker and payload of every segment up to the start of scan."""
    if data[:2] != b"\xff\xd8":
        return []
    segments, at = [(0xD8, b"")], 2
    while at + 4 <= len(data) and data[at] == 0xFF:
        marker, length = data[at + 1], struct.unpack_from(">H", data, at + 2)[0]
        segments.append((marker, data[at + 4:at + 2 + length]))
        if marker == 0xDA:
            break
        at += 2 + length
    return segments


def jpeg_fields(data):
    segments = jpeg_segments(data)
    markers = [m for m, _ in segments]
    app0 = next((p for m, p in segments if m == 0xE0), b"")
    sof = next((p for m, p in segments if 0xC0 <= m <= 0xCF and m not in (0xC4, 0xC8, 0xCC)), b"")
    fields = dict(first=markers[:2], frames=[m for m in markers if 0xC0 <= m <= 0xCF and m not in (0xC4, 0xC8, 0xCC)],
                  ends_with_eoi=data[-2:] == b"\xff\xd9")
    if len(app0) >= 12:
        fields.update(jfif=app0[:5], version=(app0[5], app0[6]), unit=app0[7],
                      density=struct.unpack_from(">HH", app0, 8))
    if len(sof) >= 6:
        precision, height, width, components = struct.unpack_from(">BHHB", sof, 0)
        fields.update(precision=precision, size=(width, height), components=components,
                      sampling=[sof[6 + 3 * i + 1] for i in range(components)])
    return fields


def check(name, actual, expected):
    wrong = [f"{name}: {key} is {actual.get(key)!r}, expected {value!r}"
             for key, value in expected.items() if actual.get(key) != value]
    return wrong


def main(directory):
    errors = []
    with open(f"{directory}/emblem.bmp", "rb") as f:
        bmp = f.read()
    errors += check("emblem.bmp", bmp_fields(bmp), dict(
        type=b"BM", length=4158, file_size=4158, reserved=0, offset=14 + 40 + 1024, header=40, width=55, height=55,
        planes=1, bits=8, compression=0, image_size=56 * 55))

    with open(f"{directory}/uninstall.ico", "rb") as f:
        ico = f.read()
    reserved, kind, entries = ico_entries(ico)
    errors += check("uninstall.ico", dict(reserved=reserved, kind=kind, count=len(entries)),
                    dict(reserved=0, kind=1, count=4))
    # size, bits, colour count in the directory, bytes: header + palette + colour rows + mask rows
    expected_images = [(32, 4, 16, 40 + 64 + 16 * 32 + 4 * 32), (16, 4, 16, 40 + 64 + 8 * 16 + 4 * 16),
                       (32, 8, 0, 40 + 1024 + 32 * 32 + 4 * 32), (16, 8, 0, 40 + 1024 + 16 * 16 + 4 * 16)]
    for i, (size, bits, colours, length) in enumerate(expected_images):
        if i < len(entries):
            errors += check(f"uninstall.ico image {i}", entries[i], dict(
                width=size, height=size, colours=colours, planes=1, bits=bits, size=length, dib_width=size,
                dib_height=2 * size, dib_bits=bits, compression=0))
    if entries and entries[-1]["ends"] != len(ico):
        errors.append(f"uninstall.ico: last image ends at {entries[-1]['ends']}, file has {len(ico)} bytes")

    with open(f"{directory}/rule.jpg", "rb") as f:
        jpeg = f.read()
    errors += check("rule.jpg", jpeg_fields(jpeg), dict(
        first=[0xD8, 0xE0], frames=[0xC0], ends_with_eoi=True, jfif=b"JFIF\0", version=(1, 1), unit=1,
        density=(96, 96), precision=8, size=(497, 2), components=3, sampling=[0x22, 0x11, 0x11]))

    for error in errors:
        print(error)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))

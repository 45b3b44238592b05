#!/usr/bin/python3
"""Prints what Explorer's Properties show of a Windows program, read back
from the built file with pefile: its version information, one line a value,
and a fingerprint of its icon's images.

    pe-info.py PROGRAM.exe    the version information and "Icon images: ..."
    pe-info.py --icon FILE.ico  "Icon images: ..." of an icon file, to compare
    pe-info.py --pin PROGRAM.exe  the SHA-256 of the package it installs
                                  (its PACKAGE_SHA256 resource), "none" without
"""
import hashlib
import struct
import sys

import pefile


def fingerprint(images):
    return "Icon images: " + " ".join(sorted(hashlib.sha256(i).hexdigest()[:16] for i in images))


def icon_file_images(path):
    data = open(path, "rb").read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        sys.exit(f"{path} is not an icon file")
    images = []
    for i in range(count):
        size, offset = struct.unpack_from("<II", data, 6 + 16 * i + 8)
        images.append(data[offset:offset + size])
    return images


def version_text(ms, ls):
    return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"


def program_lines(path):
    pe = pefile.PE(path)
    lines = []
    for info in getattr(pe, "FileInfo", [[]])[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                lines.append(f"Language: {table.LangID.decode()}")
                for key, value in table.entries.items():
                    lines.append(f"{key.decode()}: {value.decode()}")
    if hasattr(pe, "VS_FIXEDFILEINFO"):
        fixed = pe.VS_FIXEDFILEINFO[0]
        lines.append("Fixed file version: " + version_text(fixed.FileVersionMS, fixed.FileVersionLS))
        lines.append("Fixed product version: " + version_text(fixed.ProductVersionMS, fixed.ProductVersionLS))
    images = []
    resources = pe.DIRECTORY_ENTRY_RESOURCE.entries if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE") else []
    for kind in resources:
        if kind.id == pefile.RESOURCE_TYPE["RT_ICON"]:
            for name in kind.directory.entries:
                for language in name.directory.entries:
                    entry = language.data.struct
                    images.append(pe.get_data(entry.OffsetToData, entry.Size))
    lines.append(fingerprint(images))
    return lines


def package_pin(path):
    pe = pefile.PE(path)
    resources = pe.DIRECTORY_ENTRY_RESOURCE.entries if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE") else []
    for kind in resources:
        if kind.id == pefile.RESOURCE_TYPE["RT_RCDATA"]:
            for name in kind.directory.entries:
                if str(name.name) == "PACKAGE_SHA256":
                    entry = name.directory.entries[0].data.struct
                    return pe.get_data(entry.OffsetToData, entry.Size).decode("ascii").rstrip("\0")
    return "none"


if len(sys.argv) == 3 and sys.argv[1] == "--icon":
    print(fingerprint(icon_file_images(sys.argv[2])))
elif len(sys.argv) == 3 and sys.argv[1] == "--pin":
    print(package_pin(sys.argv[2]))
elif len(sys.argv) == 2:
    print("\n".join(program_lines(sys.argv[1])))
else:
    sys.exit(__doc__)

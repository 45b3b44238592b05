#!/usr/bin/env python3
"""Reads the built setup.exe's PE headers: its load-configuration directory
tells Windows (10 1607 and later) to take the program's imported DLLs from
System32 alone, and is laid out so that the loader reads it.

    check-load-config.py setup.exe
"""
import struct
import sys

LOAD_CONFIG_ENTRY = 10
LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x800
DEPENDENT_LOAD_FLAGS_END = 56  # the field is the WORD at offset 54
SECURITY_COOKIE, SE_HANDLER_TABLE, SE_HANDLER_COUNT = 60, 64, 68
DEFAULT_SECURITY_COOKIE = 0xBB40E64E
IMAGE_SCN_MEM_WRITE = 0x80000000


def main(path):
    image = open(path, "rb").read()
    problems = []
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    assert image[pe:pe + 4] == b"PE\0\0", f"{path} is not a PE image"
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    assert struct.unpack_from("<H", image, optional)[0] == 0x10B, f"{path} is not a 32-bit image"
    image_base = struct.unpack_from("<I", image, optional + 28)[0]
    rva, entry_size = struct.unpack_from("<2I", image, optional + 96 + 8 * LOAD_CONFIG_ENTRY)
    if rva == 0:
        sys.exit(f"{path} has no load-configuration directory")

    table = [struct.unpack_from("<8s4I12xI", image, optional + optional_size + 40 * i) for i in range(sections)]

    def locate(address):  # (file offset, section flags) of an RVA in the file's sections
        for _, virtual_size, virtual_address, raw_size, raw_offset, flags in table:
            if virtual_address <= address < virtual_address + min(virtual_size, raw_size):
                return raw_offset + address - virtual_address, flags
        return None, 0

    offset, flags = locate(rva)
    if offset is None:
        sys.exit(f"the load-configuration directory (RVA {rva:#x}) lies in no section")
    if flags & IMAGE_SCN_MEM_WRITE:
        problems.append("the load-configuration directory lies in a writable section")
    size = struct.unpack_from("<I", image, offset)[0]
    if entry_size not in (64, size):
        problems.append(f"the directory entry's size {entry_size} is neither 64 nor the structure's {size}")
    if size < DEPENDENT_LOAD_FLAGS_END:
        problems.append(f"the structure ({size} bytes) ends before DependentLoadFlags")
    flags_value = struct.unpack_from("<H", image, offset + 54)[0]
    if flags_value != LOAD_LIBRARY_SEARCH_SYSTEM32:
        problems.append(f"DependentLoadFlags is {flags_value:#x}, not LOAD_LIBRARY_SEARCH_SYSTEM32")

    # A cookie, if one is named, must be where the loader can write it, and
    # hold the value the loader replaces (else Windows refuses the program).
    cookie, handler_table, handler_count = (struct.unpack_from("<I", image, offset + o)[0]
                                            for o in (SECURITY_COOKIE, SE_HANDLER_TABLE, SE_HANDLER_COUNT))
    if cookie:
        cookie_offset, cookie_flags = locate(cookie - image_base)
        if cookie_offset is None or not cookie_flags & IMAGE_SCN_MEM_WRITE:
            problems.append("the security cookie is not in a writable section of the file")
        elif struct.unpack_from("<I", image, cookie_offset)[0] != DEFAULT_SECURITY_COOKIE:
            problems.append("the security cookie does not hold its default value")
    if bool(handler_table) != bool(handler_count):
        problems.append("the SafeSEH table and its count disagree")

    for problem in problems:
        print(f"{path}: {problem}", file=sys.stderr)
    return 1 if problems else 0


sys.exit(main(sys.argv[1]))

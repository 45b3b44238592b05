#!/usr/bin/env python3
"""Sets in a linked setup.exe what GNU ld 2.40 has no option for.

    finish-image.py PROGRAM.exe [PROGRAM.map]

- Run from the swap file when started from removable or network media
  (IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP | IMAGE_FILE_NET_RUN_FROM_SWAP): the
  program is installed from a disc, and a disc taken out must not pull code
  pages from under it.
- With the link map (32-bit builds): points the load-configuration directory
  entry at the _load_config_used structure (LoadConfig.cpp), which ld links
  but leaves unnamed (later versions fill it themselves). The entry's size
  is the structure's own Size field, as LLD sets it.

The PE checksum is computed again. The result is written beside the program
and renamed over it, and on any failure the program is removed, so that an
interrupted or failed build never leaves an unfinished setup.exe that counts
as up to date. Fails loudly when anything is not as expected.
"""
import os
import re
import struct
import sys

LOAD_CONFIG_ENTRY = 10
RUN_FROM_SWAP = 0x0400 | 0x0800  # IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP | IMAGE_FILE_NET_RUN_FROM_SWAP
SYMBOL = "_load_config_used"  # the link map shows 32-bit names without their underscore


def fail(message):
    sys.exit(f"finish-image: {message}")


def structure_address(map_path):
    pattern = re.compile(r"^\s+0x([0-9a-fA-F]+)\s+" + SYMBOL + r"\s*$")
    with open(map_path, encoding="utf-8", errors="replace") as link_map:
        found = {int(m.group(1), 16) for m in map(pattern.match, link_map) if m}
    if len(found) != 1:
        fail(f"{map_path} gives {len(found)} addresses for {SYMBOL}")
    return found.pop()


def pe_checksum(image, checksum_offset):
    total = 0
    data = image[:checksum_offset] + b"\0\0\0\0" + image[checksum_offset + 4:]
    if len(data) % 2:
        data += b"\0"
    for (word,) in struct.iter_unpack("<H", data):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total & 0xFFFF) + len(image)


def set_load_config_entry(image, pe, optional, optional_size, exe_path, map_path):
    sections = struct.unpack_from("<H", image, pe + 6)[0]
    if struct.unpack_from("<H", image, optional)[0] != 0x10B:
        fail(f"{exe_path} is not a 32-bit image: this structure's layout is the 32-bit one")
    image_base = struct.unpack_from("<I", image, optional + 28)[0]
    entry_offset = optional + 96 + 8 * LOAD_CONFIG_ENTRY

    rva = structure_address(map_path) - image_base
    file_offset = None
    for i in range(sections):
        header = pe + 24 + optional_size + 40 * i
        virtual_size, virtual_address, raw_size, raw_offset = struct.unpack_from("<4I", image, header + 8)
        if virtual_address <= rva < virtual_address + min(virtual_size, raw_size):
            file_offset = raw_offset + rva - virtual_address
            limit = virtual_address + min(virtual_size, raw_size)
    if file_offset is None:
        fail(f"{SYMBOL} (RVA {rva:#x}) lies in no section of {exe_path}")
    size = struct.unpack_from("<I", image, file_offset)[0]
    if size < 64 or rva + size > limit:
        fail(f"{SYMBOL} gives the impossible size {size}")

    current = struct.unpack_from("<2I", image, entry_offset)
    if current not in ((0, 0), (rva, size)):
        fail(f"{exe_path} already has a load-configuration entry {current}, not ({rva:#x}, {size})")
    struct.pack_into("<2I", image, entry_offset, rva, size)


def finish(exe_path, map_path):
    image = bytearray(open(exe_path, "rb").read())
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        fail(f"{exe_path} is not a PE image")
    optional_size = struct.unpack_from("<H", image, pe + 20)[0]
    optional = pe + 24
    characteristics = pe + 22
    struct.pack_into("<H", image, characteristics, struct.unpack_from("<H", image, characteristics)[0] | RUN_FROM_SWAP)
    if map_path:
        set_load_config_entry(image, pe, optional, optional_size, exe_path, map_path)
    # The checksum's place is the same in 32- and 64-bit optional headers.
    checksum_offset = optional + 64
    struct.pack_into("<I", image, checksum_offset, pe_checksum(bytes(image), checksum_offset))
    finished = exe_path + ".finished"
    with open(finished, "wb") as out:
        out.write(image)
    os.replace(finished, exe_path)


def main():
    if len(sys.argv) not in (2, 3):
        fail("usage: finish-image.py PROGRAM.exe [PROGRAM.map]")
    exe_path = sys.argv[1]
    map_path = sys.argv[2] if len(sys.argv) == 3 else None
    try:
        finish(exe_path, map_path)
    except BaseException:
        for path in (exe_path + ".finished", exe_path):
            if os.path.exists(path):
                os.remove(path)
        raise


main()

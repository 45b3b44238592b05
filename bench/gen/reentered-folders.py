#!/usr/bin/env python3
"""Writes two data.z packages with the same records: N folders, each
entered twice (once empty, once to put a file in it), once in natural
order (each folder's two visits one after the other) and once with every
folder's second visit after all first visits.

usage: reentered-folders.py N NATURAL.z REENTERED.z
"""
import struct
import sys


def header():
    return struct.pack('<i', 2) + b'app.exe\0Bench re-entered\0Bench\0' + struct.pack('<i', 0)


def enter(name):
    return b'\0' + name + b'\0'


LEAVE = b'\1'


def file_record(name, data):
    return b'\2' + name + b'\0' + struct.pack('<i', len(data)) + data


def main():
    count, natural, reentered = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    names = [b'f%d' % i for i in range(count)]
    first = [enter(n) + LEAVE for n in names]
    second = [enter(n) + file_record(b'a', b'x') + LEAVE for n in names]
    # The version folder exists beforehand (see bench/run.sh): the folders
    # below it are made by the run, their files recorded by name.
    start, end = enter(b'1.0'), file_record(b'app.exe', b'MZ') + LEAVE
    with open(natural, 'wb') as out:
        out.write(header() + start + b''.join(a + b for a, b in zip(first, second)) + end)
    with open(reentered, 'wb') as out:
        out.write(header() + start + b''.join(first) + b''.join(second) + end)


main()

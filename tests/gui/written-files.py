#!/usr/bin/env python3
"""Watches every file under FOLDER that a program writes and closes, and
reads it through the descriptor the kernel hands with each event (fanotify),
so that a file removed right after it was closed is read too. Prints
"watching" once it watches. When STOP_FILE appears it reads the events left
and prints, for each file closed under FOLDER, "closed PATH", and
"changed PATH" for each that held the bytes of NEEDLE_FILE. It gives up
after five minutes (a test that failed before it could stop it).
  written-files.py FOLDER NEEDLE_FILE STOP_FILE
Needs the right to watch a whole file system (root)."""
import ctypes
import os
import select
import struct
import sys
import time

FAN_CLOEXEC, FAN_NONBLOCK = 0x1, 0x2
FAN_MARK_ADD, FAN_MARK_FILESYSTEM = 0x1, 0x100
FAN_CLOSE_WRITE = 0x8
AT_FDCWD = -100
EVENT = struct.Struct("=IBBHQii")  # struct fanotify_event_metadata

folder, needle_file, stop_file = sys.argv[1:4]
libc = ctypes.CDLL(None, use_errno=True)
libc.fanotify_mark.argtypes = [ctypes.c_int, ctypes.c_uint, ctypes.c_uint64, ctypes.c_int, ctypes.c_char_p]
watch = libc.fanotify_init(FAN_CLOEXEC | FAN_NONBLOCK, os.O_RDONLY | os.O_LARGEFILE)
# The folder does not exist yet: the file system it will be made on is watched.
mount = os.path.dirname(folder.rstrip("/"))
while not os.path.isdir(mount):
    mount = os.path.dirname(mount)
if watch < 0 or libc.fanotify_mark(watch, FAN_MARK_ADD | FAN_MARK_FILESYSTEM, FAN_CLOSE_WRITE, AT_FDCWD,
                                   mount.encode()) != 0:
    sys.exit("written-files.py: cannot watch the writes: " + os.strerror(ctypes.get_errno()))
print("watching", flush=True)

closed = []  # (path, contents)
def read_events():
    while True:
        try:
            buffer = os.read(watch, 65536)
        except BlockingIOError:
            return
        at = 0
        while at + EVENT.size <= len(buffer):
            length, _, _, _, _, fd, _ = EVENT.unpack_from(buffer, at)
            at += length
            if fd < 0:
                continue
            try:
                path = os.readlink(f"/proc/self/fd/{fd}").removesuffix(" (deleted)")
                if path.startswith(folder.rstrip("/") + "/"):
                    closed.append((path, os.pread(fd, os.fstat(fd).st_size, 0)))
            finally:
                os.close(fd)

deadline = time.monotonic() + 300
while not os.path.exists(stop_file) and time.monotonic() < deadline:
    select.select([watch], [], [], 0.1)
    read_events()
read_events()
needle = open(needle_file, "rb").read()
for path, contents in closed:
    print("closed", path)
    if needle in contents:
        print("changed", path)

#!/usr/bin/env python3
"""Writes small valid Tolvin.dat seeds of both layouts beside this script."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
ARRAYS_10 = [21764, 22084, 22404, 22724, 20484, 20804, 21124, 21444]
ARRAYS_12 = [23056, 23376, 23696, 24016, 20496, 20816, 21136, 21456,
             21776, 22096, 22416, 22736]


def legacy_file(layout12, highest):
    size, count_at, names_at, arrays = (
        (24341, 12, 16, ARRAYS_12) if layout12 else (23044, 0, 4, ARRAYS_10))
    data = bytearray(size)
    if layout12:
        data[0:7] = b"Pamuro\0"
    struct.pack_into("<i", data, count_at, highest)
    for s in range(80):
        name = ("無題" if s == 0 else "game %d" % s).encode("cp932")
        data[names_at + s * 256:names_at + s * 256 + len(name)] = name
        for slot, at in enumerate(arrays):
            struct.pack_into("<i", data, at + s * 4, 0x41 + (s + slot) % 26)
    return bytes(data)


SEEDS = {
    "v10_highest4": legacy_file(False, 4),
    "v10_highest0": legacy_file(False, 0),
    "v12_highest4": legacy_file(True, 4),
    "v12_highest200": legacy_file(True, 200),
    "v12_half": legacy_file(True, 7)[:12170],
    "signature_only": b"Pamuro\0",
}
for name, data in SEEDS.items():
    with open(os.path.join(HERE, name + ".dat"), "wb") as out:
        out.write(data)

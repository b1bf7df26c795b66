#!/usr/bin/env python3
"""Writes the seed corpus of the LV2 patch message fuzzer into
fuzz/corpus/lv2_patch_message/: control sequence bodies holding editor-size
patch:Set and patch:Get messages with the fuzzer's URIDs (Sequence 2,
Object 3, Tuple 4, Int 5, Float 6, URID 7, Set 8, Get 9, property 10,
value 11, editor size 12), each followed by the two bytes the fuzzer takes
for the notify capacity."""
import os
import struct
import sys


def atom(type_, body):
    return struct.pack("<II", len(body), type_) + body + b"\0" * (-len(body) % 8)


def prop(key, value):
    return struct.pack("<II", key, 0) + value


def size_set(width, height, scale):
    value = atom(4, atom(5, struct.pack("<i", width)) + atom(5, struct.pack("<i", height)) +
                 atom(6, struct.pack("<f", scale)))
    return atom(3, struct.pack("<II", 0, 8) + prop(10, atom(7, struct.pack("<I", 12))) +
                prop(11, value))


def size_get(with_property=True):
    props = prop(10, atom(7, struct.pack("<I", 12))) if with_property else b""
    return atom(3, struct.pack("<II", 0, 9) + props)


def sequence(*events):
    return struct.pack("<II", 0, 0) + b"".join(struct.pack("<q", 0) + e for e in events)


SEEDS = {
    "set": sequence(size_set(1000, 700, 1.5)),
    "get": sequence(size_get()),
    "get_everything": sequence(size_get(False)),
    "set_then_get": sequence(size_set(800, 600, 2.0), size_get()),
}


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "lv2_patch_message")
    os.makedirs(folder, exist_ok=True)
    for name, body in SEEDS.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(body + struct.pack("<H", 200))
    return 0


if __name__ == "__main__":
    sys.exit(main())

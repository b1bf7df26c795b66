#!/usr/bin/env python3
"""Writes the seed corpus of the state fuzzer into fuzz/corpus/state/: valid
states, a preset list and FXP/FXB images of the small test plug-in (three
parameters: 0.25, 2, off; ID "Tst1", version 1.2.3; preset "Soft" in slot 0,
slot 1 "empty")."""
import os
import struct
import sys


def be32(v):
    return struct.pack(">i", v)


def name28(text):
    return text.encode().ljust(28, b"\0")


STATE = struct.pack("<3d", 0.25, 2.0, 0.0)
EDITOR_STATE = struct.pack("<iif", 248, 662, 1.0) + STATE
PRESET_LIST = (struct.pack("<i", 4) + b"Soft" + b"\1" + STATE +
               struct.pack("<i", 5) + b"empty" + b"\0")
FLOATS = struct.pack(">3f", 0.25, 0.5, 0.0)
ID = b"Tst1"
VERSION = be32(10203)


def program(name, floats):
    return b"CcnK" + be32(0) + b"FxCk" + be32(1) + ID + VERSION + be32(3) + name28(name) + floats


def inner(body):
    return be32(8 + len(body)) + b"tffp" + struct.pack("<i", 65536) + body


SEEDS = {
    "state_plain": STATE,
    "state_editor": EDITOR_STATE,
    "preset_list": PRESET_LIST,
    "fxp_params": program("Soft", FLOATS),
    "fxp_opaque": (b"CcnK" + be32(8 + len(STATE) + 60) + b"FPCh" + be32(1) + ID + VERSION + be32(3) +
                   name28("Soft") + inner(STATE)),
    "fxb_params": (b"CcnK" + be32(0) + b"FxBk" + be32(2) + ID + VERSION + be32(2) + be32(0) + bytes(124) +
                   program("Soft", FLOATS) + program("empty", bytes(12))),
    "fxb_opaque": (b"CcnK" + be32(8 + len(PRESET_LIST) + 160) + b"FBCh" + be32(2) + ID + VERSION + be32(2) +
                   be32(0) + bytes(124) + inner(PRESET_LIST)),
}


def main():
    if len(sys.argv) > 1 and sys.argv[1] in ("-h", "--help"):
        print(__doc__)
        print("usage: make_state_corpus.py [output folder]")
        return 0
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "corpus", "state")
    os.makedirs(folder, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    print(f"wrote {len(SEEDS)} seeds to {folder}")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Writes the seed corpus of export_names_fuzz: small library-like files with an export directory whose
addresses are file offsets, some cut short, and one file that is no library at all."""
import os
import struct
import sys


def library(names, count=None, header=0x80, directory=0x200, magic=0x10B):
    """magic 0x10B: a 32-bit library, export entry at header + 120; 0x20B: a 64-bit one, at header + 136."""
    data = bytearray(directory + 0x40)
    data[0:2] = b"MZ"
    struct.pack_into("<I", data, 60, header)
    data[header:header + 4] = b"PE\0\0"
    struct.pack_into("<H", data, header + 24, magic)
    struct.pack_into("<I", data, header + (136 if magic == 0x20B else 120), directory)
    table = bytearray(b"Sample.dll\0")
    for name in names:
        table += name + b"\0"
    name_offset = directory + 40
    struct.pack_into("<I", data, directory + 12, name_offset)
    struct.pack_into("<I", data, directory + 20, len(names) if count is None else count)
    data[name_offset:] = table
    return bytes(data)


def main(folder):
    os.makedirs(folder, exist_ok=True)
    good = library([b"FSBeep", b"FSGetExeDir", b"FSHtmlSafe", b"FSWindowSetHandle"])
    good64 = library([b"FSBeep", b"FSGetExeDir", b"FSHtmlSafe", b"FSWindowSetHandle"], magic=0x20B)
    seeds = {
        "library": good,
        "blank_names": library([b"  FSPadded \t", b"", b"FSLast"]),
        "count_too_large": library([b"FSOne"], count=0xFFFFFFFF),
        "no_exports": library([], count=0),
        "truncated_in_names": good[: len(good) - 12],
        "truncated_in_header": good[:100],
        "hostile_header": good[:60] + struct.pack("<I", 0xFFFFFFF0) + good[64:],
        "hostile_directory": good[:0x80 + 120] + struct.pack("<I", 0xFFFFFFFC) + good[0x80 + 124:],
        "not_a_library": b"This is a text file, not a library.\n",
        "library64": good64,
        "count_too_large64": library([b"FSOne"], count=0xFFFFFFFF, magic=0x20B),
        "truncated_in_header64": good64[:0x80 + 130],
        "hostile_directory64": good64[:0x80 + 136] + struct.pack("<I", 0xFFFFFFFC) + good64[0x80 + 140:],
    }
    for name, content in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(content)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus"))

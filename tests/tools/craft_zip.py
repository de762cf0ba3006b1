#!/usr/bin/python3
"""Writes ZIP archives that a careful reader must refuse or read with care.

    craft_zip.py members OUT NAME TEXT [NAME TEXT ...]
        one deflated member per pair, in order; a name may come twice
    craft_zip.py declared OUT NAME SIZE DECLARED [FILE ...]
        one deflated member of SIZE bytes whose local and central headers declare DECLARED bytes,
        then each FILE under its bare name
    craft_zip.py declared-file OUT NAME PATH DECLARED [FILE ...]
        the same with the bytes of PATH as the member
"""

import os
import struct
import sys
import warnings
import zipfile


def write_members(out, pairs):
    warnings.simplefilter("ignore")  # a name given twice is what we want
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, text in pairs:
            archive.writestr(name, text.encode())


def pattern_of(size):
    pattern = bytes(range(256))
    return (pattern * (size // len(pattern) + 1))[:size]


def declare_size(out, name, data, declared, files):
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr(name, data)
        for path in files:
            archive.write(path, os.path.basename(path))
    with open(out, "r+b") as f:
        raw = bytearray(f.read())
        end = raw.rfind(b"PK\x05\x06")
        central = struct.unpack_from("<I", raw, end + 16)[0]
        assert raw[central:central + 4] == b"PK\x01\x02"
        local = struct.unpack_from("<I", raw, central + 42)[0]
        assert raw[local:local + 4] == b"PK\x03\x04"
        struct.pack_into("<I", raw, central + 24, declared)
        struct.pack_into("<I", raw, local + 22, declared)
        f.seek(0)
        f.write(raw)


def main(argv):
    if argv[1] == "members":
        rest = argv[3:]
        write_members(argv[2], list(zip(rest[0::2], rest[1::2])))
    elif argv[1] == "declared":
        declare_size(argv[2], argv[3], pattern_of(int(argv[4])), int(argv[5]), argv[6:])
    elif argv[1] == "declared-file":
        with open(argv[4], "rb") as f:
            declare_size(argv[2], argv[3], f.read(), int(argv[5]), argv[6:])
    else:
        sys.exit("unknown mode " + argv[1])


if __name__ == "__main__":
    main(sys.argv)

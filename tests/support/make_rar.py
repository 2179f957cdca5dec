#!/usr/bin/env python3
"""Writes a small RAR archive with its files stored (not compressed), byte by
byte from the published RAR 4 and RAR 5 formats: no free RAR writer exists.

    python3 make_rar.py 4|5 OUT.rar NAME=PATH ...
"""

import struct
import sys
import zlib


def crc16(data):
    return zlib.crc32(data) & 0xFFFF


def rar4(files):
    out = bytearray(b"Rar!\x1a\x07\x00")
    # Main archive header: type 0x73, no flags, two reserved fields.
    body = struct.pack("<BHH", 0x73, 0, 13) + b"\x00" * 6
    out += struct.pack("<H", crc16(body)) + body
    for name, data in files:
        encoded = name.encode()
        # File header: LONG_BLOCK flag (0x8000) as data follows; host 3 (Unix),
        # version 2.0, method 0x30 (store), regular file mode 0644.
        fields = struct.pack("<IIBIIBBHI", len(data), len(data), 3, zlib.crc32(data),
                             0x21A20000, 20, 0x30, len(encoded), 0o100644)
        size = 7 + len(fields) + len(encoded)
        body = struct.pack("<BHH", 0x74, 0x8000, size) + fields + encoded
        out += struct.pack("<H", crc16(body)) + body + data
    # End of archive.
    body = struct.pack("<BHH", 0x7B, 0x4000, 7)
    out += struct.pack("<H", crc16(body)) + body
    return bytes(out)


def vint(value):
    out = bytearray()
    while True:
        byte = value & 0x7F
        value >>= 7
        if value:
            out.append(byte | 0x80)
        else:
            out.append(byte)
            return bytes(out)


def block5(fields, data_size=None):
    """A RAR 5 header: CRC32, size, then type, flags and the fields."""
    head_type, flags, rest = fields
    body = vint(head_type) + vint(flags)
    if data_size is not None:
        body += vint(data_size)
    body += rest
    sized = vint(len(body)) + body
    return struct.pack("<I", zlib.crc32(sized)) + sized


def rar5(files):
    out = bytearray(b"Rar!\x1a\x07\x01\x00")
    out += block5((1, 0, vint(0)))  # main archive header, no archive flags
    for name, data in files:
        encoded = name.encode()
        # File flags 0x04: a data CRC32 follows. Compression 0: version 0,
        # method 0 (store). Host 1: Unix. Attributes: mode 0644.
        rest = (vint(0x04) + vint(len(data)) + vint(0o100644) + struct.pack("<I", zlib.crc32(data)) +
                vint(0) + vint(1) + vint(len(encoded)) + encoded)
        out += block5((2, 0x02, rest), data_size=len(data)) + data
    out += block5((5, 0, vint(0)))  # end of archive
    return bytes(out)


def main():
    version, target = sys.argv[1], sys.argv[2]
    files = []
    for argument in sys.argv[3:]:
        name, path = argument.split("=", 1)
        with open(path, "rb") as source:
            files.append((name, source.read()))
    with open(target, "wb") as out:
        out.write(rar4(files) if version == "4" else rar5(files))


if __name__ == "__main__":
    main()

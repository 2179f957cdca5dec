#!/usr/bin/env python3
"""Writes the fuzz target's seed archives into corpus/ (a few hundred bytes each).

Run from anywhere: python3 fuzz/make_corpus.py
"""

import io
import os
import struct
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
STAMP = (2001, 2, 3, 4, 5, 6)


def archive(entries, comment=b"", compression=zipfile.ZIP_DEFLATED):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", compression) as z:
        for name, data, system, attributes in entries:
            info = zipfile.ZipInfo(name, date_time=STAMP)
            info.create_system = system
            info.external_attr = attributes
            info.compress_type = compression
            z.writestr(info, data)
        z.comment = comment
    return buffer.getvalue()


def unseekable(entries):
    class Stream:
        def __init__(self):
            self.parts = []

        def write(self, data):
            self.parts.append(bytes(data))
            return len(data)

        def flush(self):
            pass

    stream = Stream()
    with zipfile.ZipFile(stream, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in entries:
            z.writestr(name, data)
    return b"".join(stream.parts)


def zip64(entries):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=STAMP)
            info.compress_type = zipfile.ZIP_DEFLATED
            with z.open(info, "w", force_zip64=True) as out:
                out.write(data)
    return buffer.getvalue()


MAP = b"BSP" + bytes(range(64)) * 3
FILE = 0o100644 << 16
FOLDER = (0o040755 << 16) | 0x10

SEEDS = {
    "empty.zip": archive([]),
    "stored.zip": archive([("maps/de_a.bsp", MAP, 3, FILE), ("readme.txt", b"hello\r\n", 0, 0x20)],
                          compression=zipfile.ZIP_STORED),
    "deflated.zip": archive([("maps/de_a.bsp", MAP, 3, FILE), ("maps/de_a.txt", b"a" * 300, 3, FILE)]),
    "folders.zip": archive([("maps/", b"", 3, FOLDER), ("sound/", b"", 3, 0x41ED0000),
                            ("sound/x.wav", b"RIFF", 0, 0x21), ("empty/", b"", 0, 0)]),
    "descriptor.zip": unseekable([("maps/de_a.bsp", MAP), ("b.txt", b"b" * 50)]),
    "comment.zip": archive([("a.txt", b"abc", 0, 0x20)], comment=b"PK\x05\x06 comment"),
    "names.zip": archive([("Z\u00fcrich/\u00e9.txt", b"utf8", 3, FILE), ("back\\slash.txt", b"x", 0, 0),
                          ("../up.txt", b"up", 0, 0), ("/abs.txt", b"abs", 0, 0)]),
    "stub.zip": b"MZ" + b"\0" * 62 + archive([("a.bsp", MAP, 0, 0x20)]),
    "link.zip": archive([("link", b"/etc/passwd", 3, 0o120777 << 16)]),
    "zip64.zip": zip64([("maps/de_a.bsp", MAP), ("b.txt", b"b" * 50)]),
    "bzip2.zip": archive([("maps/de_a.bsp", MAP, 3, FILE)], compression=zipfile.ZIP_BZIP2),
    "lzma.zip": archive([("maps/de_a.bsp", MAP, 3, FILE)], compression=zipfile.ZIP_LZMA),
}


def main():
    folder = os.path.join(HERE, "corpus")
    os.makedirs(folder, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    # An encrypted entry: the flag bit set on a stored one is enough for the reader.
    data = bytearray(SEEDS["stored.zip"])
    struct.pack_into("<H", data, 6, 1)
    central = data.rfind(b"PK\x01\x02", 0, data.rfind(b"PK\x01\x02"))
    struct.pack_into("<H", data, central + 8, 1)
    with open(os.path.join(folder, "encrypted.zip"), "wb") as f:
        f.write(data)
    # A UTF-8 name from Unix without the UTF-8 flag, as Info-ZIP writes it.
    data = bytearray(archive([("r\u00edo.wav", b"rain", 3, FILE)]))
    struct.pack_into("<H", data, 6, 0)
    struct.pack_into("<H", data, data.rfind(b"PK\x01\x02") + 8, 0)
    with open(os.path.join(folder, "unix_utf8.zip"), "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Builds the zip archives the reader's tests open, at test time.

Usage: zip_fixtures.py KIND OUT
Good archives also get OUT + ".expected/", the tree that extracting them must
give. Archives come from Python's zipfile and Info-ZIP zip; damaged ones are
byte-level edits of those.

Other commands:
  zip_fixtures.py reference-extract ARCHIVE DIR   extract with Python's zipfile
  zip_fixtures.py reference-sizes ARCHIVE DIR     archives of many sizes and levels
  zip_fixtures.py reference-list ARCHIVE           name, CRC-32, sizes, date and time per entry
  zip_fixtures.py cp437                           code page 437 bytes 0x80-0xFF as UTF-8
"""

import io
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

# A structured map package: a map, its text and a sound.
PACKAGE = {
    "maps/de_x.bsp": bytes(range(256)) * 64 + b"BSP end",
    "maps/de_x.txt": b"A test map\r\nby nobody\r\n",
    "sound/de_x/wind.wav": random.Random(7).randbytes(40000),
}


def write_tree(root, files):
    for name, data in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def zip_bytes(files, compression=zipfile.ZIP_DEFLATED, comment=b"", stored=()):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", compression) as archive:
        for name, data in files.items():
            info = zipfile.ZipInfo(name, date_time=(2001, 2, 3, 4, 5, 6))
            info.external_attr = 0o644 << 16
            info.compress_type = zipfile.ZIP_STORED if name in stored else compression
            archive.writestr(info, data)
        archive.comment = comment
    return buffer.getvalue()


class Zip:
    """An archive's bytes with the offsets of its records, for editing."""

    # Field offsets in the local header and in the central record.
    LOCAL = {"flags": 6, "method": 8, "crc": 14, "csize": 18, "usize": 22}
    CENTRAL = {"flags": 8, "method": 10, "crc": 16, "csize": 20, "usize": 24,
               "disk": 34, "offset": 42}

    def __init__(self, data):
        self.b = bytearray(data)
        self.parse()

    def parse(self):
        self.eocd = self.b.rfind(b"PK\x05\x06")
        self.count, self.dir_size, self.dir_offset = struct.unpack_from(
            "<HII", self.b, self.eocd + 10)
        self.central = []
        pos = self.dir_offset
        for _ in range(self.count):
            n, m, k = struct.unpack_from("<HHH", self.b, pos + 28)
            self.central.append(pos)
            pos += 46 + n + m + k

    def get(self, fmt, pos):
        return struct.unpack_from(fmt, self.b, pos)[0]

    def put(self, fmt, pos, value):
        struct.pack_into(fmt, self.b, pos, value)

    def local(self, i):
        return self.get("<I", self.central[i] + 42)

    def data_start(self, i):
        n, m = struct.unpack_from("<HH", self.b, self.local(i) + 26)
        return self.local(i) + 30 + n + m

    def data_end(self, i):
        return self.data_start(i) + self.get("<I", self.central[i] + 20)

    def set_field(self, i, field, value, local=True, central=True):
        fmt = "<I" if field in ("crc", "csize", "usize", "offset") else "<H"
        if local and field in self.LOCAL:
            self.put(fmt, self.local(i) + self.LOCAL[field], value)
        if central:
            self.put(fmt, self.central[i] + self.CENTRAL[field], value)

    def cut(self, start, end):
        """Removes bytes before the central directory, moving later offsets."""
        removed = end - start
        for i in range(self.count):
            if self.local(i) > start:
                self.set_field(i, "offset", self.local(i) - removed, local=False)
        self.put("<I", self.eocd + 16, self.dir_offset - removed)
        del self.b[start:end]
        self.parse()

    def save(self, path):
        with open(path, "wb") as f:
            f.write(self.b)


def save(path, data, expected=None):
    with open(path, "wb") as f:
        f.write(data)
    if expected is not None:
        write_tree(path + ".expected", expected)


def unseekable_zip(files):
    """Written to a stream that cannot seek, zipfile adds data descriptors."""

    class Stream:
        def __init__(self):
            self.parts = []

        def write(self, data):
            self.parts.append(bytes(data))
            return len(data)

        def flush(self):
            pass

    stream = Stream()
    with zipfile.ZipFile(stream, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, data in files.items():
            archive.writestr(name, data)
    return b"".join(stream.parts)


# --- archives that open and extract ----------------------------------------------------------

def make_package(out):
    save(out, zip_bytes(PACKAGE, stored={"maps/de_x.txt"}), PACKAGE)


def make_empty(out):
    save(out, zip_bytes({}), {})


def make_descriptor_with_signature(out):
    save(out, unseekable_zip(PACKAGE), PACKAGE)


def make_descriptor_without_signature(out):
    z = Zip(unseekable_zip(PACKAGE))
    for i in reversed(range(z.count)):
        end = z.data_end(i)
        assert z.b[end:end + 4] == b"PK\x07\x08"
        z.cut(end, end + 4)
    save(out, bytes(z.b), PACKAGE)


def make_comment_with_signature(out):
    # The largest comment, holding an end-record signature whose comment length
    # runs past the end of the file.
    comment = bytearray(b"c" * 65535)
    comment[65000:65004] = b"PK\x05\x06"
    comment[65004:65022] = b"\xff" * 18
    save(out, zip_bytes(PACKAGE, comment=bytes(comment)), PACKAGE)


def make_prepended_stub(out):
    # A self-extractor stub glued in front: offsets stay relative to the archive.
    stub = b"MZ" + random.Random(3).randbytes(4094)
    save(out, stub + zip_bytes(PACKAGE), PACKAGE)


def make_stub_absolute_offsets(out):
    # zipfile appending to a non-zip file writes offsets counted from the file's start.
    with open(out, "wb") as f:
        f.write(b"#!/bin/sh\nexit 0\n" + b"\0" * 1000)
    with zipfile.ZipFile(out, "a", zipfile.ZIP_DEFLATED) as archive:
        for name, data in PACKAGE.items():
            archive.writestr(name, data)
    write_tree(out + ".expected", PACKAGE)


def make_volumes(out):
    """Numbered volumes X.000, X.001, X.002 and X.zip (the last, holding the directory)."""
    files = {
        "maps/de_v.bsp": random.Random(11).randbytes(30000),
        "maps/de_v.txt": b"spanned map\r\n" * 500,
        "sound/de_v/a.wav": random.Random(12).randbytes(25000),
    }
    z = Zip(zip_bytes(files, stored={"maps/de_v.txt"}))
    body = b"PK\x07\x08" + bytes(z.b[:z.dir_offset])
    # Split inside entry data only: headers never cross a volume.
    splits = [4 + z.data_start(0) + 12345, 4 + z.data_start(2) + 999]
    bounds = [0] + splits + [len(body)]
    volumes = [body[bounds[k]:bounds[k + 1]] for k in range(len(bounds) - 1)]
    last = len(volumes)
    for i in range(z.count):
        position = 4 + z.local(i)
        disk = max(k for k in range(len(bounds) - 1) if bounds[k] <= position)
        z.set_field(i, "disk", disk, local=False)
        z.set_field(i, "offset", position - bounds[disk], local=False)
    directory = bytes(z.b[z.dir_offset:z.eocd])
    end = struct.pack("<IHHHHIIH", 0x06054B50, last, last, z.count, z.count,
                      len(directory), 0, 0)
    volumes.append(directory + end)
    base = out[:-len(".zip")]
    for k, data in enumerate(volumes[:-1]):
        save("%s.%03d" % (base, k), data)
    save(out, volumes[-1], files)


def make_bsdtar_style(out):
    # Folders marked only by their Unix mode, as libarchive writes them.
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as archive:
        for name in ("maps/", "sound/", "sound/de_x/"):
            info = zipfile.ZipInfo(name, date_time=(2001, 2, 3, 4, 5, 6))
            info.create_system = 3
            info.external_attr = 0x41ED0000
            archive.writestr(info, b"")
        for name, data in PACKAGE.items():
            info = zipfile.ZipInfo(name, date_time=(2001, 2, 3, 4, 5, 6))
            info.create_system = 3
            info.external_attr = 0x81A40000
            archive.writestr(info, data, zipfile.ZIP_DEFLATED)
    save(out, buffer.getvalue(), PACKAGE)


def make_info_zip(out):
    # Info-ZIP zip over a real tree, with its folder entries and extra fields.
    with tempfile.TemporaryDirectory() as tree:
        write_tree(tree, PACKAGE)
        subprocess.run(["zip", "-q", "-r", "-X", os.path.abspath(out), "maps", "sound"],
                       cwd=tree, check=True)
    write_tree(out + ".expected", PACKAGE)


def make_info_zip_streamed(out):
    # Info-ZIP writing into a pipe cannot seek back: every file gets a data descriptor.
    with tempfile.TemporaryDirectory() as tree:
        write_tree(tree, PACKAGE)
        stream = subprocess.run(["zip", "-q", "-r", "-", "maps", "sound"], cwd=tree,
                                check=True, stdout=subprocess.PIPE).stdout
    save(out, stream, PACKAGE)


def make_bsdtar(out):
    with tempfile.TemporaryDirectory() as tree:
        write_tree(tree, PACKAGE)
        subprocess.run(["bsdtar", "--format", "zip", "-cf", os.path.abspath(out), "-C", tree,
                        "maps", "sound"], check=True)
    write_tree(out + ".expected", PACKAGE)


def make_names(out):
    """Names in code page 437, in UTF-8, and with backslash separators."""
    files = {"maps/cafX.txt": b"cp437", "maps/Zürich.txt": b"utf8", "maps\\back.txt": b"back"}
    z = Zip(zip_bytes(files))
    # zipfile writes non-ASCII names as UTF-8 only; put the code page 437 bytes in by hand.
    cp437 = "maps/café.txt".encode("cp437")
    for pos in (z.local(0) + 30, z.central[0] + 46):
        assert z.b[pos:pos + len(cp437)] == b"maps/cafX.txt"
        z.b[pos:pos + len(cp437)] = cp437
    save(out, bytes(z.b))


def make_modes(out):
    """Entries made on Unix with their modes, a DOS read-only file and a symbolic link."""
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        def add(name, data, system, attributes):
            info = zipfile.ZipInfo(name, date_time=(2001, 2, 3, 4, 5, 6))
            info.create_system = system
            info.external_attr = attributes
            archive.writestr(info, data)
        add("unix640.txt", b"rw-r-----", 3, 0o100640 << 16)
        add("unix000.txt", b"no bits", 3, 0o100000 << 16)
        add("nomode.txt", b"host 3, mode not stored", 3, 0)
        add("dos_readonly.txt", b"read-only", 0, 0x21)
        add("dos_archive.txt", b"archive", 0, 0x20)
        add("link", b"/etc/passwd", 3, 0o120777 << 16)
        add("ro_dir/", b"", 3, (0o040555 << 16) | 0x10)
    save(out, buffer.getvalue())


def make_hostile_names(out):
    files = {"../evil.txt": b"up", "a/../../evil2.txt": b"up2", "C:../evil3.txt": b"up3",
             "/abs/x.txt": b"abs", "C:\\drive\\y.txt": b"drive", "ok.txt": b"fine"}
    save(out, zip_bytes(files))


def make_slash_names(out):
    """Names ending in a separator: a folder when empty, not when they hold data."""
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        for name, data, attributes in (("empty_dir/", b"", 0), ("data_dir/", b"data", 0),
                                       ("attr_dir", b"", 0x10), ("plain.txt", b"", 0)):
            info = zipfile.ZipInfo(name, date_time=(2001, 2, 3, 4, 5, 6))
            info.create_system = 0
            info.external_attr = attributes
            archive.writestr(info, data)
    save(out, buffer.getvalue())


def make_encrypted(out):
    with tempfile.TemporaryDirectory() as tree:
        write_tree(tree, {"secret.bsp": b"hidden map" * 100, "plain.txt": b"open"})
        subprocess.run(["zip", "-q", "-P", "password", os.path.abspath(out), "secret.bsp"],
                       cwd=tree, check=True)
        subprocess.run(["zip", "-q", os.path.abspath(out), "plain.txt"], cwd=tree, check=True)


def make_sizes(out):
    """Entries at the edges of the read and write chunks."""
    rng = random.Random(5)
    files = {}
    for size in (0, 1, 16383, 16384, 16385, 65534, 65535, 65536, 131070, 200001):
        files["random_%d.bin" % size] = rng.randbytes(size)
        files["text_%d.txt" % size] = (b"All work and no play. " * (size // 22 + 1))[:size]
    save(out, zip_bytes(files, stored={n for n in files if n.startswith("text_1")}), files)


# --- damaged archives ------------------------------------------------------------------------

def package():
    return Zip(zip_bytes(PACKAGE, stored={"maps/de_x.txt"}))


def make_not_a_zip(out):
    save(out, b"This is a text file, not an archive.\n" * 20)


def make_zero_length(out):
    save(out, b"")


def make_end_record_missing(out):
    save(out, package().b[:-22])


def make_end_record_cut_short(out):
    save(out, package().b[:-8])


def make_truncated_directory(out):
    z = package()
    middle = z.dir_offset + 20
    save(out, bytes(z.b[:middle] + z.b[middle + 30:]))


def make_directory_offset_wrong(out):
    z = package()
    z.put("<I", z.eocd + 16, z.dir_offset + 1)
    z.save(out)


def make_count_size_disagree(out):
    z = package()
    z.put("<H", z.eocd + 8, 0)
    z.put("<H", z.eocd + 10, 0)
    z.save(out)


def make_bad_central_signature(out):
    z = package()
    z.b[z.central[1]:z.central[1] + 4] = b"PK\x01\x03"
    z.save(out)


def make_bad_local_signature(out):
    z = package()
    z.b[z.local(1):z.local(1) + 4] = b"PK\x03\x05"
    z.save(out)


def make_local_central_mismatch(out):
    z = package()
    z.set_field(0, "crc", z.get("<I", z.central[0] + 16) ^ 1, central=False)
    z.save(out)


def make_unsupported_method(out):
    z = package()
    z.set_field(0, "method", 12)  # bzip2
    z.save(out)


def make_crc_error(out):
    z = package()
    assert z.get("<H", z.central[1] + 10) == 0  # the stored text file
    z.b[z.data_start(1)] ^= 0x20
    z.save(out)


def make_truncated_deflate(out):
    z = package()
    start, end = z.data_start(0), z.data_end(0)
    keep = (end - start) // 2
    z.set_field(0, "csize", keep)
    z.cut(start + keep, end)
    z.save(out)


def make_corrupt_deflate(out):
    z = package()
    z.b[z.data_start(0)] = 0x07  # a final block of the reserved type 3
    z.save(out)


def make_stream_ends_early(out):
    z = package()
    z.set_field(0, "usize", len(PACKAGE["maps/de_x.bsp"]) + 1000)
    z.save(out)


def make_stored_ends_early(out):
    z = package()
    z.set_field(1, "usize", len(PACKAGE["maps/de_x.txt"]) + 5)
    z.save(out)


def make_declared_smaller(out):
    z = package()
    z.set_field(0, "usize", 100)
    z.save(out)


def make_descriptor_mismatch(out):
    z = Zip(unseekable_zip(PACKAGE))
    end = z.data_end(0)
    z.b[end + 4] ^= 0xFF  # the descriptor's CRC
    z.save(out)


def make_overlapping_entries(out):
    z = package()
    z.set_field(2, "offset", z.local(0), local=False)
    z.save(out)


def make_entry_overlaps_directory(out):
    z = package()
    grow = z.dir_offset - z.data_end(2) + 10
    size = z.get("<I", z.central[2] + 20) + grow
    z.set_field(2, "csize", size)
    z.save(out)


def make_entry_past_end(out):
    z = package()
    z.set_field(2, "offset", len(z.b) + 100, local=False)
    z.save(out)


def make_volume_missing(out):
    make_volumes(out)
    os.remove(out[:-len(".zip")] + ".001")
    shutil.rmtree(out + ".expected")


# --- references ------------------------------------------------------------------------------

def reference_extract(archive, folder):
    with zipfile.ZipFile(archive) as z:
        z.extractall(folder)


def reference_list(archive):
    with zipfile.ZipFile(archive) as z:
        for info in z.infolist():
            print("%s %08x %d %d %04d-%02d-%02d %02d:%02d:%02d" % (
                (info.filename, info.CRC, info.compress_size, info.file_size) + info.date_time))


def reference_sizes(archive_folder):
    """One archive per compression level, with the data Python reads back beside it."""
    rng = random.Random(9)
    files = {}
    for size in (0, 1, 100, 4095, 65535, 65536, 250000):
        files["random_%d.bin" % size] = rng.randbytes(size)
        pattern = bytes(rng.choice(b"ab") for _ in range(64))
        files["runs_%d.bin" % size] = (pattern * (size // 64 + 1))[:size]
    for level in (0, 1, 6, 9):
        path = os.path.join(archive_folder, "level%d.zip" % level)
        method = zipfile.ZIP_STORED if level == 0 else zipfile.ZIP_DEFLATED
        with zipfile.ZipFile(path, "w", method, compresslevel=level or None) as z:
            for name, data in files.items():
                z.writestr(name, data)
        reference_extract(path, path + ".expected")


def main(argv):
    command = argv[1]
    if command == "reference-extract":
        reference_extract(argv[2], argv[3])
    elif command == "reference-list":
        reference_list(argv[2])
    elif command == "reference-sizes":
        reference_sizes(argv[2])
    elif command == "cp437":
        sys.stdout.buffer.write(bytes(range(0x80, 0x100)).decode("cp437").encode("utf-8"))
    else:
        globals()["make_" + command.replace("-", "_")](argv[2])


if __name__ == "__main__":
    main(sys.argv)

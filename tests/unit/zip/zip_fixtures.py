#!/usr/bin/env python3
"""zip_fixtures.py FOLDER: every archive the zip reader's tests open, made with zipfile, Info-ZIP
zip, bsdtar and byte edits; beside each good one X.list and X.expected/, as zipfile reads it."""

import bz2, io, lzma, os, pathlib, random, shutil, struct, subprocess, sys, tempfile, zipfile, zlib

STORED, DEFLATED, BZIP2, LZMA = (zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED, zipfile.ZIP_BZIP2,
                                 zipfile.ZIP_LZMA)
SEVEN_ZIP = "7z a -tzip -bso0 -bsp0 out.zip maps sound -mm="
PACKAGE = {"maps/de_x.bsp": bytes(range(256)) * 64 + b"BSP end",
           "maps/de_x.txt": b"A test map\r\nby nobody\r\n",
           "sound/de_x/wind.wav": random.Random(7).randbytes(40000)}


def entry(data, attributes=0o644 << 16, host=3, method=DEFLATED, level=None):
    return data, attributes, host, method, level


def zip_bytes(files, comment=b"", out=None, mode="w"):
    """files: name -> entry(...), or name -> data (stored for .txt, else deflated)."""
    out = out or io.BytesIO()
    with zipfile.ZipFile(out, mode) as archive:
        for name, e in files.items():
            if not isinstance(e, tuple):
                e = entry(e, method=STORED if name.endswith(".txt") else DEFLATED)
            info = zipfile.ZipInfo(name, (2001, 2, 3, 4, 5, 6))
            info.external_attr, info.create_system = e[1], e[2]
            archive.writestr(info, e[0], e[3], e[4])
        archive.comment = comment
    return out.getvalue()


class Unseekable(io.BytesIO):  # zipfile adds data descriptors when it cannot seek back
    def seek(self, *args):
        raise OSError("not seekable")


def write_tree(root, files):
    os.makedirs(root, exist_ok=True)
    for name, data in files.items():
        pathlib.Path(root, name).parent.mkdir(parents=True, exist_ok=True)
        pathlib.Path(root, name).write_bytes(data)


def tool(*commands, files=PACKAGE):
    """Runs archivers in a folder holding files: the archive printed, or else out.zip."""
    with tempfile.TemporaryDirectory() as tree:
        write_tree(tree, files)
        printed = b"".join(subprocess.check_output(c.split(), cwd=tree) for c in commands)
        return printed or pathlib.Path(tree, "out.zip").read_bytes()


class Zip:
    """An archive's bytes and the positions of its records, for byte edits."""

    # field: (offset in the local header or 0, offset in the central record, format)
    FIELDS = {"method": (8, 10, "<H"), "crc": (14, 16, "<I"), "csize": (18, 20, "<I"),
              "usize": (22, 24, "<I"), "disk": (0, 34, "<H"), "attr": (0, 38, "<I"),
              "offset": (0, 42, "<I")}

    def __init__(self, data):
        self.b = bytearray(data)
        self.eocd = self.b.rfind(b"PK\x05\x06")
        self.dir_offset = pos = self.get("<I", self.eocd + 16)
        self.central = []
        for _ in range(self.get("<H", self.eocd + 10)):
            self.central.append(pos)
            pos += 46 + sum(struct.unpack_from("<HHH", self.b, pos + 28))

    def get(self, fmt, pos):
        return struct.unpack_from(fmt, self.b, pos)[0]

    def put(self, fmt, pos, *values):
        struct.pack_into(fmt, self.b, pos, *values)
        return self

    def local(self, i):
        return self.get("<I", self.central[i] + 42)

    def data_start(self, i):
        return self.local(i) + 30 + sum(struct.unpack_from("<HH", self.b, self.local(i) + 26))

    def data_end(self, i):
        return self.data_start(i) + self.get("<I", self.central[i] + 20)

    def field(self, i, name):
        return self.get(self.FIELDS[name][2], self.central[i] + self.FIELDS[name][1])

    def set(self, i, field, value, local=True, central=True):
        at_local, at_central, fmt = self.FIELDS[field]
        if local and at_local:
            self.put(fmt, self.local(i) + at_local, value)
        return self.put(fmt, self.central[i] + at_central, value) if central else self


def without_descriptor_signatures(z):
    z, sig = Zip(zip_bytes(PACKAGE, out=Unseekable())), b"PK\x07\x08"
    assert z.b.count(sig) == len(z.central)  # one after each entry's data, nowhere else
    for i in range(len(z.central)):
        z.set(i, "offset", z.local(i) - 4 * i)
    return z.put("<I", z.eocd + 16, z.dir_offset - 4 * len(z.central)).b.replace(sig, b"")


def volumes(z, missing=None):
    """X.000, X.001, X.002 and X.zip holding the directory; Python reads the whole."""
    whole = zip_bytes({"maps/de_v.bsp": random.Random(11).randbytes(30000),
                       "maps/de_v.txt": b"spanned map\r\n" * 500,
                       "sound/de_v/a.wav": random.Random(12).randbytes(25000)})
    z = Zip(whole)
    body = b"PK\x07\x08" + bytes(z.b[:z.dir_offset])
    bounds = [0, 4 + z.data_start(0) + 12345, 4 + z.data_start(2) + 999, len(body)]
    for i in range(len(z.central)):
        disk = max(k for k in range(3) if bounds[k] <= 4 + z.local(i))
        z.set(i, "disk", disk).set(i, "offset", 4 + z.local(i) - bounds[disk])
    directory, n = bytes(z.b[z.dir_offset:z.eocd]), len(z.central)
    end = struct.pack("<IHHHHIIH", 0x06054B50, 3, 3, n, n, len(directory), 0, 0)
    pieces = {".%03d" % k: body[bounds[k]:bounds[k + 1]] for k in range(3) if k != missing}
    return pieces | {".zip": directory + end}, whole


def extra_crosses_volume(z):
    """Two volumes split where entry 1's local extra field starts, so the field is on the next."""
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w") as archive:
        for name, data in PACKAGE.items():
            info = zipfile.ZipInfo(name, (2001, 2, 3, 4, 5, 6))
            info.extra = struct.pack("<HH", 0xCAFE, 8) + b"12345678"
            archive.writestr(info, data, DEFLATED)
    z = Zip(out.getvalue())
    body = b"PK\x07\x08" + bytes(z.b[:z.dir_offset])
    cut = 4 + z.local(1) + 30 + z.get("<H", z.local(1) + 26)
    for i in range(len(z.central)):
        disk = int(4 + z.local(i) >= cut)
        z.set(i, "disk", disk).set(i, "offset", 4 + z.local(i) - cut * disk)
    directory, n = bytes(z.b[z.dir_offset:z.eocd]), len(z.central)
    end = struct.pack("<IHHHHIIH", 0x06054B50, 2, 2, n, n, len(directory), 0, 0)
    return {".000": body[:cut], ".001": body[cut:], ".zip": directory + end}


def python_zip64(streamed):
    """zipfile's Zip64 local headers (and 8-byte descriptor sizes when it cannot seek back)."""
    out = Unseekable() if streamed else io.BytesIO()
    with zipfile.ZipFile(out, "w", DEFLATED) as archive:
        for name, data in PACKAGE.items():
            with archive.open(zipfile.ZipInfo(name, (2001, 2, 3, 4, 5, 6)), "w",
                              force_zip64=True) as entry_file:
                entry_file.write(data)
    return out.getvalue()


def with_zip64_extra(z, i, usize=None, csize=None, offset=None, short=False):
    """Moves entry i's marked central values into a Zip64 extra field, as writers of big
    archives do; the values given replace the real ones."""
    records = [bytearray(z.b[c:c + 46 + sum(struct.unpack_from("<HHH", z.b, c + 28))])
               for c in z.central]
    r, values = records[i], b""
    for at, value in ((24, usize), (20, csize), (42, offset)):
        if value is not None:
            values += struct.pack("<Q", value if value >= 0 else struct.unpack_from("<I", r, at)[0])
            struct.pack_into("<I", r, at, 0xFFFFFFFF)
    values = values[:8] if short else values
    name_end = 46 + struct.unpack_from("<H", r, 28)[0]
    r[name_end:name_end] = struct.pack("<HH", 1, len(values)) + values
    struct.pack_into("<H", r, 30, struct.unpack_from("<H", r, 30)[0] + 4 + len(values))
    directory = b"".join(records)
    end = bytearray(z.b[z.eocd:])
    struct.pack_into("<I", end, 12, len(directory))
    return bytes(z.b[:z.dir_offset]) + directory + bytes(end)


def zip64_end_record(z, edit):
    """Info-ZIP's Zip64 archive with its Zip64 end record edited: edit(bytes, record offset)."""
    data = bytearray(tool("zip -q -fz -r -X out.zip maps sound"))
    edit(data, data.rfind(b"PK\x06\x06"))
    return data


def host_names():
    """The same UTF-8 bytes unflagged from Unix and from DOS, CP437 bytes that are not UTF-8
    from Unix, and a name flagged UTF-8 that is not."""
    z = Zip(zip_bytes({"unix_rXXo.wav": entry(b"unix"), "dos_rXXo.wav": entry(b"dos", 0x20, 0),
                       "unix_cafX.txt": entry(b"cp437"), "flagged_bX.txt": entry(b"bad")}).replace(
        b"rXXo", "río".encode()).replace(b"cafX", "café".encode("cp437")).replace(b"bX", b"b\xff"))
    return z.put("<H", z.local(3) + 6, 0x800).put("<H", z.central[3] + 8, 0x800)


def sizes(z):
    """Entries on, below and above the read and write chunks, at every level."""
    rng, files = random.Random(5), {}
    for size in (0, 1, 100, 4095, 16383, 16384, 16385, 65534, 65535, 65536, 131070, 250000):
        text = (b"All work and no play. " * (size // 22 + 1))[:size]
        for level in (0, 1, 6, 9):
            how = dict(method=DEFLATED if level else STORED, level=level or None)
            files["L%d/random_%d.bin" % (level, size)] = entry(rng.randbytes(size), **how)
            files["L%d/text_%d.txt" % (level, size)] = entry(text, **how)
    return zip_bytes(files)


COMMENT = (b"c" * 65000 + b"PK\x05\x06" + b"\xff" * 18).ljust(65535, b"c")
STUB = b"#!/bin/sh\nexit 0\n" + bytes(1000)

# Each builder edits or ignores the package and returns the archive, or the archive
# and what Python's zipfile reads in its place.
GOOD = {
    "package": lambda z: z,
    "empty": lambda z: zip_bytes({}),
    "info_zip": lambda z: tool("zip -q -r -X out.zip maps sound"),
    "info_zip_streamed": lambda z: tool("zip -q -r - maps sound"),
    "bsdtar": lambda z: shutil.which("bsdtar") and tool("bsdtar -acf out.zip maps sound"),
    "bsdtar_style": lambda z: zip_bytes(  # folders marked by their Unix mode only
        {**{d: entry(b"", 0x41ED0000) for d in ("maps/", "sound/", "sound/de_x/")},
         **{n: entry(d, 0x81A40000) for n, d in PACKAGE.items()}}),
    "descriptor_with_signature": lambda z: zip_bytes(PACKAGE, out=Unseekable()),
    "descriptor_without_signature": without_descriptor_signatures,
    "comment_with_signature": lambda z: (zip_bytes(PACKAGE, COMMENT), z),
    "prepended_stub": lambda z: b"MZ" + random.Random(3).randbytes(4094) + z.b,
    "stub_absolute_offsets": lambda z: zip_bytes(PACKAGE, out=io.BytesIO(STUB), mode="a"),
    "volumes": volumes,
    "sizes": sizes,
    "data_after_end_record": lambda z: (z.b + bytes(100), z),
    "zip64_info_zip": lambda z: tool("zip -q -fz -r -X out.zip maps sound"),
    "zip64_bsdtar": lambda z: tool("bsdtar --options zip:zip64 --format zip -cf out.zip maps sound"),
    "zip64_python": lambda z: python_zip64(False),
    "zip64_python_streamed": lambda z: python_zip64(True),
    "zip64_prepended_stub": lambda z: STUB + tool("zip -q -fz -r -X out.zip maps sound"),
    "zip64_central_extra": lambda z: with_zip64_extra(z, 1, usize=-1, csize=-1, offset=-1),
    "bzip2_info_zip": lambda z: tool("zip -q -r -X -Z bzip2 out.zip maps sound"),
    "bzip2_info_zip_streamed": lambda z: tool("zip -q -r -Z bzip2 - maps sound"),
    "bzip2_7z": lambda z: tool(SEVEN_ZIP + "BZip2"),
    "bzip2_python": lambda z: zip_bytes({n: entry(d, method=BZIP2) for n, d in PACKAGE.items()}),
    "lzma_7z": lambda z: tool(SEVEN_ZIP + "LZMA"),
    "lzma_7z_end_marker": lambda z: tool(SEVEN_ZIP + "LZMA:eos"),
    "lzma_python": lambda z: zip_bytes({n: entry(d, method=LZMA) for n, d in PACKAGE.items()}),
    "lzma_python_streamed": lambda z: zip_bytes({n: entry(d, method=LZMA) for n, d in PACKAGE.items()},
                                                out=Unseekable()),
    # The data agrees with the central directory; only the descriptor does not.
    "descriptor_mismatch": lambda z: (s := Zip(zip_bytes(PACKAGE, out=Unseekable()))).put(
        "<I", s.data_end(0) + 4, 0),
}
OTHER = {
    "not_a_zip": lambda z: b"This is a text file, not an archive.\n" * 20,
    "zero_length": lambda z: b"",
    "end_record_missing": lambda z: z.b[:-22],
    "end_record_cut_short": lambda z: z.b[:-8],
    "truncated_directory": lambda z: z.b[:z.dir_offset + 20] + z.b[z.dir_offset + 50:],
    "directory_offset_wrong": lambda z: z.put("<I", z.eocd + 16, z.dir_offset + 1),
    "count_size_disagree": lambda z: z.put("<HH", z.eocd + 8, 0, 0),
    "bad_central_signature": lambda z: z.put("<I", z.central[1], 0x03014B50),
    "bad_local_signature": lambda z: z.put("<I", z.local(1), 0x05034B50),
    "local_central_mismatch": lambda z: z.set(0, "crc", 0, central=False),
    "unsupported_method": lambda z: z.set(0, "method", 9),
    "directory_size_bound": lambda z: z.put("<H", z.central[2] + 32, 10),  # comment into the end
    "local_name_length": lambda z: z.put("<H", z.local(1) + 26, len("maps/de_x.txt") - 1),
    "local_flags": lambda z: z.put("<H", z.local(0) + 6, 0x0002),
    "extra_crosses_volume": extra_crosses_volume,
    "deflate64_7z": lambda z: tool(SEVEN_ZIP + "Deflate64"),
    "corrupt_bzip2": lambda z: (b := Zip(GOOD["bzip2_python"](z))).put("<B", b.data_start(0) + 20, 0),
    "truncated_lzma": lambda z: (b := Zip(GOOD["lzma_python"](z))).set(
        0, "csize", b.field(0, "csize") // 2),
    "lzma_bad_properties": lambda z: (b := Zip(GOOD["lzma_python"](z))).put("<B", b.data_start(0) + 4, 225),
    "zip64_extra_short": lambda z: with_zip64_extra(z, 1, usize=-1, csize=-1, short=True),
    "zip64_size_past_end": lambda z: with_zip64_extra(z, 2, csize=1 << 63),
    "zip64_offset_overlap": lambda z: with_zip64_extra(z, 2, offset=z.local(0)),
    "zip64_entry_count": lambda z: zip64_end_record(
        z, lambda b, at: struct.pack_into("<QQ", b, at + 24, 1 << 40, 1 << 40)),
    "zip64_end_record_lost": lambda z: zip64_end_record(
        z, lambda b, at: struct.pack_into("<I", b, at, 0)),
    "too_many_entries": lambda z: zip_bytes({"e%d" % i: b"" for i in range(65536)}),
    "stored_runs_long": lambda z: z.set(1, "usize", len(PACKAGE["maps/de_x.txt"]) - 5),
    "crc_error": lambda z: z.put("<B", z.data_start(1), ord("a")),  # was "A test map"
    "truncated_deflate": lambda z: z.set(0, "csize", (z.data_end(0) - z.data_start(0)) // 2),
    "corrupt_deflate": lambda z: z.put("<B", z.data_start(0), 0x07),
    "stream_ends_early": lambda z: z.set(0, "usize", len(PACKAGE["maps/de_x.bsp"]) + 1000),
    "stored_ends_early": lambda z: z.set(1, "usize", len(PACKAGE["maps/de_x.txt"]) + 5),
    "declared_smaller": lambda z: z.set(0, "usize", 100),
    "overlapping_entries": lambda z: z.set(2, "offset", z.local(0)),
    "entry_overlaps_directory": lambda z: z.set(2, "csize", z.dir_offset - z.data_start(2) + 10),
    "entry_past_end": lambda z: z.set(2, "offset", len(z.b) + 100),
    "volume_missing": lambda z: volumes(z, missing=1)[0],
    "encrypted": lambda z: tool("zip -q -P password out.zip secret.bsp", "zip -q out.zip plain.txt",
                                files={"secret.bsp": b"hidden map" * 100, "plain.txt": b"open"}),
    "hostile_names": lambda z: zip_bytes({
        "../evil.txt": b"up", "a/../../evil2.txt": b"up2", "C:../evil3.txt": b"up3",
        "/abs/x.txt": b"abs", "C:\\drive\\y.txt": b"drive", "ok.txt": b"fine"}),
    # Code page 437 without the UTF-8 flag, UTF-8 with it, and a backslash separator.
    "names": lambda z: zip_bytes({"maps/cafX.txt": b"cp437", "maps/Zürich.txt": b"utf8",
        "maps\\back.txt": b"back"}).replace(b"cafX", "café".encode("cp437")),
    # The same UTF-8 bytes unflagged from Unix and from DOS, CP437 bytes that are not UTF-8
    # from Unix, and a name flagged UTF-8 that is not.
    "host_names": lambda z: host_names(),
    "info_zip_names": lambda z: tool("zip -q -r out.zip sound", files={"sound/río_lluvia.wav": b"rain"}),
    "folders": lambda z: zip_bytes({
        "empty_dir/": entry(b"", 0, 0, STORED), "data_dir/": entry(b"data", 0, 0, STORED),
        "attr_dir": entry(b"", 0x10, 0, STORED), "unix_dir": entry(b"", 0o40755 << 16),
        "plain.txt": entry(b"", 0, 0, STORED),
        # A Unix file whose DOS byte is all ones, DOS folder bits on data, a macOS folder.
        "ef_file.txt": entry(b"", (0o100644 << 16) | 0xFFFF, method=STORED),
        "dos_dir_data": entry(b"data", 0x10, 0, STORED), "mac_dir": entry(b"", 0o40755 << 16, 19)}),
    "modes": lambda z: Zip(zip_bytes({  # zipfile stores a mode of 0 as 0o600: cleared after
        "unix640.txt": entry(b"640", 0o100640 << 16), "unix000.txt": entry(b"000", 0o100000 << 16),
        "nomode.txt": entry(b"no mode", 0), "dos_readonly.txt": entry(b"read-only", 0x21, 0),
        "dos_archive.txt": entry(b"archive", 0x20, 0),
        "link": entry(b"/etc/passwd", 0o120777 << 16),
        "ro_dir/": entry(b"", (0o40555 << 16) | 0x10, method=STORED)})).set(2, "attr", 0),
}


def descriptor(z, i):
    """Where entry i's data descriptor starts, past its optional signature."""
    at = z.data_start(i) + z.field(i, "csize")
    return at + 4 if z.b[at:at + 4] == b"PK\x07\x08" else at


def reference(z, i):
    """Entry i's bytes as zlib reads them, or None where the entry is not sound."""
    method, crc, size = z.field(i, "method"), z.field(i, "crc"), z.field(i, "usize")
    data = bytes(z.b[z.data_start(i):z.data_end(i)])
    if method == STORED:
        out = data if len(data) == size else None
    else:
        try:
            if method == DEFLATED:
                decoder = zlib.decompressobj(-15)
            elif method == BZIP2:
                decoder = bz2.BZ2Decompressor()
            else:  # LZMA: version, properties' size and properties before the data
                properties = data[4:4 + struct.unpack_from("<H", data, 2)[0]]
                decoder = lzma.LZMADecompressor(lzma.FORMAT_RAW, filters=[
                    lzma._decode_filter_properties(lzma.FILTER_LZMA1, properties)])
                data = data[4 + len(properties):]
            out = decoder.decompress(data, size + 1)
        except (zlib.error, OSError, EOFError, lzma.LZMAError, struct.error):
            return None
        out = out if decoder.eof and len(out) == size else None
    if out is None or zlib.crc32(out) != crc:
        return None
    # A data descriptor is not looked at: the central directory decides, as in
    # every reader the archives are compared with.
    return out


def integrity_cases(folder):
    """Bit flips and cut or altered sizes in one entry of a real archive, each judged by zlib.
    Writes NAME.zip, NAME.zip.expected when zlib reads the entry, and cases.txt."""
    os.makedirs(folder)
    lines = []
    bases = {"plain": zip_bytes(PACKAGE), "streamed": zip_bytes(PACKAGE, out=Unseekable()),
             "bzip2": GOOD["bzip2_python"](None), "lzma": GOOD["lzma_python"](None)}
    for base, data in bases.items():
        for i in range(len(PACKAGE)):
            z0 = Zip(data)
            streamed = z0.get("<H", z0.central[i] + 8) & 8
            start, end = z0.data_start(i), z0.data_end(i)
            csize, usize = z0.field(i, "csize"), z0.field(i, "usize")
            edits = {"flip%d_%d" % (at, bit): (lambda z, at=at, bit=bit: z.put(
                "<B", at, z.b[at] ^ bit)) for at in (start, (start + end) // 2, end - 1)
                for bit in (0x01, 0x80)}
            for name, value in (("csize", csize - 1), ("csize", csize // 2), ("usize", usize - 1),
                                ("usize", usize + 1), ("crc", z0.field(i, "crc") ^ 1)):
                edits["%s_%d" % (name, value)] = (
                    lambda z, name=name, value=value: z.set(i, name, value, local=not streamed))
            if streamed:
                edits["descriptor"] = lambda z: z.put("<B", descriptor(z, i), z.b[descriptor(z, i)] ^ 4)
            for edit, change in edits.items():
                z = Zip(data)
                change(z)
                case = "%s_entry%d_%s.zip" % (base, i, edit)
                pathlib.Path(folder, case).write_bytes(z.b)
                out = reference(z, i)
                if out is not None:
                    pathlib.Path(folder, case + ".expected").write_bytes(out)
                lines.append("%s %d %s\n" % (case, i, "reads" if out is not None else "fault"))
    pathlib.Path(folder, "cases.txt").write_text("".join(lines))


def split_sets(folder):
    """split_info_zip/ (out.z01, …, out.zip from zip -s) and split_7z/ (out.zip.001, … from
    7z -v), both of split.expected/."""
    files = {"maps/de_s.bsp": random.Random(21).randbytes(150000),
             "maps/de_s.txt": b"split map\r\n" * 300}
    for kind, command in (("info_zip", "zip -q -s 64k -r out.zip maps"),
                          ("7z", "7z a -tzip -bso0 -bsp0 -v50k out.zip maps")):
        with tempfile.TemporaryDirectory() as tree:
            write_tree(tree, files)
            subprocess.check_call(command.split(), cwd=tree)
            os.makedirs(os.path.join(folder, "split_" + kind))
            for name in os.listdir(tree):
                if name.startswith("out."):
                    shutil.move(os.path.join(tree, name), os.path.join(folder, "split_" + kind))
    write_tree(os.path.join(folder, "split.expected"), files)
    os.makedirs(os.path.join(folder, "split.expected", "maps"), exist_ok=True)


def main(folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for name, build in {**GOOD, **OTHER}.items():
        made = build(Zip(zip_bytes(PACKAGE)))
        data, reference = made if isinstance(made, tuple) else (made, made)
        for suffix, piece in (data if isinstance(data, dict) else {".zip": data}).items():
            if piece is not None:
                pathlib.Path(folder, name + suffix).write_bytes(getattr(piece, "b", piece))
        if name in GOOD and reference is not None:
            path = os.path.join(folder, name + ".zip")
            with zipfile.ZipFile(io.BytesIO(getattr(reference, "b", reference))) as z:
                pathlib.Path(path + ".list").write_text("".join(
                    "%s %08x %d %d %04d-%02d-%02d %02d:%02d:%02d\n" % (
                        (i.filename, i.CRC, i.compress_size, i.file_size) + i.date_time)
                    for i in z.infolist()), "utf-8")
                write_tree(path + ".expected", {i.filename: z.read(i) for i in z.infolist()
                                                if not i.is_dir()})
    pathlib.Path(folder, "cp437.txt").write_text(bytes(range(0x80, 0x100)).decode("cp437"), "utf-8")
    integrity_cases(os.path.join(folder, "integrity"))
    split_sets(folder)
    pathlib.Path(folder, "complete").touch()


if __name__ == "__main__":
    main(sys.argv[1])

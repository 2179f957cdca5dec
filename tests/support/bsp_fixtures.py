#!/usr/bin/env python3
"""Half-Life maps (.bsp version 30), WAD3 and pak files built byte by byte with struct.

  bsp_fixtures.py map OUT SPEC    SPEC is JSON: {"entities": [[[key, value], ...], ...],
                                  "textures": [[name, embedded], ...]} and, to damage it,
                                  "version", "entity_text", "lumps": {"2": [offset, length]},
                                  "texture_count", "texture_offsets", "truncate" (a length,
                                  negative from the end), "pad" (zero bytes added at the end)
  bsp_fixtures.py wad OUT NAME... a WAD3 file holding a 16x16 texture of each name
  bsp_fixtures.py pak OUT SPEC    SPEC is JSON: {"path/in/pak": "content", ...}
  bsp_fixtures.py corpus FOLDER   small maps, WADs and pak files as fuzzing seeds
"""

import json, pathlib, struct, sys

LUMP_COUNT = 15
ENTITIES, TEXTURES = 0, 2
MIPTEX_HEADER = 16 + 4 * 6


def name_field(name, size):
    # Bytes that are no UTF-8 reach here as surrogates (from argv); they go back as bytes.
    data = name.encode("utf-8", "surrogateescape")[:size]
    return data + b"\0" * (size - len(data))


def miptex(name, embedded, size=16):
    """A texture header; embedded ones carry four mip levels and a palette."""
    if not embedded:
        return struct.pack("<16sII4I", name_field(name, 16), size, size, 0, 0, 0, 0)
    levels = [bytes([i % 256]) * ((size >> level) ** 2) for i, level in enumerate(range(4))]
    offsets, position = [], MIPTEX_HEADER
    for level in levels:
        offsets.append(position)
        position += len(level)
    palette = struct.pack("<H", 256) + bytes(range(256)) * 3 + b"\0\0"
    return struct.pack("<16sII4I", name_field(name, 16), size, size, *offsets) + b"".join(
        levels) + palette


def entity_text(entities):
    blocks = []
    for entity in entities:
        pairs = "".join(f'"{key}" "{value}"\n' for key, value in entity)
        blocks.append("{\n" + pairs + "}\n")
    return "".join(blocks) + "\0"


def texture_lump(textures, count=None, offsets=None):
    blobs = [miptex(name, embedded) for name, embedded in textures]
    table_size = 4 + 4 * len(blobs)
    positions, position = [], table_size
    for blob in blobs:
        positions.append(position)
        position += len(blob)
    count = len(blobs) if count is None else count
    # null keeps a texture's own offset
    offsets = positions if offsets is None else [
        position if offset is None else offset for offset, position in zip(offsets, positions)]
    table = struct.pack("<I", count & 0xFFFFFFFF) + b"".join(
        struct.pack("<i", offset) for offset in offsets)
    return table + b"".join(blobs)


def bsp(spec):
    text = spec.get("entity_text")
    text = entity_text(spec.get("entities", [])) if text is None else text
    lumps = [b"\0" * 20 for _ in range(LUMP_COUNT)]  # small stand-ins for geometry
    lumps[ENTITIES] = text.encode("utf-8")
    lumps[TEXTURES] = texture_lump(spec.get("textures", []), spec.get("texture_count"),
                                   spec.get("texture_offsets"))
    directory, body, position = [], b"", 4 + 8 * LUMP_COUNT
    for lump in lumps:
        directory.append((position, len(lump)))
        body += lump
        position += len(lump)
        padding = -position % 4  # lumps are aligned as compilers write them
        body += b"\0" * padding
        position += padding
    for index, (offset, length) in spec.get("lumps", {}).items():
        directory[int(index)] = (offset & 0xFFFFFFFF, length & 0xFFFFFFFF)
    header = struct.pack("<i", spec.get("version", 30)) + b"".join(
        struct.pack("<II", offset, length) for offset, length in directory)
    data = header + body + b"\0" * spec.get("pad", 0)
    return data[:spec["truncate"]] if "truncate" in spec else data


def wad(names):
    body, entries, position = b"", [], 12
    for name in names:
        blob = miptex(name, True)
        entries.append(struct.pack("<iiibbh16s", position, len(blob), len(blob), 0x43, 0, 0,
                                   name_field(name, 16)))
        body += blob
        position += len(blob)
    return struct.pack("<4sii", b"WAD3", len(names), position) + body + b"".join(entries)


def pak(files):
    body, entries, position = b"", [], 12
    for name, content in files.items():
        data = content.encode("latin-1") if isinstance(content, str) else content
        entries.append(struct.pack("<56sii", name_field(name, 56), position, len(data)))
        body += data
        position += len(data)
    directory = b"".join(entries)
    return struct.pack("<4sii", b"PACK", position, len(directory)) + body + directory


def corpus(folder):
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    world = [["classname", "worldspawn"], ["wad", "\\half-life\\valve\\halflife.wad;de_x.wad"],
             ["skyname", "xen"]]
    sound = [["classname", "ambient_generic"], ["message", "ambience/wind.wav"]]
    sprite = [["classname", "env_sprite"], ["model", "sprites/glow.spr"]]
    textures = [["crate", False], ["{fence", True], ["sky", False]]
    seeds = {
        "map.bsp": bsp({"entities": [world, sound, sprite], "textures": textures}),
        "map_no_textures.bsp": bsp({"entities": [world]}),
        "map_missing_slot.bsp": bsp({"entities": [world], "textures": textures,
                                     "texture_offsets": [None, -1, 40]}),
        "map_comments.bsp": bsp({"entity_text": "// made by hand\n{\n\"classname\" worldspawn\n}\n"}),
        "textures.wad": wad(["crate", "sky", "{fence"]),
        "pak0.pak": pak({"maps/de_x.res": "de_x.wad\n", "textures.wad": wad(["crate"])}),
    }
    for name, data in seeds.items():
        (folder / name).write_bytes(data)


def main():
    command, target = sys.argv[1], sys.argv[2]
    if command == "corpus":
        corpus(target)
        return
    if command == "map":
        data = bsp(json.loads(sys.argv[3]))
    elif command == "wad":
        data = wad(sys.argv[3:])
    elif command == "pak":
        data = pak(json.loads(sys.argv[3]))
    else:
        sys.exit(f"unknown command {command}")
    path = pathlib.Path(target)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data)


if __name__ == "__main__":
    main()

"""The benchmark corpus: map packages and a Steam library, made from fixed seeds.

Python 3 standard library only, nothing downloaded; the same seeds give the
same bytes on every machine, so figures from two machines compare.

    python3 bench/corpus.py FOLDER     makes FOLDER/{big,big3,big64,bigbz2,stored,many}.zip,
                                       FOLDER/many (many.zip unpacked) and
                                       FOLDER/steam (the 100,000-folder tree)
"""

import os
import shutil
import subprocess
import random
import sys
import zipfile
import zlib

# Bumped whenever the corpus changes, so a kept corpus is made again.
VERSION = "4"

MIB = 1 << 20
CHUNK = 1 << 16
# Every entry carries this time stamp, so the archives are identical byte for byte.
STAMP = (2023, 5, 1, 12, 0, 0)


def rng_for(name, seed):
    return random.Random(zlib.crc32(name.encode()) ^ seed)


def binary_chunks(rng, size, randomness):
    """Compressible binary data shaped like map lumps: records drawn from a small
    pool (vertices, faces), stretches of noise (packed textures, sound) and runs
    of a repeated pattern (padding, empty lightmaps)."""
    pool = [rng.randbytes(16) for _ in range(512)]
    left = size
    while left > 0:
        n = min(CHUNK, left)
        pick = rng.random()
        if pick < randomness:
            data = rng.randbytes(n)
        elif pick < randomness + 0.1:
            pattern = rng.randbytes(rng.randint(1, 64))
            data = (pattern * (n // len(pattern) + 1))[:n]
        else:
            data = b"".join(rng.choices(pool, k=n // 16 + 1))[:n]
        left -= n
        yield data


WORDS = None


def text_chunks(rng, size):
    """Text like a map's entity list, briefing or resource list."""
    global WORDS
    if WORDS is None:
        words = random.Random(7)
        WORDS = ["".join(words.choices("abcdefghijklmnopqrstuvwxyz_", k=words.randint(2, 11)))
                 for _ in range(400)]
    left = size
    while left > 0:
        lines = []
        length = 0
        while length < CHUNK:
            line = " ".join(rng.choices(WORDS, k=rng.randint(2, 12))) + "\r\n"
            lines.append(line)
            length += len(line)
        data = "".join(lines).encode()[:min(CHUNK, left)]
        left -= len(data)
        yield data


def content(name, size, seed):
    rng = rng_for(name, seed)
    extension = name.rsplit(".", 1)[-1]
    if extension in ("txt", "res", "cfg"):
        return text_chunks(rng, size)
    # Sound and packed textures hold more noise than level geometry does.
    randomness = {"wav": 0.6, "wad": 0.35, "tga": 0.3, "bmp": 0.3}.get(extension, 0.2)
    return binary_chunks(rng, size, randomness)


def entry_info(name, method):
    info = zipfile.ZipInfo(name, STAMP)
    info.create_system = 3  # made on Unix: the permission bits below count
    info.external_attr = (0o40755 << 16 | 0x10) if name.endswith("/") else (0o100644 << 16)
    info.compress_type = method
    return info


def folders_of(names):
    folders = []
    for name in names:
        parts = name.split("/")[:-1]
        for depth in range(1, len(parts) + 1):
            folder = "/".join(parts[:depth]) + "/"
            if folder not in folders:
                folders.append(folder)
    return folders


def write_zip(path, files, method, seed, unpack_to=None, zip64=False):
    """files: (name, size) pairs. Writes the archive (directory entries first, as
    zip -r does) and, when asked, the same tree as plain files; with zip64, every
    entry carries Zip64 sizes."""
    temporary = path + ".part"
    with zipfile.ZipFile(temporary, "w", allowZip64=zip64) as archive:
        for folder in folders_of(name for name, _ in files):
            archive.writestr(entry_info(folder, zipfile.ZIP_STORED), b"")
            if unpack_to:
                os.makedirs(os.path.join(unpack_to, folder), exist_ok=True)
        for name, size in files:
            info = entry_info(name, method)
            info.file_size = size
            plain = open(os.path.join(unpack_to, name), "wb") if unpack_to else None
            with archive.open(info, "w", force_zip64=zip64) as out:
                for chunk in content(name, size, seed):
                    out.write(chunk)
                    if plain:
                        plain.write(chunk)
            if plain:
                plain.close()
    os.replace(temporary, path)


def big_files(scale, seed):
    """About 300 MB (times scale) of a map package in about 50 files."""
    rng = rng_for("big", seed)
    files = []

    def add(name, mib):
        files.append((name, int(mib * scale * MIB * rng.uniform(0.8, 1.2))))

    for i in range(10):
        add(f"maps/de_big{i:02d}.bsp", 18)
        add(f"maps/de_big{i:02d}.txt", 0.01)
        add(f"maps/de_big{i:02d}.res", 0.002)
    for i in range(5):
        add(f"big_textures{i}.wad", 12)
    for side in ("up", "dn", "lf", "rt", "ft", "bk"):
        add(f"gfx/env/desert{side}.tga", 3)
    for i in range(2):
        add(f"overviews/de_big{i:02d}.bmp", 2)
        add(f"overviews/de_big{i:02d}.txt", 0.001)
    for i in range(3):
        add(f"sound/ambience/wind{i}.wav", 10)
    add("models/big_props.mdl", 5)
    add("sprites/big_smoke.spr", 2)
    return files


def stored_files(seed):
    """About 200 MB of maps and sounds packed without compression."""
    rng = rng_for("stored", seed)
    files = []
    for i in range(8):
        files.append((f"maps/cs_stored{i}.bsp", int(14 * MIB * rng.uniform(0.8, 1.2))))
        files.append((f"maps/cs_stored{i}.txt", int(4096 * rng.uniform(0.5, 1.5))))
    for i in range(12):
        files.append((f"sound/ambience/stored{i:02d}.wav", int(7 * MIB * rng.uniform(0.8, 1.2))))
    return files


def many_files(seed):
    """10,000 files of 1 to 8 KiB in about 100 folders: a skin and sound
    collection with a few maps, so it installs as a structured package."""
    rng = rng_for("many", seed)
    names = []
    for i in range(5):
        names += [f"maps/fy_many{i}.bsp", f"maps/fy_many{i}.txt"]
    for pack in range(60):
        names += [f"sound/pack{pack:02d}/sfx{i:03d}.wav" for i in range(100)]
    for player in range(20):
        for i in range(50):
            names += [f"models/player/skin{player:02d}/part{i:02d}.mdl",
                      f"models/player/skin{player:02d}/part{i:02d}.bmp"]
    for group in range(10):
        names += [f"sprites/set{group}/spr{i:03d}.spr" for i in range(100)]
    names += [f"gfx/env/sky{i:03d}.tga" for i in range(500)]
    for i in range(245):
        names += [f"overviews/ov{i:03d}.bmp", f"overviews/ov{i:03d}.txt"]
    assert len(names) == 10000, len(names)
    return [(name, rng.randint(1024, 8192)) for name in names]


def one_folder_files(seed):
    """20,000 small sounds in one folder beside a map: a folder that large must
    cost no more per file than a small one."""
    rng = rng_for("onefolder", seed)
    names = ["maps/fy_crowd.bsp"] + [f"sound/crowd/voice{i:05d}.wav" for i in range(20000)]
    return [(name, rng.randint(512, 2048)) for name in names]


def make_steam_tree(root, seed, total=100_000, maps_folders=950):
    """A large Steam library: total folders in all (root included), about
    maps_folders of them holding "maps", and three Half-Life installations with
    the game's executable beside cstrike, tfc and valve."""
    rng = rng_for("steam", seed)
    parts = ["bin", "data", "levels", "textures", "sound", "models", "locale", "shaders",
             "scripts", "config", "media", "packs", "addons", "content", "resource", "cache"]
    folders = [root]
    os.makedirs(root)
    common = os.path.join(root, "common")
    os.mkdir(common)
    folders.append(common)

    def mkdir(parent, name):
        path = os.path.join(parent, name)
        os.mkdir(path)
        folders.append(path)
        return path

    def touch(path):
        open(path, "wb").close()

    maps_made = 0
    for install in ("Half-Life", "Half-Life Beta", "Half-Life Dedicated Server"):
        game = mkdir(common, install)
        touch(os.path.join(game, "hl.exe"))
        touch(os.path.join(game, "hl_linux"))
        for mod in ("cstrike", "tfc", "valve", "dmc", "czero"):
            mod_path = mkdir(game, mod)
            for sub in ("maps", "models", "sound", "sprites", "gfx", "overviews"):
                mkdir(mod_path, sub)
            touch(os.path.join(mod_path, "maps", "de_dust2.bsp"))
            maps_made += 1

    games = 1000
    per_game = (total - len(folders)) // games
    for number in range(games):
        budget = per_game if number < games - 1 else total - len(folders)
        game = mkdir(common, f"Game {number:04d}")
        touch(os.path.join(game, "game.exe"))
        touch(os.path.join(game, "readme.txt"))
        budget -= 1
        # A game with maps folders: each one below a different content folder.
        wants_maps = (maps_folders - maps_made) // max(games - number, 1)
        if rng.random() < ((maps_folders - maps_made) % max(games - number, 1)) / max(games - number, 1):
            wants_maps += 1
        own = [(game, 0)]
        while budget > 0:
            parent, depth = own[min(int(rng.expovariate(0.05)), len(own) - 1)]
            if depth >= 6:
                continue
            if wants_maps > 0 and depth >= 1 and rng.random() < 0.3 and \
                    not os.path.isdir(os.path.join(parent, "maps")):
                path = mkdir(parent, "maps")
                touch(os.path.join(path, f"level{maps_made:04d}.bsp"))
                maps_made += 1
                wants_maps -= 1
            else:
                path = mkdir(parent, f"{rng.choice(parts)}{len(own):03d}")
                own.append((path, depth + 1))
                if rng.random() < 0.2:
                    touch(os.path.join(path, "asset.dat"))
            budget -= 1
    assert len(folders) == total, len(folders)
    return maps_made


def make(folder, seed=20240601):
    os.makedirs(folder, exist_ok=True)
    stamp = os.path.join(folder, "corpus-version")
    if os.path.exists(stamp) and open(stamp).read() == f"{VERSION} {seed}":
        return
    for name in os.listdir(folder):
        path = os.path.join(folder, name)
        if os.path.isdir(path):
            os.system(f"rm -rf '{path}'")
        else:
            os.remove(path)
    print("corpus: big.zip", file=sys.stderr, flush=True)
    write_zip(os.path.join(folder, "big.zip"), big_files(1, seed), zipfile.ZIP_DEFLATED, seed)
    print("corpus: big3.zip", file=sys.stderr, flush=True)
    write_zip(os.path.join(folder, "big3.zip"), big_files(3, seed), zipfile.ZIP_DEFLATED, seed)
    print("corpus: big64.zip", file=sys.stderr, flush=True)
    write_zip(os.path.join(folder, "big64.zip"), big_files(1, seed), zipfile.ZIP_DEFLATED, seed,
              zip64=True)
    # bzip2 is slow to write and to read: a third of the package is enough to time.
    print("corpus: bigbz2.zip", file=sys.stderr, flush=True)
    write_zip(os.path.join(folder, "bigbz2.zip"), big_files(1 / 3, seed), zipfile.ZIP_BZIP2, seed)
    print("corpus: stored.zip", file=sys.stderr, flush=True)
    write_zip(os.path.join(folder, "stored.zip"), stored_files(seed), zipfile.ZIP_STORED, seed)
    print("corpus: many.zip", file=sys.stderr, flush=True)
    write_zip(os.path.join(folder, "many.zip"), many_files(seed), zipfile.ZIP_DEFLATED, seed,
              unpack_to=os.path.join(folder, "many"))
    print("corpus: onefolder.zip", file=sys.stderr, flush=True)
    write_zip(os.path.join(folder, "onefolder.zip"), one_folder_files(seed), zipfile.ZIP_DEFLATED,
              seed)
    # The big package again as 7z (fastest LZMA level) and as a RAR written
    # stored, byte by byte (no free RAR writer exists).
    print("corpus: big.7z, big.rar", file=sys.stderr, flush=True)
    unpacked = os.path.join(folder, "big-unpacked")
    write_zip(os.path.join(folder, "big-for-7z.zip"), big_files(1, seed), zipfile.ZIP_STORED, seed,
              unpack_to=unpacked)
    os.remove(os.path.join(folder, "big-for-7z.zip"))
    subprocess.run(["7z", "a", "-bd", "-bso0", "-mx=1", os.path.join(folder, "big.7z"), "."],
                   cwd=unpacked, check=True)
    rar = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support",
                       "make_rar.py")
    names = [os.path.relpath(os.path.join(top, name), unpacked)
             for top, _, files in os.walk(unpacked) for name in files]
    subprocess.run([sys.executable, rar, "5", os.path.join(folder, "big.rar")] +
                   [f"{name}={name}" for name in sorted(names)], cwd=unpacked, check=True)
    shutil.rmtree(unpacked)
    print("corpus: Steam library", file=sys.stderr, flush=True)
    make_steam_tree(os.path.join(folder, "steam"), seed)
    with open(stamp, "w") as out:
        out.write(f"{VERSION} {seed}")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    make(sys.argv[1])

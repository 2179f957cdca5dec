"""A game tree for the map check: 1,000 maps and 50 WAD files, from fixed seeds.

    python3 bench/map_corpus.py FOLDER    makes FOLDER/hl/{cstrike,valve}

Each map names three of the WAD files (with the Windows paths of its author),
a sky, 40 textures it expects from its WADs, 20 it embeds, and 100 entities of
which 60 name a model, sprite or sound; the files lie in cstrike, in valve and
in valve's pak0.pak. One map in twenty lacks a texture and a model. Maps, WADs
and pak are written byte by byte by tests/support/bsp_fixtures.py.
"""

import os
import random
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "support"))
import bsp_fixtures  # noqa: E402

VERSION = "1"
MAPS = 1000
WADS = 50
TEXTURES_PER_WAD = 300
SKIES = 20


def make(folder, seed=20240601):
    stamp = os.path.join(folder, "map-corpus-version")
    if os.path.exists(stamp) and open(stamp).read() == f"{VERSION} {seed}":
        return
    rng = random.Random(seed)
    mod, valve = os.path.join(folder, "hl", "cstrike"), os.path.join(folder, "hl", "valve")

    def write(path, data):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(data if isinstance(data, bytes) else data.encode())

    wads = []
    for number in range(WADS):
        name = f"textures{number:02d}.wad"
        textures = [f"w{number:02d}_tex{t:03d}" for t in range(TEXTURES_PER_WAD)]
        write(os.path.join(mod if number % 2 else valve, name), bsp_fixtures.wad(textures))
        wads.append((name, textures))
    skies = [f"sky{number:02d}" for number in range(SKIES)]
    for sky in skies:
        for face in ("up", "dn", "lf", "rt", "ft", "bk"):
            write(os.path.join(valve, "gfx", "env", sky + face + ".tga"), b"tga")
    models = [f"models/props/prop{n:03d}.mdl" for n in range(200)]
    sprites = [f"sprites/glow{n:02d}.spr" for n in range(50)]
    sounds = [f"ambience/sound{n:03d}.wav" for n in range(200)]
    for model in models[:100]:
        write(os.path.join(mod, model), b"mdl")
    for sound in sounds:
        write(os.path.join(mod, "sound", sound), b"wav")
    write(os.path.join(valve, "pak0.pak"),
          bsp_fixtures.pak({name: "x" for name in models[100:] + sprites}))

    for number in range(MAPS):
        chosen = rng.sample(wads, 3)
        world = [["classname", "worldspawn"], ["skyname", rng.choice(skies)],
                 ["wad", ";".join(f"\\half-life\\cstrike\\{name}" for name, _ in chosen)]]
        entities = [world]
        for e in range(100):
            if e % 5 == 0:
                entities.append([["classname", "cycler"], ["model", rng.choice(models)]])
            elif e % 5 == 1:
                entities.append([["classname", "env_sprite"], ["model", rng.choice(sprites)]])
            elif e % 5 == 2:
                entities.append([["classname", "ambient_generic"],
                                 ["message", rng.choice(sounds)], ["health", "10"]])
            else:
                entities.append([["classname", "func_wall"], ["model", f"*{e}"],
                                 ["rendermode", "4"], ["targetname", f"wall{e}"]])
        textures = [[rng.choice(rng.choice(chosen)[1]), False] for _ in range(40)]
        textures += [[f"embedded{t:02d}", True] for t in range(20)]
        if number % 20 == 0:
            textures.append(["in_no_wad", False])
            entities.append([["classname", "cycler"], ["model", "models/missing.mdl"]])
        write(os.path.join(mod, "maps", f"map{number:04d}.bsp"),
              bsp_fixtures.bsp({"entities": entities, "textures": textures, "pad": 32768}))
    write(stamp, f"{VERSION} {seed}")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    make(sys.argv[1])

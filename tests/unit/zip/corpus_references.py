#!/usr/bin/env python3
"""corpus_references.py CORPUS OUT: what Python's zipfile, Info-ZIP unzip and bsdtar make of
every archive in CORPUS. Writes OUT/verdicts.txt, one line per archive, "VERDICT NAME":
agree   all three read every entry alike; OUT/NAME.expected/ holds the files they read
refuse  all three refuse the archive
report  they differ among themselves: not judged
"""

import os, pathlib, shutil, subprocess, sys, tempfile, zipfile


def files_below(folder):
    found = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            if not os.path.islink(path):
                found[os.path.relpath(path, folder)] = pathlib.Path(path).read_bytes()
    return found


def with_python(archive, _):
    with zipfile.ZipFile(archive) as z:
        return {i.filename: z.read(i) for i in z.infolist() if not i.is_dir()}


def with_tool(command):
    def read(archive, scratch):
        out = os.path.join(scratch, command[0])
        os.makedirs(out)
        args = [a.replace("ARCHIVE", archive).replace("OUT", out) for a in command]
        done = subprocess.run(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=60)
        if done.returncode != 0:
            raise RuntimeError("%s exited with %d" % (command[0], done.returncode))
        return files_below(out)
    return read


READERS = [with_python, with_tool(["unzip", "-qq", "-o", "ARCHIVE", "-d", "OUT"]),
           with_tool(["bsdtar", "-xf", "ARCHIVE", "-C", "OUT"])]


def main(corpus, out):
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    lines = []
    for name in sorted(os.listdir(corpus)):
        archive = os.path.join(corpus, name)
        if name.endswith(".md") or not os.path.isfile(archive):
            continue
        results = []
        with tempfile.TemporaryDirectory() as scratch:
            for read in READERS:
                try:
                    results.append(read(archive, scratch))
                except Exception:  # any refusal, whatever its kind
                    results.append(None)
        if all(r is None for r in results):
            verdict = "refuse"
        elif all(r is not None and r == results[0] for r in results):
            verdict = "agree"
            for relative, data in results[0].items():
                path = pathlib.Path(out, name + ".expected", relative)
                path.parent.mkdir(parents=True, exist_ok=True)
                path.write_bytes(data)
            os.makedirs(os.path.join(out, name + ".expected"), exist_ok=True)
        else:
            verdict = "report"
        lines.append("%s %s\n" % (verdict, name))
    pathlib.Path(out, "verdicts.txt").write_text("".join(lines))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])

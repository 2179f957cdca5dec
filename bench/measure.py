"""Times Quarvel against the tools users would pick instead and prints one table.

Run through bench/run, which builds the programs first:

    python3 bench/measure.py --build BUILD_DIR --scratch FOLDER [--runs 5] [--keep]

Every figure is the median of the runs with their min-max. In each run the
Quarvel side and its peer are timed back to back (in alternating order), and
the ratio is taken within the run. Every run writes into a folder of its own
after a sync, outside the timing; inputs stay in the page cache, as a
just-downloaded package would be. Standard output goes to /dev/null unless a
figure reads it. Nothing here asserts a time.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corpus  # noqa: E402
import map_corpus  # noqa: E402


class Failure(Exception):
    pass


def run(command, env=None, capture=False, memory=False):
    """Runs one program; returns (seconds, peak RSS in KiB or None, standard
    output when captured). The peak comes from GNU time, whose own small size
    cannot mask the child's: a child forked from this interpreter would report
    the interpreter's."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err, \
            tempfile.NamedTemporaryFile("r") as peak:
        if memory:
            command = ["/usr/bin/time", "-f", "%M", "-o", peak.name] + command
        start = time.perf_counter()
        process = subprocess.run(command, stdout=out if capture else subprocess.DEVNULL,
                                 stderr=err, env=env)
        seconds = time.perf_counter() - start
        if process.returncode != 0:
            err.seek(0)
            raise Failure(f"{' '.join(command)} exited with {process.returncode}:\n"
                          f"{err.read().decode(errors='replace')[-2000:]}")
        out.seek(0)
        return (seconds, int(peak.read().split()[-1]) if memory else None,
                out.read().decode(errors="replace"))


def sync():
    """Earlier output written back to disk, outside any timing."""
    os.sync()


def tree_bytes(folder):
    total = 0
    for parent, _, files in os.walk(folder):
        total += sum(os.path.getsize(os.path.join(parent, name)) for name in files)
    return total


class Bench:
    def __init__(self, build, scratch, runs):
        self.build = os.path.abspath(build)
        self.scratch = os.path.abspath(scratch)
        self.data = os.path.join(self.scratch, "corpus")
        self.work = os.path.join(self.scratch, "work")
        self.runs = runs
        self.rows = []
        self.serial = 0
        home = os.path.join(self.scratch, "home")
        os.makedirs(home, exist_ok=True)
        # Quarvel's settings and staging folders inside the scratch folder.
        self.env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                        XDG_CACHE_HOME=os.path.join(home, ".cache"), LC_ALL="C.UTF-8")

    def tool(self, name):
        for folder in ("bench", "src/cli"):
            path = os.path.join(self.build, folder, name)
            if os.path.exists(path):
                return path
        raise Failure(f"{name} is not built in {self.build}")

    def out(self, figure, replace=False):
        """A new, empty output folder for one run of one side.

        With replace, the figure's earlier output is removed first, so the run
        writes into memory just freed: on a virtual machine whose host takes
        back free memory, writing hundreds of MB into pages it must hand out
        anew costs more than the program does. Outputs of many small files stay
        until the figure is done instead: creating thousands of files right
        after deleting thousands costs more too (ext4 skips recently freed
        inodes). Either way both sides are treated alike."""
        if replace:
            shutil.rmtree(os.path.join(self.work, figure), ignore_errors=True)
        self.serial += 1
        folder = os.path.join(self.work, figure, str(self.serial))
        os.makedirs(folder)
        return folder

    def done(self, figure):
        shutil.rmtree(os.path.join(self.work, figure), ignore_errors=True)
        sync()

    # --- the measurements ---------------------------------------------------

    def paired(self, quarvel, peers):
        """Runs quarvel and each peer once per run, in alternating order, each
        step after a sync. The steps return seconds (or any value); returns the
        Quarvel values and a list of values per peer."""
        ours = []
        theirs = [[] for _ in peers]
        # One run of each first, not counted: caches filled, programs loaded.
        for step in [quarvel] + peers:
            sync()
            step()
        for number in range(self.runs):
            order = [("q", quarvel)] + [(i, peer) for i, peer in enumerate(peers)]
            if number % 2 == 1:
                order.reverse()
            for key, step in order:
                sync()
                value = step()
                if key == "q":
                    ours.append(value)
                else:
                    theirs[key].append(value)
        return ours, theirs

    def extract(self, archive, label, goal_peer, limit=1.0):
        path = os.path.join(self.data, archive)
        figure = archive.replace(".zip", "")
        outputs = []

        replace = archive != "many.zip"

        def quarvel():
            outputs.append(self.out(figure, replace))
            seconds = run([self.tool("bench_extract"), path, outputs[-1]])[0]
            sizes.append(tree_bytes(outputs[-1]))
            return seconds

        def bsdtar():
            return run(["bsdtar", "-xf", path, "-C", self.out(figure, replace)])[0]

        def unzip():
            return run(["unzip", "-qo", path, "-d", self.out(figure, replace)])[0]

        sizes = []
        ours, (tar, unz) = self.paired(quarvel, [bsdtar, unzip])
        size = sizes[-1]
        if replace:
            self.done(figure)
        self.progress(label)
        if goal_peer == "bsdtar":
            # Throughput: the ratio is Quarvel's MB/s over the peer's.
            mb = size / 1e6
            self.rate_row(label, ours, tar, mb, "bsdtar", "MB/s ≥ bsdtar's (≥ 1.0×)", 1.0)
            self.rate_row(label, ours, unz, mb, "unzip", "— (for comparison)", None)
        else:
            self.time_row(label, ours, unz, "unzip", f"time ≤ {limit}× unzip", limit)
            self.time_row(label, ours, tar, "bsdtar", "— (for comparison)", None)

    def extract_other(self, archive, label):
        path = os.path.join(self.data, archive)
        figure = archive.replace(".", "-")

        def quarvel():
            return run([self.tool("bench_archive_extract"), path, self.out(figure, True)])[0]

        def bsdtar():
            return run(["bsdtar", "-xf", path, "-C", self.out(figure, True)])[0]

        ours, (peer,) = self.paired(quarvel, [bsdtar])
        self.done(figure)
        self.progress(label)
        self.time_row(label, ours, peer, "bsdtar", "time ≤ 1.1×", 1.1)

    def install_from_folder(self):
        source = os.path.join(self.data, "many")

        def quarvel():
            mod = self.out("folder")
            return run([self.tool("quarvel-cli"), "--answer", "yes", "--mod-dir", mod, source],
                       env=self.env)[0]

        def cp():
            return run(["cp", "-r", source + "/.", self.out("folder")])[0]

        ours, (peer,) = self.paired(quarvel, [cp])
        self.progress("install from folder")
        self.time_row("install from folder", ours, peer, "cp -r", "time ≤ 1.3×", 1.3)

    def record_cost(self):
        """The same install with and without its undo record and backups: the
        second run into each folder replaces every file, so backups are made."""
        source = os.path.join(self.data, "many")

        def install(extra):
            mod = self.out("record")
            command = [self.tool("quarvel-cli"), "--answer", "yes", "--mod-dir", mod] + extra
            run(command + ["--no-record", source], env=self.env)
            return run(command + [source], env=self.env)[0]

        ours, (peer,) = self.paired(lambda: install([]), [lambda: install(["--no-record"])])
        self.done("record")
        self.progress("install with its record")
        self.time_row("install with record and backups", ours, peer, "without them",
                      "time ≤ 1.15×", 1.15)

    def undo_cost(self):
        """Undo of a 10,000-file drop against rm -rf of the same files (the
        drop replaced nothing, so there is nothing to copy back)."""
        source = os.path.join(self.data, "many")
        state = os.path.join(self.scratch, "home", "undo-state")
        env = dict(self.env, XDG_STATE_HOME=state)

        def quarvel():
            mod = self.out("undo")
            run([self.tool("quarvel-cli"), "--answer", "yes", "--mod-dir", mod, source], env=env)
            sync()
            return run([self.tool("quarvel-cli"), "--mod-dir", mod, "--undo"], env=env)[0]

        def rm():
            mod = self.out("undo")
            run(["cp", "-r", source + "/.", mod])
            sync()
            return run(["rm", "-rf", mod])[0]

        ours, (peer,) = self.paired(quarvel, [rm])
        self.done("undo")
        shutil.rmtree(state, ignore_errors=True)
        self.progress("undo")
        self.time_row("undo of a 10,000-file drop", ours, peer, "rm -rf", "time ≤ 1.0×", 1.0)

    def install_from_zip(self):
        archive = os.path.join(self.data, "many.zip")

        def quarvel():
            mod = self.out("zip")
            return run([self.tool("quarvel-cli"), "--answer", "yes", "--mod-dir", mod, archive],
                       env=self.env)[0]

        # A fixed staging folder, as Quarvel's own is: each run then creates its
        # files where the previous run has just deleted as many.
        staging = os.path.join(self.scratch, "home", "staging")

        def peer():
            mod = self.out("zip")
            return (run(["unzip", "-q", archive, "-d", staging])[0] +
                    run(["cp", "-r", staging + "/.", mod])[0] +
                    run(["rm", "-rf", staging])[0])

        ours, (theirs,) = self.paired(quarvel, [peer])
        self.progress("install from zip")
        self.time_row("install from zip", ours, theirs, "unzip + cp -r + rm -rf", "time ≤ 1.0×",
                      1.0)

    def one_folder(self):
        archive = os.path.join(self.data, "onefolder.zip")

        def quarvel():
            mod = self.out("onefolder")
            os.makedirs(os.path.join(mod, "sound", "crowd"))
            return run([self.tool("quarvel-cli"), "--answer", "yes", "--mod-dir", mod, archive],
                       env=self.env)[0]

        def unzip():
            return run(["unzip", "-q", archive, "-d", self.out("onefolder")])[0]

        ours, (peer,) = self.paired(quarvel, [unzip])
        self.done("onefolder")
        self.progress("20,000 files into one folder")
        self.time_row("20,000 files into one folder", ours, peer, "unzip", "time ≤ 1.5×", 1.5)

    def steam_scan(self):
        tree = os.path.join(self.data, "steam")
        found = []

        def quarvel():
            seconds, _, text = run([self.tool("bench_steam_scan"), tree], capture=True)
            found.append(int(text))
            return seconds

        def find():
            return run(["find", tree, "-type", "d"])[0]

        ours, (peer,) = self.paired(quarvel, [find])
        self.progress(f"Steam scan ({found[-1]} candidates)")
        self.time_row("Steam scan", ours, peer, "find -type d", "time ≤ 1.0×", 1.0)

    def map_check(self):
        game = os.path.join(self.data, "game")
        map_corpus.make(game)
        mod = os.path.join(game, "hl", "cstrike")
        summary = []

        def check():
            seconds, _, text = run([self.tool("bench_map_check"), mod], capture=True)
            summary.append(text.strip())
            return seconds

        check()  # caches filled, program loaded
        ours = [check() for _ in range(self.runs)]
        self.progress(f"map check ({summary[-1]})")
        self.rows.append(("map check, 1,000 maps and 50 WADs", self.stat(ours, "s"), "—", "—",
                          "time < 2 s", self.met(statistics.median(ours) < 2)))

    def log_pane(self):
        if not os.path.exists(os.path.join(self.build, "bench", "bench_log_pane")):
            return
        first = []
        last = []
        env = dict(self.env, QT_QPA_PLATFORM="offscreen")
        run([self.tool("bench_log_pane"), "10000"], env=env)
        for _ in range(self.runs):
            text = run([self.tool("bench_log_pane"), "10000"], env=env, capture=True)[2]
            text = text.split()
            first.append(float(text[0]) / 1000)
            last.append(float(text[1]) / 1000)
        self.progress("log pane")
        self.time_row("log pane (last 1,000 of 10,000 lines)", last, first,
                      "its first 1,000 lines", "≤ 1.2×", 1.2)

    def memory(self):
        peaks = {}
        for archive in ("big.zip", "big3.zip"):
            peaks[archive] = []
            path = os.path.join(self.data, archive)
            for _ in range(self.runs):
                mod = self.out("memory", replace=True)
                peaks[archive].append(
                    run([self.tool("quarvel-cli"), "--answer", "yes", "--mod-dir", mod, path],
                        env=self.env, memory=True)[1] / 1024)
        self.progress("memory")
        small, large = peaks["big.zip"], peaks["big3.zip"]
        self.rows.append(("memory, big.zip", self.stat(small, "MiB"), "—", "—", "≤ 40 MiB",
                          self.met(statistics.median(small) <= 40)))
        ratios = [b / a for a, b in zip(small, large)]
        self.rows.append(("memory, big.zip × 3", self.stat(large, "MiB"),
                          "big.zip " + self.stat(small, "MiB"), self.stat(ratios, "×"),
                          "≤ 40 MiB, within 10 %",
                          self.met(statistics.median(large) <= 40 and
                                   abs(statistics.median(ratios) - 1) <= 0.1)))

    def syscalls(self):
        """System calls per file of unpacking the 10,000-file archive, counted
        by strace -c -f (children included) for Quarvel's reader, Quarvel's
        whole install and the peers; one run each, as the counts hardly vary.
        Each count includes the program's start, a few hundred calls."""
        if shutil.which("strace") is None:
            print("bench: strace is not installed; no system-call counts", file=sys.stderr)
            return
        archive = os.path.join(self.data, "many.zip")
        files = len(corpus.many_files(0))

        def count(command, env=None):
            with tempfile.NamedTemporaryFile("r") as summary:
                run(["strace", "-f", "-c", "-o", summary.name] + command, env=env)
                for line in summary:
                    words = line.split()
                    if words and words[-1] == "total":
                        return int(words[3]) / files
            raise Failure(f"strace gave no total for {' '.join(command)}")

        ours = count([self.tool("bench_extract"), archive, self.out("syscalls")])
        install = count([self.tool("quarvel-cli"), "--answer", "yes", "--mod-dir",
                         self.out("syscalls"), archive], env=self.env)
        unz = count(["unzip", "-qo", archive, "-d", self.out("syscalls")])
        tar = count(["bsdtar", "-xf", archive, "-C", self.out("syscalls")])
        self.done("syscalls")
        self.progress("system calls")
        for label, value in (("extract many", ours), ("install from zip", install)):
            for peer, theirs in (("unzip", unz), ("bsdtar", tar)):
                self.rows.append((f"system calls per file, {label}", f"{value:.1f}",
                                  f"{peer} {theirs:.1f}", f"{value / theirs:.2f}×",
                                  "— (for comparison)", "—"))

    # --- the table ----------------------------------------------------------

    @staticmethod
    def stat(values, unit):
        digits = 3 if unit == "s" and statistics.median(values) < 10 else 2
        if unit in ("MB/s", "MiB"):
            digits = 0 if unit == "MB/s" else 1
        form = f"{{:.{digits}f}}"
        median = form.format(statistics.median(values))
        return f"{median} {unit} ({form.format(min(values))}–{form.format(max(values))})" \
            .replace(" ×", "×")

    @staticmethod
    def met(ok):
        return "met" if ok else "**not met**"

    def time_row(self, label, ours, theirs, peer, goal, limit):
        ratios = [q / p for q, p in zip(ours, theirs)]
        verdict = "—" if limit is None else self.met(statistics.median(ratios) <= limit)
        self.rows.append((label, self.stat(ours, "s"), f"{peer} {self.stat(theirs, 's')}",
                          self.stat(ratios, "×"), goal, verdict))

    def rate_row(self, label, ours, theirs, mb, peer, goal, limit):
        ratios = [p / q for q, p in zip(ours, theirs)]  # our MB/s over theirs
        verdict = "—" if limit is None else self.met(statistics.median(ratios) >= limit)
        self.rows.append((label, self.stat([mb / t for t in ours], "MB/s"),
                          f"{peer} {self.stat([mb / t for t in theirs], 'MB/s')}",
                          self.stat(ratios, "×"), goal, verdict))

    def progress(self, label):
        print(f"bench: {label} measured", file=sys.stderr, flush=True)

    def table(self):
        head = ("figure", "Quarvel", "peer", "ratio", "goal", "")
        lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
        for row in self.rows:
            lines.append("| " + " | ".join(row) + " |")
        return "\n".join(lines)

    def describe(self):
        cpu = "unknown CPU"
        try:
            with open("/proc/cpuinfo") as info:
                cpu = next(line.split(":", 1)[1].strip() for line in info
                           if line.startswith("model name"))
        except (OSError, StopIteration):
            pass
        fs = run(["stat", "-f", "-c", "%T", self.scratch], capture=True)[2].strip()
        versions = []
        for command in (["unzip", "-v"], ["bsdtar", "--version"], ["cp", "--version"],
                        ["find", "--version"]):
            words = run(command, capture=True)[2].split()
            versions.append(" ".join(words[:2] if command[0] in ("unzip", "bsdtar") else
                                     words[:4]))
        return (f"Machine: {cpu}, {os.cpu_count()} CPUs; scratch file system {fs}; "
                f"{self.runs} runs per figure. Peers: " + ", ".join(versions) + ".")

    def all(self, parts):
        print("bench: making the corpus (kept between runs with --keep)", file=sys.stderr,
              flush=True)
        # The map check brings its own game tree.
        if set(parts) - {"mapcheck", "log"}:
            corpus.make(self.data)
        os.makedirs(self.work, exist_ok=True)
        if "extract" in parts:
            self.extract("big.zip", "extract big", "bsdtar")
            self.extract("stored.zip", "extract stored", "bsdtar")
            self.extract("many.zip", "extract many", "unzip")
            self.extract_other("big.7z", "extract 7z")
            self.extract_other("big.rar", "extract RAR")
            self.extract("big64.zip", "extract Zip64", "unzip", 1.1)
            self.extract("bigbz2.zip", "extract bzip2", "unzip", 1.1)
        if "syscalls" in parts:
            self.syscalls()
        if "install" in parts:
            self.install_from_folder()
            self.record_cost()
            self.undo_cost()
            self.install_from_zip()
            self.one_folder()
        # Removed before the rest: tens of thousands of small files.
        shutil.rmtree(self.work, ignore_errors=True)
        sync()
        if "scan" in parts:
            self.steam_scan()
        if "mapcheck" in parts:
            self.map_check()
        if "log" in parts:
            self.log_pane()
        if "memory" in parts:
            self.memory()


PARTS = ("extract", "syscalls", "install", "scan", "mapcheck", "log", "memory")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", required=True, help="build folder with the bench programs")
    parser.add_argument("--scratch", required=True, help="folder for the corpus and the output")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--keep", action="store_true", help="keep the corpus for the next run")
    parser.add_argument("--only", default=",".join(PARTS),
                        help="comma-separated parts: " + ",".join(PARTS))
    options = parser.parse_args()
    parts = options.only.split(",")
    if not set(parts) <= set(PARTS) or options.runs < 1:
        parser.error(f"--only takes some of {','.join(PARTS)}; --runs at least 1")

    bench = Bench(options.build, options.scratch, options.runs)
    try:
        bench.all(parts)
        print(bench.describe())
        print()
        print(bench.table())
    except Failure as failure:
        print(f"bench: {failure}", file=sys.stderr)
        return 1
    finally:
        shutil.rmtree(bench.work if options.keep else bench.scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Speed and memory of `mirrane A B hide` (the console mode, default options) against GNU
`diff -rq A B` and two floors, in the same run: the listing floor (`find A B -printf`) and
the reading floor (read_floor.c: one thread reads every file once in 128 KiB pieces with
pread into a reused buffer, once page-aligned and once at offsets 16 and 1, so that the cost
of an unaligned destination shows on any machine). Warm page cache, alternating runs,
medians; peak resident size through /usr/bin/time.

Shapes (pick with --shapes):
  small   ~100,000 files of 0-16 KiB (2 % up to 64 KiB) in 5,000 folders, 4 levels; 1 % changed
          in one byte at equal size, 0.5 % only on one side
  mixed   ~20,000 files, 78 % 0-32 KiB, 20 % 32-256 KiB, 2 % up to 4 MiB; 2 % changed in one byte
  large   six pairs of 256 MiB files, two differing (one in its first byte, one in its last)
  items   0- and 1-byte files, 100,000 and 1,000,000 items: whether the cost is linear
  ignore  the small shape with a .gitignore in every folder (rules that leave nothing out, so the
          work is the same), compared with `ignore` beside the same compare without it
  real    a copy of a system folder of this machine (/usr/include, or --real-source, up to about
          10,500 items) with one file changed at equal size and time and one removed; also
          without text mode (-txt). The copy stays in the scratch folder, never in the repository
  syscalls  the real tree under `strace -c -f`: the program's metadata calls (newfstatat, statx,
          fstat, ...) against diff -rq's, and every other call count beside diff's
  window  `mirrane A B start` on Xvfb against `mirrane A B hide` on the 100,000-item tree: the
          time until the window's list is first painted with the compare's rows (the program
          marks it on standard error when MIRRANE_MARK_LIST_SHOWN is set) and the peak memory
          at that moment, against the console's time and peak
  S1 S2 S3  the earlier shapes: 0-64 KiB mostly text files, six 256 MiB patterned files, and a
          text-heavy mix up to 4 MiB (30 % of their changes append a byte)
Contents are random; a changed file keeps its size and modification time, so that only
reading its content can tell. Options fall back to environment variables (in brackets).
With --report, `mirrane A B hide --report=FILE` (the items that differ) and the same with
--report-all (every item) run beside the plain `mirrane A B hide`, in the same rounds.
With --baseline=PROGRAM, another build (say, of the commit before a change) runs beside the
program in the same rounds, so that a change's cost is measured against the same diff -rq
and the same machine load: each shape shows both programs' ratios to diff -rq and to each
other, and their peak memory per item.

Listings (pick with --shapes too):
  listing-save  `mirrane --save-listing=FILE A` on the mixed tree against
                `find A -type f -print0 | xargs -0 sha256sum` (one thread); the listing's hashes
                are checked against sha256sum's, and the save's peak memory is shown
  listing-load  on the 1,000,000-item tree (the items shape): `mirrane LISTING A hide` against
                `mirrane A B hide` (peak memory), and `mirrane LISTING ONE-FILE hide`, which
                does little but load the listing (its time)

The trees go to a scratch folder outside the repository (default /tmp/mirrane-bench) and are
reused by later runs while their parameters match, which a marker file in each tree records.
"""

import argparse
import json
import os
import random
import re
import shutil
import statistics
import subprocess
import sys
import time

KIB = 1024
MIB = 1024 * 1024
GIB = 1024 * MIB
HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
MARKER = "mirrane-bench-tree.json"
# Bumped whenever a generator changes what it writes, so that older trees are made again.
GENERATOR_VERSION = 1
# Every generated file and folder gets this modification time (1 January 2024, UTC), on both
# sides, so that only content tells a changed pair apart.
FIXED_TIME_NS = 1704067200 * 10**9
FLOOR_OFFSETS = (0, 16, 1)
ALL_SHAPES = ["small", "mixed", "large", "items", "ignore", "real", "syscalls", "window", "S1", "S2", "S3",
              "listing-save", "listing-load"]
# The real shape's copy: about as many items as /usr/include holds on a Debian machine.
REAL_ITEMS = 10500


def engine_block_mib():
    """The engine's default block size, read from its header so that the budget follows it."""
    try:
        with open(os.path.join(REPO, "engine", "CompareOptions.h")) as header:
            found = re.search(r"kDefaultTextModeMaxSize\s*=\s*(\d+)u?\s*\*\s*1024\s*\*\s*1024", header.read())
        if found:
            return int(found.group(1))
    except OSError:
        pass
    return 16


def engine_readers():
    """The program's content readers on this machine: one per processor, capped as its header
    says, so that the budget follows it."""
    cap = 4
    try:
        with open(os.path.join(REPO, "engine", "ContentReaders.h")) as header:
            found = re.search(r"kMaxContentReaders\s*=\s*(\d+)", header.read())
        if found:
            cap = int(found.group(1))
    except OSError:
        pass
    return max(1, min(os.cpu_count() or 1, cap))


def parse_arguments():
    env = os.environ.get
    default_scratch = env("BENCH_DIR") or os.path.join(env("BENCH_TMP") or env("TMPDIR") or "/tmp", "mirrane-bench")
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--shapes", default=env("BENCH_SHAPES") or env("BENCH_SCENARIOS") or " ".join(ALL_SHAPES),
                        help="shapes to run, space- or comma-separated [BENCH_SHAPES] (default: all)")
    parser.add_argument("--scale", type=float, default=float(env("BENCH_SCALE", "1")),
                        help="factor on file counts and sizes, e.g. 0.1 for a quick run [BENCH_SCALE] (default 1)")
    parser.add_argument("--runs", type=int, default=int(env("BENCH_RUNS", "3")),
                        help="measured runs of each command, after one warm-up [BENCH_RUNS] (default 3)")
    parser.add_argument("--cold", action="store_true", default=env("BENCH_COLD", "0") == "1",
                        help="also one cold-cache run of the small shape, dropping caches (root) [BENCH_COLD=1]")
    parser.add_argument("--scratch", default=default_scratch,
                        help="folder for the trees and the compiled floor [BENCH_DIR] (default %(default)s)")
    parser.add_argument("--remove", action="store_true", default=env("BENCH_REMOVE", "0") == "1",
                        help="delete each tree once measured instead of keeping it for the next run [BENCH_REMOVE=1]")
    parser.add_argument("--mirrane", default=env("BENCH_MIRRANE") or os.path.join(REPO, "build", "mirrane"),
                        help="the program [BENCH_MIRRANE] (default build/mirrane)")
    parser.add_argument("--baseline", default=env("BENCH_BASELINE") or "",
                        help="another build of the program to measure beside it in the same rounds "
                             "[BENCH_BASELINE]")
    parser.add_argument("--block-mib", type=int, default=int(env("BENCH_BLOCK_MIB") or engine_block_mib()),
                        help="the block size in MiB, for the memory budget [BENCH_BLOCK_MIB] (default: the engine's)")
    parser.add_argument("--readers", type=int, default=int(env("BENCH_READERS") or engine_readers()),
                        help="readers of the program, for the memory budget [BENCH_READERS] (default: the program's "
                             "on this machine)")
    parser.add_argument("--real-source", default=env("BENCH_REAL_SOURCE") or "/usr/include",
                        help="the system folder the real shape copies [BENCH_REAL_SOURCE] (default %(default)s)")
    parser.add_argument("--report", action="store_true", default=env("BENCH_REPORT", "0") == "1",
                        help="also run mirrane with --report=FILE and with --report-all beside the plain run, "
                             "for what the item report costs [BENCH_REPORT=1]")
    args = parser.parse_args()
    args.shapes = args.shapes.replace(",", " ").split()
    unknown = [s for s in args.shapes if s not in ALL_SHAPES]
    if unknown:
        parser.error("unknown shape %s (known: %s)" % (", ".join(unknown), " ".join(ALL_SHAPES)))
    if args.runs < 1 or args.scale <= 0 or args.block_mib < 1 or args.readers < 1:
        parser.error("--runs, --scale, --block-mib and --readers must be positive")
    args.scratch = os.path.realpath(args.scratch)
    if args.scratch == REPO or args.scratch.startswith(REPO + os.sep):
        parser.error("the scratch folder %s is inside the repository; generated trees stay out of it" % args.scratch)
    return args


# ---------------------------------------------------------------------------------------
# Writing trees. Each generator writes root/A and root/B and returns the tree's figures.


class TreeWriter:
    """Writes file pairs into A and B with the fixed modification time and counts them."""

    def __init__(self, root):
        self.a = os.path.join(root, "A")
        self.b = os.path.join(root, "B")
        for side in (self.a, self.b):
            os.makedirs(side, exist_ok=True)
        self.folders = []
        self.pairs = self.changed = self.one_side = self.only_b = self.bytes = 0

    def folder(self, relative):
        for side in (self.a, self.b):
            os.makedirs(os.path.join(side, relative), exist_ok=True)
        self.folders.append(relative)

    def _write(self, path, data):
        fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC | os.O_CLOEXEC, 0o644)
        try:
            view = memoryview(data)
            while view:
                view = view[os.write(fd, view):]
            os.utime(fd, ns=(FIXED_TIME_NS, FIXED_TIME_NS))
        finally:
            os.close(fd)
        self.bytes += len(data)

    def pair(self, relative, data, changed_data=None):
        self._write(os.path.join(self.a, relative), data)
        self._write(os.path.join(self.b, relative), data if changed_data is None else changed_data)
        self.pairs += 1
        self.changed += changed_data is not None

    def lone(self, relative, data, side_b):
        self._write(os.path.join(self.b if side_b else self.a, relative), data)
        self.only_b += side_b
        self.one_side += 1

    def finish(self):
        """Sets the folders' times last (writing files into them moved them)."""
        for relative in sorted(self.folders, key=len, reverse=True) + [""]:
            for side in (self.a, self.b):
                os.utime(os.path.join(side, relative), ns=(FIXED_TIME_NS, FIXED_TIME_NS))
        # Items of the compare: each pair, lone file and folder once.
        return {"items": self.pairs + self.one_side + len(self.folders),
                "files_a": self.pairs + self.one_side - self.only_b, "files_b": self.pairs + self.only_b,
                "changed": self.changed, "one_side": self.one_side, "bytes": self.bytes}


def flipped(data, position):
    """The same bytes with one changed at position. XOR with 0xFF never turns a byte into a
    line break or a line break into another, so the change shows in text mode too."""
    changed = bytearray(data)
    changed[position] ^= 0xFF
    return bytes(changed)


def folder_layout(count, levels):
    """Relative paths of `count` folders in `levels` levels, each level a steady fan-out of the one above."""
    branching = 1.0
    while sum(branching ** k for k in range(1, levels + 1)) < count:
        branching += 0.01
    per_level = [max(1, round(branching ** k)) for k in range(1, levels + 1)]
    per_level[-1] = max(1, count - sum(per_level[:-1]))
    paths, above = [], [""]
    for level, n in enumerate(per_level):
        this = [os.path.join(above[i % len(above)], "d%d_%05d" % (level + 1, i)) for i in range(n)]
        paths.extend(this)
        above = this
    return paths


def random_files(root, files, folders, levels, size_of, changed_share, one_side_share, seed):
    rng = random.Random(seed)
    pool = rng.randbytes(16 * MIB)
    writer = TreeWriter(root)
    layout = folder_layout(folders, levels)
    for path in layout:
        writer.folder(path)
    extensions = ["txt", "c", "bin", "dat", "png", "json"]
    for i in range(files):
        relative = os.path.join(layout[rng.randrange(len(layout))], "f%06d.%s" % (i, rng.choice(extensions)))
        size = size_of(rng)
        start = rng.randrange(len(pool) - size + 1)
        data = pool[start:start + size]
        roll = rng.random()
        if roll < one_side_share:
            writer.lone(relative, data, side_b=(writer.one_side % 2 == 1))
        elif roll < one_side_share + changed_share and size > 0:
            writer.pair(relative, data, flipped(data, rng.randrange(size)))
        else:
            writer.pair(relative, data)
    return writer.finish()


def make_small(root, scale):
    def size_of(rng):
        return rng.randrange(16 * KIB + 1) if rng.random() >= 0.02 else rng.randrange(16 * KIB, 64 * KIB + 1)

    return random_files(root, max(20, int(100000 * scale)), max(4, int(5000 * scale)), 4, size_of, 0.01, 0.005, 11)


# Rules as a project writes them, none of which leaves out a name of the generated trees, so
# that honouring them costs their reading and matching and nothing is compared less. Among
# them are patterns that take wildcard matching for every name, not only a compare of its end.
IGNORE_RULES = """# build output
*.o
*.obj
/build/
node_modules/
[Dd]ebug/
*.tmp
!keep.tmp
**/cache/**
d1_*/generated/
f*[!0-9].txt
*.log
"""


def make_ignore(root, scale):
    figures = make_small(root, scale)
    added = 0
    for side in ("A", "B"):
        for folder, _, _ in os.walk(os.path.join(root, side)):
            with open(os.path.join(folder, ".gitignore"), "w") as f:
                f.write(IGNORE_RULES)
            os.utime(os.path.join(folder, ".gitignore"), ns=(FIXED_TIME_NS, FIXED_TIME_NS))
            os.utime(folder, ns=(FIXED_TIME_NS, FIXED_TIME_NS))
            added += side == "A"
    figures["items"] += added
    figures["files_a"] += added
    figures["files_b"] += added
    figures["bytes"] += 2 * added * len(IGNORE_RULES)
    return figures


def make_mixed(root, scale):
    def size_of(rng):
        roll = rng.random()
        if roll < 0.78:
            return rng.randrange(32 * KIB + 1)
        if roll < 0.98:
            return rng.randrange(32 * KIB, 256 * KIB + 1)
        return rng.randrange(256 * KIB, 4 * MIB + 1)

    return random_files(root, max(20, int(20000 * scale)), max(2, int(1000 * scale)), 3, size_of, 0.02, 0, 12)


def make_large(root, scale):
    rng = random.Random(13)
    size = max(MIB, int(256 * MIB * scale))
    writer = TreeWriter(root)
    changes = {1: 0, 4: size - 1}
    for i in range(6):
        paths = [os.path.join(side, "large%d.bin" % i) for side in (writer.a, writer.b)]
        fds = [os.open(p, os.O_WRONLY | os.O_CREAT | os.O_TRUNC | os.O_CLOEXEC, 0o644) for p in paths]
        try:
            for start in range(0, size, MIB):
                piece = rng.randbytes(min(MIB, size - start))
                os.write(fds[0], piece)
                where = changes.get(i, -1) - start
                os.write(fds[1], flipped(piece, where) if 0 <= where < len(piece) else piece)
            for fd in fds:
                os.utime(fd, ns=(FIXED_TIME_NS, FIXED_TIME_NS))
        finally:
            for fd in fds:
                os.close(fd)
        writer.pairs += 1
        writer.changed += i in changes
        writer.bytes += 2 * size
    return writer.finish()


def make_items(root, items, seed):
    """0- and 1-byte files, about 200 items to a folder in two levels, 1 % of the 1-byte
    files changed."""
    rng = random.Random(seed)
    writer = TreeWriter(root)
    layout = folder_layout(max(2, items // 200), 2)
    leaves = [p for p in layout if os.sep in p]
    for path in layout:
        writer.folder(path)
    for i in range(items - len(layout)):
        relative = os.path.join(leaves[i % len(leaves)], "f%07d" % i)
        if i % 2 == 0:
            writer.pair(relative, b"")
            continue
        data = bytes([rng.randrange(256)])
        writer.pair(relative, data, flipped(data, 0) if rng.random() < 0.02 else None)
    return writer.finish()


# The earlier shapes, as they were written before the ones above; their figures stay
# comparable with the ones reported for them.

def legacy_pools(seed):
    rng = random.Random(seed)
    words = ["alpha", "beta", "gamma", "delta", "compare", "folder", "file", "mirrane", "x", "lorem"]
    parts, size = [], 0
    while size < 2 * MIB:
        word = rng.choice(words)
        parts.append(word)
        parts.append("\n" if rng.random() < 0.12 else " ")
        size += len(word) + 1
    return "".join(parts).encode(), bytes(rng.getrandbits(8) for _ in range(256 * KIB)) * 8


def legacy_content(rng, size, text, binary):
    pool = text if rng.random() < 0.7 else binary
    if size <= len(pool) - 1:
        start = rng.randrange(0, len(pool) - size)
        return pool[start:start + size]
    return (pool * (size // len(pool) + 1))[:size]


def legacy_change(path, rng):
    """A byte flipped, or one byte appended."""
    size = os.path.getsize(path)
    with open(path, "r+b") as f:
        if size == 0 or rng.random() < 0.3:
            f.seek(0, 2)
            f.write(b"!")
        else:
            pos = rng.randrange(size)
            f.seek(pos)
            byte = f.read(1)[0]
            f.seek(pos)
            f.write(bytes([byte ^ 0x01 if byte not in (0x0C, 0x0D, 0x0A, 0x0B) else 0x41]))


def legacy_tree(root, files, folders, size_of, diff_share, seed):
    rng = random.Random(seed)
    text, binary = legacy_pools(seed)
    a = os.path.join(root, "A")
    folder_paths = []
    for i in range(folders):
        parent = folder_paths[rng.randrange(len(folder_paths))] if folder_paths and rng.random() < 0.7 else a
        folder_paths.append(os.path.join(parent, "dir%05d" % i))
    os.makedirs(a, exist_ok=True)
    for path in folder_paths:
        os.makedirs(path, exist_ok=True)
    file_paths, total = [], 0
    for i in range(files):
        folder = folder_paths[rng.randrange(len(folder_paths))] if folder_paths else a
        path = os.path.join(folder, "file%06d.%s" % (i, rng.choice(["txt", "c", "bin", "dat"])))
        data = legacy_content(rng, size_of(rng), text, binary)
        with open(path, "wb") as out:
            out.write(data)
        total += len(data)
        file_paths.append(path)
    subprocess.run(["cp", "-r", a, os.path.join(root, "B")], check=True)
    changed = rng.sample(file_paths, max(1, int(len(file_paths) * diff_share))) if diff_share > 0 else []
    for path in changed:
        legacy_change(os.path.join(root, "B", os.path.relpath(path, a)), rng)
    return {"items": files + folders, "files_a": files, "files_b": files, "changed": len(changed), "one_side": 0,
            "bytes": 2 * total}


def make_s1(root, scale):
    n = max(10, int(100000 * scale))
    return legacy_tree(root, n, max(1, n // 20), lambda r: r.randrange(0, 64 * KIB + 1), 0.01, 1)


def make_s2(root, scale):
    rng = random.Random(2)
    a = os.path.join(root, "A")
    os.makedirs(a)
    size = max(MIB, int(256 * MIB * scale))
    block = bytes(rng.getrandbits(8) for _ in range(MIB))
    for i in range(6):
        with open(os.path.join(a, "big%d.bin" % i), "wb") as out:
            written = n = 0
            while written < size:
                piece = (n.to_bytes(8, "little") + block[8:])[: size - written]
                out.write(piece)
                written += len(piece)
                n += 1
    b = os.path.join(root, "B")
    subprocess.run(["cp", "-r", a, b], check=True)
    for name, position in (("big1.bin", 0), ("big4.bin", size - 1)):
        with open(os.path.join(b, name), "r+b") as f:
            f.seek(position)
            byte = f.read(1)[0]
            f.seek(position)
            f.write(bytes([byte ^ 0xFF]))
    return {"items": 6, "files_a": 6, "files_b": 6, "changed": 2, "one_side": 0, "bytes": 12 * size}


def make_s3(root, scale):
    n = max(10, int(20000 * scale))

    def mixed(r):
        return r.randrange(0, 64 * KIB + 1) if r.random() < 0.9 else r.randrange(64 * KIB, 4 * MIB + 1)

    return legacy_tree(root, n, max(1, n // 20), mixed, 0.02, 3)


def make_real(root, scale, source):
    """A copy of a folder of this machine, in sorted order up to REAL_ITEMS x scale items, on
    both sides with the source's times; links are kept where they lead to something (a
    dangling one would make diff -rq fail). In B one file of a few KiB has one byte changed
    at equal size and time, and another is removed."""
    limit = max(100, int(REAL_ITEMS * scale))
    writer = TreeWriter(root)
    files = []
    count = 0
    for folder, subfolders, names in os.walk(source):
        subfolders.sort()
        if count >= limit:
            subfolders[:] = []
            continue
        relative_folder = os.path.relpath(folder, source)
        if relative_folder != ".":
            writer.folder(relative_folder)
            count += 1
        for name in sorted(names):
            if count >= limit:
                break
            path = os.path.join(folder, name)
            relative = os.path.normpath(os.path.join(relative_folder, name))
            if not os.path.exists(path) or not (os.path.isfile(path) or os.path.isdir(path)):
                continue  # dangling, or a device or FIFO: nothing diff -rq compares
            if os.path.islink(path):
                target = os.readlink(path)
                for side in (writer.a, writer.b):
                    os.symlink(target, os.path.join(side, relative))
                if os.path.isdir(path):
                    continue  # a link to a folder: diff lists what is below it once more
            else:
                for side in (writer.a, writer.b):
                    shutil.copy2(path, os.path.join(side, relative))
            size = os.path.getsize(path)
            writer.pairs += 1
            writer.bytes += 2 * size
            count += 1
            if not os.path.islink(path) and 4 * KIB <= size <= 64 * KIB:
                files.append(relative)
    if len(files) < 2:
        sys.exit("%s holds too few files of 4-64 KiB to make the real shape from" % source)
    changed, removed = files[len(files) // 3], files[2 * len(files) // 3]
    path = os.path.join(writer.b, changed)
    info = os.stat(path)
    with open(path, "rb") as f:
        data = f.read()
    with open(path, "wb") as f:
        f.write(flipped(data, len(data) // 2))
    os.utime(path, ns=(info.st_atime_ns, info.st_mtime_ns))
    os.remove(os.path.join(writer.b, removed))
    writer.changed = 1
    writer.one_side = 1
    # The folders keep the times of the copy; only the two changed ones are set back.
    for side in (writer.a, writer.b):
        for relative in sorted(writer.folders, key=len, reverse=True) + [""]:
            info = os.stat(os.path.join(source, relative))
            os.utime(os.path.join(side, relative), ns=(info.st_atime_ns, info.st_mtime_ns))
    figures = {"items": count, "files_a": writer.pairs, "files_b": writer.pairs - 1, "changed": 1, "one_side": 1,
               "bytes": writer.bytes, "source": source, "changed_file": changed, "removed_file": removed}
    return figures


class Shape:
    """variants are (label, extra words) of further mirrane runs measured against the plain one."""

    def __init__(self, name, title, make, targets, items=None, variants=()):
        self.name, self.title, self.make, self.targets, self.items = name, title, make, targets, items
        self.variants = variants


# Targets are (figure, limit) with figure one of "diff" (mirrane / diff -rq), "floor"
# (mirrane / the aligned reading floor), "report" (mirrane with --report / without) and a
# variant's label (mirrane with its words / without).
SHAPES = {
    "small": Shape("small", "~100,000 files of 0-16 KiB (2 % up to 64 KiB) in 5,000 folders, 4 levels; "
                   "1 % changed in one byte at equal size, 0.5 % only on one side", make_small,
                   [("diff", 0.6), ("report", 1.10)]),
    "ignore": Shape("ignore", "the small shape with a .gitignore of 12 rules in every folder that leave nothing out; "
                    "mirrane honouring them (word ignore) against mirrane not", make_ignore,
                    [("ignore", 1.10)], variants=[("ignore", ["ignore"])]),
    "mixed": Shape("mixed", "~20,000 files in 1,000 folders, 3 levels: 78 % 0-32 KiB, 20 % 32-256 KiB, 2 % up to 4 MiB; "
                   "2 % changed in one byte at equal size", make_mixed, [("diff", 0.6)]),
    "large": Shape("large", "six pairs of 256 MiB random files, two differing (first byte, last byte)",
                   make_large, [("diff", 0.5), ("floor", 1.2)]),
    "real": Shape("real", "a copy of a system folder of this machine (about 10,500 items) with one file changed "
                  "at equal size and time and one removed; default options, and without text mode (-txt)",
                  None, [("diff", 0.7)], variants=[("-txt", ["-txt"])]),
    "S1": Shape("S1", "earlier shape: ~100,000 files of 0-64 KiB, 70 % text, 1 % changed (30 % of them grow)",
                make_s1, [("diff", 1.0)]),
    "S2": Shape("S2", "earlier shape: six 256 MiB patterned files, two differing (first byte, last byte)",
                make_s2, [("floor", 1.5)]),
    "S3": Shape("S3", "earlier shape: ~20,000 files, 90 % 0-64 KiB, 10 % up to 4 MiB, 70 % text, 2 % changed",
                make_s3, [("diff", 0.8)]),
}


def item_shape(items):
    return Shape("items-%s" % count_label(items), "%s items, 0- and 1-byte files, ~200 to a folder in two levels; "
                 "1 %% of the 1-byte files changed" % format(items, ","),
                 lambda root, scale: make_items(root, items, 14),
                 [("per-item", 250)] if items >= 1000000 else [], items)


def count_label(n):
    return "%dm" % (n // 1000000) if n % 1000000 == 0 else "%dk" % (n // 1000) if n % 1000 == 0 else str(n)


# ---------------------------------------------------------------------------------------
# Scratch trees.


def prepare_tree(args, shape):
    """The shape's tree in the scratch folder: reused when its marker matches, else made anew.
    Returns (root, figures, seconds spent generating or None when reused)."""
    root = os.path.join(args.scratch, shape.name)
    marker = os.path.join(root, MARKER)
    wanted = {"shape": shape.name, "scale": args.scale, "generator": GENERATOR_VERSION}
    if shape.name == "real":
        wanted["source"] = args.real_source
    if os.path.isfile(marker):
        try:
            with open(marker) as f:
                recorded = json.load(f)
            if recorded.get("parameters") == wanted and recorded.get("complete"):
                return root, recorded["figures"], None
        except (OSError, ValueError):
            pass
        shutil.rmtree(root)
    elif os.path.exists(root):
        sys.exit("%s exists but holds no %s: not a tree of this benchmark, left alone" % (root, MARKER))
    os.makedirs(root)
    write_marker(marker, wanted, None)
    start = time.perf_counter()
    figures = make_real(root, args.scale, args.real_source) if shape.name == "real" else shape.make(root, args.scale)
    os.sync()
    write_marker(marker, wanted, figures)
    return root, figures, time.perf_counter() - start


def write_marker(path, parameters, figures):
    with open(path + ".new", "w") as f:
        json.dump({"parameters": parameters, "complete": figures is not None, "figures": figures}, f)
    os.replace(path + ".new", path)


def compile_floor(scratch):
    binary = os.path.join(scratch, "read_floor")
    subprocess.run(["cc", "-O2", "-Wall", "-Wextra", "-Werror", "-o", binary, os.path.join(HERE, "read_floor.c")],
                   check=True)
    return binary


# ---------------------------------------------------------------------------------------
# Measuring.


def timed(command):
    """Runs a command under /usr/bin/time; returns (seconds, peak resident bytes, exit status,
    stdout). The peak from /usr/bin/time is the command's own: this Python process's
    resource usage of children would include the memory it was forked with."""
    start = time.perf_counter()
    process = subprocess.Popen(["/usr/bin/time", "-f", "%M"] + command, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
    out, err = process.communicate()
    elapsed = time.perf_counter() - start
    lines = err.decode(errors="replace").strip().splitlines()
    peak = int(lines[-1]) * KIB if lines and lines[-1].isdigit() else 0
    return elapsed, peak, process.returncode, out.decode(errors="replace"), " ".join(lines[:-1])


def drop_caches():
    os.sync()
    with open("/proc/sys/vm/drop_caches", "w") as f:
        f.write("3\n")


class Command:
    def __init__(self, label, argv):
        self.label, self.argv, self.runs, self.first = label, argv, [], None

    @property
    def median(self):
        return statistics.median(r[0] for r in self.runs)

    @property
    def peak(self):
        return max(r[1] for r in self.runs)


def measure_alternating(commands, runs):
    """One warm-up round (its output kept for the checks), then `runs` rounds each running
    every command once, so that a slow spell of the machine falls on all of them."""
    for command in commands:
        command.first = timed(command.argv)
    # The warm-up's reads stamp access times on a tree last read over a day ago; written back
    # during the first measured round, they would slow it.
    os.sync()
    for _ in range(runs):
        for command in commands:
            command.runs.append(timed(command.argv))


WARNINGS = []


def warn(text):
    """Figures from a tree that is not as made, or from a command that failed, mean nothing:
    said where they stand, and in the exit status."""
    print("WARNING: " + text)
    WARNINGS.append(text)


def mib(n):
    return n / MIB


def verdict_line(output):
    lines = [line.strip() for line in output.splitlines() if line.strip()]
    return lines[-1] if lines else "(no output)"


def run_shape(args, shape, floor, base_rss):
    root, figures, generated = prepare_tree(args, shape)
    a, b = os.path.join(root, "A"), os.path.join(root, "B")
    items = figures["items"]
    print("\n## %s: %s" % (shape.name, shape.title))
    print("tree %s (%s): %s items; A %s files, B %s files; %s changed, %s on one side only; %.2f GiB of content "
          "in A and B" % (root, "generated in %.1f s" % generated if generated is not None else "reused",
                        format(items, ","), format(figures["files_a"], ","), format(figures["files_b"], ","),
                        format(figures["changed"], ","), format(figures["one_side"], ","), figures["bytes"] / GIB),
          flush=True)

    mirrane = Command("mirrane A B hide", [args.mirrane, a, b, "hide"])
    diff = Command("diff -rq A B", ["diff", "-rq", a, b])
    listing = Command("listing floor (find -printf)", ["find", a, b, "-printf", "%s %T@\\n"])
    floors = [Command("reading floor, aligned" if offset == 0 else "reading floor, page offset %d" % offset,
                      [floor, "--offset", str(offset), a, b]) for offset in FLOOR_OFFSETS]
    reported = []
    if args.report:
        for label, extra in (("--report=FILE", []), ("--report=FILE --report-all", ["--report-all"])):
            path = os.path.join(args.scratch, "report%s.jsonl" % ("-all" if extra else ""))
            reported.append((Command("mirrane A B hide " + label, [args.mirrane, a, b, "hide", "--report=" + path]
                                     + extra), path))
    variants = [(Command("mirrane A B hide " + " ".join(words), [args.mirrane, a, b, "hide"] + words), label)
                for label, words in shape.variants]
    baseline = [Command("baseline A B hide", [args.baseline, a, b, "hide"])] if args.baseline else []
    commands = [mirrane] + baseline + [c for c, _ in variants] + [c for c, _ in reported] + [diff, listing] + floors
    measure_alternating(commands, args.runs)
    for command in commands:
        worst = max(r[2] for r in [command.first] + command.runs)
        if worst > (1 if command in [mirrane, diff] + baseline + [c for c, _ in variants + reported] else 0):
            warn("%s exited with %d: %s" % (command.label, worst, command.first[4][:300]))
    for command, path in reported:
        check_report(command, path, items)
    for command, _ in variants:
        if verdict_line(command.first[3]) != verdict_line(mirrane.first[3]):
            warn("%s found otherwise than mirrane A B hide: %s" % (command.label, verdict_line(command.first[3])))

    expected = figures["changed"] + figures["one_side"]
    diff_lines = len(diff.first[3].splitlines())
    print("mirrane exit %d: %s" % (mirrane.first[2], verdict_line(mirrane.first[3])))
    print("diff -rq exit %d: %d lines (expected %d)" % (diff.first[2], diff_lines, expected))
    if diff_lines != expected:
        warn("the tree is not as it was made: diff -rq finds %d differences, not %d" % (diff_lines, expected))
    if expected and mirrane.first[2] != 1:
        warn("mirrane found no difference in a tree that has %d" % expected)
    print("reading floor: %s" % floors[0].first[3].strip())
    print()
    print("| command | median s | runs s | peak RSS MiB | / mirrane |")
    print("|---|---:|---|---:|---:|")
    for command in commands:
        print("| %s | %.3f | %s | %.1f | %.2f |" % (command.label, command.median,
                                                   " ".join("%.3f" % r[0] for r in command.runs),
                                                   mib(command.peak), command.median / mirrane.median))

    aligned = floors[0].median
    limits = dict(shape.targets)
    budget = 2 * args.block_mib * MIB * args.readers + 30 * MIB + 400 * items
    print()
    print("| figure | value | target | |")
    print("|---|---:|---:|---|")

    def row(label, value, limit, fmt="%.2f"):
        met = "" if limit is None else ("met" if value <= limit else "not met")
        print("| %s | %s | %s | %s |" % (label, fmt % value, "" if limit is None else "<= " + fmt % limit, met))

    for command, label in variants:
        row("%s / mirrane A B hide" % command.label, command.median / mirrane.median, limits.get(label))
    for command, _ in reported:
        row("%s / mirrane A B hide" % command.label.replace("mirrane A B hide ", ""),
            command.median / mirrane.median, limits.get("report"))
    row("mirrane / diff -rq", mirrane.median / diff.median, limits.get("diff"))
    for command in baseline:
        row("baseline / diff -rq", command.median / diff.median, limits.get("diff"))
        row("mirrane / baseline", mirrane.median / command.median, None)
    row("mirrane / reading floor (aligned)", mirrane.median / aligned, limits.get("floor"))
    row("mirrane / listing floor", mirrane.median / listing.median, None)
    for command, offset in zip(floors[1:], FLOOR_OFFSETS[1:]):
        row("alignment penalty: floor at offset %d / aligned" % offset, command.median / aligned, None)
    row("peak RSS MiB (budget 2 x %d MiB x %d + 30 MiB + 400 B x %s items)"
        % (args.block_mib, args.readers, format(items, ",")), mib(mirrane.peak), mib(budget), "%.1f")
    if items >= 1000:  # on a handful of items the figure is noise
        row("bytes per item beyond a one-file compare (%.1f MiB)" % mib(base_rss),
            max(0, mirrane.peak - base_rss) / items, limits.get("per-item"), "%.0f")
        for command in baseline:
            row("baseline: bytes per item beyond its one-file compare (%.1f MiB)" % mib(args.baseline_rss),
                max(0, command.peak - args.baseline_rss) / items, None, "%.0f")
    sys.stdout.flush()

    if args.cold and shape.name == "small":
        run_cold(args, [mirrane, diff, floors[0]])
    if args.remove:
        shutil.rmtree(root)
    return {"items": items, "mirrane": mirrane.median, "diff": diff.median, "floor": aligned,
            "listing": listing.median, "peak": mirrane.peak, "held": max(0, mirrane.peak - base_rss)}


def check_report(command, path, items):
    """The report of the last run must be whole: a header, the item lines its summary counts,
    a summary of a compare that succeeded; with --report-all one line per item."""
    try:
        with open(path, "rb") as f:
            lines = [json.loads(line) for line in f]
        os.remove(path)
    except (OSError, ValueError) as error:
        warn("%s: no readable report at %s (%s)" % (command.label, path, error))
        return
    summary = lines[-1] if lines else {}
    whole = (lines[0].get("type") == "header" and summary.get("type") == "summary" and summary.get("succeeded")
             and summary.get("items") == len(lines) - 2)
    if not whole:
        warn("%s: the report is not whole: %d lines, summary %s" % (command.label, len(lines), summary))
    elif "--report-all" in command.argv and summary["items"] != items:
        warn("%s: the report has %d items, the tree %d" % (command.label, summary["items"], items))
    else:
        print("%s: %s item lines, %s differing" % (command.label, format(summary["items"], ","),
                                                   format(summary["differing"], ",")))


def listing_hashes(path):
    """The sha256 of every file line of a listing, by path below its root."""
    hashes = {}
    with open(path, "rb") as f:
        for line in f:
            item = json.loads(line)
            if item.get("type") == "item" and "sha256" in item:
                hashes[item["path"]] = item["sha256"]
    return hashes


def figure_table(rows):
    print()
    print("| figure | value | target | |")
    print("|---|---:|---:|---|")
    for label, value, limit, fmt in rows:
        met = "" if limit is None else ("met" if value <= limit else "not met")
        print("| %s | %s | %s | %s |" % (label, fmt % value, "" if limit is None else "<= " + fmt % limit, met))


def run_listing_save(args):
    """Saving a listing of the mixed tree's A against hashing the same files with sha256sum."""
    root, figures, generated = prepare_tree(args, SHAPES["mixed"])
    a = os.path.join(root, "A")
    listing = os.path.join(args.scratch, "mixed-A.mrnl")
    print("\n## listing-save: a listing of the mixed tree's A (%s files, %.2f GiB in A) against sha256sum"
          % (format(figures["files_a"], ","), figures["bytes"] / 2 / GIB))
    print("tree %s (%s)" % (root, "generated in %.1f s" % generated if generated is not None else "reused"), flush=True)
    save = Command("mirrane --save-listing=FILE A", [args.mirrane, "--save-listing=" + listing, a])
    sums = Command("find A -type f -print0 | xargs -0 sha256sum",
                   ["sh", "-c", 'find "$1" -type f -print0 | xargs -0 sha256sum', "sh", a])
    measure_alternating([save, sums], args.runs)
    for command in (save, sums):
        if max(r[2] for r in [command.first] + command.runs) != 0:
            warn("%s failed: %s" % (command.label, command.first[4][:300]))
    printed = {}
    for line in sums.first[3].splitlines():
        digest, path = line.split("  ", 1)
        printed[os.path.relpath(path, a)] = digest
    listed = listing_hashes(listing)
    if listed != printed:
        warn("the listing's hashes are not sha256sum's: %d files differ or are missing"
             % len(set(listed.items()) ^ set(printed.items())))
    else:
        print("every one of the %s hashes in the listing is sha256sum's" % format(len(listed), ","))
    os.remove(listing)
    print()
    print("| command | median s | runs s | peak RSS MiB | / save |")
    print("|---|---:|---|---:|---:|")
    for command in (save, sums):
        print("| %s | %.3f | %s | %.1f | %.2f |" % (command.label, command.median,
                                                   " ".join("%.3f" % r[0] for r in command.runs),
                                                   mib(command.peak), command.median / save.median))
    figure_table([("save / sha256sum (one thread)", save.median / sums.median, 0.6, "%.2f"),
                  ("save throughput GiB/s", figures["bytes"] / 2 / GIB / save.median, None, "%.2f"),
                  ("save peak RSS MiB", mib(save.peak), None, "%.1f")])
    sys.stdout.flush()
    return save.peak


def run_listing_load(args, base_root, save_peak):
    """A 1,000,000-item listing compared against its tree, beside a compare of two trees."""
    items = max(10000, int(1000000 * args.scale))
    shape = item_shape(items)
    root, figures, generated = prepare_tree(args, shape)
    a, b = os.path.join(root, "A"), os.path.join(root, "B")
    listing = os.path.join(args.scratch, "items-A.mrnl")
    print("\n## listing-load: a listing of %s items against its tree, beside a compare of two trees"
          % format(figures["items"], ","))
    print("tree %s (%s)" % (root, "generated in %.1f s" % generated if generated is not None else "reused"), flush=True)
    saved = timed([args.mirrane, "--save-listing=" + listing, a])
    if saved[2] != 0:
        warn("saving the listing failed: %s" % saved[4][:300])
        return
    print("saved in %.3f s, peak RSS %.1f MiB (%.1f MiB for the mixed tree), %.1f MiB of listing"
          % (saved[0], mib(saved[1]), mib(save_peak or 0), mib(os.path.getsize(listing))))
    live = Command("mirrane A B hide", [args.mirrane, a, b, "hide"])
    against = Command("mirrane LISTING A hide", [args.mirrane, listing, a, "hide"])
    load = Command("mirrane LISTING ONE-FILE hide (the load alone)",
                   [args.mirrane, listing, os.path.join(base_root, "A"), "hide"])
    measure_alternating([live, against, load], args.runs)
    if against.first[2] != 0:
        warn("the listing differs from its tree: %s" % (against.first[3] + against.first[4])[-300:])
    for command in (live, load):
        if command.first[2] != 1:
            warn("%s exited with %d" % (command.label, command.first[2]))
    print()
    print("| command | median s | runs s | peak RSS MiB | / mirrane A B |")
    print("|---|---:|---|---:|---:|")
    for command in (live, against, load):
        print("| %s | %.3f | %s | %.1f | %.2f |" % (command.label, command.median,
                                                   " ".join("%.3f" % r[0] for r in command.runs),
                                                   mib(command.peak), command.median / live.median))
    figure_table([("listing load s", load.median, 5.0, "%.2f"),
                  ("peak RSS: LISTING A / A B", against.peak / live.peak, 1.2, "%.2f"),
                  ("time: LISTING A / A B", against.median / live.median, None, "%.2f"),
                  ("save peak RSS: %s items / mixed tree" % format(figures["items"], ","),
                   saved[1] / save_peak if save_peak else float("nan"), None, "%.2f")])
    os.remove(listing)
    if args.remove:
        shutil.rmtree(root)
    sys.stdout.flush()


# The calls that read an entry's metadata, under the names strace gives them on Linux.
METADATA_CALLS = ("newfstatat", "statx", "fstat", "stat", "lstat", "fstatat64", "stat64", "lstat64", "fstat64")


def strace_counts(command, scratch):
    """Runs the command once under `strace -c -f`; returns {call: count}."""
    out = os.path.join(scratch, "strace-counts.txt")
    subprocess.run(["strace", "-c", "-f", "-o", out] + command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    counts = {}
    with open(out) as f:
        for line in f:
            fields = line.split()
            # % time, seconds, usecs/call, calls, [errors,] syscall
            if len(fields) >= 5 and fields[3].isdigit() and not fields[-1].startswith("total"):
                counts[fields[-1]] = int(fields[3])
    os.remove(out)
    return counts


def run_syscalls(args):
    """The system calls of one compare of the real tree, mirrane's beside diff -rq's."""
    root, figures, _ = prepare_tree(args, SHAPES["real"])
    a, b = os.path.join(root, "A"), os.path.join(root, "B")
    print("\n## syscalls: the real tree (%s items) under strace -c -f, one run each" % format(figures["items"], ","))
    if not shutil.which("strace"):
        print("skipped: strace is missing (Debian package strace)")
        return
    programs = [("mirrane A B hide", [args.mirrane, a, b, "hide"]), ("diff -rq A B", ["diff", "-rq", a, b]),
                ("mirrane A B hide -txt", [args.mirrane, a, b, "hide", "-txt"])]
    counts = [strace_counts(argv, args.scratch) for _, argv in programs]
    mirrane, diff = counts[0], counts[1]
    print()
    print("| call | %s | / diff |" % " | ".join(label for label, _ in programs))
    print("|---|%s---:|" % ("---:|" * len(programs)))
    calls = sorted(set(mirrane) | set(diff), key=lambda c: -max(mirrane.get(c, 0), diff.get(c, 0)))
    for call in calls:
        if max(c.get(call, 0) for c in counts) < 10:
            continue
        print("| %s | %s | %s |" % (call, " | ".join(format(c.get(call, 0), ",") for c in counts),
                                    "%.2f" % (mirrane.get(call, 0) / diff[call]) if diff.get(call) else ""))
    metadata = [sum(c.get(call, 0) for call in METADATA_CALLS) for c in counts]
    print("| **metadata calls** (%s) | %s | %.2f |" % (", ".join(call for call in METADATA_CALLS if any(
        c.get(call) for c in counts)), " | ".join(format(n, ",") for n in metadata), metadata[0] / max(1, metadata[1])))
    figure_table([("metadata calls: mirrane / diff -rq", metadata[0] / max(1, metadata[1]), 1.05, "%.2f"),
                  ("metadata calls per item: mirrane", metadata[0] / figures["items"], None, "%.2f"),
                  ("metadata calls per item: diff -rq", metadata[1] / figures["items"], None, "%.2f")])
    sys.stdout.flush()


def start_xvfb():
    """An Xvfb of its own on a free display; returns (process, display) or (None, None)."""
    if not shutil.which("Xvfb"):
        return None, None
    read, write = os.pipe()
    process = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1920x1080x24", "-nolisten", "tcp"],
                               pass_fds=[write], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as f:
        display = f.readline().strip()
    if not display:
        process.kill()
        process.wait()
        return None, None
    return process, ":" + display


def time_window(argv, env, timeout=600):
    """Starts the window and waits for its list's first paint; returns (seconds, peak
    resident bytes then, rows line) and ends it. (None, 0, reason) when no mark came."""
    start = time.perf_counter()
    process = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    seconds, peak, line = None, 0, "no mark: the window ended first"
    deadline = start + timeout
    for raw in process.stderr:
        if b"mirrane: list shown" in raw:
            seconds = time.perf_counter() - start
            with open("/proc/%d/status" % process.pid) as f:
                peak = next((int(l.split()[1]) * KIB for l in f if l.startswith("VmHWM:")), 0)
            line = raw.decode(errors="replace").strip()
            break
        if time.perf_counter() > deadline:
            line = "no mark within %d s" % timeout
            break
    process.kill()
    process.wait()
    return seconds, peak, line


def run_window(args, base_rss):
    """The window's time to a usable list against the console's verdict, same compare."""
    items = max(1000, int(100000 * args.scale))
    root, figures, _ = prepare_tree(args, item_shape(items))
    a, b = os.path.join(root, "A"), os.path.join(root, "B")
    print("\n## window: mirrane A B start on Xvfb against mirrane A B hide, %s items" % format(figures["items"], ","))
    xvfb, display = start_xvfb()
    if xvfb is None:
        print("skipped: no Xvfb (Debian package xvfb)")
        return
    # Settings and the work folder of this run stay in the scratch folder.
    home = os.path.join(args.scratch, "window-home")
    os.makedirs(home, exist_ok=True)
    env = dict(os.environ, DISPLAY=display, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"), MIRRANE_MARK_LIST_SHOWN="1")
    env.pop("WAYLAND_DISPLAY", None)
    env.pop("QT_QPA_PLATFORM", None)
    one = os.path.join(args.scratch, "one-file")
    try:
        # A warm-up of each: fonts and caches, and the tree's access times written back.
        time_window([args.mirrane, os.path.join(one, "A"), os.path.join(one, "B"), "start"], env)
        time_window([args.mirrane, a, b, "start"], env)
        timed([args.mirrane, a, b, "hide"])
        os.sync()
        windows, consoles, rows = [], [], ""
        for _ in range(args.runs):
            seconds, peak, line = time_window([args.mirrane, a, b, "start"], env)
            if seconds is None:
                warn("the window showed no list: %s" % line)
                return
            windows.append((seconds, peak))
            rows = line
            consoles.append(timed([args.mirrane, a, b, "hide"]))
        empty = [time_window([args.mirrane, os.path.join(one, "A"), os.path.join(one, "B"), "start"], env)
                 for _ in range(args.runs)]
    finally:
        xvfb.kill()
        xvfb.wait()
    found = re.search(r"(\d+) rows", rows)
    row_count = int(found.group(1)) if found else 0
    window_s = statistics.median(w[0] for w in windows)
    console_s = statistics.median(c[0] for c in consoles)
    window_peak = max(w[1] for w in windows)
    console_peak = max(c[1] for c in consoles)
    empty_s = statistics.median(e[0] for e in empty if e[0] is not None)
    empty_peak = max(e[1] for e in empty)
    print("window: %s" % rows)
    print()
    print("| command | median s | runs s | peak RSS MiB |")
    print("|---|---:|---|---:|")
    print("| mirrane A B start (to the list's first paint) | %.3f | %s | %.1f |"
          % (window_s, " ".join("%.3f" % w[0] for w in windows), mib(window_peak)))
    print("| mirrane A B hide | %.3f | %s | %.1f |"
          % (console_s, " ".join("%.3f" % c[0] for c in consoles), mib(console_peak)))
    print("| mirrane ONE-FILE start (the window alone) | %.3f | %s | %.1f |"
          % (empty_s, " ".join("%.3f" % e[0] for e in empty), mib(empty_peak)))
    print("| mirrane ONE-FILE hide (the console alone) | | | %.1f |" % mib(base_rss))
    limit = 1.2 * console_peak + 16 * row_count
    figure_table([("time to a usable list: window / console", window_s / console_s, 1.2, "%.2f"),
                  ("peak RSS: window / console", window_peak / console_peak, None, "%.2f"),
                  ("peak RSS MiB: window (limit 1.2 x console + 16 B x %s rows)" % format(row_count, ","),
                   mib(window_peak), mib(limit), "%.1f"),
                  ("peak RSS beyond the one-file run: window / console",
                   (window_peak - empty_peak) / max(1, console_peak - base_rss), None, "%.2f")])
    sys.stdout.flush()


def run_cold(args, commands):
    print()
    if os.geteuid() != 0:
        print("cold cache: skipped, dropping the page cache needs root")
        return
    print("cold cache (page cache dropped before each run, one run each):")
    print()
    print("| command | cold s | / mirrane |")
    print("|---|---:|---:|")
    results = []
    for command in commands:
        drop_caches()
        results.append((command.label, timed(command.argv)[0]))
    for label, seconds in results:
        print("| %s | %.3f | %.2f |" % (label, seconds, seconds / results[0][1]))
    sys.stdout.flush()


def report_linearity(results):
    small, large = results
    growth = large["items"] / small["items"]
    print("\n## items: cost against the count of items")
    print()
    print("| items | mirrane s | us per item | diff -rq s | listing floor s | reading floor s | mirrane / floor "
          "| peak RSS MiB | bytes per item held |")
    print("|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    for r in results:
        print("| %s | %.3f | %.2f | %.3f | %.3f | %.3f | %.2f | %.1f | %.0f |"
              % (format(r["items"], ","), r["mirrane"], r["mirrane"] / r["items"] * 1e6, r["diff"], r["listing"],
                 r["floor"], r["mirrane"] / r["floor"], mib(r["peak"]), r["held"] / r["items"]))
    print()
    print("per item, %s items against %s:" % (format(large["items"], ","), format(small["items"], ",")))
    for label, key in (("mirrane", "mirrane"), ("diff -rq", "diff"), ("listing floor", "listing"),
                       ("reading floor", "floor"), ("mirrane's memory held", "held")):
        print("  %-22s x%.2f" % (label, large[key] / small[key] / growth if small[key] else float("nan")))
    # The file system itself gets dearer per item on a larger tree (its caches), so the
    # program is judged by what it adds to the reading floor, which walks the same tree.
    beyond = (large["mirrane"] / large["floor"]) / (small["mirrane"] / small["floor"])
    held = large["held"] / small["held"] / growth if small["held"] else float("nan")
    print("mirrane against the reading floor x%.2f, memory per item x%.2f: %s"
          % (beyond, held, "linear (within 25 %)" if max(beyond, held) <= 1.25
             else "NOT linear (more than 1.25x per item)"))


def machine_line():
    model = ""
    try:
        with open("/proc/cpuinfo") as f:
            model = next((line.split(":", 1)[1].strip() for line in f if line.startswith("model name")), "")
    except OSError:
        pass
    return "%s, %d cores, %.1f GiB memory, kernel %s" % (
        model or "unknown processor", os.cpu_count(), os.sysconf("SC_PHYS_PAGES") * os.sysconf("SC_PAGE_SIZE") / GIB,
        os.uname().release)


def program_line(mirrane, source=True):
    """The program's path and version, and (for the one built from this tree) the source's commit."""
    version = subprocess.run([mirrane, "--version"], capture_output=True, text=True).stdout.strip().splitlines()
    line = "%s (%s)" % (mirrane, version[0] if version else "no version")
    if not source:
        return line
    commit = subprocess.run(["git", "-C", REPO, "describe", "--always", "--dirty"], capture_output=True,
                            text=True).stdout.strip()
    return "%s, source %s" % (line, commit or "unknown")


def main():
    args = parse_arguments()
    if not os.access(args.mirrane, os.X_OK):
        sys.exit("mirrane not found at %s (build it, or set --mirrane)" % args.mirrane)
    if args.baseline and not os.access(args.baseline, os.X_OK):
        sys.exit("the baseline %s cannot be run" % args.baseline)
    for tool in ("/usr/bin/time", "diff", "find", "cc"):
        if not shutil.which(tool):
            sys.exit("%s is missing (Debian packages time, diffutils, findutils, gcc)" % tool)
    os.makedirs(args.scratch, exist_ok=True)
    floor = compile_floor(args.scratch)
    base_root = os.path.join(args.scratch, "one-file")
    for side in ("A", "B"):
        os.makedirs(os.path.join(base_root, side), exist_ok=True)
        with open(os.path.join(base_root, side, "f.txt"), "wb") as f:
            f.write(b"x")
    base_rss = min(timed([args.mirrane, os.path.join(base_root, "A"), os.path.join(base_root, "B"), "hide"])[1]
                   for _ in range(3))
    # The baseline's own fixed cost: a build that loads other libraries starts from another.
    args.baseline_rss = min(timed([args.baseline, os.path.join(base_root, "A"), os.path.join(base_root, "B"),
                                   "hide"])[1] for _ in range(3)) if args.baseline else 0

    print("# mirrane against diff -rq and the floors, %s" % time.strftime("%Y-%m-%d %H:%M"))
    print("program: %s" % program_line(args.mirrane))
    if args.baseline:
        print("baseline: %s" % program_line(args.baseline, source=False))
    print("machine: %s" % machine_line())
    print("scale %g, %d measured run%s after one warm-up, alternating, medians; block %d MiB, %d reader%s; scratch %s"
          % (args.scale, args.runs, "" if args.runs == 1 else "s", args.block_mib, args.readers,
             "" if args.readers == 1 else "s", args.scratch))
    sys.stdout.flush()
    save_peak = None
    for name in args.shapes:
        if name == "listing-save":
            save_peak = run_listing_save(args)
        elif name == "listing-load":
            run_listing_load(args, base_root, save_peak)
        elif name == "syscalls":
            run_syscalls(args)
        elif name == "window":
            run_window(args, base_rss)
        elif name == "items":
            counts = [max(1000, int(100000 * args.scale)), max(10000, int(1000000 * args.scale))]
            report_linearity([run_shape(args, item_shape(n), floor, base_rss) for n in counts])
        else:
            run_shape(args, SHAPES[name], floor, base_rss)
    if WARNINGS:
        print("\n%d warning%s above: figures beside them are not to be trusted"
              % (len(WARNINGS), "" if len(WARNINGS) == 1 else "s"))
    if args.remove:
        shutil.rmtree(base_root, ignore_errors=True)
        os.remove(floor)
        try:
            os.rmdir(args.scratch)
        except OSError:
            pass  # something else lives there too


if __name__ == "__main__":
    main()
    sys.exit(1 if WARNINGS else 0)

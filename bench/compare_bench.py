#!/usr/bin/env python3
"""Speed and memory of `mirrane A B hide` against GNU `diff -rq A B` and the floors of
listing (`find A B -printf '%s %T@\\n'`) and reading (every file read once by `cat`),
on trees generated deterministically in a temporary folder. Warm cache, medians.

Environment:
  BENCH_SCENARIOS  which scenarios to run, e.g. "S1 S3" (default "S1 S2 S3")
  BENCH_SCALE      size factor for file counts and sizes, e.g. 0.1 for a quick run (default 1)
  BENCH_RUNS       measured runs per command (default 5)
  BENCH_MIRRANE    the program (default: build/mirrane beside this folder)
  BENCH_TMP        where the trees go (default $TMPDIR or /tmp)
  BENCH_BLOCK_MIB  the program's block size B in MiB, for the memory budget (default 16)

The reading floor reads every file once in 128 KiB pieces into one reused buffer, in one
process (`cat` would map and unmap a buffer per file, which on some machines costs more
than the reading).
"""

import os
import random
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

KIB = 1024
MIB = 1024 * 1024

SCALE = float(os.environ.get("BENCH_SCALE", "1"))
RUNS = int(os.environ.get("BENCH_RUNS", "5"))
SCENARIOS = os.environ.get("BENCH_SCENARIOS", "S1 S2 S3").split()
HERE = os.path.dirname(os.path.abspath(__file__))
MIRRANE = os.environ.get("BENCH_MIRRANE", os.path.join(HERE, "..", "build", "mirrane"))
BLOCK = int(os.environ.get("BENCH_BLOCK_MIB", "16")) * MIB


def pools(seed):
    """A text pool (words and line ends) and a binary pool to cut file contents from."""
    rng = random.Random(seed)
    words = ["alpha", "beta", "gamma", "delta", "compare", "folder", "file", "mirrane", "x", "lorem"]
    parts = []
    size = 0
    while size < 2 * MIB:
        word = rng.choice(words)
        parts.append(word)
        parts.append("\n" if rng.random() < 0.12 else " ")
        size += len(word) + 1
    text = "".join(parts).encode()
    binary = bytes(rng.getrandbits(8) for _ in range(256 * KIB)) * 8
    return text, binary


def content(rng, size, text, binary):
    pool = text if rng.random() < 0.7 else binary
    if size <= len(pool) - 1:
        start = rng.randrange(0, len(pool) - size)
        return pool[start:start + size]
    repeated = pool * (size // len(pool) + 1)
    return repeated[:size]


def write(path, data):
    with open(path, "wb") as out:
        out.write(data)


def change(path, rng):
    """Makes one file of the second tree differ: a byte flipped, or one byte appended."""
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


def make_tree(root, files, folders, size_of, diff_share, seed):
    """Writes tree A, copies it to B and changes a share of B's files; returns (A, B, items)."""
    rng = random.Random(seed)
    text, binary = pools(seed)
    a = os.path.join(root, "A")
    folder_paths = []
    for i in range(folders):
        depth_parent = folder_paths[rng.randrange(len(folder_paths))] if folder_paths and rng.random() < 0.7 else a
        path = os.path.join(depth_parent, "dir%05d" % i)
        folder_paths.append(path)
    os.makedirs(a, exist_ok=True)
    for path in folder_paths:
        os.makedirs(path, exist_ok=True)
    file_paths = []
    for i in range(files):
        folder = folder_paths[rng.randrange(len(folder_paths))] if folder_paths else a
        path = os.path.join(folder, "file%06d.%s" % (i, rng.choice(["txt", "c", "bin", "dat"])))
        write(path, content(rng, size_of(rng), text, binary))
        file_paths.append(path)
    b = os.path.join(root, "B")
    subprocess.run(["cp", "-r", a, b], check=True)
    changed = rng.sample(file_paths, max(1, int(len(file_paths) * diff_share))) if diff_share > 0 else []
    for path in changed:
        change(os.path.join(b, os.path.relpath(path, a)), rng)
    return a, b, files + folders, len(changed)


def make_s2(root):
    rng = random.Random(2)
    a = os.path.join(root, "A")
    os.makedirs(a)
    size = max(MIB, int(256 * MIB * SCALE))
    block = bytes(rng.getrandbits(8) for _ in range(MIB))
    for i in range(6):
        with open(os.path.join(a, "big%d.bin" % i), "wb") as out:
            written = 0
            n = 0
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
    return a, b, 6, 2


def timed(command, shell=False):
    """Runs a command; returns (seconds, peak resident KiB, exit status, stdout). The peak
    comes from /usr/bin/time: a child's own resource usage would include the memory of this
    Python process, from which it was forked."""
    start = time.perf_counter()
    if not shell:
        command = ["/usr/bin/time", "-f", "%M"] + list(command)
    process = subprocess.Popen(command, shell=shell, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    out, err = process.communicate()
    elapsed = time.perf_counter() - start
    peak = 0
    if not shell:
        lines = err.decode(errors="replace").strip().splitlines()
        peak = int(lines[-1]) if lines and lines[-1].isdigit() else 0
    return elapsed, peak, process.returncode, out.decode(errors="replace")


# Reads every file named on standard input (NUL-separated) once, in 128 KiB pieces.
READER = r"""
import os, sys
buffer = bytearray(128 * 1024)
view = memoryview(buffer)
total = 0
for name in sys.stdin.buffer.read().split(b"\0"):
    if not name:
        continue
    fd = os.open(name, os.O_RDONLY)
    while True:
        got = os.readv(fd, [view])
        if got == 0:
            break
        total += got
    os.close(fd)
print(total)
"""


def measure(name, command, shell=False):
    timed(command, shell)  # warm-up, and the page cache stays warm
    runs = [timed(command, shell) for _ in range(RUNS)]
    median = statistics.median(r[0] for r in runs)
    peak = max(r[1] for r in runs)
    print("  %-14s median %7.3f s   (runs: %s)" % (name, median, " ".join("%.3f" % r[0] for r in runs)), flush=True)
    return median, peak, runs[-1]


def baseline_rss():
    """Peak resident size of the program comparing two one-file folders: what it costs
    before any item is held."""
    root = tempfile.mkdtemp(prefix="mirrane-bench-", dir=os.environ.get("BENCH_TMP"))
    try:
        for side in ("A", "B"):
            os.makedirs(os.path.join(root, side))
            write(os.path.join(root, side, "f.txt"), b"x")
        return timed([MIRRANE, os.path.join(root, "A"), os.path.join(root, "B"), "hide"])[1] * KIB
    finally:
        shutil.rmtree(root, ignore_errors=True)


def run_scenario(label, build, targets):
    root = tempfile.mkdtemp(prefix="mirrane-bench-", dir=os.environ.get("BENCH_TMP"))
    try:
        t0 = time.perf_counter()
        a, b, items, changed = build(root)
        data = int(subprocess.run(["du", "-sb", root], capture_output=True, text=True).stdout.split()[0])
        print("%s: %d items per side, %d changed, %.2f GiB on disk (generated in %.1f s)"
              % (label, items, changed, data / (1024 ** 3), time.perf_counter() - t0), flush=True)
        mirrane, peak_kib, (_, _, status, out) = measure("mirrane", [MIRRANE, a, b, "hide"])
        print("    mirrane exit %d: %s" % (status, " ".join(out.split())))
        diff, _, (_, _, _, diff_out) = measure("diff -rq", ["diff", "-rq", a, b])
        print("    diff -rq reports %d lines" % len(diff_out.splitlines()))
        listing, _, _ = measure("listing floor", ["find", a, b, "-printf", "%s %T@\n"])
        reader = os.path.join(root, "reader.py")
        write(reader, READER.encode())
        reading, _, _ = measure("reading floor", "find '%s' '%s' -type f -print0 | python3 '%s'" % (a, b, reader),
                                shell=True)
        peak = peak_kib * KIB
        budget = 2 * BLOCK + 30 * MIB + 400 * items
        print("  ratios: mirrane/diff %.2f   mirrane/listing %.2f   mirrane/reading %.2f"
              % (mirrane / diff, mirrane / listing, mirrane / reading))
        for what, value, limit in targets(mirrane / diff, mirrane / reading):
            print("  target %-24s %.2f <= %.2f  %s" % (what, value, limit, "met" if value <= limit else "MISSED"))
        base = baseline_rss()
        print("  memory: peak RSS %.1f MiB, budget 2xB + 30 MiB + 400 B/item = %.1f MiB  %s; %.0f bytes per item"
              " (beyond the %.1f MiB of a one-file compare)"
              % (peak / MIB, budget / MIB, "met" if peak <= budget else "MISSED", max(0, peak - base) / items,
                 base / MIB))
    finally:
        shutil.rmtree(root, ignore_errors=True)


def main():
    if not os.access(MIRRANE, os.X_OK):
        sys.exit("mirrane not found at %s (set BENCH_MIRRANE)" % MIRRANE)
    print("mirrane %s, scale %g, %d runs, B = %d MiB, %d cores" % (MIRRANE, SCALE, RUNS, BLOCK // MIB, os.cpu_count()))
    if "S1" in SCENARIOS:
        n = max(10, int(100000 * SCALE))
        run_scenario("S1 (small files)",
                     lambda root: make_tree(root, n, max(1, n // 20), lambda r: r.randrange(0, 64 * KIB + 1), 0.01, 1),
                     lambda vs_diff, vs_read: [("mirrane/diff", vs_diff, 1.0)])
    if "S2" in SCENARIOS:
        run_scenario("S2 (six large files)", make_s2, lambda vs_diff, vs_read: [("mirrane/reading floor", vs_read, 1.5)])
    if "S3" in SCENARIOS:
        n = max(10, int(20000 * SCALE))

        def mixed(r):
            if r.random() < 0.9:
                return r.randrange(0, 64 * KIB + 1)
            return r.randrange(64 * KIB, 4 * MIB + 1)

        run_scenario("S3 (mixed files)", lambda root: make_tree(root, n, max(1, n // 20), mixed, 0.02, 3),
                     lambda vs_diff, vs_read: [("mirrane/diff", vs_diff, 0.8)])


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""The item report of the real program, read back with Python's json module.

Usage: report_check.py PATH/TO/mirrane

Generated trees are listed here, independently of the program, and every line of its report
is checked against that listing: the same items in the same order, the same kinds, the same
difference names, the same counts. Names that are not UTF-8 must come back byte for byte
through "path_bytes". A cancelled compare, a report on standard output, a reader that goes
away and a report path that cannot be written are run as a user would run them."""

import base64
import json
import os
import random
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest

PROGRAM = None
CANCELLED = 0xF0000001

# -----------------------------------------------------------------------------------------
# Making the trees


def write(path, data, mtime=1_600_000_000):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    os.utime(path, (mtime, mtime))


def letters(rng, size):
    # Letters only: no line ends, so text mode and binary mode agree on every pair.
    return bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(size))


def make_trees(root, seed=20):
    """Two trees with every kind of difference the report names, at several depths."""
    rng = random.Random(seed)
    a, b = os.path.join(root, b"A"), os.path.join(root, b"B")
    folders = [b"", b"d1", b"d1/sub", b"d1/sub/deep", b"d2", b"Mixed Case"]
    names = [b"plain%d.txt", b"caf\xc3\xa9 %d.txt", b"\xf0\x9f\x98\x80 %d", b"q\"b\\s %d", b"new\nline %d",
             b"raw\xe9\xff %d.bin", b".hidden %d"]
    count = 0
    for folder in folders:
        for pattern in names:
            for _ in range(3):
                count += 1
                name = pattern % count
                path = os.path.join(folder, name) if folder else name
                data = letters(rng, rng.randint(0, 64))
                roll = rng.random()
                if roll < 0.45:
                    write(os.path.join(a, path), data)
                    write(os.path.join(b, path), data)
                elif roll < 0.55:
                    changed = bytearray(data or b"x")
                    changed[rng.randrange(len(changed))] ^= 0x20  # a letter changes case
                    write(os.path.join(a, path), data or b"y")
                    write(os.path.join(b, path), bytes(changed))
                elif roll < 0.62:
                    write(os.path.join(a, path), data)
                    write(os.path.join(b, path), data + b"z")
                elif roll < 0.70:
                    write(os.path.join(a, path), data)
                elif roll < 0.78:
                    write(os.path.join(b, path), data)
                elif roll < 0.86:
                    write(os.path.join(a, path), data, mtime=1_600_000_000)
                    write(os.path.join(b, path), data, mtime=1_600_000_777)
                elif roll < 0.93:
                    write(os.path.join(a, path), data)
                    write(os.path.join(b, path), data)
                    os.chmod(os.path.join(b, path), 0o444)
                else:
                    # A link on one side to a file with the same content: equal, kind "link".
                    write(os.path.join(a, path), data)
                    write(os.path.join(b, path + b".target"), data)
                    os.symlink(name + b".target", os.path.join(b, path))
    # Whole folders on one side, a file against a folder, names that differ in case only.
    write(os.path.join(a, b"onlyA/inside/x.txt"), b"x")
    write(os.path.join(b, b"onlyB/y.txt"), b"y")
    write(os.path.join(a, b"d2/clash"), b"a file")
    write(os.path.join(b, b"d2/clash/under.txt"), b"a folder")
    write(os.path.join(a, b"Readme.TXT"), b"same")
    write(os.path.join(b, b"readme.txt"), b"same")
    write(os.path.join(a, b"Mixed Case/Inner/f.txt"), b"one")
    write(os.path.join(b, b"Mixed Case/inner/f.txt"), b"two")
    write(os.path.join(b, b"Mixed Case/inner/g.txt"), b"only in B")
    write(os.path.join(a, b"raw\xe9 only"), b"one side, not UTF-8")
    os.makedirs(os.path.join(a, b"empty"))
    os.makedirs(os.path.join(b, b"empty"))
    return a, b


# -----------------------------------------------------------------------------------------
# The independent listing


def upper_units(name):
    """The name as UTF-16 code units after simple upper-case mapping, one unit at a time."""
    units = []
    raw = name.encode("utf-16-le", "surrogatepass")
    for i in range(0, len(raw), 2):
        unit = raw[i] | raw[i + 1] << 8
        if not 0xD800 <= unit <= 0xDFFF:
            upper = chr(unit).upper()
            if len(upper) == 1 and ord(upper) <= 0xFFFF:
                unit = ord(upper)
        units.append(unit)
    return units


def exact_units(name):
    raw = name.encode("utf-16-le", "surrogatepass")
    return [raw[i] | raw[i + 1] << 8 for i in range(0, len(raw), 2)]


def entry(folder, name):
    """(kind as the report names it, is a folder, stat) of a listed entry; links followed."""
    path = os.path.join(folder, name)
    own = os.lstat(path)
    try:
        target = os.stat(path)
    except OSError:
        target = own
    is_folder = stat.S_ISDIR(target.st_mode)
    kind = "link" if stat.S_ISLNK(own.st_mode) else ("folder" if is_folder else "file")
    return kind, is_folder, target


def attributes(name, info):
    bits = 0
    if not info.st_mode & stat.S_IWUSR:
        bits |= 1
    if name.startswith(b"."):
        bits |= 2
    if not stat.S_ISREG(info.st_mode) and not stat.S_ISDIR(info.st_mode):
        bits |= 4
    return bits


def content(path):
    with open(path, "rb") as f:
        return f.read()


def expected_items(a, b, time_option, attr_option):
    """Every item of the compare, in the tree's order: (path, path_second, kinds,
    differences, path bytes)."""
    items = []

    def walk(folder_a, folder_b, rel_a, rel_b):
        names_a = sorted(os.listdir(folder_a)) if folder_a else []
        names_b = sorted(os.listdir(folder_b)) if folder_b else []
        pairs = []
        left_b = list(names_b)
        for name in names_a:
            partner = name if name in left_b else None
            if partner is None:
                folded = os.fsdecode(name).upper()
                partner = next((n for n in left_b if os.fsdecode(n).upper() == folded), None)
            if partner is not None:
                left_b.remove(partner)
            pairs.append((name, partner))
        pairs += [(None, name) for name in left_b]

        def key(pair):
            name = pair[0] if pair[0] is not None else pair[1]
            is_folder = any(n is not None and entry(f, n)[1] for n, f in zip(pair, (folder_a, folder_b)))
            text = os.fsdecode(name)
            return (not is_folder, upper_units(text), exact_units(text))

        for name_a, name_b in sorted(pairs, key=key):
            path_a = rel_a + [name_a] if name_a is not None else None
            path_b = rel_b + [name_b] if name_b is not None else None
            side_a = entry(folder_a, name_a) if name_a is not None else None
            side_b = entry(folder_b, name_b) if name_b is not None else None
            kinds = [side_a[0] if side_a else "missing", side_b[0] if side_b else "missing"]
            differences = []
            if side_a is None:
                differences.append("only_second")
            elif side_b is None:
                differences.append("only_first")
            else:
                if side_a[1] != side_b[1]:
                    differences.append("type")
                if name_a != name_b:
                    differences.append("name_case")
                if not side_a[1] and not side_b[1]:
                    if time_option and int(side_a[2].st_mtime) != int(side_b[2].st_mtime):
                        differences.append("time")
                    if attr_option and attributes(name_a, side_a[2]) != attributes(name_b, side_b[2]):
                        differences.append("attributes")
                    if content(os.path.join(folder_a, name_a)) != content(os.path.join(folder_b, name_b)):
                        differences.append("content")
            named = path_a if path_a is not None else path_b
            second = path_b if path_a is not None and path_b is not None and path_b != path_a else None
            raw = b"/".join(named)
            items.append((os.fsdecode(raw), os.fsdecode(b"/".join(second)) if second else None, kinds,
                          differences, raw))
            if side_a and side_b and side_a[1] and side_b[1]:
                walk(os.path.join(folder_a, name_a), os.path.join(folder_b, name_b), path_a, path_b)

    walk(a, b, [], [])
    return items


# -----------------------------------------------------------------------------------------
# Running the program


def run(*arguments, **options):
    return subprocess.run([PROGRAM] + list(arguments), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          timeout=120, **options)


def read_report(path):
    with open(path, "rb") as f:
        data = f.read()
    return [json.loads(line) for line in data.decode("utf-8").splitlines()]


def make_sparse_pair(root):
    """A small differing file, then two identical 16 GiB sparse files (seconds to read,
    nothing to make), then another differing file."""
    a, b = os.path.join(root, "A"), os.path.join(root, "B")
    write(os.path.join(a, "a-first.txt"), b"one")
    write(os.path.join(b, "a-first.txt"), b"two")
    for side in (a, b):
        with open(os.path.join(side, "big.bin"), "wb") as f:
            f.truncate(16 << 30)
    write(os.path.join(a, "z-last.txt"), b"one")
    write(os.path.join(b, "z-last.txt"), b"two")
    return a, b


class ReportTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="mrn-report-")

    def tearDown(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def test_every_item_matches_an_independent_listing(self):
        a, b = make_trees(os.fsencode(self.root))
        expected = expected_items(a, b, time_option=True, attr_option=True)
        differing = [item for item in expected if item[3]]
        self.assertGreater(len(differing), 40)
        for scope in ("--report-all", None):
            with self.subTest(scope=scope):
                report = os.path.join(self.root, "report.jsonl")
                arguments = [os.fsdecode(a), os.fsdecode(b), "hide", "time", "attr", "--report=" + report]
                result = run(*(arguments + ([scope] if scope else [])))
                self.assertEqual(result.returncode, 1, result.stderr)
                lines = read_report(report)
                header, items, summary = lines[0], lines[1:-1], lines[-1]
                self.assertEqual(header["type"], "header")
                self.assertEqual(header["format"], 1)
                self.assertEqual(header["paths"], [os.fsdecode(a), os.fsdecode(b)])
                self.assertEqual(header["report"], "all" if scope else "differences")
                self.assertTrue(header["options"]["modify_time"] and header["options"]["attr"])
                self.assertEqual(summary["type"], "summary")
                self.assertTrue(all(item["type"] == "item" for item in items))

                wanted = expected if scope else differing
                got = [(i["path"], i.get("path_second"), i["kind"], i["differences"]) for i in items]
                self.assertEqual(got, [w[:4] for w in wanted])
                for item, (_, _, _, _, raw) in zip(items, wanted):
                    # Only names that are not UTF-8 carry their bytes, and they come back exactly.
                    if "path_bytes" in item:
                        self.assertEqual(base64.b64decode(item["path_bytes"]), raw)
                        self.assertEqual(os.fsencode(item["path"]), raw)
                    else:
                        self.assertEqual(item["path"].encode("utf-8"), raw)
                self.assertTrue(any("path_bytes" in item for item in items))
                for item in items:
                    for side in (0, 1):
                        missing = item["kind"][side] == "missing"
                        self.assertEqual(item["mtime"][side] is None, missing)
                        self.assertEqual(item["size"][side] is None, missing or item["kind"][side] == "folder")

                only_first = sum(1 for w in expected if w[3] == ["only_first"])
                only_second = sum(1 for w in expected if w[3] == ["only_second"])
                self.assertEqual((summary["succeeded"], summary["items"], summary["differing"],
                                  summary["only_first"], summary["only_second"], summary["error_code"]),
                                 (True, len(wanted), len(differing), only_first, only_second, 0))
                # The console's verdict says the same.
                self.assertIn("%d items differ (%d only in the first path, %d only in the second path)"
                              % (len(differing), only_first, only_second), result.stdout.decode())

    def test_a_name_that_is_not_utf8_round_trips(self):
        a, b = os.path.join(self.root, "A"), os.path.join(self.root, "B")
        name = b"caf\xe9-\xff\xfe.txt"
        write(os.path.join(os.fsencode(a), name), b"one")
        write(os.path.join(os.fsencode(b), name), b"two")
        report = os.path.join(self.root, "r.jsonl")
        self.assertEqual(run(a, b, "hide", "--report=" + report).returncode, 1)
        item = read_report(report)[1]
        self.assertEqual(item["path"], "caf\udce9-\udcff\udcfe.txt")
        recovered = base64.b64decode(item["path_bytes"])
        self.assertEqual(recovered, name)
        # The recovered name opens the very file.
        with open(os.path.join(os.fsencode(a), recovered), "rb") as f:
            self.assertEqual(f.read(), b"one")

    def test_a_cancelled_compare_leaves_a_complete_report(self):
        a, b = make_sparse_pair(self.root)
        report = os.path.join(self.root, "cancelled.jsonl")
        process = subprocess.Popen([PROGRAM, a, b, "hide", "--report=" + report, "--report-all"],
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        time.sleep(0.7)
        process.send_signal(signal.SIGINT)
        out, err = process.communicate(timeout=30)
        self.assertEqual(process.returncode, 1, err)
        self.assertIn(b"0xf0000001", err)
        lines = read_report(report)
        self.assertEqual(lines[0]["type"], "header")
        summary = lines[-1]
        self.assertEqual(summary["type"], "summary")
        self.assertFalse(summary["succeeded"])
        self.assertEqual(summary["error_code"], CANCELLED)
        self.assertTrue(summary["error_text"])
        # What was compared before the cancel is there; nothing after it, nor the cut-short pair.
        self.assertEqual([line["path"] for line in lines[1:-1]], ["a-first.txt"])
        self.assertEqual((summary["items"], summary["differing"]), (1, 1))
        self.assertEqual(sorted(os.listdir(self.root)), ["A", "B", "cancelled.jsonl"], "no temporary file stays")

    def test_report_on_standard_output_and_the_verdict_on_standard_error(self):
        a, b = os.path.join(self.root, "A"), os.path.join(self.root, "B")
        write(os.path.join(a, "x.txt"), b"one")
        write(os.path.join(b, "x.txt"), b"two")
        result = run(a, b, "hide", "--report=-")
        self.assertEqual(result.returncode, 1)
        lines = [json.loads(line) for line in result.stdout.decode().splitlines()]
        self.assertEqual([line["type"] for line in lines], ["header", "item", "summary"])
        self.assertIn("1 items differ", result.stderr.decode())

    def test_a_reader_that_goes_away_stops_the_compare(self):
        a, b = make_sparse_pair(self.root)
        started = time.monotonic()
        reader, writer = os.pipe()
        os.close(reader)
        process = subprocess.Popen([PROGRAM, a, b, "hide", "--report=-"], stdout=writer, stderr=subprocess.PIPE)
        os.close(writer)
        _, err = process.communicate(timeout=30)
        self.assertEqual(process.returncode, 1)
        self.assertLess(time.monotonic() - started, 5, "the 16 GiB pair must not be read for nobody")
        self.assertIn(b"report", err)

    def test_an_unwritable_report_path_fails_before_comparing(self):
        a, b = make_sparse_pair(self.root)
        for target in (os.path.join(self.root, "missing", "r.jsonl"), self.root):
            with self.subTest(target=target):
                started = time.monotonic()
                result = run(a, b, "hide", "--report=" + target)
                self.assertEqual(result.returncode, 1)
                self.assertLess(time.monotonic() - started, 5, "nothing may be compared")
                self.assertEqual(result.stdout, b"", "no verdict: no compare")
                self.assertIn(target.encode(), result.stderr)
                self.assertIn(b"report", result.stderr)
        self.assertEqual(sorted(os.listdir(self.root)), ["A", "B"])

    def test_a_report_never_replaces_a_file_being_compared(self):
        first, second = os.path.join(self.root, "first.json"), os.path.join(self.root, "second.json")
        write(first, b"{}")
        write(second, b"[]")
        os.symlink(second, os.path.join(self.root, "via-link.json"))
        for target in (first, os.path.join(self.root, "via-link.json")):
            with self.subTest(target=target):
                result = run(first, second, "hide", "file", "--report=" + target)
                self.assertEqual(result.returncode, 1)
                self.assertIn(target.encode(), result.stderr)
                self.assertEqual(result.stdout, b"")
        self.assertEqual((content(first), content(second)), (b"{}", b"[]"))


if __name__ == "__main__":
    PROGRAM = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)

#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Seeded test tree for timing duplicate searches.

The same seed, preset and scale always give the same tree, byte for byte, so timings taken on
different days (or by different people) are taken on the same data.

Presets:
  large  ~50,000 files, ~2 GiB, ~10% of the files extra copies, a few big files among them
  small  ~300,000 files of 16 B to 16 KiB, ~20,000 duplicate groups
  edge   a few dozen files that duplicate finders disagree about: empty files, hard links,
         symbolic links, hidden files and folders, odd names (for checking, not for timing)

Every preset but edge holds regular, non-empty files only: no links, no empty files, so that
every tool's notion of "a duplicate" is the same. Hidden files and folders are present in all of
them (a tool that skips them by default must be told not to).

Decoys sit beside the duplicates: files of the same size as a duplicate set whose bytes differ,
some everywhere, some only in the first byte, some only in the middle one, some only in the
last one. A tool that trusts a partial read or a weak hash puts them in the wrong group.

The expected groups are written next to the tree (never inside it): one path a line, a blank
line after each group, paths sorted within a group and groups sorted, which is the form
dupe_sets.py compares.
"""

import argparse
import math
import os
import random
import shutil
import sys
import time

KIB = 1024
MIB = 1024 * KIB
GIB = 1024 * MIB

PRESETS = {
    "large": dict(
        files=50_000,
        total_bytes=2 * GIB,
        copy_fraction=0.10,  # extra copies among all files
        groups=None,
        min_size=16,
        big_files=24,  # a handful of 8-64 MiB files, a third of them duplicated
        big_range=(8 * MIB, 64 * MIB),
        dirs=2_500,
        max_depth=8,
        decoy_fraction=0.30,  # duplicate sets that get decoys
    ),
    "small": dict(
        files=300_000,
        total_bytes=None,  # sizes drawn from [min_size, max_size] as they fall
        max_size=16 * KIB,
        copy_fraction=None,
        groups=20_000,
        min_size=16,
        big_files=0,
        big_range=None,
        dirs=15_000,
        max_depth=8,
        decoy_fraction=0.30,
    ),
}

WORDS = (
    "alpha beta gamma delta photos music docs backup archive old new misc work home projects "
    "2019 2020 2021 2022 2023 src build data notes scans camera export import raw final draft "
    "tmp cache shared public private reports invoices mail videos albums holiday family"
).split()
EXTS = ".jpg .png .txt .pdf .mp3 .bin .dat .doc .zip .json .csv .log .raw .tar".split()
ODD = ["with space", "ünïcödé", "日本語", "a,comma", "semi;colon", "quote'mark", "dash-name"]


class Content:
    """A file's bytes, produced on demand from a seeded pool so nothing big is kept in memory.

    The bytes are a 16-byte tag unique to the content followed by a walk through the pool that
    starts at a seeded offset; a patch (position, byte) turns a copy into a decoy.
    """

    __slots__ = ("size", "tag", "offset", "patch")

    def __init__(self, size, tag, offset, patch=None):
        self.size = size
        self.tag = tag
        self.offset = offset
        self.patch = patch

    def write(self, f, pool):
        size = self.size
        head = self.tag[: min(16, size)]
        if self.patch is None:
            f.write(head)
            left = size - len(head)
            off = self.offset
            view = memoryview(pool)
            while left > 0:
                n = min(left, len(pool) - off)
                f.write(view[off : off + n])
                left -= n
                off = 0
            return
        # Decoys are few and rarely big: build them whole.
        buf = bytearray(head)
        off = self.offset
        while len(buf) < size:
            n = min(size - len(buf), len(pool) - off)
            buf += pool[off : off + n]
            off = 0
        pos, xor = self.patch
        buf[pos] ^= xor
        f.write(buf)


def log_uniform(rng, lo, hi):
    return int(math.exp(rng.uniform(math.log(lo), math.log(hi + 1))))


def group_size(rng):
    r = rng.random()
    if r < 0.60:
        return 2
    if r < 0.85:
        return 3
    if r < 0.95:
        return 4
    return rng.randint(5, 8)


def make_dirs(rng, count, max_depth):
    """Relative folder paths; "" is the top. Some hidden, some with odd names."""
    dirs = [""]
    depth = {"": 0}
    taken = set(dirs)
    while len(dirs) < count:
        parent = dirs[rng.randrange(len(dirs))]
        if depth[parent] >= max_depth:
            continue
        r = rng.random()
        if r < 0.02:
            name = "." + rng.choice(WORDS)
        elif r < 0.06:
            name = rng.choice(ODD)
        else:
            name = rng.choice(WORDS)
        name = f"{name}{rng.randrange(100)}" if rng.random() < 0.7 else name
        path = f"{parent}/{name}" if parent else name
        if path in taken:
            continue
        taken.add(path)
        dirs.append(path)
        depth[path] = depth[parent] + 1
    return dirs


class Namer:
    def __init__(self, rng):
        self.rng = rng
        self.used = set()
        self.serial = 0

    def name(self, folder, hint=None):
        rng = self.rng
        while True:
            self.serial += 1
            r = rng.random()
            if hint is not None and r < 0.5:
                base = hint
            elif r < 0.51:
                base = "." + rng.choice(WORDS)  # hidden file
            elif r < 0.53:
                base = rng.choice(ODD)
            else:
                base = rng.choice(WORDS)
            name = f"{base}_{self.serial:06d}{rng.choice(EXTS)}"
            path = f"{folder}/{name}" if folder else name
            if path not in self.used:
                self.used.add(path)
                return path


def plan(preset, seed, scale):
    """Returns (dirs, files, groups): files as (relpath, Content), groups as lists of relpaths."""
    p = PRESETS[preset]
    rng = random.Random(seed)
    n_files = max(20, int(p["files"] * scale))
    n_dirs = max(4, int(p["dirs"] * scale))
    dirs = make_dirs(rng, n_dirs, p["max_depth"])
    namer = Namer(rng)
    tag_rng = random.Random(seed * 7919 + 17)  # tags apart, so sizes do not shift them

    # Duplicate sets first: how many copies each, then the decoys, then unique files.
    sets = []  # list of member counts
    if p["groups"] is not None:
        for _ in range(max(2, int(p["groups"] * scale))):
            sets.append(group_size(rng))
    else:
        extra_target = int(n_files * p["copy_fraction"])
        extra = 0
        while extra < extra_target:
            k = group_size(rng)
            sets.append(k)
            extra += k - 1
    n_big = int(round(p["big_files"] * scale)) if p["big_files"] else 0
    if p["big_files"] and n_big == 0 and scale > 0:
        n_big = 2

    # Sizes: one draw per distinct content. Big files take a fixed share, the rest is scaled so
    # that the whole tree comes close to the preset's total.
    decoy_kinds = []
    for k in sets:
        if rng.random() < p["decoy_fraction"]:
            decoy_kinds.append([rng.choice(("random", "first", "middle", "last"))
                                for _ in range(rng.randint(1, 3))])
        else:
            decoy_kinds.append([])
    used = sum(sets) + sum(len(d) for d in decoy_kinds)
    n_unique = max(0, n_files - used)

    big_sizes = [rng.randint(*p["big_range"]) for _ in range(n_big)] if n_big else []
    # A third of the big files become duplicate sets of two (they replace sets of the same index).
    big_dup = set(range(0, n_big, 3))
    u_sets = [rng.random() for _ in sets]
    u_unique = [rng.random() for _ in range(n_unique)]
    lo = p["min_size"]

    def size_of(u, hi):
        return int(math.exp(math.log(lo) + u * (math.log(hi + 1) - math.log(lo))))

    def set_size(i, hi):
        if i < n_big and i in big_dup:
            return big_sizes[i]
        return size_of(u_sets[i], hi)

    if p["total_bytes"] is not None:
        budget = p["total_bytes"] * scale - sum(
            s for i, s in enumerate(big_sizes) if i not in big_dup)
        budget = max(budget, n_files * lo * 2)

        def total(hi):
            t = sum(set_size(i, hi) * (k + len(d))
                    for i, (k, d) in enumerate(zip(sets, decoy_kinds)))
            return t + sum(size_of(u, hi) for u in u_unique)

        a, b = float(lo * 2), float(4 * GIB)
        for _ in range(40):
            mid = math.sqrt(a * b)
            if total(mid) < budget:
                a = mid
            else:
                b = mid
        hi = a
    else:
        hi = p["max_size"]

    files = []
    groups = []
    pool_span = POOL_SIZE

    def new_content(size):
        return Content(size, tag_rng.randbytes(16), rng.randrange(pool_span))

    def place(content, hint=None, near=None):
        if near is not None and rng.random() < 0.25:
            folder = near  # a copy beside its original, as people make them
        else:
            folder = dirs[rng.randrange(len(dirs))]
        path = namer.name(folder, hint)
        files.append((path, content))
        return path

    for i, (k, decoys) in enumerate(zip(sets, decoy_kinds)):
        size = set_size(i, hi)
        c = new_content(size)
        first = place(c)
        folder = first.rpartition("/")[0]
        hint = os.path.splitext(os.path.basename(first))[0].lstrip(".").rsplit("_", 1)[0]
        members = [first] + [place(c, hint, folder) for _ in range(k - 1)]
        groups.append(sorted(members))
        for kind in decoys:
            if kind == "random":
                place(new_content(size), hint, folder)
                continue
            pos = {"first": 0, "middle": size // 2, "last": size - 1}[kind]
            place(Content(size, c.tag, c.offset, (pos, rng.randint(1, 255))), hint, folder)
    for i, s in enumerate(big_sizes):
        if i not in big_dup:
            place(new_content(s))
    for u in u_unique:
        place(new_content(size_of(u, hi)))

    # Decoys of the same kind and position in one set would be equal to each other; make each
    # patch unique within its set so that they never form a group of their own.
    seen = {}
    for idx, (path, c) in enumerate(files):
        if c.patch is None:
            continue
        key = (c.tag, c.patch[0])
        xor = c.patch[1]
        while xor in seen.get(key, set()):
            xor = xor % 255 + 1
        seen.setdefault(key, set()).add(xor)
        c.patch = (c.patch[0], xor)

    # Write in a shuffled order so that creation order (and thus inode order) says nothing
    # about which files belong together.
    rng.shuffle(files)
    return dirs, files, groups


POOL_SIZE = 16 * MIB


def edge_tree(out):
    """Cases the tools treat differently. Returns nothing: the expected groups depend on the
    tool's rules, which is what the check is for."""
    def write(rel, data):
        path = os.path.join(out, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    payload = bytes(range(256)) * 64
    write("plain/a.bin", payload)
    write("plain/b.bin", payload)
    write("plain/decoy-last.bin", payload[:-1] + b"\x00")
    write("empty/e1", b"")
    write("empty/e2", b"")
    write("empty/deeper/e3", b"")
    write("hidden/.dot-copy.bin", payload)
    write(".hidden-dir/inside.bin", payload)
    write("names/with space.bin", b"spaced" * 100)
    write("names/ünïcödé.bin", b"spaced" * 100)
    write("names/a,comma.bin", b"spaced" * 100)
    write("hard/original.txt", b"hard-linked content\n" * 50)
    os.link(os.path.join(out, "hard/original.txt"), os.path.join(out, "hard/link1.txt"))
    os.link(os.path.join(out, "hard/original.txt"), os.path.join(out, "hard/link2.txt"))
    write("hard/copy.txt", b"hard-linked content\n" * 50)
    write("hard-only/x.txt", b"only hard links here\n" * 10)
    os.link(os.path.join(out, "hard-only/x.txt"), os.path.join(out, "hard-only/y.txt"))
    write("sym/target.bin", b"symlink target\n" * 30)
    os.symlink("target.bin", os.path.join(out, "sym/link-to-file.bin"))
    write("sym/copy-of-target.bin", b"symlink target\n" * 30)
    os.symlink("../plain", os.path.join(out, "sym/link-to-dir"))
    os.symlink("nowhere", os.path.join(out, "sym/dangling"))
    write("one-byte/x", b"x")
    write("one-byte/y", b"x")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--preset", choices=sorted(PRESETS) + ["edge"], default="large")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--scale", type=float, default=1.0,
                    help="multiply file count and total size (e.g. 0.02 for a quick run)")
    ap.add_argument("--out", required=True, help="folder to create (must not exist)")
    ap.add_argument("--manifest", help="expected groups (default: OUT.groups, beside the tree)")
    ap.add_argument("--force", action="store_true", help="replace OUT if it exists")
    ap.add_argument("--dry-run", action="store_true", help="print the plan's figures only")
    args = ap.parse_args()

    out = os.path.abspath(args.out).rstrip("/")
    if os.path.exists(out) and not args.dry_run:
        if not args.force:
            sys.exit(f"make_corpus: {out} exists (use --force to replace it)")
        shutil.rmtree(out)

    if args.preset == "edge":
        os.makedirs(out)
        edge_tree(out)
        print(f"edge tree written to {out}")
        return

    t0 = time.time()
    dirs, files, groups = plan(args.preset, args.seed, args.scale)
    total = sum(c.size for _, c in files)
    dup_files = sum(len(g) for g in groups)
    decoys = sum(1 for _, c in files if c.patch is not None)
    print(f"{args.preset} seed={args.seed} scale={args.scale}: {len(files)} files, "
          f"{len(dirs)} folders, {total / GIB:.2f} GiB, {len(groups)} groups holding "
          f"{dup_files} files ({dup_files - len(groups)} extra copies), {decoys} patched decoys, "
          f"largest {max(c.size for _, c in files) / MIB:.1f} MiB", flush=True)
    if args.dry_run:
        return

    pool = random.Random(args.seed ^ 0x5EED).randbytes(POOL_SIZE)
    os.makedirs(out)
    for d in dirs[1:]:
        os.makedirs(os.path.join(out, d), exist_ok=True)
    written = 0
    for i, (rel, c) in enumerate(files):
        with open(os.path.join(out, rel), "wb") as f:
            c.write(f, pool)
        written += c.size
        if i % 20000 == 19999:
            print(f"  {i + 1} files, {written / GIB:.2f} GiB, {time.time() - t0:.0f} s",
                  flush=True)

    manifest = args.manifest or out + ".groups"
    with open(manifest, "w", encoding="utf-8", errors="surrogateescape") as m:
        for g in sorted([sorted(os.path.join(out, p) for p in g) for g in groups]):
            m.write("\n".join(g) + "\n\n")
    print(f"written to {out} in {time.time() - t0:.1f} s; expected groups in {manifest}")


if __name__ == "__main__":
    main()

#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Precision and recall of picture de-duplicators on a corpus of make_photo_corpus.py.

usage: photo_corpus_score.py CORPUS RUNS TOOL...

TOOL is one of
  twinly:PATH_TO_CLI[:EXTRA,ARGS]   twinly-cli --visual --ignore-size [EXTRA ARGS] CORPUS
  findimagedupes                    findimagedupes -R -q CORPUS (its default threshold, 90 %)
  dupeguru                          bench/dupeguru_pictures.py CORPUS (default hardness 95)
Each tool runs RUNS times, the tools taking turns (round robin), so that a busy machine slows
them alike; the wall times are given as median and range. The groups of the last run are
scored: every pair of files in one group is a found pair; a pair is true when both files come
from one folder and neither is negative.jpg. Per variant, recall is the share of folders where
the variant and original.jpg share a group, and precision the share of true pairs among the
found pairs that hold the variant.
"""
import itertools
import pathlib
import statistics
import subprocess
import sys
import time

HERE = pathlib.Path(__file__).resolve().parent
VARIANTS = ["resized.jpg", "recompressed.jpg", "converted.png", "converted.webp", "converted.tif",
            "brightened.jpg", "watermarked.jpg", "cropped.jpg", "rotated.jpg", "mirrored.jpg",
            "camera.jpg", "negative.jpg"]


def blank_groups(text):
    groups, cur = [], []
    for line in text.splitlines():
        if line.strip():
            cur.append(line.strip())
        elif cur:
            groups.append(cur)
            cur = []
    if cur:
        groups.append(cur)
    return groups


def run(tool, corpus):
    if tool.startswith("twinly:"):
        parts = tool.split(":")
        extra = parts[2].split(",") if len(parts) > 2 and parts[2] else []
        cmd = [parts[1], "--visual", "--ignore-size", *extra, corpus]
        parse = blank_groups
    elif tool == "findimagedupes":
        cmd = ["findimagedupes", "-R", "-q", corpus]
        parse = lambda text: [line.split() for line in text.splitlines() if line.strip()]
    elif tool == "dupeguru":
        cmd = ["/usr/bin/python3", str(HERE / "dupeguru_pictures.py"), corpus]
        parse = lambda text: [line.strip().split(" | ") for line in text.splitlines()
                              if line.startswith("  ")]
    else:
        raise SystemExit(f"unknown tool {tool}")
    start = time.monotonic()
    out = subprocess.run(cmd, check=True, capture_output=True, text=True).stdout
    return time.monotonic() - start, parse(out)


def key(path):
    p = pathlib.PurePath(path)
    return p.parent.name, p.name


def score(groups, corpus):
    files = [key(p) for p in pathlib.Path(corpus).rglob("*") if p.is_file()]
    folders = sorted({f for f, _ in files})
    found = set()
    for g in groups:
        for a, b in itertools.combinations(sorted(key(p) for p in g), 2):
            found.add((a, b))

    def true_pair(a, b):
        return a[0] == b[0] and "negative.jpg" not in (a[1], b[1])

    positives = [n for n in {n for _, n in files} if n != "negative.jpg"]
    all_true = len(folders) * len(positives) * (len(positives) - 1) // 2
    tp = sum(true_pair(a, b) for a, b in found)
    rows = {"all": (tp / len(found) if found else 1.0, tp / all_true)}
    for v in VARIANTS:
        with_v = [(a, b) for a, b in found if v in (a[1], b[1])]
        hits = sum(1 for f in folders
                   if tuple(sorted([(f, "original.jpg"), (f, v)])) in found)
        good = sum(true_pair(a, b) for a, b in with_v)
        rows[v] = (good / len(with_v) if with_v else 1.0, hits / len(folders))
    return rows


def main():
    corpus, runs, tools = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    times = {t: [] for t in tools}
    last = {}
    for _ in range(runs):
        for t in tools:
            seconds, groups = run(t, corpus)
            times[t].append(seconds)
            last[t] = groups
    for t in tools:
        ts = times[t]
        print(f"== {t}: median {statistics.median(ts):.2f} s (range {min(ts):.2f}-{max(ts):.2f},"
              f" {len(ts)} runs), {len(last[t])} groups")
        rows = score(last[t], corpus)
        print(f"   {'variant':18} precision  recall (of the pair with original.jpg)")
        for name, (p, r) in rows.items():
            label = "all true pairs" if name == "all" else name
            print(f"   {label:18} {100 * p:8.1f}% {100 * r:7.1f}%")


if __name__ == "__main__":
    main()

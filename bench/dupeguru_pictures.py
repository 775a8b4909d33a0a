#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Times dupeGuru's picture mode on a folder, without its window.

Debian's dupeguru package keeps its engine in Python modules under /usr/lib/dupeguru and
/usr/share/dupeguru; the picture reader is its Qt one (PyQt5's QImage, which needs no display
with QT_QPA_PLATFORM=offscreen). This drives the same two steps the program runs for a
"Contents" picture scan: block signatures of every picture (into a fresh cache), then the
comparison of every pair, at the program's default filter hardness (95) and its default of
matching only pictures of equal dimensions. Run it with Debian's python3 (/usr/bin/python3),
where PyQt5 lives.

usage: dupeguru_pictures.py FOLDER [--threshold N] [--match-scaled]
prints: pictures, seconds for the signatures, seconds for the comparison, groups found
"""
import argparse
import logging
import os
import pathlib
import sys
import tempfile
import time

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
logging.disable(logging.WARNING)  # its file-digest cache is not set up outside the program
sys.path[:0] = ["/usr/share/dupeguru", "/usr/lib/dupeguru"]

from core import engine  # noqa: E402
from core.pe import matchblock  # noqa: E402
from qt.pe.photo import File  # noqa: E402

PICTURES = {".jpg", ".jpeg", ".png", ".gif", ".bmp", ".tif", ".tiff", ".webp"}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--threshold", type=int, default=95)
    parser.add_argument("--match-scaled", action="store_true")
    args = parser.parse_args()

    paths = sorted(p for p in pathlib.Path(args.folder).rglob("*")
                   if p.is_file() and p.suffix.lower() in PICTURES)
    pictures = [File(p) for p in paths]
    for picture in pictures:
        picture.is_ref = False  # set by the folder list in the program
    with tempfile.TemporaryDirectory() as tmp:
        cache = os.path.join(tmp, "cache.db")
        start = time.monotonic()
        matchblock.prepare_pictures(pictures, cache, with_dimensions=not args.match_scaled)
        signed = time.monotonic()
        matches = matchblock.getmatches(pictures, cache, args.threshold, args.match_scaled)
        done = time.monotonic()
    groups = engine.get_groups(matches)
    print(f"pictures {len(pictures)}")
    print(f"signatures_s {signed - start:.2f}")
    print(f"comparison_s {done - signed:.2f}")
    print(f"groups {len(groups)}")
    for g in groups:
        print("  " + " | ".join(str(f.path) for f in g))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Duplicate groups in one canonical form, whatever tool reported them.

  dupe_sets.py canon FORMAT INPUT [OUTPUT]   write the canonical form of a tool's report
  dupe_sets.py diff NAME REFERENCE CANDIDATE  print OK or MISMATCH and what differs

FORMAT is one of:
  blank   one path a line, groups separated by blank lines (twinly-cli's paths format,
          fdupes, jdupes, rmlint's fdupes formatter, the expected groups of make_corpus.py)
  rmlint  rmlint's json formatter (entries of type duplicate_file)
  rdfind  rdfind's results file (grouped by the absolute value of the id column)

Canonical form: paths sorted within a group (as bytes), groups sorted by their paths, one path a
line and a blank line after each group. Paths are bytes throughout so that names that are not
UTF-8 survive; a path holding a newline cannot be told apart by the line formats and is not
supported.
"""

import json
import sys


def read_blank(data):
    groups, cur = [], []
    for line in data.split(b"\n"):
        if line.endswith(b"\r"):
            line = line[:-1]
        if line:
            cur.append(line)
        elif cur:
            groups.append(cur)
            cur = []
    if cur:
        groups.append(cur)
    return groups


def read_rmlint(data):
    # Each group is written as a run: its original first, then the others. Hard links found as
    # such carry no checksum, so the run (not the checksum) is what delimits a group.
    doc = json.loads(data.decode("utf-8", errors="surrogateescape"))
    groups = []
    last_key = None
    for e in doc:
        if e.get("type") != "duplicate_file":
            continue
        key = (e.get("size"), e.get("checksum"))
        if not groups or e.get("is_original") or key != last_key:
            groups.append([])
        last_key = key
        groups[-1].append(e["path"].encode("utf-8", errors="surrogateescape"))
    return groups


def read_rdfind(data):
    # "duptype id depth size device inode priority name", the name being the rest of the line.
    by_id = {}
    for line in data.split(b"\n"):
        if not line or line.startswith(b"#"):
            continue
        parts = line.split(b" ", 7)
        if len(parts) < 8:
            continue
        by_id.setdefault(abs(int(parts[1])), []).append(parts[7])
    return [g for g in by_id.values() if len(g) >= 2]


READERS = {"blank": read_blank, "rmlint": read_rmlint, "rdfind": read_rdfind}


def canonical(groups):
    return sorted(sorted(g) for g in groups if len(g) >= 2)


def write_canon(groups, out):
    for g in groups:
        out.write(b"\n".join(g) + b"\n\n")


def load_canon(path):
    with open(path, "rb") as f:
        return canonical(read_blank(f.read()))


def show(path):
    return path.decode("utf-8", errors="backslashreplace")


def diff(name, ref_path, cand_path):
    ref = load_canon(ref_path)
    cand = load_canon(cand_path)
    nfiles = sum(len(g) for g in cand)
    if ref == cand:
        print(f"{name}: OK ({len(cand)} groups, {nfiles} files)")
        return 0
    ref_set = {tuple(g) for g in ref}
    cand_set = {tuple(g) for g in cand}
    only_ref = sorted(ref_set - cand_set)
    only_cand = sorted(cand_set - ref_set)
    ref_files = {p for g in ref for p in g}
    cand_files = {p for g in cand for p in g}
    print(f"{name}: MISMATCH ({len(cand)} groups, {nfiles} files; reference has {len(ref)} "
          f"groups, {sum(len(g) for g in ref)} files)")
    print(f"  groups only in reference: {len(only_ref)}; only in {name}: {len(only_cand)}")
    print(f"  files only in reference's groups: {len(ref_files - cand_files)}; "
          f"only in {name}'s groups: {len(cand_files - ref_files)}")
    for label, gs in (("reference", only_ref), (name, only_cand)):
        for g in gs[:3]:
            print(f"  e.g. only in {label}: " + " | ".join(show(p) for p in g[:4]) +
                  (" | ..." if len(g) > 4 else ""))
    return 1


def main(argv):
    if len(argv) >= 3 and argv[1] == "canon" and argv[2] in READERS:
        with open(argv[3], "rb") as f:
            groups = canonical(READERS[argv[2]](f.read()))
        if len(argv) > 4:
            with open(argv[4], "wb") as out:
                write_canon(groups, out)
        else:
            write_canon(groups, sys.stdout.buffer)
        return 0
    if len(argv) == 5 and argv[1] == "diff":
        return diff(argv[2], argv[3], argv[4])
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))

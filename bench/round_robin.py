#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Times commands round robin: every round runs each command once, in turn, so that a change in
the machine's load falls on every tool alike. Reports medians, the spread, and each command's
ratio to the fastest of the peers.

usage: round_robin.py PLAN.json OUT.json
PLAN: {"runs": N, "warmup": N, "cold": bool, "reference": "twinly-cli",
       "before_each": "shell command or null",
       "commands": [{"name": ..., "cmd": ..., "peer": bool}, ...]}
With "cold", the page cache is dropped before every run (as root): sync, then
/proc/sys/vm/drop_caches = 3.
"""
import json
import statistics
import subprocess
import sys
import time


def drop_caches():
    subprocess.run(["sync"], check=True)
    with open("/proc/sys/vm/drop_caches", "w") as f:
        f.write("3\n")


def run_once(plan, command):
    if plan.get("before_each"):
        subprocess.run(["bash", "-c", plan["before_each"]], check=True)
    if plan.get("cold"):
        drop_caches()
    start = time.monotonic()
    done = subprocess.run(["bash", "-c", command["cmd"]])
    elapsed = time.monotonic() - start
    if done.returncode != 0:
        sys.exit(f"round_robin: {command['name']} failed ({done.returncode}): {command['cmd']}")
    return elapsed


def main():
    plan = json.load(open(sys.argv[1]))
    commands = plan["commands"]
    for _ in range(plan.get("warmup", 0)):
        for c in commands:
            run_once(plan, c)
    times = {c["name"]: [] for c in commands}
    for _ in range(plan["runs"]):
        for c in commands:
            times[c["name"]].append(run_once(plan, c))
    json.dump(times, open(sys.argv[2], "w"), indent=1)
    med = {n: statistics.median(t) for n, t in times.items()}
    peers = [c["name"] for c in commands if c.get("peer")]
    fastest = min((med[n] for n in peers), default=None)
    print(f"{'command':<22} {'median s':>9} {'min s':>8} {'max s':>8} {'vs fastest peer':>16}")
    for c in commands:
        n = c["name"]
        ratio = f"{med[n] / fastest:15.2f}x" if fastest else f"{'':>16}"
        print(f"{n:<22} {med[n]:>9.3f} {min(times[n]):>8.3f} {max(times[n]):>8.3f} {ratio}")


if __name__ == "__main__":
    main()

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times twinly-cli against fdupes, jdupes, rmlint and rdfind on one generated tree, and checks
# that every tool reports the same duplicate groups as twinly-cli.
#
# Every tool is asked the same question: which regular files in this tree have the same bytes?
# So the peers get the flags that line them up with twinly-cli's defaults, and nothing else:
#   - empty files are duplicates of each other (twinly-cli groups them): jdupes -z,
#     rmlint --size 0, rdfind -ignoreempty false (fdupes does by default);
#   - hard links to one file are one file, no duplicate of itself (deleting one name frees
#     nothing): fdupes, jdupes and rdfind do so by default, rmlint with -L;
#   - symbolic links are not followed and not compared: rmlint -F (by default it compares a
#     link's target path as if it were the link's content); the others skip them by default;
#   - hidden files and folders are searched: rmlint --hidden (the others do by default);
#   - no tool deletes or links anything, and only duplicate files are looked for
#     (rmlint -T df, else it also reports empty folders, broken links, odd owners...).
# The generated trees hold no empty files and no links, so those flags change nothing there;
# they matter for --preset edge and for a tree of your own (--corpus).
#
# Every tool runs with a working folder outside the tree and writes its report outside it.
#
# Timing is round robin (every round runs each tool once, in turn; medians and the spread are
# reported). twinly-cli runs with --no-cache, so that it reads what the peers read, except in
# --rescan mode, which times searches with remembered checksums: of the unchanged tree, and with
# 1 % of the files touched before each run (new times, same content), next to
# `twinly-cli --list` (the walk alone). --cold drops the page cache before every run of every
# tool (root only). Every run starts after a sync, so that no tool pays for the write-back of
# the report the one before it wrote.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(dirname "$here")

preset=large
seed=1
scale=1
runs=5
warmup=1
corpus=
work=
cli=$repo/build/dev/cli/twinly-cli
check_only=0
cold=0
rescan=0
install=1
peers=fdupes,jdupes,rdfind,duff

usage() {
    cat <<EOF
Usage: bench/compare_peers.sh [OPTIONS]
  --preset NAME   large (default), small or edge (edge: groups are checked, not timed)
  --seed N        corpus seed (default 1)
  --scale X       corpus scale (default 1; e.g. 0.02 for a quick run)
  --corpus DIR    tree to search (default /tmp/twinly-corpus-PRESET-sSEED[-xSCALE]);
                  generated when missing
  --work DIR      where reports and timings go (default /tmp/twinly-peers-<corpus name>)
  --runs N        timed runs per tool (default 5); the median is reported
  --warmup N      untimed runs per tool before the timed ones (default 1)
  --cli PATH      twinly-cli to time (default build/dev/cli/twinly-cli)
  --peers LIST    peers to run, comma-separated (default fdupes,jdupes,rdfind,duff; also rmlint)
  --check-only    check the groups, time nothing
  --cold          drop the page cache before every timed run (as root)
  --rescan        time rescans with remembered checksums (unchanged, and 1 % touched)
  --no-install    do not install missing tools
EOF
}

while [[ $# -gt 0 ]]; do
    case $1 in
    --preset) preset=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --scale) scale=$2; shift 2 ;;
    --corpus) corpus=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --warmup) warmup=$2; shift 2 ;;
    --cli) cli=$2; shift 2 ;;
    --peers) peers=$2; shift 2 ;;
    --check-only) check_only=1; shift ;;
    --cold) cold=1; shift ;;
    --rescan) rescan=1; shift ;;
    --no-install) install=0; shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "compare_peers: unknown option $1" >&2; usage >&2; exit 2 ;;
    esac
done
[[ $preset == edge ]] && check_only=1

# --- tools -------------------------------------------------------------------------------
missing=()
for tool in fdupes jdupes rmlint rdfind duff; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if [[ ${#missing[@]} -gt 0 ]]; then
    if [[ $install == 0 ]]; then
        echo "compare_peers: missing ${missing[*]} (run without --no-install)" >&2
        exit 1
    fi
    sudo=
    [[ $(id -u) -ne 0 ]] && sudo=sudo
    echo "Installing ${missing[*]}"
    $sudo apt-get install -y "${missing[@]}" || {
        $sudo apt-get update && $sudo apt-get install -y "${missing[@]}"
    }
fi
if [[ ! -x $cli ]]; then
    echo "compare_peers: $cli not found; build it first (ninja -C build/dev twinly-cli)" >&2
    exit 1
fi
cli=$(realpath "$cli")

# --- corpus ------------------------------------------------------------------------------
if [[ -z $corpus ]]; then
    corpus=/tmp/twinly-corpus-$preset-s$seed
    [[ $scale != 1 ]] && corpus+=-x$scale
fi
corpus=$(realpath -m "$corpus")
if [[ ! -d $corpus ]]; then
    parent=$(dirname "$corpus")
    mkdir -p "$parent"
    avail_kib=$(df --output=avail -k "$parent" | tail -1)
    need_kib=$(python3 -c "print(int({'large': 2.6 * 2**20, 'small': 2.0 * 2**20}.get('$preset', 1024) * $scale))")
    if ((avail_kib < need_kib)); then
        echo "compare_peers: $parent has $((avail_kib / 1024)) MiB free, the corpus needs about $((need_kib / 1024)) MiB" >&2
        exit 1
    fi
    echo "Generating $corpus"
    python3 "$here/make_corpus.py" --preset "$preset" --seed "$seed" --scale "$scale" --out "$corpus"
fi
[[ -z $work ]] && work=/tmp/twinly-peers-$(basename "$corpus")
mkdir -p "$work/out"
work=$(realpath "$work")
case $work/ in "$corpus"/*)
    echo "compare_peers: --work must be outside the tree" >&2
    exit 2
    ;;
esac

echo "Tree: $corpus ($(find "$corpus" -type f | wc -l) files, $(du -sh "$corpus" | cut -f1))"
echo "Warming the cache"
find "$corpus" -type f -exec cat {} + >/dev/null

# --- commands ----------------------------------------------------------------------------
# One command line per tool, run by `bash -c` from $work. Reports go to $work/out.
q=$(printf '%q' "$corpus")
o=$(printf '%q' "$work/out")
IFS=, read -r -a chosen <<<"$peers"
names=(twinly-cli)
for t in "${chosen[@]}"; do
    case $t in
    fdupes | jdupes | rmlint | rdfind | duff) names+=("$t") ;;
    *) echo "compare_peers: unknown peer $t" >&2; exit 2 ;;
    esac
done
declare -A cmd fmt report
cmd[twinly-cli]="$(printf '%q' "$cli") --no-cache $q > $o/twinly-cli.txt"
cmd[fdupes]="fdupes -r -q $q > $o/fdupes.txt"
cmd[jdupes]="jdupes -r -q -z $q > $o/jdupes.txt"
cmd[rmlint]="rmlint -T df --hidden -F -L --size 0 -o json:$o/rmlint.json $q"
cmd[rdfind]="rdfind -ignoreempty false -removeidentinode true -makeresultsfile true -outputname $o/rdfind.txt $q > /dev/null"
# duff: -a hidden files, -p hard links are one file; a header line "%" before each group,
# blanked for the parser.
cmd[duff]="duff -r -a -p -q -f '%%' $q | sed 's/^%\$//' > $o/duff.txt"
fmt=([twinly-cli]=blank [fdupes]=blank [jdupes]=blank [rmlint]=rmlint [rdfind]=rdfind [duff]=blank)
o=$work/out
report=([twinly-cli]=$o/twinly-cli.txt [fdupes]=$o/fdupes.txt [jdupes]=$o/jdupes.txt
    [rmlint]=$o/rmlint.json [rdfind]=$o/rdfind.txt [duff]=$o/duff.txt)

cd "$work"
before=$(find "$corpus" -printf '%p %s %T@\n' | sort | md5sum)

# --- groups ------------------------------------------------------------------------------
echo
echo "Groups (each tool against twinly-cli):"
declare -A verdict
for t in "${names[@]}"; do
    rm -f "${report[$t]}"
    if ! bash -c "${cmd[$t]}"; then
        echo "compare_peers: $t failed: ${cmd[$t]}" >&2
        verdict[$t]=FAILED
        continue
    fi
    python3 "$here/dupe_sets.py" canon "${fmt[$t]}" "${report[$t]}" "$o/$t.groups"
done
for t in "${names[@]:1}"; do
    [[ ${verdict[$t]:-} == FAILED ]] && continue
    if python3 "$here/dupe_sets.py" diff "$t" "$o/twinly-cli.groups" "$o/$t.groups"; then
        verdict[$t]=OK
    else
        verdict[$t]=MISMATCH
    fi
done
if [[ -f $corpus.groups ]]; then
    # The generator's own list of what it made: twinly-cli against the truth.
    if python3 "$here/dupe_sets.py" diff "twinly-cli vs generated" "$corpus.groups" \
        "$o/twinly-cli.groups"; then
        verdict[twinly-cli]=OK
    else
        verdict[twinly-cli]=MISMATCH
    fi
else
    verdict[twinly-cli]=reference
fi

after=$(find "$corpus" -printf '%p %s %T@\n' | sort | md5sum)
if [[ $before != "$after" ]]; then
    echo "compare_peers: the tree changed while the tools ran" >&2
    exit 1
fi

[[ $check_only == 1 ]] && exit 0

# --- timing ------------------------------------------------------------------------------
echo
mode=warm
[[ $cold == 1 ]] && mode=cold
cache=$work/cache
plan=$work/plan.json
if [[ $rescan == 1 ]]; then
    # Remembered checksums in a folder of the bench; one search fills them.
    rm -rf "$cache"
    XDG_CACHE_HOME=$cache "$cli" "$corpus" >/dev/null
    touched=$work/touched.list
    find "$corpus" -type f | awk 'NR % 100 == 0' >"$touched"
    tc="XDG_CACHE_HOME=$(printf '%q' "$cache") $(printf '%q' "$cli")"
    python3 - "$plan" "$runs" "$warmup" "$cold" "$tc" "$q" "$o" "$touched" <<'PY'
import json, sys
plan, runs, warmup, cold, tc, q, o, touched = sys.argv[1:]
json.dump({"runs": int(runs), "warmup": int(warmup), "cold": cold == "1", "before_each": "sync", "commands": [
    {"name": "twinly-cli --list", "cmd": f"{tc} --list {q} > {o}/list.txt"},
    {"name": "rescan, unchanged", "cmd": f"{tc} {q} > {o}/rescan.txt"},
    {"name": "rescan, 1% touched",
     "cmd": f"xargs -d '\\n' touch < {touched} && {tc} {q} > {o}/rescan1.txt"},
]}, open(plan, "w"))
PY
    echo "Rescans ($mode): $runs rounds after $warmup warm-up round(s)"
else
    {
        echo '{"runs": '"$runs"', "warmup": '"$warmup"', "cold": '"$([[ $cold == 1 ]] && echo true || echo false)"', "before_each": "sync", "commands": ['
        first=1
        for t in "${names[@]}"; do
            [[ $first == 1 ]] || echo ','
            first=0
            peer=true
            [[ $t == twinly-cli ]] && peer=false
            python3 -c 'import json,sys; print(json.dumps({"name": sys.argv[1], "cmd": sys.argv[2], "peer": sys.argv[3] == "true"}))' "$t" "${cmd[$t]}" "$peer"
        done
        echo ']}'
    } >"$plan"
    echo "Timing ($mode): $runs rounds after $warmup warm-up round(s), every tool once a round"
fi
python3 "$here/round_robin.py" "$plan" "$work/times.json"
if [[ $rescan == 0 ]]; then
    echo
    for t in "${names[@]}"; do
        echo "groups: $t ${verdict[$t]}"
    done
fi
echo
echo "Raw timings: $work/times.json; reports: $o"

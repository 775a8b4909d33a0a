#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Times a visual search of twinly-cli against dupeGuru's picture mode and findimagedupes on
# generated photos.
#
#   bench/visual_peers.sh BUILD_DIR [WORK_DIR]
#
# Makes (once, with ImageMagick, under WORK_DIR, default /tmp/twinly-visual-bench):
#   big/    40 pictures of 4000 x 3000 (12 megapixels): 10 scenes, each as the original, a
#           recompressed copy, a slightly brightened copy and a noisier copy
#   many/   5,000 pictures of about 640 x 480: 50 scenes, each in 100 variants (resized to
#           other sizes of the same proportion, recompressed, brightened, with noise; every
#           tenth variant turned a quarter, so portrait pictures are in the mix)
# Then runs, on each folder: twinly-cli --visual --ignore-size (default settings, 1 and 2
# threads), bench/dupeguru_pictures.py (dupeGuru's engine, default hardness 95) and
# findimagedupes (its default threshold, 90 %). Missing tools (imagemagick, dupeguru,
# findimagedupes) are installed with apt-get first.
# Timings are wall clock; the files are read from the page cache after the first run.
set -eu
build=${1:?usage: visual_peers.sh BUILD_DIR [WORK_DIR]}
work=${2:-/tmp/twinly-visual-bench}
here=$(cd "$(dirname "$0")" && pwd)
cli="$build/cli/twinly-cli"
jobs=$(nproc)

missing=
for p in imagemagick dupeguru findimagedupes; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        missing="$missing $p"
done
if [ -n "$missing" ]; then
    sudo=
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    echo "Installing$missing"
    # shellcheck disable=SC2086
    $sudo apt-get install -y $missing || { $sudo apt-get update && $sudo apt-get install -y $missing; }
fi

scene() { # scene SEED SIZE OUT
    convert -size "$2" -seed "$1" plasma:fractal -blur 0x2 \
        \( +clone -seed "$1" +noise Gaussian -evaluate multiply 0.15 \) -compose plus -composite \
        -quality 90 "$3"
}

if [ ! -f "$work/big/.done" ]; then
    mkdir -p "$work/big"
    for s in $(seq 1 10); do echo "$s"; done | xargs -P "$jobs" -I{} sh -c '
        d='"$work/big"'
        convert -size 4000x3000 -seed {} plasma:fractal -blur 0x3 -attenuate 0.3 +noise Gaussian -quality 92 $d/s{}.jpg
        convert $d/s{}.jpg -quality 70 $d/s{}-q70.jpg
        convert $d/s{}.jpg -modulate 104 -quality 90 $d/s{}-bright.jpg
        convert $d/s{}.jpg -attenuate 0.3 +noise Gaussian -quality 90 $d/s{}-noise.jpg'
    touch "$work/big/.done"
fi
if [ ! -f "$work/many/.done" ]; then
    mkdir -p "$work/many/base"
    for s in $(seq 1 50); do echo "$s"; done | xargs -P "$jobs" -I{} \
        convert -size 640x480 -seed {} plasma:fractal -blur 0x2 -quality 95 "$work/many/base/s{}.jpg"
    for s in $(seq 1 50); do for v in $(seq 0 99); do echo "$s $v"; done; done |
        xargs -P "$jobs" -n 2 sh -c '
            b='"$work/many/base"'/s$0.jpg; o='"$work/many"'/s$0-v$1.jpg
            case $(($1 % 10)) in
                0) convert $b -rotate 90 -quality 85 $o ;;
                1|2) convert $b -resize $((320 + $1 * 4))x -quality 80 $o ;;
                3|4) convert $b -quality $((50 + $1 % 40)) $o ;;
                5|6) convert $b -modulate $((95 + $1 % 10)) -quality 88 $o ;;
                *) convert $b -seed $1 -attenuate 0.2 +noise Gaussian -quality 88 $o ;;
            esac'
    rm -r "$work/many/base"
    touch "$work/many/.done"
fi

for set in big many; do
    n=$(find "$work/$set" -name '*.jpg' | wc -l)
    echo "== $set: $n pictures"
    cat "$work/$set"/*.jpg > /dev/null # page cache
    for t in 1 2; do
        start=$(date +%s.%N)
        groups=$("$cli" --visual --ignore-size --threads "$t" "$work/$set" | grep -c '^$' || true)
        end=$(date +%s.%N)
        echo "twinly-cli --threads $t: $(echo "$end - $start" | bc) s, $groups groups"
    done
    /usr/bin/python3 "$here/dupeguru_pictures.py" "$work/$set" | grep -v '^  '
    start=$(date +%s.%N)
    groups=$(findimagedupes -R -q "$work/$set" | wc -l)
    end=$(date +%s.%N)
    echo "findimagedupes: $(echo "$end - $start" | bc) s, $groups groups"
done

#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Makes a photo corpus for measuring the visual search, from real photographs.

usage: make_photo_corpus.py SOURCE_DIR OUT_DIR [--originals 48] [--side 2000]

SOURCE_DIR is searched for JPEG, PNG and WebP photographs (e.g. the wallpaper packages of
Debian unpacked with dpkg-deb -x). Wallpaper packages ship one picture in many sizes, so only
the largest file of each picture name stem is taken, and drawings (few distinct colours) are
left out. Every original is scaled to at most SIDE pixels a side and written as
OUT_DIR/pNN/original.jpg, with its variants beside it:

  resized.jpg       half the size
  recompressed.jpg  quality 45
  converted.png     PNG; converted.webp (quality 80); converted.tif
  brightened.jpg    10 % brighter
  watermarked.jpg   a text band in the lower right corner
  cropped.jpg       3 % cut from each side
  rotated.jpg       turned a quarter clockwise
  mirrored.jpg      mirrored left to right
  camera.jpg        the pixels stored turned a quarter anticlockwise, with the EXIF orientation
                    6 that tells a viewer to turn them back: upright it is the original

and one look-alike negative, negative.jpg: the central half of the same photograph enlarged to
the full size (the same scene, framed differently: a different picture). The truth is the folder:
the files of one folder, less negative.jpg, are one picture. Needs python3-pil.
"""
import argparse
import pathlib
import re
import sys

from PIL import Image, ImageDraw, ImageEnhance

POSITIVES = ["original.jpg", "resized.jpg", "recompressed.jpg", "converted.png", "converted.webp",
             "converted.tif", "brightened.jpg", "watermarked.jpg", "cropped.jpg", "rotated.jpg",
             "mirrored.jpg", "camera.jpg"]


def is_photo(img):
    small = img.convert("RGB").resize((64, 64))
    return len(set(small.getdata())) > 1500


def sources(root):
    best = {}
    for p in sorted(root.rglob("*")):
        if p.suffix.lower() not in (".jpg", ".jpeg", ".png", ".webp") or not p.is_file():
            continue
        if p.stat().st_size < 150_000:
            continue
        # Plasma wallpapers keep sizes as file names under the picture's own folder (images/,
        # images_dark/); others put the size in the name (Elephants_3840x2160.jpg).
        stem = p.parent.parent.parent.name if p.parent.name.startswith("images") else p.stem
        stem = re.sub(r"_\d+x\d+$", "", stem.lower()).removesuffix("-d").removesuffix("-l")
        if stem not in best or p.stat().st_size > best[stem].stat().st_size:
            best[stem] = p
    return [best[k] for k in sorted(best)]


def exif_orientation(value):
    exif = Image.Exif()
    exif[0x0112] = value
    return exif


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("source")
    ap.add_argument("out")
    ap.add_argument("--originals", type=int, default=48)
    ap.add_argument("--side", type=int, default=2000)
    args = ap.parse_args()
    out = pathlib.Path(args.out)
    made = 0
    for src in sources(pathlib.Path(args.source)):
        if made == args.originals:
            break
        try:
            img = Image.open(src)
            img.load()
        except OSError:
            continue
        img = img.convert("RGB")
        if not is_photo(img):
            continue
        img.thumbnail((args.side, args.side), Image.LANCZOS)
        w, h = img.size
        d = out / f"p{made:02d}"
        d.mkdir(parents=True, exist_ok=True)
        img.save(d / "original.jpg", quality=92)
        img.resize((w // 2, h // 2), Image.LANCZOS).save(d / "resized.jpg", quality=90)
        img.save(d / "recompressed.jpg", quality=45)
        img.save(d / "converted.png")
        img.save(d / "converted.webp", quality=80)
        img.save(d / "converted.tif", compression="tiff_lzw")
        ImageEnhance.Brightness(img).enhance(1.10).save(d / "brightened.jpg", quality=90)
        marked = img.copy()
        draw = ImageDraw.Draw(marked)
        draw.rectangle((int(w * 0.70), int(h * 0.90), int(w * 0.97), int(h * 0.96)),
                       fill=(255, 255, 255))
        draw.text((int(w * 0.72), int(h * 0.91)), "(c) Twinly test corpus", fill=(0, 0, 0))
        marked.save(d / "watermarked.jpg", quality=90)
        cw, ch = int(w * 0.03), int(h * 0.03)
        img.crop((cw, ch, w - cw, h - ch)).save(d / "cropped.jpg", quality=90)
        img.transpose(Image.ROTATE_270).save(d / "rotated.jpg", quality=90)
        img.transpose(Image.FLIP_LEFT_RIGHT).save(d / "mirrored.jpg", quality=90)
        img.transpose(Image.ROTATE_90).save(d / "camera.jpg", quality=90,
                                            exif=exif_orientation(6))
        img.crop((w // 4, h // 4, w - w // 4, h - h // 4)).resize((w, h), Image.LANCZOS).save(
            d / "negative.jpg", quality=90)
        print(f"{d.name}: {src}", flush=True)
        made += 1
    if made < args.originals:
        print(f"only {made} photographs found", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

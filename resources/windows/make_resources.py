#!/usr/bin/env python3
"""Makes the files resources/windows/pelmora.rc names from the committed
pictures: the program's icon (every size of ../icons/hicolor, one picture
each) and the icons ../images/icon_N.png as .ico files, the pictures
../images/bitmap_N.png as .bmp files (24 bits per pixel where the picture has
no transparency, 32 with it), all into the folder given:

    python3 resources/windows/make_resources.py BUILD_DIR

Run by the Windows build; needs Python 3 and Pillow (Debian: python3-pil).
"""

import glob
import io
import os
import re
import struct
import sys

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
IMAGES = os.path.join(os.path.dirname(HERE), "images")
HICOLOR = os.path.join(os.path.dirname(HERE), "icons", "hicolor")


def icon_image(picture):
    """One icon image: a 32-bit BGRA bitmap, bottom row first, followed by
    the mask (one bit a pixel, set where the picture is transparent)."""
    rgba = picture.convert("RGBA")
    w, h = rgba.size
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = io.BytesIO()
    mask = io.BytesIO()
    mask_row = ((w + 31) // 32) * 4
    for y in range(h - 1, -1, -1):
        bits = bytearray(mask_row)
        for x in range(w):
            r, g, b, a = rgba.getpixel((x, y))
            pixels.write(bytes((b, g, r, a)))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask.write(bytes(bits))
    return header + pixels.getvalue() + mask.getvalue()


def write_icon(pictures, path):
    """An .ico file holding the pictures in the order given."""
    images = [icon_image(p) for p in pictures]
    out = io.BytesIO()
    out.write(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for picture, data in zip(pictures, images):
        w, h = picture.size
        if w > 256 or h > 256:
            sys.exit("%s: an icon is at most 256 pixels wide and high" % path)
        out.write(struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset))
        offset += len(data)
    for data in images:
        out.write(data)
    with open(path, "wb") as f:
        f.write(out.getvalue())


def program_icon_pictures():
    """The icon theme's sizes, smallest first."""
    found = []
    for path in glob.glob(os.path.join(HICOLOR, "*x*", "apps", "pelmora.png")):
        size = re.match(r"(\d+)x\d+$", os.path.basename(os.path.dirname(os.path.dirname(path))))
        found.append((int(size.group(1)), path))
    if not found:
        sys.exit("no program icon under " + HICOLOR)
    return [Image.open(path) for _, path in sorted(found)]


def write_bitmap(picture, path):
    if picture.mode in ("RGBA", "LA") or "transparency" in picture.info:
        picture.convert("RGBA").save(path, "BMP")
    else:
        picture.convert("RGB").save(path, "BMP")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_resources.py OUTPUT_DIR")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_icon(program_icon_pictures(), os.path.join(out, "pelmora.ico"))
    for path in sorted(glob.glob(os.path.join(IMAGES, "icon_*.png"))):
        name = os.path.splitext(os.path.basename(path))[0]
        write_icon([Image.open(path)], os.path.join(out, name + ".ico"))
    for path in sorted(glob.glob(os.path.join(IMAGES, "bitmap_*.png"))):
        name = os.path.splitext(os.path.basename(path))[0]
        write_bitmap(Image.open(path), os.path.join(out, name + ".bmp"))


if __name__ == "__main__":
    main()

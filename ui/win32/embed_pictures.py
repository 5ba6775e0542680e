#!/usr/bin/env python3
"""Decodes the program's pictures (resources/images/icon_<id>.png and
bitmap_<id>.png) at build time and writes them as a C++ table of 32-bit
0xAARRGGBB pixels (ui/pictures/EmbeddedPictures.h), for the Windows build,
which has no toolkit to decode them.

    embed_pictures.py OUT.cpp PICTURE.png...
"""
import os
import re
import sys

from PIL import Image


def main(argv):
    if len(argv) < 2:
        print("usage: embed_pictures.py OUT.cpp PICTURE.png...", file=sys.stderr)
        return 2
    entries = []
    for path in argv[2:]:
        match = re.fullmatch(r"(icon|bitmap)_(\d+)\.png", os.path.basename(path))
        if not match:
            print(f"embed_pictures: {path} is no icon_<id>.png or bitmap_<id>.png",
                  file=sys.stderr)
            return 1
        try:
            image = Image.open(path).convert("RGBA")
        except OSError as error:
            print(f"embed_pictures: {path}: {error}", file=sys.stderr)
            return 1
        entries.append((match.group(1) == "icon", int(match.group(2)), image))
    out = [
        "// Made by embed_pictures.py from resources/images: do not edit.\n"
        '#include "ui/pictures/EmbeddedPictures.h"\n\nnamespace uiimpl {\n\nnamespace {\n\n'
    ]
    for n, (_, _, image) in enumerate(entries):
        out.append(f"const unsigned int kPixels{n}[] = {{")
        for i, (r, g, b, a) in enumerate(image.getdata()):
            if i % 8 == 0:
                out.append("\n   ")
            out.append(f" 0x{(a << 24) | (r << 16) | (g << 8) | b:08X},")
        out.append("\n};\n\n")
    out.append("} // namespace\n\nconst EmbeddedPicture kEmbeddedPictures[] = {\n")
    for n, (icon, ident, image) in enumerate(entries):
        out.append(f"    {{{'true' if icon else 'false'}, {ident}, {image.width}, "
                   f"{image.height}, kPixels{n}}},\n")
    out.append(f"}};\n\nconst int kEmbeddedPictureCount = {len(entries)};\n\n"
               "} // namespace uiimpl\n")
    part = argv[1] + ".part"
    with open(part, "w", encoding="ascii") as file:
        file.write("".join(out))
    os.replace(part, argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

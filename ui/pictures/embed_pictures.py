#!/usr/bin/env python3
"""Build tool of both realisations: decodes the program's pictures
(resources/images/icon_<id>.png and bitmap_<id>.png) once at build time and
writes them as a C++ table of 32-bit 0xAARRGGBB pixels
(ui/pictures/EmbeddedPictures.h), so the running program shows them without
decoding a PNG. Needs the standard library alone.

    embed_pictures.py OUT.cpp PICTURE.png...

The program's own icon, resources/icons/hicolor/<N>x<N>/apps/pelmora.png,
goes into a second table (kProgramIcons, the id is the side), so the window
gets its icon without a PNG decoded or an icon plug-in looked for.

It reads the PNG files the pictures are: 8 bits a sample, truecolour (type 2)
or truecolour with alpha (type 6), not interlaced, any of the five row
filters. Any other file is refused with its name and the reason, and nothing
is written.
"""
import os
import re
import struct
import sys
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"
CHANNELS = {2: 3, 6: 4}  # colour type: samples a pixel
MAX_SIDE = 1 << 14


class PictureError(Exception):
    pass


def chunks(data):
    """The chunks of a PNG file as (type, body), their CRCs checked."""
    if not data.startswith(SIGNATURE):
        raise PictureError("no PNG signature")
    at = len(SIGNATURE)
    while at < len(data):
        if at + 12 > len(data):
            raise PictureError("the file ends inside a chunk header")
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        end = at + 8 + length
        if end + 4 > len(data):
            raise PictureError(f"the file ends inside chunk {kind!r}")
        body = data[at + 8:end]
        (crc,) = struct.unpack(">I", data[end:end + 4])
        if zlib.crc32(kind + body) != crc:
            raise PictureError(f"chunk {kind.decode('latin-1')!r} has a wrong CRC")
        yield kind, body
        at = end + 4


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def unfilter(raw, width, height, bpp):
    """The rows of samples under the filter bytes (PNG's filter method 0)."""
    stride = width * bpp
    rows = []
    previous = bytearray(stride)
    for y in range(height):
        at = y * (stride + 1)
        kind = raw[at]
        line = bytearray(raw[at + 1:at + 1 + stride])
        if kind == 0:
            pass
        elif kind == 1:  # Sub
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 0xFF
        elif kind == 2:  # Up
            for i in range(stride):
                line[i] = (line[i] + previous[i]) & 0xFF
        elif kind == 3:  # Average
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + ((left + previous[i]) >> 1)) & 0xFF
        elif kind == 4:  # Paeth
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                upper_left = previous[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + paeth(left, previous[i], upper_left)) & 0xFF
        else:
            raise PictureError(f"row {y} has filter type {kind}, PNG knows 0 to 4")
        rows.append(line)
        previous = line
    return rows


def decode(data):
    """(width, height, [0xAARRGGBB...]) of a PNG file's bytes."""
    header = None
    idat = []
    ended = False
    for kind, body in chunks(data):
        if header is None and kind != b"IHDR":
            raise PictureError("the first chunk is no IHDR")
        if kind == b"IHDR":
            if header is not None or len(body) != 13:
                raise PictureError("a malformed IHDR")
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            ended = True
            break
        elif kind[0] & 0x20 == 0 and kind != b"PLTE":
            raise PictureError(f"unknown critical chunk {kind.decode('latin-1')!r}")
    if header is None:
        raise PictureError("no IHDR")
    if not ended:
        raise PictureError("no IEND: the file is cut short")
    width, height, depth, colour, compression, filtering, interlace = header
    if not (0 < width <= MAX_SIDE and 0 < height <= MAX_SIDE):
        raise PictureError(f"a size of {width}x{height}")
    if depth != 8 or colour not in CHANNELS:
        raise PictureError(f"colour type {colour} at {depth} bits a sample; the pictures are "
                           "truecolour (type 2) or truecolour with alpha (type 6) at 8 bits")
    if compression != 0 or filtering != 0:
        raise PictureError(f"compression method {compression}, filter method {filtering}")
    if interlace != 0:
        raise PictureError("interlaced; the pictures are not")
    bpp = CHANNELS[colour]
    try:
        raw = zlib.decompress(b"".join(idat))
    except zlib.error as error:
        raise PictureError(f"the image data do not inflate: {error}") from None
    if len(raw) != height * (width * bpp + 1):
        raise PictureError(f"the image data hold {len(raw)} bytes, "
                           f"{height * (width * bpp + 1)} expected")
    pixels = []
    for line in unfilter(raw, width, height, bpp):
        if bpp == 4:
            for i in range(0, len(line), 4):
                r, g, b, a = line[i:i + 4]
                pixels.append((a << 24) | (r << 16) | (g << 8) | b)
        else:
            for i in range(0, len(line), 3):
                r, g, b = line[i:i + 3]
                pixels.append(0xFF000000 | (r << 16) | (g << 8) | b)
    return width, height, pixels


def main(argv):
    if len(argv) < 2:
        print("usage: embed_pictures.py OUT.cpp PICTURE.png...", file=sys.stderr)
        return 2
    entries = []
    program = []
    for path in argv[2:]:
        match = re.fullmatch(r"(icon|bitmap)_(\d+)\.png", os.path.basename(path))
        side = re.search(r"(\d+)x\1/apps/pelmora\.png$", path.replace(os.sep, "/"))
        if not match and not side:
            print(f"embed_pictures: {path} is no icon_<id>.png, bitmap_<id>.png or "
                  "<N>x<N>/apps/pelmora.png", file=sys.stderr)
            return 1
        try:
            with open(path, "rb") as file:
                picture = decode(file.read())
        except (OSError, PictureError) as error:
            print(f"embed_pictures: {path}: {error}", file=sys.stderr)
            return 1
        if match:
            entries.append((match.group(1) == "icon", int(match.group(2)), picture))
        else:
            program.append((True, int(side.group(1)), picture))
    out = [
        "// Made by embed_pictures.py from resources/images: do not edit.\n"
        '#include "ui/pictures/EmbeddedPictures.h"\n\nnamespace uiimpl {\n\nnamespace {\n\n'
    ]
    for n, (_, _, (_, _, pixels)) in enumerate(entries + program):
        out.append(f"const unsigned int kPixels{n}[] = {{")
        for i, pixel in enumerate(pixels):
            if i % 8 == 0:
                out.append("\n   ")
            out.append(f" 0x{pixel:08X},")
        out.append("\n};\n\n")
    out.append("const EmbeddedPicture kPrograms[] = {\n")
    for n, (icon, ident, (width, height, _)) in enumerate(program, len(entries)):
        out.append(f"    {{true, {ident}, {width}, {height}, kPixels{n}}},\n")
    out.append("    {false, 0, 0, 0, nullptr}, // never empty\n};\n\n")
    out.append("} // namespace\n\nconst EmbeddedPicture kEmbeddedPictures[] = {\n")
    for n, (icon, ident, (width, height, _)) in enumerate(entries):
        out.append(f"    {{{'true' if icon else 'false'}, {ident}, {width}, {height}, "
                   f"kPixels{n}}},\n")
    out.append(f"}};\n\nconst int kEmbeddedPictureCount = {len(entries)};\n"
               "const EmbeddedPicture* const kProgramIcons = kPrograms;\n"
               f"const int kProgramIconCount = {len(program)};\n\n"
               "} // namespace uiimpl\n")
    part = argv[1] + ".part"
    try:
        with open(part, "w", encoding="ascii") as file:
            file.write("".join(out))
        os.replace(part, argv[1])
    except OSError as error:
        print(f"embed_pictures: {argv[1]} cannot be written: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Draws the wizard's pictures and icons into this folder, and the program's
icon into ../icons/hicolor (the desktop's icon theme layout: one PNG per size
and a scalable SVG).

Flat shapes in a soft palette, drawn eight times larger and scaled down so every
edge is anti-aliased; the SVG icon is the same figure written as vector shapes.
Run with Python 3 and Pillow (Debian: python3-pil):

    python3 resources/images/generate.py

The PNG and SVG files are committed; the build does not run this script.
"""

import math
import os

from PIL import Image, ImageDraw, ImageFont

OUT = os.path.dirname(os.path.abspath(__file__))
ICONS = os.path.join(os.path.dirname(OUT), "icons", "hicolor")
ICON_NAME = "pelmora"  # the icon theme name of the program
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
SS = 8  # supersampling factor

# Palette
BLUE = (74, 144, 217)
BLUE_DARK = (44, 98, 160)
BLUE_LIGHT = (222, 236, 250)
SLATE = (52, 73, 94)
SLATE_LIGHT = (93, 112, 130)
GREY = (149, 165, 166)
GREY_LIGHT = (205, 213, 216)
GREY_DARK = (110, 122, 124)
RED = (226, 80, 65)
RED_DARK = (176, 52, 42)
GREEN = (46, 184, 114)
ORANGE = (243, 156, 18)
METAL = (196, 200, 204)
METAL_DARK = (150, 156, 160)
WHITE = (255, 255, 255)
MASK = (0, 128, 128)  # transparent colour of the result-state image strip

FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


class Canvas:
    """A drawing surface in picture pixels, rendered at SS times the size."""

    def __init__(self, w, h, background=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.img = Image.new("RGBA", (w * SS, h * SS), background)
        self.d = ImageDraw.Draw(self.img)

    @staticmethod
    def s(v):
        return int(round(v * SS))

    def box(self, x0, y0, x1, y1):
        return [self.s(x0), self.s(y0), self.s(x1), self.s(y1)]

    def ellipse(self, x0, y0, x1, y1, fill, outline=None, width=0):
        self.d.ellipse(self.box(x0, y0, x1, y1), fill=fill, outline=outline, width=self.s(width))

    def circle(self, cx, cy, r, fill, outline=None, width=0):
        self.ellipse(cx - r, cy - r, cx + r, cy + r, fill, outline, width)

    def rrect(self, x0, y0, x1, y1, r, fill, outline=None, width=0):
        self.d.rounded_rectangle(self.box(x0, y0, x1, y1), radius=self.s(r), fill=fill,
                                 outline=outline, width=self.s(width))

    def rect(self, x0, y0, x1, y1, fill):
        self.d.rectangle(self.box(x0, y0, x1, y1), fill=fill)

    def polygon(self, points, fill):
        self.d.polygon([(self.s(x), self.s(y)) for x, y in points], fill=fill)

    def line(self, points, fill, width):
        pts = [(self.s(x), self.s(y)) for x, y in points]
        self.d.line(pts, fill=fill, width=self.s(width), joint="curve")
        r = width / 2
        for x, y in (points[0], points[-1]):  # round caps
            self.circle(x, y, r, fill)

    def arc(self, cx, cy, r, start, end, fill, width):
        self.d.arc(self.box(cx - r, cy - r, cx + r, cy + r), start, end, fill=fill,
                   width=self.s(width))

    def text(self, x, y, s, size, fill, anchor="mm"):
        try:
            font = ImageFont.truetype(FONT_BOLD, self.s(size))
        except OSError:
            font = ImageFont.load_default()
        self.d.text((self.s(x), self.s(y)), s, fill=fill, font=font, anchor=anchor)

    def result(self):
        return self.img.resize((self.w, self.h), Image.LANCZOS)


class SvgCanvas:
    """The drawing calls of Canvas, written as SVG shapes in picture pixels.

    Pillow draws outlines and arcs inside their bounding box; the strokes here
    are centred on the path, so each one is moved half its width inwards.
    """

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.shapes = []

    @staticmethod
    def colour(c):
        return "#%02x%02x%02x" % tuple(c[:3])

    @staticmethod
    def n(v):
        return ("%.2f" % v).rstrip("0").rstrip(".")

    def paint(self, fill, outline=None, width=0):
        out = 'fill="%s"' % (self.colour(fill) if fill is not None else "none")
        if outline is not None and width > 0:
            out += ' stroke="%s" stroke-width="%s"' % (self.colour(outline), self.n(width))
        return out

    def ellipse(self, x0, y0, x1, y1, fill, outline=None, width=0):
        self.shapes.append('<ellipse cx="%s" cy="%s" rx="%s" ry="%s" %s/>' % (
            self.n((x0 + x1) / 2), self.n((y0 + y1) / 2), self.n((x1 - x0 - width) / 2),
            self.n((y1 - y0 - width) / 2), self.paint(fill, outline, width)))

    def circle(self, cx, cy, r, fill, outline=None, width=0):
        self.ellipse(cx - r, cy - r, cx + r, cy + r, fill, outline, width)

    def rrect(self, x0, y0, x1, y1, r, fill, outline=None, width=0):
        h = width / 2
        self.shapes.append('<rect x="%s" y="%s" width="%s" height="%s" rx="%s" %s/>' % (
            self.n(x0 + h), self.n(y0 + h), self.n(x1 - x0 - width), self.n(y1 - y0 - width),
            self.n(max(r - h, 0)), self.paint(fill, outline, width)))

    def rect(self, x0, y0, x1, y1, fill):
        self.rrect(x0, y0, x1, y1, 0, fill)

    def polygon(self, points, fill):
        self.shapes.append('<polygon points="%s" %s/>' % (
            " ".join("%s,%s" % (self.n(x), self.n(y)) for x, y in points), self.paint(fill)))

    def line(self, points, fill, width):
        self.shapes.append(
            '<polyline points="%s" fill="none" stroke="%s" stroke-width="%s" '
            'stroke-linecap="round" stroke-linejoin="round"/>' % (
                " ".join("%s,%s" % (self.n(x), self.n(y)) for x, y in points),
                self.colour(fill), self.n(width)))

    def arc(self, cx, cy, r, start, end, fill, width):
        # Angles in degrees, clockwise from three o'clock as in Pillow.
        rr = r - width / 2
        a0, a1 = math.radians(start), math.radians(end)
        x0, y0 = cx + rr * math.cos(a0), cy + rr * math.sin(a0)
        x1, y1 = cx + rr * math.cos(a1), cy + rr * math.sin(a1)
        large = 1 if (end - start) % 360 > 180 else 0
        self.shapes.append(
            '<path d="M %s %s A %s %s 0 %d 1 %s %s" fill="none" stroke="%s" stroke-width="%s"/>' % (
                self.n(x0), self.n(y0), self.n(rr), self.n(rr), large, self.n(x1), self.n(y1),
                self.colour(fill), self.n(width)))

    def result(self):
        return ('<?xml version="1.0" encoding="UTF-8"?>\n'
                '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" '
                'viewBox="0 0 %d %d">\n  %s\n</svg>\n' % (
                    self.w, self.h, self.w, self.h, "\n  ".join(self.shapes)))


def save(img, name):
    img.save(os.path.join(OUT, name), optimize=True)


def bezier(p0, p1, p2, n=24):
    pts = []
    for i in range(n + 1):
        t = i / n
        x = (1 - t) ** 2 * p0[0] + 2 * (1 - t) * t * p1[0] + t * t * p2[0]
        y = (1 - t) ** 2 * p0[1] + 2 * (1 - t) * t * p1[1] + t * t * p2[1]
        pts.append((x, y))
    return pts


# ---- shared figures ---------------------------------------------------------

def headset(c, x, y, size, band=SLATE, cup=BLUE, mic=True):
    """A headset in the square (x, y, size): band, two ear cups, microphone boom."""
    u = size / 100.0
    cx = x + 50 * u
    # head band
    c.arc(cx, y + 52 * u, 36 * u, 180, 360, band, 8 * u)
    # ear cups
    for side in (-1, 1):
        ex = cx + side * 36 * u
        c.rrect(ex - 11 * u, y + 42 * u, ex + 11 * u, y + 74 * u, 8 * u, cup)
        c.rrect(ex - 5 * u + side * 5 * u, y + 46 * u, ex + 5 * u + side * 5 * u, y + 70 * u,
                5 * u, BLUE_DARK if cup == BLUE else SLATE_LIGHT)
    if mic:
        boom = bezier((cx - 38 * u, y + 70 * u), (cx - 36 * u, y + 92 * u), (cx - 6 * u, y + 90 * u))
        c.line(boom, band, 4.5 * u)
        c.rrect(cx - 10 * u, y + 84.5 * u, cx + 6 * u, y + 95.5 * u, 5.5 * u, RED)


def speaker(c, x, y, size, colour=BLUE, waves=SLATE_LIGHT):
    """A loudspeaker with sound waves in the square (x, y, size)."""
    u = size / 100.0
    c.rrect(x + 8 * u, y + 36 * u, x + 30 * u, y + 64 * u, 4 * u, colour)
    c.polygon([(x + 26 * u, y + 36 * u), (x + 52 * u, y + 14 * u), (x + 52 * u, y + 86 * u),
               (x + 26 * u, y + 64 * u)], colour)
    for i, r in enumerate((18, 30, 42)):
        c.arc(x + 52 * u, y + 50 * u, r * u, -40, 40, waves, (6 - i) * u)


def microphone(c, x, y, size, body=SLATE, head=RED, stand=SLATE_LIGHT):
    """A desk microphone in the square (x, y, size)."""
    u = size / 100.0
    cx = x + 50 * u
    c.arc(cx, y + 44 * u, 24 * u, 0, 180, stand, 7 * u)
    c.line([(cx, y + 68 * u), (cx, y + 86 * u)], stand, 7 * u)
    c.rrect(cx - 22 * u, y + 84 * u, cx + 22 * u, y + 92 * u, 4 * u, stand)
    c.rrect(cx - 15 * u, y + 6 * u, cx + 15 * u, y + 60 * u, 15 * u, head)
    for k in range(3):  # grille slots
        yy = y + (18 + 9 * k) * u
        c.line([(cx - 7 * u, yy), (cx + 7 * u, yy)], (246, 178, 170), 3 * u)


def plug(c, size, colour, dark, highlight):
    """A 3.5 mm jack plug lying diagonally, cable to the lower left."""
    u = size / 100.0
    ang = math.radians(-45)
    ca, sa = math.cos(ang), math.sin(ang)

    def P(px, py):  # plug coordinates: x along the plug, y across
        return (50 * u + (px * ca - py * sa) * u, 50 * u + (px * sa + py * ca) * u)

    def quad(x0, x1, half, fill):
        c.polygon([P(x0, -half), P(x1, -half), P(x1, half), P(x0, half)], fill)

    # cable
    c.line([P(-66, 0), P(-34, 0)], dark, 12 * u)
    # strain relief and body
    quad(-40, -20, 10, dark)
    quad(-22, 14, 17, colour)
    c.polygon([P(-22, -17), P(14, -17), P(14, -9), P(-22, -9)], highlight)
    # metal shaft with insulating rings
    quad(14, 50, 7, METAL)
    for ring in (26, 38):
        quad(ring, ring + 3.5, 7.2, SLATE)
    c.polygon([P(50, -7), P(58, -3.5), P(58, 3.5), P(50, 7)], METAL_DARK)


# ---- the pictures -----------------------------------------------------------

def banner():
    w, h = 180, 75
    c = Canvas(w, h, BLUE_LIGHT + (255,))
    # soft backdrop
    c.ellipse(-20, 40, 120, 140, (205, 225, 246))
    c.ellipse(100, -40, 220, 60, (232, 242, 252))
    speaker(c, 4, 13, 52)
    headset(c, 58, 4, 66)
    microphone(c, 126, 14, 52)
    return c.result().convert("RGB")


def panel():
    s = 100
    c = Canvas(s, s)
    c.rrect(4, 4, 96, 96, 8, GREY_LIGHT, outline=GREY, width=1.5)
    for k in range(5):  # vents
        c.rrect(12, 12 + k * 6, 52, 15 + k * 6, 1.5, GREY)
    c.rrect(62, 10, 88, 40, 3, (236, 240, 241), outline=GREY, width=1)  # power socket
    c.rrect(68, 17, 82, 33, 2, SLATE)
    # sound card bracket
    c.rrect(10, 50, 90, 90, 4, (236, 240, 241), outline=GREY, width=1.2)
    jacks = [(26, GREEN, "Line"), (50, GREY_DARK, "Spk"), (74, RED, "Mic")]
    for x, col, label in jacks:
        c.circle(x, 64, 8, col)
        c.circle(x, 64, 3.5, SLATE)
        c.text(x, 81, label, 7, SLATE)
    return c.result()


def result_strip():
    """Three 16x15 images: exclamation (soft error), tick (success), cross (serious error)."""
    c = Canvas(48, 15)
    # red exclamation in a circle
    c.circle(8, 7.5, 6.8, RED)
    c.rrect(7, 3, 9, 9, 1, WHITE)
    c.circle(8, 11.2, 1.1, WHITE)
    # green tick
    c.circle(24, 7.5, 6.8, GREEN)
    c.line([(20.6, 7.8), (23, 10.2), (27.6, 5)], WHITE, 2.0)
    # red cross
    c.circle(40, 7.5, 6.8, RED_DARK)
    c.line([(37.3, 4.8), (42.7, 10.2)], WHITE, 2.0)
    c.line([(42.7, 4.8), (37.3, 10.2)], WHITE, 2.0)
    rgba = c.result()
    # Solid pixels are blended onto white (the list's background); the rest
    # becomes the mask colour exactly.
    out = Image.new("RGB", rgba.size, MASK)
    white = Image.new("RGB", rgba.size, WHITE)
    blended = Image.composite(rgba.convert("RGB"), white, rgba.getchannel("A"))
    alpha = rgba.getchannel("A").point(lambda a: 255 if a >= 96 else 0)
    out.paste(blended, (0, 0), alpha)
    return out


def play_icon():
    # Drawn at 80 x 40 on push buttons whose caption lies beside it: the play
    # mark keeps to the left edge, the rest stays clear so the button's own
    # face shows through, however wide the button grows.
    c = Canvas(80, 40)
    c.polygon([(6, 14.5), (13.5, 20), (6, 25.5)], BLUE)
    return c.result()


def connections_icon():
    c = Canvas(27, 20)
    # a small plug on the left, a question mark bubble on the right
    c.line([(1.2, 13.5), (5, 13.5)], SLATE, 2.6)
    c.rrect(4, 9, 13, 18, 2, RED)
    c.rect(13, 12, 18, 15, METAL_DARK)
    c.circle(20.2, 7.2, 6.6, BLUE)
    c.text(20.2, 7.6, "?", 10, WHITE)
    return c.result()


def replay_icon():
    # Drawn at 80 x 27 on the Replay button, whose caption sits in the middle:
    # a round "again" arrow around a play mark keeps to the left edge, the
    # rest stays clear so the button's own face shows through.
    c = Canvas(80, 27)
    cx, cy, r = 9.5, 13.5, 5.6
    c.arc(cx, cy, r, 60, 350, BLUE, 1.6)
    # the arrow head at the open end of the arc, pointing along it
    ex, ey = cx + r * math.cos(math.radians(350)), cy + r * math.sin(math.radians(350))
    c.polygon([(ex - 2.8, ey - 1), (ex + 2.8, ey - 1), (ex, ey + 2.6)], BLUE)
    c.polygon([(cx - 1.6, cy - 2.8), (cx + 2.8, cy), (cx - 1.6, cy + 2.8)], BLUE_DARK)
    return c.result()


def headphone_plug():
    c = Canvas(30, 30)
    plug(c, 30, GREY, GREY_DARK, GREY_LIGHT)
    return c.result()


def microphone_plug():
    c = Canvas(30, 30)
    plug(c, 30, RED, RED_DARK, (240, 140, 128))
    return c.result()


def headset_picture():
    c = Canvas(130, 130)
    c.circle(65, 65, 62, BLUE_LIGHT)
    headset(c, 5, 8, 120)
    return c.result()


def app_icon(c):
    """The program's icon on a canvas of any size: a white headset on a blue tile.

    Below 32 pixels the tile fills more of the square and the headset is drawn
    larger, so the band and the microphone stay more than a pixel wide.
    """
    k = c.w / 256.0
    if c.w < 32:
        c.rrect(0, 0, c.w, c.h, 40 * k, BLUE)
        headset(c, 6 * k, 4 * k, 244 * k, band=WHITE, cup=WHITE)
    else:
        c.rrect(8 * k, 8 * k, 248 * k, 248 * k, 52 * k, BLUE)
        headset(c, 30 * k, 26 * k, 196 * k, band=WHITE, cup=WHITE)
    return c.result()


def save_icon_theme():
    for size in ICON_SIZES:
        folder = os.path.join(ICONS, "%dx%d" % (size, size), "apps")
        os.makedirs(folder, exist_ok=True)
        app_icon(Canvas(size, size)).save(os.path.join(folder, ICON_NAME + ".png"), optimize=True)
    folder = os.path.join(ICONS, "scalable", "apps")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, ICON_NAME + ".svg"), "w", encoding="utf-8") as f:
        f.write(app_icon(SvgCanvas(256, 256)))


def main():
    save(banner(), "bitmap_138.png")
    save(headphone_plug(), "bitmap_152.png")
    save(microphone_plug(), "bitmap_154.png")
    save(panel(), "bitmap_170.png")
    save(headset_picture(), "bitmap_173.png")
    save(play_icon(), "icon_182.png")
    save(connections_icon(), "icon_184.png")
    save(replay_icon(), "icon_185.png")
    save(result_strip(), "bitmap_188.png")
    save_icon_theme()


if __name__ == "__main__":
    main()

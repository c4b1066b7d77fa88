#!/usr/bin/env python3
"""Draws the pictures and writes the texts of the stand-in outside world.

    python3 tools/make_art.py           regenerates everything below
    python3 tools/make_art.py --check   exit 1 when a generated file or a
                                        picture in the layout is out of date

Regenerates, relative to the repository root:
  standins/torstr/TORSTR.rc       key names, special functions, OSD texts
  standins/torgfx/TORGFX.rc       ICON resources by numeric identifier
  standins/torgfx/icons/<id>.ico  32x32 and 16x16, 32-bit BGRA with AND masks
  standins/tor{str,gfx}/CMakeLists.txt
  resources/Q5.bmp, Q5Mask.bmp    keyboard strip and its lit-up twin
  resources/QorVarnoqForm.layout  the pictures stored with the main window:
                                  OSDFunctionImage, a 16-colour red house;
                                  Image2, Image3, Image1, the lock-key caps

Everything is drawn here from a handful of vector shapes (polygons, circles,
rounded rectangles, thick lines, arcs), anti-aliased by counting 4x4 samples
per pixel. Python's standard library only; the output is byte-identical on
every run, so regenerating never shows up as a change unless the drawing
changed.
"""

import math
import os
import struct
import sys

sys.dont_write_bytecode = True  # no cache folder in the tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from layout_blocks import with_properties, write_or_check  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# ---------------------------------------------------------------------------
# What the keys and functions are. The key map places the keys on the strip
# (left, top, right exclusive, bottom exclusive); its Id is the resource
# identifier of the key's name and icon.

KEY_MAP = [  # (Id, Left, Top, Right, Bottom) in the stored list order
    (5, 3, 22, 31, 47), (6, 35, 18, 66, 47), (1, 67, 17, 98, 41),
    (2, 102, 14, 131, 42), (4, 133, 12, 166, 39), (3, 168, 11, 199, 39),
    (8, 213, 40, 239, 64), (9, 243, 38, 270, 62), (10, 276, 37, 302, 63),
    (14, 308, 38, 333, 62), (13, 336, 38, 366, 61), (12, 370, 39, 395, 64),
    (11, 400, 39, 428, 65), (16, 439, 10, 470, 38), (15, 474, 11, 503, 40),
    (7, 506, 15, 539, 40), (17, 540, 16, 570, 45), (18, 572, 17, 603, 47),
]

# Browser keys on the left wing, media keys in the lower middle row,
# programs and sleep on the right wing.
KEYS = {
    5: ("Back", "back", "web"),
    6: ("Forward", "forward", "web"),
    1: ("Refresh", "refresh", "web"),
    2: ("Web Home", "home", "web"),
    4: ("Search", "search", "web"),
    3: ("Favourites", "star", "web"),
    8: ("Previous Track", "previous", "media"),
    9: ("Play/Pause", "playpause", "media"),
    10: ("Stop", "stop", "media"),
    14: ("Next Track", "next", "media"),
    13: ("Mute", "mute", "media"),
    12: ("Volume Down", "voldown", "media"),
    11: ("Volume Up", "volup", "media"),
    16: ("E-Mail", "mail", "apps"),
    15: ("Documents", "folder", "apps"),
    7: ("Calculator", "calculator", "apps"),
    17: ("Media Player", "music", "apps"),
    18: ("Sleep", "moon", "apps"),
}

SPECIAL_FUNCTIONS = {
    1001: ("Lock Workstation", "lock"),
    1002: ("Show Desktop", "desktop"),
    1003: ("Start Screen Saver", "screensaver"),
    1004: ("Log Off", "logoff"),
    1005: ("Eject Disc", "eject"),
    1006: ("Switch Window", "switchwindow"),
    1007: ("Close Window", "closewindow"),
    1008: ("Shut Down", "power"),
}

OSD_TEXTS = {4001: "Frame", 4002: "Background", 4003: "Function name", 4004: "More"}

# A text longer than any loader may return, so tests can see where it is cut.
LONG_TEXT_ID = 4900
LONG_TEXT_LENGTH = 300

GROUP_COLOURS = {
    "web": (38, 110, 214),
    "media": (30, 150, 96),
    "apps": (226, 120, 30),
    "special": (118, 76, 190),
}


def ruler_text(length):
    """'....+....1....+....2...': every tenth character names its tens."""
    chars = []
    for i in range(1, length + 1):
        if i % 10 == 0:
            chars.append(str((i // 10) % 10))
        elif i % 5 == 0:
            chars.append("+")
        else:
            chars.append(".")
    return "".join(chars)


# ---------------------------------------------------------------------------
# Shapes: a bounding box and an inside test, in pixel coordinates (the pixel
# (x, y) covers [x, x+1) x [y, y+1)).

class Shape:
    bbox = (0.0, 0.0, 0.0, 0.0)

    def contains(self, x, y):
        raise NotImplementedError


class Polygon(Shape):
    def __init__(self, points):
        self.points = points
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.bbox = (min(xs), min(ys), max(xs), max(ys))
        self.edges = [(points[i], points[(i + 1) % len(points)]) for i in range(len(points))]

    def contains(self, x, y):
        inside = False
        for (x0, y0), (x1, y1) in self.edges:
            if (y0 > y) != (y1 > y):
                if x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
                    inside = not inside
        return inside


class Circle(Shape):
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r2 = cx, cy, r * r
        self.bbox = (cx - r, cy - r, cx + r, cy + r)

    def contains(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        return dx * dx + dy * dy <= self.r2


class RoundRect(Shape):
    def __init__(self, x0, y0, x1, y1, r):
        r = max(0.0, min(r, (x1 - x0) / 2, (y1 - y0) / 2))
        self.x0, self.y0, self.x1, self.y1, self.r = x0, y0, x1, y1, r
        self.bbox = (x0, y0, x1, y1)

    def contains(self, x, y):
        if x < self.x0 or x > self.x1 or y < self.y0 or y > self.y1:
            return False
        r = self.r
        dx = max(self.x0 + r - x, 0.0, x - (self.x1 - r))
        dy = max(self.y0 + r - y, 0.0, y - (self.y1 - r))
        return dx * dx + dy * dy <= r * r


class Capsule(Shape):
    """A thick line with round ends."""

    def __init__(self, x0, y0, x1, y1, width):
        self.x0, self.y0, self.dx, self.dy = x0, y0, x1 - x0, y1 - y0
        self.len2 = self.dx * self.dx + self.dy * self.dy
        h = width / 2
        self.h2 = h * h
        self.bbox = (min(x0, x1) - h, min(y0, y1) - h, max(x0, x1) + h, max(y0, y1) + h)

    def contains(self, x, y):
        px, py = x - self.x0, y - self.y0
        t = 0.0 if self.len2 == 0 else max(0.0, min(1.0, (px * self.dx + py * self.dy) / self.len2))
        ex, ey = px - t * self.dx, py - t * self.dy
        return ex * ex + ey * ey <= self.h2


class Arc(Shape):
    """A ring sector: angles in degrees, clockwise on screen (y down), from a0 to a1."""

    def __init__(self, cx, cy, r, width, a0, a1):
        self.cx, self.cy = cx, cy
        self.rin2 = (r - width / 2) ** 2
        self.rout2 = (r + width / 2) ** 2
        self.a0 = a0 % 360.0
        self.span = (a1 - a0) % 360.0
        ro = r + width / 2
        self.bbox = (cx - ro, cy - ro, cx + ro, cy + ro)

    def contains(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        d2 = dx * dx + dy * dy
        if d2 < self.rin2 or d2 > self.rout2:
            return False
        a = math.degrees(math.atan2(dy, dx))
        return (a - self.a0) % 360.0 <= self.span


class Union(Shape):
    def __init__(self, *shapes):
        self.shapes = [s for s in shapes if s is not None]
        self.bbox = (min(s.bbox[0] for s in self.shapes), min(s.bbox[1] for s in self.shapes),
                     max(s.bbox[2] for s in self.shapes), max(s.bbox[3] for s in self.shapes))

    def contains(self, x, y):
        for s in self.shapes:
            b = s.bbox
            if b[0] <= x <= b[2] and b[1] <= y <= b[3] and s.contains(x, y):
                return True
        return False


class Difference(Shape):
    def __init__(self, shape, *cuts):
        self.shape, self.cut = shape, Union(*cuts)
        self.bbox = shape.bbox

    def contains(self, x, y):
        return self.shape.contains(x, y) and not self.cut.contains(x, y)


class Intersection(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b
        self.bbox = (max(a.bbox[0], b.bbox[0]), max(a.bbox[1], b.bbox[1]),
                     min(a.bbox[2], b.bbox[2]), min(a.bbox[3], b.bbox[3]))

    def contains(self, x, y):
        return self.a.contains(x, y) and self.b.contains(x, y)


class Rect(RoundRect):
    def __init__(self, x0, y0, x1, y1):
        super().__init__(x0, y0, x1, y1, 0.0)


class Everywhere(Shape):
    bbox = (-1e9, -1e9, 1e9, 1e9)

    def contains(self, x, y):
        return True


# ---------------------------------------------------------------------------
# A floating-point RGBA canvas (premultiplied alpha) that paints shapes with
# 4x4 supersampled coverage.

SAMPLES = [(i + 0.5) / 4.0 for i in range(4)]


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


class Canvas:
    def __init__(self, width, height, background=None):
        self.w, self.h = width, height
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]
        if background is not None:
            self.fill(Everywhere(), background)

    def coverage(self, shape, x, y):
        n = 0
        for sy in SAMPLES:
            for sx in SAMPLES:
                if shape.contains(x + sx, y + sy):
                    n += 1
        return n / 16.0

    def fill(self, shape, paint, alpha=1.0, clip=None):
        """Paints `shape` with a colour or a function (x, y) -> colour."""
        b = shape.bbox
        if clip is not None:
            b = (max(b[0], clip[0]), max(b[1], clip[1]), min(b[2], clip[2]), min(b[3], clip[3]))
        x0, y0 = max(0, int(math.floor(b[0]))), max(0, int(math.floor(b[1])))
        x1, y1 = min(self.w, int(math.ceil(b[2])) + 1), min(self.h, int(math.ceil(b[3])) + 1)
        solid = None if callable(paint) else paint
        full = isinstance(shape, Everywhere)
        for y in range(y0, y1):
            for x in range(x0, x1):
                c = 1.0 if full else self.coverage(shape, x, y)
                if c <= 0.0:
                    continue
                colour = solid if solid is not None else paint(x + 0.5, y + 0.5)
                a = c * alpha
                p = self.px[y * self.w + x]
                k = 1.0 - a
                p[0] = colour[0] * a + p[0] * k
                p[1] = colour[1] * a + p[1] * k
                p[2] = colour[2] * a + p[2] * k
                p[3] = a + p[3] * k

    def copy(self):
        c = Canvas(self.w, self.h)
        c.px = [list(p) for p in self.px]
        return c

    def rgba(self, x, y):
        """Straight (not premultiplied) 8-bit red, green, blue, alpha."""
        p = self.px[y * self.w + x]
        a = p[3]
        if a <= 0.0:
            return (0, 0, 0, 0)
        return (to8(p[0] / a), to8(p[1] / a), to8(p[2] / a), to8(a * 255.0))


def to8(v):
    return max(0, min(255, int(v + 0.5)))


# ---------------------------------------------------------------------------
# Pictograms, drawn in a symbol box from -1 to 1 on both axes (y down) and
# returned as one shape, so each can be painted in a single colour.

class Pen:
    """Maps symbol coordinates to pixels; strokes keep a minimum width."""

    def __init__(self, cx, cy, half, min_stroke=1.0):
        self.cx, self.cy, self.half, self.min_stroke = cx, cy, half, min_stroke

    def p(self, u, v):
        return (self.cx + u * self.half, self.cy + v * self.half)

    def w(self, width):
        return max(width * self.half, self.min_stroke)

    def poly(self, *pts):
        return Polygon([self.p(u, v) for u, v in pts])

    def circle(self, u, v, r):
        x, y = self.p(u, v)
        return Circle(x, y, r * self.half)

    def rect(self, u0, v0, u1, v1, r=0.0):
        x0, y0 = self.p(u0, v0)
        x1, y1 = self.p(u1, v1)
        return RoundRect(x0, y0, x1, y1, r * self.half)

    def line(self, u0, v0, u1, v1, width):
        x0, y0 = self.p(u0, v0)
        x1, y1 = self.p(u1, v1)
        return Capsule(x0, y0, x1, y1, self.w(width))

    def polyline(self, width, *pts):
        return Union(*[self.line(*pts[i], *pts[i + 1], width) for i in range(len(pts) - 1)])

    def arc(self, u, v, r, width, a0, a1):
        x, y = self.p(u, v)
        return Arc(x, y, r * self.half, self.w(width), a0, a1)

    def frame(self, u0, v0, u1, v1, width, r=0.0):
        """A rectangle's outline of the given stroke width, inside its bounds."""
        sw = self.w(width) / self.half
        return Difference(self.rect(u0, v0, u1, v1, r),
                          self.rect(u0 + sw, v0 + sw, u1 - sw, v1 - sw, max(0.0, r - sw)))


def arrow(pen, direction):
    s = 1 if direction == "right" else -1
    return pen.poly((-0.8 * s, -0.17), (0.02 * s, -0.17), (0.02 * s, -0.62), (0.82 * s, 0.0),
                    (0.02 * s, 0.62), (0.02 * s, 0.17), (-0.8 * s, 0.17))


def star(pen, cx, cy, outer, inner):
    pts = []
    for i in range(10):
        r = outer if i % 2 == 0 else inner
        a = math.radians(-90 + 36 * i)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pen.poly(*pts)


def speaker(pen, dx):
    return pen.poly((-0.85 + dx, -0.28), (-0.45 + dx, -0.28), (0.02 + dx, -0.72), (0.02 + dx, 0.72),
                    (-0.45 + dx, 0.28), (-0.85 + dx, 0.28))


def window(pen, u0, v0, u1, v1):
    """A window outline with a filled title bar."""
    return Union(pen.frame(u0, v0, u1, v1, 0.13, 0.08), pen.rect(u0, v0, u1, v0 + 0.32, 0.08))


def monitor(pen):
    return Union(pen.frame(-0.88, -0.78, 0.88, 0.42, 0.15, 0.1),
                 pen.rect(-0.12, 0.42, 0.12, 0.64),
                 pen.rect(-0.5, 0.62, 0.5, 0.8, 0.06))


def symbol(name, pen):
    if name == "back":
        return arrow(pen, "left")
    if name == "forward":
        return arrow(pen, "right")
    if name == "refresh":
        # Clockwise ring with a gap at the top right, arrowhead at its end.
        r, end = 0.58, -70.0
        a = math.radians(end)
        px, py = r * math.cos(a), r * math.sin(a)
        tx, ty = -math.sin(a), math.cos(a)   # clockwise tangent
        nx, ny = math.cos(a), math.sin(a)    # outward normal
        head = pen.poly((px + tx * 0.5, py + ty * 0.5), (px + nx * 0.4, py + ny * 0.4),
                        (px - nx * 0.4, py - ny * 0.4))
        return Union(pen.arc(0, 0, r, 0.27, -10.0, end - 4.0 + 360.0), head)
    if name == "home":
        roof = pen.poly((-0.92, 0.0), (0.0, -0.86), (0.92, 0.0), (0.72, 0.0), (0.0, -0.62), (-0.72, 0.0))
        body = Difference(pen.poly((-0.6, -0.06), (0.0, -0.56), (0.6, -0.06), (0.6, 0.82), (-0.6, 0.82)),
                          pen.rect(-0.17, 0.3, 0.17, 0.83))
        return Union(roof, body)
    if name == "search":
        return Union(pen.arc(-0.16, -0.16, 0.48, 0.24, 0.0, 359.99),
                     pen.line(0.22, 0.22, 0.74, 0.74, 0.3))
    if name == "star":
        return star(pen, 0.0, 0.06, 0.95, 0.4)
    if name == "previous":
        return Union(pen.rect(-0.82, -0.62, -0.6, 0.62),
                     pen.poly((-0.6, 0.0), (0.1, -0.62), (0.1, 0.62)),
                     pen.poly((0.1, 0.0), (0.8, -0.62), (0.8, 0.62)))
    if name == "next":
        return Union(pen.rect(0.6, -0.62, 0.82, 0.62),
                     pen.poly((0.6, 0.0), (-0.1, -0.62), (-0.1, 0.62)),
                     pen.poly((-0.1, 0.0), (-0.8, -0.62), (-0.8, 0.62)))
    if name == "playpause":
        return Union(pen.poly((-0.85, -0.62), (-0.05, 0.0), (-0.85, 0.62)),
                     pen.rect(0.16, -0.6, 0.4, 0.6), pen.rect(0.6, -0.6, 0.84, 0.6))
    if name == "stop":
        return pen.rect(-0.6, -0.6, 0.6, 0.6, 0.1)
    if name == "mute":
        return Union(speaker(pen, -0.1),
                     pen.line(0.36, -0.28, 0.86, 0.28, 0.22), pen.line(0.36, 0.28, 0.86, -0.28, 0.22))
    if name == "voldown":
        return Union(speaker(pen, -0.1), pen.line(0.34, 0.0, 0.88, 0.0, 0.24))
    if name == "volup":
        return Union(speaker(pen, -0.1), pen.line(0.34, 0.0, 0.88, 0.0, 0.24), pen.line(0.61, -0.28, 0.61, 0.28, 0.24))
    if name == "mail":
        body = pen.rect(-0.9, -0.62, 0.9, 0.62, 0.1)
        flap = pen.polyline(0.14, (-0.9, -0.62), (0.0, 0.1), (0.9, -0.62))
        return Difference(body, flap)
    if name == "folder":
        tab = pen.rect(-0.9, -0.72, -0.12, -0.3, 0.1)
        body = pen.rect(-0.9, -0.5, 0.9, 0.74, 0.1)
        return Difference(Union(tab, body), pen.rect(-0.95, -0.34, 0.95, -0.22))
    if name == "calculator":
        if pen.half >= 9.0:
            keys = [pen.rect(-0.46 + 0.34 * i, -0.04 + 0.3 * j, -0.24 + 0.34 * i, 0.16 + 0.3 * j)
                    for i in range(3) for j in range(3)]
        else:  # fewer, larger keys where pixels are scarce
            keys = [pen.rect(-0.44 + 0.52 * i, 0.0 + 0.42 * j, -0.1 + 0.52 * i, 0.3 + 0.42 * j)
                    for i in range(2) for j in range(2)]
        return Union(pen.frame(-0.66, -0.9, 0.66, 0.9, 0.14, 0.14),
                     pen.rect(-0.44, -0.66, 0.44, -0.28), *keys)
    if name == "music":
        return Union(pen.circle(-0.48, 0.56, 0.27), pen.circle(0.5, 0.42, 0.27),
                     pen.rect(-0.28, -0.58, -0.14, 0.56), pen.rect(0.7, -0.72, 0.84, 0.42),
                     pen.poly((-0.28, -0.52), (0.84, -0.86), (0.84, -0.56), (-0.28, -0.22)))
    if name == "moon":
        return Difference(pen.circle(-0.08, 0.04, 0.8), pen.circle(0.34, -0.3, 0.64))
    if name == "lock":
        body = Difference(pen.rect(-0.66, -0.12, 0.66, 0.86, 0.12),
                          pen.circle(0.0, 0.28, 0.13), pen.rect(-0.06, 0.3, 0.06, 0.6))
        shackle = Union(pen.arc(0.0, -0.36, 0.38, 0.2, 180.0, 360.0),
                        pen.rect(-0.48, -0.37, -0.28, -0.1), pen.rect(0.28, -0.37, 0.48, -0.1))
        return Union(body, shackle)
    if name == "desktop":
        return Union(monitor(pen), pen.rect(-0.62, -0.52, -0.38, -0.3), pen.rect(-0.62, -0.18, -0.38, 0.04))
    if name == "screensaver":
        return Union(monitor(pen), star(pen, 0.0, -0.2, 0.42, 0.18))
    if name == "logoff":
        bracket = pen.polyline(0.18, (-0.05, -0.8), (-0.78, -0.8), (-0.78, 0.8), (-0.05, 0.8))
        return Union(bracket, pen.rect(-0.42, -0.12, 0.36, 0.12),
                     pen.poly((0.3, -0.46), (0.9, 0.0), (0.3, 0.46)))
    if name == "eject":
        return Union(pen.poly((-0.78, 0.14), (0.0, -0.72), (0.78, 0.14)), pen.rect(-0.78, 0.36, 0.78, 0.62))
    if name == "switchwindow":
        back = Difference(window(pen, -0.92, -0.86, 0.38, 0.22), pen.rect(-0.5, -0.36, 1.0, 1.0))
        return Union(back, window(pen, -0.38, -0.22, 0.92, 0.86))
    if name == "closewindow":
        return Union(window(pen, -0.9, -0.84, 0.9, 0.84),
                     pen.line(-0.3, -0.12, 0.3, 0.5, 0.18), pen.line(-0.3, 0.5, 0.3, -0.12, 0.18))
    if name == "power":
        return Union(pen.arc(0.0, 0.1, 0.66, 0.2, -55.0, 235.0), pen.line(0.0, -0.86, 0.0, 0.02, 0.2))
    raise ValueError("no pictogram " + name)


# ---------------------------------------------------------------------------
# Icons of the resource library: a rounded tile in the group's colour with a
# white pictogram and a soft shadow under it.

def draw_tile_icon(size, symbol_name, base):
    c = Canvas(size, size)
    m = 1.0 if size >= 32 else 0.0
    radius = size * 0.19
    top, bottom = mix(base, (255, 255, 255), 0.28), mix(base, (0, 0, 0), 0.18)
    border = mix(base, (0, 0, 0), 0.45)
    tile = RoundRect(m, m, size - m, size - m, radius)
    c.fill(tile, border)
    inner = RoundRect(m + 1, m + 1, size - m - 1, size - m - 1, radius - 1)
    c.fill(inner, lambda x, y: mix(top, bottom, y / size))
    # Gloss on the upper half.
    c.fill(Intersection(inner, Rect(0, 0, size, size * 0.45)), (255, 255, 255), 0.12)
    half = size * (0.31 if size >= 32 else 0.36)
    min_stroke = 1.6 if size >= 32 else 1.25
    cx = cy = size / 2.0
    shadow_offset = size / 32.0
    c.fill(symbol(symbol_name, Pen(cx + shadow_offset, cy + shadow_offset, half, min_stroke)),
           mix(base, (0, 0, 0), 0.6), 0.55)
    c.fill(symbol(symbol_name, Pen(cx, cy, half, min_stroke)), (255, 255, 255))
    return c


def ico_bytes(images):
    """An .ico file of 32-bit images with AND masks (bit set = transparent)."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for canvas in images:
        w, h = canvas.w, canvas.h
        mask_stride = ((w + 31) // 32) * 4
        xor = bytearray()
        mask = bytearray()
        for y in range(h - 1, -1, -1):
            row_mask = bytearray(mask_stride)
            for x in range(w):
                r, g, b, a = canvas.rgba(x, y)
                xor += bytes((b, g, r, a))
                # Pixels less than half covered are transparent where the
                # system draws through the mask instead of the alpha channel.
                if a < 128:
                    row_mask[x // 8] |= 0x80 >> (x % 8)
            mask += row_mask
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob = header + bytes(xor) + bytes(mask)
        entries.append(struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs)


# The 16 colours of the standard VGA palette.
VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def ico4_bytes(canvas):
    """A 16-colour .ico: every pixel at least half covered takes the nearest
    palette colour, the rest is transparent."""
    w, h = canvas.w, canvas.h
    xor_stride, mask_stride = ((w * 4 + 31) // 32) * 4, ((w + 31) // 32) * 4
    xor, mask = bytearray(), bytearray()
    for y in range(h - 1, -1, -1):
        row, row_mask = bytearray(xor_stride), bytearray(mask_stride)
        for x in range(w):
            r, g, b, a = canvas.rgba(x, y)
            index = 0
            if a < 128:
                row_mask[x // 8] |= 0x80 >> (x % 8)
            else:
                index = min(range(16), key=lambda i: (VGA16[i][0] - r) ** 2 + (VGA16[i][1] - g) ** 2
                            + (VGA16[i][2] - b) ** 2)
            row[x // 2] |= index << (4 if x % 2 == 0 else 0)
        xor += row
        mask += row_mask
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in VGA16)
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    blob = header + palette + bytes(xor) + bytes(mask)
    entry = struct.pack("<BBBBHHII", w % 256, h % 256, 16, 0, 1, 4, len(blob), 22)
    return struct.pack("<HHH", 0, 1, 1) + entry + blob


def bmp_bytes(canvas):
    """A 24-bit bottom-up .bmp of an opaque canvas."""
    w, h = canvas.w, canvas.h
    stride = (w * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            r, g, b, _ = canvas.rgba(x, y)
            row += bytes((b, g, r))
        row += bytes(stride - len(row))
        pixels += row
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + bytes(pixels)


# ---------------------------------------------------------------------------
# The keyboard strip: the top edge of a dark keyboard with the extra keys,
# and its twin in which every key is lit.

STRIP_W, STRIP_H = 640, 82
STRIP_BACKDROP_TOP, STRIP_BACKDROP_BOTTOM = (232, 235, 240), (206, 211, 219)
BODY_TOP, BODY_BOTTOM = (58, 62, 70), (30, 32, 37)
CAP_SIDE = (24, 26, 30)
CAP_TOP, CAP_BOTTOM = (78, 83, 92), (54, 58, 66)
CAP_SYMBOL = (196, 202, 211)
GLOW = (40, 140, 255)
LIT_CAP_TOP, LIT_CAP_BOTTOM = (122, 132, 148), (86, 94, 110)


def body_edge(x):
    """Top edge of the keyboard: a flat arch, highest in the middle."""
    t = (x - STRIP_W / 2.0) / (STRIP_W / 2.0)
    return 2.0 + 14.0 * t * t


def draw_strip_body(c):
    # Backdrop above the keyboard, then the body with an exact coverage of
    # its curved edge, a soft shadow on the backdrop and a lit rim.
    for y in range(STRIP_H):
        for x in range(STRIP_W):
            edge = body_edge(x + 0.5)
            backdrop = mix(STRIP_BACKDROP_TOP, STRIP_BACKDROP_BOTTOM, y / STRIP_H)
            shade = max(0.0, 1.0 - (edge - (y + 0.5)) / 3.0) * 0.25 if y + 0.5 < edge else 0.0
            backdrop = mix(backdrop, (90, 96, 110), shade)
            cover = max(0.0, min(1.0, y + 1.0 - edge))
            depth = max(0.0, (y + 0.5) - edge)
            body = mix(BODY_TOP, BODY_BOTTOM, min(1.0, depth / 40.0))
            if depth < 2.0:
                body = mix((120, 126, 138), body, depth / 2.0)
            colour = mix(backdrop, body, cover)
            c.px[y * STRIP_W + x] = [colour[0], colour[1], colour[2], 1.0]

    # Lock-key lights in the middle, between the two wings.
    for i in range(3):
        x0 = 288 + i * 24
        c.fill(RoundRect(x0, 14, x0 + 16, 22, 3), (22, 24, 28))
        c.fill(RoundRect(x0 + 1, 15, x0 + 15, 21, 2.5), (44, 60, 50))
        c.fill(Circle(x0 + 8, 18, 2.2), (110, 220, 120) if i == 1 else (62, 92, 70))

    # Top of the function-key row below the extra keys.
    row = [(6, 36)]
    x = 52
    for _ in range(3):
        for _ in range(4):
            row.append((x, x + 30))
            x += 34
        x += 12
    for _ in range(3):
        row.append((x, x + 30))
        x += 34
    for x0, x1 in row:
        c.fill(RoundRect(x0, 72, x1, 90, 4), CAP_SIDE)
        c.fill(RoundRect(x0 + 2, 73, x1 - 2, 90, 3),
               lambda px, py: mix(CAP_TOP, CAP_BOTTOM, (py - 73) / 12.0))


def draw_key_cap(c, rect, symbol_name, lit):
    left, top, right, bottom = rect
    if lit:
        # The lit key fills its whole rectangle: glow around a bright cap.
        cx, cy = (left + right) / 2.0, (top + bottom) / 2.0

        def glow(x, y):
            dx = abs(x - cx) / ((right - left) / 2.0)
            dy = abs(y - cy) / ((bottom - top) / 2.0)
            d = min(1.0, max(dx, dy))
            return mix(mix(BODY_TOP, GLOW, 0.9), mix(BODY_BOTTOM, GLOW, 0.35), d)

        c.fill(Rect(left, top, right, bottom), glow)
        c.fill(RoundRect(left + 1.0, top + 1.0, right - 1.0, bottom - 1.0, 4.5), (150, 205, 255))
        face = RoundRect(left + 2.5, top + 2.0, right - 2.5, bottom - 3.5, 3.5)
        c.fill(face, lambda x, y: mix(LIT_CAP_TOP, LIT_CAP_BOTTOM, (y - top) / (bottom - top)))
        symbol_colour = (255, 255, 255)
    else:
        c.fill(RoundRect(left + 0.5, top + 1.0, right - 0.5, bottom, 4.5), (12, 13, 15), 0.6)
        c.fill(RoundRect(left + 0.5, top + 0.5, right - 0.5, bottom - 0.5, 4.5), CAP_SIDE)
        face = RoundRect(left + 2.5, top + 1.5, right - 2.5, bottom - 3.5, 3.5)
        c.fill(face, lambda x, y: mix(CAP_TOP, CAP_BOTTOM, (y - top) / (bottom - top)))
        c.fill(Difference(face, RoundRect(left + 2.5, top + 2.5, right - 2.5, bottom - 3.5, 3.5)),
               (120, 126, 138))
        symbol_colour = CAP_SYMBOL
    fx0, fy0, fx1, fy1 = left + 2.5, top + 1.5, right - 2.5, bottom - 3.5
    half = min(fx1 - fx0, fy1 - fy0) * 0.4
    pen = Pen((fx0 + fx1) / 2.0, (fy0 + fy1) / 2.0, half, 1.25)
    c.fill(symbol(symbol_name, pen), symbol_colour, clip=(left, top, right, bottom))


def draw_strips():
    base = Canvas(STRIP_W, STRIP_H)
    draw_strip_body(base)
    for key_id, left, top, right, bottom in KEY_MAP:
        draw_key_cap(base, (left, top, right, bottom), KEYS[key_id][1], False)
    # The lit twin equals the picture everywhere but inside the keys.
    lit = base.copy()
    for key_id, left, top, right, bottom in KEY_MAP:
        draw_key_cap(lit, (left, top, right, bottom), KEYS[key_id][1], True)
    return base, lit


# ---------------------------------------------------------------------------
# Pictures of the main window's pages.

def draw_osd_house():
    # Pixel-aligned, so that the 16 colours stay crisp; only the roof slopes.
    c = Canvas(32, 32)
    maroon, red = (128, 0, 0), (255, 0, 0)
    c.fill(Rect(21, 3, 25, 11), maroon)                                  # chimney
    c.fill(Polygon([(0.5, 15), (16, 1.5), (31.5, 15)]), maroon)         # roof
    c.fill(Rect(5, 14, 27, 30), red)                                     # walls
    c.fill(Rect(8, 17, 16, 25), (255, 255, 255))                         # window
    c.fill(Union(Rect(11, 17, 13, 25), Rect(8, 20, 16, 22)), maroon)    # its bars
    c.fill(Rect(19, 19, 25, 30), maroon)                                 # door
    c.fill(Rect(23, 24, 24, 26), (255, 255, 0))                          # door knob
    c.fill(Rect(2, 30, 30, 32), (0, 128, 0))                             # lawn
    return c


def draw_lock_keycap(glyph):
    """A raised grey key cap seen from above, green face framed in blue."""
    c = Canvas(32, 32, (192, 192, 192))
    c.fill(Polygon([(0, 0), (32, 0), (27, 4), (5, 4)]), (236, 236, 236))            # top side
    c.fill(Polygon([(0, 0), (5, 4), (5, 26), (0, 32)]), (214, 214, 214))            # left side
    c.fill(Polygon([(32, 0), (32, 32), (27, 26), (27, 4)]), (128, 128, 128))        # right side
    c.fill(Polygon([(0, 32), (5, 26), (27, 26), (32, 32)]), (96, 96, 96))           # bottom side
    c.fill(RoundRect(5, 4, 27, 26, 2.5), (24, 64, 200))                              # blue frame
    c.fill(RoundRect(7, 6, 25, 24, 1.5), lambda x, y: mix((70, 200, 90), (20, 140, 50), (y - 6) / 18.0))
    pen = Pen(16, 15, 7.5, 1.0)
    if glyph == "scroll":
        shape = Union(pen.rect(-0.12, -0.95, 0.12, 0.0), pen.poly((-0.6, -0.1), (0.6, -0.1), (0.0, 0.5)),
                      pen.rect(-0.75, 0.66, 0.75, 0.9))
    elif glyph == "num":
        shape = Union(pen.rect(-0.13, -0.9, 0.17, 0.92), pen.poly((-0.13, -0.9), (0.0, -0.9), (-0.13, -0.5),
                                                                  (-0.55, -0.38), (-0.55, -0.6)),
                      pen.rect(-0.5, 0.68, 0.52, 0.92))
    else:  # caps: "A"
        shape = Union(pen.poly((-0.16, -0.92), (0.16, -0.92), (0.78, 0.92), (0.46, 0.92), (0.0, -0.46),
                               (-0.46, 0.92), (-0.78, 0.92)),
                      pen.rect(-0.4, 0.26, 0.4, 0.5))
    c.fill(shape, (255, 255, 255))
    return c


# ---------------------------------------------------------------------------
# Resource scripts.

def rc_string(text):
    return '"' + text.replace('"', '""') + '"'


def torstr_rc():
    lines = ["// Texts of the keys, special functions and OSD items, by identifier.",
             "// Generated by tools/make_art.py.", "",
             "LANGUAGE 0, 0 // neutral: found whatever the user's language", "",
             "STRINGTABLE", "BEGIN"]
    for key_id in sorted(KEYS):
        lines.append("    %d, %s" % (key_id, rc_string(KEYS[key_id][0])))
    for fid in sorted(SPECIAL_FUNCTIONS):
        lines.append("    %d, %s" % (fid, rc_string(SPECIAL_FUNCTIONS[fid][0])))
    for tid in sorted(OSD_TEXTS):
        lines.append("    %d, %s" % (tid, rc_string(OSD_TEXTS[tid])))
    lines.append("    %d, %s" % (LONG_TEXT_ID, rc_string(ruler_text(LONG_TEXT_LENGTH))))
    lines += ["END", ""]
    return "\n".join(lines)


def torgfx_rc():
    lines = ["// Icons of the keys and special functions, by identifier.",
             "// Generated by tools/make_art.py.", "",
             "LANGUAGE 0, 0 // neutral: found whatever the user's language", ""]
    for rid in sorted(list(KEYS) + list(SPECIAL_FUNCTIONS)):
        lines.append('%d ICON "icons/%d.ico"' % (rid, rid))
    lines.append("")
    return "\n".join(lines)


CMAKE_TORSTR = """# Texts by identifier, beside the program. Generated by tools/make_art.py.
varnoq_add_resource_dll(TORSTR TORSTR.rc)
"""

CMAKE_TORGFX = """# Icons by identifier, beside the program. Generated by tools/make_art.py.
varnoq_add_resource_dll(TORGFX TORGFX.rc)
# windres finds icons/<id>.ico through the include path; a changed icon
# must rebuild the library.
file(GLOB TORGFX_ICONS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/icons/*.ico)
set_property(SOURCE TORGFX.rc APPEND PROPERTY OBJECT_DEPENDS ${TORGFX_ICONS})
"""


def picture_data(class_name, data):
    """A picture property's value: its graphic's class name, then the file."""
    return bytes((len(class_name),)) + class_name.encode("ascii") + data


# The main window's image controls and what each shows.
LAYOUT_PICTURES = [
    ("OSDFunctionImage", lambda: picture_data("TIcon", ico4_bytes(draw_osd_house()))),
    ("Image2", lambda: picture_data("TBitmap", bmp_bytes(draw_lock_keycap("scroll")))),
    ("Image3", lambda: picture_data("TBitmap", bmp_bytes(draw_lock_keycap("num")))),
    ("Image1", lambda: picture_data("TBitmap", bmp_bytes(draw_lock_keycap("caps")))),
]


def with_pictures(layout):
    for name, make in LAYOUT_PICTURES:
        layout = with_properties(layout, name, ["Picture.Data"], [("Picture.Data", make())])
    return layout


def generated_files():
    """Every generated file but the layout, as {path: bytes}."""
    files = {
        "standins/torstr/TORSTR.rc": torstr_rc(),
        "standins/torstr/CMakeLists.txt": CMAKE_TORSTR,
        "standins/torgfx/TORGFX.rc": torgfx_rc(),
        "standins/torgfx/CMakeLists.txt": CMAKE_TORGFX,
    }
    for key_id, (_, name, group) in KEYS.items():
        images = [draw_tile_icon(s, name, GROUP_COLOURS[group]) for s in (32, 16)]
        files["standins/torgfx/icons/%d.ico" % key_id] = ico_bytes(images)
    for fid, (_, name) in SPECIAL_FUNCTIONS.items():
        images = [draw_tile_icon(s, name, GROUP_COLOURS["special"]) for s in (32, 16)]
        files["standins/torgfx/icons/%d.ico" % fid] = ico_bytes(images)
    strip, lit = draw_strips()
    files["resources/Q5.bmp"] = bmp_bytes(strip)
    files["resources/Q5Mask.bmp"] = bmp_bytes(lit)
    return {path: data.encode("ascii") if isinstance(data, str) else data for path, data in files.items()}


def main():
    check = "--check" in sys.argv[1:]
    stale = []
    for path, data in generated_files().items():
        full = os.path.join(ROOT, path)
        if check:
            try:
                with open(full, "rb") as f:
                    current = f.read()
            except FileNotFoundError:
                current = None
            if current != data:
                stale.append(path)
            continue
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(data)
    for path in stale:
        print("%s is out of date; run tools/make_art.py" % path)
    code = write_or_check(ROOT, with_pictures, check, "tools/make_art.py")
    return 1 if stale or code else 0


if __name__ == "__main__":
    sys.exit(main())

"""Drawing helpers for generate.py: a float RGBA layer with premultiplied
colour, analytic anti-aliased coverage of circles, arcs and strokes, and a
small stroke font for the few capitals the artwork needs."""
import math


def _clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def circle_coverage(r, radius):
    """Coverage of a pixel whose centre lies r from the centre of a disc."""
    return _clamp(radius - r + 0.5)


def segment_distance(px, py, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else _clamp(((px - ax) * dx + (py - ay) * dy) / length2)
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def segment_coverage(px, py, a, b, width):
    """Coverage of a round-capped stroke of the given width from a to b."""
    return _clamp(width / 2.0 - segment_distance(px, py, a, b) + 0.5)


def arc_coverage(px, py, radius, width, start, end):
    """Coverage of a round-capped arc (angles from straight up, clockwise, radians)."""
    if end < start:
        return 0.0
    theta = math.atan2(px, -py)
    if start <= theta <= end:
        d = abs(math.hypot(px, py) - radius)
    else:
        d = min(math.hypot(px - radius * math.sin(s), py + radius * math.cos(s)) for s in (start, end))
    return _clamp(width / 2.0 - d + 0.5)


class Layer:
    """Premultiplied float RGBA pixels; colours are given as 0..255 tuples."""

    class Pixel:
        __slots__ = ("r", "g", "b", "a")

        def __init__(self, r=0.0, g=0.0, b=0.0, a=0.0):
            self.r, self.g, self.b, self.a = r, g, b, a

        def over(self, colour, alpha):
            if alpha <= 0:
                return
            alpha = min(alpha, 1.0)
            keep = 1.0 - alpha
            self.r = colour[0] / 255.0 * alpha + self.r * keep
            self.g = colour[1] / 255.0 * alpha + self.g * keep
            self.b = colour[2] / 255.0 * alpha + self.b * keep
            self.a = alpha + self.a * keep

    def __init__(self, w, h, transparent=False):
        self.w, self.h = w, h
        self.px = [Layer.Pixel() for _ in range(w * h)]

    def get(self, x, y):
        return self.px[y * self.w + x]

    def put(self, x, y, pixel):
        self.px[y * self.w + x] = pixel

    def set(self, x, y, colour, alpha):
        p = Layer.Pixel()
        p.over(colour, alpha)
        self.px[y * self.w + x] = p

    def blend(self, x, y, colour, alpha):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y * self.w + x].over(colour, alpha)

    def rgb8(self, x, y):
        p = self.get(x, y)
        return tuple(int(round(_clamp(c) * 255)) for c in (p.r, p.g, p.b))

    def premultiplied_row(self, y):
        out = bytearray()
        for x in range(self.w):
            p = self.get(x, y)
            a = int(round(_clamp(p.a) * 255))
            if a == 0:
                out += b"\0\0\0\0"
                continue
            out += bytes(min(a, int(round(_clamp(c) * 255))) for c in (p.r, p.g, p.b)) + bytes((a,))
        return bytes(out)


def stroke_segments(img, segments, width, colour, alpha):
    """Draws a set of strokes as one shape: each pixel takes its best coverage once."""
    if not segments:
        return
    xs = [v[0] for s in segments for v in s]
    ys = [v[1] for s in segments for v in s]
    x0, x1 = int(math.floor(min(xs) - width - 1)), int(math.ceil(max(xs) + width + 1))
    y0, y1 = int(math.floor(min(ys) - width - 1)), int(math.ceil(max(ys) + width + 1))
    for y in range(max(0, y0), min(img.h, y1 + 1)):
        for x in range(max(0, x0), min(img.w, x1 + 1)):
            c = max(segment_coverage(x + 0.5, y + 0.5, a, b, width) for a, b in segments)
            if c > 0:
                img.blend(x, y, colour, c * alpha)


def _ellipse(cx, cy, rx, ry, steps=20):
    return [(cx + rx * math.sin(2 * math.pi * i / steps), cy - ry * math.cos(2 * math.pi * i / steps))
            for i in range(steps + 1)]


# Capitals on a 4 x 6 grid as polylines, with their advance widths.
_GLYPHS = {
    "O": ([_ellipse(2, 3, 2, 3)], 4),
    "Q": ([_ellipse(2, 3, 2, 3), [(2.6, 4.4), (4.2, 6.2)]], 4),
    "R": ([[(0, 6), (0, 0), (2.8, 0), (3.8, 0.8), (3.8, 2.2), (2.8, 3), (0, 3)], [(2, 3), (4, 6)]], 4),
    "V": ([[(0, 0), (2, 6), (4, 0)]], 4),
    "A": ([[(0, 6), (2, 0), (4, 6)], [(0.7, 4), (3.3, 4)]], 4),
    "L": ([[(0, 0), (0, 6), (3.4, 6)]], 3.4),
    "T": ([[(0, 0), (4, 0)], [(2, 0), (2, 6)]], 4),
    "U": ([[(0, 0), (0, 4.3), (0.6, 5.5), (2, 6), (3.4, 5.5), (4, 4.3), (4, 0)]], 4),
    "I": ([[(0, 0), (0, 6)]], 0),
    "M": ([[(0, 6), (0, 0), (2, 3.6), (4, 0), (4, 6)]], 4),
    "S": ([[(3.8, 0.8), (3, 0), (1, 0), (0.2, 0.8), (0.2, 2.2), (1, 3), (3, 3), (3.8, 3.8), (3.8, 5.2),
            (3, 6), (1, 6), (0.2, 5.2)]], 4),
    "H": ([[(0, 0), (0, 6)], [(4, 0), (4, 6)], [(0, 3), (4, 3)]], 4),
}


def text_strokes(img, text, x, y, height, width, colour, alpha, spacing=1.5):
    """Draws capitals with the stroke font: top-left at (x, y), cap height `height`."""
    unit = height / 6.0
    segments = []
    for ch in text:
        lines, advance = _GLYPHS[ch]
        for line in lines:
            pts = [(x + px * unit, y + py * unit) for px, py in line]
            segments += list(zip(pts, pts[1:]))
        x += advance * unit + spacing * unit + width
    stroke_segments(img, segments, width, colour, alpha)

#!/usr/bin/env python3
"""Draws the editor's pictures: the background bitmap (background.bmp, 410 x 100,
24 bits) and the texture atlas (commonTextures.png, 480 x 480, premultiplied RGBA).

Deterministic: the same files come out on every run and every machine. Run it by
hand after changing the artwork and commit the results; the build only reads them.

    python3 resources/generate.py [output folder, default: this folder]
"""
import math
import os
import struct
import sys
import zlib

sys.dont_write_bytecode = True  # keep the source folder clean

from artwork import Layer, arc_coverage, circle_coverage, segment_coverage, stroke_segments, text_strokes

# ---------------------------------------------------------------- colours
PANEL = (17, 56, 56)
WELL = (8, 8, 8)
ACCENT = (238, 141, 55)  # the caption colour of the widgets
INK = (196, 222, 216)    # light text on the panel

# ---------------------------------------------------------------- geometry
BG_W, BG_H = 410, 100
LAMPS = ((352, 48), (376, 48))
ATLAS = 480
FRAME = 40
FRAMES = 96
SCALE_X, SCALE_Y, SCALE_W, SCALE_H = 320, 6, 80, 74
SWEEP_START = -135.0  # degrees from straight up, clockwise; frame 0 = minimum
SWEEP = 270.0


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def lcg(seed):
    """A small deterministic noise source (no dependence on Python's random)."""
    state = seed & 0xFFFFFFFF
    while True:
        state = (state * 1664525 + 1013904223) & 0xFFFFFFFF
        yield (state >> 8) / float(1 << 24)


# ---------------------------------------------------------------- background
def background():
    img = Layer(BG_W, BG_H)
    noise = lcg(0x51A7)
    # Horizontal brushed grain: one smoothed random value per row plus fine per-pixel noise.
    row_grain = [next(noise) - 0.5 for _ in range(BG_H)]
    for y in range(BG_H):
        shade = 1.06 - 0.10 * (y / (BG_H - 1))  # light from above
        grain = 0.5 * row_grain[y] + 0.25 * row_grain[max(0, y - 1)] + 0.25 * row_grain[min(BG_H - 1, y + 1)]
        for x in range(BG_W):
            dx = (x - BG_W / 2) / (BG_W / 2)
            vignette = 1.0 - 0.05 * dx * dx
            n = (next(noise) - 0.5) * 0.02 + grain * 0.03
            f = shade * vignette + n
            img.set(x, y, tuple(c * f for c in PANEL), 1.0)
    # Bevel: a light top edge and a dark bottom edge.
    for x in range(BG_W):
        img.blend(x, 0, (90, 140, 135), 0.55)
        img.blend(x, 1, (60, 110, 105), 0.25)
        img.blend(x, BG_H - 1, (0, 0, 0), 0.6)
        img.blend(x, BG_H - 2, (0, 0, 0), 0.25)
    for y in range(BG_H):
        img.blend(0, y, (70, 120, 115), 0.35)
        img.blend(BG_W - 1, y, (0, 0, 0), 0.45)

    # Lamp wells: a recessed rim, shadowed at the top left and lit at the bottom right.
    for cx, cy in LAMPS:
        for y in range(cy - 11, cy + 12):
            for x in range(cx - 11, cx + 12):
                px, py = x + 0.5 - cx, y + 0.5 - cy
                r = math.hypot(px, py)
                rim = circle_coverage(r, 9.0) - circle_coverage(r, 7.5)
                if rim > 0:
                    light = (px + py) / max(r, 1e-6)  # +1 at the bottom right
                    tone = (120, 170, 165) if light > 0 else (0, 0, 0)
                    img.blend(x, y, tone, rim * (0.15 + 0.45 * abs(light)))
                img.blend(x, y, WELL, circle_coverage(r, 7.5))
        # A faint glass reflection that the lamp's red is added over.
        for y in range(cy - 6, cy):
            for x in range(cx - 5, cx + 1):
                r = math.hypot(x + 0.5 - (cx - 2.5), y + 0.5 - (cy - 3.0))
                img.blend(x, y, (40, 48, 48), 0.5 * circle_coverage(r, 1.6))

    # Channel letters under the wells.
    for (cx, cy), letter in zip(LAMPS, "LR"):
        text_strokes(img, letter, cx - 1.6, cy + 12.5, 5.0, 1.0, INK, 0.7)

    # Top-left: the clipped-wave mark and the product name.
    wave = []
    for i in range(0, 33):
        t = i / 32.0
        v = math.sin(t * 2 * math.pi) * 1.6
        v = max(-1.0, min(1.0, v))  # the clipped sine that the product makes
        wave.append((7.5 + t * 16.0, 9.0 - v * 4.0))
    stroke_segments(img, list(zip(wave, wave[1:])), 1.5, ACCENT, 1.0)
    text_strokes(img, "ORVALT", 29.0, 4.0, 10.0, 1.5, INK, 1.0, spacing=2.2)

    # Bottom-right (the corner that opens the background menu): the maker's feather and name.
    feather_mark(img, 373.0, 78.0)
    text_strokes(img, "QUILLMARSH", 344.0, 88.5, 6.0, 0.95, INK, 0.85, spacing=1.15)
    return img


def feather_mark(img, cx, cy):
    """A quill lying diagonally: a vane that swells and narrows to the tip, its shaft, two notches."""
    ax, ay = cx - 11.0, cy + 5.5  # the quill's end, bottom left
    bx, by = cx + 11.0, cy - 5.5  # the tip, top right
    length = math.hypot(bx - ax, by - ay)
    ux, uy = (bx - ax) / length, (by - ay) / length
    vx, vy = -uy, ux  # across the shaft
    vane_start = 0.28
    for y in range(int(cy - 10), int(cy + 11)):
        for x in range(int(cx - 14), int(cx + 15)):
            px, py = x + 0.5 - ax, y + 0.5 - ay
            u = (px * ux + py * uy) / length
            v = px * vx + py * vy
            if not vane_start < u < 1.02:
                continue
            t = clamp((u - vane_start) / (1.0 - vane_start))
            half = (3.6 if v < 0 else 2.6) * math.sin(math.pi * t) ** 0.6
            cover = clamp(half - abs(v) + 0.5) * clamp((u - vane_start) * length + 0.5)
            shade = 0.75 + 0.25 * (1.0 - t)
            img.blend(x, y, tuple(c * shade for c in ACCENT), 0.95 * cover)
    at = lambda u, v=0.0: (ax + ux * u * length + vx * v, ay + uy * u * length + vy * v)
    stroke_segments(img, [(at(0.0), at(vane_start + 0.02))], 1.0, ACCENT, 1.0)
    stroke_segments(img, [(at(vane_start + 0.02), at(0.97))], 0.6, (70, 40, 16), 0.9)
    notches = [(at(0.55, -0.3), at(0.50, -3.6)), (at(0.72, 0.3), at(0.68, 2.6))]
    stroke_segments(img, notches, 0.7, PANEL, 1.0)


def write_bmp(path, img):
    rows = []
    pad = (4 - (img.w * 3) % 4) % 4
    for y in range(img.h - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(img.w):
            r, g, b = img.rgb8(x, y)
            row += bytes((b, g, r))
        row += b"\0" * pad
        rows.append(bytes(row))
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, img.w, img.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


# ---------------------------------------------------------------- atlas
def knob_angle(k):
    return math.radians(SWEEP_START + SWEEP * k / (FRAMES - 1))


def knob_frame(atlas, ox, oy, k):
    cx, cy = 20.0, 20.0
    end = knob_angle(k)
    start = knob_angle(0)
    for y in range(FRAME):
        for x in range(FRAME):
            px, py = x + 0.5 - cx, y + 0.5 - cy
            r = math.hypot(px, py)
            theta = math.atan2(px, -py)  # 0 straight up, clockwise positive
            pix = Layer.Pixel()
            # Soft drop shadow under the body.
            sr = math.hypot(px - 0.8, py - 1.4)
            pix.over((0, 0, 0), 0.55 * clamp((15.8 - sr) / 2.5))
            # Track and value arc.
            pix.over((9, 28, 29), arc_coverage(px, py, 18.0, 1.6, start, knob_angle(FRAMES - 1)))
            if k > 0:
                glow = arc_coverage(px, py, 18.0, 3.2, start, end)
                pix.over(ACCENT, 0.22 * glow)
                pix.over(ACCENT, arc_coverage(px, py, 18.0, 1.5, start, end))
            else:
                pix.over(ACCENT, 0.6 * circle_coverage(math.hypot(px - 18 * math.sin(start), py + 18 * math.cos(start)), 1.1))
            # Body: brushed metal lit from the top left, with a bright bevel edge.
            body = circle_coverage(r, 14.0)
            if body > 0:
                lit = clamp(0.5 - (px + py) / 40.0)
                ring = math.sin(r * 2.3 + theta * 0.0) * 0.015
                base = 40 + 55 * lit
                colour = (base * 0.92 + ring * 255, base * 1.05 + ring * 255, base * 1.08 + ring * 255)
                pix.over(colour, body)
                bevel = circle_coverage(r, 14.0) - circle_coverage(r, 12.8)
                if bevel > 0:
                    towards = -(px + py) / max(r, 1e-6)  # +1 at the top left
                    tone = (200, 220, 220) if towards > 0 else (5, 12, 14)
                    pix.over(tone, bevel * 0.55 * abs(towards))
                # A specular spot.
                spot = clamp(1.0 - math.hypot(px + 5.0, py + 6.0) / 7.0)
                pix.over((255, 255, 255), 0.22 * spot * spot * body)
            # Pointer.
            tip = (12.0 * math.sin(end), -12.0 * math.cos(end))
            base_pt = (4.0 * math.sin(end), -4.0 * math.cos(end))
            pix.over((240, 244, 238), segment_coverage(px, py, base_pt, tip, 2.0))
            atlas.put(ox + x, oy + y, pix)


def scale_image(atlas):
    cx, cy = SCALE_X + 40.0, SCALE_Y + 34.0
    for i in range(11):
        a = math.radians(SWEEP_START + SWEEP * i / 10.0)
        dx, dy = 26.5 * math.sin(a), -26.5 * math.cos(a)
        size = 1.55 if i in (0, 5, 10) else 1.2
        for y in range(int(cy + dy) - 3, int(cy + dy) + 4):
            for x in range(int(cx + dx) - 3, int(cx + dx) + 4):
                c = circle_coverage(math.hypot(x + 0.5 - cx - dx, y + 0.5 - cy - dy), size)
                if c > 0:
                    pix = atlas.get(x, y)
                    pix.over((170, 200, 195), c)
                    atlas.put(x, y, pix)


def atlas_image():
    atlas = Layer(ATLAS, ATLAS, transparent=True)
    for k in range(FRAMES):
        knob_frame(atlas, FRAME * (k % 8), FRAME * (k // 8), k)
    scale_image(atlas)
    return atlas


# ---------------------------------------------------------------- PNG writer
def chunk(kind, payload):
    return struct.pack(">I", len(payload)) + kind + payload + struct.pack(">I", zlib.crc32(kind + payload) & 0xFFFFFFFF)


def icc_profile():
    """A small RGB display profile: sRGB primaries adapted to D50, gamma 2.2 curves."""
    def s15(v):
        return struct.pack(">i", int(round(v * 65536)))

    def xyz(x, y, z):
        return b"XYZ " + b"\0" * 4 + s15(x) + s15(y) + s15(z)

    def curve(gamma):
        return b"curv" + b"\0" * 4 + struct.pack(">IH", 1, int(round(gamma * 256))) + b"\0\0"

    def desc(text):
        t = text.encode("ascii") + b"\0"
        return b"desc" + b"\0" * 4 + struct.pack(">I", len(t)) + t + b"\0" * 12 + b"\0" * 67

    def text_tag(text):
        return b"text" + b"\0" * 4 + text.encode("ascii") + b"\0"

    tags = [
        (b"desc", desc("Quillmarsh RGB")),
        (b"cprt", text_tag("No copyright, use freely")),
        (b"wtpt", xyz(0.9642, 1.0, 0.8249)),
        (b"rXYZ", xyz(0.4361, 0.2225, 0.0139)),
        (b"gXYZ", xyz(0.3851, 0.7169, 0.0971)),
        (b"bXYZ", xyz(0.1431, 0.0606, 0.7141)),
        (b"rTRC", curve(2.2)),
        (b"gTRC", curve(2.2)),
        (b"bTRC", curve(2.2)),
    ]
    table_size = 4 + 12 * len(tags)
    offset = 128 + table_size
    table = struct.pack(">I", len(tags))
    body = b""
    for sig, data in tags:
        while (offset + len(body)) % 4:
            body += b"\0"
        table += sig + struct.pack(">II", offset + len(body), len(data))
        body += data
    size = 128 + table_size + len(body)
    header = struct.pack(">I", size) + b"\0" * 4 + struct.pack(">I", 0x02100000) + b"mntrRGB XYZ "
    header += struct.pack(">6H", 2024, 1, 1, 0, 0, 0) + b"acsp" + b"\0" * 4 + struct.pack(">I", 0)
    header += b"\0" * 8 + b"\0" * 8 + struct.pack(">I", 0) + s15(0.9642) + s15(1.0) + s15(0.8249)
    header += b"\0" * 4 + b"\0" * 16 + b"\0" * 28
    assert len(header) == 128
    return header + table + body


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_row(kind, row, prev, bpp=4):
    out = bytearray(len(row))
    for i, x in enumerate(row):
        a = row[i - bpp] if i >= bpp else 0
        b = prev[i]
        c = prev[i - bpp] if i >= bpp else 0
        if kind == 0:
            p = 0
        elif kind == 1:
            p = a
        elif kind == 2:
            p = b
        elif kind == 3:
            p = (a + b) // 2
        else:
            p = paeth(a, b, c)
        out[i] = (x - p) & 0xFF
    return bytes(out)


def filtered_scanlines(rows):
    """Picks each row's filter by the smallest sum of signed residuals, and makes
    sure every one of the four predicting filters occurs at least once."""
    width_bytes = len(rows[0])
    prev = bytes(width_bytes)
    chosen = []
    for row in rows:
        best = None
        for kind in range(5):
            f = filter_row(kind, row, prev)
            cost = sum(v if v < 128 else 256 - v for v in f)
            if best is None or cost < best[0]:
                best = (cost, kind, f)
        chosen.append([best[1], best[2]])
        prev = row
    used = {k for k, _ in chosen}
    for kind in range(1, 5):
        if kind not in used:
            y = 3 + 7 * kind
            chosen[y] = [kind, filter_row(kind, rows[y], rows[y - 1])]
    return b"".join(bytes([k]) + f for k, f in chosen), {k for k, _ in chosen}


def write_png(path, img):
    rows = [img.premultiplied_row(y) for y in range(img.h)]
    raw, used = filtered_scanlines(rows)
    assert {1, 2, 3, 4} <= used
    data = zlib.compress(raw, 9)
    out = b"\x89PNG\r\n\x1a\n"
    out += chunk(b"IHDR", struct.pack(">IIBBBBB", img.w, img.h, 8, 6, 0, 0, 0))
    out += chunk(b"iCCP", b"Quillmarsh RGB\0\0" + zlib.compress(icc_profile(), 9))
    out += chunk(b"bKGD", struct.pack(">HHH", *PANEL))
    piece = 4096
    for i in range(0, len(data), piece):
        out += chunk(b"IDAT", data[i:i + piece])
    out += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(out)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    write_bmp(os.path.join(folder, "background.bmp"), background())
    write_png(os.path.join(folder, "commonTextures.png"), atlas_image())


if __name__ == "__main__":
    main()

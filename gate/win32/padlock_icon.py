#!/usr/bin/env python3
"""Draws the padlock icon (32 x 32 and 16 x 16, 32-bit with alpha) and writes it
as a Windows .ico file. No third-party modules, so anyone can regenerate it:

    python3 gate/win32/padlock_icon.py gate/win32/padlock.ico
"""
import math
import struct
import sys

SUB = 4  # samples per pixel edge (anti-aliasing)


def rounded_rect_distance(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    inside = x0 <= x <= x1 and y0 <= y <= y1
    d = math.hypot(x - cx, y - cy) - r
    return d if not inside or d > 0 else d


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def sample(x, y, accent):
    """Colour (r, g, b) of the padlock at unit coordinates, or None outside."""
    # Keyhole first: it is cut into the body.
    if math.hypot(x - 0.5, y - 0.63) < 0.075 or (abs(x - 0.5) < 0.03 + (y - 0.63) * 0.12 and 0.63 <= y <= 0.82):
        return (40, 30, 10)
    d = rounded_rect_distance(x, y, 0.14, 0.44, 0.86, 0.94, 0.09)
    if d <= 0:
        t = (y - 0.44) / 0.50
        base = mix(accent[0], accent[1], t)
        if d > -0.045:  # rim
            return mix(base, (90, 60, 5), 0.75)
        if y < 0.52:  # highlight band
            return mix(base, (255, 250, 220), 0.45)
        return base
    # Shackle: half ring above the body plus its two legs.
    cx, cy, r0, r1 = 0.5, 0.40, 0.19, 0.30
    rr = math.hypot(x - cx, y - cy)
    in_ring = y <= cy and r0 <= rr <= r1
    in_legs = cy <= y <= 0.46 and (0.20 <= x <= 0.31 or 0.69 <= x <= 0.80)
    if in_ring or in_legs:
        edge = min(abs(rr - r0), abs(rr - r1)) if in_ring else min(abs(x - 0.20), abs(x - 0.31), abs(x - 0.69), abs(x - 0.80))
        shade = mix((225, 228, 235), (120, 125, 135), min(1.0, max(0.0, (x - 0.2) / 0.6)))
        return mix(shade, (70, 72, 80), 0.8) if edge < 0.025 else shade
    return None


def render(size, accent):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SUB):
                for sx in range(SUB):
                    x = (px + (sx + 0.5) / SUB) / size
                    y = (py + (sy + 0.5) / SUB) / size
                    c = sample(x, y, accent)
                    if c is not None:
                        acc[0] += c[0]
                        acc[1] += c[1]
                        acc[2] += c[2]
                        acc[3] += 1
            n = SUB * SUB
            a = acc[3] / n
            if acc[3]:
                rgb = [v / acc[3] for v in acc[:3]]
            else:
                rgb = [0, 0, 0]
            row.append((int(round(rgb[0])), int(round(rgb[1])), int(round(rgb[2])), int(round(a * 255))))
        rows.append(row)
    return rows


def dib(rows):
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for i, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[i // 8] |= 0x80 >> (i % 8)
        mask += bits
    return header + bytes(xor) + bytes(mask)


def write_ico(path, images):
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    blobs = []
    for size, rows in images:
        blob = dib(rows)
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    for b in blobs:
        out += b
    with open(path, 'wb') as f:
        f.write(out)


GOLD = ((246, 200, 70), (184, 128, 18))

if __name__ == '__main__':
    target = sys.argv[1] if len(sys.argv) > 1 else 'padlock.ico'
    accent = GOLD
    write_ico(target, [(32, render(32, accent)), (16, render(16, accent))])

#!/usr/bin/env python3
"""Draws every picture of Vantakey and writes the resource files:

  gate/win32/padlock.ico                 the lock prompt's icon (102 of vkgate.dll)
  manager/resources/vantakey.ico         the program icon (102 of vkmanager.exe)
  manager/resources/tray.ico             the notification-area icon (103)
  manager/resources/toolbar.bmp          the toolbar strip (110): eight 32 x 32 images,
                                         4 bits per pixel, pure cyan and magenta are
                                         the transparent background
  manager/resources/wizard.bmp           the wizards' picture along each page's left
                                         edge (103): 147 x 309, 24 bits per pixel
                                         (98 x 190 dialog units of MS Sans Serif 8)
  manager/resources/titlebar.bmp         an active window's title bar and menu bar, for
                                         the page that asks the user to activate a
                                         window (109): 270 x 58, 24 bits per pixel
  manager/resources/password_wizard.bmp  the password wizards' picture along each page's
                                         left edge (134): 116 x 242, 24 bits per pixel
                                         (77 x 149 dialog units)
  manager/resources/tray_area.bmp        the taskbar's notification area with an arrow
                                         at the padlock icon, for the last first-run
                                         page (108): 150 x 46, 24 bits per pixel

Run from the repository root:  python3 manager/resources/draw_artwork.py
Pure Python, no third-party modules; the pictures are built from simple shapes
sampled 4 x 4 per pixel.
"""
import math
import os
import struct
import sys

SUB = 4

# ---- shapes: each is (inside(x, y) -> bool, colour(x, y) -> rgb) in unit space ----


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def rrect_dist(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    d = math.hypot(x - cx, y - cy) - r
    if x0 + r <= x <= x1 - r and y0 <= y <= y1:
        d = max(y0 - y, y - y1)
    elif y0 + r <= y <= y1 - r and x0 <= x <= x1:
        d = max(x0 - x, x - x1)
    return d


def seg_dist(x, y, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)
    t = max(0.0, min(1.0, t))
    return math.hypot(x - ax - vx * t, y - ay - vy * t)


GOLD = ((246, 200, 70), (184, 128, 18))
RIM = (90, 60, 5)


def padlock(x, y, scale=1.0, ox=0.0, oy=0.0, open_=False, accent=GOLD):
    """Padlock inside the unit square (optionally shrunk and moved)."""
    x = (x - ox) / scale
    y = (y - oy) / scale
    if math.hypot(x - 0.5, y - 0.63) < 0.075 or (abs(x - 0.5) < 0.03 + (y - 0.63) * 0.12 and 0.63 <= y <= 0.82):
        return (40, 30, 10)
    d = rrect_dist(x, y, 0.14, 0.44, 0.86, 0.94, 0.09)
    if d <= 0:
        base = mix(accent[0], accent[1], (y - 0.44) / 0.50)
        if d > -0.045:
            return mix(base, RIM, 0.75)
        if y < 0.52:
            return mix(base, (255, 250, 220), 0.45)
        return base
    lift = 0.16 if open_ else 0.0
    cx, cy, r0, r1 = 0.5, 0.40 - lift, 0.19, 0.30
    rr = math.hypot(x - cx, y - cy)
    in_ring = y <= cy and r0 <= rr <= r1
    left_leg = 0.20 <= x <= 0.31 and cy <= y <= (0.46 - lift if open_ else 0.46)
    right_leg = 0.69 <= x <= 0.80 and cy <= y <= 0.46
    if in_ring or left_leg or right_leg:
        shade = mix((225, 228, 235), (120, 125, 135), (x - 0.2) / 0.6)
        edge = min(abs(rr - r0), abs(rr - r1)) if in_ring else min(abs(x - 0.20), abs(x - 0.31), abs(x - 0.69), abs(x - 0.80))
        return mix(shade, (70, 72, 80), 0.8) if edge < 0.025 else shade
    return None


def badge_plus(x, y):
    if math.hypot(x - 0.76, y - 0.76) < 0.22:
        if (abs(x - 0.76) < 0.045 and abs(y - 0.76) < 0.15) or (abs(y - 0.76) < 0.045 and abs(x - 0.76) < 0.15):
            return (255, 255, 255)
        return (0, 150, 0) if math.hypot(x - 0.76, y - 0.76) < 0.19 else (0, 90, 0)
    return None


def badge_cross(x, y):
    d1 = seg_dist(x, y, 0.58, 0.58, 0.94, 0.94)
    d2 = seg_dist(x, y, 0.94, 0.58, 0.58, 0.94)
    if min(d1, d2) < 0.07:
        return (230, 0, 0) if min(d1, d2) < 0.05 else (120, 0, 0)
    return None


def badge_pencil(x, y):
    d = seg_dist(x, y, 0.95, 0.45, 0.62, 0.88)
    if d < 0.075:
        t = ((x - 0.95) * (0.62 - 0.95) + (y - 0.45) * (0.88 - 0.45)) / ((0.33) ** 2 + 0.43 ** 2)
        if t > 0.85:
            return (40, 40, 40)
        if t > 0.7:
            return (240, 220, 170)
        if t < 0.12:
            return (200, 60, 60)
        return (250, 210, 0) if d < 0.05 else (130, 100, 0)
    return None


def help_glyph(x, y):
    r = math.hypot(x - 0.5, y - 0.5)
    if r > 0.46:
        return None
    # question mark: upper arc, stem, dot
    qa = math.hypot(x - 0.5, y - 0.38)
    ang = math.atan2(y - 0.38, x - 0.5)
    on_arc = 0.09 <= qa <= 0.18 and not (0.2 < ang < 2.2)
    stem = seg_dist(x, y, 0.5, 0.52, 0.5, 0.62) < 0.05 or seg_dist(x, y, 0.58, 0.47, 0.5, 0.53) < 0.05
    dot = math.hypot(x - 0.5, y - 0.75) < 0.06
    if on_arc or stem or dot:
        return (255, 255, 255)
    return (0, 0, 200) if r < 0.42 else (0, 0, 110)


def exit_glyph(x, y):
    # arrow leaving to the right
    if seg_dist(x, y, 0.45, 0.55, 0.86, 0.55) < 0.06 or seg_dist(x, y, 0.86, 0.55, 0.72, 0.41) < 0.06 or seg_dist(x, y, 0.86, 0.55, 0.72, 0.69) < 0.06:
        return (0, 160, 0)
    # door frame and open door
    if 0.12 <= x <= 0.52 and 0.10 <= y <= 0.94:
        if x < 0.16 or x > 0.48 or y < 0.14:
            return (90, 50, 10)
        if 0.16 <= x <= 0.40 and y >= 0.16 + (x - 0.16) * 0.25:
            return mix((170, 100, 30), (110, 60, 10), (x - 0.16) / 0.24) if not (0.34 <= x <= 0.37 and 0.52 <= y <= 0.58) else (250, 220, 60)
        return (20, 20, 20)
    return None


def layered(*fns):
    def f(x, y):
        for fn in fns:
            c = fn(x, y)
            if c is not None:
                return c
        return None
    return f


def render(fn, size):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            hits = 0
            for sy in range(SUB):
                for sx in range(SUB):
                    c = fn((px + (sx + 0.5) / SUB) / size, (py + (sy + 0.5) / SUB) / size)
                    if c is not None:
                        acc[0] += c[0]
                        acc[1] += c[1]
                        acc[2] += c[2]
                        hits += 1
            if hits:
                row.append((round(acc[0] / hits), round(acc[1] / hits), round(acc[2] / hits), round(255 * hits / SUB / SUB)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


# ---- icon files ----

def dib32(rows):
    size = len(rows)
    out = bytearray(struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0))
    for row in reversed(rows):
        for r, g, b, a in row:
            out += bytes((b, g, r, a))
    stride = ((size + 31) // 32) * 4
    for row in reversed(rows):
        bits = bytearray(stride)
        for i, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[i // 8] |= 0x80 >> (i % 8)
        out += bits
    return bytes(out)


# Every size Windows asks for between 100 % and 200 %: small icons (title
# bars, the notification area) at 16, 20, 24 and 32, large ones at 32, 40,
# 48 and 64.
ICON_SIZES = (64, 48, 40, 32, 24, 20, 16)


def write_ico(path, fn):
    images = [(size, render(fn, size)) for size in ICON_SIZES]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    blobs = []
    for size, rows in images:
        blob = dib32(rows)
        # A directory entry says 0 for 256; every size here fits a byte.
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    with open(path, 'wb') as f:
        f.write(bytes(out) + b''.join(blobs))


# ---- the 16-colour toolbar strip ----

PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
CYAN, MAGENTA = 14, 13


def nearest(rgb):
    best, index = None, 0
    for i, p in enumerate(PALETTE):
        if i in (CYAN, MAGENTA):
            continue  # reserved for the transparent background
        d = sum((rgb[k] - p[k]) ** 2 for k in range(3))
        if best is None or d < best:
            best, index = d, i
    return index


# One strip per toolbar image size: 32 at 100 %, 40, 48 and 64 for 125 %,
# 150 % and 200 %; the manager picks the one for the screen's scale.
STRIP_SIZES = (32, 40, 48, 64)


def write_strip(path, glyphs, size=32):
    width, height = size * 8, size
    pixels = [[CYAN] * width for _ in range(height)]
    for n in range(8):
        if n >= len(glyphs):
            for y in range(height):
                for x in range(size):
                    pixels[y][n * size + x] = MAGENTA
            continue
        rows = render(glyphs[n], size)
        for y in range(height):
            for x in range(size):
                r, g, b, a = rows[y][x]
                pixels[y][n * size + x] = nearest((r, g, b)) if a >= 128 else (CYAN if (n % 2 == 0) else MAGENTA)
    stride = ((width * 4 + 31) // 32) * 4
    data = bytearray()
    for y in reversed(range(height)):
        line = bytearray()
        for x in range(0, width, 2):
            line.append((pixels[y][x] << 4) | pixels[y][x + 1])
        line += bytes(stride - len(line))
        data += line
    palette = b''.join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(data), 2835, 2835, 16, 16)
    offset = 14 + len(info) + len(palette)
    head = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    with open(path, 'wb') as f:
        f.write(head + info + palette + bytes(data))


# ---- 24-bit pictures of any size (wizard artwork) ----


def render_rect(fn, width, height, background):
    """Like render, for a width x height picture; fn gets pixel coordinates and
    may return None for the background."""
    rows = []
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0.0, 0.0, 0.0]
            for sy in range(SUB):
                for sx in range(SUB):
                    c = fn(px + (sx + 0.5) / SUB, py + (sy + 0.5) / SUB)
                    if c is None:
                        c = background
                    acc[0] += c[0]
                    acc[1] += c[1]
                    acc[2] += c[2]
            row.append(tuple(round(v / SUB / SUB) for v in acc))
        rows.append(row)
    return rows


def write_bmp24(path, rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) // 4 * 4
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        data += line
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(data), 3780, 3780, 0, 0)
    offset = 14 + len(info)
    head = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    with open(path, 'wb') as f:
        f.write(head + info + bytes(data))


# A small 5 x 7 pixel font (two more rows for descenders), enough for the
# captions the pictures show.
FONT = {
    'A': ('01110', '10001', '10001', '11111', '10001', '10001', '10001'),
    'E': ('11111', '10000', '10000', '11110', '10000', '10000', '11111'),
    'F': ('11111', '10000', '10000', '11110', '10000', '10000', '10000'),
    'H': ('10001', '10001', '10001', '11111', '10001', '10001', '10001'),
    'L': ('10000', '10000', '10000', '10000', '10000', '10000', '11111'),
    'N': ('10001', '11001', '10101', '10011', '10001', '10001', '10001'),
    'V': ('10001', '10001', '10001', '10001', '10001', '01010', '00100'),
    'a': ('00000', '00000', '01110', '00001', '01111', '10001', '01111'),
    'd': ('00001', '00001', '01101', '10011', '10001', '10011', '01101'),
    'e': ('00000', '00000', '01110', '10001', '11111', '10000', '01110'),
    'i': ('00100', '00000', '01100', '00100', '00100', '00100', '01110'),
    'l': ('01100', '00100', '00100', '00100', '00100', '00100', '01110'),
    'o': ('00000', '00000', '01110', '10001', '10001', '10001', '01110'),
    'p': ('00000', '00000', '10110', '11001', '10001', '11001', '10110', '10000', '10000'),
    'r': ('00000', '00000', '10110', '11001', '10000', '10000', '10000'),
    't': ('01000', '01000', '11100', '01000', '01000', '01001', '00110'),
    'w': ('00000', '00000', '10001', '10001', '10101', '10101', '01010'),
    '-': ('00000', '00000', '00000', '11111', '00000', '00000', '00000'),
    '0': ('01110', '10001', '10011', '10101', '11001', '10001', '01110'),
    '1': ('00100', '01100', '00100', '00100', '00100', '00100', '01110'),
    '2': ('01110', '10001', '00001', '00010', '00100', '01000', '11111'),
    '4': ('00010', '00110', '01010', '10010', '11111', '00010', '00010'),
    ':': ('00000', '01100', '01100', '00000', '01100', '01100', '00000'),
    ' ': ('00000',) * 7,
}


def text_width(text, scale=1):
    return len(text) * 6 * scale


def text_shape(text, left, top, colour, scale=1, bold=False):
    """Pixels of text in FONT, its top-left corner at (left, top)."""
    def f(x, y):
        gx = int((x - left) // scale)
        gy = int((y - top) // scale)
        if gy < 0 or gx < 0:
            return None
        n, col = divmod(gx, 6)
        if n >= len(text) or gy >= len(FONT[text[n]]):
            return None
        glyph = FONT[text[n]][gy]
        if col < 5 and glyph[col] == '1':
            return colour
        if bold and 0 < col <= 5 and glyph[col - 1] == '1':
            return colour
        return None
    return f


def box_shape(x0, y0, x1, y1, colour):
    return lambda x, y: colour if x0 <= x < x1 and y0 <= y < y1 else None


def raised_button(x0, y0, x1, y1, glyph):
    """A classic caption button: light top-left edge, dark bottom-right."""
    def f(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return None
        if x >= x1 - 1 or y >= y1 - 1:
            return (64, 64, 64)
        if x < x0 + 1 or y < y0 + 1:
            return (255, 255, 255)
        if x >= x1 - 2 or y >= y1 - 2:
            return (128, 128, 128)
        c = glyph(x - x0, y - y0)
        return c if c is not None else (212, 208, 200)
    return f


def window_bar(x, y, width=270, height=58):
    """An active window's top: frame, blue title bar with icon, caption and
    buttons, a menu bar, and the start of a white document."""
    frame = (212, 208, 200)
    if x < 1 or y < 1:
        return (255, 255, 255) if x < 1 or y < 1 else frame
    if x >= width - 1:
        return (64, 64, 64)
    if x < 4 or x >= width - 4 or y < 4:
        return frame
    if y < 22:  # title bar: the active colours, dark to light
        bar = mix((10, 36, 106), (166, 202, 240), (x - 4) / (width - 8))
        shape = layered(
            lambda u, v: padlock((u - 6) / 14, (v - 6) / 14) if 6 <= u < 20 and 6 <= v < 20 else None,
            text_shape('Letter - Notepad', 25, 9, (255, 255, 255), bold=True),
            raised_button(width - 58, 7, width - 42, 20, lambda u, v: (0, 0, 0) if 4 <= u < 10 and 9 <= v < 11 else None),
            raised_button(width - 42, 7, width - 26, 20, lambda u, v: (0, 0, 0) if 3 <= u < 12 and 2 <= v < 11 and (v < 4 or v >= 10 or u < 4 or u >= 11) else None),
            raised_button(width - 24, 7, width - 8, 20, lambda u, v: (0, 0, 0) if 3 <= u < 12 and 3 <= v < 11 and (abs((u - 3) - (v - 3)) < 1.2 or abs((u - 3) + (v - 3) - 8) < 1.2) else None),
        )
        c = shape(x, y)
        return c if c is not None else bar
    if y < 40:  # menu bar
        menu = layered(
            text_shape('File', 11, 27, (0, 0, 0)),
            text_shape('Edit', 45, 27, (0, 0, 0)),
            text_shape('View', 79, 27, (0, 0, 0)),
            text_shape('Help', 115, 27, (0, 0, 0)),
        )
        c = menu(x, y)
        return c if c is not None else frame
    if y < 42:  # sunken edge of the document
        return (128, 128, 128)
    return (255, 255, 255)


def wizard_panel(x, y, width=147, height=309):
    """The wizards' left-edge picture: a deep blue panel, light falling from
    the top, a large padlock over a stylised window, and a key below."""
    u, v = x / width, y / width  # width-relative units, so shapes keep their aspect
    base = mix((64, 112, 200), (8, 24, 72), y / height)
    glow = math.hypot(u - 0.5, v - 0.55)
    base = mix((150, 190, 245), base, min(1.0, glow / 0.55))
    # a window behind the padlock, drawn in outline
    wx0, wy0, wx1, wy1 = 0.14, 0.42, 0.86, 1.02
    if wx0 <= u <= wx1 and wy0 <= v <= wy1:
        if v < wy0 + 0.09:
            return mix((200, 220, 255), (110, 150, 225), (u - wx0) / (wx1 - wx0))
        if u < wx0 + 0.02 or u > wx1 - 0.02 or v > wy1 - 0.02:
            return (200, 220, 255)
        base = mix(base, (255, 255, 255), 0.12)
    c = padlock(u, v, 0.62, 0.19, 0.48)
    if c is not None:
        return c
    # a key lying below
    kv = 1.42
    if math.hypot(u - 0.30, v - kv) < 0.11:
        return (246, 200, 70) if math.hypot(u - 0.30, v - kv) > 0.05 else base
    if 0.38 <= u <= 0.80 and abs(v - kv) < 0.03:
        return (220, 170, 40)
    if (0.66 <= u <= 0.70 or 0.74 <= u <= 0.78) and kv <= v <= kv + 0.09:
        return (220, 170, 40)
    # a thin light rule along the right edge, where the page's text begins
    if x >= width - 2:
        return (200, 210, 230)
    return base


def password_panel(x, y, width=116, height=242):
    """The password wizards' left-edge picture: the New Lock wizard's blue
    panel in a deeper teal, a large key standing over a padlock, light falling
    from the top."""
    u, v = x / width, y / width
    base = mix((40, 120, 150), (6, 36, 56), y / height)
    glow = math.hypot(u - 0.5, v - 0.6)
    base = mix((150, 215, 230), base, min(1.0, glow / 0.6))
    c = padlock(u, v, 0.7, 0.15, 0.95)
    if c is not None:
        return c
    # a key, bow at the top, shaft down to the padlock
    kx, ky = 0.5, 0.42
    r = math.hypot(u - kx, v - ky)
    if r < 0.17:
        if r < 0.08:
            return base
        return mix((255, 225, 110), (200, 140, 20), (v - ky + 0.17) / 0.34) if r < 0.15 else RIM
    if abs(u - kx) < 0.035 and ky + 0.16 <= v <= 0.98:
        return (230, 180, 50) if abs(u - kx) < 0.022 else RIM
    if kx + 0.03 <= u <= kx + 0.12 and (0.80 <= v <= 0.84 or 0.88 <= v <= 0.92):
        return (230, 180, 50)
    # a thin light rule along the right edge, where the page's text begins
    if x >= width - 2:
        return (200, 225, 235)
    return base


def tray_area(x, y, width=150, height=46):
    """The right end of the taskbar: the sunken notification area with two
    other icons, the padlock and the clock, and a red arrow coming down at the
    padlock from above."""
    bar_top = 22
    lock_x = 84  # left edge of the 16 x 16 padlock
    # the arrow: a thick shaft from the top left and a head ending above the padlock
    tip_x, tip_y = lock_x + 8, bar_top + 4
    if y < bar_top + 4:
        d = seg_dist(x, y, 34, 3, tip_x - 7, tip_y - 7)
        head = (tip_y - 12 <= y <= tip_y and abs((x - tip_x) - (y - tip_y)) <= 2.5 and x <= tip_x) or \
               (tip_x - 12 <= x <= tip_x and abs((y - tip_y) - (x - tip_x)) <= 2.5 and y <= tip_y)
        if d < 2.2 or head or seg_dist(x, y, tip_x - 11, tip_y, tip_x, tip_y) < 1.6 or seg_dist(x, y, tip_x, tip_y - 11, tip_x, tip_y) < 1.6:
            return (210, 20, 20)
        return None
    face = (212, 208, 200)
    if y < bar_top + 1:
        return face
    if y < bar_top + 2:
        return (255, 255, 255)
    # the sunken notification area
    ax0, ay0, ax1, ay1 = 30, bar_top + 5, width - 3, height - 4
    if ax0 <= x < ax1 and ay0 <= y < ay1:
        if x < ax0 + 1 or y < ay0 + 1:
            return (128, 128, 128)
        if x >= ax1 - 1 or y >= ay1 - 1:
            return (255, 255, 255)
        icons = layered(
            # a speaker
            lambda u, v: (40, 40, 40) if 36 <= u < 40 and ay0 + 7 <= v < ay0 + 12 else None,
            lambda u, v: (40, 40, 40) if 40 <= u < 45 and abs(v - (ay0 + 9.5)) <= (u - 40) + 2.5 else None,
            # a small monitor
            lambda u, v: ((0, 100, 120) if 62 <= u < 73 and ay0 + 5 <= v < ay0 + 12 else
                          (60, 60, 60) if 60 <= u < 75 and ay0 + 3 <= v < ay0 + 14 else
                          (60, 60, 60) if 64 <= u < 71 and ay0 + 14 <= v < ay0 + 16 else None),
            lambda u, v: padlock((u - lock_x) / 16, (v - ay0 - 1) / 16, accent=BLUE)
            if lock_x <= u < lock_x + 16 and ay0 + 1 <= v < ay0 + 17 else None,
            text_shape('12:40', 112, ay0 + 5, (0, 0, 0)),
        )
        c = icons(x, y)
        return c if c is not None else face
    # the end of a task button at the left
    if 0 <= x < 24 and bar_top + 4 <= y < height - 3:
        if x >= 23 or y >= height - 4:
            return (64, 64, 64)
        if y < bar_top + 5:
            return (255, 255, 255)
        return face
    return face


BLUE = ((120, 170, 250), (30, 70, 170))

if __name__ == '__main__':
    root = sys.argv[1] if len(sys.argv) > 1 else '.'
    res = os.path.join(root, 'manager', 'resources')
    lock = lambda x, y: padlock(x, y)
    write_ico(os.path.join(root, 'gate', 'win32', 'padlock.ico'), lock)
    write_ico(os.path.join(res, 'vantakey.ico'), lock)
    write_ico(os.path.join(res, 'tray.ico'), lambda x, y: padlock(x, y, accent=BLUE))
    small = lambda open_=False: (lambda x, y: padlock(x, y, 0.8, 0.02, 0.1, open_))
    glyphs = [
        layered(badge_plus, small()),        # 0 New Lock
        layered(badge_pencil, small()),      # 1 Edit Lock
        layered(badge_cross, small()),       # 2 Delete Lock
        help_glyph,                          # 3 Help
        lambda x, y: padlock(x, y, 0.9, 0.05, 0.08, True),  # 4 Unlock
        lambda x, y: padlock(x, y, 0.9, 0.05, 0.08),        # 5 Lock
        exit_glyph,                          # 6 Exit
    ]
    for size in STRIP_SIZES:
        name = 'toolbar.bmp' if size == 32 else 'toolbar_%d.bmp' % size
        write_strip(os.path.join(res, name), glyphs, size)
    write_bmp24(os.path.join(res, 'wizard.bmp'), render_rect(wizard_panel, 147, 309, (8, 24, 72)))
    write_bmp24(os.path.join(res, 'titlebar.bmp'), render_rect(window_bar, 270, 58, (212, 208, 200)))
    write_bmp24(os.path.join(res, 'password_wizard.bmp'), render_rect(password_panel, 116, 242, (6, 36, 56)))
    write_bmp24(os.path.join(res, 'tray_area.bmp'), render_rect(tray_area, 150, 46, (212, 208, 200)))

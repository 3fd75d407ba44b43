#!/usr/bin/env python3
# Draws the default look's pictures from code, so they can be changed and
# redrawn: the splash (dist/Data/splash.tga), the skin's background tile
# (dist/Skins/Default/background.png) and the program's icon for the desktop
# (desktop/icons/hicolor/: an SVG and 48 and 256 pixel PNGs of the same
# drawing). Run from the repository root.
import math, struct, zlib, random

def tga(width, height, pixels, path):
    # Uncompressed true colour (type 2), rows from the top: what every TGA
    # reader takes.
    out = bytearray(struct.pack('<BBBHHBHHHHBB', 0, 0, 2, 0, 0, 0, 0, 0, width, height, 24, 0x20))
    for row in pixels:
        for r, g, b in row:
            out += bytes((b, g, r))
    # The version 2 footer, without which some readers refuse the file.
    out += struct.pack('<II', 0, 0) + b'TRUEVISION-XFILE.\x00'
    open(path, 'wb').write(out)

def png(width, height, pixels, path):
    # RGB, or RGBA when the pixels have four components.
    colour_type = 6 if len(pixels[0][0]) == 4 else 2
    raw = b''.join(b'\x00' + bytes(c for p in row for c in p) for row in pixels)
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, colour_type, 0, 0, 0))
    data += chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b'')
    open(path, 'wb').write(data)

def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))

W, H = 400, 225
top, bottom = (0x22, 0x27, 0x31), (0x12, 0x14, 0x18)
orange, blue, green = (0xFF, 0x9F, 0x1C), (0x3D, 0x8B, 0xFD), (0x2E, 0xC2, 0x7E)
rows = [[mix(top, bottom, (y // 6 * 6) / H)] * W for y in range(H)]
def plot(x, y, colour, strength):
    if 0 <= x < W and 0 <= y < H:
        rows[y][x] = mix(rows[y][x], colour, strength)
# three waves: a saw, a filtered square and a sine, as a synth would draw them
for x in range(W):
    t = x / W
    waves = [
        (orange, 125 + 40 * math.sin(2 * math.pi * 3 * t) * math.exp(-1.5 * t)),
        (blue, 125 + 28 * (2 * ((4 * t) % 1) - 1)),
        (green, 125 + 22 * math.tanh(6 * math.sin(2 * math.pi * 2 * t + 1))),
    ]
    for colour, centre in waves:
        y = int(round(centre))
        for dy, s in ((0, 1.0), (-1, 0.45), (1, 0.45)):
            plot(x, y + dy, colour, s)


tga(W, H, rows, "dist/Data/splash.tga")

random.seed(7)
T = 64
base = (0x15, 0x18, 0x1D)
tile = []
for y in range(T):
    line = []
    for x in range(T):
        v = random.randint(-2, 2)
        c = tuple(max(0, min(255, base[i] + v)) for i in range(3))
        if x % 16 == 0 or y % 16 == 0:
            c = (0x1B, 0x1F, 0x26)
        line.append(c)
    tile.append(line)
png(T, T, tile, "dist/Skins/Default/background.png")


# The icon: the splash's three waves on a rounded dark tile, in a 256-unit
# square. The SVG and the PNGs are drawn from the same shapes; the PNGs
# sample each pixel 4 x 4 times for smooth edges.
ICON_CORNER, ICON_MARGIN, ICON_STROKE = 40, 16, 14
icon_waves = [
    (orange, lambda t: 128 - 62 * math.sin(2 * math.pi * 1.5 * t) * math.exp(-1.2 * t)),
    (blue, lambda t: 150 + 34 * (2 * ((2 * t) % 1) - 1)),
    (green, lambda t: 110 + 30 * math.tanh(5 * math.sin(2 * math.pi * t + 1))),
]
ICON_LEFT, ICON_RIGHT = 48, 208

def icon_wave_points(wave, count=160):
    return [(ICON_LEFT + (ICON_RIGHT - ICON_LEFT) * i / count, wave(i / count)) for i in range(count + 1)]

def hex_colour(c):
    return '#%02x%02x%02x' % c

def icon_svg(path):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">',
             '  <defs><linearGradient id="tile" x1="0" y1="0" x2="0" y2="1">'
             '<stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s"/></linearGradient></defs>'
             % (hex_colour(top), hex_colour(bottom)),
             '  <rect x="%d" y="%d" width="%d" height="%d" rx="%d" fill="url(#tile)"/>'
             % (ICON_MARGIN, ICON_MARGIN, 256 - 2 * ICON_MARGIN, 256 - 2 * ICON_MARGIN, ICON_CORNER)]
    for colour, wave in icon_waves:
        points = ' '.join('%.1f,%.1f' % p for p in icon_wave_points(wave))
        lines.append('  <polyline points="%s" fill="none" stroke="%s" stroke-width="%d" '
                     'stroke-linecap="round" stroke-linejoin="round"/>' % (points, hex_colour(colour), ICON_STROKE))
    lines.append('</svg>')
    open(path, 'w').write('\n'.join(lines) + '\n')

def inside_tile(x, y):
    low, high = ICON_MARGIN + ICON_CORNER, 256 - ICON_MARGIN - ICON_CORNER
    if not (ICON_MARGIN <= x <= 256 - ICON_MARGIN and ICON_MARGIN <= y <= 256 - ICON_MARGIN):
        return False
    cx, cy = min(max(x, low), high), min(max(y, low), high)
    return (x - cx) ** 2 + (y - cy) ** 2 <= ICON_CORNER ** 2

def icon_png(size, path):
    scale, n = 256 / size, 4
    # Each wave as segments, for the distance of a sample from its stroke.
    segments = [(colour, list(zip(pts, pts[1:])))
                for colour, pts in ((c, icon_wave_points(w, 64)) for c, w in icon_waves)]
    def stroke_of(x, y):
        for colour, parts in reversed(segments):
            for (x0, y0), (x1, y1) in parts:
                if x < min(x0, x1) - ICON_STROKE or x > max(x0, x1) + ICON_STROKE:
                    continue
                dx, dy = x1 - x0, y1 - y0
                t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
                if (x - x0 - t * dx) ** 2 + (y - y0 - t * dy) ** 2 <= (ICON_STROKE / 2) ** 2:
                    return colour
        return None
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            total, covered = [0, 0, 0], 0
            for sy in range(n):
                for sx in range(n):
                    x, y = (px + (sx + 0.5) / n) * scale, (py + (sy + 0.5) / n) * scale
                    if not inside_tile(x, y):
                        continue
                    colour = stroke_of(x, y) or mix(top, bottom, y / 256)
                    total = [total[i] + colour[i] for i in range(3)]
                    covered += 1
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(v / covered) for v in total) + (round(255 * covered / (n * n)),))
        rows.append(row)
    png(size, size, rows, path)

import os
icons = 'desktop/icons/hicolor'
for folder in ('scalable', '48x48', '256x256'):
    os.makedirs('%s/%s/apps' % (icons, folder), exist_ok=True)
icon_svg('%s/scalable/apps/tarn-studio.svg' % icons)
icon_png(48, '%s/48x48/apps/tarn-studio.png' % icons)
icon_png(256, '%s/256x256/apps/tarn-studio.png' % icons)

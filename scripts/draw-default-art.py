#!/usr/bin/env python3
# Draws the default look's pictures from code, so they can be changed and
# redrawn: the splash (dist/Data/splash.tga) and the skin's background tile
# (dist/Skins/Default/background.png). Run from the repository root.
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
    raw = b''.join(b'\x00' + bytes(c for p in row for c in p) for row in pixels)
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
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

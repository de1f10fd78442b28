#!/usr/bin/env python3
"""Draws the program icon (a folded map crossed out in red) as a 24-bit .ico: the 32x32 and 16x16
images first, then every size a scaled display asks for (the window icon and the small icon at 125,
150, 175 and 200 %). The .ico is committed; run this only to change the picture."""
import struct
import sys

# 32 and 16 pixels at 100 %; the small icon at 125 to 200 % (20, 24, 28, 32) and the big one (40, 48,
# 56, 64).
SIZES = (32, 16, 20, 24, 28, 40, 48, 56, 64)


def draw(size):
    s = size / 32.0
    px = [[(255, 255, 255, False)] * size for _ in range(size)]  # (r, g, b, transparent)
    transparent = (0, 0, 0, True)
    for y in range(size):
        for x in range(size):
            px[y][x] = transparent
    # A map folded in three panels, alternately lighter and darker.
    left, right, top, bottom = int(3 * s), int(29 * s), int(5 * s), int(27 * s)
    panel = (right - left) / 3.0
    for y in range(top, bottom):
        for x in range(left, right):
            i = int((x - left) / panel)
            shade = [(236, 226, 190), (214, 204, 166), (236, 226, 190)][min(i, 2)]
            px[y][x] = shade + (False,)
    # Green land and a blue river across the panels.
    for y in range(top, bottom):
        for x in range(left, right):
            fx, fy = (x - left) / (right - left), (y - top) / (bottom - top)
            if (fx - 0.3) ** 2 + (fy - 0.35) ** 2 < 0.05:
                px[y][x] = (120, 180, 100, False)
            river = 0.55 + 0.15 * ((fx * 3.0) % 1.0 - 0.5)
            if abs(fy - river) < 0.06 + 0.5 / size:
                px[y][x] = (70, 130, 210, False)
    # Outline.
    for x in range(left, right):
        px[top][x] = px[bottom - 1][x] = (90, 80, 60, False)
    for y in range(top, bottom):
        px[y][left] = px[y][right - 1] = (90, 80, 60, False)
    # The red cross of removal.
    width = max(1.0, 2.2 * s)
    for y in range(size):
        for x in range(size):
            cx, cy = x + 0.5, y + 0.5
            d1 = abs((cx - cy)) / 1.414
            d2 = abs((cx + cy - size)) / 1.414
            inside = 6 * s <= cx <= 26 * s and 6 * s <= cy <= 26 * s
            if inside and (d1 < width or d2 < width):
                px[y][x] = (200, 30, 30, False)
    return px


def image_bytes(size):
    px = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 24, 0, 0, 0, 0, 0, 0)
    rows = []
    row_pad = (4 - (size * 3) % 4) % 4
    for y in reversed(range(size)):
        row = b''.join(struct.pack('BBB', b, g, r) for (r, g, b, _t) in px[y])
        rows.append(row + b'\0' * row_pad)
    mask_row_bytes = ((size + 31) // 32) * 4
    masks = []
    for y in reversed(range(size)):
        out = bytearray(mask_row_bytes)
        for x in range(size):
            if px[y][x][3]:
                out[x // 8] |= 0x80 >> (x % 8)
        masks.append(bytes(out))
    return header + b''.join(rows) + b''.join(masks)


def main(path):
    images = [(size, image_bytes(size)) for size in SIZES]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 24, len(data), offset)
        offset += len(data)
    for _size, data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'src/ui/resources/SeriesClean.ico')

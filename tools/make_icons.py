#!/usr/bin/env python3
"""Draws the program's two icons (resources 101 and 102): a 3 x 2 grid of rounded tiles, the
menu's six buttons, on a dark panel. Each .ico holds one 32x32 image with a 256-colour palette.
Run it after changing the drawing; the .ico files it writes are committed in res/."""
import struct
import sys

SIZE = 32

PALETTE = [
    (0, 0, 0),        # 0: transparent corners (masked)
    (24, 30, 48),     # 1: panel
    (64, 160, 255),   # 2: tile
    (255, 196, 64),   # 3: lit tile
    (230, 240, 255),  # 4: tile highlight
]


def inside_rounded(x, y, left, top, right, bottom, radius):
    if x < left or x > right or y < top or y > bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def draw(lit_index):
    pixels = [[0] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            if inside_rounded(x, y, 0, 0, SIZE - 1, SIZE - 1, 5):
                pixels[y][x] = 1
    tiles = [(3 + col * 9, 6 + row * 11, 3 + col * 9 + 7, 6 + row * 11 + 8)
             for row in range(2) for col in range(3)]
    for index, (left, top, right, bottom) in enumerate(tiles):
        colour = 3 if index == lit_index else 2
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                if inside_rounded(x, y, left, top, right, bottom, 2):
                    pixels[y][x] = 4 if y == top + 1 and left + 2 <= x <= right - 2 else colour
    return pixels


def ico_bytes(pixels):
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    palette += b"\0" * (4 * (256 - len(PALETTE)))
    xor = b"".join(bytes(pixels[y]) for y in reversed(range(SIZE)))
    and_rows = []
    for y in reversed(range(SIZE)):
        bits = 0
        for x in range(SIZE):
            if pixels[y][x] == 0:
                bits |= 1 << (31 - x)
        and_rows.append(struct.pack(">I", bits))
    mask = b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0,
                         len(xor) + len(mask), 0, 0, 256, 0)
    image = header + palette + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(image), 6 + 16)
    return directory + entry + image


def main(out_dir):
    with open(f"{out_dir}/tilebox.ico", "wb") as f:
        f.write(ico_bytes(draw(lit_index=0)))
    with open(f"{out_dir}/tilebox_small.ico", "wb") as f:
        f.write(ico_bytes(draw(lit_index=4)))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "res")

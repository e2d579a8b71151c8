#!/usr/bin/env python3
"""Draws the demo's pictures (8-bit BMPs) so that they can be remade or changed."""
import math
import struct


def write_bmp8(path, width, height, palette, pixel):
    stride = (width + 3) & ~3
    rows = bytearray()
    for y in range(height - 1, -1, -1):  # bottom-up
        row = bytes(pixel(x, y) for x in range(width))
        rows += row + b"\0" * (stride - width)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    offset = 14 + 40 + len(pal)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(rows), 2835, 2835, 256, 0)
    open(path, "wb").write(header + info + pal + rows)


def station():
    # A dawn sky over a platform: 200 sky shades, then greys for the platform and rails.
    sky = []
    for i in range(200):
        t = i / 199
        sky.append((int(20 + 200 * t), int(30 + 120 * t * t), int(80 + 60 * t)))
    greys = [(40 + i * 3, 40 + i * 3, 48 + i * 3) for i in range(56)]
    palette = sky + greys

    def pixel(x, y):
        if y < 300:
            return min(199, int(y * 199 / 299))
        if 300 <= y < 330 or (y > 400 and (x // 40) % 2 == 0 and y < 410):
            return 200 + 40
        return 200 + min(55, (y - 300) // 4)

    write_bmp8("bg/station.bmp", 640, 480, palette, pixel)


def girl():
    # A simple figure; palette index 0 (the top-left pixel) is transparent with the l tag.
    palette = [(255, 0, 255), (250, 220, 200), (60, 40, 40), (200, 60, 80), (240, 240, 250), (30, 30, 60)]
    palette += [(0, 0, 0)] * (256 - len(palette))

    def pixel(x, y):
        cx = 100
        if (x - cx) ** 2 + (y - 70) ** 2 < 42 ** 2:  # hair
            if (x - cx) ** 2 + (y - 82) ** 2 < 34 ** 2:
                if (abs(x - 86) < 4 or abs(x - 114) < 4) and abs(y - 80) < 4:
                    return 5
                return 1
            return 2
        if 120 <= y < 300 and abs(x - cx) < 20 + (y - 120) * 0.35:
            return 3 if y < 230 else 4
        return 0

    write_bmp8("chara/girl.bmp", 200, 300, palette, pixel)


def button_menu():
    # Two buttons of 180 x 60, 40 pixels apart: a sun (east gate) and a moon (west gate).
    # menu.bmp is the normal look (shown as a sprite; index 0 between the boxes is
    # transparent with the !0 tag), menu_on.bmp the hover looks the buttons are cut from.
    def draw(path, fill, border, icon):
        palette = [(255, 0, 255), fill, border, icon] + [(0, 0, 0)] * 252

        def pixel(x, y):
            if 180 <= x < 220:
                return 0
            bx = x if x < 180 else x - 220
            if bx < 3 or bx >= 177 or y < 3 or y >= 57:
                return 2
            cx, cy = 90, 30
            d2 = (bx - cx) ** 2 + (y - cy) ** 2
            if x < 180:  # sun: a disc with eight rays
                if d2 < 12 ** 2:
                    return 3
                angle = math.atan2(y - cy, bx - cx) * 4 / math.pi
                if 16 ** 2 < d2 < 24 ** 2 and abs(angle - round(angle)) < 0.12:
                    return 3
            elif d2 < 18 ** 2 and (bx - cx - 8) ** 2 + (y - cy + 5) ** 2 >= 15 ** 2:  # crescent
                return 3
            return 1

        write_bmp8(path, 400, 60, palette, pixel)

    draw("button/menu.bmp", (40, 50, 90), (150, 160, 200), (200, 200, 150))
    draw("button/menu_on.bmp", (90, 110, 190), (255, 255, 255), (255, 230, 80))


def sun():
    # The rising sun of 96 x 96: a disc with eight rays of two lengths, so that its turning
    # shows. Index 0 (the top-left pixel) is transparent with the l tag.
    palette = [(255, 0, 255), (255, 200, 60), (255, 150, 40), (255, 240, 180)] + [(0, 0, 0)] * 252

    def pixel(x, y):
        cx, cy = 47.5, 47.5
        d = math.hypot(x - cx, y - cy)
        if d < 18:
            return 3 if d < 12 else 1
        angle = math.atan2(y - cy, x - cx) * 4 / math.pi
        ray = round(angle)
        if abs(angle - ray) < 0.18 - d / 400 and d < (46 if ray % 2 == 0 else 32):
            return 2
        return 0

    write_bmp8("bg/sun.bmp", 96, 96, palette, pixel)


if __name__ == "__main__":
    station()
    girl()
    button_menu()
    sun()

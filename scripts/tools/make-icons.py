#!/usr/bin/python3
"""Draws the PNG sizes of the program icon with the shapes of packaging/icons/chronava.svg.

Usage: /usr/bin/python3 scripts/tools/make-icons.py packaging/icons
"""
import sys
from PIL import Image, ImageDraw

SIZES = (16, 24, 32, 48, 64, 128, 256)
WAVES = (
    ("#4fd1ff", [(36, 92), (64, 92), (64, 56), (104, 56), (104, 92), (144, 92), (144, 56), (184, 56), (184, 92), (220, 92)]),
    ("#ffd23f", [(36, 148), (84, 148), (84, 116), (164, 116), (164, 148), (220, 148)]),
    ("#7cf08a", [(36, 204), (56, 204), (68, 176), (124, 176), (136, 204), (168, 204), (180, 176), (220, 176)]),
)


def draw(size):
    # Drawn four times larger and reduced, which smooths the edges.
    big = size * 4
    k = big / 256.0
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([12 * k, 12 * k, 244 * k, 244 * k], radius=28 * k, fill="#1d2b3a", outline="#4b6a88",
                        width=max(1, round(6 * k)))
    for colour, pts in WAVES:
        d.line([(x * k, y * k) for x, y in pts], fill=colour, width=max(2, round(12 * k)), joint="curve")
    y = 30
    while y < 226:
        d.line([(152 * k, y * k), (152 * k, min(y + 12, 226) * k)], fill="#ff5a5a", width=max(1, round(6 * k)))
        y += 20
    return img.resize((size, size), Image.LANCZOS)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    for s in SIZES:
        draw(s).save("%s/chronava-%d.png" % (out, s))


if __name__ == "__main__":
    main()

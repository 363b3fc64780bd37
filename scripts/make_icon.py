#!/usr/bin/env python3
"""Builds a Windows .ico file from a text pixel-art source.

Usage: make_icon.py SOURCE.txt OUTPUT.ico

The source is plain text (UTF-8). Blank lines and lines starting with '#' are
ignored. It holds a colour legend and one or more images:

    colour R #C00000        one character per colour, up to 15 colours
    colour . transparent    at most one transparent character
    image 32                then 32 lines of 32 characters
    image 16                then 16 lines of 16 characters

Every image becomes a 16-colour (4 bits per pixel) bitmap with its AND mask,
the classic form that every version of Windows shows. Palette entry 0 is
black and is what transparent pixels hold: Windows draws an icon as
(screen AND mask) XOR colour, so a transparent pixel must have colour 0.
Only the Python standard library is used.
"""
import re
import struct
import sys

MAX_OPAQUE_COLOURS = 15  # entry 0 is kept black for transparent pixels


class SourceError(Exception):
    """A fault in the icon source, reported with its line number."""


def parse_source(text):
    legend = {}  # character -> palette index, or None for transparent
    palette = [(0, 0, 0)]
    images = []
    lines = text.splitlines()
    number = 0
    while number < len(lines):
        line = lines[number].rstrip()
        number += 1
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        words = line.split()
        if words[0] == "colour" and len(words) == 3:
            add_colour(legend, palette, words[1], words[2], number)
        elif words[0] == "image" and len(words) == 2 and words[1].isdigit():
            size = int(words[1])
            if size not in (16, 24, 32, 48):
                raise SourceError(f"line {number}: image size {size} is not 16, 24, 32 or 48")
            rows = lines[number:number + size]
            images.append(parse_image(rows, size, legend, number + 1))
            number += size
        else:
            raise SourceError(f"line {number}: expected 'colour C #RRGGBB', "
                              f"'colour C transparent' or 'image N', got {line!r}")
    if not images:
        raise SourceError("the source holds no image")
    while len(palette) < 16:
        palette.append((0, 0, 0))
    return palette, images


def add_colour(legend, palette, char, value, number):
    if len(char) != 1:
        raise SourceError(f"line {number}: a colour is named by one character, not {char!r}")
    if char in legend:
        raise SourceError(f"line {number}: colour {char!r} is defined twice")
    if value == "transparent":
        if None in legend.values():
            raise SourceError(f"line {number}: only one transparent character is allowed")
        legend[char] = None
        return
    match = re.fullmatch(r"#([0-9A-Fa-f]{6})", value)
    if not match:
        raise SourceError(f"line {number}: colour {value!r} is not #RRGGBB or transparent")
    if len(palette) > MAX_OPAQUE_COLOURS:
        raise SourceError(f"line {number}: more than {MAX_OPAQUE_COLOURS} colours")
    rgb = int(match.group(1), 16)
    palette.append(((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF))
    legend[char] = len(palette) - 1


def parse_image(rows, size, legend, first_line):
    if len(rows) < size:
        raise SourceError(f"line {first_line}: the {size}x{size} image has only {len(rows)} rows")
    pixels = []
    for offset, row in enumerate(rows):
        row = row.rstrip("\n")
        if len(row) != size:
            raise SourceError(f"line {first_line + offset}: row has {len(row)} characters, "
                              f"expected {size}")
        for char in row:
            if char not in legend:
                raise SourceError(f"line {first_line + offset}: character {char!r} "
                                  "is not in the colour legend")
        pixels.append([legend[char] for char in row])
    return size, pixels


def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def encode_dib(size, pixels, palette):
    """BITMAPINFOHEADER, palette, 4-bit XOR image and 1-bit AND mask, rows bottom-up."""
    colour_rows = []
    mask_rows = []
    for row in reversed(pixels):
        indices = [0 if index is None else index for index in row]
        packed = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2))
        colour_rows.append(pad4(packed))
        bits = 0
        for index in row:
            bits = (bits << 1) | (1 if index is None else 0)
        mask_rows.append(pad4(bits.to_bytes(size // 8, "big")))
    colour = b"".join(colour_rows)
    mask = b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(colour) + len(mask),
                         0, 0, 16, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    return header + table + colour + mask


def encode_icon(palette, images):
    dibs = [(size, encode_dib(size, pixels, palette)) for size, pixels in images]
    directory = struct.pack("<HHH", 0, 1, len(dibs))
    offset = len(directory) + 16 * len(dibs)
    entries = b""
    for size, dib in dibs:
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(dib), offset)
        offset += len(dib)
    return directory + entries + b"".join(dib for _, dib in dibs)


def main(argv):
    if len(argv) != 3:
        print("usage: make_icon.py SOURCE.txt OUTPUT.ico", file=sys.stderr)
        return 2
    source, output = argv[1], argv[2]
    try:
        with open(source, encoding="utf-8") as handle:
            palette, images = parse_source(handle.read())
    except OSError as error:
        print(f"make_icon: cannot read {source}: {error.strerror}", file=sys.stderr)
        return 1
    except SourceError as error:
        print(f"make_icon: {source}: {error}", file=sys.stderr)
        return 1
    with open(output, "wb") as handle:
        handle.write(encode_icon(palette, images))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

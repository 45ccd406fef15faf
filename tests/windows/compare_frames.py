#!/usr/bin/env python3
"""Compares two captures frame by frame: the same numbered PNGs in both folders, each either
byte-identical in its pixels or within a PSNR floor (dB). Prints one line per frame and exits 1
when a frame is missing, differs in size or falls below the floor.

    compare_frames.py LINUX_DIR WINDOWS_DIR [--min-psnr 40]
"""
import math
import os
import struct
import sys
import zlib


def decode_png(path):
    """The pixels of an 8-bit, non-interlaced RGB or RGBA PNG as (width, height, channels, bytes)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG")
    at, idat, header = 8, [], None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError(f"{path}: only 8-bit RGB/RGBA without interlace is read here")
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(b"".join(idat))
    stride = width * channels
    out = bytearray(stride * height)
    previous = bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        row = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            left = row[x - channels] if x >= channels else 0
            up = previous[x]
            corner = previous[x - channels] if x >= channels else 0
            if kind == 1:
                row[x] = (row[x] + left) & 0xFF
            elif kind == 2:
                row[x] = (row[x] + up) & 0xFF
            elif kind == 3:
                row[x] = (row[x] + ((left + up) >> 1)) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                predictor = left if pa <= pb and pa <= pc else (up if pb <= pc else corner)
                row[x] = (row[x] + predictor) & 0xFF
        out[y * stride:(y + 1) * stride] = row
        previous = row
    return width, height, channels, bytes(out)


def psnr(a, b):
    squared = sum((x - y) * (x - y) for x, y in zip(a, b))
    if squared == 0:
        return math.inf
    return 10 * math.log10(255 * 255 * len(a) / squared)


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    floor = float(argv[argv.index("--min-psnr") + 1]) if "--min-psnr" in argv else 40.0
    linux, windows = argv[1], argv[2]
    names = sorted(n for n in os.listdir(linux) if n.endswith(".png"))
    if not names:
        print(f"no frames in {linux}", file=sys.stderr)
        return 1
    failed = 0
    for name in names:
        other = os.path.join(windows, name)
        if not os.path.exists(other):
            print(f"{name}: missing in {windows}")
            failed += 1
            continue
        wa, ha, ca, a = decode_png(os.path.join(linux, name))
        wb, hb, cb, b = decode_png(other)
        if (wa, ha, ca) != (wb, hb, cb):
            print(f"{name}: {wa}x{ha}x{ca} against {wb}x{hb}x{cb}")
            failed += 1
            continue
        value = psnr(a, b)
        verdict = "identical" if value == math.inf else f"PSNR {value:.1f} dB"
        if value < floor:
            verdict += f" (below {floor:g})"
            failed += 1
        print(f"{name}: {verdict}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

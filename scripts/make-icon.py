#!/usr/bin/env python3
"""Draws Quarvel's icon (a ring with an arrow dropping into it) as PNG files.

Standard library only; run it again to remake resources/quarvel-*.png.
"""
import math
import struct
import sys
import zlib
from pathlib import Path


def inside(x, y):
    """Colour (r, g, b, a) of the design at a point of the unit square, or None."""
    cx, cy = 0.5, 0.56
    r = math.hypot(x - cx, y - cy)
    # Arrow: a shaft and a head pointing down into the ring.
    if abs(x - 0.5) < 0.07 and 0.08 < y < 0.42:
        return (255, 176, 32, 255)
    if 0.34 < y < 0.58 and abs(x - 0.5) < (0.58 - y) * 0.9:
        return (255, 176, 32, 255)
    # Ring with a tail: the "Q".
    if 0.27 < r < 0.37:
        return (232, 232, 224, 255)
    if 0.62 < x < 0.86 and abs((y - 0.62) - (x - 0.62)) < 0.06 and y < 0.92:
        return (232, 232, 224, 255)
    # Rounded dark square behind it all.
    m, k = 0.04, 0.16
    qx = min(max(x, m + k), 1 - m - k)
    qy = min(max(y, m + k), 1 - m - k)
    if math.hypot(x - qx, y - qy) < k:
        return (38, 46, 58, 255)
    return None


def render(size, samples=4):
    rows = []
    for py in range(size):
        row = bytearray([0])
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    c = inside((px + (sx + 0.5) / samples) / size, (py + (sy + 0.5) / samples) / size)
                    if c:
                        for i in range(3):
                            acc[i] += c[i] * c[3]
                        acc[3] += c[3]
            n = samples * samples
            alpha = acc[3] / n
            colour = [int(acc[i] / acc[3]) if acc[3] else 0 for i in range(3)]
            row += bytes(colour + [int(alpha)])
        rows.append(bytes(row))
    return b"".join(rows)


def png(size):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(render(size), 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    out = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent.parent / "resources")
    for size in (32, 128, 256):
        (out / f"quarvel-{size}.png").write_bytes(png(size))

#!/usr/bin/env python3
"""Draws app/kestrom.ico: one 128 x 128 icon, 32 bits per pixel (a DRO-style K on a dial)."""
import struct, math, sys

N = 128
def pixel(x, y):
    cx = cy = (N - 1) / 2
    r = math.hypot(x - cx, y - cy)
    if r > 62: return (0, 0, 0, 0)
    if r > 56: return (40, 40, 160, 255)           # ring, BGRA
    # a bold K
    u, v = x - 34, y - 28
    if 0 <= u < 14 and 0 <= v < 72: return (255, 255, 255, 255)
    d1 = abs((v - 36) + (u - 14) * 1.1)
    if 0 <= u < 52 and 0 <= v <= 36 and abs((36 - v) - (u - 10) * 0.9) < 9: return (255, 255, 255, 255)
    if 0 <= u < 52 and 36 <= v < 72 and abs((v - 36) - (u - 10) * 0.9) < 9: return (255, 255, 255, 255)
    return (120, 60, 20, 255)

rows = []
for y in range(N - 1, -1, -1):                     # bottom-up
    rows.append(b''.join(struct.pack('BBBB', *pixel(x, y)) for x in range(N)))
xor = b''.join(rows)
and_mask = b'\x00' * (N * N // 8)
header = struct.pack('<IiiHHIIiiII', 40, N, N * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
image = header + xor + and_mask
ico = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', N, N, 0, 0, 1, 32, len(image), 22) + image
open(sys.argv[1] if len(sys.argv) > 1 else 'app/kestrom.ico', 'wb').write(ico)

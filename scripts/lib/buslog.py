#!/usr/bin/env python3
"""Reads a candump -L log: 'summary LOG' counts frames by PGN and sender."""
import sys
from collections import Counter


def frames(path):
    """Yields (id, data bytes) for every frame line of the log."""
    with open(path) as f:
        for line in f:
            if not line.startswith('('):
                continue
            ident, _, data = line.split()[2].partition('#')
            yield int(ident, 16), bytes.fromhex(data)


def pgn_of(ident):
    pgn = (ident >> 8) & 0x3FFFF
    return pgn & 0x3FF00 if ((pgn >> 8) & 0xFF) < 240 else pgn


def summary(path):
    counts = Counter((pgn_of(i), i & 0xFF) for i, _ in frames(path))
    for (pgn, src), n in sorted(counts.items()):
        print(f'  PGN {pgn:6d} (0x{pgn:05X}) from {src:3d}: {n:5d} frames')


if __name__ == '__main__':
    if len(sys.argv) == 3 and sys.argv[1] == 'summary':
        summary(sys.argv[2])
    else:
        sys.exit('usage: buslog.py summary LOG')

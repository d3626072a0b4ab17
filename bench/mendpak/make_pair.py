#!/usr/bin/env python3
"""make_pair.py OLD NEW SIZE_MIB RUNS: a random old file and a new one that differs in 1 %
of its bytes, spread over RUNS runs of changed bytes (seeded, so every run is the same).
RUNS 0: every byte of the new file differs from the old one."""
import os
import random
import sys


def main(old_path, new_path, size_mib, runs):
    size = size_mib << 20
    rng = random.Random(2026)
    # In pieces: one call for hundreds of MiB asks for more random bits than Python allows.
    piece = 1 << 20
    old = b''.join(rng.randbytes(min(piece, size - at)) for at in range(0, size, piece))
    if runs == 0:
        new = old.translate(bytes(range(255, -1, -1)))
    else:
        new = bytearray(old)
        changed = size // 100
        mean = changed / runs
        slot = size // runs
        for i in range(runs):
            length = max(1, int(rng.uniform(0.5, 1.5) * mean))
            start = i * slot + rng.randrange(slot - length)
            for at in range(start, start + length):
                new[at] ^= rng.randrange(1, 256)
    with open(old_path, 'wb') as f:
        f.write(old)
    with open(new_path, 'wb') as f:
        f.write(new)


if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))

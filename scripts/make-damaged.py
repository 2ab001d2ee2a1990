#!/usr/bin/env python3
"""Makes damaged WAV files from sound ones: cut short, bytes flipped, sizes
and lengths overwritten, chunks repeated. Deterministic for a given seed.
Usage: make-damaged.py OUTDIR COUNT FILE..."""
import os
import random
import struct
import sys


def damage(data, rng):
    data = bytearray(data)
    kind = rng.randrange(6)
    if kind == 0 and len(data) > 1:  # cut short
        del data[rng.randrange(1, len(data)):]
    elif kind == 1:  # flip bytes
        for _ in range(rng.randrange(1, 16)):
            if data:
                data[rng.randrange(len(data))] ^= 1 << rng.randrange(8)
    elif kind == 2 and len(data) >= 8:  # overwrite a length or size field
        offset = rng.randrange(0, len(data) - 3)
        value = rng.choice([0, 1, 7, 8, 11, 12, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF,
                            rng.randrange(1 << 32)])
        data[offset:offset + 4] = struct.pack("<I", value)
    elif kind == 3:  # repeat a stretch of the file
        if len(data) > 16:
            start = rng.randrange(len(data) - 8)
            end = min(len(data), start + rng.randrange(8, 600))
            data[end:end] = data[start:end] * rng.randrange(1, 4)
    elif kind == 4:  # random bytes in a stretch
        start = rng.randrange(max(1, len(data)))
        for i in range(start, min(len(data), start + rng.randrange(1, 64))):
            data[i] = rng.randrange(256)
    else:  # nested LIST headers in front of the rest
        depth = rng.randrange(1, 400)
        head = b"".join(b"LIST" + struct.pack("<I", 0xFFFFFFFF) + b"INFO" for _ in range(depth))
        data[12:12] = head
    return bytes(data)


def main():
    out, count, sources = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    os.makedirs(out, exist_ok=True)
    rng = random.Random(20261207)
    originals = [open(path, "rb").read() for path in sources]
    for n in range(count):
        data = originals[n % len(originals)]
        for _ in range(rng.randrange(1, 4)):
            data = damage(data, rng)
        with open(os.path.join(out, "damaged-%04d.wav" % n), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()

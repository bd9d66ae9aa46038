#!/usr/bin/env python3
"""Writes a Paradox 7 table of ROWS records with a field of every type the
data move reads (and its .MB file, where every 100th memo is too long for the
record), streamed block by block, for bench/data.sh.

    bench/gen_tables.py FOLDER ROWS
"""
import os
import struct
import sys

FIELDS = [  # type, size, name
    (0x16, 4, "Id"), (0x01, 20, "Name"), (0x03, 2, "Small"), (0x04, 4, "Count"),
    (0x06, 8, "Ratio"), (0x05, 8, "Price"), (0x02, 4, "Day"), (0x14, 4, "At"),
    (0x15, 8, "Stamp"), (0x09, 1, "Done"), (0x17, 2, "Exact"), (0x18, 4, "Raw"),
    (0x0C, 30, "Notes"),
]
BLOCK = 4096
HEADER = 2048


def flip_long(v):
    return struct.pack(">I", (v & 0xFFFFFFFF) ^ 0x80000000)


def flip_double(v):
    raw = struct.unpack(">Q", struct.pack(">d", v))[0]
    raw = (~raw & 0xFFFFFFFFFFFFFFFF) if raw >> 63 else raw | (1 << 63)
    return struct.pack(">Q", raw)


def bcd(n):  # n hundredths, positive
    digits = "%032d" % n
    out = bytearray(17)
    out[0] = 0x80 | 2
    for i, d in enumerate(digits):
        out[1 + i // 2] |= int(d) << (0 if i % 2 else 4)
    return bytes(out)


def header(rows, blocks):
    h = bytearray(HEADER)
    rec = sum(17 if t == 0x17 else s for t, s, _ in FIELDS)
    struct.pack_into("<HHBBIHHHH", h, 0, rec, HEADER, 0, BLOCK // 1024, rows, blocks, blocks,
                     1, blocks)
    struct.pack_into("<HH", h, 0x21, len(FIELDS), 1)
    struct.pack_into("<I", h, 0x25, 0xFF00FF00)
    h[0x39] = 12
    struct.pack_into("<H", h, 0x6A, 1252)
    at = 0x78
    for t, s, _ in FIELDS:
        h[at], h[at + 1] = t, s
        at += 2
    at += 4 + 4 * len(FIELDS) + 261
    for _, _, name in FIELDS:
        h[at:at + len(name)] = name.encode()
        at += len(name) + 1
    return bytes(h), rec


def main():
    folder, rows = sys.argv[1], int(sys.argv[2])
    os.makedirs(folder, exist_ok=True)
    rec = sum(17 if t == 0x17 else s for t, s, _ in FIELDS)
    per_block = (BLOCK - 6) // rec
    blocks = (rows + per_block - 1) // per_block
    head, _ = header(rows, blocks)
    mb = open(os.path.join(folder, "BIG.MB"), "wb")
    mb.write(bytes(4096))
    mb_at = 4096
    with open(os.path.join(folder, "big.db"), "wb") as db:
        db.write(head)
        for b in range(blocks):
            first = b * per_block
            n = min(per_block, rows - first)
            block = bytearray(struct.pack("<HHh", b + 2 if b + 1 < blocks else 0, b, (n - 1) * rec))
            for i in range(first, first + n):
                memo = ("note %d " % i) * (40 if i % 100 == 0 else 1)
                if len(memo) <= 20:
                    memo_field = memo.encode().ljust(20, b"\0") + struct.pack("<IIH", 0, len(memo), 1)
                else:
                    data = memo.encode()
                    chunk = (9 + len(data) + 4095) // 4096
                    mb.write((bytes([2]) + struct.pack("<HIH", chunk, len(data), 1) + data).ljust(chunk * 4096, b"\0"))
                    memo_field = data[:20] + struct.pack("<IIH", mb_at | 0xFF, len(data), 1)
                    mb_at += chunk * 4096
                block += (flip_long(i + 1) + ("name %d" % i).encode().ljust(20, b"\0")
                          + struct.pack(">H", (i % 30000) ^ 0x8000) + flip_long(i * 7 - 5000)
                          + flip_double(i / 3.0) + flip_double(i * 0.25) + flip_long(730000 + i % 3000)
                          + flip_long(i % 86400000) + flip_double((730000 + i % 3000) * 86400000.0 + 1000 * (i % 86400))
                          + bytes([0x80 | (i & 1)]) + bcd(i * 101) + struct.pack(">I", i)
                          + memo_field)
            db.write(bytes(block).ljust(BLOCK, b"\0"))
    mb.close()


main()

#!/usr/bin/env python3
"""Turns the 24-bit BMP files of a folder (the native dialogs' screenshots
taken under Wine) into PNG files in another folder, dropping the number the
host put before each name: 3-location.bmp gives location.png. Only the
standard library is used."""
import pathlib
import struct
import sys
import zlib


def bmp_to_png(data: bytes) -> bytes:
    if data[:2] != b"BM":
        raise ValueError("not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    if bits != 24:
        raise ValueError("only 24-bit BMP files are read")
    stride = (width * 3 + 3) & ~3
    bottom_up = height > 0
    height = abs(height)
    raw = bytearray()
    for y in range(height):
        row_at = offset + (height - 1 - y if bottom_up else y) * stride
        row = data[row_at:row_at + width * 3]
        raw.append(0)  # no filter
        for x in range(0, len(row), 3):  # BGR to RGB
            raw += bytes((row[x + 2], row[x + 1], row[x]))

    def chunk(kind: bytes, body: bytes) -> bytes:
        crc = zlib.crc32(kind + body) & 0xFFFFFFFF
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", crc)

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def main() -> int:
    src, dst = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    dst.mkdir(parents=True, exist_ok=True)
    for bmp in sorted(src.glob("*.bmp")):
        name = bmp.stem.split("-", 1)[-1] + ".png"
        (dst / name).write_bytes(bmp_to_png(bmp.read_bytes()))
        print(dst / name)
    return 0


if __name__ == "__main__":
    sys.exit(main())

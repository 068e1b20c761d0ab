"""Reads a PNG with the standard library (CRC and zlib checked) and prints its size, colour
type, and whether its unfiltered pixel bytes equal those of the raw file given second."""
import struct
import sys
import zlib


def main(path, expected_path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit("bad signature")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        if zlib.crc32(kind + body) != crc:
            raise SystemExit("bad CRC in " + kind.decode())
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour = header[:4]
    channels = {2: 3, 6: 4}[colour]
    raw = zlib.decompress(idat)
    stride = 1 + width * channels
    if len(raw) != stride * height:
        raise SystemExit("bad data length")
    pixels = b"".join(raw[y * stride + 1:(y + 1) * stride] for y in range(height)
                      if raw[y * stride] == 0)
    expected = open(expected_path, "rb").read()
    print(width, height, depth, colour, "same" if pixels == expected else "different")


main(sys.argv[1], sys.argv[2])

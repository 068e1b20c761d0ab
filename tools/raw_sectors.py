"""Turns 2048-byte ISO sectors into raw 2352-byte CD sectors (Mode 2 Form 1), as in a .bin dump.

Each raw sector carries sync bytes, its address, a sub-header, the user data, the EDC and the
P/Q error-correction codes, so tools that check them find a sound dump.
"""

import struct

RAW_SECTOR = 2352
USER_SECTOR = 2048
SYNC = b"\x00" + b"\xff" * 10 + b"\x00"
# Data track addresses start after the two-second pregap.
PREGAP_FRAMES = 150
# File 0, channel 0, submode "data", coding 0; written twice as the format requires.
SUBHEADER = bytes([0, 0, 0x08, 0]) * 2


def _tables():
    ecc_f = [0] * 256
    ecc_b = [0] * 256
    edc = [0] * 256
    for i in range(256):
        j = ((i << 1) ^ (0x11D if i & 0x80 else 0)) & 0xFF
        ecc_f[i] = j
        ecc_b[i ^ j] = i
        e = i
        for _ in range(8):
            e = (e >> 1) ^ (0xD8018001 if e & 1 else 0)
        edc[i] = e
    return ecc_f, ecc_b, edc


ECC_F, ECC_B, EDC_TABLE = _tables()


def edc(data):
    value = 0
    for byte in data:
        value = (value >> 8) ^ EDC_TABLE[(value ^ byte) & 0xFF]
    return value


def _ecc_block(src, major_count, minor_count, major_mult, minor_inc):
    size = major_count * minor_count
    out = bytearray(major_count * 2)
    for major in range(major_count):
        index = (major >> 1) * major_mult + (major & 1)
        a = 0
        b = 0
        for _ in range(minor_count):
            value = src[index]
            index += minor_inc
            if index >= size:
                index -= size
            a ^= value
            b ^= value
            a = ECC_F[a]
        a = ECC_B[ECC_F[a] ^ b]
        out[major] = a
        out[major + major_count] = a ^ b
    return out


def bcd(n):
    return (n // 10) * 16 + n % 10


def msf(lba):
    frames = lba + PREGAP_FRAMES
    return bytes([bcd(frames // 4500), bcd(frames // 75 % 60), bcd(frames % 75)])


def raw_sector(lba, user_data):
    if len(user_data) != USER_SECTOR:
        raise ValueError("a user sector holds 2048 bytes")
    sector = bytearray(RAW_SECTOR)
    sector[0:12] = SYNC
    sector[12:15] = msf(lba)
    sector[15] = 2
    sector[16:24] = SUBHEADER
    sector[24:2072] = user_data
    sector[2072:2076] = struct.pack("<I", edc(sector[16:2072]))
    # Mode 2 computes P and Q with the address bytes taken as zero.
    work = bytearray(sector)
    work[12:16] = b"\x00\x00\x00\x00"
    p = _ecc_block(work[12:], 86, 24, 2, 86)
    work[2076:2248] = p
    q = _ecc_block(work[12:], 52, 43, 86, 88)
    sector[2076:2248] = p
    sector[2248:2352] = q
    return bytes(sector)


def to_raw(iso):
    if len(iso) % USER_SECTOR:
        raise ValueError("the image is not a whole number of sectors")
    count = len(iso) // USER_SECTOR
    sectors = (iso[i * USER_SECTOR : (i + 1) * USER_SECTOR] for i in range(count))
    return b"".join(raw_sector(i, data) for i, data in enumerate(sectors))


def cue_sheet(bin_name):
    return f'FILE "{bin_name}" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n'

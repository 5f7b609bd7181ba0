#!/usr/bin/env python3
"""Writes damaged .doc files from ManuscriptFeatures.doc: a compound file whose
sector chain loops, and Word structures that point outside their streams."""
import struct

src = open('ManuscriptFeatures.doc', 'rb').read()
sector = 1 << struct.unpack_from('<H', src, 30)[0]


def sector_offset(n):
    return (n + 1) * sector


def fat_sectors(data):
    count = struct.unpack_from('<I', data, 44)[0]
    return [struct.unpack_from('<I', data, 76 + 4 * i)[0] for i in range(min(count, 109))]


def fat_entry_offset(data, n):
    per = sector // 4
    return sector_offset(fat_sectors(data)[n // per]) + 4 * (n % per)


def directory_entries(data):
    first = struct.unpack_from('<I', data, 48)[0]
    entries = {}
    s = first
    seen = set()
    while s < 0xFFFFFFFA and s not in seen:
        seen.add(s)
        base = sector_offset(s)
        for i in range(sector // 128):
            e = base + i * 128
            name_len = struct.unpack_from('<H', data, e + 64)[0]
            name = data[e:e + max(0, name_len - 2)].decode('utf-16-le', 'replace')
            start, size = struct.unpack_from('<II', data, e + 116)
            entries[name] = (start, size)
        s = struct.unpack_from('<I', data, fat_entry_offset(data, s))[0]
    return entries


entries = directory_entries(src)
start, size = entries['WordDocument']
assert size >= 4096, 'WordDocument must live in regular sectors'

# The WordDocument stream's chain points back to its own first sector.
loop = bytearray(src)
struct.pack_into('<I', loop, fat_entry_offset(src, start), start)
open('ContainerChainLoop.doc', 'wb').write(loop)

# FIB pairs (fc, lcb) that point far outside the table stream.
fib = sector_offset(start)
for name, index in (('PieceTableOutsideStream.doc', 33), ('CharacterPagesOutsideStream.doc', 12),
                    ('StyleSheetOutsideStream.doc', 1)):
    bad = bytearray(src)
    struct.pack_into('<I', bad, fib + 0x9A + index * 8, 0x7FFFFF00)
    open(name, 'wb').write(bad)

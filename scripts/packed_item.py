#!/usr/bin/env python3
"""The form in which each program carries the next one: its size (4 bytes, little-endian), then its bytes
packed as LZNT1, which the system's RtlDecompressBuffer unpacks, so the programs carry no unpacker.
  packed_item.py pack PROGRAM ITEM      packs a program into an item
  packed_item.py unpack ITEM PROGRAM    and back
Packing is deterministic: the same program always gives the same item.
"""
import struct
import sys

CHUNK = 4096     # LZNT1 packs each 4 KB of the program on its own
CANDIDATES = 64  # earlier places looked at for a match: more packs a little better, and slower


def split(position):
    """Displacement shift and length mask of a copy token `position` bytes into its chunk."""
    shift, mask = 12, 0xFFF
    i = position - 1
    while i >= 0x10:
        mask >>= 1
        shift -= 1
        i >>= 1
    return shift, mask


def pack_chunk(data):
    out = bytearray()
    position, end = 0, len(data)
    places = {}
    while position < end:
        flags_at = len(out)
        out.append(0)
        flags = 0
        for bit in range(8):
            if position >= end:
                break
            best_length = best_offset = 0
            if position >= 1 and position + 3 <= end:
                shift, mask = split(position)
                limit = min(mask + 3, end - position)
                for earlier in reversed(places.get(data[position:position + 3], [])[-CANDIDATES:]):
                    offset = position - earlier
                    if offset > 1 << (16 - shift):
                        break
                    length = 3
                    while length < limit and data[earlier + length] == data[position + length]:
                        length += 1
                    if length > best_length:
                        best_length, best_offset = length, offset
                        if length == limit:
                            break
            if best_length >= 3:
                shift, _ = split(position)
                out += struct.pack("<H", ((best_offset - 1) << shift) | (best_length - 3))
                flags |= 1 << bit
                step = best_length
            else:
                out.append(data[position])
                step = 1
            for p in range(position, min(position + step, end - 2)):
                places.setdefault(data[p:p + 3], []).append(p)
            position += step
        out[flags_at] = flags
    return bytes(out)


def pack(program):
    out = bytearray(struct.pack("<I", len(program)))
    for start in range(0, len(program), CHUNK):
        chunk = program[start:start + CHUNK]
        packed = pack_chunk(chunk)
        if len(packed) < len(chunk):
            out += struct.pack("<H", 0xB000 | (len(packed) - 1)) + packed
        else:  # stored as it is
            out += struct.pack("<H", 0x3000 | (len(chunk) - 1)) + chunk
    return bytes(out)


def unpack(item):
    size = struct.unpack_from("<I", item)[0]
    out = bytearray()
    i = 4
    while i + 2 <= len(item) and len(out) < size:
        header = struct.unpack_from("<H", item, i)[0]
        i += 2
        chunk = item[i:i + (header & 0xFFF) + 1]
        i += len(chunk)
        if not header & 0x8000:
            out += chunk
            continue
        start, j = len(out), 0
        while j < len(chunk):
            flags = chunk[j]
            j += 1
            for bit in range(8):
                if j >= len(chunk):
                    break
                if flags & 1 << bit:
                    token = struct.unpack_from("<H", chunk, j)[0]
                    j += 2
                    shift, mask = split(len(out) - start)
                    offset, length = (token >> shift) + 1, (token & mask) + 3
                    for _ in range(length):
                        out.append(out[-offset])
                else:
                    out.append(chunk[j])
                    j += 1
    if len(out) != size:
        raise ValueError(f"the item unpacks to {len(out)} bytes, not {size}")
    return bytes(out)


def main(args):
    if len(args) != 3 or args[0] not in ("pack", "unpack"):
        sys.exit(__doc__.strip())
    with open(args[1], "rb") as source:
        data = source.read()
    result = pack(data) if args[0] == "pack" else unpack(data)
    assert args[0] != "pack" or unpack(result) == data
    with open(args[2], "wb") as target:
        target.write(result)


if __name__ == "__main__":
    main(sys.argv[1:])

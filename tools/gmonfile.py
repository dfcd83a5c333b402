#!/usr/bin/env python3
"""Reading gmon.out itself, below gprof: the histogram's header, and the call
counts that 64-bit MinGW-w64 programs leave for gprof to misread.

  gmonfile.py header GMON   prints the histogram's range, bin count and bin width
  gmonfile.py mend GMON     writes the call counts of a 64-bit Windows profile
                            so that gprof reads them as they were counted

Two layouts occur:
- glibc writes the tagged format: a 20-byte header starting "gmon", then
  records; the histogram record is tag 0, low pc, high pc (pointer-sized),
  the bin count, the rate, "seconds" and "s".
- MinGW-w64 writes the 4.4BSD one: low pc, high pc, the histogram's size in
  bytes with this header, version 0x51879, the rate, three spare ints; then
  2-byte bins; then the call arcs, each a C struct {size_t frompc; size_t
  selfpc; long count;}. On 64-bit Windows long has 4 bytes, so each arc is
  8 + 8 + 4 bytes and 4 bytes of padding that the runtime never sets. gprof
  reads an arc of a 64-bit program as three 8-byte fields: the padding
  becomes the high half of the count. Zeroing it gives gprof the true count.
"""

import struct
import sys
from dataclasses import dataclass
from pathlib import Path

BSD_VERSION = 0x51879


@dataclass
class Histogram:
    tagged: bool  # glibc's format; else 4.4BSD (MinGW-w64)
    pointer_size: int
    low_pc: int
    high_pc: int
    bins: int
    arcs_at: int  # where the BSD format's call arcs start

    @property
    def bin_width(self) -> float:
        """Bytes of program text per bin."""
        return (self.high_pc - self.low_pc) / self.bins


def histogram(data: bytes) -> Histogram:
    if data[:4] == b"gmon":
        if data[20] != 0:
            raise ValueError("the first record of this gmon.out is not the histogram")
        for size, form in ((8, "<QQi"), (4, "<IIi")):
            if data[21 + 2 * size + 8:21 + 2 * size + 15] == b"seconds":
                low, high, bins = struct.unpack_from(form, data, 21)
                return Histogram(True, size, low, high, bins, 0)
    else:
        for size, form in ((8, "<QQii"), (4, "<IIii")):
            low, high, histogram_bytes, version = struct.unpack_from(form, data, 0)
            if version == BSD_VERSION:
                header = struct.calcsize(form) + 4 * 4  # the rate, three spare ints
                return Histogram(False, size, low, high, (histogram_bytes - header) // 2, histogram_bytes)
    raise ValueError("not a gmon.out that this reader knows")


def mend(data: bytes) -> tuple[bytes, int]:
    """The profile with the padding of every 64-bit MinGW-w64 call arc zeroed,
    and the number of arcs that had other bits there."""
    header = histogram(data)
    if header.tagged or header.pointer_size != 8:
        return data, 0
    mended = bytearray(data)
    changed = 0
    for arc in range(header.arcs_at, len(data) - 23, 24):
        if mended[arc + 20:arc + 24] != b"\0\0\0\0":
            mended[arc + 20:arc + 24] = b"\0\0\0\0"
            changed += 1
    return bytes(mended), changed


def main(argv):
    if len(argv) != 3 or argv[1] not in ("header", "mend"):
        print(__doc__, file=sys.stderr)
        return 2
    path = Path(argv[2])
    data = path.read_bytes()
    if argv[1] == "header":
        h = histogram(data)
        print(f"{'tagged' if h.tagged else '4.4BSD'} format, {8 * h.pointer_size}-bit addresses: "
              f"low pc {h.low_pc:#x}, high pc {h.high_pc:#x}, {h.bins} bins of {h.bin_width:.4f} bytes")
    else:
        mended, changed = mend(data)
        if changed:
            path.write_bytes(mended)
        print(f"{path}: {changed} call counts mended")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

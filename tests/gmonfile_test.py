"""Reading gmon.out below gprof, on real profiles kept in fixtures/: glibc's
(x86-64 Linux), MinGW-w64's of a 32-bit and of a 64-bit Windows program."""

import struct
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tools"))
import gmonfile  # noqa: E402

FIXTURES = Path(__file__).resolve().parent / "fixtures"


def profile(name):
    return (FIXTURES / f"{name}.gmon.out").read_bytes()


def arcs(data, header):
    """(frompc, selfpc, count as the runtime counted it, padding) of a 64-bit BSD profile."""
    return [struct.unpack_from("<QQiI", data, at) for at in range(header.arcs_at, len(data), 24)]


class Header(unittest.TestCase):
    def test_each_layout_with_exact_bins(self):
        cases = [("seqshow", True, 8, 196), ("seqshow-windows", False, 4, 1994),
                 ("sortshow-windows64", False, 8, 2088)]
        for name, tagged, pointer_size, bins in cases:
            with self.subTest(name):
                header = gmonfile.histogram(profile(name))
                self.assertEqual((header.tagged, header.pointer_size, header.bins), (tagged, pointer_size, bins))
                self.assertEqual(header.bin_width, 4.0)

    def test_bins_short_of_four_bytes(self):
        # glibc's histogram over 0 ... 0x13b8, as the default GNU ld layout gave it
        data = bytearray(profile("seqshow"))
        struct.pack_into("<QQi", data, 21, 0, 0x13B8, 1264)
        self.assertAlmostEqual(gmonfile.histogram(bytes(data)).bin_width, 3.9937, places=4)

    def test_not_a_profile(self):
        with self.assertRaises(ValueError):
            gmonfile.histogram(b"\0" * 64)


class Mend(unittest.TestCase):
    def test_windows64_counts_lose_the_padding(self):
        data = profile("sortshow-windows64")
        header = gmonfile.histogram(data)
        before = arcs(data, header)
        self.assertTrue(any(padding for *_, padding in before))  # what gprof reads as the high half
        mended, changed = gmonfile.mend(data)
        after = arcs(mended, header)
        self.assertEqual(changed, sum(1 for *_, padding in before if padding))
        self.assertEqual([arc[:3] for arc in after], [arc[:3] for arc in before])
        self.assertTrue(all(padding == 0 for *_, padding in after))
        self.assertEqual(mended[:header.arcs_at], data[:header.arcs_at])  # the histogram as it was
        # quicksort's 14491 calls of itself, from its two call sites
        self.assertEqual(sorted(count for *_, count, _ in after if count > 1), [7245, 7246])
        self.assertEqual(len(after), 10)

    def test_other_layouts_unchanged(self):
        for name in ("seqshow", "seqshow-windows"):
            with self.subTest(name):
                self.assertEqual(gmonfile.mend(profile(name)), (profile(name), 0))


if __name__ == "__main__":
    unittest.main()

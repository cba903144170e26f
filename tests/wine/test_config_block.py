"""The configuration block as the launcher reads it from its own file."""
import struct
import unittest

import winebed as wb


class BareAndBrokenBlocks(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("block")

    def test_bare_stub_reports_magic_on_stderr_and_exits_1(self):
        r = wb.run(wb.LAUNCHER)
        self.assertEqual(r.code, 1, r)
        self.assertIn("Internal Error: magic", r.stderr, r)

    def test_wrong_magic(self):
        exe = wb.raw_launcher(self.dir, wb.raw_block(magic=0x12345678))
        r = wb.run(exe)
        self.assertEqual(r.code, 1, r)
        self.assertIn("Internal Error: magic", r.stderr)

    def test_block_cut_short_names_the_reader(self):
        full = wb.raw_block(base=[(101, "svc"), (2001, "e")], wide=[(1000, "Title")])
        header = 4 + 4 + 4 + 8
        cases = {
            # inside the header's 64-bit value
            header - 3: "Internal Error: readLong",
            # inside the base count
            header + 2: "Internal Error: readInt",
            # inside the first base string's text
            header + 4 + 4 + 4 + 1: "Internal Error: readString",
        }
        for cut, text in cases.items():
            with self.subTest(cut=cut):
                exe = wb.raw_launcher(self.dir, full[:cut], name=f"cut{cut}.exe")
                r = wb.run(exe)
                self.assertEqual(r.code, 1, r)
                self.assertIn(text, r.stderr, r)

    def test_wide_string_cut_short(self):
        full = wb.raw_block(base=[(101, "svc")], wide=[(1000, "Title text")])
        exe = wb.raw_launcher(self.dir, full[:-8])
        r = wb.run(exe)
        self.assertEqual(r.code, 1, r)
        self.assertIn("Internal Error: readWString", r.stderr, r)

    def test_impossible_lengths_end_with_the_reader_text(self):
        header = struct.pack("<IiiQ", 0xE8E413D5, 0, 0, 0)
        cases = {
            "negative": header + struct.pack("<ii", 1, 101) + struct.pack("<i", -5),
            "huge": header + struct.pack("<ii", 1, 101) + struct.pack("<i", 0x7FFFFFF0) + b"abc",
        }
        for label, block in cases.items():
            with self.subTest(label):
                exe = wb.raw_launcher(self.dir, block, name=f"{label}.exe")
                r = wb.run(exe)
                self.assertEqual(r.code, 1, r)
                self.assertIn("Internal Error: readString", r.stderr, r)

    def test_complete_block_loads(self):
        block = wb.raw_block(base=[(101, "svc"), (107, "0")], wide=[(1000, "Title")],
                             sections=[("de", [(1000, "Titel")])])
        exe = wb.raw_launcher(self.dir, block)
        r = wb.run(exe, "/?")
        self.assertEqual(r.code, 0, r)
        self.assertNotIn("Internal Error", r.stderr, r)


if __name__ == "__main__":
    unittest.main()

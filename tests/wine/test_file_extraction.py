"""Extraction of the files behind the configuration into the launcher temp
directory, through runpath_driver with raw blocks and file tables appended."""
import re
import unittest
from pathlib import Path

import winebed as wb

DRIVER = wb.FIXTURES / "runpath_driver.exe"


def fields(result):
    out = {}
    for line in result.stdout.splitlines():
        name, sep, value = line.partition("=")
        if sep:
            out[name] = value
    return out


class Extraction(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("extract")
        self.env = {"VORBIX_LOG": "yes"}
        # A temp root of this test's own (the driver sets the variables: the
        # registry's TMP and TEMP win over the Linux ones): a launcher of
        # another test removes the directories of ended launchers in the
        # shared one.
        self.temp = self.dir / "temp"
        self.temp.mkdir()
        root = wb.windows_path(self.temp)
        self.temp_root = ("setenv", "TMP", root, "setenv", "TEMP", root)

    def launch(self, count, names, files, *commands):
        base = [(2002, str(count))]
        if names is not None:
            base.append((2003, names))
        block = wb.raw_block(base=base)
        exe = wb.raw_launcher(self.dir, block, name="drv.exe", stub=DRIVER, files=files)
        self.table_start = wb.pe_end_of_last_section(exe.read_bytes()) + len(block)
        r = wb.run(exe, *self.temp_root, *(commands or ("extract", "1")), env=self.env, timeout=60)
        self.log = "".join(wb.logs_of(exe, self.temp))
        return r, fields(r)

    def tempdir(self, values):
        self.assertTrue(values.get("tempdir"), values)
        return wb.unix_path(values["tempdir"])

    def test_files_byte_for_byte_with_one_directory_level(self):
        binary = bytes(range(256)) * 50 + b"\x88\x00tail"  # crosses several 6000-byte chunks
        files = [binary, b"hello\r\n", "inner text"]
        r, v = self.launch(3, "lib.bin;readme.txt;conf\\app.properties", files)
        self.assertEqual(r.code, 0, r)
        self.assertEqual(v["result"], "0")
        root = self.tempdir(v)
        self.assertEqual((root / "lib.bin").read_bytes(), binary)
        self.assertEqual((root / "readme.txt").read_bytes(), b"hello\r\n")
        self.assertEqual((root / "conf" / "app.properties").read_bytes(), b"inner text")
        self.assertIn("Included files: 3", self.log)
        self.assertIn("creating directory " + v["tempdir"] + "\\conf", self.log)
        self.assertIn("extracting " + v["tempdir"] + "\\lib.bin (size: %d)" % len(binary), self.log)
        self.assertIn("extracting files done", self.log)
        expected = self.table_start + sum(8 + len(f if isinstance(f, bytes) else f.encode()) for f in files)
        self.assertEqual(int(v["position"]), expected)

    def test_size_zero_and_negative_records_create_nothing(self):
        r, v = self.launch(4, "empty.txt;neg.txt;after.txt;last.txt", [0, -5, b"after", b"x"])
        self.assertEqual(v["result"], "0", r)
        root = self.tempdir(v)
        # Beside the files, the lock its process holds (vbx.lock).
        self.assertEqual(sorted(p.name for p in root.iterdir()), ["after.txt", "last.txt", "vbx.lock"])
        self.assertEqual((root / "after.txt").read_bytes(), b"after")
        self.assertEqual(int(v["position"]), self.table_start + 8 + 8 + (8 + 5) + (8 + 1))

    def test_name_listed_twice_keeps_the_later_record(self):
        r, v = self.launch(2, "same.txt;same.txt", [b"first, longer content", b"second"])
        self.assertEqual(v["result"], "0", r)
        self.assertEqual((self.tempdir(v) / "same.txt").read_bytes(), b"second")

    def test_names_beyond_the_count_are_ignored(self):
        r, v = self.launch(1, "one.txt;two.txt", [b"1", b"2"])
        self.assertEqual(v["result"], "0", r)
        root = self.tempdir(v)
        self.assertEqual(sorted(p.name for p in root.iterdir()), ["one.txt", "vbx.lock"])
        self.assertEqual(int(v["position"]), self.table_start + 9)

    def test_two_levels_fail_unless_the_second_exists(self):
        r, v = self.launch(1, "a\\b\\deep.txt", [b"deep"])
        self.assertEqual(r.code, 1, r)
        self.assertNotIn("result", v)  # fatal: the target file could not be created
        self.assertNotIn("extracting files done", self.log)
        # The first level was created, the second never; the temp directory is
        # removed on the way out.
        tempdir = re.search(r"Temp dir3: (.*)", self.log).group(1)
        self.assertIn("creating directory %s\\a\n" % tempdir, self.log)
        self.assertNotIn("creating directory %s\\a\\b" % tempdir, self.log)
        self.assertIn("emptying %s" % tempdir, self.log)
        self.assertFalse(wb.unix_path(tempdir).exists())

    def test_content_cut_short_reports_read_failure(self):
        # The second size promises 100 bytes; only the 11 of a third record follow.
        r, v = self.launch(3, "ok.txt;short.bin;never.txt", [b"ok", 100, b"abc"])
        self.assertEqual(v["result"], "1", r)
        self.assertEqual(v["position"], "0")
        root = self.tempdir(v)
        self.assertEqual((root / "ok.txt").read_bytes(), b"ok")
        # The partly written file stays.
        self.assertEqual(len((root / "short.bin").read_bytes()), 11)
        self.assertFalse((root / "never.txt").exists())
        self.assertIn("ERROR: ReadFile failed 0 0 11", self.log)
        self.assertIn("ERROR: Failed to extract " + v["tempdir"] + "\\short.bin", self.log)

    def test_count_zero_creates_no_directory(self):
        r, v = self.launch(0, "ignored.txt", [b"ignored"])
        self.assertEqual(v["result"], "0", r)
        self.assertEqual(v["tempdir"], "")
        self.assertEqual(v["position"], "0")
        self.assertNotIn("Temp dir3", self.log)
        self.assertNotIn("extracting ignored.txt", self.log)

    def test_exit_removes_the_temp_directory_with_its_first_level(self):
        r, v = self.launch(3, "top.txt;sub\\inner.txt;sub\\second.txt", [b"t", b"i", b"s"], "extract", "1", "exit", "7")
        self.assertEqual(r.code, 7, r)
        root = self.tempdir(v)
        self.assertFalse(root.exists())


    def test_files_packed_by_the_build_tool(self):
        content = bytes(range(256)) * 30
        exe = wb.pack({"includedFiles": [{"name": "lib\\native.dll", "source": "native.dll"},
                                         {"name": "empty.txt", "source": "empty.txt"}]},
                      self.dir, name="packed.exe", stub=DRIVER,
                      files={"native.dll": content, "empty.txt": b""})
        r = wb.run(exe, "extract", "1", timeout=60)
        v = fields(r)
        self.assertEqual(v.get("result"), "0", r)
        root = self.tempdir(v)
        self.assertEqual((root / "lib" / "native.dll").read_bytes(), content)
        self.assertFalse((root / "empty.txt").exists())
        self.assertEqual(int(v["position"]), exe.stat().st_size)


if __name__ == "__main__":
    unittest.main()

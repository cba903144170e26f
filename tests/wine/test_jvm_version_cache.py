"""Garbage in the per-user version cache: values of the wrong type or size
are a cache miss. The runtime is run again, the entry is written anew with
the right types, and the launch goes on as without a cache."""
import unittest

import fake_runtime as fr
import winebed as wb

SEQUENCE = 128


def value_types(key):
    """Value name -> registry type, from reg query of the whole key."""
    types = {}
    for line in (wb.reg_query(key) or "").splitlines():
        parts = line.split()
        if len(parts) >= 2 and parts[1].startswith("REG_"):
            types[parts[0]] = parts[1]
    return types


class GarbageInTheCache(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("jvmcache")
        self.home = fr.make_jre(self.dir / "jre", version="1.8.0_291")
        self.config = [(SEQUENCE, "A" + wb.windows_path(self.home))]
        self.key = fr.cache_key(wb.windows_path(self.home / "bin" / "java.exe"))
        r, v, log = fr.driver(self.dir, self.config, "load")
        self.assertEqual(v.get("loaded"), "1", r)
        self.stamp = wb.reg_query(self.key, "LastWriteTime")
        self.runs = 1

    def assert_run_again_and_rewritten(self, name):
        r, v, log = fr.driver(self.dir, self.config, "load", name=name + ".exe")
        self.runs += 1
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertEqual(v["version"], "1.8.0_291")
        self.assertEqual(fr.runs(self.home / "bin"), self.runs, log)
        self.assertIn(f"got version from execution 1.8.0_291 {wb.ARCH.machine}", log)
        self.assertNotIn("got version from registry", log)
        self.assertEqual(value_types(self.key),
                         {"LastWriteTime": "REG_BINARY", "Version": "REG_SZ", "Machine": "REG_DWORD"})
        self.assertEqual(wb.reg_query(self.key, "Version"), "1.8.0_291")
        self.assertEqual(int(wb.reg_query(self.key, "Machine"), 16), wb.ARCH.machine)
        self.assertEqual(wb.reg_query(self.key, "LastWriteTime"), self.stamp)

    def test_values_of_the_wrong_type_or_size_run_java_again(self):
        garbage = [
            # A number where the version text belongs.
            ("Version", "12345", "REG_DWORD"),
            # Bytes that are no text.
            ("Version", "fffe4100ff", "REG_BINARY"),
            # The right machine number, as text or as a number of the wrong size.
            ("Machine", str(wb.ARCH.machine), "REG_SZ"),
            ("Machine", str(wb.ARCH.machine), "REG_QWORD"),
            ("LastWriteTime", "garbage", "REG_SZ"),
            # More text than the launcher reads.
            ("Version", "1.8." + "9" * 7000, "REG_SZ"),
        ]
        for index, (value, data, kind) in enumerate(garbage):
            with self.subTest(value=value, kind=kind):
                wb.reg_add(self.key, value, data, kind)
                self.assert_run_again_and_rewritten("garbage%d" % index)

    def test_a_trusted_entry_still_saves_the_run(self):
        r, v, log = fr.driver(self.dir, self.config, "load", name="trusted.exe")
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertEqual(fr.runs(self.home / "bin"), 1)
        self.assertIn(f"got version from registry 1.8.0_291 {wb.ARCH.machine}", log)


if __name__ == "__main__":
    unittest.main()

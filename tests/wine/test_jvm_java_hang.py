"""java -version runs that never end on their own: one that writes to its
standard error without pause and one that closes it but keeps running. Each
is terminated once the bound has passed, nothing is cached for it, and the
search goes on to the next candidate. (A child that keeps its standard
error open and silent is in test_jvm_java_version.)"""
import time
import unittest

import fake_runtime as fr
import winebed as wb

SEQUENCE = 128
BOUND = 60


class EndlessJava(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("jvmhang")

    def search_past(self, stuck):
        good = fr.make_jre(self.dir / "good", version="11.0.2")
        seq = "A" + wb.windows_path(stuck) + ";A" + wb.windows_path(good)
        started = time.monotonic()
        r, v, log = fr.driver(self.dir, [(SEQUENCE, seq)], "load", timeout=BOUND * 3)
        elapsed = time.monotonic() - started
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertEqual(v["version"], "11.0.2")
        self.assertEqual(fr.runs(stuck / "bin"), 1)
        self.assertIn("Exit Code 259", log)
        self.assertIn("Terminating process", log)
        # A terminated run is no verdict on the runtime: nothing is cached.
        self.assertIsNone(wb.reg_query(fr.cache_key(wb.windows_path(stuck / "bin" / "java.exe"))))
        self.assertGreaterEqual(elapsed, BOUND - 5, "the bound is the documented one")
        self.assertLess(elapsed, BOUND * 2, "the read and the wait share one bound")
        return log

    def test_java_writing_without_end_is_terminated(self):
        flooding = fr.make_jre(self.dir / "flood")
        # Written in pieces larger than the pipe holds, so that the reader
        # never finds it empty.
        (flooding / "bin" / "flood.txt").write_text("java version \"1.8.0_291\" again and again\r\n" * 8000)
        log = self.search_past(flooding)
        # The flood is drained but not kept: the version seen is the good one's.
        self.assertNotIn("Java version2: 1.8.0_291", log)

    def test_java_that_closes_its_output_but_keeps_running_is_terminated(self):
        quiet = fr.make_jre(self.dir / "quiet")
        (quiet / "bin" / "quiet.txt").write_text("")
        log = self.search_past(quiet)
        # Its banner came before it closed standard error, but a run that had
        # to be ended gives no version.
        self.assertIn("couldn't get version", log)


if __name__ == "__main__":
    unittest.main()

"""Running java -version: the Java option variables are hidden from the
child and back afterwards, and a child that never closes its standard error
is ended within the bound instead of holding the launch."""
import time
import unittest

import fake_runtime as fr
import winebed as wb

SEQUENCE = 128


class JavaVersionRun(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("jvmver")

    def test_option_variables_hidden_from_java_and_restored(self):
        home = fr.make_jre(self.dir / "jre")
        env = {"_JAVA_OPTIONS": "-Xmx1m", "JDK_JAVA_OPTIONS": "-Dx=1"}
        r, v, log = fr.driver(self.dir, [(SEQUENCE, "A" + wb.windows_path(home))], "load", env=env,
                              remove_env=("JAVA_TOOL_OPTIONS",))
        self.assertEqual(v.get("loaded"), "1", r)
        run_line = (home / "bin" / "runs.txt").read_text().splitlines()[0]
        self.assertTrue(run_line.endswith(" |"), run_line)  # the child saw none of them
        self.assertIn(" -version", run_line)
        self.assertEqual(v["_JAVA_OPTIONS"], "-Xmx1m")
        self.assertEqual(v["JDK_JAVA_OPTIONS"], "-Dx=1")
        self.assertEqual(v["JAVA_TOOL_OPTIONS"], "<unset>")
        self.assertIn("_JAVA_OPTIONS is -Xmx1m", log)

    def test_output_without_version_fails_and_restores_the_variables(self):
        home = fr.make_jre(self.dir / "nover", version=None)
        r, v, log = fr.driver(self.dir, [(SEQUENCE, "A" + wb.windows_path(home))], "load",
                              env={"JAVA_TOOL_OPTIONS": "-Dy=2"})
        self.assertEqual(v.get("loaded"), "0", r)
        self.assertIn("couldn't get version", log)
        self.assertEqual(v["JAVA_TOOL_OPTIONS"], "-Dy=2")

    def test_java_that_keeps_stderr_open_is_terminated_within_the_bound(self):
        hanging = fr.make_jre(self.dir / "hang")
        (hanging / "bin" / "hang.txt").write_text("")
        good = fr.make_jre(self.dir / "good", version="11.0.2")
        seq = "A" + wb.windows_path(hanging) + ";A" + wb.windows_path(good)
        started = time.monotonic()
        r, v, log = fr.driver(self.dir, [(SEQUENCE, seq)], "load", timeout=150)
        elapsed = time.monotonic() - started
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertEqual(v["version"], "11.0.2")
        self.assertIn("Exit Code 259", log)
        self.assertIn("Terminating process", log)
        self.assertLess(elapsed, 120, "the read and the wait share one bound")


if __name__ == "__main__":
    unittest.main()

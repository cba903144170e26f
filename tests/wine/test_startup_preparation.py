"""Start-up preparation: the working directory of entry 146 and the Java
option variables cleared by entry 10012, through runpath_driver."""
import tempfile
import unittest

import winebed as wb

DRIVER = wb.FIXTURES / "runpath_driver.exe"
JAVA_VARIABLES = ("_JAVA_OPTIONS", "JDK_JAVA_OPTIONS", "JAVA_TOOL_OPTIONS")


def fields(text):
    return dict(line.partition("=")[::2] for line in text.splitlines() if "=" in line)


class StartupPreparation(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("startup")

    def start(self, base, env=None):
        exe = wb.raw_launcher(self.dir, wb.raw_block(base=base), name=wb.unique("drv") + ".exe",
                              stub=DRIVER)
        r = wb.run(exe, "startup", env={"VORBIX_LOG": "yes", **(env or {})})
        self.assertEqual(r.code, 0, r)
        return fields(r.stdout), "".join(wb.logs_of(exe))

    def test_relative_working_directory_with_variables_is_taken_against_the_executable(self):
        (self.dir / "Work" / "Inner").mkdir(parents=True)
        values, log = self.start([(146, "Work\\.\\${VBXWD}")], env={"VBXWD": "Inner"})
        expected = wb.windows_path(self.dir / "Work" / "Inner")
        self.assertEqual(values["cwd"], expected)  # case kept, "." resolved
        self.assertIn("change working directory to " + expected, log)

    def test_working_directory_unchanged(self):
        inherited = wb.windows_path(tempfile.gettempdir())
        values, log = self.start([])
        self.assertEqual(values["cwd"].lower(), inherited.lower())
        self.assertIn("working directory unchanged", log)
        # A directory that does not exist is logged all the same and changes nothing.
        values, log = self.start([(146, "missing")])
        self.assertEqual(values["cwd"].lower(), inherited.lower())
        self.assertIn("change working directory to " + wb.windows_path(self.dir / "missing"), log)

    def test_java_option_variables_are_cleared_from_both_copies(self):
        env = {name: "-Dx=" + name for name in JAVA_VARIABLES}
        values, log = self.start([(10012, "1")], env=env)
        for name in JAVA_VARIABLES:
            self.assertEqual(values["os." + name], "(unset)")
            self.assertEqual(values["crt." + name], "(unset)")
        self.assertIn("ignoring java options environment variables", log)
        values, log = self.start([], env=env)
        for name in JAVA_VARIABLES:
            self.assertEqual(values["os." + name], "-Dx=" + name)
            self.assertEqual(values["crt." + name], "-Dx=" + name)
        self.assertNotIn("ignoring java options", log)


if __name__ == "__main__":
    unittest.main()

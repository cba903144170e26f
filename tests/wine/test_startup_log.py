"""Start-up as the diagnostic log shows it: the command line, the Java option
variables and the working directory."""
import unittest

import winebed as wb


def log_with(text):
    """The text of the log in the temp root that contains text, or None."""
    for path in reversed(wb.find_logs()):
        content = wb.read_log(path)
        if text in content:
            return content
    return None


class StartupLog(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("startlog")

    def test_command_line_and_cleared_java_options(self):
        service = wb.unique("vbxlog")
        exe = wb.raw_launcher(self.dir, wb.raw_block(base=[(101, service), (10012, "1")]))
        r = wb.run(exe, "/status", service, env={"VORBIX_LOG": "yes"})
        self.assertEqual((r.code, r.stdout), (1, "Could not get status.\n"), r)
        log = wb.wait_until(lambda: log_with(service), timeout=10)
        self.assertIsNotNone(log)
        self.assertIn("ignoring java options environment variables", log)
        self.assertIn("working directory unchanged", log)
        self.assertRegex(log, r"command line .*raw\.exe.* /status " + service)

    def test_java_options_kept_unless_configured(self):
        service = wb.unique("vbxlog")
        exe = wb.raw_launcher(self.dir, wb.raw_block(base=[(101, service)]))
        wb.run(exe, "/status", service, env={"VORBIX_LOG": "yes"})
        log = wb.wait_until(lambda: log_with(service), timeout=10)
        self.assertIsNotNone(log)
        self.assertNotIn("ignoring java options", log)


if __name__ == "__main__":
    unittest.main()

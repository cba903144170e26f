"""The service's program path is recorded quoted, so that a path with blanks
cannot be read as a shorter program followed by arguments ("C:\\my apps\\svc
dir\\app.exe" must not start "C:\\my.exe" or "C:\\my apps\\svc.exe")."""
import unittest

import winebed as wb


class QuotedServicePath(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("quoted") / "my apps" / "svc dir"
        self.dir.mkdir(parents=True)
        self.service = wb.unique("vbxquoted")
        self.addCleanup(wb.remove_service, self.service)

    def test_path_with_blanks_is_recorded_in_quotes(self):
        exe = wb.raw_launcher(self.dir, wb.raw_block(base=[(101, self.service)]), name="my app.exe")
        r = wb.run(exe, "/install")
        self.assertEqual(r.code, 0, r)
        binpath = wb.service_config(self.service)["binpath"]
        self.assertEqual(binpath, '"' + wb.windows_path(exe) + '"')
        self.assertIn(" ", binpath.strip('"'))
        # The stored value is the same, quotes included.
        image = wb.reg_query(f"{wb.SERVICES_KEY}\\{self.service}", "ImagePath")
        self.assertEqual(image, binpath)


if __name__ == "__main__":
    unittest.main()

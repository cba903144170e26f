"""Path utilities through the support driver: the executable's own paths,
absolute and canonical forms, path lists, existence, conversions."""
import shutil
import unittest

import winebed as wb


class PathForms(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = wb.app_dir("paths")
        cls.exe = wb.support_driver(cls.dir, base=[(107, "0")])
        cls.windir = wb.windows_path(cls.dir) + "\\"

    def run_driver(self, *args, **kw):
        r = wb.run(self.exe, *args, **kw)
        self.assertEqual(r.code, 0, r)
        return r

    def test_executable_paths_and_directories(self):
        r = self.run_driver("exe")
        self.assertEqual(wb.driver_value(r, "exe.wide"), self.windir + "driver.exe")
        self.assertEqual(wb.driver_value(r, "exe.narrow"), self.windir + "driver.exe")
        for form in ("dir.narrow", "dir.widefromnarrow", "dir.wide"):
            self.assertEqual(wb.driver_value(r, form), self.windir, form)

    def test_canonical_path(self):
        r = self.run_driver("canon", r"C:\dir\..\App.EXE", "0", "canon", r"C:\dir\..\App.EXE", "1",
                            "canonw", r"C:\dir\.\..\App.EXE", "0", "0", "canonw", r"sub\..\Lib\\X", "0", "1")
        canon = wb.driver_values(r)["canon"]
        self.assertEqual(canon, [r"prefix>c:\app.exe", r"prefix>C:\App.EXE"])
        canonw = wb.driver_values(r)["canonw"]
        self.assertEqual(canonw, [r"prefix>c:\app.exe", "prefix>" + self.windir + r"Lib\X"])

    def test_relative_paths_resolve_against_the_executable_directory(self):
        r = self.run_driver("abs", "lib", "abs", r"\lib", "absw", r"\lib", "0", "absw", "lib", "1",
                            "abs", r"D:\elsewhere", "abs", "C:/x")
        expected = self.windir + "lib"
        self.assertEqual(wb.driver_values(r)["abs"],
                         ["prefix>" + expected, "prefix>" + expected, r"prefix>D:\elsewhere",
                          "prefix>" + self.windir + "C:/x"])
        self.assertEqual(wb.driver_values(r)["absw"], [expected, expected])

    def test_relative_to_a_base_file(self):
        base = wb.windows_path(self.dir / "conf" / "app.vmoptions")
        r = self.run_driver("absbase", r"..\jre", base)
        self.assertEqual(wb.driver_value(r, "abs"), self.windir + r"conf\..\jre")

    def test_unc_path_keeps_its_leading_backslashes(self):
        r = self.run_driver("abs", r"\\server\\share\\\dir")
        self.assertEqual(wb.driver_value(r, "abs"), r"prefix>\\server\share\dir")

    def test_path_list_skips_empty_pieces_and_calls_back_per_entry(self):
        r = self.run_driver("list", r"lib;;C:\x\\y;")
        values = wb.driver_values(r)
        self.assertEqual(values["list"], [self.windir + r"lib;C:\x\y"])
        self.assertEqual(values["callback"], [self.windir + "lib", r"C:\x\y"])

    def test_existence(self):
        (self.dir / "there.txt").write_text("x")
        r = self.run_driver("exists", self.windir + "there.txt", "exists", self.windir + "missing.txt",
                            "exists", "Q:\\.", "existsw", "C:\\", "existsw", "C:\\.\\.", "existsw", "C:",
                            "info", self.windir + "there.txt", "info", self.windir + "missing.txt")
        values = wb.driver_values(r)
        # Drive roots exist without asking (Q: is no drive of this prefix; the
        # platform's own lookup fails for a bare root).
        self.assertEqual(values["exists"], ["1", "0", "1"])
        self.assertEqual(values["existsw"], ["1", "1", "0"])
        self.assertNotEqual(values["info"][0], "none")
        self.assertGreater(int(values["info"][0]), 116444736000000000)  # after 1970
        self.assertEqual(values["info"][1], "none")

    def test_conversion_to_the_file_code_page(self):
        r = self.run_driver("toansi", "a\u00e9", "toansi", "a\u00e9\u20ac\u0141", "toansi", "",
                            "lower", "C:\\\u00c4PP\\X.EXE")
        values = wb.driver_values(r)
        self.assertEqual(values["ansi"], ["61e9", "61e9803f", ""])
        self.assertEqual(values["lossy"], ["0", "1", "0"])
        self.assertEqual(wb.driver_value(r, "lower"), "c:\\\u00c4pp\\x.exe")

    def test_paths_too_long_for_the_buffers_are_not_cut(self):
        # A canonical form that does not fit 6000 characters is a failed
        # query: the absolute path is used as it is, case and all.
        r = self.run_driver("canon", "@rep:800:Segment\\", "0", "canonw", "@rep:800:Segment\\", "0", "0",
                            "canonw", "@rep:400:Segment\\", "0", "0")
        long_tail = "Segment\\" * 800
        self.assertEqual(wb.driver_value(r, "canon"), "prefix>" + self.windir + long_tail)
        canonw = wb.driver_values(r)["canonw"]
        self.assertEqual(canonw[0], "prefix>" + self.windir + long_tail)
        # Below the limit the wide form is canonical as usual.
        self.assertEqual(canonw[1], "prefix>" + self.windir.lower() + "segment\\" * 400)


class ExecutableOutsideTheCodePage(unittest.TestCase):
    def test_narrow_path_comes_from_the_short_form(self):
        top = wb.app_dir("cp")
        odd = top / "\u65e5\u672c \u0141\u00f3d\u017a"
        odd.mkdir()
        exe = wb.support_driver(odd, base=[(107, "0")], name="Driver Program.exe")
        r = wb.run(exe, "exe")
        self.assertEqual(r.code, 0, r)
        wide = wb.driver_value(r, "exe.wide")
        self.assertEqual(wide, wb.windows_path(odd) + "\\Driver Program.exe")
        narrow_hex = wb.driver_value(r, "exe.narrowhex")
        narrow = bytes.fromhex(narrow_hex).decode("cp1252")
        self.assertNotIn("?", narrow)
        self.assertIn("~", narrow)
        self.assertTrue(narrow.lower().endswith(".exe"), narrow)
        self.assertEqual(wb.driver_value(r, "exe.narrowexists"), "1")
        self.assertEqual(wb.driver_value(r, "dir.wide"), wb.windows_path(odd) + "\\")
        self.assertTrue(wb.driver_value(r, "dir.narrow").endswith("\\"))


class ShortPathThroughTheInterpreter(unittest.TestCase):
    def test_result_is_one_line_of_the_interpreter_output(self):
        d = wb.app_dir("shell")
        exe = wb.support_driver(d, base=[(107, "0")])
        long_dir = d / "a long directory name"
        long_dir.mkdir()
        target = wb.windows_path(long_dir)
        r = wb.run(exe, "shell", target, "short", target)
        self.assertEqual(r.code, 0, r)
        got = wb.driver_value(r, "shell")
        self.assertNotEqual(got, "(none)", r)
        self.assertNotIn("\n", got)
        # Wine's interpreter may answer with the long name; either way the
        # answer names the same directory.
        short = wb.driver_value(r, "short")
        self.assertEqual(wb.driver_value(self.run_exists(exe, got), "existsw"), "1", got)
        self.assertTrue(got.lower().endswith(("\\a long directory name", short.lower()[-8:])), got)

    def run_exists(self, exe, path):
        r = wb.run(exe, "existsw", path)
        self.assertEqual(r.code, 0, r)
        return r

    def test_log_records_the_interpreter_run(self):
        d = wb.app_dir("shelllog")
        exe = wb.support_driver(d, base=[(107, "0")])
        temp = d / "temp"
        temp.mkdir()
        r = wb.run(exe, "setenv", "TMP", wb.windows_path(temp), "log", "start",
                   "shell", wb.windows_path(d), env={"VORBIX_LOG": "yes"})
        self.assertEqual(r.code, 0, r)
        logs = wb.find_logs(temp)
        self.assertEqual(len(logs), 1)
        text = wb.read_log(logs[0])
        self.assertIn("system32\\cmd.exe /C for %I in (\"" + wb.windows_path(d) + "\") do @echo %~sI", text)
        self.assertIn("finished reading from cmd.exe", text)
        self.assertIn("Exit Code 0", text)
        self.assertIn("Using ", text)


if __name__ == "__main__":
    unittest.main()

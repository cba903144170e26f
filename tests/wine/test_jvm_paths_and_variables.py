"""Launcher variable expansion with this process's real values, the native
library search path and the start-up PATH reduction."""
import unittest

import fake_runtime as fr
import winebed as wb

NATIVE_DIRS, USE_ADD_DLL, REDUCE = 10004, 154, 10010


class LauncherVariables(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("jvmvar")
        self.exe_dir = wb.windows_path(self.dir) + "\\"

    def test_built_in_names_with_real_values(self):
        r, v, log = fr.driver(self.dir, [], "expand", r"%VORBIX_EXEDIR%lib\a.jar|${TESSALY_JVM_HOME}|%JAVA_HOME%")
        self.assertEqual(r.code, 0, r)
        self.assertEqual(v["expanded"], self.exe_dir + r"lib\a.jar||%JAVA_HOME%")
        r, v, log = fr.driver(self.dir, [], "expandw", "${launcher:sys.tempDir}|${VORBIX_PATHLIST_SEPARATOR}")
        self.assertEqual(v["expanded"].lower(), wb.windows_path(wb.temp_dir()).lower() + "\\|;")

    def test_environment_names_as_spelled_and_upper_cased(self):
        env = {"VbxMixed": "mixed", "VBXA": "${VBXB}", "VBXB": "bee"}
        r, v, log = fr.driver(self.dir, [], "expand", "${VbxMixed}|${VBXMIXED}|${vbxmixed}|${VbxSelf}|${VBXA}",
                              env=dict(env, VbxSelf="${VbxSelf}"))
        # VBXA comes before VBXB in the block (Linux variables keep their order),
        # so its inserted ${VBXB} is expanded as well.
        self.assertEqual(v["expanded"], "mixed|mixed|${vbxmixed}|${VbxSelf}|bee", r)


class SearchPath(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("jvmpath")
        self.exe_dir = wb.windows_path(self.dir) + "\\"

    def test_native_library_directories_go_in_front_and_are_added(self):
        config = [(NATIVE_DIRS, r"lib;%VORBIX_EXEDIR%native"), (USE_ADD_DLL, 1)]
        r, v, log = fr.driver(self.dir, config, "nativelibs", env={"WINEPATH": r"C:\vbxone"})
        self.assertEqual(r.code, 0, r)
        prefix = self.exe_dir + "lib;" + self.exe_dir + "native;"
        self.assertTrue(v["path"].startswith(prefix + r"C:\vbxone;"), v)
        self.assertEqual(v["crt_path"], v["path"])
        added = [l.split("] ", 1)[1] for l in log.splitlines() if "Adding DLL directory" in l]
        self.assertEqual(added, ["Adding DLL directory " + self.exe_dir + "lib",
                                 "Adding DLL directory " + self.exe_dir + "native"])

        r, v, log = fr.driver(self.dir, config[:1], "nativelibs", name="noadd.exe")
        self.assertTrue(v["path"].startswith(prefix), v)
        self.assertNotIn("Adding DLL directory", log)

    def test_a_very_long_path_is_carried_whole(self):
        long_entry = "C:\\" + "x" * 30000
        r, v, log = fr.driver(self.dir, [(NATIVE_DIRS, "lib")], "nativelibs", env={"WINEPATH": long_entry})
        self.assertEqual(r.code, 0, r)
        self.assertTrue(v["path"].startswith(self.exe_dir + "lib;" + long_entry), len(v["path"]))

    def test_reduction_keeps_windows_entries_in_order_and_case(self):
        winepath = r"D:\tools;C:\WINDOWS\Sub;;C:\windowsX;E:\other"
        r, v, log = fr.driver(self.dir, [(REDUCE, 1)], "reduce", env={"WINEPATH": winepath})
        self.assertEqual(r.code, 0, r)
        entries = v["path"].split(";")
        self.assertEqual(entries[:2], [r"C:\WINDOWS\Sub", r"C:\windowsX"], v)
        self.assertTrue(all(e.lower().startswith(r"c:\windows") for e in entries), v)
        self.assertIn("reduced PATH", log)

        r, v, log = fr.driver(self.dir, [], "reduce", env={"WINEPATH": winepath}, name="off.exe")
        self.assertTrue(v["path"].startswith(winepath + ";"), v)


if __name__ == "__main__":
    unittest.main()

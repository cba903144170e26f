"""The registry sources of the JVM search: the vendors' keys, the located-JVM
lists, previous installations, and the retry over runtimes whose VM library
does not load. Only this file writes these machine-wide keys; its tests run
one after the other and clear them."""
import unittest

import fake_runtime as fr
import winebed as wb

MIN, MAX, SEQUENCE, JDK, APPID, NOREGISTRY = 126, 127, 128, 131, 160, 165

VENDOR_KEYS = [r"HKLM\SOFTWARE\JavaSoft", r"HKLM\SOFTWARE\Microsoft\JDK", r"HKLM\SOFTWARE\Eclipse Adoptium",
               r"HKLM\SOFTWARE\Azul Systems", r"HKCU\SOFTWARE\Microsoft\JDK", r"HKCU\SOFTWARE\Eclipse Adoptium",
               r"HKCU\SOFTWARE\Azul Systems", r"HKCU\SOFTWARE\quindle\vorbix\locatedjvms",
               r"HKLM\SOFTWARE\quindle\vorbix\locatedjvms"]


def located_name(java_exe):
    return java_exe.replace("\\", "/")


class RegistrySources(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("jvmreg")
        for key in VENDOR_KEYS:
            wb.reg_delete(key)

    def tearDown(self):
        for key in VENDOR_KEYS:
            wb.reg_delete(key)

    def win(self, path):
        return wb.windows_path(path)

    def vendor(self, key, name, home, layout="JavaSoft"):
        if layout == "JavaSoft":
            wb.reg_add(f"{key}\\{name}", "JavaHome", self.win(home))
        elif layout == "MSI":
            wb.reg_add(f"{key}\\{name}\\hotspot\\MSI", "Path", self.win(home))
        else:
            wb.reg_add(f"{key}\\{name}", "InstallationPath", self.win(home))

    def located(self, hive, java_exe):
        r = wb.reg("add", f"{hive}\\SOFTWARE\\quindle\\vorbix\\locatedjvms\\{located_name(java_exe)}", "/f")
        self.assertEqual(r.code, 0, r)

    def test_vendor_keys_newest_first_with_zulu_names(self):
        j8 = fr.make_jre(self.dir / "j8", version="1.8.0_291")
        j11 = fr.make_jre(self.dir / "j11", version="11.0.2")
        z17 = fr.make_jre(self.dir / "z17", version="17.0.1")
        a21 = fr.make_jre(self.dir / "a21", version="21.0.1")
        self.vendor(r"HKLM\SOFTWARE\JavaSoft\JRE", "1.8", j8)
        self.vendor(r"HKLM\SOFTWARE\JavaSoft\JRE", "11", j11)
        self.vendor(r"HKLM\SOFTWARE\Azul Systems\Zulu", "zulu-17", z17, "Zulu")
        self.vendor(r"HKCU\SOFTWARE\Eclipse Adoptium\JDK", "21", a21, "MSI")
        r, v, log = fr.driver(self.dir, [(MAX, "17.0.9"), (SEQUENCE, "Y")], "load")
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertEqual(v["version"], "17.0.1")
        self.assertEqual(v["previous"], "0")
        self.assertIn("test key name 17 zulu-17", log)
        found = [l.split("] ", 1)[1] for l in log.splitlines() if "found registry jre" in l]
        self.assertEqual(found, [f"found registry jre {self.win(z17).lower()}\\bin\\java.exe 17.0.1",
                                 f"found registry jre {self.win(j11).lower()}\\bin\\java.exe 11.0.2"])
        # Within a key the newest name is tried first and the first valid one wins.
        self.assertEqual(fr.runs(j8 / "bin"), 0)
        # 21 is above the maximum already by its key name.
        self.assertEqual(fr.runs(a21 / "bin"), 0)
        self.assertNotIn("found in SOFTWARE\\Eclipse Adoptium\\JDK: 21", log)

    def test_zulu_8_dropped_by_its_name_under_maximum_1_8(self):
        z8 = fr.make_jre(self.dir / "z8", version="1.8.0_292")
        self.vendor(r"HKLM\SOFTWARE\Azul Systems\Zulu", "zulu-8", z8, "Zulu")
        r, v, log = fr.driver(self.dir, [(MAX, "1.8"), (SEQUENCE, "Y")], "load")
        self.assertEqual(v.get("loaded"), "0", r)
        self.assertIn("test key name 8 zulu-8", log)
        self.assertEqual(fr.runs(z8 / "bin"), 0)

    def test_jdk_required_skips_jre_keys(self):
        jre = fr.make_jre(self.dir / "jre", version="17")
        jdk = fr.make_jdk_with_jre(self.dir / "jdk", version="11.0.2")
        self.vendor(r"HKLM\SOFTWARE\JavaSoft\JRE", "17", jre)
        self.vendor(r"HKLM\SOFTWARE\JavaSoft\JDK", "11", jdk)
        r, v, log = fr.driver(self.dir, [(JDK, 1), (SEQUENCE, "Y")], "load")
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertEqual(v["version"], "11.0.2")
        self.assertEqual(fr.runs(jre / "bin"), 0)

    def test_located_lists_prefer_machine_then_located_over_vendor(self):
        user = fr.make_jre(self.dir / "user", version="11.0.2")
        machine = fr.make_jre(self.dir / "machine", version="11.0.2")
        skipped = fr.make_jre(self.dir / "tsy_jres" / "x", version="21")
        vendor = fr.make_jre(self.dir / "vendor", version="11.0.2")
        self.vendor(r"HKLM\SOFTWARE\JavaSoft\JRE", "11", vendor)
        self.located("HKCU", self.win(user / "bin" / "java.exe"))
        self.located("HKCU", self.win(skipped / "bin" / "java.exe"))
        self.located("HKLM", self.win(machine / "bin" / "java.exe"))
        r, v, log = fr.driver(self.dir, [(SEQUENCE, "Y")], "load")
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertEqual(v["home"], self.win(machine).lower() + r"\bin\..")
        self.assertEqual(fr.runs(skipped / "bin"), 0)
        self.assertEqual(fr.runs(user / "bin"), 1)

        # A strictly newer user candidate wins over the machine's.
        newer = fr.make_jre(self.dir / "newer", version="11.0.3")
        self.located("HKCU", self.win(newer / "bin" / "java.exe"))
        r, v, log = fr.driver(self.dir, [(SEQUENCE, "Y")], "load", name="newer.exe")
        self.assertEqual(v["home"], self.win(newer).lower() + r"\bin\..")

    def test_entry_165_disables_the_registry_source(self):
        j11 = fr.make_jre(self.dir / "j11", version="11.0.2")
        self.vendor(r"HKLM\SOFTWARE\JavaSoft\JRE", "11", j11)
        r, v, log = fr.driver(self.dir, [(NOREGISTRY, 1), (SEQUENCE, "Y")], "load",
                              remove_env=("VORBIX_JAVA_HOME", "TESSALY_JAVA_HOME"))
        self.assertEqual(v.get("loaded"), "0", r)
        self.assertIn(f"MSG1016 {wb.ARCH.bits}", r.stderr)
        self.assertNotIn("test key name", log)
        self.assertEqual(fr.runs(j11 / "bin"), 0)

    def test_unloadable_candidates_go_on_the_non_working_list(self):
        broken = fr.make_jre(self.dir / "broken", version="11.0.2", vm_library="broken")
        good = fr.make_jre(self.dir / "good", version="1.8.0_291")
        self.vendor(r"HKLM\SOFTWARE\JavaSoft\JRE", "11", broken)
        self.vendor(r"HKLM\SOFTWARE\JavaSoft\JRE", "1.8", good)
        r, v, log = fr.driver(self.dir, [(SEQUENCE, "Y")], "load")
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertEqual(v["version"], "1.8.0_291")
        broken_exe = self.win(broken).lower() + r"\bin\java.exe"
        self.assertIn("add non-working java " + broken_exe, log)
        checks = [l for l in log.splitlines() if "checkJavaExe (" in l or "checkJavaExe returning" in l]
        self.assertEqual(sum(f"checkjavaexe ({broken_exe}," in l.lower() for l in checks), 2, log)
        # The refused second check of the listed runtime writes no verdict line.
        self.assertEqual(sum("checkJavaExe (" in l for l in checks),
                         sum("checkJavaExe returning" in l for l in checks) + 1, log)
        self.assertIn("Failed with error code", log)

    def test_registry_runtime_that_never_loads_reports_1005(self):
        broken = fr.make_jre(self.dir / "broken", version="11.0.2", vm_library="broken")
        self.vendor(r"HKLM\SOFTWARE\JavaSoft\JRE", "11", broken)
        r, v, log = fr.driver(self.dir, [(SEQUENCE, "Y")], "load",
                              remove_env=("VORBIX_JAVA_HOME", "TESSALY_JAVA_HOME"))
        self.assertEqual(v.get("loaded"), "0", r)
        self.assertIn("MSG1005 registry", r.stderr)

    def test_previous_installations_in_order_with_the_flag(self):
        appid = wb.unique("app")
        old = fr.make_jre(self.dir / "inst1" / "jre", version="1.6.0_45")
        fr.make_jre(self.dir / "inst2" / "jre", version="11.0.2")
        key = r"HKCU\SOFTWARE\quindle\tessaly\installations"
        wb.reg_add(key, appid, f"{self.win(self.dir / 'inst1')};;{self.win(self.dir / 'inst2')}")
        try:
            r, v, log = fr.driver(self.dir, [(MIN, "1.8"), (APPID, appid), (SEQUENCE, "I")], "load")
        finally:
            wb.reg_delete(key, appid)
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertEqual(v["previous"], "1")
        self.assertEqual(v["version"], "11.0.2")
        self.assertEqual(fr.runs(old / "bin"), 1)
        self.assertIn("java version did not match in " + self.win(self.dir / "inst1") + r"\jre", log)
        self.assertIn("found JRE from previous installation (user)", log)

    def test_empty_application_id_asks_four_times(self):
        r, v, log = fr.driver(self.dir, [(SEQUENCE, "I")], "load",
                              remove_env=("VORBIX_JAVA_HOME", "TESSALY_JAVA_HOME"))
        self.assertEqual(v.get("loaded"), "0", r)
        self.assertEqual(len([l for l in log.splitlines() if "checking app id  (" in l]), 4, log)


if __name__ == "__main__":
    unittest.main()

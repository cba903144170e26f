"""The JVM search over directory entries: validation with the version cache,
version bounds, architecture, VM library loading and PATH, location files,
the relative pass, forced locations and packed runtimes."""
import unittest

import fake_runtime as fr
import winebed as wb

MIN, MAX, SEQUENCE, BETA, JDK, ANYWAY, VMFOLDER, APPDIR = 126, 127, 128, 130, 131, 134, 152, 10003


def lines(log, prefix):
    return [l for l in log.splitlines() if prefix in l]


class DirectoryEntries(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("jvmdir")

    def win(self, path):
        return wb.windows_path(path)

    def test_directory_entry_loads_and_fills_the_cache(self):
        home = fr.make_jre(self.dir / "jre8", version="1.8.0_291")
        r, v, log = fr.driver(self.dir, [(MIN, "1.8"), (MAX, "1.8"), (SEQUENCE, "A" + self.win(home))], "load")
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertEqual(v["version"], "1.8.0_291")
        self.assertEqual(v["home"], self.win(home).lower() + r"\bin\..")
        self.assertEqual(v["bin"].lower(), self.win(home).lower() + r"\bin")
        self.assertEqual(v["entry"], "1")
        self.assertIn("Loading of JVM-DLL successful", log)
        self.assertEqual(fr.runs(home / "bin"), 1)
        key = fr.cache_key(self.win(home / "bin" / "java.exe"))
        self.assertEqual(wb.reg_query(key, "Version"), "1.8.0_291")
        self.assertEqual(int(wb.reg_query(key, "Machine"), 16), wb.ARCH.machine)
        self.assertEqual(len(wb.reg_query(key, "LastWriteTime")), 16)
        # The run succeeded: PATH keeps the bin directory in front, in both copies.
        self.assertTrue(v["path_after"].lower().startswith(self.win(home).lower() + r"\bin;"), v)
        self.assertEqual(v["crt_path_after"], v["path_after"])

        # A second launch trusts the cache and runs no java.exe.
        r, v, log = fr.driver(self.dir, [(SEQUENCE, "A" + self.win(home))], "load", name="again.exe")
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertEqual(fr.runs(home / "bin"), 1)
        self.assertIn(f"got version from registry 1.8.0_291 {wb.ARCH.machine}", log)

    def test_stale_or_unusable_cache_entries_run_java_again(self):
        home = fr.make_jre(self.dir / "jre", version="1.6.0_45")
        config = [(SEQUENCE, "A" + self.win(home))]
        key = fr.cache_key(self.win(home / "bin" / "java.exe"))
        r, v, log = fr.driver(self.dir, config, "load")
        self.assertEqual(v.get("loaded"), "1", r)
        stamp = wb.reg_query(key, "LastWriteTime")

        with self.subTest("stale time stamp"):
            wb.reg_add(key, "LastWriteTime", "0011223344556677", "REG_BINARY")
            r, v, log = fr.driver(self.dir, config, "load", name="stale.exe")
            self.assertEqual(fr.runs(home / "bin"), 2, log)
            self.assertEqual(wb.reg_query(key, "LastWriteTime"), stamp)
            self.assertIn(f"got version from execution 1.6.0_45 {wb.ARCH.machine}", log)

        with self.subTest("cached 1.6. is ignored"):
            wb.reg_add(key, "Version", "1.6.")
            fr.driver(self.dir, config, "load", name="v16.exe")
            self.assertEqual(fr.runs(home / "bin"), 3)
            self.assertEqual(wb.reg_query(key, "Version"), "1.6.0_45")

        with self.subTest("a cached 1.6.0_44 is trusted"):
            wb.reg_add(key, "Version", "1.6.0_44")
            r, v, log = fr.driver(self.dir, config, "load", name="v1644.exe")
            self.assertEqual(fr.runs(home / "bin"), 3)
            self.assertEqual(v["version"], "1.6.0_44")

        with self.subTest("the other architecture's machine in the cache is refused"):
            wb.reg_add(key, "Machine", str(wb.OTHER.machine), "REG_DWORD")
            r, v, log = fr.driver(self.dir, config, "load", name="othercache.exe")
            self.assertEqual(v.get("loaded"), "0", r)
            self.assertEqual(fr.runs(home / "bin"), 3)
            self.assertIn(f"got version from registry 1.6.0_44 {wb.OTHER.machine}", log)

    def test_failing_java_is_cached_as_1_0_0_and_run_again(self):
        home = fr.make_jre(self.dir / "bad", exit_code=3)
        config = [(SEQUENCE, "A" + self.win(home))]
        r, v, log = fr.driver(self.dir, config, "load")
        self.assertEqual(v.get("loaded"), "0", r)
        self.assertIn("Exit Code 3", log)
        self.assertIn("couldn't get version", log)
        key = fr.cache_key(self.win(home / "bin" / "java.exe"))
        self.assertEqual(wb.reg_query(key, "Version"), "1.0.0")
        fr.driver(self.dir, config, "load", name="again.exe")
        self.assertEqual(fr.runs(home / "bin"), 2)

    def test_bounds_beta_and_architecture_pick_the_right_entry(self):
        nine = fr.make_jre(self.dir / "nine", version="9")
        beta = fr.make_jre(self.dir / "beta", version="17-ea")
        other = fr.make_jre(self.dir / "other", version="1.8.0_300", machine=wb.OTHER.machine)
        good = fr.make_jre(self.dir / "good", version="1.8.0_291")
        seq = ";".join("A" + self.win(p) for p in (nine, beta, other, good))
        r, v, log = fr.driver(self.dir, [(MAX, "1.8"), (SEQUENCE, seq)], "load")
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertEqual(v["version"], "1.8.0_291")
        self.assertIn("beta vm not allowed", log)
        # An image whose machine field was rewritten cannot start at all; a
        # real one of the other architecture is refused in
        # test_cross_architecture, its cached machine field in
        # test_stale_or_unusable_cache_entries.
        self.assertIn("checkJavaExe (" + self.win(other).lower() + r"\bin\java.exe", log)
        self.assertEqual(len(lines(log, "checkJavaExe returning 0")), 3, log)

        # Entry 130 lets the bounds decide for the beta.
        r, v, log = fr.driver(self.dir, [(BETA, 1), (SEQUENCE, "A" + self.win(beta))], "load", name="beta.exe")
        self.assertEqual(v["version"], "17-ea")
        self.assertNotIn("beta vm not allowed", log)

    def test_executable_type_1_uses_javaw_and_needs_it(self):
        with_javaw = fr.make_jre(self.dir / "w", version="1.8.0_291")
        without = fr.make_jre(self.dir / "nw", version="1.8.0_291", javaw=False)
        r, v, log = fr.driver(self.dir, [(107, 1), (SEQUENCE, "A" + self.win(without) + ";A" + self.win(with_javaw))],
                              "load")
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertTrue(v["home"].startswith(self.win(with_javaw).lower()), v)
        self.assertIn("Trying to load JVM-DLL from " + self.win(with_javaw).lower() + r"\bin\javaw.exe", log)

    def test_jdk_required_needs_tools_jar(self):
        jre = fr.make_jre(self.dir / "jre")
        jdk = fr.make_jdk_with_jre(self.dir / "jdk")
        r, v, log = fr.driver(self.dir, [(JDK, 1), (SEQUENCE, "A" + self.win(jre) + ";A" + self.win(jdk))], "load")
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertEqual(v["home"], self.win(jdk).lower() + r"\jre\bin\..")
        self.assertEqual(fr.runs(jre / "bin"), 0)

    def test_variant_order_and_configured_folder(self):
        home = fr.make_jre(self.dir / "two", folders=())
        fr.make_bin(home / "bin", folders=("client",))
        fr.make_bin(home / "bin", folders=("server",), vm_library="nojni.dll")
        config = [(SEQUENCE, "A" + self.win(home))]
        r, v, log = fr.driver(self.dir, config, "load")
        self.assertEqual(v["entry"], "1", log)
        self.assertEqual(len(lines(log, "jvm.dll (exists")), 1, log)

        r, v, log = fr.driver(self.dir, config + [(VMFOLDER, "server")], "load", name="server.exe")
        self.assertEqual(v.get("loaded"), "0")
        self.assertEqual(v["entry"], "0")
        self.assertIn("Could not load functions", log)
        self.assertIn("MSG1019 " + self.win(home), r.stderr)

    def test_jdk_embedded_jre_retry_restores_path_first(self):
        jdk = fr.make_jdk_with_jre(self.dir / "jdk")
        # Found through the search path, so the JDK's own bin\java.exe is chosen.
        r, v, log = fr.driver(self.dir, [(SEQUENCE, "S")], "load", env={"WINEPATH": self.win(jdk / "bin")})
        self.assertEqual(v.get("loaded"), "1", r)
        bin_dir = self.win(jdk).lower() + r"\bin"
        for folder in ("client", "server", "j9vm", "hotspot", "jrockit"):
            self.assertIn(f"Trying {bin_dir}\\{folder}\\jvm.dll (exists 0)", log)
        self.assertTrue(v["bin"].lower().endswith(r"\bin\..\jre\bin"), v)
        self.assertIn(f"Setting PATH {v['path_before']}", log)
        self.assertEqual(v["path_after"], v["bin"] + ";" + v["path_before"])
        self.assertEqual(v["crt_path_after"], v["path_after"])

    def test_failed_load_restores_path_and_names_the_location(self):
        home = fr.make_jre(self.dir / "novm", folders=())
        r, v, log = fr.driver(self.dir, [(SEQUENCE, "A" + self.win(home))], "load")
        self.assertEqual(v.get("loaded"), "0", r)
        self.assertEqual(v["path_after"], v["path_before"])
        self.assertEqual(v["crt_path_after"], v["path_before"])
        self.assertIn("Could not get DLL-Handle.", log)
        self.assertIn("MSG1019 " + self.win(home) + "\n", r.stderr)

    def test_a_later_entry_clears_the_failed_locations_description(self):
        home = fr.make_jre(self.dir / "novm", folders=())
        r, v, log = fr.driver(self.dir, [(SEQUENCE, "A" + self.win(home) + ";Xnothing")], "load")
        self.assertEqual(v.get("loaded"), "0", r)
        self.assertIn("MSG1019 \n", r.stderr)

    def test_runtime_ucrtbase_preloaded_before_windows_10(self):
        home = fr.make_jre(self.dir / "ucrt")
        import shutil
        shutil.copy(wb.FIXTURES / "nojni.dll", home / "bin" / "ucrtbase.dll")
        r, v, log = fr.driver(self.dir, [(SEQUENCE, "A" + self.win(home))], "load")
        self.assertEqual(v.get("loaded"), "1", r)
        # The prefix reports Windows 7 (6.1).
        self.assertIn("Preloading ucrtbase.dll 4", log)
        self.assertNotIn("Could not preload ucrtbase.dll", log)

    def test_nothing_found(self):
        r, v, log = fr.driver(self.dir, [(SEQUENCE, "")], "load",
                              remove_env=("VORBIX_JAVA_HOME", "TESSALY_JAVA_HOME"))
        self.assertEqual(v.get("loaded"), "0", r)
        self.assertIn("ERROR: No JVM found", log)
        self.assertIn(f"MSG1016 {wb.ARCH.bits}", r.stderr)

    def test_product_variable_with_forward_slashes(self):
        home = fr.make_jre(self.dir / "envjre", version="11.0.2")
        r, v, log = fr.driver(self.dir, [(SEQUENCE, "")], "load",
                              env={"TESSALY_JAVA_HOME": self.win(home).replace("\\", "/")},
                              remove_env=("VORBIX_JAVA_HOME",))
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertEqual(v["home"], self.win(home).lower() + r"\bin\..")


class PassesAndLocations(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("jvmpass")

    def win(self, path):
        return wb.windows_path(path)

    def test_relative_pass_accepts_wrong_version_and_skips_absolute_a(self):
        fr.make_jre(self.dir / "jre", version="1.7.0_80")
        other = fr.make_jre(self.dir / "abs", version="1.7.0_80")
        config = [(MIN, "1.8"), (SEQUENCE, "A" + self.win(other) + ";Rjre")]
        r, v, log = fr.driver(self.dir, config, "load")
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertEqual(v["home"], self.win(self.dir / "jre").lower() + r"\bin\..")
        self.assertEqual(lines(log, "Testing relative location"), [l for l in lines(log, "Testing relative location jre")])
        self.assertTrue(lines(log, "Testing relative location jre"))

        # The same absolute value as a B entry is tried in the relative pass.
        config = [(MIN, "1.8"), (SEQUENCE, "B" + self.win(other))]
        r, v, log = fr.driver(self.dir, config, "load", name="b.exe")
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertTrue(v["home"].startswith(self.win(other).lower()), v)

    def test_entry_134_loads_a_refused_directory_in_the_first_pass(self):
        old = fr.make_jre(self.dir / "old", version="1.6.0_45")
        r, v, log = fr.driver(self.dir, [(MIN, "1.8"), (ANYWAY, 1), (SEQUENCE, "A" + self.win(old))], "load")
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertEqual(v["version"], "1.6.0_45")
        self.assertEqual(v["oldmin"], "0")
        self.assertNotIn("Testing relative location", log)

    def test_preferred_location_file_with_crlf(self):
        pref = fr.make_jre(self.dir / "pref", version="11.0.2")
        other = fr.make_jre(self.dir / "other", version="17")
        (self.dir / ".tessaly").mkdir()
        (self.dir / ".tessaly" / "pref_jre.cfg").write_bytes(self.win(pref).encode() + b"\r\nsecond line\r\n")
        r, v, log = fr.driver(self.dir, [(APPDIR, "."), (SEQUENCE, "A" + self.win(other))], "load")
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertEqual(v["version"], "11.0.2")
        self.assertIn("Has preferred location " + self.win(pref), log)
        self.assertIn("Using preferred location", log)

    def test_installer_location_after_the_first_pass(self):
        inst = fr.make_jre(self.dir / "inst", version="11.0.2")
        (self.dir / ".tessaly").mkdir()
        (self.dir / ".tessaly" / "inst_jre.cfg").write_text(self.win(inst) + "\n")
        r, v, log = fr.driver(self.dir, [(APPDIR, "."), (MIN, "1.7"), (SEQUENCE, "Xignored")], "load")
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertIn("Using installer location", log)
        self.assertEqual(v["oldmin"], "1")

    def test_forced_location_used_even_for_the_other_architecture(self):
        other = fr.make_jre(self.dir / "other", version="21", machine=wb.OTHER.machine)
        r, v, log = fr.driver(self.dir, [(MAX, "1.8")], "load", self.win(other))
        self.assertEqual(v.get("loaded"), "1", r)
        # The rewritten image cannot run: no version, loaded anyway.
        self.assertEqual(v["version"], "")
        self.assertIn("Got JRE location " + self.win(other) + " (java exe: 0)", log)


class PackedRuntimes(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("jvmpack")

    def test_archives_in_lib_and_ext_are_unpacked_with_one_announcement(self):
        home = fr.make_jre(self.dir / "packed")
        import shutil
        shutil.copy(wb.FIXTURES / "unpack200.exe", home / "bin" / "unpack200.exe")
        (home / "lib" / "ext").mkdir(parents=True)
        (home / "lib" / "rt.jar.pack").write_bytes(b"packed")
        (home / "lib" / "ext" / "x.jar.pack").write_bytes(b"packed")
        (home / "lib" / "kept.jar.pack").write_bytes(b"packed")
        (home / "lib" / "kept.jar").write_bytes(b"PK")
        r, v, log = fr.driver(self.dir, [(SEQUENCE, "A" + wb.windows_path(home))], "load")
        self.assertEqual(v.get("loaded"), "1", r)
        self.assertEqual(r.stdout.count("Preparing JRE ..."), 1, r)
        lib = wb.windows_path(home).lower() + r"\lib"
        calls = (home / "bin" / "unpack200_runs.txt").read_text().splitlines()
        self.assertEqual(sorted(calls), sorted([f'-r "{lib}\\rt.jar.pack" "{lib}\\rt.jar"',
                                                f'-r "{lib}\\ext\\x.jar.pack" "{lib}\\ext\\x.jar"']))
        self.assertTrue((home / "lib" / "rt.jar").exists())
        self.assertFalse((home / "lib" / "rt.jar.pack").exists())
        self.assertFalse((home / "lib" / "ext" / "x.jar.pack").exists())
        self.assertTrue((home / "lib" / "kept.jar.pack").exists())
        self.assertIn("Unpacking JRE done", log)

    def test_missing_tool_is_fatal_1021(self):
        home = fr.make_jre(self.dir / "notool")
        (home / "lib" / "rt.jar.pack").write_bytes(b"packed")
        r, v, log = fr.driver(self.dir, [(SEQUENCE, "A" + wb.windows_path(home))], "load")
        self.assertEqual(r.code, 1, r)
        self.assertNotIn("loaded", v)
        self.assertIn("MSG1021 pack", r.stderr)
        self.assertIn("could not create unpack process", log)


if __name__ == "__main__":
    unittest.main()

"""The VM launch end to end with the recording VM: option sources, argument
assembly, system properties, the VM thread and the call of the launcher's
Java class."""
import shutil
import unittest

import launchbed as lb
import winebed as wb


class OptionSources(unittest.TestCase):
    def test_options_file_lines_crlf_and_byte_order_mark(self):
        l = lb.Launch()
        (l.dir / "app.vmoptions").write_bytes(
            b"\xef\xbb\xbf-Dfirst=1\r\n  -Xmx512m \t\r\n# comment\r\n\r\n-Dname=a # b\r\n-Dlast=1")
        r = l.run(base=[(166, "1")])
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(),
                         # the VM gets the mark's three bytes (read back as UTF-8 here)
                         ["\ufeff-Dfirst=1", "-Xmx512m", "-Dname=a # b", "-Dlast=1",
                          "-Djava.class.path="])
        self.assertIn("default vmoptions file: 1", l.log())

    def test_includes_relative_to_their_file_or_the_executable_and_cycles_stop(self):
        l = lb.Launch()
        conf = l.dir / "conf"
        conf.mkdir()
        (conf / "main.vmoptions").write_text("-Dmain=1\n-include-options other.vmoptions\n-Dmain=2\n")
        (conf / "other.vmoptions").write_text("-Dconf.other=1\n-include-options main.vmoptions\n")
        (l.dir / "other.vmoptions").write_text("-Dexe.other=1\n")
        (l.dir / "app.vmoptions").write_text("-include-options conf\\main.vmoptions\n")
        r = l.run(base=[(166, "1"), (123, "-include-options other.vmoptions -Dafter=1 -include-options")])
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(),
                         ["-Dexe.other=1", "-Dafter=1", "-include-options",
                          "-Dmain=1", "-Dconf.other=1", "-Dmain=2", "-Djava.class.path="])
        log = l.log()
        self.assertIn("includes itself, not read again", log)
        self.assertIn("adding vmoptions from (1) <" + wb.windows_path(conf / "other.vmoptions"), log)

    def test_short_name_wins_and_class_path_directives_across_files(self):
        l = lb.Launch()
        (l.dir / "server.vmoptions").write_text(
            "-classpath a.jar\n-classpath/p pre1.jar\n-classpath/a post.jar\n-include-options more.vmoptions\n")
        (l.dir / "more.vmoptions").write_text("-classpath b.jar\n-classpath/p pre2.jar\n")
        (l.dir / "server.exe.vmoptions").write_text("-Dnever=1\n")
        r = l.run(base=[(166, "1"), (123, "-classpath x.jar")], name="server.exe")
        self.assertEqual(r.code, 0, r)
        # "-classpath" and its path as separate tokens are two options.
        self.assertEqual(l.launcher_options(),
                         ["-classpath", "x.jar", "-Djava.class.path=pre2.jar;b.jar;post.jar"])

    def test_first_matching_version_set_only(self):
        l = lb.Launch(version="1.8.0_301")
        base = [(10200, "5"), (10201, "11-"), (10202, "-Dset=0"), (10203, "8"), (10204, "-Dset=1"),
                (10205, "1-8"), (10206, "-Dset=2 -Dset2=b"), (10207, "*1.8*"), (10208, "-Dset=3"),
                (10209, "*"), (10210, "-Dset=4")]
        r = l.run(base=base)
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(), ["-Dset=2", "-Dset2=b", "-Djava.class.path="])
        log = l.log()
        self.assertIn("checking min 11 max 0 with 8", log)
        self.assertIn("ERROR: expected dash", log)
        self.assertNotIn("checking version *1.8*", log)

    def test_locale_format_argument(self):
        l = lb.Launch()
        r = l.run(args=["-Dsun.locale.formatasdefault=false", "-Dsun.locale.formatasdefault=true"],
                  env={"LC_ALL": "de_CH.UTF-8"})
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(), ["-Dsun.locale.formatasdefault=true", "-Djava.class.path="])
        # Neither reaches the Java program.
        self.assertEqual(l.arguments()[5:], ["-Dsun.locale.formatasdefault=false"])

        l = lb.Launch()
        r = l.run(args=["x", "-Dsun.locale.formatasdefault=false"], env={"LC_ALL": "de_CH.UTF-8"})
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(),
                         ["-Dsun.locale.formatasdefault=false", "-Duser.language=de", "-Duser.country=CH",
                          "-Djava.class.path="])

    def test_j_arguments_and_jvm_override(self):
        l = lb.Launch()
        r = l.run(base=[(125, "1")], args=["-J-Xmx1g", "svc", "-J-Dx=1", "y"])
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(), ["-Xmx1g", "-Dx=1", "-Djava.class.path="])
        self.assertEqual(l.arguments()[5:], ["-J-Xmx1g", "svc", "y"])

        l = lb.Launch()
        r = l.run(args=["svc", "-J-Xmx1g"])
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(), ["-Djava.class.path="])
        self.assertEqual(l.arguments()[5:], ["svc", "-J-Xmx1g"])

        # A "-jvm=" line selects the runtime and never reaches the VM.
        l = lb.Launch()
        (l.dir / "app.vmoptions").write_text(f"-jvm={wb.windows_path(l.home)}\n-Dkept=1\n")
        r = l.run(base=[(166, "1")], env={"VORBIX_JAVA_HOME": "C:\\nowhere"})
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(), ["-Dkept=1", "-Djava.class.path="])
        self.assertIn("JVM override location from vmoptions " + wb.windows_path(l.home), l.log())


class Assembly(unittest.TestCase):
    def test_class_path_entries(self):
        l = lb.Launch()
        lib = l.dir / "lib"
        lib.mkdir()
        for name in ("b.jar", "c.zip", "d.txt"):
            (lib / name).write_text("x")
        d = wb.windows_path(l.dir)
        r = l.run(base=[(121, "A0lib\\a.jar;S0lib;E0EXTRA_CP")], env={}, )
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options()[-1],
                         f"-Djava.class.path={d}\\lib\\a.jar;{d}\\lib\\b.jar;{d}\\lib\\c.zip")

        l = lb.Launch()
        r = l.run(base=[(121, "E0Q_CP;E1S_CP;A0z.jar")], env={"Q_CP": '"C:\\q 1.jar"', "S_CP": "s.jar;"})
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options()[-1],
                         f"-Djava.class.path=C:\\q 1.jar;s.jar;{wb.windows_path(l.dir)}\\z.jar")

    def test_required_entries_end_the_launch(self):
        l = lb.Launch()
        r = l.run(base=[(121, "A0optional.jar;A1missing.jar"), (1006, "Missing: {0}")])
        self.assertEqual(r.code, 1, r)
        self.assertIn("Missing: missing.jar", r.stderr + r.stdout)
        self.assertEqual(l.lines, [])
        l = lb.Launch()
        r = l.run(base=[(121, "E1NO_SUCH_VAR"), (1008, "Variable: {0}")])
        self.assertEqual(r.code, 1, r)
        self.assertIn("Variable: NO_SUCH_VAR", r.stderr + r.stdout)

    def test_module_options_and_launcher_extras(self):
        l = lb.Launch()
        (l.dir / "mods").mkdir()
        r = l.run(base=[(132, "S0mods"), (133, "1"), (122, "app.mod/com.example.Main"),
                        (123, "--add-opens java.base/java.lang=ALL-UNNAMED -Xrs")],
                  flags=["--service", "--noredir"])
        self.assertEqual(r.code, 0, r)
        d = wb.windows_path(l.dir)
        self.assertEqual(l.launcher_options(),
                         ["--add-opens=java.base/java.lang=ALL-UNNAMED", "-Xrs", "-Djava.class.path=",
                          f"--module-path={d}\\mods",
                          "--add-opens=app.mod/com.example=com.vorbix.runtime",
                          "--add-modules=app.mod,com.vorbix.runtime", "-Dtessaly.noRedir=true"])
        self.assertIn("-Dvorbix.isService=true", l.options())
        self.assertEqual(l.arguments()[1], "/app.mod/com.example.Main")

        l = lb.Launch()
        r = l.run(base=[(123, "-Xrs2")], flags=["--service"])
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(), ["-Xrs2", "-Djava.class.path=", "-Xrs"])

    def test_argument_files(self):
        l = lb.Launch()
        at = l.dir / "args.txt"
        at.write_text("-Dfrom.file=1 --add-opens\njava.base/java.io=ALL-UNNAMED\n")
        r = l.run(base=[(123, f"-Da=1 @{wb.windows_path(at)} -Db=1")])
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(),
                         ["-Da=1", "-Dfrom.file=1", "--add-opens=java.base/java.io=ALL-UNNAMED", "-Db=1",
                          "-Djava.class.path="])
        jli = (l.home / "bin" / "jli.record").read_text().splitlines()
        self.assertEqual(jli[0], "init 1 0")
        self.assertEqual(jli.count("free"), 2)

        l = lb.Launch(jli=False)
        r = l.run(base=[(123, f"@{wb.windows_path(at)}")])
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(), [f"@{wb.windows_path(at)}", "-Djava.class.path="])
        self.assertIn("did not find ", l.log())


class VmCreation(unittest.TestCase):
    def test_full_record_of_a_plain_launch(self):
        l = lb.Launch(control=["env LAUNCH_MARK"])
        r = l.run(base=[(122, "com.example.Main"), (124, "--conf \"a b\"")], args=["svc", "x"],
                  env={"LAUNCH_MARK": "m1"})
        self.assertEqual(r.code, 0, r)
        exe = wb.windows_path(l.exe)
        bin_dir = wb.windows_path(l.home / "bin")
        lines = l.lines
        self.assertEqual(lines[0], f"create version=0x00010002 ignore=1 count=7")
        self.assertEqual(lines[1:5], [f"option -Dvorbix.moduleName={exe}", f"option -Dsun.java.command={exe}",
                                      "option -Dvorbix.tempDir=", "option -Dvorbix.unextractedPosition=0"])
        prefix = "option -Djava.library.path="
        self.assertTrue(lines[5].startswith(prefix), lines[5])
        self.assertTrue(lines[5][len(prefix):].lower().startswith(bin_dir.lower() + ";"), lines[5])
        self.assertEqual(lines[6:8], ["option -Dvorbix.consoleCodepage=cp0", "option -Djava.class.path="])
        self.assertTrue(lines[8].startswith("stack "))
        self.assertEqual(lines[10], "env LAUNCH_MARK=m1")
        self.assertEqual(lines[11], "priority 0x20")
        self.assertEqual(lines[13:], [
            "FindClass java/lang/System",
            "GetStaticMethodID java/lang/System setProperty (Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;",
            f"setProperty vorbix.moduleName={exe}",
            "FindClass com/vorbix/runtime/WinLauncher",
            "GetStaticMethodID com/vorbix/runtime/WinLauncher main ([Ljava/lang/String;)V",
            "FindClass java/lang/String",
            "NewObjectArray 9 java/lang/String",
            "main 9", "arg 0 false", "arg 1 com.example.Main", "arg 2 ", "arg 3 ", "arg 4 false",
            "arg 5 svc", "arg 6 --conf", "arg 7 a b", "arg 8 x",
            "DestroyJavaVM"])

    def test_stack_sizes(self):
        cases = [("-Xss512k", 524288), ("-Xss1k", 65536), ("-Xss1m -Xss2m", 2097152), ("-Xss4g", 0),
                 ("-Xss12kb", 0), ("-Xss", 0), ("-Xss4m", 4194304)]
        for options, size in cases:
            with self.subTest(options=options):
                l = lb.Launch()
                r = l.run(base=[(123, options)])
                self.assertEqual(r.code, 0, r)
                self.assertIn(f"used stack size {size}\n", l.log())
                reserved = int(next(x for x in l.lines if x.startswith("stack ")).split()[1])
                self.assertGreaterEqual(reserved, max(size, 1048576))

    def test_manpath_hides_the_code_page(self):
        l = lb.Launch()
        r = l.run(env={"MANPATH": "x"})
        self.assertEqual(r.code, 0, r)
        self.assertFalse(any(o.startswith("-Dvorbix.consoleCodepage") for o in l.options()))

    def test_program_parameters_and_launcher_parameters(self):
        l = lb.Launch()
        r = l.run(base=[(125, "1"), (107, "1"), (122, "com.example.Main"), (102, "1"), (103, "logs\\err.txt"),
                        (104, "1"), (105, "$OUT"), (106, "1"), (124, "cfg")],
                  args=["svc", "-J-Xmx1g", "-Dsun.locale.formatasdefault=true", "x"])
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.arguments(), ["true", "com.example.Main", wb.windows_path(l.dir / "logs" / "err.txt"),
                                         "$OUT", "true", "svc", "cfg", "x"])

    def test_throwing_main(self):
        l = lb.Launch(control=["throw java.lang.IllegalStateException: boom"])
        r = l.run()
        self.assertEqual(r.code, 1, r)
        self.assertNotIn("DestroyJavaVM", l.lines)
        self.assertEqual(l.lines[-5:], ["throw java.lang.IllegalStateException: boom",
                                        "GetObjectClass java/lang/Throwable",
                                        "GetMethodID java/lang/Throwable toString ()Ljava/lang/String;",
                                        "toString",
                                        "ExceptionDescribe java.lang.IllegalStateException: boom"])
        log = l.log()
        self.assertIn("ERROR: an exception occurred\n", log)
        self.assertIn("ERROR: java.lang.IllegalStateException: boom\n", log)
        self.assertIn("ERROR: could not call main", log)

    def test_missing_class_or_main(self):
        l = lb.Launch(control=["missclass com/vorbix/runtime/WinLauncher"])
        r = l.run(base=[(1010, "No launcher class")])
        self.assertEqual(r.code, 1, r)
        self.assertIn("No launcher class", r.stdout + r.stderr)
        l = lb.Launch(control=["missmethod main"])
        r = l.run(base=[(1011, "No main method")])
        self.assertEqual(r.code, 1, r)
        self.assertIn("No main method", r.stdout + r.stderr)
        self.assertNotIn("DestroyJavaVM", l.lines)

    def test_vm_creation_failure_and_exit_from_main(self):
        l = lb.Launch(control=["fail -3"])
        r = l.run()
        self.assertEqual(r.code, 1, r)
        self.assertIn("ERROR: could not initialize JVM", l.log())
        l = lb.Launch(control=["exit 42"])
        r = l.run()
        self.assertEqual(r.code, 42, r)
        self.assertEqual(l.lines[-1], "exit 42")

    def test_standard_input_reaches_main(self):
        l = lb.Launch(control=["readstdin"])
        r = l.run(stdin=b"first\r\n0\n")
        self.assertEqual(r.code, 0, r)
        self.assertEqual([x for x in l.lines if x.startswith("stdin")], ["stdin first", "stdin 0", "stdin end"])

    def test_splash_configuration(self):
        l = lb.Launch()
        base = [(108, "1"), (163, "1"), (10111, "s1"), (10114, "s2"), (10118, "s3"), (10121, "s4")]
        base += [(ident, str(n)) for n, ident in enumerate((10109, 10110, 10113, 10115, 10116, 10117, 10120, 10122), 1)]
        r = l.run(base=base)
        self.assertEqual(r.code, 0, r)
        self.assertIn("splash 1 1 [s1] 1 2 [s2] 3 4 [s3] 5 6 [s4] 7 8", l.lines)

    def test_installer_flavour(self):
        l = lb.Launch()
        helper_dir = l.dir / "inst" / ".tessaly"
        helper_dir.mkdir(parents=True)
        shutil.copy(lb.RECORDING / "jvm.dll", helper_dir / "tsyinst.dll")
        r = l.run(base=[(2001, "i"), (10003, "inst")])
        self.assertEqual(r.code, 0, r)
        inst = wb.windows_path(l.dir / "inst")
        self.assertIn("-Dvorbix.isTessaly=true", l.options())
        self.assertEqual(l.launcher_options(), [f"-Djava.class.path={inst}\\.tessaly\\tsyruntime.jar"])
        calls = [x for x in l.lines if x.startswith(("FindClass", "initFromLauncher"))]
        self.assertEqual(calls[:2], ["FindClass com/tessaly/runtime/installer/platform/win32/Common",
                                     "initFromLauncher 1"])
        self.assertIn("FindClass com/tessaly/runtime/launcher/WinLauncher", calls)
        helper = (helper_dir / "jvm.record").read_text().splitlines()
        self.assertEqual(helper, ["registerNativesEx env=1 module=1 all=1 reporter=1"])

        (helper_dir / "jvm.control").write_text("registerfail\n")
        l2 = l
        (l.home / "bin" / "server" / "jvm.record").unlink()
        r = l2.run(base=[(2001, "i"), (10003, "inst")], name="app2.exe")
        self.assertEqual(r.code, 0, r)
        self.assertEqual([x for x in l2.lines if x.startswith("initFromLauncher")],
                         ["initFromLauncher 1", "initFromLauncher 0"])
        self.assertIn("ERROR: registering helper dll failed", l2.log())


if __name__ == "__main__":
    unittest.main()

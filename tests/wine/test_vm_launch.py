"""The VM launch end to end through launchers built by vorbix-pack and run
with "/run" (or "/run-redirect", or as the service's worker) with the
recording VM: option sources, argument assembly, system properties, the VM
thread and the call of the launcher's Java class."""
import re
import shutil
import tempfile
import unittest

import launchbed as lb
import winebed as wb

NO_REDIRECT = "-Dtessaly.noRedir=true"
LOCALE_FALSE = "-Dsun.locale.formatasdefault=false"
LOCALE_TRUE = "-Dsun.locale.formatasdefault=true"


class OptionSources(unittest.TestCase):
    def test_options_file_lines_crlf_and_byte_order_mark(self):
        l = lb.Launch()
        (l.dir / "app.vmoptions").write_bytes(
            b"\xef\xbb\xbf-Dfirst=1\r\n  -Xmx512m \t\r\n# comment\r\n\r\n-Dname=a # b\r\n-Dlast=1")
        r = l.run({"readVmOptionsFile": True})
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(),
                         # the VM gets the mark's three bytes (read back as UTF-8 here)
                         ["\ufeff-Dfirst=1", "-Xmx512m", "-Dname=a # b", "-Dlast=1", l.class_path(), NO_REDIRECT])
        self.assertIn("default vmoptions file: 1", l.log())

    def test_includes_relative_to_their_file_or_the_executable_and_cycles_stop(self):
        l = lb.Launch()
        conf = l.dir / "conf"
        conf.mkdir()
        (conf / "main.vmoptions").write_text("-Dmain=1\n-include-options other.vmoptions\n-Dmain=2\n")
        (conf / "other.vmoptions").write_text("-Dconf.other=1\n-include-options main.vmoptions\n")
        (l.dir / "other.vmoptions").write_text("-Dexe.other=1\n")
        (l.dir / "app.vmoptions").write_text("-include-options conf\\main.vmoptions\n")
        r = l.run({"readVmOptionsFile": True,
                   "vmOptions": "-include-options other.vmoptions -Dafter=1 -include-options"})
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(),
                         ["-Dexe.other=1", "-Dafter=1", "-include-options",
                          "-Dmain=1", "-Dconf.other=1", "-Dmain=2", l.class_path(), NO_REDIRECT])
        log = l.log()
        self.assertIn("includes itself, not read again", log)
        self.assertIn("adding vmoptions from (1) <" + wb.windows_path(conf / "other.vmoptions"), log)

    def test_short_name_wins_and_class_path_directives_across_files(self):
        l = lb.Launch()
        (l.dir / "server.vmoptions").write_text(
            "-classpath a.jar\n-classpath/p pre1.jar\n-classpath/a post.jar\n-include-options more.vmoptions\n")
        (l.dir / "more.vmoptions").write_text("-classpath b.jar\n-classpath/p pre2.jar\n")
        (l.dir / "server.exe.vmoptions").write_text("-Dnever=1\n")
        r = l.run({"readVmOptionsFile": True, "vmOptions": "-classpath x.jar"}, name="server.exe")
        self.assertEqual(r.code, 0, r)
        # "-classpath" and its path as separate tokens are two options; the
        # prefix goes before the launcher's archives, the replacement after.
        self.assertEqual(l.launcher_options(),
                         ["-classpath", "x.jar", f"-Djava.class.path=pre2.jar;{l.runtime_jar()};b.jar;post.jar",
                          NO_REDIRECT])

    def test_first_matching_version_set_only(self):
        l = lb.Launch(version="1.8.0_301")
        sets = [("11-", "-Dset=0"), ("8", "-Dset=1"), ("1-8", "-Dset=2 -Dset2=b"), ("*1.8*", "-Dset=3"),
                ("*", "-Dset=4")]
        r = l.run({"versionOptionSets": [{"condition": c, "options": o} for c, o in sets]})
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(), ["-Dset=2", "-Dset2=b", l.class_path(), NO_REDIRECT])
        log = l.log()
        self.assertIn("checking min 11 max 0 with 8", log)
        self.assertIn("ERROR: expected dash", log)
        self.assertNotIn("checking version *1.8*", log)

    def test_locale_format_argument(self):
        swiss = {"LC_ALL": "de_CH.UTF-8"}
        l = lb.Launch()
        r = l.run(args=[LOCALE_FALSE, LOCALE_TRUE], env=swiss)
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(), [LOCALE_TRUE, l.class_path(), NO_REDIRECT])
        # Neither reaches the Java program: after "/run" the program path is
        # the first launch argument.
        self.assertEqual(l.arguments()[5:], [l.program()])

        # The first launch argument is passed unfiltered (the worker's
        # arguments have no program path in front).
        l = lb.Launch()
        r = l.run(args=[LOCALE_FALSE, LOCALE_TRUE], mode="worker", env=swiss)
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(), [LOCALE_TRUE, l.class_path(), "-Xrs"])
        self.assertEqual(l.arguments()[5:], [LOCALE_FALSE])

        l = lb.Launch()
        r = l.run(args=["x", LOCALE_FALSE], env=swiss)
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(),
                         [LOCALE_FALSE, "-Duser.language=de", "-Duser.country=CH", l.class_path(), NO_REDIRECT])
        self.assertEqual(l.arguments()[5:], [l.program(), "x"])

    def test_lang_gives_user_language_and_country(self):
        l = lb.Launch()
        env = {"LANG": "de_CH.UTF-8", "LOCPATH": str(wb.compiled_locale("de_CH.UTF-8"))}
        r = l.run(args=[LOCALE_FALSE], env=env, remove_env=("LC_ALL", "LC_MESSAGES", "LANGUAGE"))
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(),
                         [LOCALE_FALSE, "-Duser.language=de", "-Duser.country=CH", l.class_path(), NO_REDIRECT])
        self.assertIn("language/country is de_CH", l.log())

    def test_locale_table_through_the_platform_language(self):
        # LC_ALL sets Wine's UI language (0x0c0a, 0x1809, 0x0814, 0x241a, 0x0409).
        cases = [("es_ES.UTF-8", "es_ES", ["es", "ES"]), ("en_IE.UTF-8", "en_IE", ["en", "IE"]),
                 ("nn_NO.UTF-8", "no_NO_NY", ["no"]), ("sr_RS@latin", "sr", ["sr"]), ("C.UTF-8", "en_US", ["en", "US"])]
        for lc_all, detected, codes in cases:
            with self.subTest(lc_all=lc_all):
                l = lb.Launch()
                r = l.run(args=[LOCALE_FALSE], env={"LC_ALL": lc_all})
                self.assertEqual(r.code, 0, r)
                names = ["-Duser.language=", "-Duser.country="]
                self.assertEqual(l.launcher_options(),
                                 [LOCALE_FALSE, *[n + c for n, c in zip(names, codes)], l.class_path(), NO_REDIRECT])
                self.assertIn(f"language/country is {detected}\n", l.log())

    def test_j_arguments_and_jvm_override(self):
        l = lb.Launch()
        r = l.run({"jArgumentsAreVmOptions": True}, args=["-J-Xmx1g", "svc", "-J-Dx=1", "y"])
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(), ["-Xmx1g", "-Dx=1", l.class_path(), NO_REDIRECT])
        self.assertEqual(l.arguments()[5:], [l.program(), "svc", "y"])

        # A first launch argument that starts with "-J" is an option and is
        # still passed to Java.
        l = lb.Launch()
        r = l.run({"jArgumentsAreVmOptions": True}, args=["-J-Xmx1g", "svc", "-J-Dx=1", "y"], mode="worker")
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(), ["-Xmx1g", "-Dx=1", l.class_path(), "-Xrs"])
        self.assertEqual(l.arguments()[5:], ["-J-Xmx1g", "svc", "y"])

        l = lb.Launch()
        r = l.run(args=["svc", "-J-Xmx1g"])
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(), [l.class_path(), NO_REDIRECT])
        self.assertEqual(l.arguments()[5:], [l.program(), "svc", "-J-Xmx1g"])

    def test_forced_jvm_never_reaches_the_vm(self):
        # A "-jvm=" line selects the runtime and never reaches the VM.
        nowhere = {"VORBIX_JAVA_HOME": "C:\\nowhere"}
        l = lb.Launch()
        (l.dir / "app.vmoptions").write_text(f"-jvm={wb.windows_path(l.home)}\n-Dkept=1\n")
        r = l.run({"readVmOptionsFile": True}, env=nowhere)
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(), ["-Dkept=1", l.class_path(), NO_REDIRECT])
        self.assertIn("JVM override location from vmoptions " + wb.windows_path(l.home), l.log())

        l = lb.Launch()
        forced = "-J-jvm=" + wb.windows_path(l.home)
        r = l.run({"jArgumentsAreVmOptions": True}, args=[forced, "y"], env=nowhere)
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(), [l.class_path(), NO_REDIRECT])
        self.assertEqual(l.arguments()[5:], [l.program(), "y"])
        self.assertIn("JVM override location from command line " + wb.windows_path(l.home), l.log())


class Assembly(unittest.TestCase):
    def test_class_path_entries(self):
        l = lb.Launch()
        lib = l.dir / "lib"
        lib.mkdir()
        for name in ("b.jar", "c.zip", "d.txt"):
            (lib / name).write_text("x")
        d = wb.windows_path(l.dir)
        entries = [{"type": "A", "value": "lib\\a.jar"}, {"type": "S", "value": "lib"},
                   {"type": "E", "value": "EXTRA_CP"}]
        r = l.run({"classPath": entries}, remove_env=("EXTRA_CP",))
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(),
                         [l.class_path(f"{d}\\lib\\a.jar", f"{d}\\lib\\b.jar", f"{d}\\lib\\c.zip"), NO_REDIRECT])

        l = lb.Launch()
        entries = [{"type": "E", "value": "Q_CP"}, {"type": "E", "required": True, "value": "S_CP"},
                   {"type": "A", "value": "z.jar"}]
        r = l.run({"classPath": entries}, env={"Q_CP": '"C:\\q 1.jar"', "S_CP": "s.jar;"})
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(),
                         [l.class_path("C:\\q 1.jar", "s.jar", f"{wb.windows_path(l.dir)}\\z.jar"), NO_REDIRECT])

    def test_empty_class_path_without_archives(self):
        l = lb.Launch()
        r = l.run({"runtimeArchive": False})
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.property("vorbix.tempDir"), "")
        self.assertEqual(l.property("vorbix.unextractedPosition"), "0")
        self.assertEqual(l.launcher_options(), ["-Djava.class.path=", NO_REDIRECT])

    def test_required_entries_end_the_launch(self):
        l = lb.Launch()
        entries = [{"type": "A", "value": "optional.jar"}, {"type": "A", "required": True, "value": "missing.jar"}]
        r = l.run({"classPath": entries, "messages": {"1006": "Missing: {0}"}})
        self.assertEqual(r.code, 1, r)
        self.assertIn("Missing: missing.jar", r.stderr + r.stdout)
        self.assertEqual(l.lines, [])
        l = lb.Launch()
        r = l.run({"classPath": [{"type": "E", "required": True, "value": "NO_SUCH_VAR"}],
                   "messages": {"1008": "Variable: {0}"}}, remove_env=("NO_SUCH_VAR",))
        self.assertEqual(r.code, 1, r)
        self.assertIn("Variable: NO_SUCH_VAR", r.stderr + r.stdout)
        self.assertEqual(l.lines, [])

    def test_module_options(self):
        config = {"modulePath": [{"type": "S", "value": "mods"}], "mainClassInModule": True,
                  "mainClass": "app.mod/com.example.Main",
                  "vmOptions": "--add-opens java.base/java.lang=ALL-UNNAMED -Xrs"}
        for mode, last in (("run", [NO_REDIRECT]), ("worker", [])):
            with self.subTest(mode=mode):
                l = lb.Launch()
                (l.dir / "mods").mkdir()
                r = l.run(config, mode=mode)
                self.assertEqual(r.code, 0, r)
                d = wb.windows_path(l.dir)
                # With a module path the launcher's archives go there, not
                # to the class path; the configured "-Xrs" is the only one.
                self.assertEqual(l.launcher_options(),
                                 ["--add-opens=java.base/java.lang=ALL-UNNAMED", "-Xrs", "-Djava.class.path=",
                                  f"--module-path={d}\\mods;{l.runtime_jar()}",
                                  "--add-opens=app.mod/com.example=com.vorbix.runtime",
                                  "--add-modules=app.mod,com.vorbix.runtime", *last])
                self.assertEqual(l.property("vorbix.isService"), "true" if mode == "worker" else None)
                self.assertEqual(l.arguments()[1], "/app.mod/com.example.Main")

    def test_redirection_and_service_mode_options(self):
        cp = object()  # stands for this launch's class path option
        cases = (("run", "", [cp, NO_REDIRECT]), ("run-redirect", "", [cp]), ("worker", "", [cp, "-Xrs"]),
                 ("worker", "-Xrs2", ["-Xrs2", cp, "-Xrs"]))
        for mode, vm_options, expected in cases:
            with self.subTest(mode=mode, vm_options=vm_options):
                l = lb.Launch()
                r = l.run({"vmOptions": vm_options}, mode=mode)
                self.assertEqual(r.code, 0, r)
                self.assertEqual(l.launcher_options(), [l.class_path() if o is cp else o for o in expected])
                self.assertEqual(l.property("vorbix.isService"), "true" if mode == "worker" else None)

    def test_argument_files(self):
        l = lb.Launch()
        at = l.dir / "args.txt"
        at.write_text("-Dfrom.file=1 --add-opens\njava.base/java.io=ALL-UNNAMED\n")
        r = l.run({"vmOptions": f"-Da=1 @{wb.windows_path(at)} -Db=1"})
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(),
                         ["-Da=1", "-Dfrom.file=1", "--add-opens=java.base/java.io=ALL-UNNAMED", "-Db=1",
                          l.class_path(), NO_REDIRECT])
        jli = (l.home / "bin" / "jli.record").read_text().splitlines()
        self.assertEqual(jli[0], "init 1 0")
        self.assertEqual(jli.count("free"), 2)

        l = lb.Launch(jli=False)
        at = l.dir / "args.txt"
        at.write_text("-Dfrom.file=1\n")
        r = l.run({"vmOptions": f"@{wb.windows_path(at)}"})
        self.assertEqual(r.code, 0, r)
        self.assertEqual(l.launcher_options(), [f"@{wb.windows_path(at)}", l.class_path(), NO_REDIRECT])
        self.assertIn("did not find ", l.log())


class VmCreation(unittest.TestCase):
    def test_full_record_of_a_plain_launch(self):
        l = lb.Launch(control=["env LAUNCH_MARK"])
        r = l.run({"mainClass": "com.example.Main", "programArguments": "--conf \"a b\""}, args=["svc", "x"],
                  env={"LAUNCH_MARK": "m1"})
        self.assertEqual(r.code, 0, r)
        exe = l.program()
        bin_dir = wb.windows_path(l.home / "bin")
        semaphore = re.search(r"semaphore name (.*), code ", l.log()).group(1)
        temp = l.property("vorbix.tempDir")
        self.assertTrue(temp.lower().startswith(wb.windows_path(wb.temp_dir()).lower() + "\\"), temp)
        lines = l.lines
        self.assertEqual(lines[0], "create version=0x00010002 ignore=1 count=9")
        self.assertEqual(lines[1:6], [f"option -Dvorbix.semaphoreName={semaphore}",
                                      f"option -Dvorbix.moduleName={exe}", f"option -Dsun.java.command={exe}",
                                      f"option -Dvorbix.tempDir={temp}",
                                      # everything behind the configuration was extracted
                                      f"option -Dvorbix.unextractedPosition={l.exe.stat().st_size}"])
        prefix = "option -Djava.library.path="
        self.assertTrue(lines[6].startswith(prefix), lines[6])
        self.assertTrue(lines[6][len(prefix):].lower().startswith(bin_dir.lower() + ";"), lines[6])
        self.assertEqual(lines[7:10], ["option -Dvorbix.consoleCodepage=cp0", "option " + l.class_path(),
                                       "option " + NO_REDIRECT])
        self.assertTrue(lines[10].startswith("stack "))
        self.assertEqual(lines[11:14], ["cwd " + wb.windows_path(tempfile.gettempdir()), "env LAUNCH_MARK=m1",
                                        "priority 0x20"])
        self.assertTrue(lines[14].startswith("pid "))
        self.assertEqual(lines[15:], [
            "FindClass java/lang/System",
            "GetStaticMethodID java/lang/System setProperty (Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;",
            f"setProperty vorbix.moduleName={exe}",
            "FindClass com/vorbix/runtime/WinLauncher",
            "GetStaticMethodID com/vorbix/runtime/WinLauncher main ([Ljava/lang/String;)V",
            "FindClass java/lang/String",
            "NewObjectArray 10 java/lang/String",
            "main 10", "arg 0 false", "arg 1 com.example.Main", "arg 2 ", "arg 3 ", "arg 4 false",
            f"arg 5 {exe}", "arg 6 --conf", "arg 7 a b", "arg 8 svc", "arg 9 x",
            "DestroyJavaVM"])

    def test_stack_sizes(self):
        cases = [("-Xss512k", 524288), ("-Xss1k", 65536), ("-Xss1m -Xss2m", 2097152), ("-Xss4g", 0),
                 ("-Xss12kb", 0), ("-Xss", 0), ("-Xss4m", 4194304), ("", 0)]
        for options, size in cases:
            with self.subTest(options=options):
                l = lb.Launch()
                r = l.run({"vmOptions": options})
                self.assertEqual(r.code, 0, r)
                self.assertIn(f"used stack size {size}\n", l.log())
                reserved = int(next(x for x in l.lines if x.startswith("stack ")).split()[1])
                self.assertGreaterEqual(reserved, max(size, 1048576))

    def test_manpath_hides_the_code_page(self):
        l = lb.Launch()
        r = l.run(env={"MANPATH": "x"})
        self.assertEqual(r.code, 0, r)
        self.assertFalse(any(o.startswith("-Dvorbix.consoleCodepage") for o in l.options()))
        self.assertEqual(l.launcher_options(), [l.class_path(), NO_REDIRECT])

    def test_program_parameters_and_launcher_parameters(self):
        config = {"jArgumentsAreVmOptions": True, "executableType": 1, "mainClass": "com.example.Main",
                  "useStderrPath": True, "stderrPath": "logs\\err.txt", "useStdoutPath": True, "stdoutPath": "$OUT",
                  "appendRedirection": True, "programArguments": "cfg"}
        args = ["svc", "-J-Xmx1g", LOCALE_TRUE, "x"]
        for mode in ("run", "worker"):
            with self.subTest(mode=mode):
                l = lb.Launch()
                r = l.run(config, args=args, mode=mode)
                self.assertEqual(r.code, 0, r)
                # The first launch argument, the configured ones, then the rest
                # without "-J" and locale-format arguments.
                program = [l.program(), "cfg", "svc"] if mode == "run" else ["svc", "cfg"]
                self.assertEqual(l.arguments(), ["true", "com.example.Main",
                                                 wb.windows_path(l.dir / "logs" / "err.txt"), "$OUT", "true",
                                                 *program, "x"])
                last = NO_REDIRECT if mode == "run" else "-Xrs"
                self.assertEqual(l.launcher_options(), [LOCALE_TRUE, "-Xmx1g", l.class_path(), last])

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
        r = l.run({"messages": {"1010": "No launcher class"}})
        self.assertEqual(r.code, 1, r)
        self.assertIn("No launcher class", r.stdout + r.stderr)
        self.assertIn("FindClass com/vorbix/runtime/WinLauncher missing", l.lines)
        l = lb.Launch(control=["missmethod main"])
        r = l.run({"messages": {"1011": "No main method"}})
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
        # 8-bit texts reach Java whole; as NewStringUTF input they were not
        # modified UTF-8 (the recording VM ends such a launch with 98).
        l = lb.Launch()
        config = {"passSplashConfig": True, "splashFlag": True, "splashText1": "Café © 2024", "splashText2": "s2",
                  "splashText3": "Grüße ½", "splashText4": ""}
        config.update({f"splashInt{n}": n for n in range(1, 9)})
        r = l.run(config)
        self.assertEqual(r.code, 0, r)
        self.assertIn("splash 1 1 [Café © 2024] 1 2 [s2] 3 4 [Grüße ½] 5 6 [] 7 8", l.lines)

    def test_exceptions_from_lookups_and_calls_are_logged_and_cleared(self):
        # The recording VM, like JNI, leaves an exception pending after a
        # failed lookup, and ends a launch that calls on with one pending.
        installer = {"launcherFlavour": "i", "applicationDirectory": "inst"}
        splash = {"passSplashConfig": True}
        cases = [
            # The installer flavour's launcher class is another one.
            ({"launcherFlavour": "i", **splash}, "missclass com/vorbix/runtime/WinLauncher",
             "could not find main class for splash properties",
             "java.lang.NoClassDefFoundError: com/vorbix/runtime/WinLauncher"),
            (splash, "missmethod initAwtSplashConfig", "could not find method for splash properties",
             "java.lang.NoSuchMethodError: initAwtSplashConfig"),
            (splash, "throwin initAwtSplashConfig java.lang.IllegalArgumentException: bad splash", None,
             "java.lang.IllegalArgumentException: bad splash"),
            (installer, "missclass com/tessaly/runtime/installer/platform/win32/Common",
             "did not find com/tessaly/runtime/installer/platform/win32/Common",
             "java.lang.NoClassDefFoundError: com/tessaly/runtime/installer/platform/win32/Common"),
            (installer, "missmethod initFromLauncher", "did not find initMethod",
             "java.lang.NoSuchMethodError: initFromLauncher"),
            (installer, "throwin initFromLauncher java.lang.IllegalStateException: no init", None,
             "java.lang.IllegalStateException: no init"),
            ({}, "throwin setProperty java.lang.SecurityException: denied", None, "java.lang.SecurityException: denied"),
        ]
        for config, control, message, thrown in cases:
            with self.subTest(control=control):
                l = lb.Launch(control=[control])
                if config is installer:
                    helper_dir = l.dir / "inst" / ".tessaly"
                    helper_dir.mkdir(parents=True)
                    shutil.copy(lb.RECORDING / "jvm.dll", helper_dir / "tsyinst.dll")
                r = l.run(config)
                self.assertEqual(r.code, 0, f"{r}\n{l.lines}")
                self.assertFalse([x for x in l.lines if x.startswith("pending ")], l.lines)
                self.assertEqual(l.lines[-1], "DestroyJavaVM")
                log = l.log()
                expected = ([f"ERROR: {message}\n"] if message else []) + [
                    "ERROR: an exception occurred\n", f"ERROR: {thrown}\n", "calling main"]
                at = 0
                for text in expected:
                    found = log.find(text, at)
                    self.assertGreaterEqual(found, 0, f"{text!r} (in order) in\n{log}")
                    at = found + len(text)

    def test_installer_flavour(self):
        l = lb.Launch()
        helper_dir = l.dir / "inst" / ".tessaly"
        helper_dir.mkdir(parents=True)
        shutil.copy(lb.RECORDING / "jvm.dll", helper_dir / "tsyinst.dll")
        config = {"launcherFlavour": "i", "applicationDirectory": "inst"}
        r = l.run(config)
        self.assertEqual(r.code, 0, r)
        inst = wb.windows_path(l.dir / "inst")
        self.assertIn("-Dvorbix.isTessaly=true", l.options())
        self.assertEqual(l.launcher_options(), [f"-Djava.class.path={inst}\\.tessaly\\tsyruntime.jar", NO_REDIRECT])
        calls = [x for x in l.lines if x.startswith(("FindClass", "initFromLauncher"))]
        self.assertEqual(calls[:2], ["FindClass com/tessaly/runtime/installer/platform/win32/Common",
                                     "initFromLauncher 1"])
        self.assertIn("FindClass com/tessaly/runtime/launcher/WinLauncher", calls)
        helper = (helper_dir / "jvm.record").read_text().splitlines()
        self.assertEqual(helper, ["registerNativesEx env=1 module=1 all=1 reporter=1"])

        (helper_dir / "jvm.control").write_text("registerfail\n")
        (l.home / "bin" / "server" / "jvm.record").unlink()
        r = l.run(config, name="app2.exe")
        self.assertEqual(r.code, 0, r)
        self.assertEqual([x for x in l.lines if x.startswith("initFromLauncher")],
                         ["initFromLauncher 1", "initFromLauncher 0"])
        self.assertIn("ERROR: registering helper dll failed", l.log())


class LongValues(unittest.TestCase):
    def test_values_longer_than_their_buffers_are_cut(self):
        l = lb.Launch()
        # Wine puts WINEPATH into the Windows PATH, behind the VM bin directory.
        entries = [f"C:\\p{i:05d}" for i in range(1500)]
        long_value = "C:\\" + "a" * 7000
        r = l.run({"classPath": [{"type": "E", "value": "LONG_CP"}]},
                  env={"WINEPATH": ";".join(entries), "LONG_CP": long_value})
        self.assertEqual(r.code, 0, r)
        # The environment value is cut to its 6000-character buffer.
        self.assertEqual(l.launcher_options(), [l.class_path(long_value[:5999]), NO_REDIRECT])
        # PATH is cut behind the last entry that fits the 12000-byte buffer.
        path = l.property("java.library.path").split(";")
        self.assertEqual(path[0].lower(), wb.windows_path(l.home / "bin").lower())
        kept = path[1:]
        self.assertEqual(kept, entries[:len(kept)])
        self.assertLess(len(";".join(path)), 12000)
        self.assertGreaterEqual(len(";".join(path + [entries[len(kept)]])), 12000)
        log = l.log()
        self.assertRegex(log, r"ERROR: PATH too long for java.library.path \(\d+\), cut to \d+ characters")
        self.assertIn("ERROR: value of LONG_CP too long (7003), cut to 5999 characters", log)

if __name__ == "__main__":
    unittest.main()

"""The run path end to end through the real launcher: "/run", the worker's
command line, and the application hosted by the installed service."""
import re
import subprocess
import unittest
import uuid

import launchbed as lb
import winebed as wb


def block(service, extra=None):
    base = {101: service, 2001: "e", 122: "com.example.App", 128: "Rrt"}
    base.update(extra or {})
    return wb.raw_block(base=list(base.items()))


class RunInProcess(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("runpath")
        self.home = lb.make_runtime(self.dir, version="1.8.0_301")
        self.service = wb.unique("vbxrun")

    def launch(self, *args):
        exe = wb.raw_launcher(self.dir, block(self.service), name="app.exe")
        return exe, wb.run(exe, *args, timeout=90)

    def test_run_finds_the_runtime_and_calls_main(self):
        exe, r = self.launch("/run", "x", "y z")
        self.assertEqual(r.code, 0, r)
        lines = lb.records(self.home)
        opts = lb.options(lines)
        self.assertIn("-Dtessaly.noRedir=true", opts)
        self.assertNotIn("-Xrs", opts)
        self.assertNotIn("-Dvorbix.isService=true", opts)
        args = lb.main_arguments(lines)
        # The five launcher parameters, the program as invoked, then the rest.
        self.assertEqual(args[:2], ["false", "com.example.App"])
        self.assertEqual(len(args), 8, args)
        self.assertTrue(args[5].lower().endswith("app.exe"), args)
        self.assertEqual(args[6:], ["x", "y z"])

    def test_run_redirect_keeps_redirection(self):
        exe, r = self.launch("/run-redirect")
        self.assertEqual(r.code, 0, r)
        self.assertNotIn("-Dtessaly.noRedir=true", lb.options(lb.records(self.home)))

    def test_worker_marker_runs_in_service_mode_whatever_comes_before(self):
        exe, r = self.launch("/install", "a", "__tsy_restart")
        self.assertEqual(r.code, 0, r)
        lines = lb.records(self.home)
        opts = lb.options(lines)
        self.assertEqual(opts.count("-Xrs"), 1, opts)
        self.assertIn("-Dvorbix.isService=true", opts)
        # "/install" did not install anything: no service of that name.
        self.assertIsNone(wb.reg_query(rf"HKLM\System\CurrentControlSet\Services\{self.service}"))

    def test_only_the_worker_registers_the_console_handler(self):
        for name, args, expected in (("w.exe", ("__tsy_restart",), True), ("r.exe", ("/run",), False)):
            with self.subTest(args=args):
                exe = wb.raw_launcher(self.dir, block(self.service), name=name)
                r = wb.run(exe, *args, env={"VORBIX_LOG": "yes"}, timeout=90)
                self.assertEqual(r.code, 0, r)
                logs = wb.logs_of(exe)
                self.assertEqual(len(logs), 1)
                self.assertIn("calling main", logs[0])
                self.assertEqual("registering ConsoleCtrlHandler" in logs[0], expected)

    def test_failing_main_ends_with_1(self):
        (self.home / "bin" / "server" / "jvm.control").write_text("throw java.lang.IllegalStateException: boom\n")
        exe, r = self.launch("/run")
        self.assertEqual(r.code, 1, r)
        self.assertNotIn("destroy", "\n".join(lb.records(self.home)).lower())

    def test_working_directory_and_java_option_variables_as_the_vm_sees_them(self):
        (self.dir / "work").mkdir()
        (self.home / "bin" / "server" / "jvm.control").write_text("env _JAVA_OPTIONS\nenv JAVA_TOOL_OPTIONS\n")
        env = {"_JAVA_OPTIONS": "-Da=1", "JAVA_TOOL_OPTIONS": "-Db=2"}
        exe = wb.raw_launcher(self.dir, block(self.service, {146: "%VORBIX_EXEDIR%Work", 10012: "1"}),
                              name="wd.exe")
        r = wb.run(exe, "/run", env=env, timeout=90)
        self.assertEqual(r.code, 0, r)
        lines = lb.records(self.home)
        self.assertIn("cwd " + wb.windows_path(self.dir) + "\\Work", lines)
        self.assertIn("env _JAVA_OPTIONS <unset>", lines)
        self.assertIn("env JAVA_TOOL_OPTIONS <unset>", lines)

        (self.home / "bin" / "server" / "jvm.record").unlink()
        exe = wb.raw_launcher(self.dir, block(self.service), name="keep.exe")
        r = wb.run(exe, "/run", env=env, timeout=90)
        self.assertEqual(r.code, 0, r)
        lines = lb.records(self.home)
        self.assertIn("env _JAVA_OPTIONS=-Da=1", lines)
        self.assertIn("env JAVA_TOOL_OPTIONS=-Db=2", lines)

    def test_no_runtime_found_reports_message_1016(self):
        exe = wb.raw_launcher(self.dir, wb.raw_block(
            base=[(101, self.service), (2001, "e"), (128, "Rmissing")],
            wide=[(1016, "No Java found ({0})")]), name="nojava.exe")
        r = wb.run(exe, "/run", remove_env=("VORBIX_JAVA_HOME", "TESSALY_JAVA_HOME"), timeout=90)
        self.assertEqual(r.code, 1, r)
        self.assertIn(f"No Java found ({wb.ARCH.bits})", r.stderr, r)


class HostedService(unittest.TestCase):
    """install, start, status, stop, status, uninstall with the application
    running in the worker until the stop line ends its input."""

    def setUp(self):
        self.dir = wb.app_dir("hosted")
        self.home = lb.make_runtime(self.dir, version="1.8.0_301", control=["readstdin"])
        self.service = wb.unique("vbxhost")
        config = {"serviceName": self.service, "launcherFlavour": "e", "mainClass": "com.example.App",
                  "jvmSearchSequence": [{"type": "R", "value": "rt"}]}
        self.exe = wb.pack(config, self.dir, name=self.service + ".exe")

    def tearDown(self):
        wb.run(self.exe, "/stop", timeout=90)
        wb.run(self.exe, "/uninstall", timeout=90)

    def admin(self, *args):
        for _ in range(5):  # Wine refuses a second concurrent start with 1055
            r = wb.run(self.exe, *args, timeout=120)
            if "1055" not in r.stdout:
                return r
        return r

    def test_round_trip(self):
        self.assertEqual(self.admin("/install").stdout.splitlines()[-1], f"Installed service '{self.service}'.")
        r = self.admin("/start")
        self.assertEqual((r.code, r.stdout), (0, f"Starting service '{self.service}'.\n"), r)
        main_ran = wb.wait_until(lambda: any(l.startswith("main ") for l in lb.records(self.home)), timeout=60)
        self.assertTrue(main_ran, lb.records(self.home))
        r = self.admin("/status")
        self.assertEqual((r.code, r.stdout), (0, "Running.\n"), r)
        r = self.admin("/stop")
        self.assertEqual(r.code, 0, r)
        self.assertEqual(r.stdout, f"Stopping service '{self.service}'.\nService stopped\n", r)
        lines = lb.records(self.home)
        self.assertIn("stdin 0", lines)
        self.assertIn("stdin end", lines)
        self.assertIn("-Xrs", lb.options(lines))
        r = self.admin("/status")
        self.assertEqual((r.code, r.stdout), (3, "Not running.\n"), r)
        r = self.admin("/uninstall")
        self.assertEqual((r.code, r.stdout.splitlines()[-1]), (0, f"Uninstalled service '{self.service}'."), r)

    def test_start_arguments_reach_main_and_an_ending_main_stops_the_service(self):
        self.admin("/install")
        (self.home / "bin" / "server" / "jvm.control").write_text("exit 0\n")
        r = self.admin("/start", self.service, "a", "b c")
        self.assertEqual(r.code, 0, r)
        ended = wb.wait_until(lambda: "exit 0" in lb.records(self.home), timeout=60)
        self.assertTrue(ended, lb.records(self.home))
        args = lb.main_arguments(lb.records(self.home))
        # Program parameters: the service name first, then the start arguments.
        self.assertEqual(args[5:], [self.service, "a", "b c"], args)
        stopped = wb.wait_until(lambda: self.admin("/status").code == 3, timeout=30)
        self.assertTrue(stopped, "a worker ending with 0 must leave the service stopped")

    def test_main_ending_the_process_with_another_code_ends_the_service_process(self):
        self.admin("/install")
        (self.home / "bin" / "server" / "jvm.control").write_text("exit 3\n")
        self.assertEqual(self.admin("/start").code, 0)
        self.assertTrue(wb.wait_until(lambda: "exit 3" in lb.records(self.home), timeout=60), lb.records(self.home))
        # Wine keeps the last reported state of a service that ended without
        # reporting; what must hold is that no process of it is left.
        gone = wb.wait_until(lambda: subprocess.run(["pgrep", "-f", self.exe.name],
                                                    capture_output=True).returncode != 0, timeout=30)
        self.assertTrue(gone, "the service process must end with its worker")


class SystemLibraries(unittest.TestCase):
    """The 64-bit launcher imports advapi32 on first use and takes the
    functions kernelbase has as well from there: a run, cold (the version
    check writes the cache) or warm (it reads it), with the launcher temp
    directory and its access list, never loads it; a service verb does."""

    def test_only_service_verbs_load_advapi32(self):
        if wb.ARCH is not wb.X64:
            self.skipTest("the 32-bit launcher imports advapi32 at start")
        directory = wb.app_dir("syslibs")
        home = lb.make_runtime(directory, version="1.8.0_301")
        exe = wb.pack({"serviceName": wb.unique("vbxlibs"), "launcherFlavour": "e", "mainClass": "com.example.App",
                       "jvmSearchSequence": [{"type": "R", "value": "rt"}]}, directory)
        for args, loads in ((("/run",), False), (("/run",), False), (("/status",), True)):
            with self.subTest(args=args, loads=loads):
                r = wb.run(exe, *args, env={"WINEDEBUG": "+loaddll"}, timeout=90)
                loaded = [line for line in r.stderr.splitlines() if "Loaded L" in line]
                self.assertTrue(any("kernel32.dll" in line.lower() for line in loaded), r.stderr[-2000:])
                self.assertEqual(any("advapi32.dll" in line.lower() for line in loaded), loads, loaded)
                if args == ("/run",):
                    self.assertEqual(r.code, 0, r)
                    temp = [o for o in lb.options(lb.records(home)) if o.startswith("-Dvorbix.tempDir=")]
                    self.assertEqual(len(temp), 1, temp)
                    self.assertGreater(len(temp[0]), len("-Dvorbix.tempDir="), temp)
                    (home / "bin" / "server" / "jvm.record").unlink()


class EndedLaunchersExtractions(unittest.TestCase):
    """A run that extracted files removes, once its main runs, the launcher
    temp directories of launchers that ended (their lock is free) with the
    files that named them, and leaves alone what it cannot know to be ours.
    The temp root is the local application data one, which no other test's
    launcher uses."""

    def test_runs_remove_the_extractions_of_ended_launchers_once_main_runs(self):
        directory = wb.app_dir("ended")
        lb.make_runtime(directory, version="1.8.0_301")
        exe = wb.pack({"serviceName": wb.unique("vbxended"), "launcherFlavour": "e", "tempInLocalAppData": True,
                       "mainClass": "com.example.App", "jvmSearchSequence": [{"type": "R", "value": "rt"}]},
                      directory)
        root = wb.drive_c() / "users" / wb.user_name() / "AppData" / "Local" / "tessaly" / "t"
        root.mkdir(parents=True, exist_ok=True)
        stem = "vbx%04X" % (uuid.uuid4().int & 0xFFFF)
        ended = root / f"{stem}.tmp_dir1"
        (ended / "sub").mkdir(parents=True)
        (ended / "sub" / "app.jar").write_bytes(b"jar")
        (ended / "vbx.lock").write_bytes(b"")
        (root / f"{stem}.tmp").write_bytes(b"")
        unlocked = root / f"{stem}.tmp_dir2"
        unlocked.mkdir()

        own = []
        for run in range(2):
            r = wb.run(exe, "/run", env={"VORBIX_LOG": "yes"}, timeout=90)
            self.assertEqual(r.code, 0, r)
            log = wb.logs_of(exe, root)[-1]
            own.append(re.search(r"Temp dir3: (.*)", log).group(1))
            removed = re.findall(r"removed left-over launcher temp directory (.*)", log)
            # Off the way to main: only once main was called.
            self.assertLess(log.index("calling main"), log.index("removed left-over"), log)
            # The first run removes the ended one, the second the first run's own.
            expected = wb.windows_path(ended) if run == 0 else own[0]
            self.assertIn(expected.lower(), [d.strip().lower() for d in removed], log)
        self.assertFalse(ended.exists())
        self.assertFalse((root / f"{stem}.tmp").exists())
        self.assertFalse(wb.unix_path(own[0]).exists())
        self.assertTrue(wb.unix_path(own[1]).is_dir())  # a normal end leaves its own for the next run
        self.assertTrue(unlocked.is_dir())
        unlocked.rmdir()


if __name__ == "__main__":
    unittest.main()

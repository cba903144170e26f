"""Service administration verbs against Wine's service control manager:
console texts, exit codes and what the manager stores."""
import unittest

import winebed as wb

SERVICE_RUNNING, SERVICE_STOPPED = 4, 1


class AdministrationVerbs(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("admin")
        self.names = []

    def tearDown(self):
        for name in self.names:
            wb.remove_service(name)

    def launcher(self, base=(), wide=(), name="app.exe"):
        service = wb.unique("vbxsvc")
        self.names.append(service)
        block = wb.raw_block(base=[(101, service), *base], wide=list(wide))
        return wb.raw_launcher(self.dir, block, name=name), service

    def other_name(self):
        name = wb.unique("vbxother")
        self.names.append(name)
        return name

    def test_install_records_path_start_type_dependencies_and_description(self):
        exe, service = self.launcher(base=[(149, "a,,b"), (107, "4")], wide=[(20017, "Runs the app")])
        r = wb.run(exe, "/install")
        self.assertEqual(r.code, 0, r)
        self.assertEqual(r.stdout, f"Installed service '{service}'.\n", r)
        config = wb.service_config(service)
        self.assertEqual(config["binpath"], '"' + wb.windows_path(exe) + '"')
        self.assertEqual(config["starttype"], "2")  # executable type 4: auto-start
        self.assertEqual(config["type"], "16")      # own process
        self.assertEqual(config["display"], service)
        self.assertEqual(config["account"], "LocalSystem")
        self.assertEqual(config["description"], "Runs the app")
        # Wine reports no dependencies through the query; the stored list is what counts.
        deps = wb.reg_query(f"{wb.SERVICES_KEY}\\{service}", "DependOnService")
        self.assertEqual(deps, "a\\0b")

    def test_install_variants_choose_the_start_type(self):
        cases = [("/install", "0", "3"), ("/install-auto", "0", "2"), ("/install-demand", "4", "3")]
        for verb, executable_type, start_type in cases:
            with self.subTest(verb):
                exe, service = self.launcher(base=[(107, executable_type)], name=f"{verb[1:]}.exe")
                r = wb.run(exe, verb)
                self.assertEqual((r.code, r.stdout), (0, f"Installed service '{service}'.\n"), r)
                config = wb.service_config(service)
                self.assertEqual(config["starttype"], start_type)
                self.assertEqual(config.get("description", ""), "")
                self.assertIsNone(wb.reg_query(f"{wb.SERVICES_KEY}\\{service}", "DependOnService"))

    def test_install_over_existing_stopped_service(self):
        exe, service = self.launcher()
        self.assertEqual(wb.run(exe, "/install").code, 0)
        r = wb.run(exe, "/install")
        self.assertEqual(r.code, 0, r)
        self.assertEqual(r.stdout, f"Service is already stopped.\nInstalled service '{service}'.\n", r)

    def test_argument_after_the_verb_names_the_service(self):
        exe, _ = self.launcher()
        other = self.other_name()
        r = wb.run(exe, "/install", other)
        self.assertEqual((r.code, r.stdout), (0, f"Installed service '{other}'.\n"), r)
        self.assertEqual(wb.service_config(other)["display"], other)
        r = wb.run(exe, "/uninstall", other)
        self.assertEqual((r.code, r.stdout), (0, f"Service is already stopped.\nUninstalled service '{other}'.\n"), r)
        self.assertIsNone(wb.service_config(other))

    def test_verbs_on_a_missing_service(self):
        exe, service = self.launcher()
        cases = [
            ("/status", 1, "Could not get status.\n"),
            ("/stop", 1, "Could not stop service.\n"),
            ("/uninstall", 1, "Could not delete service.\n"),
            ("/start", 1, "Could not start service. Error code: 1060\n"),
            ("/restart", 1, "Could not start service. Error code: 1060\n"),
        ]
        for verb, code, text in cases:
            with self.subTest(verb):
                r = wb.run(exe, verb)
                self.assertEqual((r.code, r.stdout), (code, text), r)

    def test_stopped_demand_service_status_and_double_dash(self):
        exe, service = self.launcher()
        wb.run(exe, "/install")
        for verb in ("/status", "--status", "-status"):
            with self.subTest(verb):
                r = wb.run(exe, verb)
                self.assertEqual((r.code, r.stdout), (3, "Not running.\n"), r)
        r = wb.run(exe, "/stop")
        self.assertEqual((r.code, r.stdout), (0, "Service is already stopped.\n"), r)

    def test_running_auto_start_service_lifecycle(self):
        exe, service = self.launcher(base=[(107, "4")])
        # The worker stays alive until its input ends, so the service keeps running.
        self.use_standin(exe, "stdin 0")
        self.assertEqual(wb.run(exe, "/install").code, 0)
        self.point_at_standin(exe, service)
        r = wb.run_start(exe, "/start")
        self.assertEqual((r.code, r.stdout), (0, f"Starting service '{service}'.\n"), r)
        status = wb.wait_for_state(service, SERVICE_RUNNING)
        self.assertEqual(status["state"], SERVICE_RUNNING)

        r = wb.run(exe, "/status")
        self.assertEqual((r.code, r.stdout), (0, "Running.\nAuto-start.\n"), r)
        r = wb.run_start(exe, "/start")
        self.assertEqual((r.code, r.stdout), (0, "Service is already running.\n"), r)

        r = wb.run(exe, "/stop")
        self.assertEqual((r.code, r.stdout), (0, f"Stopping service '{service}'.\nService stopped\n"), r)
        self.assertEqual(wb.service_status(service)["state"], SERVICE_STOPPED)

        # restart: the quiet stop of a stopped service still says so, then starts.
        r = wb.run_start(exe, "/restart")
        self.assertEqual((r.code, r.stdout),
                         (0, f"Service is already stopped.\nStarting service '{service}'.\n"), r)
        wb.wait_for_state(service, SERVICE_RUNNING)
        r = wb.run_start(exe, "/restart")
        self.assertEqual((r.code, r.stdout),
                         (0, f"Stopping service '{service}'.\nService stopped\nStarting service '{service}'.\n"), r)
        wb.wait_for_state(service, SERVICE_RUNNING)

        r = wb.run(exe, "/uninstall")
        self.assertEqual((r.code, r.stdout),
                         (0, f"Stopping service '{service}'.\nService stopped\nUninstalled service '{service}'.\n"), r)
        self.assertTrue(wb.wait_until(lambda: wb.service_config(service) is None, timeout=10))

    def test_install_and_start(self):
        exe, service = self.launcher()
        r = wb.run_start(exe, "/install-and-start")
        self.assertEqual(r.stdout.splitlines()[:2], [f"Installed service '{service}'.", f"Starting service '{service}'."], r)
        self.assertEqual(r.code, 0, r)
        self.assertEqual(wb.service_config(service)["starttype"], "3")

    def use_standin(self, exe, mode):
        (self.dir / "worker_mode.txt").write_text(mode)
        (self.dir / (exe.name + "_w")).write_bytes(wb.STANDIN_WORKER.read_bytes())

    def point_at_standin(self, exe, service):
        # Text glued to the closing quote becomes part of the first argument,
        # so the service process starts "<exe>_w" as its worker.
        self.assertNotIn("error", wb.scm_probe("binpath", service, f'"{wb.windows_path(exe)}"_w'))


class UsageAndRunPath(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("usage")

    def test_usage_names_the_executable_without_directory_and_extension(self):
        exe = wb.raw_launcher(self.dir, wb.raw_block(base=[(101, "x")]), name="my.tool.exe")
        for verb in ("/?", "-help", "--?"):
            with self.subTest(verb):
                r = wb.run(exe, verb)
                self.assertEqual(r.code, 0, r)
                self.assertEqual(r.stdout, "Usage: my.tool.exe /install | /uninstall | /stop | /start | /status"
                                           " | /run | /run-redirect\n", r)

    def test_restart_marker_last_takes_the_run_path(self):
        service = wb.unique("vbxmarker")
        exe = wb.raw_launcher(self.dir, wb.raw_block(base=[(101, service)]))
        for args in (["__tsy_restart"], ["/install", "__tsy_restart"], ["/status", service, "x", "__tsy_restart"]):
            with self.subTest(args=args):
                r = wb.run(exe, *args, timeout=20)
                # The run path fails without a Java runtime: exit 1, no administration text.
                self.assertEqual(r.code, 1, r)
                self.assertNotIn("Installed", r.stdout)
                self.assertNotIn("Could not get status", r.stdout)
        self.assertIsNone(wb.service_config(service))
        # Not last: an ordinary argument.
        r = wb.run(exe, "/status", "__tsy_restart", "x")
        self.assertEqual((r.code, r.stdout), (1, "Could not get status.\n"), r)

    def test_run_verbs_take_the_run_path(self):
        exe = wb.raw_launcher(self.dir, wb.raw_block(base=[(101, "x")]))
        for verb in ("/run", "/run-redirect"):
            with self.subTest(verb):
                r = wb.run(exe, verb, timeout=20)
                self.assertEqual(r.code, 1, r)
                self.assertEqual(r.stdout, "", r)


if __name__ == "__main__":
    unittest.main()

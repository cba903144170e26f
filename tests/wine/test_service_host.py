"""The service process under Wine's service control manager, with a stand-in
worker: the service is pointed at "<exe>"_w, so the first argument of its own
command line, and with it the worker it starts, is "<exe>_w"."""
import time
import unittest

import winebed as wb

SERVICE_STOPPED, SERVICE_RUNNING = 1, 4


class ServiceHost(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("host dir")  # a blank in the directory: the worker path gets quoted
        self.names = []
        self.priority_values = []

    def tearDown(self):
        for name in self.names:
            wb.remove_service(name)
        for name in self.priority_values:
            wb.reg_delete(wb.PRIORITY_KEY, name)

    def service(self, mode, name=None, own_arguments=""):
        name = name or wb.unique("vbxhost")
        self.names.append(name)
        exe = wb.raw_launcher(self.dir, wb.raw_block(base=[(101, name)]), name=wb.unique("h") + ".exe")
        (self.dir / "worker_mode.txt").write_text(mode)
        (self.dir / (exe.name + "_w")).write_bytes(wb.STANDIN_WORKER.read_bytes())
        r = wb.run(exe, "/install")
        self.assertEqual(r.code, 0, r)
        binpath = f'"{wb.windows_path(exe)}"_w' + (" " + own_arguments if own_arguments else "")
        self.assertNotIn("error", wb.scm_probe("binpath", name, binpath))
        return exe, name

    def report(self, wait_for):
        path = self.dir / "worker_report.txt"
        wb.wait_until(lambda: path.exists() and wait_for in path.read_text(), timeout=30)
        lines = path.read_text().splitlines() if path.exists() else []
        return dict(line.partition("=")[::2] for line in lines if "=" in line), lines

    def service_process_ends(self, pid):
        result = wb.scm_probe("waitpid", str(pid), "20000")
        return result.get("ended") == "1" or result.get("error", "").startswith("openprocess")

    def test_worker_command_line_and_stop_request(self):
        exe, name = self.service("stdin 7", name=wb.unique("vbx host "), own_arguments="own1")
        r = wb.run_start(exe, "/start", name, "a", "b c")
        self.assertEqual(r.code, 0, r)
        values, _ = self.report("priority=")
        worker = wb.windows_path(exe) + "_w"
        self.assertEqual(values["cmdline"], f'"{worker}" "{name}" own1 a "b c" __tsy_restart')
        self.assertEqual(values["priority"], "0x20")  # no value in the priority key: normal
        status = wb.service_status(name)
        # (Wine reports the configured service type, not the one in the status.)
        self.assertEqual((status["state"], status["controls"], status["waithint"]), (SERVICE_RUNNING, 5, 50000))
        pid = status["pid"]

        r = wb.run(exe, "/stop", name)
        self.assertEqual((r.code, r.stdout), (0, f"Stopping service '{name}'.\nService stopped\n"), r)
        _, lines = self.report("exit=")
        # Exactly the bytes "0" and line feed, then the end of the input.
        self.assertEqual([l for l in lines if l.startswith("stdin=") or l == "eof"], ["stdin=300a", "eof"])
        status = wb.service_status(name)
        self.assertEqual(status["state"], SERVICE_STOPPED)
        self.assertEqual(status["win32"], 0)
        self.assertTrue(self.service_process_ends(pid))

    def test_worker_ending_with_0_stops_the_service(self):
        exe, name = self.service("exit 0")
        self.assertEqual(wb.run_start(exe, "/start").code, 0)
        self.report("exit=0")
        status = wb.wait_for_state(name, SERVICE_STOPPED)
        self.assertEqual((status["state"], status["win32"]), (SERVICE_STOPPED, 0))
        self.assertEqual(wb.run(exe, "/status").stdout, "Not running.\n")

    def test_worker_failing_leaves_the_last_state_and_ends_the_service_process(self):
        exe, name = self.service("exit 3")
        self.assertEqual(wb.run_start(exe, "/start").code, 0)
        pid = wb.wait_for_state(name, SERVICE_RUNNING)["pid"]
        self.report("exit=3")
        self.assertTrue(self.service_process_ends(pid))
        time.sleep(0.5)
        # No stop was requested: nothing more is reported (Wine keeps "running").
        self.assertEqual(wb.service_status(name)["state"], SERVICE_RUNNING)

    def test_priority_key_sets_the_worker_class(self):
        for value, expected in (("16384", "0x4000"), ("16385", "0x4000")):
            with self.subTest(value=value):
                exe, name = self.service("exit 0")
                (self.dir / "worker_report.txt").unlink(missing_ok=True)
                self.priority_values.append(name)
                # 16385 also carries a debug flag, which must not reach the worker start.
                wb.reg_add(wb.PRIORITY_KEY, name, value, kind="REG_DWORD")
                self.assertEqual(wb.run_start(exe, "/start").code, 0)
                values, _ = self.report("exit=")
                self.assertEqual(values["priority"], expected)
                wb.wait_for_state(name, SERVICE_STOPPED)

    def test_priority_value_of_wrong_size_is_ignored(self):
        exe, name = self.service("exit 0")
        self.priority_values.append(name)
        wb.reg_add(wb.PRIORITY_KEY, name, "4000", kind="REG_SZ")
        self.assertEqual(wb.run_start(exe, "/start").code, 0)
        values, _ = self.report("exit=")
        self.assertEqual(values["priority"], "0x20")


if __name__ == "__main__":
    unittest.main()

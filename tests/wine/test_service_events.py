"""A worker's fatal errors reach the Application event log under the
service's name, in service mode only. Wine's event log cannot be read back;
it prints every entry on its eventlog debug channel, and the run's session
(which starts the services) writes that to winebed.SESSION_LOG. Runs the
test starts itself print it on their own standard error."""
import unittest

import launchbed as lb
import winebed as wb

MESSAGES = [(1016, "No Java found ({0})"), (1010, "Launcher class missing")]


class WorkerErrorsInTheEventLog(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("events")
        self.name = wb.unique("vbx event ")  # a blank: the source is the whole name
        self.exe = None

    def tearDown(self):
        if self.exe:
            wb.run(self.exe, "/uninstall", timeout=90)

    def service(self, search="Rrt", control=None):
        self.home = lb.make_runtime(self.dir, version="1.8.0_301", control=control)
        block = wb.raw_block(base=[(101, self.name), (2001, "e"), (122, "com.example.App"), (128, search)],
                             wide=MESSAGES)
        self.exe = wb.raw_launcher(self.dir, block, name="svc.exe")
        self.assertEqual(wb.run(self.exe, "/install", timeout=90).code, 0)
        r = wb.run_start(self.exe, "/start", timeout=90)
        self.assertEqual(r.code, 0, r)

    def events_until_the_worker_ended(self):
        # The service host reports the worker's end last.
        ended = wb.wait_for_event(self.name, "without a stop request", timeout=60)
        self.assertIsNotNone(ended, wb.session_events())
        self.assertIn("exit code 1 ", ended.text)
        # The worker's own entries come before it (the lines after it are the
        # worker's last output).
        events = wb.session_events(self.name)
        return events[:events.index(ended)]

    def test_no_runtime_found(self):
        self.service(search="Rmissing")
        events = self.events_until_the_worker_ended()
        self.assertEqual([(e.kind, e.text) for e in events], [("err", f"No Java found ({wb.ARCH.bits})")])

    def test_missing_launcher_class(self):
        self.service(control=["missclass com/vorbix/runtime/WinLauncher"])
        events = self.events_until_the_worker_ended()
        self.assertEqual([(e.kind, e.text) for e in events], [("err", "Launcher class missing")])

    def test_exception_from_main(self):
        self.service(control=["throw java.lang.IllegalStateException: boom \u00e9"])
        events = self.events_until_the_worker_ended()
        self.assertEqual([(e.kind, e.text) for e in events],
                         [("err", "The Java application's main method ended with an exception: "
                                  "java.lang.IllegalStateException: boom \u00e9")])

    def test_vm_creation_failing_without_a_message(self):
        self.service(control=["fail -1"])
        events = self.events_until_the_worker_ended()
        self.assertEqual(len(events), 1, events)
        self.assertIn("could not be run", events[0].text)


class OnlyInServiceMode(unittest.TestCase):
    """The same failure run from the console reports nothing to the event log;
    a worker started by hand (the restart marker) does, under the name it
    was given."""

    def setUp(self):
        self.dir = wb.app_dir("events")
        block = wb.raw_block(base=[(101, "vbxconsole"), (2001, "e"), (128, "Rmissing")], wide=MESSAGES)
        self.exe = wb.raw_launcher(self.dir, block, name="console.exe")

    def run_with_events(self, *args):
        return wb.run(self.exe, *args, env={"WINEDEBUG": wb.EVENT_DEBUG},
                      remove_env=("VORBIX_JAVA_HOME", "TESSALY_JAVA_HOME"), timeout=90)

    def test_console_run_reports_nothing(self):
        for verb in ("/run", "/run-redirect"):
            with self.subTest(verb=verb):
                r = self.run_with_events(verb)
                self.assertEqual(r.code, 1, r)
                self.assertIn(f"No Java found ({wb.ARCH.bits})", r.stderr)
                self.assertEqual(wb.parse_events(r.stderr), [])

    def test_worker_reports_under_the_name_it_was_given(self):
        r = self.run_with_events("other name", "__tsy_restart")
        self.assertEqual(r.code, 1, r)
        events = wb.parse_events(r.stderr)
        self.assertEqual([(e.source, e.kind, e.text) for e in events], [("other name", "err", f"No Java found ({wb.ARCH.bits})")])
        # The text also stays on standard error, where it always went.
        self.assertIn(f"No Java found ({wb.ARCH.bits})\n", r.stderr)


if __name__ == "__main__":
    unittest.main()

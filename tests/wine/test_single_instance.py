"""The instance semaphore and single-instance mode, through runpath_driver
with raw configurations appended."""
import subprocess
import unittest

import winebed as wb

DRIVER = wb.FIXTURES / "runpath_driver.exe"
PID_KEY = r"HKCU\SOFTWARE\quindle\vorbix\pids"
WINE_USER_SID = "S-1-5-21-0-0-0-1000"


def fields(text):
    out = {}
    for line in text.splitlines():
        name, sep, value = line.partition("=")
        if sep:
            out[name] = value
    return out


class Instance:
    """A driver that takes its semaphore and holds it until released."""

    def __init__(self, exe, directory, env=None):
        self.release_file = directory / wb.unique("release")
        self.out_path = directory / wb.unique("out")
        self.out = open(self.out_path, "w")
        self.proc = wb.start(exe, "instance", "hold", wb.windows_path(self.release_file), stdout=self.out, env=env)

    def values(self, key="semaphore"):
        found = wb.wait_until(lambda: key in fields(self.out_path.read_text()), timeout=30)
        if not found:
            raise AssertionError(f"no {key} line: {self.out_path.read_text()!r}")
        return fields(self.out_path.read_text())

    def release(self):
        self.release_file.write_text("")
        try:
            return self.proc.wait(timeout=30)
        finally:
            self.out.close()

    def kill(self):
        if self.proc.poll() is None:
            self.release_file.write_text("")
            try:
                self.proc.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.proc.kill()
        self.out.close()


class SingleInstance(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("inst dir")
        self.instances = []

    def tearDown(self):
        for instance in self.instances:
            instance.kill()

    def driver(self, base=()):
        exe = wb.raw_launcher(self.dir, wb.raw_block(base=list(base)), name="My App.exe", stub=DRIVER)
        self.identity = wb.windows_path(exe).lower().replace("\\", "_").replace(" ", "_")
        self.canonical = wb.windows_path(exe).lower()
        return exe

    def hold(self, exe, env=None):
        instance = Instance(exe, self.dir, env)
        self.instances.append(instance)
        return instance

    def test_concurrent_instances_take_the_lowest_free_number(self):
        exe = self.driver([(200, "1")])
        base = "Local\\" + self.identity
        first, second, third = (self.hold(exe) for _ in range(3))
        # Started together they race; the set of numbers is what counts.
        names = sorted(i.values()["semaphore"] for i in (first, second, third))
        self.assertEqual(names, [base + "0", base + "1", base + "2"])
        owner_of_0 = next(i for i in (first, second, third) if i.values()["semaphore"] == base + "0")
        self.assertEqual(owner_of_0.release(), 0)
        fourth = self.hold(exe)
        self.assertEqual(fourth.values()["semaphore"], base + "0")

    def test_scope_prefixes(self):
        for base, prefix in (([(158, "1"), (200, "1")], "Global\\"), ([(200, "1")], "Local\\"),
                             ([], "Global\\" + WINE_USER_SID)):
            with self.subTest(prefix=prefix):
                exe = self.driver(base)
                r = wb.run(exe, "instance", env={"VORBIX_LOG": "yes"})
                self.assertEqual(r.code, 0, r)
                self.assertEqual(fields(r.stdout)["semaphore"], prefix + self.identity + "0")
                log = "".join(wb.logs_of(exe))
                self.assertEqual("user single instance\n" in log, prefix.startswith("Global\\S-"), log)

    def test_second_start_in_single_instance_mode_exits_0_naming_the_first(self):
        exe = self.driver([(10005, "1"), (10008, "1")])
        first = self.hold(exe)
        values = first.values()
        self.assertEqual(values["semaphore"], "Global\\" + WINE_USER_SID + self.identity)
        self.assertEqual(int(wb.reg_query(PID_KEY, self.canonical), 16), int(values["pid"]))
        # Enumerating windows starts Wine's desktop process, which inherits and
        # keeps open any pipe: output goes to a file instead.
        out_path = self.dir / "second.out"
        with open(out_path, "w") as out:
            code = wb.start(exe, "instance", stdout=out, env={"VORBIX_LOG": "yes"}).wait(timeout=60)
        self.assertEqual(code, 0)
        self.assertNotIn("semaphore=", out_path.read_text())
        log = "".join(wb.logs_of(exe))
        self.assertIn("single instance mode", log)
        self.assertIn("other pid %s\n" % values["pid"], log)
        self.assertIn("exiting", log)
        self.assertEqual(first.proc.poll(), None)
        self.assertEqual(first.release(), 0)

    def test_second_start_waits_for_a_registration_then_exits_0(self):
        exe = self.driver([(10005, "1")])
        first = self.hold(exe)
        first.values()
        self.assertTrue(wb.reg_delete(PID_KEY, self.canonical))
        r = wb.run(exe, "instance", "lookup", env={"VORBIX_LOG": "yes"}, timeout=60)
        self.assertEqual(r.code, 0, r)
        self.assertNotIn("lookup=", r.stdout)
        log = "".join(wb.logs_of(exe))
        self.assertIn("other pid 0\n", log)
        entries = [line for line in log.splitlines() if line.endswith("] other pid 0")]
        seconds = float(entries[0][1:].split("]")[0].replace(":", "."))
        self.assertGreaterEqual(seconds, 4.5, log)  # 50 retries, 100 ms apart
        self.assertNotIn("found window", log)


if __name__ == "__main__":
    unittest.main()

"""A service that runs for years, under Wine through the real launcher and the
recording VM, which writes to its native standard output and error: the
service output log holds those bytes as written and rotates keeping the
configured number of files, a worker's failure reaches the event log with its
last lines, and start/stop cycles of a service with embedded files leave no
launcher temp directory behind while a running launcher's survives."""
import re
import unittest

import launchbed as lb
import winebed as wb

SERVICE_STOPPED, SERVICE_RUNNING = 1, 4
LINE = "0123456789abcdefghij" * 3 + "01234567\\n"  # 69 bytes with its line end

# What the recording VM writes, in order, and the bytes that makes.
WRITES = [
    ("out", 1, "first line\\n"),
    ("err", 1, "an error line without an end, "),
    ("out", 1, "ended by the other stream\\n"),
    ("out", 1, "binary \\x00\\x01\\x7f\\x80\\xff\\xfe\\r\\n"),
    ("err", 3000, "L"),  # a line longer than the rotation size below
    ("err", 1, "\\n"),
    ("out", 200, LINE),
    ("out", 1, "the last whole line\\n"),
    # Short lines to end with: Wine shows only the first 300 or so
    # characters of an event, so the whole report must fit.
    ("out", 1, "".join(f"n{i:02}\\n" for i in range(1, 26))),
]
LAST = [f"n{i:02}" for i in range(6, 26)]  # the twenty kept of them


def expected_bytes(writes):
    def unescape(text):
        return re.sub(rb"\\(n|r|\\|x[0-9a-fA-F]{2})",
                      lambda m: {b"n": b"\n", b"r": b"\r", b"\\": b"\\"}.get(m.group(1)) or bytes([int(m.group(1)[1:], 16)]),
                      text.encode())
    return b"".join(unescape(text) * count for _, count, text in writes)


class ServiceOutput(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("svcout")
        self.name = wb.unique("vbxout")
        self.exe = None

    def tearDown(self):
        wb.remove_service(self.name)

    def install(self, control, base=(), files=None, runtime="rt"):
        self.home = lb.make_runtime(self.dir, version="1.8.0_301", control=control, name=runtime)
        block = wb.raw_block(base=[(101, self.name), (2001, "e"), (122, "com.example.App"), (128, "R" + runtime),
                                   *base])
        self.exe = wb.raw_launcher(self.dir, block, name=self.name + ".exe", files=files)
        r = wb.run(self.exe, "/install", timeout=90)
        self.assertEqual(r.code, 0, r)

    def start(self):
        r = wb.run_start(self.exe, "/start", timeout=90)
        self.assertEqual(r.code, 0, r)

    def failure_report(self):
        """The lines of the event that reports the worker's end (Wine prints
        an entry line by line)."""
        ended = wb.wait_for_event(self.name, "without a stop request", timeout=90)
        self.assertIsNotNone(ended, wb.session_events(self.name))
        events = wb.session_events(self.name)
        at = events.index(ended)
        lines = ended.text.split("\n")
        # Wine prints an entry in one line, or (some versions) line by line.
        for e in events[at + 1:] if len(lines) == 1 else ():
            if "without a stop request" in e.text or e.kind != "err":
                break
            lines.append(e.text)
        return lines

    def test_output_log_and_failure_report(self):
        stream = expected_bytes(WRITES)
        cases = [
            # name, entries, how the worker ends, what it adds to the stream
            ("kept whole, the worker crashing mid-line", [(30201, "logs\\out.log")],
             ["write out 1 crashing mid-li", "crash"], b"crashing mid-li", LAST[1:] + ["crashing mid-li"]),
            ("rotated at 4096 bytes, two old files kept",
             [(30201, "${launcher:sys.launcherDirectory}\\rot\\out.log"), (30202, "4096"), (30203, "2")],
             ["exit 3"], b"", LAST),
            ("no log: the report carries the lines all the same", [], ["exit 3"], b"", LAST),
            ("a log that cannot be opened is reported once", [(30201, "afile\\out.log")], ["exit 3"], b"",
             LAST),
        ]
        for label, entries, ending, tail, last_lines in cases:
            with self.subTest(label):
                self.setUp()
                try:
                    self.one_case(label, entries, ending, stream + tail, last_lines)
                finally:
                    wb.remove_service(self.name)

    def one_case(self, label, entries, ending, whole, last_lines):
        (self.dir / "afile").write_text("a file where the log's directory should be")
        control = [f"write {s} {n} {t}" for s, n, t in WRITES] + ending
        self.install(control, base=entries)
        self.start()
        report = self.failure_report()
        self.assertIn("The last lines of its output:", report[1:2], report)
        # The last twenty lines: the bound.
        self.assertEqual(report[2:], last_lines, report)
        events = wb.session_events(self.name)
        problems = [e for e in events if "service output log" in e.text]
        if label.startswith("a log that cannot"):
            self.assertEqual(len(problems), 1, events)
            self.assertEqual(problems[0].kind, "warn")
            self.assertIn("could not be opened", problems[0].text)
            return
        self.assertEqual(problems, [])
        if not entries:
            self.assertEqual(list(self.dir.rglob("*.log")), [])
            return
        if "rot" in entries[0][1]:
            logs = self.dir / "rot"
            names = sorted(p.name for p in logs.iterdir())
            self.assertEqual(names, ["out.1.log", "out.2.log", "out.log"])
            files = [(logs / n).read_bytes() for n in ("out.2.log", "out.1.log", "out.log")]
            for rotated in files[:2]:
                # Rotated at a line end, at most the size (every line here is shorter).
                self.assertTrue(rotated.endswith(b"\n"))
                self.assertLessEqual(len(rotated), 4096)
                self.assertGreater(len(rotated), 4096 - 70)
            kept = b"".join(files)
            self.assertTrue(whole.endswith(kept))
            self.assertTrue(whole[:len(whole) - len(kept)].endswith(b"\n"))
        else:
            self.assertEqual((self.dir / "logs" / "out.log").read_bytes(), whole)


class NothingLeftInTheTempRoot(unittest.TestCase):
    CYCLES = 20

    def setUp(self):
        self.dir = wb.app_dir("svctemp")
        self.name = wb.unique("vbxtmp")
        self.second = None

    def tearDown(self):
        wb.remove_service(self.name)
        if self.second:
            self.second.kill()
            self.second.wait(30)

    @staticmethod
    def temp_dir_of(home):
        found = [o[len("-Dvorbix.tempDir="):] for o in lb.options(lb.records(home))
                 if o.startswith("-Dvorbix.tempDir=")]
        return found[-1] if found else None

    def test_start_stop_cycles_leave_nothing_and_spare_a_running_launcher(self):
        files = [b"jar bytes" * 100, b"inner"]
        names = (2002, "2"), (2003, "app.jar;conf\\inner.txt")
        service_home = lb.make_runtime(self.dir, version="1.8.0_301", control=["readstdin"], name="rt")
        block = wb.raw_block(base=[(101, self.name), (2001, "e"), (122, "com.example.App"), (128, "Rrt"), *names])
        exe = wb.raw_launcher(self.dir, block, name="svc.exe", files=files)
        self.assertEqual(wb.run(exe, "/install", timeout=90).code, 0)

        # A second launcher that keeps running, started by hand.
        second_home = lb.make_runtime(self.dir, version="1.8.0_301", control=["sleep 600000"], name="rt2")
        block2 = wb.raw_block(base=[(101, "second"), (2001, "e"), (122, "com.example.App"), (128, "Rrt2"), *names])
        second = wb.raw_launcher(self.dir, block2, name="second.exe", files=files)
        self.second = wb.start(second, "/run")
        second_dir = wb.wait_until(lambda: self.temp_dir_of(second_home), timeout=60)
        self.assertTrue(second_dir)
        root = wb.unix_path(second_dir).parent
        second_stem = re.sub(r"_dir\d+$", "", second_dir)

        # Left by launchers before this one: with a free lock (removed) and
        # without any (not known to be ours: kept).
        orphan = root / "vbxFFF1.tmp_dir1"
        (orphan / "sub").mkdir(parents=True)
        (orphan / "sub" / "x.jar").write_bytes(b"x")
        (orphan / "vbx.lock").write_bytes(b"")
        (root / "vbxFFF1.tmp").write_bytes(b"")
        unlocked = root / "vbxFFF2.tmp_dir1"
        unlocked.mkdir()
        foreign = root / "vbxFFF3.tmp_dirx"
        (foreign).mkdir()
        (foreign / "vbx.lock").write_bytes(b"")

        seen = []
        for cycle in range(self.CYCLES):
            (service_home / "bin" / "server" / "jvm.record").unlink(missing_ok=True)
            r = wb.run_start(exe, "/start", timeout=90)
            self.assertEqual(r.code, 0, r)
            worker_dir = wb.wait_until(lambda: self.temp_dir_of(service_home), timeout=60)
            self.assertTrue(worker_dir, f"cycle {cycle}: {lb.records(service_home)}")
            self.assertEqual(wb.unix_path(worker_dir).parent, root, "the service and the second share the temp root")
            r = wb.run(exe, "/stop", timeout=90)
            self.assertEqual(r.code, 0, r)
            seen.append(worker_dir)
            for d in seen:
                self.assertFalse(wb.unix_path(d).exists(), f"cycle {cycle}: {d}")
                self.assertFalse(wb.unix_path(re.sub(r"_dir\d+$", "", d)).exists(), f"cycle {cycle}: {d}")
            self.assertTrue((wb.unix_path(second_dir) / "app.jar").exists(), f"cycle {cycle}")
            self.assertTrue((wb.unix_path(second_dir) / "vbx.lock").exists())
            self.assertTrue(wb.unix_path(second_stem).exists())
        self.assertEqual(len(set(seen)), self.CYCLES)
        self.assertFalse(orphan.exists())
        self.assertFalse((root / "vbxFFF1.tmp").exists())
        self.assertTrue(unlocked.is_dir())
        self.assertTrue(foreign.is_dir())
        unlocked.rmdir()
        (foreign / "vbx.lock").unlink()
        foreign.rmdir()


if __name__ == "__main__":
    unittest.main()

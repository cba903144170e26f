"""The diagnostic log and error reporting through the support driver. Each
test gives the driver a temp directory of its own (TMP, set inside the
process: Wine's registry value would win over the Linux environment)."""
import re
import shutil
import subprocess
import unittest

import winebed as wb

MESSAGES = [(1000, "Launcher error"), (1009, "Cannot prepare the files ({0})."),
            (1010, "The launcher class is missing.")]


class LogCase(unittest.TestCase):
    executable_type = "0"

    def setUp(self):
        self.dir = wb.app_dir("log")
        self.exe = wb.support_driver(self.dir, base=[(107, self.executable_type)], wide=MESSAGES)
        self.temp = self.dir / "temp"
        self.temp.mkdir()

    def run_driver(self, *args, env=None, code=0):
        r = wb.run(self.exe, "setenv", "TMP", wb.windows_path(self.temp), "setenv", "TEMP",
                   wb.windows_path(self.temp), *args, env=env)
        self.assertEqual(r.code, code, r)
        return r

    def logs(self):
        return sorted(p.name for p in self.temp.glob("tsy_nlog_*.log"))

    def only_log(self):
        logs = wb.find_logs(self.temp)
        self.assertEqual(len(logs), 1, self.logs())
        return logs[0]


class SwitchingOn(LogCase):
    def test_off_without_either_variable_and_for_other_values(self):
        for env in ({}, {"VORBIX_LOG": "Yes"}, {"TESSALY_LOG": "yes "}, {"VORBIX_LOG": "1", "TESSALY_LOG": "SAFE"}):
            with self.subTest(env=env):
                r = self.run_driver("log", "hello", "logerr", "bad", "logpath", env=env)
                self.assertEqual(wb.driver_value(r, "logpath"), "(none)")
                self.assertEqual(self.logs(), [])

    def test_switched_on_by_either_variable(self):
        for name in ("VORBIX_LOG", "TESSALY_LOG"):
            with self.subTest(name=name):
                for old in self.temp.iterdir():
                    old.unlink()
                r = self.run_driver("log", "hello", "logpath", env={name: "yes"})
                self.assertEqual(wb.driver_value(r, "logpath"), wb.windows_path(self.temp) + "\\tsy_nlog_1.log")
                self.assertIn("hello", wb.read_log(self.only_log()))

    def test_decided_once_by_the_first_call(self):
        # The first call is the configuration load's; "log" makes sure of one.
        self.run_driver("log", "before", "setenv", "VORBIX_LOG", "yes", "log", "after")
        self.assertEqual(self.logs(), [])

    def test_file_layout(self):
        self.run_driver("log", "hello \u00e9\u20ac", "logerr", "it failed", env={"VORBIX_LOG": "yes"})
        raw = self.only_log().read_bytes()
        self.assertTrue(raw.startswith(b"\xef\xbb\xbf"), raw[:20])
        self.assertEqual(raw.count(b"\xef\xbb\xbf"), 1)
        self.assertNotIn(b"\n", raw.replace(b"\r\n", b""))
        lines = raw[3:].decode("utf-8").split("\r\n")
        header = re.fullmatch(r"Started executable (.*) \(0\) at (\w{3} \w{3} [ \d]\d \d\d:\d\d:\d\d \d{4})", lines[0])
        self.assertIsNotNone(header, lines[0])
        self.assertEqual(header.group(1), wb.windows_path(self.exe))
        self.assertEqual(lines[1], "")
        # Loading the configuration logs first; the driver's entries are last.
        for line in lines[2:-3]:
            self.assertRegex(line, r"^\[\d+:\d{1,3}\] ")
        self.assertRegex(lines[-3], r"^\[\d+:\d{1,3}\] hello \u00e9\u20ac$")
        self.assertRegex(lines[-2], r"^\[\d+:\d{1,3}\] ERROR: it failed$")
        self.assertEqual(lines[-1], "")


class Numbering(LogCase):
    def test_next_free_number(self):
        for n in (1, 2):
            (self.temp / f"tsy_nlog_{n}.log").write_text("old")
        r = self.run_driver("log", "x", "logpath", env={"VORBIX_LOG": "yes"})
        self.assertTrue(wb.driver_value(r, "logpath").endswith("\\tsy_nlog_3.log"))
        self.assertEqual((self.temp / "tsy_nlog_1.log").read_text(), "old")

    def test_a_gap_is_reused_first(self):
        (self.temp / "tsy_nlog_2.log").write_text("old")
        r = self.run_driver("log", "x", "logpath", env={"VORBIX_LOG": "yes"})
        self.assertTrue(wb.driver_value(r, "logpath").endswith("\\tsy_nlog_1.log"))
        self.assertEqual(self.logs(), ["tsy_nlog_1.log", "tsy_nlog_2.log"])


class SafeModeAndClosing(LogCase):
    def test_safe_mode_closes_after_each_entry(self):
        r = self.run_driver("log", "one", "logheld", "log", "two", "logheld", env={"TESSALY_LOG": "safe"})
        self.assertEqual(wb.driver_values(r)["logheld"], ["0", "0"])
        text = wb.read_log(self.only_log())
        self.assertRegex(text, r"\] one\n\[\d+:\d+\] two\n$")
        self.assertEqual(self.only_log().read_bytes().count(b"\xef\xbb\xbf"), 1)

    def test_normal_mode_keeps_the_file_until_safe_mode_is_entered(self):
        r = self.run_driver("log", "one", "logheld", "safe", "logheld", "log", "two", "logheld",
                            env={"VORBIX_LOG": "yes"})
        self.assertEqual(wb.driver_values(r)["logheld"], ["1", "0", "0"])
        self.assertRegex(wb.read_log(self.only_log()), r"\] one\n\[\d+:\d+\] two\n$")

    def test_closing_for_display_reopens_for_appending(self):
        r = self.run_driver("log", "one", "close", "logheld", "log", "two", "logheld",
                            env={"VORBIX_LOG": "yes"})
        self.assertEqual(wb.driver_value(r, "closed"), wb.windows_path(self.temp) + "\\tsy_nlog_1.log")
        self.assertEqual(wb.driver_values(r)["logheld"], ["0", "1"])
        self.assertRegex(wb.read_log(self.only_log()), r"\] one\n\[\d+:\d+\] two\n$")

    def test_closing_while_off_gives_no_path(self):
        r = self.run_driver("log", "one", "close")
        self.assertEqual(wb.driver_value(r, "closed"), "(none)")


class ShowingErrors(LogCase):
    def test_console_kind_without_a_console_writes_standard_error(self):
        r = self.run_driver("show", "Something broke", "log", "still running")
        self.assertEqual(r.stderr, "Something broke\n")
        self.assertNotIn("Something broke", r.stdout)

    def test_log_tail_names_the_long_path(self):
        long_temp = self.dir / "temporary files here"
        long_temp.mkdir()
        r = wb.run(self.exe, "short", wb.windows_path(long_temp))
        short = wb.driver_value(r, "short")
        self.assertNotEqual(short.lower(), wb.windows_path(long_temp).lower())
        r = wb.run(self.exe, "setenv", "TMP", short, "log", "x", "logpath", "show", "Failed.", "logheld",
                   env={"VORBIX_LOG": "yes"})
        self.assertEqual(r.code, 0, r)
        self.assertTrue(wb.driver_value(r, "logpath").startswith(short), r)
        self.assertEqual(r.stderr, "Failed.\n\nLog: " + wb.windows_path(long_temp) + "\\tsy_nlog_1.log\n")
        # Showing closed the file so that it can be read meanwhile.
        self.assertEqual(wb.driver_value(r, "logheld"), "0")

    def test_messages_with_and_without_placeholder(self):
        r = self.run_driver("report", "1009", "7", "report", "1010", "ignored", "reportplain", "1009",
                            "reportnarrow", "1009", "caf\u00e9")
        self.assertEqual(r.stderr.splitlines(), [
            "Cannot prepare the files (7).",
            "The launcher class is missing.",
            "Cannot prepare the files ({0}).",
            # Standard error is 8-bit in the runtime library's C locale: the
            # widened byte comes back as the single byte 0xE9.
            "Cannot prepare the files (caf\ufffd).",
        ])

    def test_fatal_errors_end_with_code_1(self):
        r = self.run_driver("fatal", "Internal Error: test", "log", "never", code=1)
        self.assertEqual(r.stderr, "Internal Error: test\n")
        r = self.run_driver("fatalid", "1009", "16", "log", "never", code=1)
        self.assertEqual(r.stderr, "Cannot prepare the files (16).\n")

    @unittest.skipUnless(shutil.which("script"), "needs script(1) for a console")
    def test_console_gets_the_text_through_its_own_write(self):
        err = self.dir / "stderr.txt"
        command, env = wb.winerun.shell_command(self.exe, ["show", "On the console"], wb.base_env())
        proc = subprocess.run(["script", "-qc", f"{command} 2>'{err}'", "/dev/null"], capture_output=True, timeout=60,
                              env=env, stdin=subprocess.DEVNULL)
        out = proc.stdout.decode("utf-8", "replace")
        self.assertIn("On the console", out)
        self.assertEqual(err.read_text(), "")


class MessageBoxKinds(LogCase):
    executable_type = "1"

    def test_message_box_kind_falls_back_to_standard_error_without_a_desktop(self):
        # Wine has no desktop here, so the box fails; the text must still appear.
        r = self.run_driver("show", "Boxed text")
        self.assertEqual(r.stderr, "Boxed text\n")


if __name__ == "__main__":
    unittest.main()

"""Temp places that fail: user temp directories that cannot take a directory
(a file, creation denied, a read-only or a full file system), a launcher temp
directory that cannot be created in ten attempts, and included files that
cannot be created or written (a full file system).

The test user is root, for whom mode bits deny nothing, so denial is made
with the immutable attribute, and read-only and full file systems are small
tmpfs mounts; where the machine allows neither, those cases are skipped.
The temp root is steered with TMP set inside the drivers (Wine's registry
values would win over the Linux environment)."""
import os
import re
import subprocess
import unittest

import winebed as wb

RUNPATH_DRIVER = wb.FIXTURES / "runpath_driver.exe"
MESSAGES = [(1009, "Cannot prepare ({0})")]


class FaultCase(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("tfault")

    def mount_tmpfs(self, path, options):
        path.mkdir(parents=True, exist_ok=True)
        r = subprocess.run(["mount", "-t", "tmpfs", "-o", options, "tmpfs", str(path)],
                           capture_output=True, timeout=30)
        if r.returncode != 0:
            self.skipTest("no tmpfs mounts here: " + r.stderr.decode(errors="replace").strip())
        self.addCleanup(subprocess.run, ["umount", "-l", str(path)], timeout=30)
        return path

    def deny_creation(self, path):
        path.mkdir(parents=True, exist_ok=True)
        r = subprocess.run(["chattr", "+i", str(path)], capture_output=True, timeout=30)
        if r.returncode != 0:
            self.skipTest("no immutable attribute here: " + r.stderr.decode(errors="replace").strip())
        self.addCleanup(subprocess.run, ["chattr", "-i", str(path)], timeout=30)
        return path

    @staticmethod
    def temp_env(windows_dir):
        return ["setenv", "TMP", windows_dir, "setenv", "TEMP", windows_dir]


class UnusableUserTemp(FaultCase):
    """The user temp directory (candidate 2) is refused by its write probe and
    the search goes on to the profile's temp directory (candidate 3)."""

    def setUp(self):
        super().setUp()
        self.profile = self.dir / "profile"
        self.fallback = self.profile / "AppData" / "Local" / "Temp"
        self.fallback.mkdir(parents=True)
        self.exe = wb.support_driver(self.dir, base=[(107, "0")])

    def assert_falls_through(self, temp):
        r = wb.run(self.exe, *self.temp_env(wb.windows_path(temp)),
                   "setenv", "USERPROFILE", wb.windows_path(self.profile), "temproot")
        self.assertEqual(r.code, 0, r)
        self.assertEqual(wb.driver_value(r, "temproot"), wb.windows_path(self.fallback))
        self.assertEqual(wb.driver_value(r, "temprootw"), wb.windows_path(self.fallback))

    def test_a_file_instead_of_a_directory(self):
        temp = self.dir / "afile"
        temp.write_text("not a directory")
        self.assert_falls_through(temp)
        self.assertEqual(temp.read_text(), "not a directory")

    def test_a_directory_where_creation_is_denied(self):
        temp = self.deny_creation(self.dir / "denied")
        self.assert_falls_through(temp)
        self.assertEqual(list(temp.iterdir()), [])

    def test_a_read_only_file_system(self):
        temp = self.mount_tmpfs(self.dir / "readonly", "ro,size=64k")
        self.assert_falls_through(temp)

    def test_a_full_file_system(self):
        # One inode left for the filler, which takes every block: neither a
        # probe directory nor a file fits any more.
        temp = self.mount_tmpfs(self.dir / "full", "size=64k,nr_inodes=2")
        with open(temp / "filler", "wb") as filler:
            try:
                filler.write(b"\0" * (128 * 1024))
                filler.flush()
            except OSError:
                pass
        with self.assertRaises(OSError):
            (temp / "probe").mkdir()
        self.assert_falls_through(temp)


class LauncherTempDirNeverCreated(FaultCase):
    def test_ten_failed_attempts_end_with_message_1009_7(self):
        # A temp root so long that the write probe and the temporary file
        # still fit the platform's path limit, but the directory named after
        # the file ("..._dir" and the seconds) no longer does, whatever the
        # number of hex digits in the file's name (1 to 4): 238 + "\\vbx" +
        # one digit + ".tmp_dir" + ten digits is 261 characters, one past
        # what the directory functions take.
        root, depth = self.dir, 0
        while len(wb.windows_path(root)) < 200:
            root = root / ("d%d" % depth + "x" * 40)
            depth += 1
        root = root / ("y" * (238 - len(wb.windows_path(root)) - 1))
        root.mkdir(parents=True)
        self.assertEqual(len(wb.windows_path(root)), 238)
        exe = wb.support_driver(self.dir, base=[(107, "0")], wide=MESSAGES)
        r = wb.run(exe, *self.temp_env(wb.windows_path(root)), "temproot", "mktemp", env={"VORBIX_LOG": "yes"})
        self.assertEqual(r.code, 1, r)
        self.assertEqual(wb.driver_value(r, "temproot"), wb.windows_path(root) + "\\")
        self.assertNotIn("tempdir", wb.driver_values(r))
        self.assertIn("Cannot prepare (7)", r.stderr)
        log = wb.read_log(wb.find_logs(root)[0])
        attempts = re.findall(r"Temp dir3: (.*)", log)
        self.assertEqual(len(attempts), 10, log)
        self.assertEqual(re.findall(r"Could not create dir \((\d+)\)", log), ["206"] * 10)
        # Nothing was created that the exit routine would have had to remove;
        # the temporary files that gave the names stay, as they always do.
        self.assertNotIn("emptying", log)
        names = sorted(p.name for p in root.iterdir())
        self.assertFalse([n for n in names if "_dir" in n], names)
        self.assertEqual(len([n for n in names if re.fullmatch(r"vbx[0-9A-Fa-f]{1,4}\.tmp", n)]), 10, names)


class ExtractionFaults(FaultCase):
    def driver(self, names, files, temp):
        block = wb.raw_block(base=[(2002, str(len(files))), (2003, names)], wide=MESSAGES)
        exe = wb.raw_launcher(self.dir, block, name="drv.exe", stub=RUNPATH_DRIVER, files=files)
        r = wb.run(exe, *self.temp_env(wb.windows_path(temp)), "extract", "1", "exit", "1",
                   env={"VORBIX_LOG": "yes"}, timeout=60)
        logs = wb.find_logs(temp)
        return r, wb.read_log(logs[0]) if logs else ""

    def test_a_full_temp_root_fails_the_write_and_the_exit_cleans_up(self):
        temp = self.mount_tmpfs(self.dir / "small", "size=256k")
        big = os.urandom(1024 * 1024)
        r, log = self.driver("small.txt;big.bin;never.txt", [b"small", big, b"never"], temp)
        self.assertEqual(r.code, 1, r)
        values = dict(line.split("=", 1) for line in r.stdout.splitlines() if "=" in line)
        self.assertEqual(values.get("result"), "2", r)  # a write failure
        self.assertEqual(values["position"], "0")
        tempdir = values["tempdir"]
        self.assertRegex(log, r"ERROR: WriteFile failed \d+ 112\n")  # ERROR_DISK_FULL
        self.assertIn("ERROR: Failed to extract %s\\big.bin" % tempdir, log)
        self.assertNotIn("never.txt", log)
        # The partly written file was there for the exit routine to delete,
        # and the space is free again.
        self.assertIn("attempting to delete %s\\big.bin" % tempdir, log)
        self.assertFalse(wb.unix_path(tempdir).exists())
        free = os.statvfs(temp)
        self.assertGreater(free.f_bfree * free.f_frsize, 200 * 1024)

    def test_a_file_name_taken_by_a_directory_is_fatal_1009_11(self):
        temp = self.dir / "t"
        temp.mkdir()
        r, log = self.driver("conf\\app.properties;conf", [b"inner", b"clash"], temp)
        self.assertEqual(r.code, 1, r)
        self.assertNotIn("result=", r.stdout)
        self.assertIn("Cannot prepare (11)", r.stderr)
        tempdir = re.search(r"Temp dir3: (.*)", log).group(1)
        self.assertIn("extracting %s\\conf (size: 5)" % tempdir, log)
        self.assertIn("emptying %s" % tempdir, log)
        self.assertFalse(wb.unix_path(tempdir).exists())


if __name__ == "__main__":
    unittest.main()

"""The temp root search, the launcher temp directory and the exit routine
through the support driver. The candidates' places are steered with TMP,
USERPROFILE, HOMEDRIVE and HOMEPATH set inside the driver's process (Wine's
registry values would win over the Linux environment)."""
import re
import unittest

import launchbed as lb
import winebed as wb

ADMINISTRATORS, OWNER_RIGHTS, SYSTEM = "S-1-5-32-544", "S-1-3-4", "S-1-5-18"
# Write data, append, write extended attributes, delete children, write
# attributes, delete, write the access list, take ownership.
WRITE_RIGHTS = 0x2 | 0x4 | 0x10 | 0x40 | 0x100 | 0x10000 | 0x40000 | 0x80000


class TempCase(unittest.TestCase):
    base = [(107, "0")]

    def setUp(self):
        self.dir = wb.app_dir("temp")
        self.exe = wb.support_driver(self.dir, base=self.base, wide=[(1009, "Cannot prepare ({0})")])

    def win(self, path):
        return wb.windows_path(path)

    def places(self, tmp, profile=None, home=None):
        """Driver arguments that point candidates 2 to 4 where a test wants."""
        args = ["setenv", "TMP", tmp, "setenv", "TEMP", tmp]
        args += ["setenv", "USERPROFILE", profile or self.win(self.dir / "no profile")]
        if home:
            args += ["setenv", "HOMEDRIVE", home[:2], "setenv", "HOMEPATH", home[2:]]
        else:
            args += ["setenv", "HOMEPATH", "\\no home here"]
        return args

    def run_driver(self, *args, env=None, code=0, cwd=None):
        r = wb.run(self.exe, *args, env=env, cwd=cwd)
        self.assertEqual(r.code, code, r)
        return r


class TempRootSearch(TempCase):
    def test_user_temp_directory_is_the_usual_root(self):
        temp = self.dir / "t"
        temp.mkdir()
        r = self.run_driver(*self.places(self.win(temp)), "temproot")
        self.assertEqual(wb.driver_value(r, "temproot"), self.win(temp) + "\\")
        self.assertEqual(wb.driver_value(r, "temprootw"), self.win(temp) + "\\")
        # The write probe cleans up after itself.
        self.assertEqual(list(temp.iterdir()), [])

    def test_user_temp_is_created_when_missing(self):
        temp = self.dir / "created"
        r = self.run_driver(*self.places(self.win(temp)), "temproot")
        self.assertEqual(wb.driver_value(r, "temproot"), self.win(temp) + "\\")
        self.assertTrue(temp.is_dir())

    def test_exclamation_marks_fall_through_to_the_next_candidate(self):
        profile = self.dir / "profile"
        (profile / "AppData" / "Local" / "Temp").mkdir(parents=True)
        (self.dir / "inner!").mkdir()
        for tmp in (self.win(self.dir / "bang!"), self.win(self.dir / "inner!") + "\\t"):
            with self.subTest(tmp=tmp):
                r = self.run_driver(*self.places(tmp, profile=self.win(profile)), "temproot")
                self.assertEqual(wb.driver_value(r, "temproot"), self.win(profile) + "\\AppData\\Local\\Temp")
                self.assertEqual(wb.driver_value(r, "temprootw"), self.win(profile) + "\\AppData\\Local\\Temp")

    def test_home_directory_follows_a_missing_profile(self):
        home = self.dir / "home"
        home.mkdir()
        r = self.run_driver(*self.places(self.win(self.dir / "x!"), home=self.win(home)), "temproot")
        self.assertEqual(wb.driver_value(r, "temproot"), self.win(home))

    def test_acceptance_tests_report_exclamation_marks(self):
        r = self.run_driver("accept", self.win(self.dir / "a!"), "1", "1", "0",
                            "acceptw", self.win(self.dir / "b!") + "\\c", "0", "1",
                            "accept", self.win(self.dir), "0", "1", "0")
        values = wb.driver_values(r)
        self.assertEqual(values["accept"], ["0", "1"])
        self.assertEqual(values["acceptw"], ["0"])
        self.assertEqual(values["exclamation"], ["1", "1", "0"])

    def test_decomposed_unicode_fails_the_wide_test(self):
        decomposed = self.dir / "cafe\u0301"
        decomposed.mkdir()
        composed = self.dir / "caf\u00e9"
        composed.mkdir()
        temp = self.dir / "t"
        temp.mkdir()
        r = self.run_driver("setenv", "TMP", self.win(temp), "log", "start",
                            "acceptw", self.win(decomposed), "0", "1", "acceptw", self.win(composed), "0", "1",
                            env={"VORBIX_LOG": "yes"})
        self.assertEqual(wb.driver_values(r)["acceptw"], ["0", "1"])
        text = wb.read_log(wb.find_logs(temp)[0])
        self.assertIn("folding error ", text)
        self.assertIn(self.win(decomposed), text)


def short_temp(case):
    """A directory with a long name and its 8.3 form."""
    long_dir = case.dir / "a long temporary directory"
    long_dir.mkdir()
    short = wb.driver_value(case.run_driver("short", case.win(long_dir)), "short")
    case.assertNotEqual(short.lower(), case.win(long_dir).lower())
    return long_dir, short


class ShortFormKept(TempCase):
    def test_short_form_is_kept_without_entry_10009(self):
        long_dir, short = short_temp(self)
        r = self.run_driver(*self.places(short), "temproot")
        self.assertEqual(wb.driver_value(r, "temproot"), short + "\\")


class LongFormPreferred(TempCase):
    base = [(107, "0"), (10009, "1")]

    def test_narrow_root_takes_the_long_form(self):
        long_dir, short = short_temp(self)
        r = self.run_driver(*self.places(short), "temproot")
        self.assertEqual(wb.driver_value(r, "temproot"), self.win(long_dir) + "\\")
        # The wide form is taken as the platform gave it.
        self.assertEqual(wb.driver_value(r, "temprootw"), short + "\\")

    def test_replacement_is_logged(self):
        long_dir, short = short_temp(self)
        logs = self.dir / "logs"
        logs.mkdir()
        r = self.run_driver("setenv", "TMP", self.win(logs), "log", "start", "accept", short, "0", "0", "1",
                            env={"VORBIX_LOG": "yes"})
        self.assertEqual(wb.driver_value(r, "acceptpath"), self.win(long_dir))
        self.assertIn("using long path " + self.win(long_dir), wb.read_log(wb.find_logs(logs)[0]))


class LocalApplicationData(TempCase):
    base = [(107, "0"), (10015, "1")]

    def test_tried_first_when_entry_10015_is_set(self):
        temp = self.dir / "t"
        r = self.run_driver(*self.places(self.win(temp)), "temproot")
        root = wb.driver_value(r, "temproot")
        self.assertRegex(root, r"(?i)^C:\\users\\[^\\]+\\AppData\\Local\\tessaly\\t$")
        self.assertEqual(wb.driver_value(r, "temprootw"), root)
        self.assertTrue(wb.unix_path(root).is_dir())
        self.assertFalse(temp.exists())


class LocalApplicationDataOff(TempCase):
    def test_never_tried_when_entry_10015_is_zero(self):
        profile = self.dir / "profile"
        (profile / "AppData" / "Local" / "Temp").mkdir(parents=True)
        # The user temp is refused, so the search goes on past candidate 2
        # and into the second pass's territory, yet never to the local folder.
        r = self.run_driver(*self.places(self.win(self.dir / "bang!"), profile=self.win(profile)), "temproot")
        self.assertEqual(wb.driver_value(r, "temproot"), self.win(profile) + "\\AppData\\Local\\Temp")


class LauncherTempDirectory(TempCase):
    def setUp(self):
        super().setUp()
        self.temp = self.dir / "t"
        self.temp.mkdir()

    def test_name_pattern_and_access_list(self):
        r = self.run_driver(*self.places(self.win(self.temp)), "mktemp")
        path = wb.driver_value(r, "tempdir")
        prefix = re.escape(self.win(self.temp) + "\\")
        match = re.fullmatch(prefix + r"(vbx[0-9A-Fa-f]{1,4}\.tmp)_dir(\d+)", path)
        self.assertIsNotNone(match, path)
        self.assertTrue(wb.unix_path(path).is_dir())
        # The temporary file that gave the name stays.
        self.assertTrue((self.temp / match.group(1)).is_file())
        # Wine keeps no ACL but maps it to mode bits and reports it back: the
        # protected entries for Local System and the owner survive that way.
        dacl = wb.driver_value(r, "dacl")
        self.assertIn("(A;OICI;FA;;;SY)", dacl)
        self.assertRegex(dacl, r"\(A;OICI;FA;;;S-1-5-21-[\d-]+\)")
        self.assertNotIn(";WD)", dacl)

    def test_access_list_entry_by_entry(self):
        """The entries Wine reports back for the launcher temp directory, and
        for a file and a directory made inside it, against the descriptor the
        launcher creates it with. Wine keeps no ACL of its own: it maps the
        request to Unix mode bits and derives the entries from them, so the
        protection flag and the Administrators entry are lost, and children
        get what their mode bits say rather than the inherited entries."""
        r = self.run_driver(*self.places(self.win(self.temp)), "intendedaces", "mktemp", "tempdiraces",
                            "populate", "0")
        values = wb.driver_values(r)
        intended = [ace.split() for ace in values["intended.ace"]]
        self.assertEqual(values["intended.protected"], ["1"])
        self.assertEqual(intended, [["A", "0x3", "0x1f01ff", sid] for sid in (ADMINISTRATORS, OWNER_RIGHTS, SYSTEM)])
        # The launcher builds that descriptor itself: entry for entry the same.
        self.assertEqual([ace.split() for ace in values["built.ace"]], intended)
        self.assertEqual(values["built.protected"], ["1"])
        self.assertEqual(values["built.null"], ["0"])
        owner = values["acl.owner"][0]
        self.assertRegex(owner, r"^S-1-5-21-[\d-]+$")
        self.assertEqual(values["acl.null"], ["0"])
        reported = [ace.split() for ace in values["acl.ace"]]
        # Every reported entry is one that was asked for (owner rights stand
        # for the owner), and Local System and the owner kept theirs.
        asked = {(a[0], a[1], a[2], owner if a[3] == OWNER_RIGHTS else a[3]) for a in intended}
        for ace in reported:
            self.assertIn(tuple(ace), asked, reported)
        sids = [ace[3] for ace in reported]
        self.assertIn(SYSTEM, sids)
        self.assertTrue(owner in sids or OWNER_RIGHTS in sids, reported)

        tempdir = wb.driver_value(r, "tempdir")
        for child in ("top.txt", "sub"):
            with self.subTest(child=child):
                r = self.run_driver("aces", tempdir + "\\" + child)
                for ace in wb.driver_values(r)["acl.ace"]:
                    kind, flags, mask, sid = ace.split()
                    if sid in (SYSTEM, owner, ADMINISTRATORS, OWNER_RIGHTS):
                        continue
                    # Whatever else Wine derives from the mode bits may read,
                    # but never write, delete or change the entries.
                    self.assertEqual(kind, "A", ace)
                    self.assertEqual(int(mask, 16) & WRITE_RIGHTS, 0, ace)

    def test_exit_removes_the_directory_with_its_first_level(self):
        r = self.run_driver(*self.places(self.win(self.temp)), "mktemp", "populate", "0", "exit", "7", "log", "x",
                            code=7)
        path = wb.unix_path(wb.driver_value(r, "tempdir"))
        self.assertFalse(path.exists())

    def test_exit_stops_one_level_below(self):
        r = self.run_driver(*self.places(self.win(self.temp)), "mktemp", "populate", "1", "exit", "3", code=3)
        path = wb.unix_path(wb.driver_value(r, "tempdir"))
        self.assertFalse((path / "top.txt").exists())
        self.assertFalse((path / "sub" / "middle.txt").exists())
        self.assertTrue((path / "sub" / "deeper" / "bottom.txt").is_file())

    def test_fatal_error_removes_it_too(self):
        r = self.run_driver(*self.places(self.win(self.temp)), "mktemp", "populate", "0", "fatal", "stop", code=1)
        self.assertFalse(wb.unix_path(wb.driver_value(r, "tempdir")).exists())
        self.assertEqual(r.stderr, "stop\n")

    def test_exit_without_a_directory_touches_nothing(self):
        keep = self.temp / "keep.txt"
        keep.write_text("x")
        self.run_driver("settempdir", "", "exit", "5", code=5)
        # A path starting with "." is never emptied.
        self.run_driver("settempdir", ".\\t", "exit", "0", code=0, cwd=self.dir)
        self.assertTrue(keep.exists())

    def test_empty_directory_depths(self):
        tree = self.dir / "tree"
        (tree / "a" / "b").mkdir(parents=True)
        (tree / "f.txt").write_text("x")
        (tree / "a" / "g.txt").write_text("x")
        (tree / "a" / "b" / "h.txt").write_text("x")
        self.run_driver("empty", self.win(tree), "0")
        self.assertFalse((tree / "f.txt").exists())
        self.assertTrue((tree / "a" / "g.txt").exists())
        self.run_driver("empty", self.win(tree) + "\\", "2")
        self.assertEqual(list(tree.iterdir()), [])

    def test_temp_file_names(self):
        r = self.run_driver(*self.places(self.win(self.temp)), "tempfile", "tempfile")
        names = wb.driver_values(r)["tempfile"]
        self.assertEqual(len(set(names)), 2)
        for name in names:
            self.assertRegex(name, re.escape(self.win(self.temp) + "\\") + r"vbx[0-9A-Fa-f]{1,4}\.tmp$")
            self.assertTrue(wb.unix_path(name).is_file())


class TempRootOnDemand(unittest.TestCase):
    """The temp root is searched (its candidates created and probed) only when
    something needs it: the launcher temp directory for included files, or a
    text that refers to ${launcher:sys.tempDir}. Wine's file trace shows the
    probe directories."""

    def test_searched_only_when_needed(self):
        directory = wb.app_dir("ondemand")
        home = lb.make_runtime(directory, version="1.8.0_301")
        temp_root = wb.windows_path(wb.temp_dir())
        cases = (  # runtime archive (an included file), options, probed
            (False, "", False),
            (False, "-Dt=${launcher:sys.tempDir}", True),
            (True, "", True),
        )
        for index, (archive, options, probed) in enumerate(cases):
            with self.subTest(archive=archive, options=options):
                exe = wb.pack({"serviceName": wb.unique("vbxdemand"), "launcherFlavour": "e",
                               "mainClass": "com.example.App", "runtimeArchive": archive, "vmOptions": options,
                               "jvmSearchSequence": [{"type": "R", "value": "rt"}]},
                              directory, name=f"a{index}.exe")
                r = wb.run(exe, "/run", env={"WINEDEBUG": "+file"}, timeout=90)
                self.assertEqual(r.code, 0, r)
                probes = [line for line in r.stderr.splitlines() if "vbxtw" in line]
                self.assertEqual(bool(probes), probed, probes[:3])
                opts = lb.options(lb.records(home))
                (home / "bin" / "server" / "jvm.record").unlink()
                if options:
                    self.assertIn("-Dt=" + temp_root.rstrip("\\"), [o.rstrip("\\") for o in opts])
                temp_dir = [o for o in opts if o.startswith("-Dvorbix.tempDir=")]
                self.assertEqual(temp_dir[0] != "-Dvorbix.tempDir=", archive, temp_dir)


if __name__ == "__main__":
    unittest.main()

"""Fixed-size limits of the launch that only the real process shows: the
PATH copies (the C runtime's environment table, java.library.path), each
with a value exactly at the limit and one past it."""
import unittest

import launchbed as lb
import winebed as wb

PAD = "C:\\vbxpad"


def launch_with_path(length, control):
    """A launch whose PATH, after the runtime's bin directory is put in front,
    is exactly length characters long (WINEPATH comes first in Wine's PATH)."""
    # Probe once with the bare pad entry to learn how long the rest is.
    probe = lb.Launch(control=["env PATH"])
    r = probe.run(env={"WINEPATH": PAD})
    assert r.code == 0, r
    base = len(next(x for x in probe.lines if x.startswith("env PATH="))[len("env PATH="):])
    assert base < length, base
    entry = PAD + "p" * (length - base)
    l = lb.Launch(control=control)
    r = l.run(env={"WINEPATH": entry})
    return l, r, entry


class PathCopies(unittest.TestCase):
    def test_runtime_environment_table_gets_the_whole_path_at_and_past_24000(self):
        for length in (24000, 24001):
            with self.subTest(length=length):
                l, r, _ = launch_with_path(length, ["crtenv PATH"])
                self.assertEqual(r.code, 0, r)
                self.assertIn(f"crtenv PATH length={length} same=1", l.lines)

    def test_library_path_takes_11999_characters_and_cuts_longer_at_a_separator(self):
        prefix = "-Djava.library.path="
        l, r, entry = launch_with_path(11999, [])
        self.assertEqual(r.code, 0, r)
        value = next(o for o in l.options() if o.startswith(prefix))[len(prefix):]
        self.assertEqual(len(value), 11999)
        self.assertIn(";" + entry + ";", value)
        self.assertNotIn("PATH too long for java.library.path", l.log())

        l, r, entry = launch_with_path(12000, [])
        self.assertEqual(r.code, 0, r)
        value = next(o for o in l.options() if o.startswith(prefix))[len(prefix):]
        self.assertLessEqual(len(value), 11999)
        self.assertFalse(value.endswith(";"), value[-20:])
        # The cut falls on a separator: every entry kept is whole.
        self.assertIn(";" + entry, value + ";")
        self.assertIn(f"PATH too long for java.library.path (12000), cut to {len(value)} characters", l.log())


if __name__ == "__main__":
    unittest.main()

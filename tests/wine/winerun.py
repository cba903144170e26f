"""How a Windows program is started under Wine on this machine: the one place
that decides it, for the tests, the demo and the bench.

Debian's `wine` wrapper always executes the 32-bit loader when it is
installed, and hands 64-bit programs on to the 64-bit one: on a machine whose
kernel runs no 32-bit code that fails for every program, and elsewhere every
64-bit program pays a second loader start. So 64-bit programs, and Wine's own
programs in a 64-bit prefix, start through the 64-bit loader directly; 32-bit
programs and anything in a 32-bit prefix go through the wrapper.

As a script: `winerun.py PROGRAM ARGS...` runs the program that way (for the
shell scripts); `winerun.py --can-run-32bit` prints the answer of
scripts/probe32 wine and exits 0 for yes, 1 for no.
"""
import os
import struct
import subprocess
import sys
from pathlib import Path

WINE64 = os.environ.get("VBX_WINE64_LOADER", "/usr/lib/wine/wine64")
MACHINE_X86 = 0x14C
SKIP = 77  # what a test that cannot run here exits with (ctest's SKIP_RETURN_CODE)

_SOURCE_DIR = Path(__file__).resolve().parents[2]


def pe_machine(path):
    """The PE machine of a program file, or None when it is not one we can read."""
    try:
        with open(path, "rb") as f:
            head = f.read(0x400)
            if head[:2] != b"MZ":
                return None
            offset = struct.unpack_from("<I", head, 0x3C)[0]
            f.seek(offset)
            pe = f.read(6)
    except (OSError, struct.error):
        return None
    if len(pe) < 6 or pe[:4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", pe, 4)[0]


def _linux_file(program, env):
    """The Linux file behind a program argument: a Linux path, or C:\\ or Z:\\."""
    text = str(program)
    if len(text) > 2 and text[1] == ":" and text[2] in "\\/":
        drive, rest = text[0].upper(), text[3:].replace("\\", "/")
        if drive == "Z":
            return Path("/") / rest
        if drive == "C" and env.get("WINEPREFIX"):
            return Path(env["WINEPREFIX"]) / "drive_c" / rest
        return None
    return Path(text)


def command(program, args=(), env=None):
    """(argv, environment) that start program with args under Wine."""
    env = dict(os.environ if env is None else env)
    file = _linux_file(program, env)
    machine = pe_machine(file) if file is not None else None
    argv_tail = [str(program), *[str(a) for a in args]]
    if env.get("WINEARCH") == "win32" or machine == MACHINE_X86:
        # The wrapper picks the 32-bit loader; a 64-bit loader inherited from
        # the caller must not be imposed on it.
        env.pop("WINELOADER", None)
        return ["wine", *argv_tail], env
    env["WINELOADER"] = WINE64
    return [WINE64, *argv_tail], env


def shell_command(program, args=(), env=None):
    """(command line for a shell, environment): command() for `script -c`."""
    import shlex
    argv, environment = command(program, args, env)
    return shlex.join(argv), environment


_answer = None


def can_run_32bit():
    """(True/False, reason): can Wine run 32-bit Windows programs here? Asked
    once: scripts/test exports the answer, else scripts/probe32 is asked."""
    global _answer
    if _answer is None:
        known = os.environ.get("VBX_WINE32")
        if known in ("yes", "no"):
            _answer = (known == "yes", os.environ.get("VBX_WINE32_WHY", ""))
        else:
            proc = subprocess.run([str(_SOURCE_DIR / "scripts" / "probe32"), "wine"], capture_output=True, text=True)
            reason = proc.stdout.strip().partition(": ")[2] or proc.stderr.strip()
            _answer = (proc.returncode == 0, reason)
    return _answer


def skip_unless_32bit(what):
    """Ends the calling test program as skipped (exit 77, with the reason) when
    Wine cannot run 32-bit programs here."""
    ok, reason = can_run_32bit()
    if not ok:
        print(f"skipped: {what} runs 32-bit Windows programs, which cannot run here: {reason}", flush=True)
        sys.exit(SKIP)


if __name__ == "__main__":
    if sys.argv[1:] == ["--can-run-32bit"]:
        ok, reason = can_run_32bit()
        print(("yes: " if ok else "no: ") + reason)
        sys.exit(0 if ok else 1)
    if len(sys.argv) < 2:
        print("usage: winerun.py PROGRAM [ARGS...] | --can-run-32bit", file=sys.stderr)
        sys.exit(2)
    argv, environment = command(sys.argv[1], sys.argv[2:])
    os.execvpe(argv[0], argv, environment)

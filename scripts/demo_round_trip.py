#!/usr/bin/env python3
"""The core of scripts/demo: packs examples/hello-service into a launcher of
one architecture (the 32-bit or the 64-bit one), lays out a test Java runtime
of the same architecture beside it and runs the service round trip under Wine
(install, start, status, stop, status, uninstall), printing every command and
its output. Exits 0 only when the round trip worked.

WINEPREFIX (and a running Wine session in it) comes from the caller:
scripts/demo sets up a prefix of its own, the Wine test uses the test run's.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests" / "wine"))
import winerun  # noqa: E402  how Windows programs start under Wine here
EXAMPLE = ROOT / "examples" / "hello-service"
RUNTIME_VERSION = "1.8.0_301"

TEST_RUNTIME_NOTE = """\
Note: there is no Java runtime for Windows on this machine, so a TEST RUNTIME
stands in for Java: jre\\bin\\java.exe only reports the version {version}, and
jre\\bin\\server\\jvm.dll is a recording stand-in VM whose "main" runs until the
service's stop line ends its standard input. Everything else is the real
launcher. On Windows with Java installed (or a JRE copied into jre\\ beside
the executable) the same {exe} runs com.example.hello.HelloService.
"""


def say(text=""):
    print(text, flush=True)


def pack(out_dir, native_dir, win_dir, service_name=None, architecture="x64"):
    """Builds out_dir/<exe> from the example's config on the bare launcher of
    win_dir (the cross build of the architecture) and puts the application's
    jar beside it. Returns the launcher's path."""
    config = json.loads((EXAMPLE / "hello-service.json").read_text(encoding="utf-8"))
    if service_name:
        config["serviceName"] = service_name
    if architecture != "x64":  # the example says nothing: the 64-bit launcher
        config["architecture"] = architecture
    exe = out_dir / (config["serviceName"] + ".exe")
    config_path = out_dir / "hello-service.json"
    config_path.write_text(json.dumps(config, indent=2, ensure_ascii=False), encoding="utf-8")
    command = [str(native_dir / "vorbix-pack"), "build", str(config_path), "-o", str(exe),
               "--stub", str(win_dir / "launcher.exe")]
    say("$ " + " ".join(["vorbix-pack", "build", config_path.name, "-o", exe.name]))
    result = subprocess.run(command, capture_output=True, text=True, timeout=120)
    if result.returncode != 0:
        raise SystemExit(f"vorbix-pack failed: {result.stderr.strip()}")
    shutil.copy(native_dir / "java" / "hello-service.jar", out_dir / "hello-service.jar")
    return exe


def lay_out_test_runtime(out_dir, win_dir):
    """jre\\ beside the launcher: the fake java.exe with its version file and
    the recording VM (of win_dir's architecture) told to read its standard
    input until it ends."""
    fixtures = win_dir / "fixtures"
    home = out_dir / "jre"
    shutil.rmtree(home, ignore_errors=True)
    (home / "bin" / "server").mkdir(parents=True)
    (home / "lib").mkdir()
    for program in ("java.exe", "javaw.exe"):
        shutil.copy(fixtures / program, home / "bin" / program)
    (home / "bin" / "version.txt").write_text(f'java version "{RUNTIME_VERSION}"\r\n')
    shutil.copy(fixtures / "recording" / "jvm.dll", home / "bin" / "server" / "jvm.dll")
    (home / "bin" / "server" / "jvm.control").write_text("readstdin\n")
    return home


def vm_records(home):
    path = home / "bin" / "server" / "jvm.record"
    return path.read_text("utf-8", "replace").splitlines() if path.exists() else []


def wine(exe, *args, timeout=120):
    env = dict(os.environ)  # WINEARCH and WINEPREFIX: the caller's prefix
    env.setdefault("WINEDEBUG", "-all")
    command, env = winerun.command(exe, args, env)
    proc = subprocess.run(command, capture_output=True, timeout=timeout, env=env, cwd=str(exe.parent))
    out = proc.stdout.decode("utf-8", "replace").replace("\r\n", "\n")
    err = proc.stderr.decode("utf-8", "replace").replace("\r\n", "\n")
    return proc.returncode, out, err


def wait_until(predicate, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.2)
    return predicate()


class RoundTrip:
    def __init__(self, exe, home):
        self.exe = exe
        self.home = home
        self.problems = []

    def command(self, verb, expect_code, expect_last_line):
        say(f"> {self.exe.name} {verb}")
        for _ in range(10):  # Wine refuses a start while another holds the database (1055)
            code, out, err = wine(self.exe, verb)
            if "Error code: 1055" not in out:
                break
            time.sleep(0.5)
        for line in out.splitlines():
            say("  " + line)
        for line in err.strip().splitlines():
            say("  (stderr) " + line)
        say(f"  [exit code {code}]")
        last = out.splitlines()[-1] if out.splitlines() else ""
        if code != expect_code or last != expect_last_line:
            self.problems.append(f"{verb}: expected exit code {expect_code} and \"{expect_last_line}\", "
                                 f"got exit code {code} and \"{last}\"")
        return code, out

    def run(self):
        name = self.exe.stem
        self.command("/install", 0, f"Installed service '{name}'.")
        self.command("/start", 0, f"Starting service '{name}'.")
        main_called = wait_until(lambda: any(r.startswith("main ") for r in vm_records(self.home)), 60)
        self.command("/status", 0, "Running.")
        self.report_launch(main_called)
        self.command("/stop", 0, "Service stopped")
        self.report_stop()
        self.command("/status", 3, "Not running.")
        self.command("/uninstall", 0, f"Uninstalled service '{name}'.")
        return not self.problems

    def report_launch(self, main_called):
        records = vm_records(self.home)
        say("  what the test runtime's VM was given:")
        if not main_called:
            self.problems.append("the service's worker never called main in the test runtime's VM")
            say("    (main was not called)")
            return
        options = [r[len("option "):] for r in records if r.startswith("option ")]
        class_path = next((o for o in options if o.startswith("-Djava.class.path=")), "")
        arguments = [r.split(" ", 2)[2] for r in records if r.startswith("arg ") and r.count(" ") >= 2]
        say("    " + (class_path or "(no class path option)"))
        say("    main(" + ", ".join(f'"{a}"' for a in arguments) + ")")
        entries = [e.rsplit("\\", 1)[-1].lower() for e in class_path[len("-Djava.class.path="):].split(";")]
        for jar in ("vorbix-runtime.jar", "hello-service.jar"):
            if jar not in entries:
                self.problems.append(f"{jar} is not on the class path: {class_path}")
        if "-Xrs" not in options:
            self.problems.append("the service's VM options lack -Xrs")

    def report_stop(self):
        records = vm_records(self.home)
        got = [r for r in records if r.startswith("stdin ")]
        say("  the application's standard input: " + (", ".join(got) or "(nothing)"))
        if "stdin 0" not in got or "stdin end" not in got:
            self.problems.append("the worker did not get the stop line and the end of its input")


def arguments(description, what):
    """The command line of a demo script: (output directory, native build,
    the launcher's cross build, the parsed arguments)."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--dir", type=Path, default=ROOT / "build" / "demo", help=f"where the {what} goes")
    parser.add_argument("--native-dir", type=Path, default=ROOT / "build" / "native")
    parser.add_argument("--arch", choices=("x86", "x64"), default="x64", help="which launcher")
    parser.add_argument("--win-dir", type=Path, help="its cross build (default: build/win32 or build/win64)")
    parser.add_argument("--service-name", help="instead of the example's service name")
    args = parser.parse_args()
    out_dir = args.dir.resolve()
    out_dir.mkdir(parents=True, exist_ok=True)
    win_dir = (args.win_dir or ROOT / "build" / ("win64" if args.arch == "x64" else "win32")).resolve()
    return out_dir, args.native_dir.resolve(), win_dir, args


def main():
    out_dir, native_dir, win_dir, args = arguments(__doc__.splitlines()[0], "launcher")
    exe = pack(out_dir, native_dir, win_dir, args.service_name, args.arch)
    home = lay_out_test_runtime(out_dir, win_dir)
    say(f"packed {exe}, with hello-service.jar and jre\\ beside it")
    say()
    say(TEST_RUNTIME_NOTE.format(version=RUNTIME_VERSION, exe=exe.name))

    trip = RoundTrip(exe, home)
    ok = trip.run()
    say()
    if ok:
        say("The service round trip worked: installed, running, stopped through its standard input, removed.")
        return 0
    say("The service round trip FAILED:")
    for problem in trip.problems:
        say("  - " + problem)
    # Leave nothing installed behind a failed run.
    wine(exe, "/uninstall")
    return 1


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""The Windows Installer part of the demo: builds a package of
examples/hello-service with `vorbix-pack msi` for one launcher (the 32-bit or
the 64-bit one), with the test Java runtime as its jre\\, and runs it under
Wine's msiexec: install (which registers and starts the service), status,
uninstall (which stops and removes it with its files), status. Prints every
command and its output; exits 0 only when the service ran after the install
and was gone after the uninstall.

WINEPREFIX (and a running Wine session in it) comes from the caller, as for
demo_round_trip.py, whose arguments it takes.
"""
import importlib.util
import json
import shutil
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
_spec = importlib.util.spec_from_file_location("demo_round_trip", ROOT / "scripts" / "demo_round_trip.py")
trip = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(trip)
say = trip.say


def build_package(out_dir, native_dir, win_dir, service_name=None, architecture="x64"):
    """out_dir/hello-service.msi from the example's configuration, the jar and
    the test runtime beside it; the packed launcher stays in out_dir/source/.
    Returns the package and that launcher."""
    out_dir.mkdir(parents=True, exist_ok=True)
    config = json.loads((trip.EXAMPLE / "hello-service.json").read_text(encoding="utf-8"))
    if service_name:
        config["serviceName"] = service_name
    config["architecture"] = architecture
    # Started by the package at the end of the install; the runtime goes along.
    config["executableType"] = 4
    config["installer"]["files"].append({"source": "jre"})
    config_path = out_dir / "hello-service.json"
    config_path.write_text(json.dumps(config, indent=2, ensure_ascii=False), encoding="utf-8")
    shutil.copy(native_dir / "java" / "hello-service.jar", out_dir / "hello-service.jar")
    trip.lay_out_test_runtime(out_dir, win_dir)
    (out_dir / "source").mkdir(exist_ok=True)
    msi = out_dir / "hello-service.msi"
    say(f"$ vorbix-pack msi {config_path.name} -o {msi.name} --wxs source/hello-service.wxs")
    result = subprocess.run([str(native_dir / "vorbix-pack"), "msi", str(config_path), "-o", str(msi), "--wxs",
                             str(out_dir / "source" / "hello-service.wxs"), "--stub",
                             str(win_dir / "launcher.exe")], capture_output=True, text=True, timeout=300)
    for line in (result.stdout + result.stderr).strip().splitlines():
        say("  " + line)
    if result.returncode != 0:
        raise SystemExit("vorbix-pack msi failed")
    return msi, out_dir / "source" / (config["serviceName"] + ".exe")


def run(out_dir, native_dir, win_dir, service_name=None, architecture="x64"):
    """The package's round trip; True when it worked."""
    msi, exe = build_package(out_dir, native_dir, win_dir, service_name, architecture)
    problems = []
    # Z: is the whole Linux file system in every prefix.
    package = "Z:" + str(msi).replace("/", "\\")

    def msiexec(action):
        say(f"> msiexec {action} {msi.name} /qn")
        code, out, err = trip.wine(Path("msiexec"), action, package, "/qn", timeout=300)
        for line in out.strip().splitlines():
            say("  " + line)
        say(f"  [exit code {code}]")
        if code != 0:
            problems.append(f"msiexec {action} ended with {code}")

    def status(expect_code, expect_first_line):
        # A copy of the installed launcher: /status asks the service control manager.
        say(f"> {exe.name} /status")
        code, out, _ = trip.wine(exe, "/status")
        for line in out.strip().splitlines():
            say("  " + line)
        say(f"  [exit code {code}]")
        first = out.splitlines()[0] if out.splitlines() else ""
        if code != expect_code or first != expect_first_line:
            problems.append(f"/status: expected exit code {expect_code} and \"{expect_first_line}\", got {code} "
                            f"and \"{first}\"")

    msiexec("/i")
    trip.wait_until(lambda: trip.wine(exe, "/status")[0] == 0, 30)
    status(0, "Running.")
    msiexec("/x")
    status(1, "Could not get status.")
    say()
    if problems:
        say("The package's round trip FAILED:")
        for problem in problems:
            say("  - " + problem)
        trip.wine(Path("msiexec"), "/x", package, "/qn", timeout=300)
        return False
    say("The package's round trip worked: installed and started by msiexec, removed with its files.")
    return True


def main():
    out_dir, native_dir, win_dir, args = trip.arguments(__doc__.splitlines()[0], "package")
    return 0 if run(out_dir, native_dir, win_dir, args.service_name, args.arch) else 1

if __name__ == "__main__":
    sys.exit(main())

"""The real-VM tier: the launcher's JNI part (built natively into realvm_host)
against the installed JDK's own libjvm.so, with -Xcheck:jni, the real
vorbix-runtime.jar and the example service.

    realvm.py --list     the case names, one a line (ctest registers realvm.<name>)
    realvm.py NAME       runs one case against every JDK (see java_homes)

Each case packs a launcher with vorbix-pack from its configuration, so the
host reads the configuration as the launcher does, runs it, and checks the exit
code, what the application printed, the launcher's log lines (in order), that
the packed launcher file was left alone, and that the VM printed no JNI warning
or error. The environment comes from ctest (tests/realvm/CMakeLists.txt)."""
import hashlib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field
from pathlib import Path
from typing import Callable, Optional

# What -Xcheck:jni prints: "WARNING in native method: ...", "WARNING: JNI local
# refs: ...", "FATAL ERROR in native method: ...".
JNI_TROUBLE = re.compile(r"^(WARNING|FATAL ERROR)\b.*(native method|JNI)|JNI call made", re.M)
TIMEOUT = 90


def env_path(name):
    value = os.environ.get(name)
    if not value:
        raise SystemExit(f"{name} is not set; run the case through ctest")
    return Path(value)


def java_homes():
    """(java.home, libjvm.so) of `java` on PATH, or of each java executable
    listed in VBX_REALVM_JAVA (separated like PATH) to cover more versions."""
    listed = os.environ.get("VBX_REALVM_JAVA")
    executables = listed.split(os.pathsep) if listed else [shutil.which("java")]
    if not executables or not executables[0]:
        raise SystemExit("no java on PATH (scripts/setup installs default-jdk-headless)")
    homes = []
    for java in executables:
        shown = subprocess.run([java, "-XshowSettings:properties", "-version"], capture_output=True,
                               text=True, timeout=60).stderr
        home = Path(re.search(r"^\s*java\.home = (.*)$", shown, re.M).group(1).strip())
        version = re.search(r"^\s*java\.version = (.*)$", shown, re.M).group(1).strip()
        found = sorted(home.glob("lib/server/libjvm.so")) or sorted(home.glob("lib/*/libjvm.so"))
        if not found:
            raise SystemExit(f"no libjvm.so below {home}")
        homes.append((version, found[0]))
    return homes


def escaped(text):
    """As Probe prints it: UTF-16 units outside printable ASCII as \\uXXXX."""
    units = text.encode("utf-16-le")
    out = []
    for i in range(0, len(units), 2):
        u = units[i] | units[i + 1] << 8
        out.append(chr(u) if 0x20 <= u < 0x7F and u != 0x5C else f"\\u{u:04x}")
    return "".join(out)


def in_order(text, fragments):
    """The first fragment not found behind the one before it, or None."""
    at = 0
    for fragment in fragments:
        found = text.find(fragment, at)
        if found < 0:
            return fragment
        at = found + len(fragment)
    return None


def wait_for(predicate, what, proc, timeout=TIMEOUT):
    deadline = time.monotonic() + timeout
    while not predicate():
        if proc.poll() is not None:
            raise AssertionError(f"the host ended ({proc.returncode}) before {what}")
        if time.monotonic() > deadline:
            raise AssertionError(f"no {what} within {timeout} s")
        time.sleep(0.1)


@dataclass
class Run:
    dir: Path
    exe: Path
    proc: subprocess.Popen

    def read(self, name):
        path = self.dir / name
        return path.read_text("utf-8", "replace") if path.exists() else ""

    def stdout(self):
        return self.read("stdout.txt")

    def stderr(self):
        return self.read("stderr.txt")

    def log(self):
        return self.read("host.log")


@dataclass
class Case:
    name: str
    config: dict
    mode: str = "run"
    args: list = field(default_factory=list)
    jars: dict = field(default_factory=dict)       # file below the case directory: env variable of the jar
    runtime_jar: Optional[str] = "VBX_VORBIX_RUNTIME_JAR"  # None: a runtime archive that is not there
    helper: str = "ok"
    code: int = 0
    stdout: list = field(default_factory=list)     # fragments, in this order
    stderr: list = field(default_factory=list)
    log: list = field(default_factory=list)
    not_logged: list = field(default_factory=list)
    drive: Optional[Callable[[Run], None]] = None  # talks to the running host
    check: Optional[Callable[[Run], None]] = None  # further checks afterwards


PROBE = {"launcherFlavour": "e", "runtimeArchive": False, "mainClass": "realvm.apps.Probe",
         "classPath": [{"type": "A", "required": True, "value": "realvm-probe.jar"}]}
PROBE_JAR = {"realvm-probe.jar": "VBX_REALVM_PROBE_JAR"}
HELLO = {"launcherFlavour": "e", "runtimeArchive": False, "mainClass": "com.example.hello.HelloService",
         "vmOptions": "-Xmx64m", "classPath": [{"type": "A", "required": True, "value": "hello-service.jar"}]}
HELLO_JAR = {"hello-service.jar": "VBX_HELLO_SERVICE_JAR"}
# Launch order up to main; every case that reaches main logs these.
UP_TO_MAIN = ["Creating JVM", "JVM created", "setting vorbix.moduleName to ", "main class: com/vorbix/runtime/WinLauncher",
              "calling main"]


def probe(**settings):
    config = dict(PROBE)
    config.update(settings)
    return config


def heartbeats(run):
    return len(re.findall(r"(?m) heartbeat \d+$", run.read("hello-service.log")))


def stop_after_heartbeats(run):
    wait_for(lambda: heartbeats(run) >= 2, "two heartbeats in hello-service.log", run.proc)
    run.proc.stdin.write(b"0\n")
    run.proc.stdin.close()


def terminate_after_heartbeats(run):
    # Beside the launcher, not in the file the first argument names (the launcher itself).
    wait_for(lambda: heartbeats(run) >= 2, "two heartbeats in hello-service.log", run.proc)
    run.proc.send_signal(signal.SIGTERM)


def stopped_cleanly(service):
    def check(run):
        text = run.read("hello-service.log")
        first = text.split("\n", 1)[0]
        assert " hello-service started, java " in first, text
        assert first.endswith(", as a service") == service, text
        assert re.search(r" stopped cleanly after \d+ heartbeats\n$", text), text
        assert not (run.dir / "HelloService").exists(), "the service name was taken for the log file"
    return check


def every_argument(expected):
    def check(run):
        lines = [l for l in run.stdout().splitlines() if l.startswith(("args ", "arg "))]
        want = [f"args {len(expected(run))}"] + [f"arg {i} {escaped(a)}" for i, a in enumerate(expected(run))]
        assert lines == want, "\n".join(f"{g!r} != {w!r}" for g, w in zip(lines, want) if g != w) or lines
    return check


# Many arguments, among them non-ASCII ones, one above U+FFFF and an empty one.
MANY = [f"a{i}" for i in range(196)] + ["grüße ½", "clef \U0001D11E", "", "with space"]
SPLASH_TEXTS = ["Café © 2024", "Grüße ½", "plain", ""]

CASES = [
    Case("hello_service_stop_line", HELLO, mode="worker", args=["HelloService"], jars=HELLO_JAR,
         drive=stop_after_heartbeats, check=stopped_cleanly(True),
         # main returns at once; the VM's destruction waits for the heartbeat
         # thread until the stop line ends the process.
         log=UP_TO_MAIN[:3] + ["param 5: HelloService", "calling main", "main returned", "dest JVM"]),
    Case("hello_service_run", HELLO, jars=HELLO_JAR, code=128 + signal.SIGTERM,
         drive=terminate_after_heartbeats, check=stopped_cleanly(False)),
    Case("throwing_main", probe(vmOptions="-Drealvm.probe=throw"), jars=PROBE_JAR, code=1,
         stderr=["vorbix: the application's main (realvm.apps.Probe) failed:",
                 "java.lang.IllegalStateException: probe fails"], log=UP_TO_MAIN),
    Case("missing_main_class", probe(mainClass="realvm.apps.Missing"), jars=PROBE_JAR, code=1,
         stderr=["vorbix: main class realvm.apps.Missing not found"], log=UP_TO_MAIN),
    # Without the runtime archive the splash lookup fails first, then the
    # launcher class's: the first failure must not reach the later calls.
    Case("missing_launcher_class", probe(passSplashConfig=True, messages={"1010": "No launcher class here."}),
         jars=PROBE_JAR, runtime_jar=None, code=1, stderr=["No launcher class here."],
         log=["JVM created", "ERROR: could not find main class for splash properties",
              "ERROR: java.lang.NoClassDefFoundError: com/vorbix/runtime/WinLauncher",
              "setting vorbix.moduleName to ", "ERROR: could not find main class\n",
              "shown: No launcher class here."]),
    Case("module_main_not_public",
         {"launcherFlavour": "e", "runtimeArchive": False, "mainClassInModule": True,
          "mainClass": "realvm.mod/realvm.hidden.Main", "modulePath": [{"type": "S", "value": "mods"}]},
         jars={"mods/realvm-module.jar": "VBX_REALVM_MODULE_JAR"}, stdout=["hidden main in realvm.mod with 1 args"],
         log=["--add-opens=realvm.mod/realvm.hidden=com.vorbix.runtime",
              "--add-modules=realvm.mod,com.vorbix.runtime", *UP_TO_MAIN, "main returned", "dest JVM",
              "launch done"]),
    Case("splash_non_ascii",
         probe(vmOptions="-Drealvm.probe=splash", passSplashConfig=True, splashFlag=True,
               **{f"splashText{i + 1}": t for i, t in enumerate(SPLASH_TEXTS)},
               **{f"splashInt{n}": n * 11 for n in range(1, 9)}),
         jars=PROBE_JAR,
         stdout=["splash true true " + " ".join(f"[{escaped(t)}] {22 * i + 11} {22 * i + 22}"
                                                for i, t in enumerate(SPLASH_TEXTS))],
         log=UP_TO_MAIN + ["main returned", "launch done"]),
    Case("many_arguments", probe(programArguments='--conf "a b"'), args=MANY, jars=PROBE_JAR,
         check=every_argument(lambda run: [str(run.exe), "--conf", "a b", *MANY]),
         log=UP_TO_MAIN[:4] + [f"param count: {5 + 3 + len(MANY)}", "calling main", "main returned"]),
    # What the VM itself says about a bad option goes to the worker's standard
    # error, which the service host keeps: nothing of it passes the launcher.
    # (The VM is created with ignoreUnrecognized, so a misspelt -XX name is
    # dropped silently; a bad value is not.)
    Case("bogus_vm_option_on_stderr", probe(vmOptions="-XX:ThreadStackSize=bogus"), mode="worker",
         args=["BogusService"], jars=PROBE_JAR, code=1,
         stderr=["Improperly specified VM option 'ThreadStackSize=bogus'"], log=["Creating JVM"],
         not_logged=["JVM created"]),
    Case("exit_from_main", probe(vmOptions="-Drealvm.probe=exit"), jars=PROBE_JAR, code=42, stdout=["exiting"],
         log=UP_TO_MAIN, not_logged=["main returned"]),
    # The installer flavour with stand-ins for its Java classes: no splash
    # class there, an initialisation and a helper registration that fail,
    # then a launcher main that throws.
    Case("installer_failures",
         {"launcherFlavour": "i", "runtimeArchive": False, "passSplashConfig": True,
          "vmOptions": "-Drealvm.initThrows=true -Drealvm.mainThrows=true"},
         runtime_jar="VBX_REALVM_INSTALLER_JAR", helper="fail", code=1,
         stdout=["initFromLauncher true", "initFromLauncher false", "installer main with 6 parameters"],
         stderr=["java.lang.IllegalStateException: installer main fails"],
         log=["JVM created", "ERROR: could not find main class for splash properties",
              "ERROR: java.lang.NoClassDefFoundError: com/vorbix/runtime/WinLauncher", "load helper dll",
              "ERROR: java.lang.IllegalStateException: initFromLauncher fails",
              "ERROR: stand-in registerNativesEx all=1 result=0", "ERROR: registering helper dll failed",
              "ERROR: java.lang.IllegalStateException: initFromLauncher fails",
              "setting vorbix.moduleName to ", "main class: com/tessaly/runtime/launcher/WinLauncher", "calling main",
              "main returned", "ERROR: an exception occurred", "ERROR: java.lang.IllegalStateException: installer main fails",
              "event: The Java application's main method ended with an exception: "
              "java.lang.IllegalStateException: installer main fails", "ERROR: could not call main"],
         not_logged=["dest JVM"]),
]


def pack(case, directory):
    config_path = directory / "App.json"
    config_path.write_text(json.dumps(case.config, ensure_ascii=False, indent=2), "utf-8")
    exe = directory / "App.exe"
    packed = subprocess.run([str(env_path("VBX_PACK")), "build", str(config_path), "-o", str(exe)],
                            capture_output=True, text=True, timeout=60)
    if packed.returncode != 0:
        raise AssertionError(f"vorbix-pack failed: {packed.stdout}{packed.stderr}")
    return exe


def run_case(case, version, libjvm):
    # A directory name outside ASCII: the module name property carries it to Java.
    directory = Path(tempfile.mkdtemp(prefix=f"realvm-{case.name}-é-"))
    for relative, variable in case.jars.items():
        (directory / relative).parent.mkdir(parents=True, exist_ok=True)
        shutil.copy(env_path(variable), directory / relative)
    exe = pack(case, directory)
    digest = hashlib.sha256(exe.read_bytes()).hexdigest()
    runtime = env_path(case.runtime_jar) if case.runtime_jar else directory / "absent" / "vorbix-runtime.jar"
    command = [str(env_path("VBX_REALVM_HOST")), "--jvm", str(libjvm), "--launcher", str(exe),
               "--runtime-jar", str(runtime), "--log", str(directory / "host.log"), "--mode", case.mode,
               "--helper", case.helper, "--vm-option", "-Xcheck:jni", "--", *case.args]
    env = {k: v for k, v in os.environ.items() if k not in ("_JAVA_OPTIONS", "JAVA_TOOL_OPTIONS", "JDK_JAVA_OPTIONS")}
    env["LC_ALL"] = "C.UTF-8"
    with open(directory / "stdout.txt", "wb") as out, open(directory / "stderr.txt", "wb") as err:
        proc = subprocess.Popen(command, cwd=directory, env=env, stdin=subprocess.PIPE, stdout=out, stderr=err)
        run = Run(directory, exe, proc)
        problems = []
        try:
            if case.drive:
                case.drive(run)
            else:
                proc.stdin.close()
            proc.wait(timeout=TIMEOUT)
        except (AssertionError, subprocess.TimeoutExpired) as e:
            problems.append(str(e))
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait(timeout=30)
    if proc.returncode != case.code:
        problems.append(f"exit code {proc.returncode}, expected {case.code}")
    for stream, fragments in (("stdout", case.stdout), ("stderr", case.stderr), ("log", case.log)):
        missing = in_order(getattr(run, stream)(), fragments)
        if missing is not None:
            problems.append(f"{stream} lacks (in order) {missing!r}")
    for text in case.not_logged:
        if text in run.log():
            problems.append(f"log has {text!r}")
    trouble = JNI_TROUBLE.findall(run.stdout() + "\n" + run.stderr())
    if trouble:
        problems.append("the VM reported JNI misuse")
    if hashlib.sha256(exe.read_bytes()).hexdigest() != digest:
        problems.append("the packed launcher file was changed")
    if case.check:
        try:
            case.check(run)
        except AssertionError as e:
            problems.append(f"check failed: {e}")
    if problems:
        print(f"realvm {case.name} on Java {version} ({libjvm}): FAILED")
        for p in problems:
            print("  " + p)
        for stream in ("stdout", "stderr", "log"):
            print(f"--- {stream}\n{getattr(run, stream)()}")
        print(f"(kept {directory})")
        return False
    print(f"realvm {case.name} on Java {version}: passed")
    shutil.rmtree(directory, ignore_errors=True)
    return True


def main(argv):
    if argv[1:] == ["--list"]:
        print("\n".join(c.name for c in CASES))
        return 0
    chosen = [c for c in CASES if c.name in argv[1:]]
    if not chosen or len(chosen) != len(argv) - 1:
        print(f"usage: {argv[0]} --list | CASE...", file=sys.stderr)
        return 2
    results = [run_case(case, version, libjvm) for case in chosen for version, libjvm in java_homes()]
    print(f"{results.count(True)} passed, {results.count(False)} failed")
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))

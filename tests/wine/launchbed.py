"""Helpers for the VM launch tests: a fake runtime with the recording VM, a
launcher built by vorbix-pack from a JSON configuration and run the way a
user or the service runs it, and the records the VM left."""
import shutil
from pathlib import Path

import winebed as wb

RECORDING = wb.FIXTURES / "recording"
# The last argument that makes a launcher the service's worker.
RESTART_MARKER = "__tsy_restart"
# The launcher's own system properties, which lead the option list.
OWN_PROPERTIES = ("-Dvorbix.", "-Dsun.java.command=", "-Djava.library.path=", "-Dtsy.previousJdk=")


def make_runtime(directory, jli=True, version=None, control=None, arch=None, name="rt"):
    """rt\\bin\\java.exe and javaw.exe, rt\\bin\\server\\jvm.dll (recording), optionally
    rt\\bin\\jli.dll, built for the launcher under test (or for arch, a
    winebed.Architecture). Returns the runtime home."""
    fixtures = arch.fixtures if arch else wb.FIXTURES
    home = Path(directory) / name
    (home / "bin" / "server").mkdir(parents=True)
    shutil.copy(fixtures / "java.exe", home / "bin" / "java.exe")
    shutil.copy(fixtures / "javaw.exe", home / "bin" / "javaw.exe")
    shutil.copy(fixtures / "recording" / "jvm.dll", home / "bin" / "server" / "jvm.dll")
    if jli:
        shutil.copy(fixtures / "recording" / "jli.dll", home / "bin" / "jli.dll")
    if version:
        (home / "bin" / "version.txt").write_text(f'java version "{version}"\n')
    if control:
        (home / "bin" / "server" / "jvm.control").write_text("\n".join(control) + "\n")
    return home


def records(home):
    """The recording VM's lines, in order."""
    path = Path(home) / "bin" / "server" / "jvm.record"
    if not path.exists():
        return []
    return path.read_text("utf-8").splitlines()


def options(lines):
    return [line[len("option "):] for line in lines if line.startswith("option ")]


def main_arguments(lines):
    return [line.split(" ", 2)[2] if line.count(" ") >= 2 else "" for line in lines if line.startswith("arg ")]


class Launch:
    """One launch: a launcher packed from a JSON configuration in a fresh
    directory, the runtime beside it (found through VORBIX_JAVA_HOME), its
    log found by the executable path.

    mode "run" and "run-redirect" run the launcher with that verb, which puts
    the program path in front of the arguments; "worker" runs it as the
    service's worker does, the arguments followed by the restart marker, in
    service mode."""

    def __init__(self, stem="launch", jli=True, version=None, control=None, arch=None):
        self.dir = wb.app_dir(stem)
        self.arch = arch
        self.home = make_runtime(self.dir, jli=jli, version=version, control=control, arch=arch)
        self.exe = None

    def run(self, config=None, args=(), mode="run", env=None, remove_env=(), name="app.exe", stdin=None,
            timeout=90):
        settings = {"launcherFlavour": "e"}
        settings.update(config or {})
        self.exe = wb.pack(settings, self.dir, name=name, stub=self.arch.launcher if self.arch else None)
        if mode == "worker":
            command = [*args, RESTART_MARKER]
        elif mode in ("run", "run-redirect"):
            command = ["/" + mode, *args]
        else:
            raise ValueError(mode)
        environment = {"VORBIX_JAVA_HOME": wb.windows_path(self.home), "VORBIX_LOG": "yes"}
        environment.update(env or {})
        self.result = wb.run(self.exe, *command, env=environment, remove_env=remove_env, timeout=timeout,
                             stdin=stdin)
        self.lines = records(self.home)
        return self.result

    def log(self):
        """This launch's diagnostic log: Wine gives every process the
        prefix's temp directory, so it is told apart by the executable path."""
        logs = wb.logs_of(self.exe)
        return logs[-1] if logs else ""

    def options(self):
        return options(self.lines)

    def property(self, name):
        """The value of one of the launcher's own -D properties (None when absent)."""
        prefix = f"-D{name}="
        found = [o[len(prefix):] for o in self.options() if o.startswith(prefix)]
        return found[0] if found else None

    def runtime_jar(self):
        """The runtime archive that vorbix-pack carries, as extracted into
        this launch's launcher temp directory."""
        temp = self.property("vorbix.tempDir")
        if not temp:
            raise AssertionError(f"no launcher temp directory in {self.options()}")
        return temp.rstrip("\\") + "\\vorbix-runtime.jar"

    def class_path(self, *entries):
        """The class path option this launch should have: the runtime archive
        first, then the entries."""
        return "-Djava.class.path=" + ";".join([self.runtime_jar(), *entries])

    def launcher_options(self):
        """The options behind the launcher's own system properties (the
        leading run of -Dvorbix./-Dsun.java.command/-Djava.library.path...)."""
        opts = self.options()
        i = 0
        while i < len(opts) and opts[i].startswith(OWN_PROPERTIES):
            i += 1
        return opts[i:]

    def program(self):
        """The program path as the launch arguments carry it after "/run"."""
        return str(wb.windows_path(self.exe))

    def arguments(self):
        return main_arguments(self.lines)

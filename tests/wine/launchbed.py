"""Helpers for the VM launch tests: a fake runtime with the recording VM, a
launcher (the launch driver until the run path drives the launch steps) with
a configuration, and the records the VM left."""
import shutil
from pathlib import Path

import winebed as wb

RECORDING = wb.FIXTURES / "recording"
DRIVER = wb.FIXTURES / "launch_driver.exe"


def make_runtime(directory, jli=True, version=None, control=None):
    """rt\\bin\\java.exe and javaw.exe, rt\\bin\\server\\jvm.dll (recording), optionally
    rt\\bin\\jli.dll. Returns the runtime home."""
    home = Path(directory) / "rt"
    (home / "bin" / "server").mkdir(parents=True)
    shutil.copy(wb.FIXTURES / "java.exe", home / "bin" / "java.exe")
    shutil.copy(wb.FIXTURES / "javaw.exe", home / "bin" / "javaw.exe")
    shutil.copy(RECORDING / "jvm.dll", home / "bin" / "server" / "jvm.dll")
    if jli:
        shutil.copy(RECORDING / "jli.dll", home / "bin" / "jli.dll")
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
    """One launch: the driver with an appended configuration in a fresh
    directory, the runtime beside it, its log found by the executable path."""

    def __init__(self, stem="launch", jli=True, version=None, control=None):
        self.dir = wb.app_dir(stem)
        self.home = make_runtime(self.dir, jli=jli, version=version, control=control)

    def run(self, base=(), args=(), flags=(), env=None, name="app.exe", stdin=None, timeout=60):
        config = dict(base)
        config.setdefault(2001, "e")
        block = wb.raw_block(base=[(k, v) for k, v in config.items()])
        exe = wb.raw_launcher(self.dir, block, name=name, stub=DRIVER)
        environment = {"VORBIX_JAVA_HOME": wb.windows_path(self.home), "VORBIX_LOG": "yes",
}
        environment.update(env or {})
        result = wb.run(exe, *flags, *args, env=environment, timeout=timeout, stdin=stdin)
        self.exe = exe
        self.result = result
        self.lines = records(self.home)
        return result

    def log(self):
        """This launch's diagnostic log: Wine gives every process the
        prefix's temp directory, so it is told apart by the executable path."""
        marker = str(wb.windows_path(self.exe))
        for path in reversed(wb.find_logs()):
            text = wb.read_log(path)
            if marker in text:
                return text
        return ""

    def options(self):
        return options(self.lines)

    def launcher_options(self):
        """The options without the launcher's own system properties (the
        leading run of -Dvorbix./-Dsun.java.command/-Djava.library.path...)."""
        own = ("-Dvorbix.", "-Dsun.java.command=", "-Djava.library.path=", "-Dtsy.previousJdk=")
        opts = self.options()
        i = 0
        while i < len(opts) and opts[i].startswith(own):
            i += 1
        return opts[i:]

    def arguments(self):
        return main_arguments(self.lines)

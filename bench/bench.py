"""The launcher's costs, measured side by side with a yardstick in one run:
launch overhead, the version cache, extraction, the build tool, memory, how
launch time grows with its inputs, and service control latency; on request
the phase table of the 64-bit launcher against the floor program.

Run by scripts/bench (which builds everything and sets up one Wine prefix
with a persistent wineserver); the environment is that of the Wine tests
(WINEPREFIX, VBX_ARCH, VBX_WIN_DIR and the two builds, VBX_NATIVE_DIR,
VBX_SOURCE_DIR) plus
VBX_BENCH_DIR, a scratch directory for the build tool's inputs.
Arguments name the benchmarks to run (default: all but phases). Figures, never a
failure: a goal that is not met is printed as such."""
import os
import platform
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

import benchlib as bl
import fake_runtime as fr
import launchbed as lb
import winebed as wb
import winerun

BENCH_FIXTURES = wb.WIN_DIR / "bench"
HELLO_SERVICE = wb.SOURCE_DIR / "examples" / "hello-service" / "hello-service.json"
CACHE_KEY = r"HKCU\SOFTWARE\quindle\vorbix\jvms2"
VENDOR_KEY = r"HKLM\SOFTWARE\JavaSoft\JRE"
MIB = 1 << 20


def app_config(service=None, **extra):
    config = {"serviceName": service or wb.unique("vbxbench"), "launcherFlavour": "e",
              "mainClass": "com.example.App", "jvmSearchSequence": [{"type": "R", "value": "rt"}]}
    config.update(extra)
    return config


def fixture(name, directory, arch=None):
    """A bench fixture (of the launcher's architecture) copied beside the
    launcher it is compared with."""
    target = Path(directory) / name
    shutil.copy((arch.build / "bench" if arch else BENCH_FIXTURES) / name, target)
    return target


def main_ran(home):
    return any(line.startswith("main ") for line in lb.records(home))


def clear_records(home):
    (Path(home) / "bin" / "server" / "jvm.record").unlink(missing_ok=True)


def clear_launcher_temp():
    """Removes what launchers left in the user's temp directory: each /run
    leaves its temp file and (the fake VM removing nothing) its temp
    directory. Under Wine a name that is not there costs a scan of the whole
    directory, so a temp directory growing by two entries a run would make
    every later run of the launcher slower than the one before: cleared
    before each benchmark's rounds (not before each run: work of the bench
    right before a run was seen to slow that run down)."""
    for entry in wb.temp_dir().glob("vbx*.tmp*"):
        if entry.is_dir():
            shutil.rmtree(entry, ignore_errors=True)
        else:
            entry.unlink(missing_ok=True)


def launcher(stem, control=("quiet",), arch=None, hello=False, stub=None, **config):
    """A directory with a runtime (recording VM) and a launcher packed by
    vorbix-pack that finds it: the bench's own configuration (R rt), or with
    hello the example service's (its class path with the jar beside the
    launcher, its search sequence with the runtime in jre, its options)."""
    directory = wb.app_dir(stem)
    if hello:
        import json
        settings = json.loads(HELLO_SERVICE.read_text(encoding="utf-8"))
        settings["serviceName"] = wb.unique("vbxbench")
        settings.update(config)
        shutil.copy(wb.NATIVE_DIR / "java" / "hello-service.jar", directory / "hello-service.jar")
    else:
        settings = app_config(**config)
    home = lb.make_runtime(directory, version="1.8.0_301", control=list(control), arch=arch,
                           name="jre" if hello else "rt")
    exe = wb.pack(settings, directory, name=stem + ".exe", stub=stub or (arch.launcher if arch else None))
    bl.wine_time(exe, "/run")  # a first run fills the version cache
    if not main_ran(home):
        raise RuntimeError(f"{exe}: the VM's main did not run: {lb.records(home)}")
    clear_records(home)
    return directory, home, exe


# --- 1 ------------------------------------------------------------------------

def bench_launch():
    bl.heading("1. Launch overhead: '/run' (warm version cache, main returns at once) against a bare program")
    print("   and against the floor (the VM library loaded, the VM created on a thread and main called, nothing else),", flush=True)
    print("   for each launcher, with the bench's configuration and with the example service's", flush=True)
    for arch in (wb.X64, wb.X86):
        if arch is wb.X86 and not winerun.can_run_32bit()[0]:
            print(f"  -- 32-bit launcher (x86): left out, this machine cannot run 32-bit programs "
                  f"({winerun.can_run_32bit()[1]})", flush=True)
            continue
        directory, home, exe = launcher("launch", arch=arch)
        _, hello_home, hello = launcher("hello", arch=arch, hello=True)
        bare = fixture("bare_exit.exe", directory, arch)
        # For the share of the VM library's own loading: a bare program that
        # loads it (and writes one memory line), without any launcher.
        loader = fixture("memory_baseline.exe", directory, arch)
        library = wb.windows_path(home / "bin" / "server" / "jvm.dll")
        floor = fixture("floor_launch.exe", directory, arch)
        floor_args = (library, wb.windows_path(directory / "vorbix-runtime.jar"), "com/vorbix/runtime/WinLauncher")
        bl.wine_time(floor, *floor_args)
        if not main_ran(home):
            raise RuntimeError(f"{floor}: the VM's main did not run: {lb.records(home)}")
        clear_records(home)
        names = ("bare", "loader", "floor", "launcher", "hello")
        cpu = {name: [] for name in names}

        def timed(name, program, *args):
            wall, spent = bl.wine_cpu(program, *args)
            cpu[name].append(spent)
            return wall

        clear_launcher_temp()
        times = bl.interleaved({"bare": lambda: timed("bare", bare),
                                "floor": lambda: timed("floor", floor, *floor_args),
                                "launcher": lambda: timed("launcher", exe, "/run"),
                                "hello": lambda: timed("hello", hello, "/run"),
                                "loader": lambda: timed("loader", loader, library)}, bl.RUNS)
        clear_records(home)
        clear_records(hello_home)
        bits = "64-bit" if arch is wb.X64 else "32-bit"
        print(f"  -- {bits} launcher ({arch.name})", flush=True)
        bl.timing_line("bare program (exits at once)", times["bare"])
        bl.timing_line("bare program loading the VM library", times["loader"])
        bl.timing_line("floor program (VM thread, create, main)", times["floor"])
        bl.timing_line("launcher /run, bench configuration", times["launcher"])
        bl.timing_line("launcher /run, hello-service configuration", times["hello"])
        bl.line("CPU, Wine processes and wineserver (mean)",
                " / ".join(f"{name} {bl.ms(bl.mean(cpu[name]))}" for name in names))
        bl.line("floor / bare, wall time / CPU time",
                f"{bl.median(times['floor']) / bl.median(times['bare']):.2f}x / "
                f"{bl.mean(cpu['floor']) / bl.mean(cpu['bare']):.2f}x")
        for name, label in (("launcher", "bench config"), ("hello", "hello-service")):
            bl.line(f"launcher's own share, {label}",
                    f"{bl.ms(bl.median(times[name]) - bl.median(times['floor']))} over the floor, "
                    f"CPU {bl.ms(bl.mean(cpu[name]) - bl.mean(cpu['floor']))}")
            for base, goal in (("floor", 1.1), ("bare", 1.25)):
                ratio = bl.median(times[name]) / bl.median(times[base])
                bl.figure("launch", f"{arch.name} {label} / {base}, wall time", f"{ratio:.2f}x", f"<= {goal}x",
                          ratio <= goal)
                cpu_ratio = bl.mean(cpu[name]) / bl.mean(cpu[base])
                bl.figure("launch", f"{arch.name} {label} / {base}, CPU time", f"{cpu_ratio:.2f}x", f"<= {goal}x",
                          cpu_ratio <= goal)


# --- phases -------------------------------------------------------------------

PHASE_TREE = "phases64"


def phase_launcher():
    """The 64-bit launcher built with VBX_PHASE_TIMES in a tree of its own."""
    tree = wb.SOURCE_DIR / "build" / PHASE_TREE
    configure = ["cmake", "-S", str(wb.SOURCE_DIR), "-B", str(tree), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                 f"-DCMAKE_TOOLCHAIN_FILE={wb.SOURCE_DIR / 'cmake' / 'mingw-x86_64.cmake'}", "-DVBX_PHASE_TIMES=ON"]
    subprocess.run(configure, check=True, stdout=subprocess.DEVNULL)
    jobs = os.environ.get("VBX_JOBS", str(os.cpu_count() or 1))
    subprocess.run(["cmake", "--build", str(tree), "-j", jobs, "--target", "launcher"], check=True,
                   stdout=subprocess.DEVNULL)
    return tree / "launcher.exe"


def phase_run(program, args, log):
    """(marks, wall start, wall end) of one run, in microseconds of the
    system clock: the marks as the phase build wrote them."""
    env = wb.base_env({"VORBIX_PHASE_TIMES": wb.windows_path(log)})
    log.unlink(missing_ok=True)
    started = time.time()
    bl.wine_time(program, *args, env=env)
    ended = time.time()
    # Names may hold spaces: "created=T main=T config read=T ...".
    marks = [(name, int(value)) for name, value in re.findall(r"\s*([^=]+?)=(\d+)", log.read_text())]
    return marks, int(started * 1e6), int(ended * 1e6)


def bench_phases():
    bl.heading("Phases: where the 64-bit launcher's /run spends its time against the floor program, both built")
    print("   with timestamps at their phase boundaries; the median of each phase's duration (from the end of the", flush=True)
    print("   phase before; 'created': Wine's process creation time, 'process ended': the call returned)", flush=True)
    stub = phase_launcher()
    directory, home, exe = launcher("phases", arch=wb.X64, stub=stub)
    _, hello_home, hello = launcher("phases-hello", arch=wb.X64, hello=True, stub=stub)
    floor = fixture("floor_phases.exe", directory, wb.X64)
    floor_args = (wb.windows_path(home / "bin" / "server" / "jvm.dll"), wb.windows_path(directory / "vorbix-runtime.jar"),
                  "com/vorbix/runtime/WinLauncher")
    log = directory / "phases.txt"
    sides = {"bench config": (exe, ("/run",)), "hello-service": (hello, ("/run",)), "floor": (floor, floor_args)}
    durations = {label: {} for label in sides}
    order = []

    def run(label):
        program, args = sides[label]
        marks, started, ended = phase_run(program, args, log)
        points = [("call", started)] + marks + [("process ended", ended)]
        for (_, before), (name, at) in zip(points, points[1:]):
            if name not in order:
                order.append(name)
            durations[label].setdefault(name, []).append((at - before) / 1000.0)

    clear_launcher_temp()
    bl.interleaved({label: (lambda label=label: run(label)) for label in sides}, bl.RUNS)
    clear_records(home)
    clear_records(hello_home)
    bl.line("phase (ends at)", "".join(f"{label:>15}" for label in sides))
    totals = dict.fromkeys(sides, 0.0)
    for name in order:
        cells = []
        for label in sides:
            if name in durations[label]:
                value = bl.median(durations[label][name])
                totals[label] += value
                cells.append(f"{value:12.2f} ms")
            else:
                cells.append(f"{'-':>15}")
        bl.line(name, "".join(cells))
    bl.line("sum of the medians", "".join(f"{totals[label]:12.2f} ms" for label in sides))


# --- 2 ------------------------------------------------------------------------

def bench_cache():
    bl.heading("2. Cache effect: version cache cleared (java.exe runs) against a warm cache")
    directory, home, exe = launcher("cache")
    bin_dir = home / "bin"
    processes = {"cold": [], "warm": []}

    def launch(kind):
        before = fr.runs(bin_dir)
        elapsed = bl.wine_time(exe, "/run")
        processes[kind].append(fr.runs(bin_dir) - before)
        return elapsed

    def clear(kind):
        if kind == "cold":
            wb.reg_delete(CACHE_KEY)

    runs = max(5, bl.RUNS * 2 // 3)
    times = bl.interleaved({"cold": lambda: launch("cold"), "warm": lambda: launch("warm")}, runs, before=clear)
    bl.timing_line("cold: cache cleared", times["cold"])
    bl.timing_line("warm: cache filled", times["warm"])
    ratio = bl.median(times["cold"]) / bl.median(times["warm"])
    bl.figure("cache", "cold / warm", f"{ratio:.2f}x")
    bl.line("cost of one version check", bl.ms(bl.median(times["cold"]) - bl.median(times["warm"])))
    cold = sorted(set(processes["cold"]))
    warm = sorted(set(processes["warm"]))
    bl.figure("cache", "processes started per cold launch", "/".join(map(str, cold)))
    bl.figure("cache", "processes started per warm launch", "/".join(map(str, warm)), "0", warm == [0])


# --- 3 ------------------------------------------------------------------------

def bench_extraction():
    size = 64 * MIB
    bl.heading(f"3. Extraction: a launcher carrying a {size // MIB} MiB file against CopyFileW of that file")
    directory = wb.app_dir("extraction")
    lb.make_runtime(directory, version="1.8.0_301", control=["quiet"])
    big = directory / "big.bin"
    big.write_bytes(os.urandom(size))
    tiny = directory / "tiny.bin"
    tiny.write_bytes(b"x")
    carrying = wb.pack(app_config(includedFiles=[{"name": "big.bin", "source": str(big)}]), directory,
                       name="carrying.exe")
    plain = wb.pack(app_config(), directory, name="plain.exe")
    copy = fixture("file_copy.exe", directory)
    target = wb.temp_dir() / "vbxbench-copy.bin"
    win_big, win_tiny, win_target = (wb.windows_path(p) for p in (big, tiny, target))
    for exe in (carrying, plain):
        bl.wine_time(exe, "/run")

    def remove_copy(_):
        target.unlink(missing_ok=True)

    runs = max(7, bl.RUNS // 2)
    times = bl.interleaved({
        "carrying": lambda: bl.wine_time(carrying, "/run"),
        "plain": lambda: bl.wine_time(plain, "/run"),
        "copy big": lambda: bl.wine_time(copy, win_big, win_target),
        "copy tiny": lambda: bl.wine_time(copy, win_tiny, win_target),
    }, runs, before=remove_copy)
    remove_copy(None)
    for name, label in (("carrying", "launcher carrying the file, /run"), ("plain", "the same launcher without it"),
                        ("copy big", "CopyFileW of the file"), ("copy tiny", "CopyFileW of a 1-byte file")):
        bl.timing_line(label, times[name])
    # Differences within each round, then their median: both sides of a
    # difference ran moments apart.
    extract = bl.median([a - b for a, b in zip(times["carrying"], times["plain"])])
    copied = bl.median([a - b for a, b in zip(times["copy big"], times["copy tiny"])])
    rate = lambda seconds: f"{size / MIB / seconds:.0f} MiB/s" if seconds > 0 else "n/a"
    bl.line("extraction (launch differences, median)", f"{bl.ms(extract)}, {rate(extract)}")
    bl.line("copy (copy differences, median)", f"{bl.ms(copied)}, {rate(copied)}")
    ratio = copied / extract if extract > 0 else float("inf")
    bl.figure("extraction", "extraction throughput / copy throughput", f"{ratio:.2f}x", ">= 0.7x", ratio >= 0.7)


# --- 4 ------------------------------------------------------------------------

def bench_pack():
    count, size = 4, 64 * MIB
    bl.heading(f"4. Build tool: vorbix-pack build with {count * size // MIB} MiB of included files against cat")
    work = Path(os.environ.get("VBX_BENCH_DIR", "/tmp/vbxbench")) / "pack"
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    sources = []
    for i in range(count):
        path = work / f"part{i}.bin"
        path.write_bytes(os.urandom(size))
        sources.append(path)
    config = app_config(includedFiles=[{"name": p.name, "source": str(p)} for p in sources], runtimeArchive=False)
    config_path = work / "pack.json"
    config_path.write_text(__import__("json").dumps(config))
    packed, joined = work / "packed.exe", work / "joined.bin"
    pack_command = [str(wb.PACK), "build", str(config_path), "-o", str(packed), "--stub", str(wb.LAUNCHER)]
    cat_command = ["sh", "-c", 'cat "$@" > "$0"', str(joined), *map(str, sources)]

    outputs = {"pack": packed, "cat": joined}
    sizes = {}

    def remove(name):
        if outputs[name].exists():
            sizes[name] = outputs[name].stat().st_size
        outputs[name].unlink(missing_ok=True)

    runs = max(5, bl.RUNS // 3)
    times = bl.interleaved({"pack": lambda: bl.native_time(pack_command),
                            "cat": lambda: bl.native_time(cat_command)}, runs, before=remove)
    for name in outputs:
        remove(name)
    expected = wb.LAUNCHER.stat().st_size + count * (size + 8)
    built = sizes.get("pack", 0)
    bl.timing_line("vorbix-pack build", times["pack"])
    bl.timing_line("cat of the same files", times["cat"])
    bl.line("packed size (at least stub + files)", f"{built} bytes (>= {expected})")
    ratio = bl.median(times["cat"]) / bl.median(times["pack"])
    bl.figure("pack", "build throughput / cat throughput", f"{ratio:.2f}x", ">= 0.8x", ratio >= 0.8)
    shutil.rmtree(work, ignore_errors=True)


# --- 5 ------------------------------------------------------------------------

MEMORY_LINE = re.compile(r"memory private=(\d+) peak=(\d+) vm=(\d+)")


def memory_of(home):
    for line in lb.records(home):
        match = MEMORY_LINE.fullmatch(line)
        if match:
            return tuple(int(v) for v in match.groups())
    raise RuntimeError(f"no memory line in {lb.records(home)}")


def bench_memory():
    bl.heading("5. Memory: the launcher's private bytes beside the fake VM, at main")
    directory, home, exe = launcher("memory", control=("quiet", "memory"))
    baseline = fixture("memory_baseline.exe", directory)
    library = wb.windows_path(home / "bin" / "server" / "jvm.dll")
    own, peaks, raw = [], [], []
    for _ in range(max(5, bl.RUNS // 3)):
        clear_records(home)
        bl.wine_time(exe, "/run")
        private, peak, vm = memory_of(home)
        clear_records(home)
        bl.wine_time(baseline, library)
        base_private, base_peak, _ = memory_of(home)
        own.append(private - vm - base_private)
        peaks.append(peak - vm - base_peak)
        raw.append((private, peak, vm, base_private, base_peak))
    clear_records(home)
    mid = sorted(raw)[len(raw) // 2]
    bl.line("launcher process at main: private / peak", f"{mid[0] / MIB:.2f} / {mid[1] / MIB:.2f} MiB")
    bl.line("of which the fake VM allocated", f"{mid[2] / 1024:.1f} KiB")
    bl.line("bare process with the VM library: private / peak", f"{mid[3] / MIB:.2f} / {mid[4] / MIB:.2f} MiB")
    private = bl.median(own) / MIB
    peak = bl.median(peaks) / MIB
    bl.figure("memory", "launcher's own private memory at main", f"{private:.2f} MiB", "< 4 MiB", private < 4)
    bl.figure("memory", "launcher's own peak private memory", f"{peak:.2f} MiB", "< 4 MiB", peak < 4)


# --- 6 ------------------------------------------------------------------------

def curve(benchmark, unit, sizes, times):
    """Prints time against size, the growth over the smallest size per unit,
    and whether the growth is worse than linear."""
    medians = [bl.median(times[n]) for n in sizes]
    bl.line(f"{unit:>10}", f"{'time':>10}  {'growth':>10}  {'per unit':>12}")
    for n, t in zip(sizes, medians):
        growth = t - medians[0]
        per = f"{growth / (n - sizes[0]) * 1e6:.2f} us" if n != sizes[0] else "-"
        bl.line(f"{n:>10}", f"{bl.ms(t):>10}  {bl.ms(growth):>10}  {per:>12}")
    # Worse than linear: the growth at the largest size exceeds twice what
    # the growth up to the size before it predicts. A growth within the
    # noise (the middle half of the smallest size's runs, at least 20 ms)
    # predicts with the noise instead, so noise alone never counts.
    low, high = bl.spread(times[sizes[0]])
    noise = max(high - low, 0.02)
    worse = False
    for i in range(2, len(sizes)):
        before = max(medians[i - 1] - medians[0], noise)
        predicted = before * (sizes[i] - sizes[0]) / (sizes[i - 1] - sizes[0])
        if medians[i] - medians[0] > 2 * predicted:
            worse = True
    largest = medians[-1] - medians[0]
    per = largest / (sizes[-1] - sizes[0])
    verdict = "worse than linear" if worse else "linear or better"
    bl.figure("growth", f"{benchmark}: per {unit[:-1]}", f"{per * 1e6:.2f} us", "linear", not worse)
    bl.line("", verdict)


def vendor_keys_file(path, count, home):
    lines = ["REGEDIT4", ""]
    java_home = wb.windows_path(home).replace("\\", "\\\\")
    for i in range(1, count + 1):
        # The oldest version is the only real runtime: the walk tries every
        # newer key before it.
        value = java_home if i == 1 else f"C:\\\\vbxmissing\\\\jre{i}"
        lines += [f"[{VENDOR_KEY.replace('HKLM', 'HKEY_LOCAL_MACHINE')}\\1.8.0_{i}]", f'"JavaHome"="{value}"', ""]
    Path(path).write_text("\r\n".join(lines))


def bench_growth_registry():
    bl.heading("6a. Growth: vendor registry keys in the search sequence (Y), all but the oldest without a runtime")
    sizes = [1, 10, 100, 1000]
    directory = wb.app_dir("growth-registry")
    home = lb.make_runtime(directory, version="1.8.0_301", control=["quiet"])
    exe = wb.pack(app_config(jvmSearchSequence=[{"type": "Y"}]), directory, name="registry.exe")
    files = {}
    for n in sizes:
        files[n] = directory / f"keys{n}.reg"
        vendor_keys_file(files[n], n, home)

    def install_keys(n):
        wb.reg_delete(VENDOR_KEY)
        r = wb.reg("import", wb.windows_path(files[n]), timeout=120)
        if r.code != 0:
            raise RuntimeError(f"reg import failed: {r}")

    install_keys(1)
    bl.wine_time(exe, "/run")
    runs = max(5, bl.RUNS // 3)
    times = bl.interleaved({n: (lambda: bl.wine_time(exe, "/run")) for n in sizes}, runs, before=install_keys)
    wb.reg_delete(VENDOR_KEY)
    curve("vendor keys", "keys", sizes, times)


def bench_growth_options():
    bl.heading("6b. Growth: lines of the options file beside the executable")
    sizes = [10, 1000, 100000]
    directory = wb.app_dir("growth-options")
    lb.make_runtime(directory, version="1.8.0_301", control=["quiet"])
    exes = {}
    for n in sizes:
        exes[n] = wb.pack(app_config(readVmOptionsFile=True), directory, name=f"lines{n}.exe")
        text = "".join(f"-Dbench.option{i}=value{i}\r\n" for i in range(n))
        (directory / f"lines{n}.vmoptions").write_text(text)
        bl.wine_time(exes[n], "/run")
    runs = max(5, bl.RUNS // 3)
    times = bl.interleaved({n: (lambda n=n: bl.wine_time(exes[n], "/run")) for n in sizes}, runs)
    curve("options file", "lines", sizes, times)


def minimal_env(extra):
    keep = ("PATH", "HOME", "USER", "LOGNAME", "WINEPREFIX", "WINEARCH", "WINEDEBUG", "WINESERVER", "WINELOADER")
    env = {k: os.environ[k] for k in keep if k in os.environ}
    env.setdefault("WINEDEBUG", "-all")
    env.update(extra)
    return env


def bench_growth_environment():
    lines = 1000
    bl.heading(f"6c. Growth: environment variables, {lines} option lines each expanding one of them")
    sizes = [10, 100, 1000]
    directory = wb.app_dir("growth-env")
    lb.make_runtime(directory, version="1.8.0_301", control=["quiet"])
    exes, envs = {}, {}
    for n in sizes:
        exes[n] = wb.pack(app_config(readVmOptionsFile=True), directory, name=f"env{n}.exe")
        text = "".join(f"-Dbench.v{i}=${{BENCH_VAR_{i % n}}}\r\n" for i in range(lines))
        (directory / f"env{n}.vmoptions").write_text(text)
        envs[n] = minimal_env({f"BENCH_VAR_{i}": f"value-of-variable-{i}" for i in range(n)})
        bl.wine_time(exes[n], "/run", env=envs[n])
    runs = max(5, bl.RUNS // 3)
    times = bl.interleaved({n: (lambda n=n: bl.wine_time(exes[n], "/run", env=envs[n])) for n in sizes}, runs)
    bl.line("", "(variables added to a minimal environment; Wine adds its own)")
    curve("environment", "variables", sizes, times)


# --- 7 ------------------------------------------------------------------------

def timed_stop(exe, timeout=120):
    """Seconds from the start of '/stop' until it printed "Service stopped"."""
    started = time.perf_counter()
    command, env = winerun.command(exe, ["/stop"], wb.base_env())
    proc = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, env=env, cwd="/tmp")
    seen = None
    output = []
    for raw in proc.stdout:
        text = raw.decode("utf-8", "replace").strip()
        output.append(text)
        if text == "Service stopped":
            seen = time.perf_counter() - started
    proc.wait(timeout=timeout)
    if seen is None:
        raise RuntimeError(f"/stop printed {output}")
    return seen


def bench_service():
    bl.heading("7. Service control latency: '/start' until main runs, '/stop' until \"Service stopped\"")
    service = wb.unique("vbxbench")
    directory = wb.app_dir("service")
    home = lb.make_runtime(directory, version="1.8.0_301", control=["quiet", "readstdin"])
    exe = wb.pack(app_config(service=service), directory, name=service + ".exe")
    bl.wine_time(exe, "/run")
    try:
        bl.wine_time(exe, "/install")
        starts, stops, runs = [], [], []
        for round_index in range(max(5, bl.RUNS // 3)):
            clear_records(home)
            runs.append(bl.wine_time(exe, "/run"))
            clear_records(home)
            started = time.perf_counter()
            bl.wine_time(exe, "/start")
            if not wb.wait_until(lambda: main_ran(home), timeout=60, interval=0.005):
                raise RuntimeError(f"the service's main did not run: {lb.records(home)}")
            starts.append(time.perf_counter() - started)
            stops.append(timed_stop(exe))
    finally:
        bl.wine_time(exe, "/stop", check=False)
        bl.wine_time(exe, "/uninstall", check=False)
    bl.timing_line("/run until the process ended (yardstick)", runs)
    bl.timing_line("/start until the service's main ran", starts)
    bl.timing_line("/stop until \"Service stopped\"", stops)
    bl.figure("service", "start until main / run in the console", f"{bl.median(starts) / bl.median(runs):.2f}x")
    bl.figure("service", "stop latency", bl.ms(bl.median(stops)))
    bl.line("", "(the stop polls the service every 500 ms: at least one interval)")


# --- the machine ------------------------------------------------------------------

def machine():
    bl.heading("Machine")
    cpu = "unknown"
    try:
        for text in Path("/proc/cpuinfo").read_text().splitlines():
            if text.startswith("model name"):
                cpu = text.split(":", 1)[1].strip()
                break
    except OSError:
        pass
    os_name = platform.platform()
    try:
        for text in Path("/etc/os-release").read_text().splitlines():
            if text.startswith("PRETTY_NAME="):
                os_name = text.split("=", 1)[1].strip('"')
    except OSError:
        pass
    wine = subprocess.run([winerun.WINE64, "--version"], capture_output=True, text=True).stdout.strip()
    bl.line("CPU", f"{cpu}, {os.cpu_count()} cores")
    bl.line("OS", f"{os_name}, kernel {platform.release()}")
    bl.line("Wine", f"{wine}; 64-bit programs started through {winerun.WINE64}")
    bl.line("32-bit programs", ("run: " if winerun.can_run_32bit()[0] else "cannot run: ") + winerun.can_run_32bit()[1])
    bl.line("load average at start", " ".join(f"{v:.2f}" for v in os.getloadavg()))
    bl.line("runs per launch benchmark", str(bl.RUNS))


BENCHMARKS = {
    "launch": bench_launch, "phases": bench_phases, "cache": bench_cache, "extraction": bench_extraction, "pack": bench_pack,
    "memory": bench_memory, "growth-registry": bench_growth_registry, "growth-options": bench_growth_options,
    "growth-env": bench_growth_environment, "service": bench_service,
}


def main(names):
    unknown = [n for n in names if n not in BENCHMARKS and n != "growth"]
    if unknown:
        print(f"unknown benchmark {unknown}; known: {' '.join(BENCHMARKS)} (growth = all three growth ones)")
        return 2
    selected = []
    # The phase table builds a launcher of its own: only when asked for.
    for name in names or [n for n in BENCHMARKS if n != "phases"]:
        selected += [n for n in BENCHMARKS if n.startswith("growth-")] if name == "growth" else [name]
    machine()
    started = time.perf_counter()
    for name in selected:
        BENCHMARKS[name]()
    bl.summary()
    bl.line("load average at the end", " ".join(f"{v:.2f}" for v in os.getloadavg()))
    bl.line("benchmark time", f"{time.perf_counter() - started:.0f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

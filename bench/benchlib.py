"""Timing helpers of the benchmarks: wall-clock runs of Windows programs under
Wine and of native programs, interleaved so that the machine's noise hits
every side alike, medians, and the printed figures with their goals."""
import os
import statistics
import subprocess
import tempfile
import time

import winebed as wb
import winerun

# Scale of the repetitions: VBX_BENCH_RUNS=N sets the launch benchmarks' runs.
RUNS = int(os.environ.get("VBX_BENCH_RUNS", "15"))

results = []  # (benchmark, figure, value text, goal text, met: True/False/None)


def wine_time(program, *args, env=None, cwd=None, timeout=300, check=True):
    """Seconds from the start of the program under Wine (started as the test
    bed starts it: 64-bit programs through the 64-bit loader) until it ended."""
    command, environment = winerun.command(program, args, env if env is not None else wb.base_env())
    started = time.perf_counter()
    proc = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                          env=environment, cwd=cwd or tempfile.gettempdir(), timeout=timeout)
    elapsed = time.perf_counter() - started
    if check and proc.returncode != 0:
        raise RuntimeError(f"{program} {' '.join(map(str, args))}: exit {proc.returncode}\n"
                           f"{proc.stderr.decode('utf-8', 'replace')}")
    return elapsed


_server = None  # (prefix, pid) of the last wineserver found


def _wineserver_pid():
    """The wineserver of WINEPREFIX: its working directory is named after the
    prefix's device and inode. Found once and kept while it lives: a walk
    over /proc right before a run slows that run down by some 20 ms here,
    more than the launcher's own work."""
    global _server
    if _server and _server[0] == os.environ["WINEPREFIX"]:
        try:
            with open(f"/proc/{_server[1]}/comm") as comm:
                if comm.read().startswith("wineserver"):
                    return _server[1]
        except OSError:
            pass
    pid = _find_wineserver()
    _server = (os.environ["WINEPREFIX"], pid) if pid else None
    return pid


def _find_wineserver():
    st = os.stat(os.environ["WINEPREFIX"])
    name = "server-%x-%x" % (st.st_dev, st.st_ino)
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/comm") as comm:
                if comm.read().startswith("wineserver") and os.readlink(f"/proc/{entry}/cwd").endswith(name):
                    return int(entry)
        except OSError:
            continue
    return None


def _cpu_of(pid):
    """User and system seconds a process has used so far (0 when unknown)."""
    if pid is None:
        return 0.0
    try:
        with open(f"/proc/{pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
    except OSError:
        return 0.0
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def wine_cpu(program, *args, env=None, timeout=300):
    """(wall seconds, CPU seconds) of one `wine program args`: the CPU time of
    the Wine processes it started plus what the prefix's wineserver spent
    meanwhile. Unlike wall time it hardly moves with the machine's other
    load; the server's share is counted in clock ticks, so it only means
    something as a mean over many runs."""
    server = _wineserver_pid()
    before_children = os.times()
    before_server = _cpu_of(server)
    wall = wine_time(program, *args, env=env, timeout=timeout)
    after_children = os.times()
    children = (after_children.children_user - before_children.children_user +
                after_children.children_system - before_children.children_system)
    return wall, children + _cpu_of(server) - before_server


def native_time(command, timeout=600, **kwargs):
    started = time.perf_counter()
    proc = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout, **kwargs)
    elapsed = time.perf_counter() - started
    if proc.returncode != 0:
        raise RuntimeError(f"{command}: exit {proc.returncode}\n{proc.stderr.decode('utf-8', 'replace')}")
    return elapsed


def interleaved(sides, runs, before=None):
    """Runs every side once per round, `runs` rounds, the order rotating
    from round to round. sides: name -> callable returning seconds (or
    None to measure the call itself). before(name), when given, runs
    untimed ahead of each call. Returns name -> list of seconds."""
    names = list(sides)
    times = {name: [] for name in names}
    for round_index in range(runs):
        shift = round_index % len(names)
        for name in names[shift:] + names[:shift]:
            if before:
                before(name)
            started = time.perf_counter()
            value = sides[name]()
            times[name].append(value if value is not None else time.perf_counter() - started)
    return times


def median(values):
    return statistics.median(values)


def mean(values):
    return statistics.mean(values)


def spread(values):
    """The middle half of the values as (first quartile, third quartile)."""
    if len(values) < 4:
        return min(values), max(values)
    q = statistics.quantiles(values, n=4)
    return q[0], q[2]


def ms(seconds):
    return f"{seconds * 1000:.1f} ms"


def heading(title):
    print(f"\n== {title}", flush=True)


def line(label, text):
    print(f"  {label:<44} {text}", flush=True)


def timing_line(label, values):
    low, high = spread(values)
    line(label, f"{ms(median(values)):>10}   (middle half {ms(low)} .. {ms(high)}, {len(values)} runs)")


def figure(benchmark, label, value_text, goal_text=None, met=None):
    """A figure with its goal; remembered for the closing summary."""
    mark = "" if met is None else ("  [goal met]" if met else "  [GOAL NOT MET]")
    goal = f"   goal {goal_text}" if goal_text else ""
    line(label, f"{value_text}{goal}{mark}")
    results.append((benchmark, label, value_text, goal_text, met))


def summary():
    heading("Summary")
    for benchmark, label, value, goal, met in results:
        if goal is None:
            continue
        state = "met" if met else "NOT MET"
        print(f"  {benchmark:<10} {label:<44} {value:<14} goal {goal:<10} {state}", flush=True)

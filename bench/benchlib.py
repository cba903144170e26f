"""Timing helpers of the benchmarks: wall-clock runs of Windows programs under
Wine and of native programs, interleaved so that the machine's noise hits
every side alike, medians, and the printed figures with their goals."""
import os
import statistics
import subprocess
import tempfile
import time

import winebed as wb

# Scale of the repetitions: VBX_BENCH_RUNS=N sets the launch benchmarks' runs.
RUNS = int(os.environ.get("VBX_BENCH_RUNS", "15"))

results = []  # (benchmark, figure, value text, goal text, met: True/False/None)


def wine_time(program, *args, env=None, cwd=None, timeout=300, check=True):
    """Seconds from the start of `wine program args` until it ended."""
    command = ["wine", str(program), *[str(a) for a in args]]
    environment = env if env is not None else wb.base_env()
    started = time.perf_counter()
    proc = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                          env=environment, cwd=cwd or tempfile.gettempdir(), timeout=timeout)
    elapsed = time.perf_counter() - started
    if check and proc.returncode != 0:
        raise RuntimeError(f"{program} {' '.join(map(str, args))}: exit {proc.returncode}\n"
                           f"{proc.stderr.decode('utf-8', 'replace')}")
    return elapsed


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

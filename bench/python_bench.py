#!/usr/bin/python3
"""Speed of the Python module, on one core:
  - helisolv.open_water over 1,000,000 J of one propeller (float32 in, three float32 arrays out),
    for each series and Gawn model, corrected at a known diameter and with the diameter implied
    at each J;
  - helisolv.run of the heaviest design task (Kq/J^5, Gawn series, 5000 7 200 1025 3 0.8);
  - the same runs in two threads, against one after the other (the GIL is released; needs 2 cores).
Best of many repetitions (wall, and the calling thread's CPU time), so that other work on the
machine shows as little as possible:
  PYTHONPATH=build/python /usr/bin/python3 bench/python_bench.py
"""
import os
import statistics
import threading
import time
import warnings

import numpy as np

import helisolv


def timings(call, repeat, clock=time.perf_counter):
    out = []
    for _ in range(repeat):
        start = clock()
        call()
        out.append(clock() - start)
    return out


def main():
    os.sched_setaffinity(0, {sorted(os.sched_getaffinity(0))[0]})
    j = np.linspace(0.1, 1.5, 1_000_000, dtype=np.float32)
    cases = {
        "wageningen B4-55 P/D 1.0": ("wageningen", 4, 0.55, 1.0, {}),
        "gawn 3 blades 0.8 P/D 1.2": ("gawn", 3, 0.8, 1.2, {}),
        "gawn, Gawn-Burrill regression": ("gawn", 3, 0.8, 1.2, dict(gawn_model="regression")),
        "wageningen, legacy correction at D 4 m": (
            "wageningen", 4, 0.55, 1.0, dict(correction="legacy", diameter=4.0, rpm=120.0)),
        "wageningen, legacy correction, D from J": (
            "wageningen", 4, 0.55, 1.0, dict(correction="legacy", rpm=120.0, speed=6.0)),
    }
    warnings.simplefilter("ignore", RuntimeWarning)  # J from 0.1 lies below the regression's range
    for name, (series, z, ear, pd, kw) in cases.items():
        call = lambda: helisolv.open_water(series, z, ear, pd, j, **kw)  # noqa: E731
        t = timings(call, 60)
        cpu = min(timings(call, 60, time.thread_time))
        print(f"open_water 1e6 J, {name}: best {min(t) * 1e3:.2f} ms = "
              f"{len(j) / min(t) / 1e6:.0f} M points/s (median {statistics.median(t) * 1e3:.2f} ms; "
              f"CPU {cpu * 1e3:.2f} ms = {len(j) / cpu / 1e6:.0f} M points/s)")

    task = "*\n" * 13 + "2\n" + "*\n" * 63 + "3\n5000 7 200 1025 3 0.8\n"
    assert helisolv.run(task).exit_status == 0
    t = timings(lambda: helisolv.run(task), 300)
    cpu = timings(lambda: helisolv.run(task), 300, time.thread_time)
    print(f"run heaviest design task: best {min(t) * 1e3:.3f} ms, "
          f"median {statistics.median(t) * 1e3:.3f} ms (CPU median "
          f"{statistics.median(cpu) * 1e3:.3f} ms)")
    t = timings(lambda: helisolv.run(task).tables, 300)
    print(f"  with its table as Python rows: median {statistics.median(t) * 1e3:.3f} ms")

    os.sched_setaffinity(0, set(range(os.cpu_count())))
    if len(os.sched_getaffinity(0)) >= 2:
        def forty_runs():
            for _ in range(40):
                helisolv.run(task)
        one_after_other = min(timings(lambda: (forty_runs(), forty_runs()), 5))

        def side_by_side():
            threads = [threading.Thread(target=forty_runs) for _ in range(2)]
            for thread in threads:
                thread.start()
            for thread in threads:
                thread.join()
        two_threads = min(timings(side_by_side, 5))
        print(f"80 runs: one after the other {one_after_other * 1e3:.0f} ms, "
              f"in two threads {two_threads * 1e3:.0f} ms")


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""The whole Wageningen B-series design space in one helisolv.open_water call, and the
criteria over many points:
  - Z 2 to 7 x 16 area ratios (0.30 to 1.05) x 91 pitch ratios (0.50 to 1.40) x 1,400 J
    (0.1 to 1.5 by 0.001): 12.2 M points, broadcast from four 1-d arrays, on one core, into
    new result arrays and into arrays given with out=;
  - the same grid in two threads (Z 2-4 and Z 5-7) against one thread over all of it (needs two
    free cores);
  - burrill_min_area_ratio over 1,000,000 points (a 1-d array of speeds of advance).
Best of several calls (wall), and the calling thread's CPU time:
  PYTHONPATH=build-release/python /usr/bin/python3 bench/design_space_bench.py
"""
import os
import threading
import time

import numpy as np

import helisolv


def best(call, repeat, clock=time.perf_counter):
    times = []
    for _ in range(repeat):
        start = clock()
        call()
        times.append(clock() - start)
    return min(times)


def design_space():
    z = np.arange(2, 8, dtype=np.float32)[:, None, None, None]
    ear = (np.arange(30, 106, 5) / np.float32(100)).astype(np.float32)[None, :, None, None]
    pd = (np.arange(50, 141) / np.float32(100)).astype(np.float32)[None, None, :, None]
    j, grid = np.float32(0.1), []
    for _ in range(1400):
        grid.append(j)
        j = np.float32(j + np.float32(0.001))
    return z, ear, pd, np.array(grid, dtype=np.float32)


def main():
    z, ear, pd, j = design_space()
    points = z.size * ear.size * pd.size * j.size
    cores = sorted(os.sched_getaffinity(0))
    os.sched_setaffinity(0, {cores[0]})
    whole = lambda: helisolv.open_water("wageningen", z, ear, pd, j)  # noqa: E731
    wall = best(whole, 7)
    cpu = best(whole, 7, time.thread_time)
    print(f"open_water over the design space, {points / 1e6:.1f} M points, one core: best "
          f"{wall * 1e3:.1f} ms = {points / wall / 1e6:.0f} M points/s (CPU {cpu * 1e3:.1f} ms)")

    # A study that evaluates grid after grid writes into arrays it already has:
    # the same call without the fresh pages the system must clear for new results.
    out = tuple(np.empty(np.broadcast_shapes(z.shape, ear.shape, pd.shape, j.shape), np.float32)
                for _ in range(3))
    into = lambda: helisolv.open_water("wageningen", z, ear, pd, j, out=out)  # noqa: E731
    print(f"  the same into given arrays (out=): best {best(into, 7) * 1e3:.1f} ms "
          f"(CPU {best(into, 7, time.thread_time) * 1e3:.1f} ms)")

    os.sched_setaffinity(0, set(cores))
    if len(cores) >= 2:
        halves = [z[:3], z[3:]]

        def two_threads():
            threads = [threading.Thread(target=helisolv.open_water,
                                        args=("wageningen", half, ear, pd, j)) for half in halves]
            for thread in threads:
                thread.start()
            for thread in threads:
                thread.join()
        one = best(whole, 7)
        two = best(two_threads, 7)
        print(f"  one thread {one * 1e3:.1f} ms, two threads over halves {two * 1e3:.1f} ms: "
              f"{one / two:.2f} times")

    os.sched_setaffinity(0, {cores[0]})
    va = np.linspace(1.0, 12.0, 1_000_000)
    call = lambda: helisolv.burrill_min_area_ratio(420.0, va, 120.0, 4.6, 1.07, 4.5)  # noqa: E731
    wall = best(call, 20)
    print(f"burrill_min_area_ratio over 1e6 points, one core: best {wall * 1e3:.1f} ms "
          f"(CPU {best(call, 20, time.thread_time) * 1e3:.1f} ms)")


if __name__ == "__main__":
    main()

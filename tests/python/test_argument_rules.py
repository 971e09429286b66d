# The module's rules for its arguments, one table over every quantity that
# must be positive (the selection's in test_select), and proof that helisolv.run lets
# other Python threads go on while the C++ run goes on.
import fcntl
import os
import threading
import time

import pytest

from conftest import EXAMPLES, helisolv

# (function, arguments that compute, the arguments that must be positive)
POSITIVE = [
    (helisolv.sigma_07r, dict(advance_speed=6.2, rpm=120, diameter=4.6, shaft_depth=4.5,
                              density=1025), ("rpm", "diameter", "density")),
    (helisolv.tau_c, dict(thrust=420, advance_speed=6.2, rpm=120, diameter=4.6, pitch_ratio=1.0,
                          area_ratio=0.75, density=1025),
     ("rpm", "diameter", "area_ratio", "density")),
    (helisolv.burrill_min_area_ratio, dict(thrust=420, advance_speed=6.2, rpm=120, diameter=4.6,
                                           pitch_ratio=1.0, shaft_depth=4.5, density=1025),
     ("rpm", "diameter", "density")),
    (helisolv.keller_min_area_ratio, dict(thrust=420, diameter=4.6, shaft_depth=4.5, blades=4,
                                          density=1025), ("diameter", "density")),
    (helisolv.tip_speed, dict(rpm=120, diameter=4.6), ("rpm", "diameter")),
    (helisolv.open_water, dict(series="wageningen", blades=4, area_ratio=0.55, pitch_ratio=1.0,
                               j=0.5, correction="legacy", diameter=4.0, rpm=150.0, speed=6.2),
     ("diameter", "rpm", "speed")),
]


@pytest.mark.parametrize("function,arguments,positive", POSITIVE,
                         ids=[f.__name__ for f, _, _ in POSITIVE])
def test_quantities_that_must_be_positive_refuse_zero_and_negatives(function, arguments,
                                                                    positive):
    function(**arguments)
    for name in positive:
        for bad in (0.0, -0.0, -1.0, [1.0, -1e-30]):
            with pytest.raises(ValueError, match=name + r"(\[1\])? must be positive"):
                function(**(arguments | {name: bad}))
        function(**(arguments | {name: 1e-3}))  # small is not refused


def test_run_lets_another_thread_go_on_while_it_runs(tmp_path):
    # The run waits (up to 10 s) for its CSV folder, which this thread holds
    # locked; only this thread can let it go on, which it can do only while
    # the run has given up the GIL. Held, the run would end in its lock
    # timeout with status 1 instead.
    task = (EXAMPLES / "type06_operating_point.Tsk").read_bytes()
    folder = os.open(tmp_path, os.O_RDONLY | os.O_DIRECTORY)
    fcntl.flock(folder, fcntl.LOCK_EX)
    called, result = threading.Event(), {}

    def run():
        called.set()
        result["run"] = helisolv.run(task, "\n" * 4, ("--csv", str(tmp_path)))
        result["ended"] = time.monotonic()

    worker = threading.Thread(target=run)
    started = time.monotonic()
    worker.start()
    called.wait()
    time.sleep(0.3)  # the worker goes on into the run and waits for the folder
    unlocked = time.monotonic()
    fcntl.flock(folder, fcntl.LOCK_UN)
    os.close(folder)
    worker.join()
    assert result["run"].exit_status == 0, result["run"].errors
    assert result["ended"] > unlocked and unlocked - started < 5
    assert (tmp_path / "run.csv").exists()

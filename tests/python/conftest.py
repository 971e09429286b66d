# The module under test is the one the build made: CTest puts its folder on
# PYTHONPATH (and skips the entry when the build made none, so a module that
# fails to import here is a failure). Run by hand with
#   PYTHONPATH=build/python /usr/bin/python3 -m pytest -q -p no:cacheprovider tests/python
import pathlib

import numpy as np
import pytest

import helisolv

REPO = pathlib.Path(__file__).resolve().parents[2]
EXAMPLES = REPO / "examples"
PITCH_FOR_THRUST = (EXAMPLES / "type08_pitch_for_thrust.Tsk").read_bytes()


def task_text(series, problem_type, inputs):
    """A task file: 13 free lines, the series line, 63 free lines, the type and its inputs."""
    return "*\n" * 13 + f"{series}\n" + "*\n" * 63 + f"{problem_type}\n{inputs}\n"


def same_bits(a, b):
    return np.array_equal(np.asarray(a).view(np.uint32), np.asarray(b).view(np.uint32))


def recorded_cases(printing=b""):
    """The recorded runs of the console program (those whose report holds `printing`)."""
    for group in ("conformance", "e2e", "examples", "warnings"):
        for case in sorted((REPO / "tests" / group).iterdir()):
            stdout = case / "expected.stdout"
            if (case / "expected.rc").exists() and printing in stdout.read_bytes():
                yield pytest.param(case, id=f"{group}/{case.name}")


def run_case(case):
    """A recorded case through helisolv.run, and the task file's bytes."""
    task = case / "Helisolv.Tsk"
    task = task if task.exists() else EXAMPLES / f"{case.name}.Tsk"
    stdin, args = case / "stdin.txt", case / "args.txt"
    args = [a for a in args.read_text().splitlines() if a] if args.exists() else []
    answers = stdin.read_bytes() if stdin.exists() else b""
    return helisolv.run(task.read_bytes(), answers, args), task.read_bytes()


def check_recorded_run(case, tmp_path, monkeypatch):
    """The same console bytes, result-file bytes and exit status as the console
    program, the warnings on standard error kept in the result, and nothing
    read or written in the current folder."""
    monkeypatch.chdir(tmp_path)
    r, _ = run_case(case)
    assert r.exit_status == int((case / "expected.rc").read_text())
    assert r.console == (case / "expected.stdout").read_bytes()
    son = case / "expected.son"
    assert r.result_file == (son.read_bytes() if son.exists() else b"")
    if r.exit_status == 1:
        assert b"\nrun-time error " in r.errors
    warned = [line for line in r.errors.splitlines() if line.startswith(b"helisolv: warning: ")]
    assert warned == [b"helisolv: warning: " + w.encode() for w in r.warnings]
    assert list(tmp_path.iterdir()) == []

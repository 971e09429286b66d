# helisolv.run as a library call: runs side by side in threads, nothing read
# or written in any folder without --csv, pause replies never run, the CSV
# files and the returned tables alike, and the arguments it refuses.
import csv
import os
import threading

import pytest

from conftest import PITCH_FOR_THRUST, REPO, helisolv, task_text

HEAVIEST = task_text(2, 3, "5000 7 200 1025 3 0.8")


def test_two_tasks_in_two_threads_each_get_their_own_bytes():
    alone = {task: helisolv.run(task, "\n" * 10) for task in (HEAVIEST, PITCH_FOR_THRUST)}
    got = {task: [] for task in alone}
    start = threading.Barrier(2)

    def worker(task):
        start.wait()
        for _ in range(20):
            r = helisolv.run(task, "\n" * 10)
            got[task].append((r.exit_status, r.console, r.result_file))

    threads = [threading.Thread(target=worker, args=(task,)) for task in alone]
    [t.start() for t in threads]
    [t.join() for t in threads]
    for task, r in alone.items():
        assert got[task] == [(0, r.console, r.result_file)] * 20


def test_pause_reply_never_runs_and_no_file_is_touched(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    monkeypatch.setenv("COMSPEC", "/bin/sh")
    r = helisolv.run(PITCH_FOR_THRUST, "touch ran\n" * 10)
    assert r.exit_status == 0
    assert b"pause reply not run as a command" in r.errors
    assert list(tmp_path.iterdir()) == []


def test_csv_files_hold_the_returned_tables_and_results(tmp_path):
    r = helisolv.run(PITCH_FOR_THRUST, "\n" * 10, ("--csv", tmp_path / "out"))
    assert r.exit_status == 0
    assert r.console == helisolv.run(PITCH_FOR_THRUST, "\n" * 10).console
    files = {p.name for p in (tmp_path / "out").iterdir()} - {".helisolv-csv"}
    assert files == {"run.csv"} | {f"{name}.csv" for name in r.tables}
    for name, rows in r.tables.items():
        with open(tmp_path / "out" / f"{name}.csv", newline="") as f:
            written = list(csv.DictReader(f))
        for got, want in zip(rows, written, strict=True):
            assert got.keys() == want.keys()
            assert all(got[k] is None if not want[k] else
                       got[k] == (want[k] if isinstance(got[k], str) else float(want[k]))
                       for k in want)
    with open(tmp_path / "out" / "run.csv", newline="") as f:
        run_csv = {row["quantity"]: row["value"] for row in csv.DictReader(f)}
    for quantity, (value, unit) in r.results.items():
        assert float(run_csv[quantity]) == value


def test_a_refused_run_keeps_its_reason_and_no_tables():
    refused = helisolv.run(task_text(1, 1, "350 4 6 1025 4 1.5"))
    assert refused.exit_status == 3 and refused.tables == {} and refused.reason


def test_help_and_language():  # the recorded runs give args to the run
    assert b"usage: helisolv" in helisolv.run("", args=["--help"]).console
    turkish, english = helisolv.run(PITCH_FOR_THRUST), helisolv.run(PITCH_FOR_THRUST, language="en")
    assert english.console == helisolv.run(PITCH_FOR_THRUST, args=["--lang=en"]).console
    assert b"PERVANE" in turkish.console and b"PERVANE" not in english.console
    assert b"Pd= 4014.9 kW" in english.console and b"Pd= 4014.9 kW" in turkish.console
    assert english.tables == turkish.tables and english.results == turkish.results


def test_tasks_and_path_items_in_each_form_run_alike(tmp_path):
    want = helisolv.run(PITCH_FOR_THRUST, "\n" * 10).console
    for task in (bytearray(PITCH_FOR_THRUST), memoryview(PITCH_FOR_THRUST),
                 PITCH_FOR_THRUST.decode()):
        assert helisolv.run(task, memoryview(b"\n" * 10)).console == want
    for item in (os.fsencode(tmp_path) + b"/b\xff", tmp_path / "p"):
        assert helisolv.run(PITCH_FOR_THRUST, "\n" * 10, ["--csv", item]).exit_status == 0
    assert sorted(p.name for p in tmp_path.iterdir()) == sorted([os.fsdecode(b"b\xff"), "p"])
    assert all((p / "run.csv").is_file() for p in tmp_path.iterdir())


@pytest.mark.parametrize("call,named", [
    (dict(args=["--csv\0junk", "out"]), r"args\[0\] holds a NUL"),
    (dict(args=["--csv", b"o\0ut"]), r"args\[1\] holds a NUL"),
    (dict(args=["--csv", "\udcff"]), r"args\[1\] is not valid UTF-8"),
    (dict(args=["--csv", "/dev/null"]), r"args: .*/dev/null"),
    (dict(args=["--csv", 3.5]), r"args\[1\] must be str, bytes or a path"),
    (dict(args=["--viscous-correction=bogus"]), "args"), (dict(args="--help"), "args"),
    (dict(args=[3]), "args"), (dict(answers=7), "answers"), (dict(task=REPO / "x.Tsk"), "task"),
    (dict(task="\udcff"), "task"), (dict(language="xx"), "args"),
])
def test_unusable_arguments_raise_value_error_naming_them(call, named, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)  # where a folder cut short at its NUL would go
    with pytest.raises(ValueError, match=named):
        helisolv.run(**(dict(task=PITCH_FOR_THRUST, answers="\n" * 10) | call))
    assert list(tmp_path.iterdir()) == []


def test_a_relative_csv_folder_is_the_one_current_when_the_run_started(tmp_path, monkeypatch):
    # Another thread changes the current folder over and over while runs write
    # to a relative folder: each run's files all go to one folder, so every run
    # succeeds and each folder holds whole sets.
    first, second = tmp_path / "a", tmp_path / "b"
    first.mkdir()
    second.mkdir()
    monkeypatch.chdir(first)
    stop = threading.Event()

    def flip():
        while not stop.is_set():
            for folder in (first, second):
                os.chdir(folder)

    flipper = threading.Thread(target=flip)
    flipper.start()
    try:
        statuses = [helisolv.run(PITCH_FOR_THRUST, "\n" * 10, ["--csv", "out"]).exit_status
                    for _ in range(30)]
    finally:
        stop.set()
        flipper.join()
    assert statuses == [0] * 30
    for out in (first / "out", second / "out"):
        if out.exists():
            with open(out / "run.csv", newline="") as f:
                named = {row[0][len("rows in "):] for row in csv.reader(f)
                         if row[0].startswith("rows in ")}
            assert named and all((out / name).is_file() for name in named)

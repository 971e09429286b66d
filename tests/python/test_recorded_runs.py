# Every recorded run of the console program, run again through helisolv.run:
# the same console bytes, result-file bytes and exit status, and the warnings
# on standard error kept in the result (tests/warnings holds a case for each).
import pytest

from conftest import REPO, helisolv


def recorded_cases():
    for group in ("conformance", "e2e", "examples", "warnings"):
        for case in sorted((REPO / "tests" / group).iterdir()):
            if (case / "expected.rc").exists():
                yield pytest.param(case, id=f"{group}/{case.name}")


@pytest.mark.parametrize("case", recorded_cases())
def test_recorded_run(case, tmp_path, monkeypatch):
    # Whatever the run does, the current folder is not where it reads or writes.
    monkeypatch.chdir(tmp_path)
    task_file = case / "Helisolv.Tsk"
    if not task_file.exists():
        task_file = REPO / "examples" / f"{case.name}.Tsk"
    stdin = case / "stdin.txt"
    args_file = case / "args.txt"
    args = [a for a in args_file.read_text().splitlines() if a] if args_file.exists() else []

    r = helisolv.run(task_file.read_bytes(), stdin.read_bytes() if stdin.exists() else b"", args)

    assert r.exit_status == int((case / "expected.rc").read_text())
    assert r.console == (case / "expected.stdout").read_bytes()
    son = case / "expected.son"
    assert r.result_file == (son.read_bytes() if son.exists() else b"")
    if r.exit_status == 1:
        assert b"\nrun-time error " in r.errors
    warned = [line for line in r.errors.splitlines() if line.startswith(b"helisolv: warning: ")]
    assert warned == [b"helisolv: warning: " + w.encode() for w in r.warnings]
    assert list(tmp_path.iterdir()) == []

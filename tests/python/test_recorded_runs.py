# Every recorded run of the console program, run again through helisolv.run,
# in the host's locale and under a comma-decimal one: a notebook's
# locale.setlocale(locale.LC_ALL, "") changes nothing a run reads or prints.
# No such locale is installed on a bare machine, so one is made with localedef
# into a folder of the test's own (LOCPATH).
import locale
import shutil
import subprocess

import pytest

from conftest import check_recorded_run, helisolv, recorded_cases, task_text

COMMA_LOCALE = "de_DE.UTF-8"


@pytest.fixture(scope="module")
def comma_locale(tmp_path_factory):
    """LC_NUMERIC and LC_MESSAGES German for the tests that ask for it."""
    if shutil.which("localedef") is None:
        pytest.skip("localedef is not installed: no comma-decimal locale can be made")
    folder = tmp_path_factory.mktemp("locales")
    made = subprocess.run(["localedef", "-i", "de_DE", "-f", "UTF-8", str(folder / COMMA_LOCALE)],
                          capture_output=True, text=True)
    if made.returncode not in (0, 1) or not (folder / COMMA_LOCALE).is_dir():
        pytest.skip(f"localedef could not make {COMMA_LOCALE}: {made.stderr.strip()}")
    saved = {c: locale.setlocale(c) for c in (locale.LC_NUMERIC, locale.LC_MESSAGES)}
    with pytest.MonkeyPatch.context() as environment:
        environment.setenv("LOCPATH", str(folder))
        try:
            for category in saved:
                locale.setlocale(category, COMMA_LOCALE)
            assert locale.localeconv()["decimal_point"] == ","
            yield
        except locale.Error as error:
            pytest.skip(f"{COMMA_LOCALE} made by localedef cannot be set: {error}")
        finally:
            for category, value in saved.items():
                locale.setlocale(category, value)


@pytest.mark.parametrize("case", recorded_cases())
def test_recorded_run(case, tmp_path, monkeypatch):
    check_recorded_run(case, tmp_path, monkeypatch)


@pytest.mark.parametrize("case", recorded_cases())
def test_recorded_run_under_a_comma_locale(case, tmp_path, monkeypatch, comma_locale):
    check_recorded_run(case, tmp_path, monkeypatch)


def test_csv_numbers_and_messages_under_a_comma_locale(tmp_path, comma_locale):
    task = task_text(1, 5, "1.05 4 0.55")
    r = helisolv.run(task, "H\n\n\n\n", ["--csv", str(tmp_path / "out")])
    assert r.exit_status == 0
    assert r.inputs["given pitch ratio"][0] == pytest.approx(1.05)
    first = (tmp_path / "out" / "open_water.csv").read_text().splitlines()[1]
    assert first.startswith("0.05,0.4327726,"), first
    # A system error names its cause in English, not in the host's language
    # ("Ist kein Verzeichnis"), whether the module reports it or raises it.
    (tmp_path / "file").write_text("")
    try:
        text = helisolv.run(task, "H\n", ["--csv", str(tmp_path / "file" / "out")]).errors.decode()
    except ValueError as error:
        text = str(error)
    assert "Verzeichnis" not in text

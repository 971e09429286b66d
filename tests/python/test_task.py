# helisolv.Task: built from named inputs with their units or read from either
# form of task file, written back, and run by helisolv.run with the bytes of
# the fixed-line run.
import warnings

import pytest

from conftest import EXAMPLES, REPO, helisolv

EXAMPLE = EXAMPLES / "type08_pitch_for_thrust.Tsk"
THRUST_INPUTS = dict(
    series="wageningen", problem="pitch-for-thrust", thrust="420 kN", diameter="4.6 m",
    rpm="2 rps", advance_speed="6.2 m/s", density="1025 kg/m3", blades=4, area_ratio=0.75,
    viscous_correction=True, shaft_depth="4.5 m")


def test_a_task_built_from_named_inputs_runs_as_the_fixed_line_example():
    task = helisolv.Task(**THRUST_INPUTS)
    assert (task.series, task.problem) == (1, 8)
    assert task.to_fixed_lines().endswith("\n8\n420 4.6 120 6.2 1025 4 0.75 1 4.5\n")
    got = helisolv.run(task, "\n" * 10)
    want = helisolv.run(EXAMPLE.read_bytes(), "\n" * 10)
    assert (got.exit_status, got.console, got.result_file) == (0, want.console, want.result_file)
    # The keyword text runs as well, and reads back to the same task.
    again = helisolv.Task.from_toml(task.to_toml())
    assert again.to_fixed_lines() == task.to_fixed_lines()
    assert helisolv.run(task.to_toml(), "\n" * 10).result_file == want.result_file
    # So does a fixed-line file.
    assert 'thrust = "420 kN"' in helisolv.Task.from_toml(EXAMPLE.read_bytes()).to_toml()


def test_answers_in_the_task_stand_in_for_the_console():
    task = helisolv.Task(series="wageningen", problem="open-water-table", pitch_ratio=1.0,
                         blades=4, area_ratio=0.55,
                         answers={"viscous_correction": True, "full_scale_diameter": "4 m",
                                  "full_scale_rpm": "150 rpm"})
    recorded = REPO / "tests" / "examples" / "type05_open_water_table"
    r = helisolv.run(task, "\n" * 12)
    assert r.console == (recorded / "expected.stdout").read_bytes()
    assert r.result_file == (recorded / "expected.son").read_bytes()


@pytest.mark.parametrize("change,says", [
    (dict(thrust=420), "thrust = 420 has no unit"),
    (dict(thrust="420 kn"), '"kn" is a unit of speed, not of force'),
    (dict(advance_sped="6.2 m/s"), r"did you mean 'advance_speed'\?"),
    (dict(blades=object()), "blades must be a number, a text with its unit"),
])
def test_a_mistake_is_a_value_error_naming_it(change, says):
    with pytest.raises(ValueError, match=says):
        helisolv.Task(**(THRUST_INPUTS | change))


@pytest.mark.parametrize("change,says", [(dict(density="-1025 kg/m3"), "is out of range"),
                                         (dict(pitch_ratio=1.0), "'pitch_ratio' is not an input")])
def test_a_value_out_of_range_or_ignored_warns(change, says):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        helisolv.Task(**(THRUST_INPUTS | change))
    assert any(says in str(w.message) for w in caught)


def test_a_keyword_text_with_a_syntax_error_is_refused():
    with pytest.raises(ValueError, match="TOML syntax error"):
        helisolv.Task.from_toml("series = \n")

"""helisolv.select: the same inputs as the keyword file, numbers or texts with units."""
import math
import tomllib

import numpy
import pytest

from conftest import EXAMPLES, helisolv

SMALL = dict(thrust="420 kN", advance_speed="6.2 m/s", diameter=["3.5 m", "4.6 m"], rpm=120,
             area_ratio=0.75, density=1025, blades=[4])


def keyword_inputs(name):
    with open(EXAMPLES / name, "rb") as f:
        inputs = tomllib.load(f)
    return {k: v for k, v in inputs.items() if k not in ("title", "series", "problem")}


def test_keyword_example_and_module_give_the_same_propeller():
    inputs = keyword_inputs("selection_twin_ferry.toml")
    r = helisolv.select(**inputs)
    assert r["chosen"]["blades"] == 5
    assert [p["blades"] for p in r["per_blades"]] == [3, 4, 5]
    assert len(r["speed_power"]) == 5
    assert r["engine"]["gear_ratio"] == pytest.approx(750.0 / r["engine"]["service_rpm"], rel=1e-6)
    # Plain numbers are read in the units the inputs name.
    plain = dict(inputs, ship_speed=20.0, diameter=3.2, rpm=[180, 400], shaft_depth=2.8,
                 engine_power=4200, engine_rpm=750, tip_speed_max=40,
                 resistance_curve=[[16, 300], [18, 390], [20, 500], [22, 640], [23, 730]])
    assert helisolv.select(**plain)["chosen"] == r["chosen"]


def test_chosen_holds_the_fields_a_caller_reads():
    r = helisolv.select(**SMALL)
    chosen = r["chosen"]
    assert chosen["eta0"] == pytest.approx(
        chosen["kt"] * chosen["J"] / (2 * math.pi * chosen["kq"]), rel=1e-5)
    assert {"blades", "diameter", "pitch_ratio", "area_ratio", "rpm", "delivered_power"} <= set(
        chosen)
    assert chosen["limits"] == ["diameter"]
    assert r["speed_power"] == [] and r["engine"] is None


@pytest.mark.parametrize("inputs,error,named", [
    (dict(thrust=420, advance_speed=6.2, diameter=4.6, rpm=120, area_ratio=0.75), ValueError,
     "nothing is free"),
    (dict(thrust=420, advance_speed=6.2, diamter=4.6), ValueError, "unknown input 'diamter'"),
    (dict(thrust="420 kW", advance_speed=6.2, diameter=[3, 4], rpm=120, area_ratio=0.7), ValueError,
     "thrust"),
    (dict(blades=True), TypeError, "blades"),
    (dict(thrust=numpy.complex64(1)), TypeError, "complex"),
] + [(SMALL | {name: bad}, ValueError, name + " must be above zero") for name, unit, ranged in (
    ("diameter", "m", True), ("rpm", "rpm", True), ("density", "kg/m3", False))
    for bad in (0, -0.0, -1.0, f"-1 {unit}") + (([0, 100],) if ranged else ())])
def test_refusals_and_wrong_types_are_named(inputs, error, named):
    with pytest.raises(error, match=named):
        helisolv.select(**inputs)


def test_csv_tables(tmp_path):  # their charts: the installed package's test
    helisolv.select(**keyword_inputs("selection_bulk_carrier.toml"), csv=str(tmp_path))
    run = (tmp_path / "run.csv").read_text()
    assert "outcome,result,\n" in run and "rows in area_ratio_sweep.csv,64,\n" in run

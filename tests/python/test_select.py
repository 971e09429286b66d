"""helisolv.select: the same inputs as the keyword file, numbers or texts with units."""
import importlib.util
import math
import pathlib
import subprocess
import tomllib

import pytest

import helisolv

EXAMPLES = pathlib.Path(__file__).resolve().parents[2] / "examples"


def test_keyword_example_and_module_give_the_same_propeller():
    with open(EXAMPLES / "selection_twin_ferry.toml", "rb") as f:
        inputs = tomllib.load(f)
    for key in ("title", "series", "problem"):
        inputs.pop(key)
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
    r = helisolv.select(thrust="420 kN", advance_speed="6.2 m/s", diameter=["3.5 m", "4.6 m"],
                        rpm=120, area_ratio=0.75, density=1025, blades=[4])
    chosen = r["chosen"]
    for key in ("blades", "diameter", "pitch_ratio", "area_ratio", "J", "kt", "kq", "eta0", "rpm",
                "delivered_power"):
        assert key in chosen
    assert chosen["eta0"] == pytest.approx(chosen["kt"] * chosen["J"] / (2 * math.pi * chosen["kq"]),
                                           rel=1e-5)
    assert chosen["limits"] == ["diameter"]
    assert r["speed_power"] == [] and r["engine"] is None


def test_refusals_and_wrong_types_are_named():
    with pytest.raises(ValueError, match="nothing is free"):
        helisolv.select(thrust=420, advance_speed=6.2, diameter=4.6, rpm=120, area_ratio=0.75)
    with pytest.raises(ValueError, match="unknown input 'diamter'"):
        helisolv.select(thrust=420, advance_speed=6.2, diamter=4.6)
    with pytest.raises(ValueError, match="thrust"):
        helisolv.select(thrust="420 kW", advance_speed=6.2, diameter=[3, 4], rpm=120, area_ratio=0.7)
    with pytest.raises(TypeError, match="blades"):
        helisolv.select(blades=True)
    with pytest.raises(TypeError, match="complex"):
        import numpy
        helisolv.select(thrust=numpy.complex64(1))


def test_csv_tables_and_charts(tmp_path):
    with open(EXAMPLES / "selection_bulk_carrier.toml", "rb") as f:
        inputs = tomllib.load(f)
    for key in ("title", "series", "problem"):
        inputs.pop(key)
    helisolv.select(**inputs, csv=str(tmp_path))
    run = (tmp_path / "run.csv").read_text()
    assert "outcome,result,\n" in run and "rows in area_ratio_sweep.csv,64,\n" in run
    plot = pathlib.Path(helisolv.__file__).parent.parent / "helisolv-plot"
    if importlib.util.find_spec("matplotlib") is None or not plot.exists():
        pytest.skip("no matplotlib or no helisolv-plot in the build")
    done = subprocess.run([str(plot), str(tmp_path)], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    assert (tmp_path / "selection_area_ratio.png").stat().st_size > 0
    assert (tmp_path / "selection_speed_power.png").stat().st_size > 0

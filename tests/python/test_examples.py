# The worked examples run to the end and leave what they promise.
import csv
import os
import pathlib
import subprocess
import sys

from conftest import REPO, helisolv


def run_example(name, *args, cwd):
    # The examples import the module under test, wherever the run starts.
    env = dict(os.environ, PYTHONPATH=str(pathlib.Path(helisolv.__file__).parent))
    return subprocess.run([sys.executable, str(REPO / "examples" / "python" / name), *args],
                          cwd=cwd, env=env, capture_output=True, text=True, timeout=120,
                          check=True).stdout


def test_powering_writes_curve_and_plot_and_finds_the_rating(tmp_path):
    out = run_example("powering.py", "--out", str(tmp_path), cwd=tmp_path)
    with open(tmp_path / "powering.csv", newline="") as f:
        rows = list(csv.DictReader(f))
    assert len(rows) == 7
    powers = [float(row["brake power [kW]"]) for row in rows]
    assert powers == sorted(powers)
    assert (tmp_path / "powering.png").stat().st_size > 10000
    assert "reaches the engine's rating (MCR) of 5000 kW at 14.07 kn" in out


def test_blade_sweep_names_the_best_propeller(tmp_path):
    out = run_example("blade_sweep.py", cwd=tmp_path)
    assert "Best: B7-85, P/D 1.11, J 0.5992, eta0 0.5394, 128.7 rpm" in out
    assert "  3   0.603   [0.5465 (0.76)]   [0.5272 (0.77)]     0.5089 (0.84)     0.4970 (0.95)" in out


def test_design_space_notebook_draws_its_chart(tmp_path):
    out = run_example("design_space_notebook.py", "--out", str(tmp_path / "charts"), cwd=tmp_path)
    assert (tmp_path / "charts" / "design_space.png").stat().st_size > 20000
    shares = [float(line.split(" over ")[1].split("%")[0]) for line in out.splitlines()
              if line.startswith("EAR ")]
    # A larger area ratio is feasible wherever a smaller one is.
    assert len(shares) == 4 and shares == sorted(shares) and shares[-1] > 0

#!/usr/bin/env python3
"""The plot tool on every bundled example: each chart the CSV files call for is
drawn, is a valid image, and holds one point per CSV row in each data series
(counted in the SVG output, where every series carries its own id).

    plot_test.py HELISOLV HELISOLV_PLOT EXAMPLES_DIR

Exit status 77 (skipped) when this Python has no matplotlib.
"""

import concurrent.futures
import csv
import os
import re
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

SVG = "{http://www.w3.org/2000/svg}"
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def rows_of(path):
    with open(path, newline="", encoding="utf-8") as f:
        return list(csv.DictReader(f))


def points(svg_root, gid):
    """Points of the series with this id: its markers, or the vertices of its line."""
    for group in svg_root.iter():
        if group.get("id") != gid:
            continue
        uses = list(group.iter(SVG + "use"))
        if uses:
            return len(uses)
        count = 0
        for child in group:
            if child.tag == SVG + "path":
                count += len(re.findall(r"[ML]\s", child.get("d", "")))
        return count
    return 0


def expected_charts(out):
    """Chart name -> {series id: points}, from the CSV files the run wrote."""
    def table(name):
        path = os.path.join(out, name)
        return rows_of(path) if os.path.exists(path) else None

    charts = {}
    if (rows := table("open_water.csv")):
        n = len(rows)
        series = {"kt": n, "kq10": n, "eta0": n}
        if any(r["design"] == "1" for r in rows):
            series.update(design=3, design_j=2)
        charts["open_water"] = series
    if (rows := table("candidates.csv")):
        n = len(rows)
        chosen = 1 if any(r["chosen"] == "1" for r in rows) else 0
        charts["candidates"] = {"eta_pd": n, "eta_j": n, "chosen_pd": chosen, "chosen_j": chosen}
    checks, lines = table("blade_checks.csv"), table("burrill_lines.csv")
    if checks and lines and checks[0]["sigma 0.7R"]:
        charts["burrill"] = {
            "burrill_2.5": sum(r["back cavitation [%]"] == "2.5" for r in lines),
            "burrill_5": sum(r["back cavitation [%]"] == "5" for r in lines),
            "design": 1}
    if (rows := table("pitch_sweep.csv")):
        charts["pitch_sweep"] = {"sweep": len(rows), "required": 2, "found": 1}
    if (rows := table("area_ratio.csv")):
        charts["area_ratio"] = {"eta0": len(rows), "pitch": len(rows)}
    if (rows := table("bollard.csv")):
        chosen = 1 if any(r["chosen"] == "1" for r in rows) else 0
        charts["bollard"] = {"thrust": len(rows), "pitch": len(rows),
                             "chosen_thrust": chosen, "chosen_pitch": chosen}
    return charts


def answers_for(name):
    kind = int(name[4:6])
    answers = {1: "H\n", 4: "2\n", 5: "E\n4 150\n"}.get(kind, "")
    return answers + "\n" * 20


def run_example(helisolv, plot, task, work):
    with open(task, "rb") as src, open(os.path.join(work, "Helisolv.Tsk"), "wb") as dst:
        dst.write(src.read())
    env = {k: v for k, v in os.environ.items() if k != "COMSPEC"}
    subprocess.run([helisolv, "--csv", "out"], cwd=work, input=answers_for(
        os.path.basename(task)).encode(), stdout=subprocess.DEVNULL, env=env, timeout=60)
    out = os.path.join(work, "out")
    drawn = subprocess.run([plot, out, "--format", "svg"], capture_output=True, text=True,
                           timeout=300)
    return out, drawn


def main(helisolv, plot, examples):
    try:
        import matplotlib  # noqa: F401
    except ImportError:
        print(f"skipped: {sys.executable} has no matplotlib (Debian: python3-matplotlib)")
        return 77

    names = sorted(f for f in os.listdir(examples) if f.endswith(".Tsk"))
    drawn_total = 0
    with tempfile.TemporaryDirectory(prefix="helisolv_plot_") as scratch:
        # Each example's run and drawing is a pair of processes of its own: run
        # them side by side on every core, then check them in order.
        def draw(name):
            work = os.path.join(scratch, name[:-4])
            os.makedirs(work)
            return run_example(helisolv, plot, os.path.join(examples, name), work)

        with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
            results = list(pool.map(draw, names))
        for name, (out, drawn) in zip(names, results):
            charts = expected_charts(out)
            if not charts:
                check(drawn.returncode == 1 and "nothing to draw" in drawn.stderr,
                      f"{name}: no table, yet status {drawn.returncode}: {drawn.stderr}")
                continue
            check(drawn.returncode == 0, f"{name}: status {drawn.returncode}: {drawn.stderr}")
            images = sorted(f[:-4] for f in os.listdir(out) if f.endswith(".svg"))
            check(images == sorted(charts), f"{name}: drew {images}, expected {sorted(charts)}")
            for chart, series in charts.items():
                path = os.path.join(out, chart + ".svg")
                if not os.path.exists(path):
                    continue
                root = ET.parse(path).getroot()  # a file that is not valid SVG fails here
                check(root.tag == SVG + "svg", f"{name}: {chart}.svg is not an SVG image")
                for gid, want in series.items():
                    got = points(root, gid)
                    check(got == want, f"{name}: {chart} series {gid} has {got} points, not {want}")
                drawn_total += 1

        # Raster and PDF output of one example, at a width readable on A4.
        work = os.path.join(scratch, "formats")
        os.makedirs(work)
        out, _ = run_example(helisolv, plot, os.path.join(examples, "type08_pitch_for_thrust.Tsk"),
                             work)
        for fmt in ("png", "pdf"):
            result = subprocess.run([plot, out, "--format", fmt], capture_output=True, text=True)
            check(result.returncode == 0, f"--format {fmt}: {result.stderr}")
        with open(os.path.join(out, "open_water.png"), "rb") as f:
            head = f.read(24)
        check(head[:8] == b"\x89PNG\r\n\x1a\n", "open_water.png is not a PNG image")
        width = struct.unpack(">I", head[16:20])[0]
        check(width >= 1200, f"open_water.png is {width} pixels wide")
        with open(os.path.join(out, "burrill.pdf"), "rb") as f:
            check(f.read(5) == b"%PDF-", "burrill.pdf is not a PDF file")

        # Without matplotlib (site packages off) and on a bad command line: status 2.
        bare = subprocess.run([sys.executable, "-S", plot, out], capture_output=True, text=True)
        check(bare.returncode == 2 and "python3-matplotlib" in bare.stderr,
              f"without matplotlib: status {bare.returncode}: {bare.stderr}")
        usage = subprocess.run([plot, out, "--format", "gif"], capture_output=True, text=True)
        check(usage.returncode == 2, f"--format gif: status {usage.returncode}")

    check(drawn_total > 0, "no chart drawn at all")
    for message in failures:
        print("FAIL:", message)
    print(f"{drawn_total} charts of {len(names)} examples checked, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*(os.path.abspath(a) for a in sys.argv[1:])))

#!/usr/bin/env python3
"""The plot tool on every bundled example and on broken CSV sets.

    plot_test.py HELISOLV HELISOLV_PLOT EXAMPLES_DIR

Each example is run by helisolv and drawn; every chart the CSV set calls for is
a valid image whose series hold one point per CSV row (counted in the SVG
output, where every series carries its own id), and whose titles, legends and
warnings say what the run was. Broken sets (special files, oversized files,
rows and fields, text where numbers belong, incomplete sets, other outcomes)
are refused with one line and the right status, the command-line tool run on
each. The charts themselves are drawn in this process (matplotlib is loaded
once), beside the command-line runs.

Exit status 77 (skipped) when this Python has no matplotlib.
"""

import concurrent.futures
import contextlib
import csv
import importlib.machinery
import importlib.util
import io
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

SVG = "{http://www.w3.org/2000/svg}"
GUARD = "HELISOLV_PLOT_REEXEC"
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def answers_for(name):
    kind = int(name[4:6])
    return {1: "H\n", 4: "2\n", 5: "E\n4 150\n"}.get(kind, "") + "\n" * 20


def run_example(helisolv, task, work):
    """The CSV set of one example, in work/out."""
    os.makedirs(work)
    shutil.copyfile(task, os.path.join(work, "Helisolv.Tsk"))
    subprocess.run([helisolv, "--csv", "out"], cwd=work, input=answers_for(
        os.path.basename(task)).encode(), stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL, timeout=60)
    return os.path.join(work, "out")


# ----------------------------------------------------------------------------
# Reading the pictures


def svg_root(path):
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError) as error:
        check(False, f"{path} is not valid SVG: {error}")
        return ET.Element(SVG + "svg")
    check(root.tag == SVG + "svg", f"{path} is not an SVG image")
    return root


def group(root, gid):
    return next((g for g in root.iter() if g.get("id") == gid), None)


def points(root, gid):
    """Points of the series with this id: its markers, or the vertices of its line."""
    g = group(root, gid)
    if g is None:
        return 0
    uses = list(g.iter(SVG + "use"))
    if uses:
        return len(uses)
    return sum(len(re.findall(r"[ML]\s", p.get("d", ""))) for p in g.iter(SVG + "path"))


def texts(root, gid=None):
    """The lines of text in the picture (or in one group), whitespace made single."""
    base = root if gid is None else group(root, gid)
    if base is None:
        return []
    return [" ".join("".join(t.itertext()).split()) for t in base.iter(SVG + "text")]


def rows_of(path):
    with open(path, newline="", encoding="utf-8") as f:
        return list(csv.DictReader(f))


def expected_series(out):
    """Chart name -> {series id: points}, from the CSV files of the run."""
    def table(name):
        path = os.path.join(out, name)
        return rows_of(path) if os.path.exists(path) else None

    run = {r["quantity"]: r["value"] for r in rows_of(os.path.join(out, "run.csv"))}
    charts = {}
    if (rows := table("open_water.csv")):
        n = len(rows)
        charts["open_water"] = {"kt": n, "kq10": n, "eta0": n}
        if any(r["design"] == "1" for r in rows):
            charts["open_water"].update(design=3, design_j=2)
    if (rows := table("candidates.csv")):
        n, chosen = len(rows), sum(r["chosen"] == "1" for r in rows)
        charts["candidates"] = {"eta_pd": n, "eta_j": n, "chosen_pd": chosen, "chosen_j": chosen}
    if (rows := table("bollard.csv")):
        n, chosen = len(rows), sum(r["chosen"] == "1" for r in rows)
        charts["bollard"] = {"thrust": n, "pitch": n, "chosen_thrust": chosen,
                             "chosen_pitch": chosen}
    if (rows := table("bp_delta.csv")):
        n = len(rows)
        charts["bp_delta"] = {"bp_delta_eta0": n, "bp_delta_bp": n, "given_bp": 2,
                              "chosen_pd_eta0": 2, "chosen_pd_bp": 2, "chosen_eta0": 1,
                              "chosen_bp": 1}
    if (rows := table("pitch_sweep.csv")):
        charts["pitch_sweep"] = {"sweep": len(rows), "required": 2, "found": 1}
    if (rows := table("area_ratio.csv")):
        n, untested = len(rows), sum(r["tested"] == "0" for r in rows)
        charts["area_ratio"] = {"eta0": n, "pitch": n, "eta0_untested": untested,
                                "pitch_untested": untested, "own_ear_eta0": 2, "own_ear_pitch": 2}
    checks, lines = table("blade_checks.csv"), table("burrill_lines.csv")
    if checks and lines and checks[0]["sigma 0.7R"]:
        count = {name: sum(r["line"] == name for r in lines) for name in
                 ("2.5% back cavitation", "5% back cavitation", "recommended upper limit")}
        charts["burrill"] = {"burrill_2.5": count["2.5% back cavitation"],
                             "burrill_5": count["5% back cavitation"],
                             "burrill_upper": count["recommended upper limit"], "design": 1}
    return charts, run


# ----------------------------------------------------------------------------
# Editing a CSV set into a broken one


def copy_set(source, folder):
    """The CSV files of a set (not its pictures, which may be being drawn)."""
    shutil.copytree(source, folder, ignore=lambda _, names: [
        n for n in names if not n.endswith(".csv")])
    return folder


def edit_run(folder, quantity, value=None, remove=False, add=None):
    """run.csv with one row's value replaced, the row removed, or rows added."""
    path = os.path.join(folder, "run.csv")
    with open(path, "rb") as f:
        lines = f.read().split(b"\n")
    key = quantity.encode() + b","
    for i, line in enumerate(lines):
        if line.startswith(key):
            if remove:
                del lines[i]
            elif value is not None:
                lines[i] = key + value + b","
            break
    else:
        raise AssertionError(f"no {quantity} row in {path}")
    if add:
        lines[-1:] = add + [b""]
    with open(path, "wb") as f:
        f.write(b"\n".join(lines))


def edit_field(folder, name, line, column, text):
    """One field of a table (line counted from 1, the header) replaced by raw bytes."""
    path = os.path.join(folder, name)
    with open(path, "rb") as f:
        lines = f.read().split(b"\n")
    header = lines[0].split(b",")
    fields = lines[line - 1].split(b",")
    fields[header.index(column.encode())] = text
    lines[line - 1] = b",".join(fields)
    with open(path, "wb") as f:
        f.write(b"\n".join(lines))


def replace_file(folder, name, make):
    path = os.path.join(folder, name)
    os.unlink(path)
    make(path)


def truncate_by(folder, name, count):
    path = os.path.join(folder, name)
    os.truncate(path, os.path.getsize(path) - count)


def write_rows(folder, name, count, count_listed):
    """A table of count short rows, listed in run.csv as count_listed rows."""
    with open(os.path.join(folder, name), "wb") as f:
        f.write(b"J,Kt,Kq,eta0,Bp,delta,design\n" + b"0,0,0,0,0,0,0\n" * count)
    edit_run(folder, f"rows in {name}", str(count_listed).encode())


def as_nobody():
    """The command prefix that runs a program as nobody, or None with the reason."""
    setpriv = shutil.which("setpriv")
    if not setpriv:
        return None, "no setpriv"
    prefix = [setpriv, "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
    try:
        probe = subprocess.run(prefix + ["true"], capture_output=True, timeout=10)
    except (OSError, subprocess.SubprocessError) as error:
        return None, str(error)
    if probe.returncode != 0:
        return None, probe.stderr.decode(errors="replace").strip() or "setpriv failed"
    return prefix, None


# Broken sets: (name, example, edit of the set, status, text of the one line).
# Every one is refused before a picture is drawn.
BROKEN = [
    # Special files named like a table or like run.csv: refused unopened, never waited on.
    ("table is a FIFO", "t8", lambda d: replace_file(d, "open_water.csv", os.mkfifo),
     1, "open_water.csv is a FIFO, not a regular file"),
    ("run.csv links to a FIFO", "t8", lambda d: (
        os.mkfifo(os.path.join(d, "pipe")),
        replace_file(d, "run.csv", lambda p: os.symlink("pipe", p))),
     1, "run.csv is a FIFO (through a symbolic link), not a regular file"),
    ("run.csv links to /dev/zero", "t8",
     lambda d: replace_file(d, "run.csv", lambda p: os.symlink("/dev/zero", p)),
     1, "run.csv is a character device (through a symbolic link)"),
    ("table over 20 MB", "t8",
     lambda d: os.truncate(os.path.join(d, "open_water.csv"), 21 * 1024 * 1024),
     1, "open_water.csv is over 20 MB"),
    # Rows and fields past the limits.
    ("row count over the limit", "t8", lambda d: write_rows(d, "open_water.csv", 10, 100001),
     1, "open_water.csv has 100001 rows, over the limit of 100000"),
    ("a million rows, 45 listed", "t8", lambda d: write_rows(d, "open_water.csv", 1000000, 45),
     1, "open_water.csv line 47: more than the 45 data rows run.csv lists"),
    ("200 KB field in run.csv", "t8",
     lambda d: edit_run(d, "outcome", add=[b"warning," + b"w" * 200000 + b","]),
     1, "a field of over 1000 characters"),
    ("200 KB field in a table", "t8",
     lambda d: edit_field(d, "open_water.csv", 3, "Kq", b"1" * 200000),
     1, "open_water.csv line 3: a field of over 1000 characters"),
    ("1001-character field", "t8",
     lambda d: edit_field(d, "open_water.csv", 3, "Kq", b"1" * 1001),
     1, "open_water.csv line 3: a field of over 1000 characters"),
    # Text where a number belongs.
    ("abc in Kq", "t8", lambda d: edit_field(d, "open_water.csv", 5, "Kq", b"abc"),
     1, "open_water.csv line 5, column Kq: 'abc' is not a number"),
    ("inf row number", "t1", lambda d: edit_field(d, "candidates.csv", 3, "row", b"inf"),
     1, "candidates.csv line 3, column row: 'inf' is not a row number"),
    ("inf row count", "t8", lambda d: edit_run(d, "rows in open_water.csv", b"inf"),
     1, "column value: 'inf' is not a row count"),
    ("nan J", "t8", lambda d: edit_field(d, "open_water.csv", 2, "J", b"nan"),
     1, "open_water.csv line 2, column J: 'nan' is not a number"),
    ("1e999 Kt", "t8", lambda d: edit_field(d, "open_water.csv", 2, "Kt", b"1e999"),
     1, "column Kt: '1e999' is not a finite number"),
    ("empty J", "t8", lambda d: edit_field(d, "open_water.csv", 4, "J", b""),
     1, "open_water.csv line 4, column J: empty where a number is required"),
    ("text as the P/D in run.csv", "t8", lambda d: edit_run(d, "pitch ratio", b"abc"),
     1, "column value: 'abc' is not a number"),
    ("a run.csv row of 4 fields", "t8", lambda d: edit_run(d, "pitch ratio", b"1,07"),
     1, "4 fields where the header has 3"),
    ("escape bytes", "t8", lambda d: edit_field(d, "open_water.csv", 5, "Kq", b"\x1b[2J\xff"),
     1, r"column Kq: '\x1b[2J\xff' is not a number"),
    # Sets run.csv does not describe.
    ("more rows listed", "t8", lambda d: edit_run(d, "rows in open_water.csv", b"46"),
     1, "open_water.csv has 45 data rows where run.csv lists 46"),
    ("fewer rows listed", "t8", lambda d: edit_run(d, "rows in open_water.csv", b"44"),
     1, "open_water.csv line 46: more than the 44 data rows run.csv lists"),
    ("listed table missing", "t8", lambda d: os.unlink(os.path.join(d, "pitch_sweep.csv")),
     1, "pitch_sweep.csv is missing: run.csv lists it with 8 rows"),
    ("last record cut", "t8", lambda d: truncate_by(d, "area_ratio.csv", 3),
     1, "area_ratio.csv line 16: the last record is cut short"),
    ("record cut to fewer fields", "t8", lambda d: edit_field(
        d, "area_ratio.csv", 6, "tested", b"1\n0.55,1.07"),
     1, "area_ratio.csv line 7: 2 fields where the header has 4"),
    ("run.csv cut before its outcome", "t8", lambda d: edit_run(d, "outcome", remove=True),
     1, "run.csv has no outcome row"),
    ("old header", "t8", lambda d: edit_field(d, "burrill_lines.csv", 1, "line",
                                              b"back cavitation [%]"),
     1, "burrill_lines.csv line 1: the header is"),
    ("sweep of another type", "t8", lambda d: edit_field(d, "pitch_sweep.csv", 1, "T [kN]",
                                                         b"Q [kN m]"),
     1, "pitch_sweep.csv line 1: the header is 'P/D,Q [kN m]', not 'P/D,T [kN]'"),
    ("table name with a path", "t8",
     lambda d: edit_run(d, "outcome", add=[b"rows in ../run.csv,3,"]),
     1, "'../run.csv' is not the name of a table file"),
    ("second outcome", "t8", lambda d: edit_run(d, "outcome", add=[b"outcome,error,"]),
     1, "a second 'outcome' row"),
    # Runs without a result.
    ("refused run", "t4g", None, 1,
     "the run was refused: GAWN SERISI PERVANELER ICIN BOLLARD DURUMU HESABI MUMKUN DEGIL"),
    ("refused, escapes in the reason", "t4g",
     lambda d: edit_run(d, "reason", b"bad \x1b]0;title\x07 \xfe"),
     1, r"the run was refused: bad \x1b]0;title\x07 \xfe"),
    ("interrupted run", "t8", lambda d: edit_run(
        d, "outcome", b"interrupted", add=[b"signal,SIGINT,"]),
     1, "the run was interrupted by SIGINT"),
    ("run with an error", "t8", lambda d: edit_run(d, "outcome", b"error"),
     1, "the run ended with an error"),
    # Folders.
    ("folder missing", "t8", lambda d: shutil.rmtree(d), 1, "cannot read"),
    ("folder is a file", "t8", lambda d: (shutil.rmtree(d), open(d, "w").close()),
     1, "cannot read"),
    ("no run.csv", "t8", lambda d: os.unlink(os.path.join(d, "run.csv")),
     1, "run.csv is missing: not the CSV files of a finished helisolv run"),
]


def run_program(command, env=None, timeout=30):
    """(status, standard error) of a program, None when it outlived the timeout."""
    try:
        result = subprocess.run(command, capture_output=True, env=env, timeout=timeout)
    except subprocess.TimeoutExpired:
        return None
    return result.returncode, result.stderr


def check_outcome(name, result, status, text):
    """Status as expected; a failure is exactly one line on standard error."""
    if result is None:
        check(False, f"{name}: still running after the timeout")
        return
    returncode, raw = result
    err = raw.decode("utf-8", "replace")
    check(returncode == status, f"{name}: status {returncode}, not {status}: {err}")
    if status == 0:
        return
    check(err.count("\n") == 1 and err.startswith("helisolv-plot: ") and err.endswith("\n"),
          f"{name}: standard error is not one line: {err!r}")
    check(text in err, f"{name}: {text!r} not in {err!r}")
    check(not any(b < 0x20 and b != 0x0A for b in raw),
          f"{name}: a control character on standard error: {err!r}")


# ----------------------------------------------------------------------------


def load_tool(plot):
    loader = importlib.machinery.SourceFileLoader("helisolv_plot", plot)
    module_spec = importlib.util.spec_from_loader("helisolv_plot", loader)
    tool = importlib.util.module_from_spec(module_spec)
    loader.exec_module(tool)
    return tool


def draw_here(tool, folder, fmt="svg"):
    """The tool's main in this process: (status, standard output, standard error)."""
    out, err = io.StringIO(), io.StringIO()
    with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
        status = tool.main([folder, "--format", fmt])
    return status, out.getvalue(), err.getvalue()


def check_examples(tool, outs):
    """Every example drawn: the charts its tables call for, with their points."""
    drawn = 0
    for name, out in outs.items():
        charts, run = expected_series(out)
        status, _, err = draw_here(tool, out)
        if run["outcome"] != "result":
            check(status == 1 and "nothing to draw" in err, f"{name}: status {status}: {err}")
            continue
        check(status == 0, f"{name}: status {status}: {err}")
        images = sorted(f[:-4] for f in os.listdir(out) if f.endswith(".svg"))
        check(images == sorted(charts), f"{name}: drew {images}, expected {sorted(charts)}")
        for chart, series in charts.items():
            path = os.path.join(out, chart + ".svg")
            if not os.path.exists(path):
                continue
            root = svg_root(path)
            for gid, want in series.items():
                got = points(root, gid)
                check(got == want, f"{name}: {chart} series {gid} has {got} points, not {want}")
            with open(os.path.join(out, "run.csv"), encoding="utf-8") as f:
                warned = any(line.startswith("warning,") for line in f)
            check(bool(texts(root, "warnings")) == warned,
                  f"{name}: {chart} shows warnings: {not warned}, the run has: {warned}")
            drawn += 1
        check(not [f for f in os.listdir(out) if f.startswith(".")],
              f"{name}: temporary files left: {os.listdir(out)}")
    return drawn


def check_examples_content(outs):
    """Titles, legends and marks of the examples' charts."""
    def has(lines, text, what):
        check(any(text in line for line in lines), f"{what}: no {text!r} in {lines}")

    # Titles name the series, Z, EAR, P/D and the correction; the Gawn series' also the model.
    lines = texts(svg_root(os.path.join(outs["type08_pitch_for_thrust"], "open_water.svg")))
    for text in ("Type 8: pitch ratio for a required thrust",
                 "Wageningen B-series, Z = 4, EAR = 0.75, design P/D = 1.069",
                 "legacy viscous correction"):
        has(lines, text, "type 8 title")
    check(not any("open-water model" in line for line in lines), "type 8 title names a model")
    lines = texts(svg_root(os.path.join(outs["type06_operating_point_gawn"], "open_water.svg")))
    has(lines, "Gawn series, Z = 3, EAR = ", "type 6 Gawn title")
    has(lines, "open-water model: gawn-legacy", "type 6 Gawn title")
    check(not any("design P/D" in line for line in lines), "type 6: the given P/D as a design's")

    # Type 7: eta0 and Bp over P/D, the chosen P/D marked.
    lines = texts(svg_root(os.path.join(outs["type07_bp_delta_design"], "bp_delta.svg")))
    for text in ("chosen P/D = 1.272", "given Bp = 27.95", "chosen eta0 = 0.5061",
                 "design P/D = 1.272"):
        has(lines, text, "type 7 chart")

    # The Burrill chart draws the upper-limit line; this design is on the chart.
    lines = texts(svg_root(os.path.join(outs["type08_pitch_for_thrust"], "burrill.svg")))
    has(lines, "recommended upper limit", "Burrill legend")
    check(not any("off the chart" in line for line in lines), "type 8 design off the chart")

    # The area-ratio chart marks the propeller's own EAR and the untested rows.
    lines = texts(svg_root(os.path.join(outs["type09_pitch_for_power"], "area_ratio.svg")))
    has(lines, "this propeller: EAR = 0.75", "area-ratio legend")
    has(lines, "outside the tested range", "area-ratio legend")


def check_edited(tool, outs, scratch):
    """Charts of examples edited to show a warning, a design off the Burrill
    chart, a result that misses its requirement; pictures in the way."""
    def copy(example, name):
        return copy_set(outs[example], os.path.join(scratch, name))

    def drawn(folder, chart):
        status, _, err = draw_here(tool, folder)
        check(status == 0, f"{folder}: status {status}: {err}")
        path = os.path.join(folder, chart + ".svg")
        return texts(svg_root(path)) if os.path.exists(path) else []

    def has(lines, text, what):
        check(any(text in line for line in lines), f"{what}: no {text!r} in {lines}")

    # One type 10 run edited three ways: a requirement the result differs from, a
    # design point below the range of two Burrill lines, and two warnings.
    folder = copy("type10_pitch_for_torque", "edited")
    edit_run(folder, "required torque", b"330")
    edit_field(folder, "blade_checks.csv", 2, "sigma 0.7R", b"0.12")
    edit_run(folder, "outcome", add=[
        b'warning,"The design J, 0.674, lies past the last J the series was tested at",',
        b"warning,costs $5 and \x1b[31m red,"])
    drawn(folder, "pitch_sweep")
    # The requirement is the input, the achieved torque the result.
    lines = texts(svg_root(os.path.join(folder, "pitch_sweep.svg")))
    has(lines, "required torque = 330 kN m", "type 10 legend")
    has(lines, "achieved torque = 320 kN m", "type 10 legend")
    root = svg_root(os.path.join(folder, "burrill.svg"))
    has(texts(root), "off the chart of: 2.5% back cavitation (0.18 to 1.5); 5% back cavitation "
        "(0.15 to 1.5)", "Burrill legend")
    check(texts(root, "off_chart") == ["off the chart"], "no 'off the chart' by the design point")
    # Warnings under every chart, escaped, a dollar sign kept as text.
    for chart in ("open_water", "pitch_sweep", "area_ratio", "burrill"):
        shown = " ".join(texts(svg_root(os.path.join(folder, chart + ".svg")), "warnings"))
        has([shown], "The design J, 0.674, lies past the last J the series was tested at",
            f"warnings under {chart}")
        has([shown], r"costs $5 and \x1b[31m red", f"warnings under {chart}")

    # A symlink named like a picture is replaced, its target left as it was.
    folder = copy("type05_open_water_table", "symlink")
    victim = os.path.join(scratch, "victim.svg")
    with open(victim, "w") as f:
        f.write("keep me")
    os.symlink(victim, os.path.join(folder, "open_water.svg"))
    drawn(folder, "open_water")
    with open(victim) as f:
        check(f.read() == "keep me", "written through the symlink named like the picture")
    check(not os.path.islink(os.path.join(folder, "open_water.svg")), "the symlink is still there")

    # A folder named like the picture: cannot write, and no temporary file left.
    folder = copy("type05_open_water_table", "picture_folder")
    os.mkdir(os.path.join(folder, "open_water.svg"))
    status, _, err = draw_here(tool, folder)
    check(status == 1 and err.startswith("helisolv-plot: cannot write ")
          and "open_water.svg" in err and err.count("\n") == 1, f"picture folder: {err!r}")
    check(sorted(os.listdir(folder)) == ["open_water.csv", "open_water.svg", "run.csv"],
          f"picture folder: {os.listdir(folder)}")

    # PDF output.
    folder = copy("type05_open_water_table", "pdf")
    status, _, err = draw_here(tool, folder, "pdf")
    check(status == 0, f"--format pdf: {err}")
    with open(os.path.join(folder, "open_water.pdf"), "rb") as f:
        check(f.read(5) == b"%PDF-", "open_water.pdf is not a PDF file")


# Broken sets run as a program of their own rather than in this process: a
# FIFO could hang a faulty tool (the timeout ends it), and the bytes the
# process itself writes are checked for escape bytes.
AS_PROGRAM = {"table is a FIFO", "run.csv links to a FIFO", "escape bytes",
              "refused, escapes in the reason"}


def cases_of(plot, outs, scratch):
    """(name, command or None, environment, status, text, folder) of the runs of
    the tool, each in a folder of its own; a command of None runs in this process
    on the folder."""
    base = {"t8": "type08_pitch_for_thrust", "t1": "type01_ktj2_design",
            "t4g": "type04_bollard_pull_gawn"}
    cases = []
    for n, (name, example, edit, status, text) in enumerate(BROKEN):
        folder = copy_set(outs[base[example]], os.path.join(scratch, f"broken{n}"))
        if edit:
            edit(folder)
        command = [plot, folder, "--format", "svg"] if name in AS_PROGRAM else None
        cases.append((name, command, None, status, text, folder))

    def fresh(name, example="type05_open_water_table"):
        return copy_set(outs[example], os.path.join(scratch, name))

    folder = fresh("cli_usage")
    cases.append(("no folder given", [plot], None, 2, "usage: helisolv-plot DIR", None))
    cases.append(("--format gif", [plot, folder, "--format", "gif"], None, 2,
                  "invalid choice: 'gif'", None))
    # The interpreter the build chose has lost matplotlib (a stand-in that starts
    # Python without its site packages): the tool runs again under one that has it ...
    bare_python = os.path.join(scratch, "python3-without-matplotlib")
    with open(bare_python, "w") as f:
        f.write(f'#!/bin/sh\nexec {sys.executable} -S "$@"\n')
    os.chmod(bare_python, 0o755)
    with open(plot) as f:
        source = f.read()
    moved = os.path.join(scratch, "helisolv-plot")
    with open(moved, "w") as f:
        f.write(re.sub(r'\nCONFIGURED_PYTHON = "[^"\n]*"\n',
                       f'\nCONFIGURED_PYTHON = "{bare_python}"\n', source, count=1))
    cases.append(("re-run with matplotlib", [bare_python, moved, fresh("rerun"), "--format",
                                             "png"], None, 0, None, None))
    # ... unless it is itself such a re-run.
    env = dict(os.environ, **{GUARD: "/usr/bin/python3"})
    cases.append(("no matplotlib", [bare_python, moved, fresh("bare")], env, 2,
                  "install the Debian package python3-matplotlib (apt-get install "
                  "python3-matplotlib) and re-run cmake", None))
    nobody, reason = as_nobody()
    if nobody:
        os.chmod(os.path.dirname(scratch), 0o755)
        folder = fresh("read_only")
        os.chmod(folder, 0o755)
        cases.append(("folder not writable", nobody + [plot, folder], None, 1,
                      f"cannot write {folder}: Permission denied", folder))
        folder = fresh("unreadable")
        os.chmod(folder, 0o700)
        cases.append(("folder not readable", nobody + [plot, folder], None, 1,
                      f"cannot read {folder}/run.csv: Permission denied", None))
    else:
        print(f"skipped: the folders that cannot be written or read (root writes anywhere, "
              f"and nobody is out of reach: {reason})")
    return cases


def forked(work):
    """work() in a copy of this process (matplotlib already loaded), so that both
    cores draw; returns a function that waits for its result and failures."""
    read_end, write_end = os.pipe()
    pid = os.fork()
    if pid == 0:
        os.close(read_end)
        try:
            payload = json.dumps([work(), failures])
        except BaseException as error:  # reported by the parent as a failure
            payload = json.dumps([0, failures + [f"forked checks: {error!r}"]])
        with os.fdopen(write_end, "w") as out:
            out.write(payload)
        os._exit(0)
    os.close(write_end)

    def join():
        with os.fdopen(read_end) as f:
            text = f.read()
        os.waitpid(pid, 0)
        try:
            result, child_failures = json.loads(text)
        except ValueError:
            return 0, ["the forked checks ended without a result"]
        return result, child_failures
    return join


def main(helisolv, plot, examples):
    try:
        import matplotlib  # noqa: F401
    except ImportError:
        print(f"skipped: {sys.executable} has no matplotlib (Debian: python3-matplotlib)")
        return 77
    started = time.monotonic()
    names = sorted(f[:-4] for f in os.listdir(examples) if f.endswith(".Tsk"))
    with tempfile.TemporaryDirectory(prefix="helisolv_plot_") as scratch:
        with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
            outs = dict(zip(names, pool.map(
                lambda n: run_example(helisolv, os.path.join(examples, n + ".Tsk"),
                                      os.path.join(scratch, n)), names)))
        cases = cases_of(plot, outs, os.path.join(scratch, "cli"))
        tool = load_tool(plot)
        tool.load_matplotlib()
        # Part of the examples is drawn in a forked copy (forked before any thread
        # starts), as many charts as this process draws with its own checks.
        charts = {n: len(expected_series(outs[n])[0]) for n in names}
        target, forked_charts, there = (sum(charts.values()) + 8) / 2, 0, set()
        for n in sorted(names, key=lambda n: -charts[n]):
            if forked_charts + charts[n] <= target:
                there.add(n)
                forked_charts += charts[n]
        join = forked(lambda: check_examples(tool, {n: outs[n] for n in names if n in there}))
        with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
            # The programs run beside the drawing in this process.
            runs = {name: pool.submit(run_program, command, env)
                    for name, command, env, *_ in cases if command}
            drawn = check_examples(tool, {n: outs[n] for n in names if n not in there})
            check_edited(tool, outs, os.path.join(scratch, "edited"))
            for name, command, _, status, text, folder in cases:
                if command is None:
                    code, _, err = draw_here(tool, folder)
                    check_outcome(name, (code, err.encode("utf-8", "surrogateescape")),
                                  status, text)
            child_drawn, child_failures = join()
            drawn += child_drawn
            failures.extend(child_failures)
            check_examples_content(outs)
            for name, command, _, status, text, folder in cases:
                if command:
                    check_outcome(name, runs[name].result(), status, text)
                if status != 0 and folder and os.path.isdir(folder):
                    pictures = [f for f in os.listdir(folder)
                                if not f.endswith(".csv") and f != "pipe"]
                    check(not pictures, f"{name}: wrote {pictures}")
        rerun = os.path.join(scratch, "cli", "rerun", "open_water.png")
        if os.path.exists(rerun):
            with open(rerun, "rb") as f:
                head = f.read(24)
            check(head[:8] == b"\x89PNG\r\n\x1a\n", "open_water.png is not a PNG image")
            width = struct.unpack(">I", head[16:20])[0]
            check(width >= 1200, f"open_water.png is {width} pixels wide")
        else:
            check(False, "the re-run under an interpreter with matplotlib drew nothing")

    check(drawn > 0, "no chart drawn at all")
    for message in failures:
        print("FAIL:", message)
    programs = sum(1 for case in cases if case[1])
    print(f"{drawn} charts of {len(names)} examples, {len(cases)} other runs ({programs} as a "
          f"program) checked in {time.monotonic() - started:.1f} s, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*(os.path.abspath(a) for a in sys.argv[1:])))

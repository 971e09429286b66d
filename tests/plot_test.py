#!/usr/bin/env python3
"""plot_test.py HELISOLV HELISOLV_PLOT EXAMPLES_DIR: the plot tool on every
bundled example and on broken CSV sets; status 77 (skipped) without matplotlib."""

import concurrent.futures
import contextlib
import csv
import io
import multiprocessing
import os
import re
import runpy
import shutil
import subprocess
import sys
import tempfile

failures = []
shared = {}  # the tool and the example folders, inherited by the forked drawers


def check(condition, message):
    if not condition:
        failures.append(message)


def run_example(helisolv, task, work):
    os.makedirs(work)
    shutil.copyfile(task, os.path.join(work, "Helisolv.Tsk"))
    answers = {1: "H\n", 4: "2\n", 5: "E\n4 150\n"}.get(int(os.path.basename(task)[4:6]), "")
    subprocess.run([helisolv, "--csv", "out"], cwd=work, input=(answers + "\n" * 20).encode(),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    return os.path.join(work, "out")


def lines_of(figure, gid):
    return [line for ax in figure.axes for line in ax.get_lines() if line.get_gid() == gid]


def texts(figure, gid=None):
    """The texts a chart shows (its title, labels, legends, notes), or those of one id."""
    text = sys.modules["matplotlib.text"].Text
    return [" ".join(t.get_text().replace(r"\$", "$").split()) for t in figure.findobj(text)
            if t.get_visible() and t.get_text() and gid in (None, t.get_gid())]


def shows(figure, present, absent=()):
    lines = " | ".join(texts(figure))
    check(all(t in lines for t in present) and not any(t in lines for t in absent),
          f"not {present} without {absent}: {lines}")


def expected_series(out):
    """Chart -> {series id: points}, from the run's tables."""
    def rows(name):
        if not os.path.exists(os.path.join(out, name)):
            return []
        with open(os.path.join(out, name), newline="", encoding="utf-8") as f:
            return list(csv.DictReader(f))

    def count(table, column, value):
        return sum(r[column] == value for r in table)

    charts = {}
    if (r := rows("open_water.csv")):
        charts["open_water"] = dict(kt=len(r), kq10=len(r), eta0=len(r), **(
            dict(design=3, design_j=2) if count(r, "design", "1") else {}))
    for name, ids in (("candidates", ("eta_pd", "eta_j", "chosen_pd", "chosen_j")),
                      ("bollard", ("thrust", "pitch", "chosen_thrust", "chosen_pitch"))):
        if (r := rows(name + ".csv")):
            charts[name] = dict(zip(ids, [len(r)] * 2 + [count(r, "chosen", "1")] * 2))
    if (r := rows("bp_delta.csv")):
        charts["bp_delta"] = dict(bp_delta_eta0=len(r), bp_delta_bp=len(r), given_bp=2,
                                  chosen_pd_eta0=2, chosen_pd_bp=2, chosen_eta0=1, chosen_bp=1)
    if (r := rows("pitch_sweep.csv")):
        charts["pitch_sweep"] = dict(sweep=len(r), required=2, found=1)
    if (r := rows("area_ratio.csv")):
        u = count(r, "tested", "0")
        charts["area_ratio"] = dict(eta0=len(r), pitch=len(r), eta0_untested=u,
                                    pitch_untested=u, own_ear_eta0=2, own_ear_pitch=2)
    checks, lines = rows("blade_checks.csv"), rows("burrill_lines.csv")
    if checks and lines and checks[0]["sigma 0.7R"]:
        charts["burrill"] = {"design": 1, **{gid: count(lines, "line", name) for gid, name in (
            ("burrill_2.5", "2.5% back cavitation"), ("burrill_5", "5% back cavitation"),
            ("burrill_upper", "recommended upper limit"))}}
    return charts


def edit(folder, name, pattern, new, column=None):
    """The first match of a pattern in a file of the set replaced; with a
    column, the field of that column on line `pattern` (1 the header)."""
    path = os.path.join(folder, name)
    with open(path, "rb") as f:
        data = f.read()
    if column:
        i = data.split(b"\n")[0].split(b",").index(column.encode())
        pattern, new = rb"\A((?:.*\n){%d}(?:[^,\n]*,){%d})[^,\n]*" % (pattern - 1, i), (
            lambda m, text=new: m.group(1) + text)
    data, n = re.subn(pattern, new, data, count=1, flags=re.M)
    assert n, f"no {pattern!r} in {path}"
    with open(path, "wb") as f:
        f.write(data)


OW, RUN, END, LISTED = "open_water.csv", "run.csv", rb"\Z", rb"^rows in open_water.csv,\d+"
# (example, edit of its CSV set: a function or the arguments of edit(), the tool's one line)
BROKEN = [
    ("t8", lambda d: (os.unlink(p := os.path.join(d, OW)), os.mkfifo(p)),
     "open_water.csv is a FIFO, not a regular file"),
    ("t8", lambda d: (os.unlink(p := os.path.join(d, RUN)), os.symlink("/dev/zero", p)),
     "run.csv is a character device (through a symbolic link)"),
    ("t8", lambda d: os.truncate(os.path.join(d, OW), 21 << 20), "open_water.csv is over 20 MB"),
    ("t8", (RUN, LISTED, b"\\g<0>0000"), "has 450000 rows, over the limit of 100000"),
    ("t8", (RUN, END, b"warning," + b"w" * 200000 + b",\n"), "a field of over 1000 characters"),
    ("t8", (OW, 3, b"1" * 1001, "Kq"), "open_water.csv line 3: a field of over 1000 characters"),
    ("t8", (OW, 5, b"\x1b[2J\xff", "Kq"), r"line 5, column Kq: '\x1b[2J\xff' is not a number"),
    ("t8", (RUN, rb"^pitch ratio,[^,]*", b"pitch ratio,inf"), "value: 'inf' is not a number"),
    ("t8", (OW, 2, b"1e999", "Kt"), "column Kt: '1e999' is not a finite number"),
    ("t8", (OW, 4, b"", "J"), "line 4, column J: empty where a number is required"),
    ("t1", ("candidates.csv", 3, b"2a", "row"), "column row: '2a' is not a row number"),
    ("t8", (RUN, LISTED, b"\\g<0>x"), "column value: '45x' is not a row count"),
    ("t8", (RUN, LISTED, b"\\g<0>1"), "open_water.csv has 45 data rows where run.csv lists 451"),
    ("t8", (RUN, rb"^(rows in open_water.csv),45", rb"\1,44"),
     "open_water.csv line 46: more than the 44 data rows run.csv lists"),
    ("t8", lambda d: os.unlink(os.path.join(d, "pitch_sweep.csv")),
     "pitch_sweep.csv is missing: run.csv lists it with 8 rows"),
    ("t8", ("area_ratio.csv", rb"(?s)...\Z", b""), "area_ratio.csv line 16: the last record"),
    ("t8", ("area_ratio.csv", 6, b"1\n0.55,1.07", "tested"), "line 7: 2 fields where the header"),
    ("t8", (RUN, rb"(?s)^outcome.*", b""), "run.csv has no outcome row"),
    ("t8", ("pitch_sweep.csv", rb"T \[kN\]", b"Q [kN m]"), "'P/D,Q [kN m]', not 'P/D,T [kN]'"),
    ("t8", (RUN, END, b"rows in ../run.csv,3,\n"), "'../run.csv' is not the name of a table"),
    ("t8", (RUN, END, b"outcome,error,\n"), "a second 'outcome' row"),
    ("t4g", (RUN, rb"^reason,.*", b"reason,bad \x1b]0;title\x07 \xfe,"),
     r"the run was refused: bad \x1b]0;title\x07 \xfe"),
    ("t8", (RUN, rb"^outcome,.*", b"outcome,interrupted,\nsignal,SIGINT,"),
     "the run was interrupted by SIGINT"),
    ("t8", (RUN, rb"^outcome,.*", b"outcome,error,"), "the run ended with an error"),
    ("t8", lambda d: os.unlink(os.path.join(d, RUN)), "run.csv is missing: not the CSV files"),
    ("t5", lambda d: os.mkdir(os.path.join(d, "open_water.svg")), "open_water.svg: Is a directory"),
]


def copy_set(source, folder):
    return shutil.copytree(source, folder, ignore=lambda _, names: [
        n for n in names if not n.endswith(".csv")])


def cases_of(plot, outs, scratch):
    """(command, environment, status, text, folder) of the tool's runs as a program."""
    base = {"t8": outs["type08_pitch_for_thrust"], "t1": outs["type01_ktj2_design"],
            "t4g": outs["type04_bollard_pull_gawn"], "t5": outs["type05_open_water_table"]}
    cases = []
    for n, (example, change, text) in enumerate(BROKEN):
        folder = copy_set(base[example], os.path.join(scratch, f"broken{n}"))
        change(folder) if callable(change) else edit(folder, *change)
        cases.append(([plot, folder, "--format", "svg"], None, 1, text, folder))
    folder = copy_set(base["t5"], os.path.join(scratch, "cli"))
    cases.append(([plot, folder, "--format", "gif"], None, 2, "invalid choice: 'gif'", None))
    # The interpreter the build chose has lost matplotlib: the tool runs again
    # under one that has it, unless it is itself such a re-run.
    bare, moved = os.path.join(scratch, "python3-bare"), os.path.join(scratch, "helisolv-plot")
    with open(bare, "w") as f, open(plot) as g, open(moved, "w") as h:
        f.write(f'#!/bin/sh\nexec {sys.executable} -S "$@"\n')
        h.write(g.read().replace("\nCONFIGURED_PYTHON =", f'\nCONFIGURED_PYTHON = "{bare}" or', 1))
    os.chmod(bare, 0o755)
    cases.append(([bare, moved, folder], None, 0, None, None))
    cases.append(([bare, moved, folder], dict(os.environ, HELISOLV_PLOT_REEXEC=bare), 2,
                  "install the Debian package python3-matplotlib (apt-get install "
                  "python3-matplotlib) and re-run cmake", None))
    nobody = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
    probe = shutil.which("setpriv") and subprocess.run(nobody + ["true"], capture_output=True,
                                                       timeout=10)
    if probe and probe.returncode == 0:
        os.chmod(os.path.dirname(scratch), 0o755)
        folder = copy_set(base["t5"], os.path.join(scratch, "read_only"))
        cases.append((nobody + [plot, folder], None, 1, f"cannot write {folder}: Permission "
                      "denied", folder))
    else:
        print("skipped: a folder the tool cannot write (as nobody, through setpriv: "
              + (probe.stderr.decode(errors="replace").strip() if probe else "no setpriv") + ")")
    return cases


def run_case(command, env, status, text, folder):
    """Status as expected; a failure is one line of text and leaves no picture."""
    try:
        result = subprocess.run(command, capture_output=True, env=env, timeout=30)
    except subprocess.TimeoutExpired:  # a FIFO the tool waits on
        return check(False, f"{command}: still running after the timeout")
    err = result.stderr.decode("utf-8", "replace")
    check(result.returncode == status, f"{command}: status {result.returncode}: {err}")
    if status:
        check(err.startswith("helisolv-plot: ") and err.count("\n") == 1 and text in err and
              not re.search(rb"[\0-\x09\x0b-\x1f]", result.stderr), f"{text!r} not in {err!r}")
    left = [f for f in os.listdir(folder) if not f.endswith(".csv") and os.path.isfile(
        os.path.join(folder, f))] if status and folder else []
    check(not left, f"{command}: wrote {left}")


# (chart, line, table, x column, y column or its index, factor): each point a
# chart draws is a value of its table, scaled as its axis says.
VALUES = [
    ("open_water", "kt", "open_water.csv", "J", "Kt", 1),
    ("open_water", "kq10", "open_water.csv", "J", "Kq", 10),
    ("open_water", "eta0", "open_water.csv", "J", "eta0", 1),
    ("candidates", "eta_pd", "candidates.csv", "P/D", "eta0", 1),
    ("candidates", "eta_j", "candidates.csv", "J", "eta0", 1),
    ("bollard", "thrust", "bollard.csv", "D [m]", "T [N]", 0.001),
    ("bollard", "pitch", "bollard.csv", "D [m]", "P/D", 1),
    ("bp_delta", "bp_delta_eta0", "bp_delta.csv", "P/D", "eta0", 1),
    ("bp_delta", "bp_delta_bp", "bp_delta.csv", "P/D", "Bp", 1),
    ("pitch_sweep", "sweep", "pitch_sweep.csv", "P/D", 1, 1),
    ("area_ratio", "eta0", "area_ratio.csv", "EAR", "eta0", 1),
    ("area_ratio", "pitch", "area_ratio.csv", "EAR", "P/D", 1),
]


def check_values(name, out, figures):
    def same(got, want):
        return len(got) == len(want) and all(
            (g != g and w != w) or abs(g - w) <= 1e-9 * max(1.0, abs(w)) for g, w in zip(got, want))

    for chart, gid, table, x, y, factor in VALUES:
        if chart not in figures:
            continue
        with open(os.path.join(out, table), newline="", encoding="utf-8") as f:
            rows = list(csv.reader(f))
        head, rows = rows[0], rows[1:]
        y = head[y] if isinstance(y, int) else y
        column = [[float(r[head.index(c)] or "nan") for r in rows] for c in (x, y)]
        lines = lines_of(figures[chart], gid)
        check(len(lines) == 1, f"{name}: {chart} has {len(lines)} lines {gid}")
        for line in lines:
            check(same(list(map(float, line.get_xdata())), column[0]) and
                  same(list(map(float, line.get_ydata())), [v * factor for v in column[1]]),
                  f"{name}: {chart} line {gid} is not {factor} x {y} of {table} over {x}")


def draw_here(folder, want=0):
    """The tool run in this process; the figures it saved, by chart."""
    err, shared["figures"] = io.StringIO(), {}
    with contextlib.redirect_stdout(io.StringIO()), contextlib.redirect_stderr(err):
        status = shared["tool"]["main"]([folder, "--format", "svg"])
    check(status == want, f"{folder}: status {status}: {err.getvalue()}")
    return shared["figures"]


# (example, chart, texts it shows, texts it does not show)
TITLES = [
    ("type08_pitch_for_thrust", "open_water", (
        "Type 8: pitch ratio for a required thrust", "legacy viscous correction",
        "Wageningen B-series, Z = 4, EAR = 0.75, design P/D = 1.069"), ("open-water model",)),
    ("type06_operating_point_gawn", "open_water", ("open-water model: gawn-legacy",),
     ("design P/D",)),
    ("type07_bp_delta_design", "bp_delta", (
        "chosen P/D = 1.272", "given Bp = 27.95", "chosen eta0 = 0.5061"), ()),
    ("type08_pitch_for_thrust", "burrill", ("recommended upper limit",), ("off the chart",)),
    ("type09_pitch_for_power", "area_ratio", (
        "this propeller: EAR = 0.75", "outside the tested range"), ()),
]


def draw_example(name):
    """In a forked drawer: one example's charts, their series' points, its warnings."""
    failures.clear()
    out = shared["outs"][name]
    charts = expected_series(out)
    os.umask(0o027)  # in this drawer only: a new picture takes the umask's mode
    figures = draw_here(out, 0 if charts else 1)  # a refused run has nothing to draw
    images = sorted(f[:-4] for f in os.listdir(out) if f.endswith(".svg"))
    check(images == sorted(charts), f"{name}: drew {images}, not {sorted(charts)}")
    for image in images:
        with open(os.path.join(out, image + ".svg"), "rb") as f:
            picture = f.read()
        check(picture.startswith(b"<?xml") and picture.endswith(b"</svg>\n"), f"{image}: no SVG")
    modes = {oct(os.stat(os.path.join(out, f + ".svg")).st_mode & 0o777) for f in images}
    check(modes <= {"0o640"}, f"{name}: pictures of modes {modes} under umask 027")
    check(sorted(figures) == images, f"{name}: figures kept {sorted(figures)}")
    check_values(name, out, figures)
    with open(os.path.join(out, "run.csv"), encoding="utf-8") as f:
        warned = any(line.startswith("warning,") for line in f)
    for chart, series in charts.items():
        for gid, want in series.items():
            got = sum(len(line.get_xdata()) for line in lines_of(figures[chart], gid))
            check(got == want, f"{name}: {chart} series {gid} has {got} points, not {want}")
        check(bool(texts(figures[chart], "warnings")) == warned, f"{name}: {chart}: warnings?")
    for example, chart, present, absent in TITLES:
        if example == name:
            shows(figures[chart], present, absent)
    # The program's own sets folder aside (the CSV names link into it).
    check(not [f for f in os.listdir(out) if f.startswith(".") and f != ".helisolv-csv"],
          f"{name}: temporary files left")
    return failures


def check_edited(outs, scratch):
    """A type 10 run edited to miss its requirement, its design off two Burrill
    lines, and a warning to escape; a symlink named like a picture."""
    folder = copy_set(outs["type10_pitch_for_torque"], os.path.join(scratch, "edited"))
    edit(folder, RUN, rb"^required torque,[^,]*", b"required torque,330")
    edit(folder, "blade_checks.csv", 2, b"0.12", "sigma 0.7R")
    edit(folder, RUN, END, b"warning,costs $5 and \x1b[31m red,\n")
    figures = draw_here(folder)
    shows(figures["pitch_sweep"], ("required torque = 330 kN m", "achieved torque = 320 kN m"))
    shows(figures["burrill"], (
        "off the chart of: 2.5% back cavitation (0.18 to 1.5); 5% back cavitation (0.15 to 1.5)",))
    check(texts(figures["burrill"], "off_chart") == ["off the chart"],
          "no 'off the chart' by the design point")
    for name in ("open_water", "pitch_sweep", "area_ratio", "burrill"):
        check(r"costs $5 and \x1b[31m red" in " ".join(texts(figures[name], "warnings")),
              f"{name}: the warning is not shown escaped under the chart")

    folder = copy_set(outs["type05_open_water_table"], os.path.join(scratch, "symlink"))
    picture = os.path.join(folder, "open_water.svg")
    os.symlink(os.path.join(folder, RUN), picture)
    draw_here(folder)
    with open(os.path.join(folder, RUN)) as f:
        check(f.read(9) == "quantity," and not os.path.islink(picture),
              "written through the symlink named like the picture, or the symlink kept")


def main(helisolv, plot, examples):
    try:
        import matplotlib  # noqa: F401
    except ImportError:
        print(f"skipped: {sys.executable} has no matplotlib (Debian: python3-matplotlib)")
        return 77
    names = sorted(f[:-4] for f in os.listdir(examples) if f.endswith(".Tsk"))
    with tempfile.TemporaryDirectory(prefix="helisolv_plot_") as scratch:
        with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
            shared["outs"] = outs = dict(zip(names, pool.map(lambda n: run_example(
                helisolv, os.path.join(examples, n + ".Tsk"), os.path.join(scratch, n)), names)))
        cases = cases_of(plot, outs, os.path.join(scratch, "cli"))
        shared["tool"] = runpy.run_path(plot, run_name="helisolv_plot")
        shared["tool"]["load_matplotlib"]()
        charts = sys.modules["helisolv_plot_tool.charts"].Charts
        save = charts.save
        charts.save = lambda self, fig, name: (shared["figures"].__setitem__(name, fig),
                                               save(self, fig, name))[1]
        # Two forked copies of this process (matplotlib loaded once) draw the
        # examples, beside the tool's runs as a program and the edited charts.
        with concurrent.futures.ProcessPoolExecutor(
                2, mp_context=multiprocessing.get_context("fork")) as drawers, \
                concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
            results = drawers.map(draw_example, names)
            runs = [pool.submit(run_case, *case) for case in cases]
            check_edited(outs, os.path.join(scratch, "edited"))
            failures.extend(sum(results, []))
            [run.result() for run in runs]
    for message in failures:
        print("FAIL:", message)
    print(f"{len(names)} examples drawn, {len(cases)} runs of the tool, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*map(os.path.abspath, sys.argv[1:])) if len(sys.argv) == 4 else __doc__)

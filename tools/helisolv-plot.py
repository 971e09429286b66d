#!/usr/bin/env python3
"""helisolv-plot: draws the diagrams of a helisolv run from its CSV files.

    helisolv-plot DIR [--format png|svg|pdf]

DIR is the folder a run wrote with `helisolv --csv DIR`. From the files present
it draws, into the same folder:
  open_water.<fmt>   Kt, 10Kq and eta0 against J, the design J marked
  candidates.<fmt>   eta0 of the candidate propellers against P/D and J, the chosen one marked
  burrill.<fmt>      the Burrill chart: both back-cavitation lines and the design point
  pitch_sweep.<fmt>  the required quantity against P/D, the requirement and the found P/D
  area_ratio.<fmt>   eta0 and P/D against the blade-area ratio
  bollard.<fmt>      thrust and P/D of the three bollard candidates, the chosen one marked
Exit status: 0 charts drawn; 1 nothing to draw or a file that cannot be read;
2 a command-line error or matplotlib missing.
"""

import argparse
import csv
import math
import os
import sys

# Every data series carries an id in SVG output (its "gid"), so that a reader
# (or a test) can find it and count its points.
FIG_WIDTH = 6.7  # inches: the text width of an A4 page


def fail(message, status):
    print(f"helisolv-plot: {message}", file=sys.stderr)
    sys.exit(status)


def read_table(path):
    """Rows of a CSV file as dicts; numbers as floats, empty fields as None."""
    with open(path, newline="", encoding="utf-8") as f:
        rows = []
        for row in csv.DictReader(f):
            parsed = {}
            for key, text in row.items():
                try:
                    parsed[key] = float(text) if text not in ("", None) else None
                except ValueError:
                    parsed[key] = text
            rows.append(parsed)
        return rows


def read_run(path):
    """run.csv as quantity -> value; the result block's values replace the inputs'."""
    run = {}
    if not os.path.exists(path):
        return run
    with open(path, newline="", encoding="utf-8") as f:
        for row in csv.DictReader(f):
            value = row.get("value", "")
            try:
                run[row["quantity"]] = float(value)
            except ValueError:
                run[row["quantity"]] = value
    return run


def column(rows, name):
    return [r[name] for r in rows]


def finite(value):
    return isinstance(value, float) and math.isfinite(value)


class Charts:
    def __init__(self, plt, folder, fmt, run):
        self.plt = plt
        self.folder = folder
        self.fmt = fmt
        problem_type = run.get("problem type")
        label = f"Type {int(problem_type)}: " if finite(problem_type) else ""
        self.title = f"{label}{run.get('problem', '')}, {run.get('series', '')}"
        self.run = run
        self.written = []

    def figure(self, panels=1, height=4.3):
        fig, axes = self.plt.subplots(1, panels, figsize=(FIG_WIDTH, height), squeeze=False)
        fig.suptitle(self.title, fontsize=10)
        for ax in axes[0]:
            ax.grid(True, color="0.85", linewidth=0.6)
        return fig, list(axes[0])

    def save(self, fig, name):
        fig.tight_layout()
        path = os.path.join(self.folder, f"{name}.{self.fmt}")
        fig.savefig(path, dpi=200)
        self.plt.close(fig)
        self.written.append(path)

    def open_water(self, rows):
        fig, (ax,) = self.figure()
        j = column(rows, "J")
        style = dict(marker="o", markersize=2.5, linewidth=1.4)
        ax.plot(j, column(rows, "Kt"), label="Kt", gid="kt", color="tab:blue", **style)
        ax.plot(j, [10 * kq for kq in column(rows, "Kq")], label="10Kq", gid="kq10",
                color="tab:red", **style)
        ax.plot(j, column(rows, "eta0"), label="eta0", gid="eta0", color="tab:green", **style)
        design = [r for r in rows if r.get("design") == 1.0]
        if design:
            d = design[0]
            ax.axvline(d["J"], color="0.3", linestyle="--", linewidth=1, gid="design_j")
            ax.plot([d["J"]] * 3, [d["Kt"], 10 * d["Kq"], d["eta0"]], linestyle="none",
                    marker="D", markersize=6, color="black", gid="design")
            # Type 6 marks the operating point of a given propeller, not a design.
            name = "operating J" if self.run.get("problem type") == 6.0 else "design J"
            ax.annotate(f"{name} = {d['J']:.3f}", xy=(d["J"], d["eta0"]),
                        xytext=(8, 8), textcoords="offset points", fontsize=9)
        ax.set_xlabel("advance coefficient J (-)")
        ax.set_ylabel("Kt, 10Kq, eta0 (-)")
        ax.set_title("Open-water diagram", fontsize=10)
        ax.set_ylim(bottom=0)
        ax.legend(fontsize=9)
        self.save(fig, "open_water")

    def candidates(self, rows):
        fig, axes = self.figure(panels=2, height=3.8)
        chosen = [r for r in rows if r.get("chosen") == 1.0]
        for ax, key, gid, xlabel in ((axes[0], "P/D", "pd", "pitch ratio P/D (-)"),
                                     (axes[1], "J", "j", "advance coefficient J (-)")):
            ax.plot(column(rows, key), column(rows, "eta0"), linestyle="none", marker="o",
                    markersize=3.5, color="tab:blue", gid=f"eta_{gid}", label="candidates")
            if chosen:
                ax.plot([chosen[0][key]], [chosen[0]["eta0"]], linestyle="none", marker="*",
                        markersize=13, color="tab:red", gid=f"chosen_{gid}",
                        label=f"chosen (row {int(chosen[0]['row'])})")
            ax.set_xlabel(xlabel)
            ax.set_ylabel("open-water efficiency eta0 (-)")
            ax.legend(fontsize=8)
        axes[0].set_title("Design candidates", fontsize=10)
        self.save(fig, "candidates")

    def burrill(self, checks, lines):
        point = checks[0]
        sigma, tau = point.get("sigma 0.7R"), point.get("tau_c")
        if not (finite(sigma) and finite(tau)):
            return  # the Burrill check was not made (Gawn series without it)
        fig, (ax,) = self.figure()
        for percent, gid, color in ((2.5, "burrill_2.5", "tab:orange"),
                                    (5.0, "burrill_5", "tab:red")):
            pts = [r for r in lines if r["back cavitation [%]"] == percent]
            ax.plot(column(pts, "sigma"), column(pts, "tau_c"), marker="o", markersize=3,
                    color=color, gid=gid, label=f"{percent:g} % back cavitation")
        ax.plot([sigma], [tau], linestyle="none", marker="D", markersize=7, color="black",
                gid="design", label=f"design: sigma = {sigma:.3f}, tau_c = {tau:.3f}")
        # Burrill's chart is read on logarithmic scales; label them in plain numbers.
        import matplotlib.ticker as ticker
        ax.set_xscale("log")
        ax.set_yscale("log")
        ax.set_xticks([0.1, 0.15, 0.2, 0.3, 0.4, 0.5, 0.6, 0.8, 1.0, 1.5, 2.0, 3.0])
        ax.set_yticks([0.02, 0.03, 0.05, 0.07, 0.1, 0.15, 0.2, 0.3, 0.4, 0.5])
        for axis in (ax.xaxis, ax.yaxis):
            axis.set_major_formatter(ticker.FormatStrFormatter("%g"))
            axis.set_minor_formatter(ticker.NullFormatter())
        low, high = min(sigma, 0.15) / 1.1, max(sigma, 1.5) * 1.1
        ax.set_xlim(low, high)
        ax.set_ylim(min(tau, 0.02) / 1.15, max(tau, 0.33) * 1.15)
        ax.set_xlabel("cavitation number sigma at 0.7 R (-)")
        ax.set_ylabel("thrust loading coefficient tau_c (-)")
        ax.set_title(f"Burrill chart (EAR = {point['EAR']:.3f})", fontsize=10)
        ax.legend(fontsize=9, loc="lower right")
        self.save(fig, "burrill")

    def pitch_sweep(self, rows, header):
        fig, (ax,) = self.figure()
        value = header[1]
        requirement, unit, axis_title = {
            "T [kN]": ("thrust", "kN", "thrust T (kN)"),
            "Pd [kW]": ("power", "kW", "delivered power Pd (kW)"),
            "Q [kN m]": ("torque", "kN m", "torque Q (kN m)")}[value]
        ax.plot(column(rows, "P/D"), column(rows, value), marker="o", markersize=3.5,
                color="tab:blue", gid="sweep", label=f"{requirement} at each P/D")
        required = self.run.get(requirement)
        found = self.run.get("pitch ratio")
        if finite(required):
            ax.axhline(required, color="tab:red", linestyle="--", linewidth=1, gid="required",
                       label=f"required {requirement} = {required:g} {unit}")
            if finite(found):
                ax.plot([found], [required], linestyle="none", marker="D", markersize=7,
                        color="black", gid="found", label=f"found P/D = {found:.3f}")
        ax.set_xlabel("pitch ratio P/D (-)")
        ax.set_ylabel(axis_title)
        ax.set_title("Pitch sweep at the operating J", fontsize=10)
        ax.legend(fontsize=9)
        self.save(fig, "pitch_sweep")

    def area_ratio(self, rows):
        fig, axes = self.figure(panels=2, height=3.8)
        ear = column(rows, "EAR")
        axes[0].plot(ear, column(rows, "eta0"), marker="o", markersize=3.5, color="tab:green",
                     gid="eta0")
        axes[0].set_ylabel("open-water efficiency eta0 (-)")
        axes[1].plot(ear, column(rows, "P/D"), marker="o", markersize=3.5, color="tab:blue",
                     gid="pitch")
        axes[1].set_ylabel("pitch ratio P/D (-)")
        for ax in axes:
            ax.set_xlabel("blade-area ratio EAR (-)")
        axes[0].set_title("Over blade-area ratio", fontsize=10)
        self.save(fig, "area_ratio")

    def bollard(self, rows):
        fig, axes = self.figure(panels=2, height=3.8)
        d = column(rows, "D [m]")
        chosen = [r for r in rows if r.get("chosen") == 1.0]
        for ax, gid, values, ylabel in (
                (axes[0], "thrust", [t / 1000 for t in column(rows, "T [N]")],
                 "bollard thrust T (kN)"),
                (axes[1], "pitch", column(rows, "P/D"), "pitch ratio P/D (-)")):
            ax.plot(d, values, marker="o", markersize=5, color="tab:blue", gid=gid,
                    label="candidates")
            if chosen:
                i = rows.index(chosen[0])
                ax.plot([d[i]], [values[i]], linestyle="none", marker="*", markersize=13,
                        color="tab:red", gid=f"chosen_{gid}",
                        label=f"chosen (row {int(chosen[0]['row'])})")
            ax.set_xlabel("diameter D (m)")
            ax.set_ylabel(ylabel)
            ax.legend(fontsize=8)
        axes[0].set_title("Bollard candidates", fontsize=10)
        self.save(fig, "bollard")


def main(argv):
    parser = argparse.ArgumentParser(
        prog="helisolv-plot",
        description="Draws the diagrams of a helisolv run from the CSV files of `helisolv --csv DIR`.")
    parser.add_argument("dir", metavar="DIR", help="the folder the run wrote its CSV files to")
    parser.add_argument("--format", choices=("png", "svg", "pdf"), default="png",
                        help="image format of the charts (default png)")
    args = parser.parse_args(argv)  # a command-line error exits with status 2

    try:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        fail(f"matplotlib is missing for {sys.executable}; install the Debian package "
             "python3-matplotlib (apt-get install python3-matplotlib)", 2)
    # Keep every point of a series in vector output, and the SVG text as text.
    matplotlib.rcParams.update({"path.simplify": False, "svg.fonttype": "none",
                                "font.size": 9, "svg.hashsalt": "helisolv"})

    folder = args.dir
    if not os.path.isdir(folder):
        fail(f"{folder} is not a folder", 1)
    try:
        run = read_run(os.path.join(folder, "run.csv"))
        charts = Charts(plt, folder, args.format, run)

        def table(name):
            path = os.path.join(folder, name)
            return read_table(path) if os.path.exists(path) else None

        def header(name):
            with open(os.path.join(folder, name), newline="", encoding="utf-8") as f:
                return next(csv.reader(f))

        if (rows := table("open_water.csv")):
            charts.open_water(rows)
        if (rows := table("candidates.csv")):
            charts.candidates(rows)
        checks, lines = table("blade_checks.csv"), table("burrill_lines.csv")
        if checks and lines:
            charts.burrill(checks, lines)
        if (rows := table("pitch_sweep.csv")):
            charts.pitch_sweep(rows, header("pitch_sweep.csv"))
        if (rows := table("area_ratio.csv")):
            charts.area_ratio(rows)
        if (rows := table("bollard.csv")):
            charts.bollard(rows)
    except (OSError, KeyError, ValueError, TypeError) as error:
        fail(f"cannot read the CSV files in {folder}: {error}", 1)

    if not charts.written:
        outcome = run.get("outcome", "no run.csv")
        reason = run.get("reason")
        fail(f"nothing to draw in {folder} (run outcome: {outcome}"
             + (f": {reason}" if reason else "") + ")", 1)
    for path in charts.written:
        print(path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

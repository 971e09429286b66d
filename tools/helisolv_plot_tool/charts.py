"""The charts of a run, drawn from its checked tables."""

import math
import os
import tempfile
import textwrap

from .csv_tables import MAX_FIELD, REQUIREMENT, SWEEP_COLUMN, read_table
from .failure import Failure, shown
from .rerun import load_matplotlib

# How much of the warnings fits under a chart before the rest is summed up.
MAX_WARNING_LINES = 16

FIG_WIDTH = 6.7  # inches: the text width of an A4 page

BURRILL_LINES = {  # line name -> (series id, colour)
    "2.5% back cavitation": ("burrill_2.5", "tab:orange"),
    "5% back cavitation": ("burrill_5", "tab:red"),
    "recommended upper limit": ("burrill_upper", "tab:purple"),
}


def chart_text(text, limit=100):
    """Text from the files as a chart shows it: escaped, cut to length, and
    with its dollar signs literal rather than the start of a formula."""
    text = shown(text)
    if len(text) > limit:
        text = text[:limit - 3] + "..."
    return text.replace("$", r"\$")


def nan_for_none(values):
    return [math.nan if v is None else v for v in values]


def g4(value):
    return f"{value:.4g}"


CORRECTIONS = {"none": "no viscous correction", "legacy": "legacy viscous correction",
               "ittc78": "ITTC78 viscous correction",
               "reynolds": "Reynolds-number viscous correction"}


class Charts:
    def __init__(self, Figure, ticker, folder, fmt, run, problem_type):
        self.Figure = Figure
        self.ticker = ticker
        self.folder = folder
        self.fmt = fmt
        self.run = run
        self.problem_type = problem_type
        self.written = []
        self.title = self.make_title()
        self.warning_lines = self.make_warning_lines()
        self.umask = os.umask(0o022)
        os.umask(self.umask)

    def given_or_result(self, name):
        given = self.run.number(f"given {name}")
        return (given, True) if given is not None else (self.run.number(name), False)

    def make_title(self):
        problem = chart_text(self.run.text("problem") or "", 70)
        first = f"Type {self.problem_type}: {problem}"
        details = [chart_text(self.run.text("series") or "series not named", 40)]
        blades, _ = self.given_or_result("blades")
        if blades is not None:
            details.append(f"Z = {g4(blades)}")
        ear, _ = self.given_or_result("area ratio")
        if ear is not None:
            details.append(f"EAR = {g4(ear)}")
        pitch, given = self.given_or_result("pitch ratio")
        if pitch is not None:
            details.append(f"P/D = {g4(pitch)}" if given else f"design P/D = {pitch:.3f}")
        correction = self.run.text("viscous correction")
        method = [CORRECTIONS.get(correction, f"viscous correction: {chart_text(correction, 30)}")
                  if correction is not None else "viscous correction not recorded"]
        if self.run.integer("series type", (1, 2)) == 2:
            model = self.run.text("open-water model")
            method.append("open-water model: "
                          + (chart_text(model, 30) if model is not None else "not recorded"))
        return "\n".join((first, ", ".join(details), ", ".join(method)))

    def make_warning_lines(self):
        warnings = self.run.warnings()
        lines = []
        for i, warning in enumerate(warnings):
            wrapped = textwrap.wrap(chart_text(warning, MAX_FIELD), width=110,
                                    initial_indent="- ", subsequent_indent="  ")
            if len(lines) + len(wrapped) > MAX_WARNING_LINES:
                left = len(warnings) - i
                lines.append(f"... and {left} more warning{'s' * (left > 1)} in run.csv")
                break
            lines.extend(wrapped)
        return (["Warnings of the run:"] + lines) if lines else []

    def figure(self, panels=1, height=4.3):
        title_height = 0.5
        warnings_height = 0.15 * len(self.warning_lines) + (0.1 if self.warning_lines else 0)
        total = height + title_height + warnings_height
        fig = self.Figure(figsize=(FIG_WIDTH, total))
        axes = fig.subplots(1, panels, squeeze=False)[0]
        fig.suptitle(self.title, fontsize=9)
        if self.warning_lines:
            fig.text(0.01, 0.01, "\n".join(self.warning_lines), fontsize=7.5, ha="left",
                     va="bottom", color="darkred", gid="warnings", linespacing=1.25)
        for ax in axes:
            ax.grid(True, color="0.85", linewidth=0.6)
        # tight_layout leaves room for the title itself; the warnings are kept clear of.
        fig._helisolv_rect = (0, (warnings_height + 0.05) / total, 1, 1)
        return fig, list(axes)

    def save(self, fig, name):
        fig.tight_layout(rect=fig._helisolv_rect)
        path = os.path.join(self.folder, f"{name}.{self.fmt}")
        # A temporary file of its own in the same folder, renamed over the
        # picture: a reader never sees half a picture, and a symlink named
        # like the picture is replaced, never written through.
        try:
            fd, temporary = tempfile.mkstemp(prefix=f".{name}.", suffix=".part",
                                             dir=self.folder)
        except OSError as error:
            raise Failure(f"cannot write {shown(path)}: {error.strerror}")
        try:
            os.fchmod(fd, 0o666 & ~self.umask)
            with os.fdopen(fd, "wb") as out:
                fig.savefig(out, format=self.fmt, dpi=200)
            os.replace(temporary, path)
        except OSError as error:
            self.remove(temporary)
            raise Failure(f"cannot write {shown(path)}: {error.strerror}")
        except BaseException:
            self.remove(temporary)
            raise
        self.written.append(path)

    @staticmethod
    def remove(path):
        try:
            os.unlink(path)
        except OSError:
            pass

    def open_water(self, table):
        fig, (ax,) = self.figure()
        rows = table.row_dicts()
        j = table.column("J")
        style = dict(marker="o", markersize=2.5, linewidth=1.4)
        ax.plot(j, nan_for_none(table.column("Kt")), label="Kt", gid="kt", color="tab:blue",
                **style)
        ax.plot(j, [math.nan if kq is None else 10 * kq for kq in table.column("Kq")],
                label="10Kq", gid="kq10", color="tab:red", **style)
        ax.plot(j, nan_for_none(table.column("eta0")), label="eta0", gid="eta0",
                color="tab:green", **style)
        design = [r for r in rows if r["design"]]
        if design:
            d = design[0]
            # Type 6 marks the operating point of a given propeller, not a design.
            name = "operating J" if self.problem_type == 6 else "design J"
            ax.axvline(d["J"], color="0.3", linestyle="--", linewidth=1, gid="design_j",
                       label=f"{name} = {d['J']:.3f}")
            kq = None if d["Kq"] is None else 10 * d["Kq"]
            ax.plot([d["J"]] * 3, nan_for_none([d["Kt"], kq, d["eta0"]]), linestyle="none",
                    marker="D", markersize=6, color="black", gid="design")
        ax.set_xlabel("advance coefficient J (-)")
        ax.set_ylabel("Kt, 10Kq, eta0 (-)")
        ax.set_title("Open-water diagram", fontsize=10)
        ax.set_ylim(bottom=0)
        ax.legend(fontsize=8)
        self.save(fig, "open_water")

    def candidates(self, table):
        fig, axes = self.figure(panels=2, height=3.8)
        rows = table.row_dicts()
        chosen = [r for r in rows if r["chosen"]]
        for ax, key, gid, xlabel in ((axes[0], "P/D", "pd", "pitch ratio P/D (-)"),
                                     (axes[1], "J", "j", "advance coefficient J (-)")):
            ax.plot(nan_for_none(table.column(key)), nan_for_none(table.column("eta0")),
                    linestyle="none", marker="o", markersize=3.5, color="tab:blue",
                    gid=f"eta_{gid}", label="candidates")
            if chosen:
                c = chosen[0]
                ax.plot(nan_for_none([c[key]]), nan_for_none([c["eta0"]]), linestyle="none",
                        marker="*", markersize=13, color="tab:red", gid=f"chosen_{gid}",
                        label=f"chosen (row {c['row']})")
            ax.set_xlabel(xlabel)
            ax.set_ylabel("open-water efficiency eta0 (-)")
            ax.legend(fontsize=8)
        axes[0].set_title("Design candidates", fontsize=10)
        self.save(fig, "candidates")

    def bollard(self, table):
        fig, axes = self.figure(panels=2, height=3.8)
        d = table.column("D [m]")
        chosen = [i for i, c in enumerate(table.column("chosen")) if c]
        thrust = [None if t is None else t / 1000 for t in table.column("T [N]")]
        for ax, gid, values, ylabel in (
                (axes[0], "thrust", thrust, "bollard thrust T (kN)"),
                (axes[1], "pitch", table.column("P/D"), "pitch ratio P/D (-)")):
            ax.plot(d, nan_for_none(values), marker="o", markersize=5, color="tab:blue",
                    gid=gid, label="candidates")
            if chosen:
                i = chosen[0]
                ax.plot([d[i]], nan_for_none([values[i]]), linestyle="none", marker="*",
                        markersize=13, color="tab:red", gid=f"chosen_{gid}",
                        label=f"chosen (row {table.column('row')[i]})")
            ax.set_xlabel("diameter D (m)")
            ax.set_ylabel(ylabel)
            ax.legend(fontsize=8)
        axes[0].set_title("Bollard candidates", fontsize=10)
        self.save(fig, "bollard")

    def bp_delta(self, table):
        fig, axes = self.figure(panels=2, height=3.8)
        pd = table.column("P/D")
        chosen = self.run.number("pitch ratio")
        given_bp = self.run.number("given Bp")
        for ax, key, gid, ylabel in ((axes[0], "eta0", "eta0", "open-water efficiency eta0 (-)"),
                                     (axes[1], "Bp", "bp", "power coefficient Bp (-)")):
            ax.plot(pd, nan_for_none(table.column(key)), marker="o", markersize=3, linewidth=1.4,
                    color="tab:green" if key == "eta0" else "tab:blue", gid=f"bp_delta_{gid}",
                    label=f"{key} at each P/D")
            if key == "Bp" and given_bp is not None:
                ax.axhline(given_bp, color="tab:red", linestyle=":", linewidth=1,
                           gid="given_bp", label=f"given Bp = {g4(given_bp)}")
            if chosen is not None:
                ax.axvline(chosen, color="0.3", linestyle="--", linewidth=1,
                           gid=f"chosen_pd_{gid}", label=f"chosen P/D = {chosen:.3f}")
                value = self.run.number(key)
                if value is not None:
                    ax.plot([chosen], [value], linestyle="none", marker="D", markersize=6,
                            color="black", gid=f"chosen_{gid}",
                            label=f"chosen {key} = {g4(value)}")
            ax.set_xlabel("pitch ratio P/D (-)")
            ax.set_ylabel(ylabel)
            ax.legend(fontsize=8)
        axes[0].set_title("Bp-delta design over P/D", fontsize=10)
        self.save(fig, "bp_delta")

    def pitch_sweep(self, table):
        fig, (ax,) = self.figure()
        column, achieved_name, unit, axis_title = SWEEP_COLUMN[self.problem_type]
        requirement = REQUIREMENT[self.problem_type]
        ax.plot(table.column("P/D"), nan_for_none(table.column(column)), marker="o",
                markersize=3.5, color="tab:blue", gid="sweep",
                label=f"{achieved_name} at each P/D")
        required = self.run.number(requirement)
        achieved = self.run.number(achieved_name)
        found = self.run.number("pitch ratio")
        if required is not None:
            ax.axhline(required, color="tab:red", linestyle="--", linewidth=1, gid="required",
                       label=f"{requirement} = {g4(required)} {unit}")
        if found is not None and (achieved is not None or required is not None):
            label = f"found P/D = {found:.3f}"
            if achieved is not None:
                label += f", achieved {achieved_name} = {g4(achieved)} {unit}"
            ax.plot([found], [achieved if achieved is not None else required], linestyle="none",
                    marker="D", markersize=7, color="black", gid="found", label=label)
        ax.set_xlabel("pitch ratio P/D (-)")
        ax.set_ylabel(axis_title)
        ax.set_title("Pitch sweep at the operating J", fontsize=10)
        ax.legend(fontsize=8)
        self.save(fig, "pitch_sweep")

    def area_ratio(self, table):
        fig, axes = self.figure(panels=2, height=3.8)
        ear = table.column("EAR")
        tested = table.column("tested")
        own, _ = self.given_or_result("area ratio")
        untested = [i for i, t in enumerate(tested) if not t]
        # Each untested row is shaded half-way to its neighbours (at the ends as
        # far out as in).
        spans = []
        for i in untested:
            before = ear[i] - ear[i - 1] if i > 0 else None
            after = ear[i + 1] - ear[i] if i + 1 < len(ear) else None
            before = before if before is not None else (after if after is not None else 0.02)
            after = after if after is not None else before
            low, high = ear[i] - before / 2, ear[i] + after / 2
            spans.append((min(low, high), max(low, high)))
        for ax, key, gid, color, ylabel in (
                (axes[0], "eta0", "eta0", "tab:green", "open-water efficiency eta0 (-)"),
                (axes[1], "P/D", "pitch", "tab:blue", "pitch ratio P/D (-)")):
            values = table.column(key)
            for n, (low, high) in enumerate(spans):
                ax.axvspan(low, high, color="0.88", linewidth=0, gid=f"untested_span_{gid}",
                           label="outside the tested range" if n == 0 else None)
            ax.plot(ear, nan_for_none(values), marker="o", markersize=3.5, color=color,
                    gid=gid, label=f"{key} at each EAR")
            if untested:
                ax.plot([ear[i] for i in untested], nan_for_none([values[i] for i in untested]),
                        linestyle="none", marker="o", markersize=6, markerfacecolor="white",
                        color=color, gid=f"{gid}_untested", label="untested EAR")
            if own is not None:
                ax.axvline(own, color="0.3", linestyle="--", linewidth=1, gid=f"own_ear_{gid}",
                           label=f"this propeller: EAR = {g4(own)}")
            ax.set_xlabel("blade-area ratio EAR (-)")
            ax.set_ylabel(ylabel)
            ax.legend(fontsize=7)
        axes[0].set_title("Over blade-area ratio", fontsize=10)
        self.save(fig, "area_ratio")

    def burrill(self, checks, lines):
        point = checks.row_dicts()[0]
        sigma, tau = point["sigma 0.7R"], point["tau_c"]
        if sigma is None or tau is None:
            return  # the run made no Burrill check (the Gawn series without it)
        fig, (ax,) = self.figure()
        names = []
        for name in lines.column("line"):
            if name not in names:
                names.append(name)
        off = []
        for n, name in enumerate(names):
            points = [r for r in lines.row_dicts() if r["line"] == name]
            gid, color = BURRILL_LINES.get(name, (f"burrill_line_{n + 1}", None))
            style = dict(linestyle="--") if name == "recommended upper limit" else {}
            ax.plot([p["sigma"] for p in points], [p["tau_c"] for p in points], marker="o",
                    markersize=3, color=color, gid=gid, label=chart_text(name, 40), **style)
            # Burrill's lines are read only between their first and last sigma.
            low, high = points[0]["sigma"], points[-1]["sigma"]
            if not min(low, high) <= sigma <= max(low, high):
                off.append(f"{chart_text(name, 40)} ({g4(low)} to {g4(high)})")
        label = f"design: sigma = {sigma:.3f}, tau_c = {tau:.3f}"
        if off:
            label += "\noff the chart of: " + "; ".join(off)
        ax.plot([sigma], [tau], linestyle="none", marker="D", markersize=7, color="black",
                gid="design", label=label)
        if off:
            ax.annotate("off the chart", xy=(sigma, tau), xytext=(8, -14),
                        textcoords="offset points", fontsize=8, color="black", gid="off_chart")
        # Burrill's chart is read on logarithmic scales; label them in plain numbers.
        ax.set_xscale("log")
        ax.set_yscale("log")
        ax.set_xticks([0.1, 0.15, 0.2, 0.3, 0.4, 0.5, 0.6, 0.8, 1.0, 1.5, 2.0, 3.0])
        ax.set_yticks([0.02, 0.03, 0.05, 0.07, 0.1, 0.15, 0.2, 0.3, 0.4, 0.5])
        for axis in (ax.xaxis, ax.yaxis):
            axis.set_major_formatter(self.ticker.FormatStrFormatter("%g"))
            axis.set_minor_formatter(self.ticker.NullFormatter())
        sigmas = lines.column("sigma") + [sigma]
        taus = lines.column("tau_c") + [tau]
        positive = [s for s in sigmas if s > 0] or [0.1]
        positive_tau = [t for t in taus if t > 0] or [0.02]
        ax.set_xlim(min(positive) / 1.1, max(positive) * 1.1)
        ax.set_ylim(min(positive_tau) / 1.15, max(positive_tau) * 1.15)
        ax.set_xlabel("cavitation number sigma at 0.7 R (-)")
        ax.set_ylabel("thrust loading coefficient tau_c (-)")
        ear = point["EAR"]
        ax.set_title("Burrill chart" + (f" (EAR = {ear:.3f})" if ear is not None else ""),
                     fontsize=10)
        ax.legend(fontsize=8, loc="best")
        self.save(fig, "burrill")


class SelectionCharts(Charts):
    """The charts of a propeller selection: eta0 against area ratio for each
    blade number with the chosen propeller, and the speed-power curve with the
    engine's MCR line and the sea margin."""

    def make_title(self):
        series = "Gawn series" if self.run.text("series") == "2" else "Wageningen B-series"
        details = [f"Propeller selection, {series}"]
        chosen = []
        for name, label in (("blades", "Z"), ("diameter", "D"), ("pitch ratio", "P/D"),
                            ("area ratio", "EAR"), ("rpm", "rpm")):
            value = self.run.number(name)
            if value is not None:
                chosen.append(f"{label} = {g4(value)}")
        correction = self.run.text("viscous correction")
        method = CORRECTIONS.get(correction, "viscous correction not recorded")
        return "\n".join((details[0], "chosen: " + ", ".join(chosen), method))

    def area_ratio_sweep(self, sweep, selection):
        fig, (ax,) = self.figure()
        rows = sweep.row_dicts()
        for z in sorted({r["Z"] for r in rows}):
            own = [r for r in rows if r["Z"] == z]
            ax.plot([r["EAR"] for r in own], nan_for_none([r["eta0"] for r in own]),
                    marker="o", markersize=2.5, linewidth=1.2, label=f"Z = {g4(z)}",
                    gid=f"eta0_z{g4(z)}")
            refused = [r for r in own if not r["admitted"]]
            if refused:
                ax.plot([r["EAR"] for r in refused], nan_for_none([r["eta0"] for r in refused]),
                        linestyle="none", marker="x", markersize=4, color="0.5")
        for r in selection.row_dicts():
            marker = "D" if r["chosen"] else "s"
            ax.plot([r["EAR"]], nan_for_none([r["eta0"]]), linestyle="none", marker=marker,
                    markersize=7 if r["chosen"] else 4, color="black",
                    gid="chosen" if r["chosen"] else None)
        ax.set_xlabel("expanded area ratio EAR (-)")
        ax.set_ylabel("open-water efficiency eta0 (-)")
        ax.set_title("Best eta0 against area ratio\n(x: below the criterion, squares: each Z's "
                     "choice, diamond: the chosen propeller)", fontsize=9)
        ax.legend(fontsize=8)
        self.save(fig, "selection_area_ratio")

    def speed_power(self, curve):
        fig, (ax,) = self.figure()
        v = curve.column("V [kn]")
        pb = nan_for_none(curve.column("PB [kW]"))
        ax.plot(v, pb, marker="o", markersize=3, color="tab:blue", label="PB calm water",
                gid="pb")
        margin = self.run.number("sea margin") or 0.0
        ax.plot(v, [p * (1 + margin / 100) for p in pb], linestyle="--", color="tab:blue",
                label=f"PB with sea margin {g4(margin)} %", gid="pb_service")
        mcr = self.run.number("engine power")
        if mcr is not None:
            ax.axhline(mcr, color="tab:red", linewidth=1.2, label=f"MCR {g4(mcr)} kW",
                       gid="mcr")
            for name, style in (("speed at MCR calm water", ":"),
                                ("speed at MCR in service", "-.")):
                speed = self.run.number(name)
                if speed is not None:
                    ax.axvline(speed, color="0.3", linestyle=style, linewidth=1,
                               label=f"{name}: {speed:.2f} kn")
        lrm = self.run.number("light-running margin")
        ax.set_xlabel("ship speed V (kn)")
        ax.set_ylabel("brake power PB per propeller (kW)")
        ax.set_title("Speed-power curve of the chosen propeller"
                     + (f", light-running margin {lrm:.1f} %" if lrm is not None else ""),
                     fontsize=10)
        ax.legend(fontsize=8)
        self.save(fig, "selection_speed_power")


def draw_selection(folder, run, fmt):
    listed = run.listed_tables()
    tables = {name: read_table(folder, name, count, 0) for name, count, _line in listed}
    for name in ("blades", "diameter", "pitch ratio", "area ratio", "rpm", "sea margin",
                 "engine power", "speed at MCR calm water", "speed at MCR in service",
                 "light-running margin"):
        run.number(name)
    Figure, ticker = load_matplotlib()
    charts = SelectionCharts(Figure, ticker, folder, fmt, run, 0)
    selection, sweep = tables.get("selection.csv"), tables.get("area_ratio_sweep.csv")
    if selection and sweep and sweep.rows:
        charts.area_ratio_sweep(sweep, selection)
    curve = tables.get("speed_power.csv")
    if curve and curve.rows:
        charts.speed_power(curve)
    if not charts.written:
        raise Failure(f"nothing to draw in {shown(folder)}: its tables hold no chart")
    return charts.written

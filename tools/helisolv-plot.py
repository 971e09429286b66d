#!/usr/bin/env python3
"""helisolv-plot: draws the diagrams of a helisolv run from its CSV files.

    helisolv-plot DIR [--format png|svg|pdf]

DIR is the folder a run wrote with `helisolv --csv DIR`. run.csv says what the
run was and lists its tables (`rows in <file>.csv,<count>`); from those tables
it draws, into the same folder:
  open_water.<fmt>   Kt, 10Kq and eta0 against J, the design J marked
  candidates.<fmt>   eta0 of the candidate propellers against P/D and J, the chosen one marked
  bollard.<fmt>      thrust and P/D of the three bollard candidates, the chosen one marked
  bp_delta.<fmt>     eta0 and Bp against P/D, the chosen P/D marked
  pitch_sweep.<fmt>  the required quantity against P/D, the requirement and the found P/D
  area_ratio.<fmt>   eta0 and P/D against the blade-area ratio, the propeller's own and the
                     untested area ratios marked
  burrill.<fmt>      the Burrill chart: its lines and the design point
Every title names the series, blade count, area ratio, pitch ratio and
correction; the run's warnings are printed under each chart.

The files are read with limits (regular files only, 20 MB, 100,000 rows,
1,000 characters a field) and the whole set is checked against run.csv before
anything is drawn. A picture is written to a temporary file in DIR and renamed
into place.
Exit status: 0 charts drawn; 1 nothing to draw, a refused or unreadable CSV set,
or a picture that cannot be written; 2 a command-line error or no matplotlib.
Every failure is one line on standard error.
"""

import argparse
import csv
import math
import os
import re
import stat
import sys
import tempfile
import textwrap

# The build writes the interpreter it found with matplotlib here (and in the
# first line). Empty when the tool runs from the source tree.
CONFIGURED_PYTHON = ""
# Set in the environment of a re-run under another interpreter, so that a
# re-run never starts another one.
REEXEC_GUARD = "HELISOLV_PLOT_REEXEC"

MAX_FILE_BYTES = 20 * 1024 * 1024
MAX_ROWS = 100_000
MAX_FIELD = 1000
# A record of the widest table (eleven fields of at most MAX_FIELD characters)
# fits; anything longer is read no further.
MAX_LINE = 64 * 1024
# How much of the warnings fits under a chart before the rest is summed up.
MAX_WARNING_LINES = 16

FIG_WIDTH = 6.7  # inches: the text width of an A4 page

NUMBER = re.compile(r"[+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?\Z")
COUNT = re.compile(r"[0-9]+\Z")
TABLE_NAME = re.compile(r"[A-Za-z0-9_]+\.csv\Z")

# Column kinds: "x" a finite number every row must have (the swept variable),
# "y" a number or empty (a value the run could not print), "flag" 0 or 1,
# "row" a row number (1, 2, ...), "text" any text.
TABLES = {
    "candidates.csv": [("row", "row"), ("P/D", "x"), ("J", "y"), ("Kt", "y"), ("Kq", "y"),
                       ("eta0", "y"), ("Bp", "y"), ("delta", "y"), ("chosen", "flag")],
    "bollard.csv": [("row", "row"), ("D [m]", "x"), ("Kq", "y"), ("P/D", "y"), ("Kt", "y"),
                    ("T [N]", "y"), ("T [kN]", "y"), ("T [tf]", "y"), ("chosen", "flag")],
    "open_water.csv": [("J", "x"), ("Kt", "y"), ("Kq", "y"), ("eta0", "y"), ("Bp", "y"),
                       ("delta", "y"), ("design", "flag")],
    "bp_delta.csv": [("P/D", "x"), ("Kt", "y"), ("Kq", "y"), ("eta0", "y"), ("Bp", "y"),
                     ("delta", "y")],
    "pitch_sweep.csv": [("P/D", "x"), (None, "y")],  # second column: see SWEEP_COLUMN
    "area_ratio.csv": [("EAR", "x"), ("P/D", "y"), ("eta0", "y"), ("tested", "flag")],
    # Without a Burrill check (the Gawn series) even its EAR field is empty.
    "blade_checks.csv": [("EAR", "y"), ("sigma 0.7R", "y"), ("tau_c", "y"),
                         ("min EAR Burrill 2.5%", "y"), ("min EAR Burrill 5%", "y"),
                         ("min EAR recommended upper limit", "y"), ("min EAR Keller", "y"),
                         ("min EAR Keller single screw", "y"),
                         ("min EAR Keller fast twin screw", "y"),
                         ("min EAR Keller slow twin screw", "y"), ("tip speed [m/s]", "y")],
    "burrill_lines.csv": [("line", "text"), ("sigma", "x"), ("tau_c", "x")],
}

# Problem types 8, 9 and 10: the swept quantity, its requirement and result in
# run.csv, and its axis.
SWEEP_COLUMN = {
    8: ("T [kN]", "thrust", "kN", "thrust T (kN)"),
    9: ("Pd [kW]", "delivered power", "kW", "delivered power Pd (kW)"),
    10: ("Q [kN m]", "torque", "kN m", "torque Q (kN m)"),
}
REQUIREMENT = {8: "required thrust", 9: "required power", 10: "required torque"}

# The run.csv quantities the charts show: checked (once each, numbers where
# numbers belong) before anything is drawn.
TEXTS_SHOWN = ("problem", "series", "viscous correction", "open-water model")
NUMBERS_SHOWN = ("given blades", "blades", "given area ratio", "area ratio", "given pitch ratio",
                 "pitch ratio", "given Bp", "Bp", "eta0", "required thrust", "required power",
                 "required torque", "thrust", "delivered power", "torque")

BURRILL_LINES = {  # line name -> (series id, colour)
    "2.5% back cavitation": ("burrill_2.5", "tab:orange"),
    "5% back cavitation": ("burrill_5", "tab:red"),
    "recommended upper limit": ("burrill_upper", "tab:purple"),
}


class Failure(Exception):
    """A run of the tool that ends with one line on standard error."""

    def __init__(self, message, status=1):
        super().__init__(message)
        self.status = status


def shown(text):
    """Text as it may appear in a message or a chart: control characters,
    other unprintable characters and bytes that are not UTF-8 as escapes."""
    if isinstance(text, bytes):
        text = text.decode("utf-8", "surrogateescape")
    out = []
    for ch in str(text):
        code = ord(ch)
        if 0xDC80 <= code <= 0xDCFF:  # a byte that was not UTF-8
            out.append(f"\\x{code - 0xDC00:02x}")
        elif ch.isprintable():
            out.append(ch)
        elif code < 0x100:
            out.append(f"\\x{code:02x}")
        elif code < 0x10000:
            out.append(f"\\u{code:04x}")
        else:
            out.append(f"\\U{code:08x}")
    return "".join(out)


def quoted(text, limit=60):
    text = shown(text)
    return "'" + (text if len(text) <= limit else text[:limit] + "...") + "'"


def kind_of(mode):
    for test, name in ((stat.S_ISFIFO, "a FIFO"), (stat.S_ISCHR, "a character device"),
                       (stat.S_ISBLK, "a block device"), (stat.S_ISSOCK, "a socket"),
                       (stat.S_ISDIR, "a folder")):
        if test(mode):
            return name
    return "not a regular file"


# ----------------------------------------------------------------------------
# Reading, with limits


def open_regular(path, what):
    """A read-only descriptor of a regular file (a symlink to one will do).
    Anything else is refused before it is opened; the open itself does not
    block, so a FIFO swapped in between the check and the open cannot hang it."""
    try:
        link = stat.S_ISLNK(os.lstat(path).st_mode)
        st = os.stat(path)
    except FileNotFoundError:
        raise Failure(f"{shown(path)} is missing: {what}")
    except OSError as error:
        raise Failure(f"cannot read {shown(path)}: {error.strerror}")
    via = " (through a symbolic link)" if link else ""
    if not stat.S_ISREG(st.st_mode):
        raise Failure(f"{shown(path)} is {kind_of(st.st_mode)}{via}, not a regular file; "
                      "refused")
    if st.st_size > MAX_FILE_BYTES:
        raise Failure(f"{shown(path)} is over {MAX_FILE_BYTES // (1024 * 1024)} MB "
                      f"({st.st_size} bytes); refused")
    try:
        fd = os.open(path, os.O_RDONLY | os.O_NONBLOCK | os.O_NOCTTY | os.O_CLOEXEC)
    except OSError as error:
        raise Failure(f"cannot read {shown(path)}: {error.strerror}")
    if not stat.S_ISREG(os.fstat(fd).st_mode):
        os.close(fd)
        raise Failure(f"{shown(path)} is not a regular file; refused")
    return fd


def physical_lines(fd, path):
    """The file's lines as text, read in blocks; at most MAX_FILE_BYTES in all
    and MAX_LINE a line, whatever the file claimed as its size."""
    total = 0
    buffer = b""
    number = 0
    while True:
        try:
            block = os.read(fd, 1 << 16)
        except BlockingIOError:  # a kernel file that would wait for data
            raise Failure(f"cannot read {shown(path)}: it has no data ready; refused")
        except OSError as error:
            raise Failure(f"cannot read {shown(path)}: {error.strerror}")
        if not block:
            break
        total += len(block)
        if total > MAX_FILE_BYTES:
            raise Failure(f"{shown(path)} is over {MAX_FILE_BYTES // (1024 * 1024)} MB; refused")
        buffer += block
        start = 0
        while (end := buffer.find(b"\n", start)) >= 0:
            number += 1
            yield buffer[start:end + 1].decode("utf-8", "surrogateescape")
            start = end + 1
        buffer = buffer[start:]
        if len(buffer) > MAX_LINE:
            longest = max(len(part) for part in buffer.split(b","))
            what = (f"a field of over {MAX_FIELD} characters" if longest > MAX_FIELD
                    else f"a record of over {MAX_LINE} characters")
            raise Failure(f"{shown(path)} line {number + 1}: {what}; refused")
    if buffer:
        raise Failure(f"{shown(path)} line {number + 1}: the last record is cut short "
                      "(no line end); the file is incomplete")


def read_csv(path, what, max_rows, too_many):
    """(header, [(line number, fields)]) of a CSV file, read with limits: at
    most max_rows data rows (one more is refused with the text too_many),
    every field at most MAX_FIELD characters, every row as wide as the header."""
    fd = open_regular(path, what)
    previous_limit = csv.field_size_limit(MAX_FIELD)
    try:
        reader = csv.reader(physical_lines(fd, path), strict=True)
        header = None
        rows = []
        try:
            for fields in reader:
                if header is None:
                    header = fields
                    continue
                if len(rows) >= max_rows:
                    raise Failure(f"{shown(path)} line {reader.line_num}: {too_many}")
                if len(fields) != len(header):
                    raise Failure(f"{shown(path)} line {reader.line_num}: {len(fields)} fields "
                                  f"where the header has {len(header)}; refused")
                rows.append((reader.line_num, fields))
        except csv.Error as error:
            line = reader.line_num
            if "field larger than field limit" in str(error):
                raise Failure(f"{shown(path)} line {line}: a field of over {MAX_FIELD} "
                              "characters; refused")
            raise Failure(f"{shown(path)} line {line}: not valid CSV ({shown(error)}); refused")
        if header is None:
            raise Failure(f"{shown(path)} is empty: no header line; refused")
        return header, rows
    finally:
        csv.field_size_limit(previous_limit)
        os.close(fd)


def parse_number(text, where):
    """A finite number, or None for an empty field."""
    if text == "":
        return None
    if not NUMBER.match(text):
        raise Failure(f"{where}: {quoted(text)} is not a number; refused")
    value = float(text)
    if not math.isfinite(value):
        raise Failure(f"{where}: {quoted(text)} is not a finite number; refused")
    return value


def parse_field(text, kind, where):
    if kind == "text":
        return text
    if kind == "row":
        if not COUNT.match(text) or int(text) < 1:
            raise Failure(f"{where}: {quoted(text)} is not a row number; refused")
        return int(text)
    if kind == "flag":
        if text not in ("0", "1"):
            raise Failure(f"{where}: {quoted(text)} is neither 0 nor 1; refused")
        return text == "1"
    value = parse_number(text, where)
    if value is None and kind == "x":
        raise Failure(f"{where}: empty where a number is required; refused")
    return value


class Run:
    """run.csv: the quantities of a run, each with the line it came from."""

    def __init__(self, path):
        self.path = path
        header, rows = read_csv(path, "not the CSV files of a finished helisolv run", MAX_ROWS,
                                f"more than {MAX_ROWS} rows; refused")
        if header != ["quantity", "value", "unit"]:
            raise Failure(f"{shown(path)} line 1: the header is {quoted(','.join(header))}, "
                          "not 'quantity,value,unit'; refused")
        self.rows = rows  # [(line, [quantity, value, unit])]
        self.lines = {}
        for line, (quantity, _value, _unit) in rows:
            self.lines.setdefault(quantity, []).append(line)
        self.values = {}
        for line, (quantity, value, _unit) in rows:
            self.values.setdefault(quantity, value)

    def where(self, quantity):
        return f"{shown(self.path)} line {self.lines[quantity][0]}"

    def text(self, quantity):
        """The value of a quantity the run wrote once, or None."""
        lines = self.lines.get(quantity)
        if not lines:
            return None
        if len(lines) > 1:
            raise Failure(f"{shown(self.path)} line {lines[1]}: a second {quoted(quantity)} row "
                          f"(the first is on line {lines[0]}); refused")
        return self.values[quantity]

    def number(self, quantity):
        text = self.text(quantity)
        if text is None:
            return None
        return parse_number(text, f"{self.where(quantity)}, column value")

    def integer(self, quantity, allowed):
        text = self.text(quantity)
        if text is None:
            raise Failure(f"{shown(self.path)} has no {quoted(quantity)} row; refused")
        if not COUNT.match(text) or int(text) not in allowed:
            raise Failure(f"{self.where(quantity)}, column value: {quoted(text)} is not a "
                          f"{quantity} this tool knows; refused")
        return int(text)

    def warnings(self):
        return [fields[1] for _line, fields in self.rows if fields[0] == "warning"]

    def listed_tables(self):
        """[(file name, row count, line)] of the `rows in <file>` rows."""
        listed = []
        seen = {}
        for line, (quantity, value, _unit) in self.rows:
            if not quantity.startswith("rows in "):
                continue
            name = quantity[len("rows in "):]
            where = f"{shown(self.path)} line {line}"
            if not TABLE_NAME.match(name):
                raise Failure(f"{where}: {quoted(name)} is not the name of a table file; refused")
            if name in seen:
                raise Failure(f"{where}: {quoted(name)} is listed twice (first on line "
                              f"{seen[name]}); refused")
            seen[name] = line
            if not COUNT.match(value):
                raise Failure(f"{where}, column value: {quoted(value)} is not a row count; "
                              "refused")
            count = int(value)
            if count > MAX_ROWS:
                raise Failure(f"{where}: {shown(name)} has {count} rows, over the limit of "
                              f"{MAX_ROWS}; refused")
            listed.append((name, count, line))
        return listed


class Table:
    def __init__(self, columns, rows):
        self.columns = columns
        self.rows = rows  # [[value per column]]

    def column(self, name):
        i = self.columns.index(name)
        return [row[i] for row in self.rows]

    def row_dicts(self):
        return [dict(zip(self.columns, row)) for row in self.rows]


def read_table(folder, name, count, problem_type):
    """A table run.csv lists, checked against its listing: count data rows,
    the header of its kind, a value of the column's kind in every field."""
    path = os.path.join(folder, name)
    header, rows = read_csv(path, f"run.csv lists it with {count} rows", count,
                            f"more than the {count} data rows run.csv lists; the set does not "
                            "match")
    if len(rows) != count:
        raise Failure(f"{shown(path)} has {len(rows)} data rows where run.csv lists {count}; "
                      "the set is incomplete")
    layout = TABLES.get(name)
    if layout is None:
        return None  # a table this tool does not draw: its listing is checked, no more
    if name == "pitch_sweep.csv":
        if problem_type not in SWEEP_COLUMN:
            raise Failure(f"{shown(path)}: a pitch sweep in a run of problem type "
                          f"{problem_type}; refused")
        layout = [layout[0], (SWEEP_COLUMN[problem_type][0], "y")]
    expected = [column for column, _kind in layout]
    if header != expected:
        raise Failure(f"{shown(path)} line 1: the header is {quoted(','.join(header), 120)}, "
                      f"not {quoted(','.join(expected), 120)}; refused")
    parsed = []
    for line, fields in rows:
        parsed.append([parse_field(text, kind, f"{shown(path)} line {line}, column {column}")
                       for text, (column, kind) in zip(fields, layout)])
    return Table(expected, parsed)


# ----------------------------------------------------------------------------
# The interpreter


def matplotlib_present():
    import importlib.util
    try:
        return importlib.util.find_spec("matplotlib") is not None
    except (ImportError, ValueError):
        return False


def rerun_with_matplotlib(argv):
    """Runs the tool again under the first interpreter that can import
    matplotlib: the one the build chose, Debian's, the first on PATH."""
    import shutil
    import subprocess
    candidates = []
    for candidate in (CONFIGURED_PYTHON, "/usr/bin/python3", shutil.which("python3")):
        if candidate and candidate not in candidates:
            candidates.append(candidate)
    tried = [sys.executable]
    if os.environ.get(REEXEC_GUARD) is None:
        script = os.path.abspath(__file__)
        for candidate in candidates:
            if candidate not in tried:
                tried.append(candidate)
            try:
                probe = subprocess.run([candidate, "-c", "import matplotlib"],
                                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL, timeout=60)
            except (OSError, subprocess.SubprocessError):
                continue
            if probe.returncode != 0:
                continue
            environment = dict(os.environ, **{REEXEC_GUARD: candidate})
            try:
                os.execve(candidate, [candidate, script, *argv], environment)
            except OSError:
                continue
    tried = ", ".join(shown(t) for t in tried)
    raise Failure(f"matplotlib is missing (tried {tried}); install the Debian package "
                  "python3-matplotlib (apt-get install python3-matplotlib) and re-run cmake", 2)


def load_matplotlib():
    try:
        import logging
        import warnings
        # Font-cache notes and glyph warnings are not the tool's to print:
        # standard error carries one line, and only on failure.
        logging.getLogger("matplotlib").setLevel(logging.ERROR)
        warnings.simplefilter("ignore")
        import matplotlib
        matplotlib.use("Agg")
        from matplotlib.figure import Figure
        import matplotlib.ticker as ticker
    except Exception as error:  # a broken installation as much as a missing one
        raise Failure(f"matplotlib cannot be loaded by {shown(sys.executable)} "
                      f"({shown(error)}); install the Debian package python3-matplotlib "
                      "(apt-get install python3-matplotlib) and re-run cmake", 2)
    # Keep every point of a series in vector output, and the SVG text as text.
    matplotlib.rcParams.update({"path.simplify": False, "svg.fonttype": "none",
                                "font.size": 9, "svg.hashsalt": "helisolv"})
    return Figure, ticker


# ----------------------------------------------------------------------------
# Charts


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


# ----------------------------------------------------------------------------


def check_outcome(folder, run):
    """Only a run with a result has tables; any other outcome is told as the
    reason there is nothing to draw."""
    outcome = run.text("outcome")
    if outcome is None:
        raise Failure(f"{shown(run.path)} has no outcome row: the run did not finish; "
                      "nothing to draw")
    if outcome == "refused":
        reason = run.text("reason")
        raise Failure(f"nothing to draw in {shown(folder)}: the run was refused: "
                      + (shown(reason) if reason else "no reason recorded"))
    if outcome == "interrupted":
        signal = run.text("signal")
        raise Failure(f"nothing to draw in {shown(folder)}: the run was interrupted by "
                      + (shown(signal) if signal else "a signal it did not record"))
    if outcome == "error":
        raise Failure(f"nothing to draw in {shown(folder)}: the run ended with an error")
    if outcome != "result":
        raise Failure(f"{run.where('outcome')}: the outcome {quoted(outcome)} is none of result, "
                      "refused, interrupted, error; refused")


class Parser(argparse.ArgumentParser):
    def error(self, message):
        raise Failure(f"{message}; usage: helisolv-plot DIR [--format png|svg|pdf]", 2)


def draw(argv):
    parser = Parser(
        prog="helisolv-plot",
        description="Draws the diagrams of a helisolv run from the CSV files of "
                    "`helisolv --csv DIR`.")
    parser.add_argument("dir", metavar="DIR", help="the folder the run wrote its CSV files to")
    parser.add_argument("--format", choices=("png", "svg", "pdf"), default="png",
                        help="image format of the charts (default png)")
    args = parser.parse_args(argv)

    if not matplotlib_present():
        rerun_with_matplotlib(argv)

    folder = args.dir
    try:
        if not stat.S_ISDIR(os.stat(folder).st_mode):
            raise Failure(f"cannot read {shown(folder)}: not a folder")
    except OSError as error:
        raise Failure(f"cannot read {shown(folder)}: {error.strerror}")

    # The whole set is read and checked before anything is drawn.
    run = Run(os.path.join(folder, "run.csv"))
    check_outcome(folder, run)
    problem_type = run.integer("problem type", range(1, 11))
    run.integer("series type", (1, 2))
    for quantity in TEXTS_SHOWN:
        run.text(quantity)
    for quantity in NUMBERS_SHOWN:
        run.number(quantity)
    listed = run.listed_tables()
    if not listed:
        raise Failure(f"nothing to draw in {shown(folder)}: run.csv lists no table")
    tables = {}
    for name, count, _line in listed:
        tables[name] = read_table(folder, name, count, problem_type)

    # A folder that cannot take the pictures is told before any is drawn.
    try:
        fd, probe = tempfile.mkstemp(prefix=".helisolv-plot.", suffix=".part", dir=folder)
        os.close(fd)
        os.unlink(probe)
    except OSError as error:
        raise Failure(f"cannot write {shown(folder)}: {error.strerror}")

    Figure, ticker = load_matplotlib()
    charts = Charts(Figure, ticker, folder, args.format, run, problem_type)

    def present(name):
        table = tables.get(name)
        return table if table is not None and table.rows else None

    if (table := present("open_water.csv")):
        charts.open_water(table)
    if (table := present("candidates.csv")):
        charts.candidates(table)
    if (table := present("bollard.csv")):
        charts.bollard(table)
    if (table := present("bp_delta.csv")):
        charts.bp_delta(table)
    if (table := present("pitch_sweep.csv")):
        charts.pitch_sweep(table)
    if (table := present("area_ratio.csv")):
        charts.area_ratio(table)
    checks, lines = present("blade_checks.csv"), present("burrill_lines.csv")
    if checks and lines:
        charts.burrill(checks, lines)

    if not charts.written:
        raise Failure(f"nothing to draw in {shown(folder)}: its tables hold no chart")
    if sys.stdout is None:  # started with standard output closed
        return 0
    try:
        for path in charts.written:
            print(shown(path))
        sys.stdout.flush()
    except OSError as error:
        # A reader that went away must not turn into a second message at exit.
        try:
            os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        except (OSError, AttributeError, ValueError):
            pass
        raise Failure(f"the pictures are drawn, but their list cannot be written "
                      f"({getattr(error, 'strerror', None) or error})")
    return 0


def main(argv):
    """The tool; every failure is one line on standard error and a status."""
    try:
        return draw(argv)
    except Failure as failure:
        message, status = str(failure), failure.status
    except KeyboardInterrupt:
        message, status = "interrupted", 1
    except RecursionError:
        message, status = "internal error: recursion too deep", 1
    except Exception as error:  # the last resort: still one line, never a traceback
        message, status = f"internal error: {type(error).__name__}: {error}", 1
    try:
        sys.stderr.write(f"helisolv-plot: {shown(message)}\n")
        sys.stderr.flush()
    except (OSError, ValueError):
        pass
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

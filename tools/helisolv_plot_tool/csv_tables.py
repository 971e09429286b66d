"""Reading a run's CSV set with limits: run.csv and the tables it lists,
each checked against the columns the charts expect."""

import csv
import math
import os
import re
import stat

from .failure import Failure, quoted, shown

MAX_FILE_BYTES = 20 * 1024 * 1024
MAX_ROWS = 100_000
MAX_FIELD = 1000
# A record of the widest table (eleven fields of at most MAX_FIELD characters)
# fits; anything longer is read no further.
MAX_LINE = 64 * 1024

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
    # The propeller selection (problem "selection").
    "selection.csv": [("Z", "x"), ("D [m]", "y"), ("P/D", "y"), ("EAR", "y"), ("J", "y"),
                      ("Kt", "y"), ("Kq", "y"), ("eta0", "y"), ("etaD", "y"), ("rpm", "y"),
                      ("PD [kW]", "y"), ("PB [kW]", "y"), ("sigma 0.7R", "y"), ("tau_c", "y"),
                      ("tau allowed", "y"), ("minimum EAR", "y"), ("tip speed [m/s]", "y"),
                      ("limits", "text"), ("chosen", "flag")],
    "speed_power.csv": [("V [kn]", "x"), ("R [kN]", "y"), ("T [kN]", "y"), ("J", "y"),
                        ("rpm", "y"), ("PD [kW]", "y"), ("PB [kW]", "y")],
    "area_ratio_sweep.csv": [("Z", "x"), ("EAR", "x"), ("eta0", "y"), ("admitted", "flag")],
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

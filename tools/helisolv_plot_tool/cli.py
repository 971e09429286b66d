"""The command line: helisolv-plot DIR [--format png|svg|pdf]."""

import argparse
import os
import stat
import sys
import tempfile

from .charts import Charts, draw_selection
from .csv_tables import NUMBERS_SHOWN, TEXTS_SHOWN, Run, read_table
from .failure import Failure, quoted, shown
from .rerun import load_matplotlib, matplotlib_present, rerun_with_matplotlib


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


def draw(argv, configured_python, script):
    parser = Parser(
        prog="helisolv-plot",
        description="Draws the diagrams of a helisolv run from the CSV files of "
                    "`helisolv --csv DIR`.")
    parser.add_argument("dir", metavar="DIR", help="the folder the run wrote its CSV files to")
    parser.add_argument("--format", choices=("png", "svg", "pdf"), default="png",
                        help="image format of the charts (default png)")
    args = parser.parse_args(argv)

    if not matplotlib_present():
        rerun_with_matplotlib(argv, configured_python, script)

    folder = args.dir
    try:
        if not stat.S_ISDIR(os.stat(folder).st_mode):
            raise Failure(f"cannot read {shown(folder)}: not a folder")
    except OSError as error:
        raise Failure(f"cannot read {shown(folder)}: {error.strerror}")

    # The whole set is read and checked before anything is drawn.
    run = Run(os.path.join(folder, "run.csv"))
    check_outcome(folder, run)
    if run.text("problem") == "selection":
        for path in draw_selection(folder, run, args.format):
            print(shown(path))
        return 0
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

    for name, draw in (("open_water.csv", charts.open_water),
                       ("candidates.csv", charts.candidates),
                       ("bollard.csv", charts.bollard),
                       ("bp_delta.csv", charts.bp_delta),
                       ("pitch_sweep.csv", charts.pitch_sweep),
                       ("area_ratio.csv", charts.area_ratio)):
        if (table := present(name)):
            draw(table)
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


def main(argv, configured_python="", script=None):
    """The tool; every failure is one line on standard error and a status.
    configured_python: the interpreter the build chose; script: the launcher,
    which a re-run under another interpreter starts."""
    try:
        return draw(argv, configured_python, script or os.path.abspath(sys.argv[0]))
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

"""The interpreter: matplotlib found, or the tool run again under a Python
that has it."""

import os
import sys

from .failure import Failure, shown

# Set in the environment of a re-run under another interpreter, so that a
# re-run never starts another one.
REEXEC_GUARD = "HELISOLV_PLOT_REEXEC"


def matplotlib_present():
    import importlib.util
    try:
        return importlib.util.find_spec("matplotlib") is not None
    except (ImportError, ValueError):
        return False


def rerun_with_matplotlib(argv, configured_python, script):
    """Runs the tool's launcher script again under the first interpreter that
    can import matplotlib: the one the build chose, Debian's, the first on
    PATH."""
    import shutil
    import subprocess
    candidates = []
    for candidate in (configured_python, "/usr/bin/python3", shutil.which("python3")):
        if candidate and candidate not in candidates:
            candidates.append(candidate)
    tried = [sys.executable]
    if os.environ.get(REEXEC_GUARD) is None:
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

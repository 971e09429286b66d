#!/usr/bin/env python3
"""helisolv-plot DIR [--format png|svg|pdf]: draws the diagrams of a helisolv
run from the CSV files of `helisolv --csv DIR` (see the helisolv_plot_tool package)."""

import os
import sys

# The build writes the interpreter it found with matplotlib here (and in the
# first line). Empty when the tool runs from the source tree.
CONFIGURED_PYTHON = ""
# The build writes the source tree's tools folder here, where a copy of this
# launcher moved elsewhere still finds the package.
CONFIGURED_PACKAGE_DIR = ""


def package_folder():
    """The folder holding helisolv_plot_tool: beside this launcher (the source
    tree), share/helisolv beside its bin folder (installed), or the one the
    build wrote."""
    here = os.path.dirname(os.path.realpath(__file__))
    for folder in (here, os.path.join(here, os.pardir, "share", "helisolv"),
                   CONFIGURED_PACKAGE_DIR):
        if folder and os.path.isfile(os.path.join(folder, "helisolv_plot_tool", "cli.py")):
            return folder
    sys.stderr.write("helisolv-plot: the helisolv_plot_tool package is missing beside "
                     f"{here!r} and in its share/helisolv; reinstall helisolv\n")
    sys.exit(1)


# No byte code is written beside an installed package, which may be read-only.
sys.dont_write_bytecode = True
sys.path.insert(0, package_folder())
from helisolv_plot_tool import cli  # noqa: E402
# A caller that runs this file may load matplotlib before drawing.
load_matplotlib = cli.load_matplotlib


def main(argv):
    return cli.main(argv, CONFIGURED_PYTHON, os.path.abspath(__file__))


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

# The module under test is the one the build made: CTest puts its folder on
# PYTHONPATH (and skips the entry when the build made none, so a module that
# fails to import here is a failure). Run by hand with
#   PYTHONPATH=build/python /usr/bin/python3 -m pytest -q -p no:cacheprovider tests/python
import pathlib

import helisolv

REPO = pathlib.Path(__file__).resolve().parents[2]


def task_text(series, problem_type, inputs):
    """A task file: 13 free lines, the series line, 63 free lines, the type and its inputs."""
    return "*\n" * 13 + f"{series}\n" + "*\n" * 63 + f"{problem_type}\n{inputs}\n"

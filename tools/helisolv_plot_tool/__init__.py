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

#!/usr/bin/env python3
# %% [markdown]
# # Efficiency over pitch ratio and J, with Burrill's limit
#
# A notebook in cells (`# %%`, as editors that run cells read them), also a plain
# script: for one duty (thrust, speed of advance, diameter, shaft depth) it
# draws eta0 of the B-series over (P/D, J) for 3 to 6 blades, one open_water
# call for all of them, and marks where each area ratio is feasible by
# Burrill's 5 % back-cavitation line: at J the propeller turns
# n = Va / (J D), and the area ratio must be at least Burrill's minimum for the
# thrust at that n and P/D. The line where Kt/J^2 = T / (rho D^2 Va^2) is where
# the propeller actually gives the thrust.
#
#     /usr/bin/python3 examples/python/design_space_notebook.py --out /tmp/design
#
# writes design_space.png into the folder given.

# %%
import argparse
import pathlib

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import helisolv  # noqa: E402

THRUST_KN, ADVANCE_MS, DIAMETER, RHO, SHAFT_DEPTH = 480.0, 5.4, 4.2, 1025.0, 5.0
BLADES = np.array([3, 4, 5, 6])
AREA_RATIOS = np.array([0.40, 0.55, 0.70, 0.85])  # the panels' area ratio is the second
PITCH_RATIOS = np.linspace(0.5, 1.4, 91)
J = np.linspace(0.2, 1.2, 401, dtype=np.float32)

# %% [markdown]
# ## The whole grid in one call
# Blades along the first axis, pitch ratio along the second, J along the last.

# %%
kt, kq, eta0 = helisolv.open_water("wageningen", BLADES[:, None, None], AREA_RATIOS[1],
                                   PITCH_RATIOS[None, :, None], J)
loading = kt / (J * J) - THRUST_KN * 1000.0 / (RHO * DIAMETER**2 * ADVANCE_MS**2)
rpm = 60.0 * ADVANCE_MS / (J * DIAMETER)

# %% [markdown]
# ## Burrill's minimum area ratio at every (P/D, J)
# None of it depends on the blade number; off the chart the array is masked.

# %%
burrill = helisolv.burrill_min_area_ratio(THRUST_KN, ADVANCE_MS, rpm[None, :], DIAMETER,
                                          PITCH_RATIOS[:, None], SHAFT_DEPTH, density=RHO)
feasible = {ear: ~np.ma.getmaskarray(burrill) & (burrill.filled(np.inf) <= ear)
            for ear in AREA_RATIOS}

# %% [markdown]
# ## The charts

# %%
def draw(out):
    fig, axes = plt.subplots(2, 2, figsize=(11, 8.5), sharex=True, sharey=True)
    levels = np.arange(0.30, 0.76, 0.025)
    for ax, z, eta, excess in zip(axes.flat, BLADES, eta0, loading):
        shown = np.where(eta > 0, eta, np.nan)
        filled = ax.contourf(J, PITCH_RATIOS, shown, levels=levels, cmap="viridis")
        ax.contour(J, PITCH_RATIOS, excess, levels=[0.0], colors="white", linewidths=2)
        # Burrill's minimum area ratio as contours: inside the one labelled 0.70
        # (towards the small area ratios) an EAR of 0.70 is enough; hatched: off the chart.
        lines = ax.contour(J, PITCH_RATIOS, burrill.filled(np.nan), levels=AREA_RATIOS,
                           colors="red", linewidths=1)
        ax.clabel(lines, fmt="%.2f", fontsize=7)
        ax.contourf(J, PITCH_RATIOS, np.ma.getmaskarray(burrill).astype(float), levels=[0.5, 1.5],
                    hatches=["//"], colors="none")
        ax.set_title(f"B{z}-{round(AREA_RATIOS[1] * 100)}", fontsize=10)
        ax.set_xlabel("J")
        ax.set_ylabel("P/D")
    fig.colorbar(filled, ax=axes, label="eta0")
    fig.suptitle(f"eta0 for T {THRUST_KN:.0f} kN, Va {ADVANCE_MS} m/s, D {DIAMETER} m, shaft "
                 f"depth {SHAFT_DEPTH} m; white: the duty's Kt/J^2; red: Burrill's 5 % minimum "
                 "EAR", fontsize=10)
    out.mkdir(parents=True, exist_ok=True)
    fig.savefig(out / "design_space.png", dpi=90)
    plt.close(fig)


# %% [markdown]
# ## Where the duty line meets each area ratio's limit

# %%
def summary():
    for ear in AREA_RATIOS:
        share = feasible[ear].mean()
        print(f"EAR {ear:.2f}: feasible by Burrill 5 % over {share:6.1%} of the (P/D, J) grid")


# %%
if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--out", type=pathlib.Path, default=pathlib.Path("."),
                        help="folder for design_space.png")
    out = parser.parse_args().out
    draw(out)
    summary()
    print(f"wrote {out / 'design_space.png'}")

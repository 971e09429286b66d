#!/usr/bin/env python3
"""Blade number and area ratio of the most efficient B-series propeller for one duty.

The duty is a thrust at a speed of advance with the diameter fixed. For each
blade number Z and area ratio EAR every pitch ratio of the series is tried: the
propeller runs where its Kt/J^2 equals T/(rho D^2 Va^2), and the pitch ratio
with the best eta0 there is kept. An area ratio below Keller's minimum for
cavitation (a single-screw ship) is shown in brackets and not chosen. One
open_water call evaluates every Z, EAR, P/D and J at once.

    /usr/bin/python3 examples/python/blade_sweep.py
"""
import numpy as np

import helisolv

THRUST_KN, ADVANCE_MS, DIAMETER, RHO = 480.0, 5.4, 4.2, 1025.0
SHAFT_DEPTH = 5.0  # m, shaft centre below the water line
BLADES = np.array([3, 4, 5, 6, 7])
AREA_RATIOS = np.array([0.40, 0.55, 0.70, 0.85])
PITCH_RATIOS = np.round(np.arange(0.50, 1.401, 0.01), 2)
J = np.linspace(0.05, 1.5, 2901, dtype=np.float32)


def main():
    loading = THRUST_KN * 1000.0 / (RHO * DIAMETER**2 * ADVANCE_MS**2)
    kt, _, eta0 = helisolv.open_water("wageningen", BLADES[:, None, None, None],
                                      AREA_RATIOS[None, :, None, None],
                                      PITCH_RATIOS[None, None, :, None], J)
    # Kt/J^2 falls with J: the operating point lies in the first step where it drops below.
    excess = kt / (J * J) - loading
    crossing = (excess[..., :-1] >= 0) & (excess[..., 1:] < 0)
    found, i = crossing.any(axis=-1), crossing.argmax(axis=-1)[..., None]
    e0, e1 = np.take_along_axis(excess, i, -1), np.take_along_axis(excess, i + 1, -1)
    share = e0 / (e0 - e1)
    at = lambda a: np.take_along_axis(a, i, -1) + share * (np.take_along_axis(a, i + 1, -1)
                                                           - np.take_along_axis(a, i, -1))
    eta = np.where(found, at(eta0)[..., 0], -np.inf)
    j_op = at(np.broadcast_to(J, eta0.shape))[..., 0]
    best = eta.argmax(axis=-1)                         # the first of equal bests, per Z and EAR
    minimum = helisolv.keller_min_area_ratio(THRUST_KN, DIAMETER, SHAFT_DEPTH, BLADES,
                                             k=helisolv.KELLER_K["single screw"], density=RHO)

    print(f"T {THRUST_KN} kN, Va {ADVANCE_MS} m/s, D {DIAMETER} m: Kt/J^2 = {loading:.4f}")
    print("best eta0 (P/D) for each blade number and area ratio; [ ] below Keller's minimum")
    print("  Z  EAR min  " + "  ".join(f"{f'EAR {a:.2f}':>16}" for a in AREA_RATIOS))
    allowed = AREA_RATIOS[None, :] >= minimum[:, None]
    for z, blades in enumerate(BLADES):
        cells = []
        for a in range(AREA_RATIOS.size):
            p = best[z, a]
            cell = (f"{eta[z, a, p]:.4f} ({PITCH_RATIOS[p]:.2f})" if found[z, a, p]
                    else "     -      ")
            cells.append(cell if allowed[z, a] else f"[{cell}]")
        print(f"{blades:3d}  {minimum[z]:6.3f}  " + "  ".join(f"{c:>16}" for c in cells))
    chosen = np.where(allowed, np.take_along_axis(eta, best[..., None], -1)[..., 0], -np.inf)
    if not np.isfinite(chosen).any():
        print("No blade number and area ratio meets Keller's minimum.")
        return
    z, a = np.unravel_index(chosen.argmax(), chosen.shape)
    p, j = best[z, a], j_op[z, a, best[z, a]]
    print(f"Best: B{BLADES[z]}-{round(AREA_RATIOS[a] * 100)}, P/D {PITCH_RATIOS[p]:.2f}, "
          f"J {j:.4f}, eta0 {eta[z, a, p]:.4f}, {60.0 * ADVANCE_MS / (j * DIAMETER):.1f} rpm")


if __name__ == "__main__":
    main()

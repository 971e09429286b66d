#!/usr/bin/env python3
"""Blade number and area ratio of the most efficient B-series propeller for one duty.

The duty is a thrust at a speed of advance with the diameter fixed. For each
blade number Z and area ratio EAR every pitch ratio of the series is tried: the
propeller runs where its Kt/J^2 equals T/(rho D^2 Va^2), and the pitch ratio
with the best eta0 there is kept. An area ratio below Keller's minimum for
cavitation is shown in brackets and not chosen.

    /usr/bin/python3 examples/python/blade_sweep.py
"""
import numpy as np

import helisolv

THRUST_KN, ADVANCE_MS, DIAMETER, RHO = 480.0, 5.4, 4.2, 1025.0
SHAFT_DEPTH = 5.0  # m, shaft centre below the water line
BLADES = [3, 4, 5, 6, 7]
AREA_RATIOS = [0.40, 0.55, 0.70, 0.85]
PITCH_RATIOS = np.round(np.arange(0.50, 1.401, 0.01), 2)
J = np.linspace(0.05, 1.5, 2901, dtype=np.float32)


def keller_minimum(blades):
    # Keller: EAR >= (1.3 + 0.3 Z) T / ((p0 + rho g h - pv) D^2) + k, k = 0.2 for a single screw.
    static_pressure = 101325.0 + RHO * 9.81 * SHAFT_DEPTH - 1700.0
    return (1.3 + 0.3 * blades) * THRUST_KN * 1000.0 / (static_pressure * DIAMETER**2) + 0.2


def best_pitch(blades, area_ratio, loading):
    """(eta0, P/D, J) of the pitch ratio with the best eta0 at this loading."""
    best = (0.0, None, None)
    for pitch_ratio in PITCH_RATIOS:
        kt, _, eta0 = helisolv.open_water("wageningen", blades, area_ratio, pitch_ratio, J)
        excess = kt / (J * J) - loading
        # Kt/J^2 falls with J: the operating point lies in the first step where it drops below.
        step = np.flatnonzero((excess[:-1] >= 0) & (excess[1:] < 0))
        if step.size == 0:
            continue
        i = step[0]
        share = excess[i] / (excess[i] - excess[i + 1])
        eta = eta0[i] + share * (eta0[i + 1] - eta0[i])
        if eta > best[0]:
            best = (float(eta), float(pitch_ratio), float(J[i] + share * (J[i + 1] - J[i])))
    return best


def main():
    loading = THRUST_KN * 1000.0 / (RHO * DIAMETER**2 * ADVANCE_MS**2)
    print(f"T {THRUST_KN} kN, Va {ADVANCE_MS} m/s, D {DIAMETER} m: Kt/J^2 = {loading:.4f}")
    print("best eta0 (P/D) for each blade number and area ratio; [ ] below Keller's minimum")
    print("  Z  EAR min  " + "  ".join(f"{f'EAR {a:.2f}':>16}" for a in AREA_RATIOS))
    chosen = None
    for blades in BLADES:
        minimum = keller_minimum(blades)
        cells = []
        for area_ratio in AREA_RATIOS:
            eta, pitch, j = best_pitch(blades, area_ratio, loading)
            cell = f"{eta:.4f} ({pitch:.2f})" if pitch is not None else "     -      "
            allowed = area_ratio >= minimum
            cells.append(cell if allowed else f"[{cell}]")
            if allowed and pitch is not None and (chosen is None or eta > chosen[0]):
                chosen = (eta, blades, area_ratio, pitch, j)
        print(f"{blades:3d}  {minimum:6.3f}  " + "  ".join(f"{c:>16}" for c in cells))
    if chosen is None:
        print("No blade number and area ratio meets Keller's minimum.")
        return
    eta, blades, area_ratio, pitch, j = chosen
    print(f"Best: B{blades}-{round(area_ratio * 100)}, P/D {pitch:.2f}, J {j:.4f}, "
          f"eta0 {eta:.4f}, {60.0 * ADVANCE_MS / (j * DIAMETER):.1f} rpm")


if __name__ == "__main__":
    main()

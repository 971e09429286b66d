#!/usr/bin/env python3
"""Speed-power curve of a single-screw ship with a Wageningen B-series propeller.

At each speed V of the resistance table the propeller must give the thrust
T = R / (1 - t) at the speed of advance Va = V (1 - w). It runs where its
open-water Kt / J^2 equals T / (rho D^2 Va^2); from that J the revolutions are
n = Va / (J D), the open-water torque Q0 = Kq rho n^2 D^5, the delivered power
PD = 2 pi n Q0 / eta_R and the brake power PB = PD / eta_S.

    /usr/bin/python3 examples/python/powering.py [--out DIR]

prints the curve, writes DIR/powering.csv and DIR/powering.png (DIR defaults
to the current folder) and says at which speed the brake power reaches the
engine's rating and its service power.
"""
import argparse
import csv
import math
import os

import numpy as np

import helisolv

KNOT = 1852.0 / 3600.0  # m/s

# The ship: total resistance (kN) at speed (kn), e.g. from a model test.
SPEEDS_KN = [10.0, 11.0, 12.0, 13.0, 14.0, 15.0, 16.0]
RESISTANCES_KN = [180.0, 220.0, 268.0, 325.0, 395.0, 480.0, 590.0]
WAKE = 0.25  # wake fraction w
THRUST_DEDUCTION = 0.18  # thrust deduction t
RELATIVE_ROTATIVE = 1.01  # eta_R
SHAFT = 0.98  # shaft efficiency eta_S
RHO = 1025.0  # kg/m3

# The propeller: B4-55, P/D 0.85, D 4.2 m.
BLADES, AREA_RATIO, PITCH_RATIO, DIAMETER = 4, 0.55, 0.85, 4.2

# The engine: its rating (MCR) and the service power, a share of it.
MCR_KW, MCR_RPM = 5000.0, 165.0
SERVICE_SHARE = 0.85

# The J range searched: below 0.05 a propeller this loaded is near bollard
# pull, above 1.5 its Kt is negative for any pitch ratio of the series.
J_LOW, J_HIGH = 0.05, 1.5


def kt_over_j2(j):
    kt, _, _ = helisolv.open_water("wageningen", BLADES, AREA_RATIO, PITCH_RATIO, j)
    return kt / np.square(j)


def advance_ratio(loading):
    """The J where the propeller's Kt/J^2 equals the loading T/(rho D^2 Va^2)."""
    grid = np.linspace(J_LOW, J_HIGH, 2901, dtype=np.float32)
    above = kt_over_j2(grid) - loading
    # Kt/J^2 falls with J: the bracket is the first grid step where it drops below the loading.
    crossing = np.flatnonzero((above[:-1] >= 0) & (above[1:] < 0))
    if crossing.size == 0:
        raise ValueError(f"no J in {J_LOW} to {J_HIGH} gives Kt/J^2 = {loading:.4f}")
    low, high = float(grid[crossing[0]]), float(grid[crossing[0] + 1])
    # Bisection to the 32-bit resolution of J; 40 halvings of a 0.0005 step
    # end far below it, so the cap is never what stops a search that converges.
    for _ in range(40):
        middle = 0.5 * (low + high)
        if middle in (low, high):
            break
        if kt_over_j2(np.float32(middle)) - loading >= 0:
            low = middle
        else:
            high = middle
    return 0.5 * (low + high)


def resistance_kn(speed_kn):
    """Resistance between the table's speeds, interpolated as R ~ V^k (straight in log-log)."""
    return float(np.exp(np.interp(np.log(speed_kn), np.log(SPEEDS_KN), np.log(RESISTANCES_KN))))


def operating_point(speed_kn):
    resistance = resistance_kn(speed_kn)
    speed = speed_kn * KNOT
    advance = speed * (1.0 - WAKE)
    thrust = resistance * 1000.0 / (1.0 - THRUST_DEDUCTION)  # N
    loading = thrust / (RHO * DIAMETER**2 * advance**2)
    j = advance_ratio(loading)
    kt, kq, eta0 = (float(a) for a in helisolv.open_water(
        "wageningen", BLADES, AREA_RATIO, PITCH_RATIO, np.float32(j)))
    n = advance / (j * DIAMETER)  # rev/s
    torque = kq * RHO * n**2 * DIAMETER**5  # N m, open water
    delivered = 2.0 * math.pi * n * torque / RELATIVE_ROTATIVE / 1000.0  # kW
    effective = resistance * speed  # kW
    return {
        "speed [kn]": speed_kn, "resistance [kN]": resistance, "effective power [kW]": effective,
        "thrust [kN]": thrust / 1000.0, "Va [m/s]": advance, "Kt/J^2": loading, "J": j,
        "Kt": kt, "Kq": kq, "eta0": eta0, "rpm": 60.0 * n,
        "torque [kN m]": torque / RELATIVE_ROTATIVE / 1000.0,
        "delivered power [kW]": delivered, "brake power [kW]": delivered / SHAFT,
        "eta_D": effective / delivered,
    }


def speed_at_power(power_kw):
    """The speed (within the table's) at which the brake power is power_kw, or None."""
    low, high = SPEEDS_KN[0], SPEEDS_KN[-1]
    if not operating_point(low)["brake power [kW]"] <= power_kw <= \
            operating_point(high)["brake power [kW]"]:
        return None
    # The brake power rises with speed; 50 halvings of 6 kn resolve far below a knot's thousandth.
    for _ in range(50):
        middle = 0.5 * (low + high)
        if operating_point(middle)["brake power [kW]"] < power_kw:
            low = middle
        else:
            high = middle
    return operating_point(0.5 * (low + high))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=".", help="folder for powering.csv and powering.png")
    out = parser.parse_args().out
    os.makedirs(out, exist_ok=True)

    curve = [operating_point(v) for v in SPEEDS_KN]
    columns = list(curve[0])
    with open(os.path.join(out, "powering.csv"), "w", newline="") as f:
        writer = csv.DictWriter(f, fieldnames=columns)
        writer.writeheader()
        writer.writerows({k: f"{v:.6g}" for k, v in row.items()} for row in curve)

    print(f"B{BLADES}-{round(AREA_RATIO * 100)} P/D {PITCH_RATIO} D {DIAMETER} m; w {WAKE}, "
          f"t {THRUST_DEDUCTION}, eta_R {RELATIVE_ROTATIVE}, eta_S {SHAFT}")
    print(" V [kn]  R [kN]  T [kN]      J      Kt     10Kq   eta0     rpm  PD [kW]  PB [kW]")
    for p in curve:
        print(f"{p['speed [kn]']:7.1f} {p['resistance [kN]']:7.1f} {p['thrust [kN]']:7.1f} "
              f"{p['J']:6.4f} {p['Kt']:7.4f} {10 * p['Kq']:7.4f} {p['eta0']:6.4f} "
              f"{p['rpm']:7.1f} {p['delivered power [kW]']:8.1f} {p['brake power [kW]']:8.1f}")

    crossings = []
    for label, power in (("rating (MCR)", MCR_KW), ("service power", SERVICE_SHARE * MCR_KW)):
        point = speed_at_power(power)
        if point is None:
            print(f"The brake power does not reach the engine's {label} of {power:.0f} kW "
                  f"between {SPEEDS_KN[0]} and {SPEEDS_KN[-1]} kn.")
            continue
        crossings.append((label, point))
        rated_rpm = MCR_RPM * (power / MCR_KW) ** (1.0 / 3.0)  # on the propeller law through MCR
        print(f"The brake power reaches the engine's {label} of {power:.0f} kW at "
              f"{point['speed [kn]']:.2f} kn, turning {point['rpm']:.1f} rpm "
              f"(the engine's {rated_rpm:.1f} rpm there: the propeller runs "
              f"{'heavy' if point['rpm'] < rated_rpm else 'light'} by "
              f"{abs(point['rpm'] / rated_rpm - 1) * 100:.1f} %).")
    plot(curve, crossings, os.path.join(out, "powering.png"))


def plot(curve, crossings, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    speeds = [p["speed [kn]"] for p in curve]
    fig, power_axis = plt.subplots(figsize=(7, 4.5))
    power_axis.plot(speeds, [p["brake power [kW]"] for p in curve], "o-", label="brake power PB")
    power_axis.plot(speeds, [p["delivered power [kW]"] for p in curve], "s--",
                    label="delivered power PD")
    power_axis.plot(speeds, [p["effective power [kW]"] for p in curve], "^:",
                    label="effective power PE")
    power_axis.axhline(MCR_KW, color="red", lw=1, label=f"MCR {MCR_KW:.0f} kW")
    power_axis.axhline(SERVICE_SHARE * MCR_KW, color="red", lw=1, ls="--",
                       label=f"service {SERVICE_SHARE:.0%} MCR")
    for label, p in crossings:
        power_axis.plot(p["speed [kn]"], p["brake power [kW]"], "kx", ms=9)
        power_axis.annotate(f"{p['speed [kn]']:.2f} kn", (p["speed [kn]"], p["brake power [kW]"]),
                            textcoords="offset points", xytext=(-55, 6))
    power_axis.set_xlabel("ship speed [kn]")
    power_axis.set_ylabel("power [kW]")
    power_axis.grid(True, alpha=0.3)
    rpm_axis = power_axis.twinx()
    rpm_axis.plot(speeds, [p["rpm"] for p in curve], "g.-", label="propeller rpm")
    rpm_axis.set_ylabel("rpm", color="g")
    lines = power_axis.get_legend_handles_labels()
    more = rpm_axis.get_legend_handles_labels()
    power_axis.legend(lines[0] + more[0], lines[1] + more[1], loc="upper left", fontsize=8)
    power_axis.set_title(f"Speed-power curve, B{BLADES}-{round(AREA_RATIO * 100)} "
                         f"P/D {PITCH_RATIO} D {DIAMETER} m")
    fig.tight_layout()
    fig.savefig(path, dpi=100)
    plt.close(fig)


if __name__ == "__main__":
    main()

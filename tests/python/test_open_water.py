# open_water against the program's point evaluator, bit for bit, broadcast as a
# loop of scalar calls, written into given arrays, and the arguments it refuses.
import threading
import time

import numpy as np
import pytest

from conftest import helisolv, same_bits


def design_grid():
    """The J of the design curves (0.1 to 1.5 by 0.001, summed in 32 bits as the
    solvers do), J at and around zero where the clamp acts, and beyond."""
    j, grid = np.float32(0.1), []
    for _ in range(1400):
        grid.append(j)
        j = np.float32(j + np.float32(0.001))
    edges = [0.0, -0.0, 0.0005, -0.0009, 0.001, -0.001, -0.3, 0.05, 1.8]
    return np.array(edges + grid, dtype=np.float32)


# Every pitch ratio of each series' sweep with a spread of blade counts and area
# ratios (the Gawn series evaluates any count but 3 as 3), by each Gawn model.
SERIES = [
    ("wageningen", {}, [2, 3, 4, 5, 7], [0.3, 0.55, 1.05], np.arange(50, 141) / np.float32(100)),
] + [("gawn", dict(gawn_model=model), [3, 4], [0.2, 0.65, 1.1], np.arange(50, 201) / np.float32(100))
     for model in helisolv.GAWN_MODELS]


@pytest.mark.filterwarnings("ignore::RuntimeWarning")
@pytest.mark.parametrize("series,model,blade_counts,area_ratios,pitch_ratios", SERIES)
def test_curve_matches_point_evaluator_over_design_grid(series, model, blade_counts, area_ratios,
                                                        pitch_ratios):
    j = design_grid()
    for z in blade_counts:
        for ear in area_ratios:
            for pd in pitch_ratios:
                curve = helisolv.open_water(series, z, ear, float(pd), j, **model)
                points = helisolv._open_water_by_point(series, z, ear, float(pd), j, **model)
                assert all(same_bits(c, p) for c, p in zip(curve, points)), (z, ear, pd)


J = design_grid()
ROWS = np.linspace(-0.01, 1.5, 131, dtype=np.float32)
GRID_PD = np.tile(np.array([0.8, 0.8, 1.2, 1.2, 1.2, 0.9]), 40)
# (series, blades, area ratio, pitch ratio, j, keywords): each shape the
# evaluation takes its own way through. Scale corrections at each J (a negative
# J would imply a negative diameter); input longer than the stretch a curve is
# evaluated in, and not a multiple of it, in float64; propellers that vary along
# the last axis beside J, each run of equal ones a curve of its own; whole rows
# of one propeller over shared J, more rows than go together at once, two J rows
# taking turns, a diameter changing between rows, J around the clamp.
CURVES = [("wageningen", 4, 0.55, np.float32([0.5, 0.8, 1.1, 1.4])[:, None], j, dict(
    correction=correction, **scale)) for correction in helisolv.CORRECTIONS for j, scale in (
        (J, dict(diameter=4.0, rpm=120.0)), (J[J > -0.001], dict(rpm=120.0, speed=6.0)),
        (J, dict(diameter=2.5, speed=6.0, rpm=300.0)))] + [
    ("gawn", 3, 0.65, 1.2, np.random.default_rng(7).uniform(-0.1, 1.6, size=(3, 4099)), {}),
    ("wageningen", 4, 0.55, 1.0, 0.7, {}),
    ("wageningen", np.array([3, 4, 5])[:, None, None], np.array([0.5, 0.8])[None, :, None],
     GRID_PD, np.linspace(0.1, 1.3, GRID_PD.size, dtype=np.float32), {}),
    ("gawn", np.array([3, 4, 5])[:, None, None], np.array([0.5, 0.8])[None, :, None],
     GRID_PD, np.linspace(0.1, 1.3, GRID_PD.size, dtype=np.float32), dict(gawn_model="regression")),
] + [("wageningen", np.arange(2, 8)[:, None, None, None],
      np.linspace(0.3, 1.05, 4)[None, :, None, None], np.linspace(0.5, 1.4, 3)[None, None, :, None],
      j, kw) for j, kw in (
          (ROWS, {}), (np.stack([ROWS, ROWS[::-1]])[:, None, None, None, :], {}),
          (ROWS, dict(correction="ittc78", rpm=150.0,
                      diameter=np.float32([2, 3, 4, 5, 6, 8])[:, None, None, None])),
          (ROWS, dict(correction="reynolds", diameter=4.0, rpm=150.0)))]


@pytest.mark.filterwarnings("ignore::RuntimeWarning")
@pytest.mark.parametrize("series,blades,ear,pd,j,kw", CURVES)
def test_every_shape_matches_the_point_evaluator(series, blades, ear, pd, j, kw):
    got = helisolv.open_water(series, blades, ear, pd, j, **kw)
    shape = np.broadcast_shapes(*(np.shape(a) for a in (blades, ear, pd, j)))
    assert all(g.shape == shape and g.dtype == np.float32 for g in got)
    want = helisolv._open_water_by_point(series, blades, ear, pd, np.float32(j), **kw)
    assert all(same_bits(g, w) for g, w in zip(got, want))
    if "correction" in kw:
        assert not same_bits(got[0], helisolv.open_water(series, blades, ear, pd, j)[0])


def test_a_published_model_beyond_its_ranges_warns():
    with pytest.warns(RuntimeWarning, match="Reynolds number"):
        helisolv.open_water("wageningen", 4, 0.55, 1.0, 0.5, correction="reynolds", diameter=0.05,
                            rpm=20)
    with pytest.warns(RuntimeWarning, match="Gawn-Burrill regression"):
        helisolv.open_water("gawn", 3, 0.8, 1.2, 0.1, gawn_model="regression")


def test_broadcasting_is_a_loop_of_scalar_calls_bit_for_bit():
    # Mixed shapes: a 0-d array, 1-d, 2-d, a non-contiguous slice, big-endian and
    # integer input, and a correction whose diameter is an array too.
    z = np.array([[3], [4], [6]], dtype=np.int64)                       # (3, 1)
    ear = np.array(0.55)                                                # 0-d
    pd = np.linspace(0.5, 1.4, 10)[::3]                                 # (4,), strided
    j = np.asarray(np.random.default_rng(3).uniform(0.05, 1.4, size=(2, 1, 4)), dtype=">f8")
    diameter = np.array([2.0, 4.0, 6.0, 8.0], dtype=">f4")[None, None, :]
    for kw in ({}, dict(correction="ittc78", diameter=diameter, rpm=150.0)):
        got = helisolv.open_water("wageningen", z, ear, pd, j, **kw)
        shape = np.broadcast_shapes(z.shape, ear.shape, pd.shape, j.shape)
        zb, eb, pb, jb = np.broadcast_arrays(z, ear, pd, j)
        for idx in np.ndindex(*shape):
            extra = dict(kw, diameter=float(np.broadcast_to(diameter, shape)[idx])) if kw else {}
            want = helisolv.open_water("wageningen", float(zb[idx]), float(eb[idx]),
                                       float(pb[idx]), float(jb[idx]), **extra)
            assert all(same_bits(g[idx], w) for g, w in zip(got, want)), idx


def test_the_gil_is_free_while_a_curve_is_evaluated():
    # A correction per J makes one call last a fifth of a second or so. The
    # main thread notes the time as often as it can meanwhile, which it can
    # only do while the call has given up the GIL: no long gap may open.
    j = np.linspace(0.1, 1.5, 2_000_000, dtype=np.float32)
    window, noted = [], []

    def evaluate():
        window.append(time.perf_counter())
        helisolv.open_water("wageningen", 4, 0.55, 1.0, j, correction="legacy", rpm=120.0,
                            speed=6.0)
        window.append(time.perf_counter())

    worker = threading.Thread(target=evaluate)
    worker.start()
    while worker.is_alive():
        noted.append(time.perf_counter())
    worker.join()
    start, end = window
    inside = [start] + [t for t in noted if start < t < end] + [end]
    assert max(b - a for a, b in zip(inside, inside[1:])) < 0.5 * (end - start)


def test_hostile_arguments_that_are_accepted_give_finite_results():
    for z, ear, pd, j in ((4, 0.55, np.linspace(-3, 30, 50), 0.5),
                          (4, 0.55, 1.0, np.linspace(-50, 50, 1001)),
                          (np.array([1e-30, 40.0]), 0.55, 1.0, 0.7), (4, 10.0, 1.0, [0.0, -0.0])):
        try:
            assert np.isfinite(helisolv.open_water("wageningen", z, ear, pd, j)).all()
        except ValueError:
            pass


def test_results_written_into_given_arrays_are_the_same_bits_and_the_same_arrays():
    z, pd = np.float32([3, 4])[:, None], np.float32([0.8, 1.0, 1.2])[:, None, None]
    j = np.linspace(0.1, 1.2, 12, dtype=np.float32)
    want = helisolv.open_water("wageningen", z, 0.55, pd, j)
    out = tuple(np.full(want[0].shape, np.nan, np.float32) for _ in range(3))
    got = helisolv.open_water("wageningen", z, 0.55, pd, j, out=out)
    assert all(g is o and same_bits(g, w) for g, o, w in zip(got, out, want))


def pitch_ratios_with(flat, bad=np.nan):
    pd = np.ones((2, 3))
    pd.flat[flat] = bad
    return pd


F4, SHARED, FROZEN = np.zeros(4, np.float32), np.zeros(4, np.float32), np.zeros(4, np.float32)
FROZEN.setflags(write=False)
V, T = ValueError, TypeError
# (arguments beside wageningen, 4 blades, EAR 0.55, P/D 1.0, J 0.5; the error; its words)
REFUSED = [
    (dict(series="troost"), V, "series"), (dict(area_ratio=float("nan")), V, "area_ratio"),
    (dict(correction="ittc"), V, "correction"),
    (dict(series="gawn", blades=3, correction="legacy", diameter=4, rpm=100), V, "correction"),
    (dict(diameter=4.0), V, "diameter"),
    (dict(correction="legacy", diameter=4.0), V, "rpm or speed"),
    (dict(correction="legacy", rpm=100), V, "both rpm and speed"),
    (dict(correction="reynolds", diameter=4.0, speed=6.0), V, "needs rpm"),
    (dict(series="gawn", blades=3, gawn_model="burrill"), V, "gawn_model"),
    (dict(gawn_model="legacy"), V, "gawn_model"),
    (dict(pitch_ratio=[1.0, 1e10]), V, r"pitch_ratio\[1\] = 1e\+10 cannot be evaluated"),
    (dict(j=np.array([[0.5, 1e15]])), V, r"j\[0, 1\]"),
    (dict(j=np.linspace(0.0, 1.5, 101), correction="ittc78", diameter=1e-4, rpm=100.0), V,
     r"diameter = "),
    (dict(area_ratio=[0.5, np.nan]), V, r"area_ratio\[1\] must be a finite"),
    (dict(blades=np.array([4.0, -np.inf], dtype=">f8")), V, r"blades\[1\]"),
    (dict(j=[0.5, 1e39]), V, r"j\[1\] must be a finite number within the 32-bit range"),
    (dict(correction="legacy", diameter=[4.0, 0.0], rpm=100.0), V,
     r"diameter\[1\] must be positive"),
    (dict(correction="legacy", diameter=4.0, rpm=[100.0, -1.0]), V, r"rpm\[1\] must be positive"),
    (dict(correction="legacy", diameter=4.0, speed=0.0005), V, r"speed must be at least 0.001"),
    (dict(blades=[4, 5], j=[0.1, 0.2, 0.3]), V, r"blades of shape \(2,\) and j of shape \(3,\)"),
    (dict(pitch_ratio=10**400), V, r"pitch_ratio must be a finite number within the 32-bit range"),
    # A refused element is named by its own index, the first axis first; rows of
    # one pitch and area ratio are evaluated together, out of the result's
    # order, but the first point in the result that cannot be evaluated is named.
    (dict(pitch_ratio=pitch_ratios_with(3)), V, r"pitch_ratio\[1, 0\]"),
    (dict(pitch_ratio=pitch_ratios_with(5)), V, r"pitch_ratio\[1, 2\]"),
    (dict(pitch_ratio=pitch_ratios_with(2)), V, r"pitch_ratio\[0, 2\]"),
    (dict(blades=np.array([4.0, 1e30])[:, None, None], pitch_ratio=np.array([1.0, 1.1, 1e10])[
        None, :, None], j=np.linspace(0.2, 1.0, 5)), V,
     r"pitch_ratio\[0, 2, 0\] = 1e\+10 cannot be evaluated"),
] + [(dict(j=F4, out=out), error, named) for out, error, named in [
    (F4, T, "tuple of three"), ((F4,) * 2, T, "tuple of three"),
    ((np.zeros(4), F4, F4), T, "kt must be a float32"),
    ((F4, np.zeros(5, np.float32), F4), V, "kq must have"),
    ((F4, F4, np.zeros(8, np.float32)[::2]), V, "eta0 must be C-contiguous"),
    ((F4, F4.view(), None), T, "eta0 must be"),
    ((SHARED, np.zeros(4, np.float32), SHARED), V, "must not share memory"),
    ((np.zeros(4, np.float32), FROZEN, np.zeros(4, np.float32)), V, "must be writable")]]
# Values that are not numbers, in each numeric argument.
REFUSED += [(dict([(argument, bad)]), T, argument) for argument in ("blades", "pitch_ratio", "j")
            for bad in (None, "0.5", b"0.5", bytearray(b"\x01\x02"), memoryview(b"ab"), 1j,
                        np.array([0.5 + 0j]), np.datetime64("2026-12-08"), np.array(["0.5"]),
                        np.array([0.5, None], dtype=object), np.array([1], dtype="timedelta64[s]"),
                        [0.5, "x"])]


@pytest.mark.parametrize("kw,error,named", REFUSED)
def test_arguments_that_cannot_be_evaluated_are_refused_naming_them(kw, error, named):
    with pytest.raises(error, match=named):
        helisolv.open_water(**(dict(series="wageningen", blades=4, area_ratio=0.55, pitch_ratio=1.0,
                                    j=0.5) | kw))

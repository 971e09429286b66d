# open_water against the program's point evaluator, bit for bit, and the
# arguments it refuses.
import threading
import time

import numpy as np
import pytest

from conftest import helisolv


def design_grid():
    """The J of the design curves (0.1 to 1.5 by 0.001, summed in 32 bits as the
    solvers do), J at and around zero where the clamp acts, and beyond."""
    j, grid = np.float32(0.1), []
    for _ in range(1400):
        grid.append(j)
        j = np.float32(j + np.float32(0.001))
    edges = [0.0, -0.0, 0.0005, -0.0009, 0.001, -0.001, -0.3, 0.05, 1.8]
    return np.array(edges + grid, dtype=np.float32)


def same_bits(a, b):
    return np.array_equal(np.asarray(a).view(np.uint32), np.asarray(b).view(np.uint32))


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


@pytest.mark.filterwarnings("ignore::RuntimeWarning")
@pytest.mark.parametrize("correction", helisolv.CORRECTIONS)
@pytest.mark.parametrize("scale", [dict(diameter=4.0, rpm=120.0), dict(rpm=120.0, speed=6.0),
                                   dict(diameter=2.5, speed=6.0, rpm=300.0)])
def test_corrected_curve_matches_point_evaluator(correction, scale):
    j = design_grid()
    if "diameter" not in scale:
        j = j[j > -0.001]  # a negative J implies a negative diameter, which is refused
    for pd in (0.5, 0.8, 1.1, 1.4):
        curve = helisolv.open_water("wageningen", 4, 0.55, pd, j, correction=correction, **scale)
        points = helisolv._open_water_by_point("wageningen", 4, 0.55, pd, j,
                                               correction=correction, **scale)
        assert all(same_bits(c, p) for c, p in zip(curve, points))
        assert not same_bits(curve[0], helisolv.open_water("wageningen", 4, 0.55, pd, j)[0])


def test_a_published_model_beyond_its_ranges_warns():
    with pytest.warns(RuntimeWarning, match="Reynolds number"):
        helisolv.open_water("wageningen", 4, 0.55, 1.0, 0.5, correction="reynolds", diameter=0.05,
                            rpm=20)
    with pytest.warns(RuntimeWarning, match="Gawn-Burrill regression"):
        helisolv.open_water("gawn", 3, 0.8, 1.2, 0.1, gawn_model="regression")


def test_long_and_shaped_input_keeps_every_bit_and_the_shape():
    # Longer than the stretch the curve is evaluated in, and not a multiple of it;
    # float64 and a list come in as their float32 values.
    j = np.random.default_rng(7).uniform(-0.1, 1.6, size=(3, 4099))
    kt, kq, eta0 = helisolv.open_water("gawn", 3, 0.65, 1.2, j)
    assert kt.shape == kq.shape == eta0.shape == j.shape and kt.dtype == np.float32
    points = helisolv._open_water_by_point("gawn", 3, 0.65, 1.2, j.astype(np.float32))
    assert all(same_bits(c, p) for c, p in zip((kt, kq, eta0), points))
    scalar = helisolv.open_water("wageningen", 4, 0.55, 1.0, 0.7)
    assert scalar[0].shape == () and same_bits(
        scalar[0], helisolv.open_water("wageningen", 4, 0.55, 1.0, [0.7])[0][0])


@pytest.mark.parametrize("call,named", [
    (lambda: helisolv.open_water("troost", 4, 0.55, 1.0, 0.5), "series"),
    (lambda: helisolv.open_water("wageningen", 4, float("nan"), 1.0, 0.5), "area_ratio"),
    (lambda: helisolv.open_water("wageningen", 4, 0.55, 1e39, 0.5), "pitch_ratio"),
    (lambda: helisolv.open_water("wageningen", 4, 0.55, 1.0, 0.5, correction="ittc"),
     "correction"),
    (lambda: helisolv.open_water("gawn", 3, 0.55, 1.0, 0.5, correction="legacy", diameter=4,
                                 rpm=100), "correction"),
    (lambda: helisolv.open_water("wageningen", 4, 0.55, 1.0, 0.5, diameter=4.0), "diameter"),
    (lambda: helisolv.open_water("wageningen", 4, 0.55, 1.0, 0.5, correction="legacy",
                                 diameter=4.0), "rpm or speed"),
    (lambda: helisolv.open_water("wageningen", 4, 0.55, 1.0, 0.5, correction="legacy",
                                 rpm=100), "both rpm and speed"),
    (lambda: helisolv.open_water("wageningen", 4, 0.55, 1.0, 0.5, correction="legacy",
                                 diameter=-4.0, rpm=100), "diameter"),
    (lambda: helisolv.open_water("wageningen", 4, 0.55, 1.0, 0.5, correction="reynolds",
                                 diameter=4.0, speed=6.0), "needs rpm"),
    (lambda: helisolv.open_water("gawn", 3, 0.55, 1.0, 0.5, gawn_model="burrill"), "gawn_model"),
    (lambda: helisolv.open_water("wageningen", 4, 0.55, 1.0, 0.5, gawn_model="legacy"),
     "gawn_model"),
])
def test_bad_argument_raises_value_error_naming_it(call, named):
    with pytest.raises(ValueError, match=named):
        call()


def test_the_gil_is_free_while_a_curve_is_evaluated():
    # A correction per J makes one call last a fifth of a second or so. The
    # main thread notes the time as often as it can meanwhile, which it can
    # only do while the call has given up the GIL: no long gap may open.
    j = np.linspace(0.1, 1.5, 2_000_000, dtype=np.float32)
    window = []

    def evaluate():
        window.append(time.perf_counter())
        helisolv.open_water("wageningen", 4, 0.55, 1.0, j, correction="legacy", rpm=120.0,
                            speed=6.0)
        window.append(time.perf_counter())

    worker = threading.Thread(target=evaluate)
    noted = []
    worker.start()
    while worker.is_alive():
        noted.append(time.perf_counter())
    worker.join()
    start, end = window
    inside = [start] + [t for t in noted if start < t < end] + [end]
    assert max(b - a for a, b in zip(inside, inside[1:])) < 0.5 * (end - start)


def scalar_call(series, z, ear, pd, j, **kw):
    return helisolv.open_water(series, float(z), float(ear), float(pd), float(j),
                               **{k: float(v) if not isinstance(v, str) else v
                                  for k, v in kw.items()})


def test_broadcasting_is_a_loop_of_scalar_calls_bit_for_bit():
    # Mixed shapes: a 0-d array, 1-d, 2-d, a non-contiguous slice, big-endian and
    # integer input, and a correction whose diameter is an array too.
    rng = np.random.default_rng(3)
    z = np.array([[3], [4], [6]], dtype=np.int64)                       # (3, 1)
    ear = np.array(0.55)                                                # 0-d
    pd = np.linspace(0.5, 1.4, 10)[::3]                                 # (4,), strided
    j = np.asarray(rng.uniform(0.05, 1.4, size=(2, 1, 4)), dtype=">f8")  # big-endian
    diameter = np.array([2.0, 4.0, 6.0, 8.0], dtype=">f4")[None, None, :]
    for kw in ({}, dict(correction="ittc78", diameter=diameter, rpm=150.0)):
        got = helisolv.open_water("wageningen", z, ear, pd, j, **kw)
        shape = np.broadcast_shapes(z.shape, ear.shape, pd.shape, j.shape)
        assert all(g.shape == shape and g.dtype == np.float32 for g in got)
        zb, eb, pb, jb = np.broadcast_arrays(z, ear, pd, j)
        db = np.broadcast_to(diameter, shape) if kw else None
        for idx in np.ndindex(*shape):
            extra = dict(kw, diameter=db[idx]) if kw else {}
            want = scalar_call("wageningen", zb[idx], eb[idx], pb[idx], jb[idx], **extra)
            assert all(same_bits(g[idx], w) for g, w in zip(got, want)), idx


@pytest.mark.filterwarnings("ignore::RuntimeWarning")
def test_a_grid_of_propellers_matches_the_point_evaluator():
    # Propeller arguments that vary along the last axis, beside J, and a
    # Gawn model: each run of equal propellers is a curve of its own.
    z = np.array([3, 4, 5])[:, None, None]
    ear = np.array([0.5, 0.8])[None, :, None]
    pd = np.tile(np.array([0.8, 0.8, 1.2, 1.2, 1.2, 0.9]), 40)
    j = np.linspace(0.1, 1.3, pd.size, dtype=np.float32)
    for series, kw in (("wageningen", {}), ("gawn", dict(gawn_model="regression"))):
        got = helisolv.open_water(series, z, ear, pd, j, **kw)
        want = helisolv._open_water_by_point(series, z, ear, pd, j, **kw)
        assert got[0].shape == (3, 2, pd.size)
        assert all(same_bits(g, w) for g, w in zip(got, want))


@pytest.mark.filterwarnings("ignore::RuntimeWarning")
def test_whole_rows_of_one_propeller_over_shared_j_match_the_point_evaluator():
    # Rows of one propeller each over the same J are evaluated together: more
    # rows than go together at once, two J rows taking turns, a diameter that
    # changes between rows, a correction at each J, and J around the clamp.
    z = np.arange(2, 8)[:, None, None, None]
    ear = np.linspace(0.3, 1.05, 4)[None, :, None, None]
    pd = np.linspace(0.5, 1.4, 3)[None, None, :, None]
    j = np.linspace(-0.01, 1.5, 131, dtype=np.float32)
    turns = np.stack([j, j[::-1]])[:, None, None, None, :]
    diameter = np.array([2.0, 3.0, 4.0, 5.0, 6.0, 8.0])[:, None, None, None]
    for jj, kw in ((j, {}), (turns, {}), (j, dict(correction="ittc78", diameter=diameter, rpm=150.0)),
                   (j, dict(correction="reynolds", diameter=4.0, rpm=150.0))):
        got = helisolv.open_water("wageningen", z, ear, pd, jj, **kw)
        want = helisolv._open_water_by_point("wageningen", z, ear, pd, jj, **kw)
        assert all(same_bits(g, w) for g, w in zip(got, want)), kw


@pytest.mark.parametrize("kw,named", [
    (dict(pitch_ratio=[1.0, 1e10]), r"pitch_ratio\[1\] = 1e\+10 cannot be evaluated"),
    (dict(j=np.array([[0.5, 1e15]])), r"j\[0, 1\]"),
    (dict(j=np.linspace(0.0, 1.5, 101), correction="ittc78", diameter=1e-4, rpm=100.0),
     r"diameter = "),
    (dict(area_ratio=[0.5, np.nan]), r"area_ratio\[1\] must be a finite"),
    (dict(blades=np.array([4.0, -np.inf], dtype=">f8")), r"blades\[1\]"),
    (dict(j=[0.5, 1e39]), r"j\[1\] must be a finite number within the 32-bit range"),
    (dict(correction="legacy", diameter=[4.0, 0.0], rpm=100.0), r"diameter\[1\] must be positive"),
    (dict(correction="legacy", diameter=4.0, rpm=[100.0, -1.0]), r"rpm\[1\] must be positive"),
    (dict(correction="legacy", diameter=4.0, speed=0.0005), r"speed must be at least 0.001"),
    (dict(blades=[4, 5], j=[0.1, 0.2, 0.3]), r"blades of shape \(2,\) and j of shape \(3,\)"),
    (dict(pitch_ratio=10**400), r"pitch_ratio must be a finite number within the 32-bit range"),
])
def test_values_that_cannot_be_evaluated_raise_value_error_naming_them(kw, named):
    args = dict(blades=4, area_ratio=0.55, pitch_ratio=1.0, j=0.5) | kw
    with pytest.raises(ValueError, match=named):
        helisolv.open_water("wageningen", **args)


def test_the_first_point_in_the_result_that_cannot_be_evaluated_is_named():
    # Rows of one pitch and area ratio are evaluated together, out of the
    # result's order: the blade count of the second row of propellers cannot
    # be evaluated from its first pitch ratio on, the last pitch ratio already
    # in the first row, which comes first in the result.
    blades = np.array([4.0, 1e30])[:, None, None]
    pd = np.array([1.0, 1.1, 1e10])[None, :, None]
    with pytest.raises(ValueError, match=r"pitch_ratio\[0, 2, 0\] = 1e\+10 cannot be evaluated"):
        helisolv.open_water("wageningen", blades, 0.55, pd, np.linspace(0.2, 1.0, 5))


@pytest.mark.parametrize("bad", [None, "0.5", b"0.5", bytearray(b"\x01\x02"), memoryview(b"ab"),
                                 1j, np.array([0.5 + 0j]), np.datetime64("2026-12-08"),
                                 np.array(["0.5"]), np.array([0.5, None], dtype=object),
                                 np.array([1], dtype="timedelta64[s]"), [0.5, "x"]])
@pytest.mark.parametrize("argument", ["blades", "pitch_ratio", "j"])
def test_values_that_are_not_numbers_raise_type_error(bad, argument):
    args = dict(blades=4, area_ratio=0.55, pitch_ratio=1.0, j=0.5) | {argument: bad}
    with pytest.raises(TypeError, match=argument):
        helisolv.open_water("wageningen", **args)


def test_hostile_arguments_that_are_accepted_give_finite_results():
    # Extreme but evaluable: every result finite (a result is never NaN or inf).
    cases = [dict(pitch_ratio=np.linspace(-3, 30, 50)), dict(j=np.linspace(-50, 50, 1001)),
             dict(blades=np.array([1e-30, 40.0]), j=0.7), dict(area_ratio=10.0, j=[0.0, -0.0])]
    for kw in cases:
        args = dict(blades=4, area_ratio=0.55, pitch_ratio=1.0, j=0.5) | kw
        try:
            out = helisolv.open_water("wageningen", **args)
        except ValueError:
            continue
        assert all(np.isfinite(o).all() for o in out)


def test_results_written_into_given_arrays_are_the_same_bits_and_the_same_arrays():
    z, pd, j = np.float32([3, 4])[:, None], np.float32([0.8, 1.0, 1.2])[:, None, None], \
        np.linspace(0.1, 1.2, 12, dtype=np.float32)
    want = helisolv.open_water("wageningen", z, 0.55, pd, j)
    out = tuple(np.full(want[0].shape, np.nan, np.float32) for _ in range(3))
    got = helisolv.open_water("wageningen", z, 0.55, pd, j, out=out)
    assert all(g is o for g, o in zip(got, out))
    for w, g in zip(want, got):
        assert np.array_equal(w.view(np.uint32), g.view(np.uint32))


@pytest.mark.parametrize("out,error,named", [
    (np.zeros(4, np.float32), TypeError, "tuple of three"),
    ((np.zeros(4, np.float32),) * 2, TypeError, "tuple of three"),
    ((np.zeros(4), np.zeros(4, np.float32), np.zeros(4, np.float32)), TypeError, "kt must be a float32"),
    ((np.zeros(4, np.float32), np.zeros(5, np.float32), np.zeros(4, np.float32)), ValueError, "kq must have"),
    ((np.zeros(4, np.float32), np.zeros(4, np.float32), np.zeros(8, np.float32)[::2]), ValueError,
     "eta0 must be C-contiguous"),
    ((np.zeros(4, np.float32), np.zeros(4, np.float32).view(), None), TypeError, "eta0 must be"),
])
def test_given_result_arrays_that_cannot_take_the_results_are_refused(out, error, named):
    with pytest.raises(error, match=named):
        helisolv.open_water("wageningen", 4, 0.55, 1.0, np.float32([0.2, 0.4, 0.6, 0.8]), out=out)


def test_given_result_arrays_that_overlap_or_are_read_only_are_refused():
    j = np.float32([0.2, 0.4, 0.6, 0.8])
    shared = np.zeros(4, np.float32)
    with pytest.raises(ValueError, match="must not share memory"):
        helisolv.open_water("wageningen", 4, 0.55, 1.0, j, out=(shared, np.zeros_like(j), shared))
    frozen = np.zeros(4, np.float32)
    frozen.setflags(write=False)
    with pytest.raises(ValueError, match="must be writable"):
        helisolv.open_water("wageningen", 4, 0.55, 1.0, j, out=(np.zeros_like(j), frozen, np.zeros_like(j)))

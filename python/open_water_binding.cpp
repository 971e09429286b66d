// helisolv.open_water: the series' open-water coefficients with every numeric
// argument a number or an array, broadcast together. Points that share a
// propeller and a scale correction along a row of the last axis are evaluated
// as one curve, which gives the same bits as each point alone.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "api/curve_rows.hpp"
#include "arguments.hpp"
#include "bindings.hpp"
#include "helisolv/curve.hpp"
#include "series/model_ranges.hpp"

namespace helisolv::python {

namespace {

// The arguments in the order they are walked.
enum Arg : std::size_t { Blades, AreaRatio, PitchRatio, J, Diameter, Rpm, Speed, kArgs };

struct OpenWaterCall {
  SeriesModel model;
  std::optional<ViscousCorrection> correction;
  std::array<RealArray, kArgs> args;
  std::array<bool, kArgs> given{};
  std::vector<py::ssize_t> shape;

  std::vector<const RealArray*> walked() const {
    std::vector<const RealArray*> out;
    for (const RealArray& a : args) out.push_back(&a);
    return out;
  }

  Propeller propeller(const std::array<float, kArgs>& v) const {
    return {v[Blades], v[AreaRatio], v[PitchRatio]};
  }
  ScaleCorrection scale(const std::array<float, kArgs>& v) const {
    if (!correction) return {};
    return {1, *correction, given[Diameter] ? v[Diameter] : 0.0f, given[Speed] ? v[Speed] : 0.0f,
            given[Rpm] ? v[Rpm] : 0.0f};
  }
};

// The scale correction the keyword arguments ask for, checked so that it
// applies at every point: the series takes it (the Wageningen series only),
// and it has what its method scales from: the diameter with a speed or
// revolutions, or a speed and revolutions that imply the diameter at each J;
// the Reynolds-number correction always needs the revolutions.
void correctionArguments(OpenWaterCall& call, const py::object& correction,
                         const py::object& diameter, const py::object& rpm,
                         const py::object& speed) {
  const py::object* given[] = {&diameter, &rpm, &speed};
  const Arg args[] = {Diameter, Rpm, Speed};
  const char* names[] = {"diameter", "rpm", "speed"};
  if (correction.is_none()) {
    if (!diameter.is_none() || !rpm.is_none() || !speed.is_none())
      badValue("diameter, rpm and speed belong to a scale correction: give correction= (" +
               choices("viscous-correction") + ") too");
  } else {
    ModelOptions models;
    modelArgument(correction, "correction", "viscous-correction", models);
    if (call.model.seriesType != Series::Wageningen)
      badValue("correction: only the Wageningen series is corrected for scale");
    call.correction = models.viscousCorrection;
  }
  for (std::size_t k = 0; k < 3; ++k) {
    call.given[args[k]] = !given[k]->is_none();
    if (call.given[args[k]]) {
      call.args[args[k]] = realArray(*given[k], names[k]);
      requirePositive(call.args[args[k]]);
    } else {
      call.args[args[k]] = RealArray{names[k], {}, {0.0f}};
    }
  }
  if (!call.correction) return;
  // Below 0.001 the program takes a speed or revolutions as not given.
  if (call.given[Rpm]) requireAtLeast(call.args[Rpm], 0.001f);
  if (call.given[Speed]) requireAtLeast(call.args[Speed], 0.001f);
  if (!call.given[Rpm] && !call.given[Speed])
    badValue("correction needs rpm or speed (at least 0.001) besides the diameter");
  if (!call.given[Diameter] && (!call.given[Rpm] || !call.given[Speed]))
    badValue(
        "correction without a diameter needs both rpm and speed, which imply the "
        "diameter at each J");
  if (*call.correction == ViscousCorrection::Reynolds && !call.given[Rpm])
    badValue(
        "correction \"reynolds\" needs rpm (at least 0.001): the section's Reynolds "
        "number is that of the turning propeller");
}

OpenWaterCall openWaterCall(const std::string& series, const py::object& blades,
                            const py::object& areaRatio, const py::object& pitchRatio,
                            const py::object& j, const py::object& correction,
                            const py::object& diameter, const py::object& rpm,
                            const py::object& speed, const py::object& gawnModel) {
  OpenWaterCall call;
  call.model = seriesArgument(series, gawnModel);
  call.args[Blades] = realArray(blades, "blades");
  call.args[AreaRatio] = realArray(areaRatio, "area_ratio");
  call.args[PitchRatio] = realArray(pitchRatio, "pitch_ratio");
  call.args[J] = realArray(j, "j");
  call.given[Blades] = call.given[AreaRatio] = call.given[PitchRatio] = call.given[J] = true;
  correctionArguments(call, correction, diameter, rpm, speed);
  call.shape = broadcastShape(call.walked());
  return call;
}

bool finite(float x) {
  std::uint32_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return (bits & 0x7f800000u) != 0x7f800000u;
}

// The first point of n whose Kt, Kq or eta0 is not finite, or n.
std::size_t firstNotFinite(const float* kt, const float* kq, const float* eta0, std::size_t n) {
  // Adding one to the exponent field carries into the sign bit only where
  // every exponent bit is set (an infinity or a NaN): a whole-register test
  // that the compiler vectorises, with the search below only for a refusal.
  std::uint32_t carried = 0;
  for (std::size_t i = 0; i < n; ++i) {
    std::uint32_t b[3];
    std::memcpy(&b[0], kt + i, sizeof(float));
    std::memcpy(&b[1], kq + i, sizeof(float));
    std::memcpy(&b[2], eta0 + i, sizeof(float));
    for (std::uint32_t x : b) carried |= (x & 0x7f800000u) + 0x00800000u;
  }
  if ((carried & 0x80000000u) == 0) return n;
  for (std::size_t i = 0; i < n; ++i)
    if (!finite(kt[i]) || !finite(kq[i]) || !finite(eta0[i])) return i;
  return n;
}

struct Outputs {
  float* kt;
  float* kq;
  float* eta0;
};

// Evaluates every point of the broadcast shape into out, the points of a row
// that share their propeller and correction as one curve. Returns the flat
// index of the first point that gave a value out of the 32-bit range (or the
// point count), with the model's range notes of all points evaluated.
std::size_t evaluateAll(const OpenWaterCall& call, Outputs out, ModelRangeNotes& notes) {
  std::size_t bad = SIZE_MAX;
  std::vector<float> gathered;

  // Whole rows of one propeller each over the same J, one after another in
  // the result, with one scale correction: evaluated together as a grid, which
  // forms the products of J once for all of them (the same bits).
  struct Batch {
    std::vector<Propeller> propellers;
    const float* advance = nullptr;
    std::size_t length = 0;
    std::size_t first = 0;
    std::array<float, kArgs> values{};
  } batch;
  auto sameCorrection = [&](const std::array<float, kArgs>& a, const std::array<float, kArgs>& b) {
    for (Arg arg : {Diameter, Rpm, Speed})
      if (std::memcmp(&a[arg], &b[arg], sizeof(float)) != 0) return false;
    return true;
  };
  auto flush = [&]() {
    // The rows in groups of one pitch and area ratio, which are evaluated
    // together, a few groups at a time, so that each row is checked while
    // still in cache. A refusal names the first point in the order of the
    // result, so a row found out of range does not stop the batch.
    constexpr std::size_t kRows = 32;
    const std::size_t rows = batch.propellers.size();
    if (rows == 0) return true;
    const std::vector<std::size_t> order = groupedPropellerOrder(batch.propellers);
    const std::size_t n = rows * batch.length;
    float* const kt = out.kt + batch.first;
    float* const kq = out.kq + batch.first;
    float* const eta0 = out.eta0 + batch.first;
    std::vector<Propeller> chunk;
    std::vector<std::size_t> chunkRows;
    std::size_t firstBad = SIZE_MAX;
    for (std::size_t q = 0; q < rows;) {
      chunk.clear();
      chunkRows.clear();
      // Whole groups up to kRows rows (a larger group in pieces of kRows),
      // so that no group is cut between two chunks.
      auto sameRatios = [&](const Propeller& a, const Propeller& b) {
        return std::memcmp(&a.pitchRatio, &b.pitchRatio, sizeof(float)) == 0 &&
               std::memcmp(&a.areaRatio, &b.areaRatio, sizeof(float)) == 0;
      };
      while (q < rows) {
        std::size_t end = q + 1;
        while (end < rows && end - q < kRows &&
               sameRatios(batch.propellers[order[q]], batch.propellers[order[end]]))
          ++end;
        if (!chunk.empty() && chunk.size() + (end - q) > kRows) break;
        for (; q < end; ++q) {
          chunk.push_back(batch.propellers[order[q]]);
          chunkRows.push_back(order[q]);
        }
      }
      const std::size_t length = batch.length;
      if (chunk.size() == 1) {
        // A lone row has nothing to share: the curve alone keeps its J in cache.
        const std::size_t o = chunkRows[0] * length;
        notes |=
            evaluateOpenWaterCurve(call.model, chunk[0], {batch.advance, length}, {kt + o, length},
                                   {kq + o, length}, {eta0 + o, length}, call.scale(batch.values))
                .notes;
      } else {
        notes |= evaluateOpenWaterRows(call.model, chunk, chunkRows, {batch.advance, length},
                                       {kt, n}, {kq, n}, {eta0, n}, call.scale(batch.values));
      }
      for (const std::size_t r : chunkRows) {
        const std::size_t o = r * length;
        if (const std::size_t i = firstNotFinite(kt + o, kq + o, eta0 + o, length); i < length)
          firstBad = std::min(firstBad, o + i);
      }
    }
    batch.propellers.clear();
    if (firstBad == SIZE_MAX) return true;
    bad = batch.first + firstBad;
    return false;
  };

  forEachRow(call.walked(), call.shape,
             [&](const std::vector<std::size_t>& offsets, const std::vector<std::size_t>& strides,
                 std::size_t length, std::size_t first) {
               auto valuesAt = [&](std::size_t i) {
                 std::array<float, kArgs> v;
                 for (std::size_t a = 0; a < kArgs; ++a)
                   v[a] = call.args[a].values[offsets[a] + i * strides[a]];
                 return v;
               };
               bool propellerAlongRow = false;
               for (std::size_t a = 0; a < kArgs; ++a)
                 propellerAlongRow |= a != J && strides[a] != 0;
               if (!propellerAlongRow && strides[J] == 1 && length > 0) {
                 const std::array<float, kArgs> v = valuesAt(0);
                 const float* advance = call.args[J].values.data() + offsets[J];
                 const bool joins = !batch.propellers.empty() && batch.advance == advance &&
                                    batch.length == length &&
                                    batch.first + batch.propellers.size() * length == first &&
                                    sameCorrection(batch.values, v);
                 if (!joins) {
                   if (!flush()) return false;
                   batch.advance = advance;
                   batch.length = length;
                   batch.first = first;
                   batch.values = v;
                 }
                 batch.propellers.push_back(call.propeller(v));
                 return true;
               }
               if (!flush()) return false;
               std::size_t at = 0;
               while (at < length) {
                 const std::array<float, kArgs> v = valuesAt(at);
                 std::size_t end = length;
                 if (propellerAlongRow) {
                   // The run of points with this propeller and correction.
                   end = at + 1;
                   while (end < length) {
                     const std::array<float, kArgs> w = valuesAt(end);
                     bool same = true;
                     for (std::size_t a = 0; a < kArgs; ++a)
                       same = same && (a == J || std::memcmp(&v[a], &w[a], sizeof(float)) == 0);
                     if (!same) break;
                     ++end;
                   }
                 }
                 const std::size_t n = end - at;
                 const float* advance = call.args[J].values.data() + offsets[J] + at * strides[J];
                 if (strides[J] != 1) {
                   gathered.resize(n);
                   for (std::size_t i = 0; i < n; ++i) gathered[i] = valuesAt(at + i)[J];
                   advance = gathered.data();
                 }
                 const std::size_t o = first + at;
                 notes |= evaluateOpenWaterCurve(call.model, call.propeller(v), {advance, n},
                                                 {out.kt + o, n}, {out.kq + o, n},
                                                 {out.eta0 + o, n}, call.scale(v))
                              .notes;
                 if (const std::size_t i = firstNotFinite(out.kt + o, out.kq + o, out.eta0 + o, n);
                     i < n) {
                   bad = o + i;
                   return false;
                 }
                 at = end;
               }
               return true;
             });
  // A walk stopped early has set bad; one that went through may end in a batch.
  if (bad == SIZE_MAX) flush();
  return bad;
}

// The argument to blame for a point out of the 32-bit range: the first whose
// value, put back to that of an ordinary propeller, brings the point into
// range. A ValueError naming it and its element.
[[noreturn]] void refuseOverflow(const OpenWaterCall& call, std::size_t flat) {
  std::array<float, kArgs> v;
  for (std::size_t a = 0; a < kArgs; ++a)
    v[a] = call.args[a].values[elementAt(call.args[a], call.shape, flat)];
  constexpr std::array<float, kArgs> ordinary{4.0f, 0.55f, 1.0f, 0.5f, 4.0f, 200.0f, 5.0f};
  constexpr Arg order[] = {J, PitchRatio, AreaRatio, Blades, Diameter, Rpm, Speed};
  for (Arg a : order) {
    if (!call.given[a]) continue;
    std::array<float, kArgs> w = v;
    w[a] = ordinary[a];
    const OpenWaterPoint p = evaluateOpenWater(call.model, call.propeller(w), w[J], call.scale(w));
    if (finite(p.kt) && finite(p.kq) && finite(p.eta0)) {
      const RealArray& arg = call.args[a];
      badValue(arg.at(elementAt(arg, call.shape, flat)) + " = " + realText(v[a]) +
               " cannot be evaluated: Kt, Kq or eta0 there is beyond the 32-bit range");
    }
  }
  const RealArray& j = call.args[J];
  badValue(j.at(elementAt(j, call.shape, flat)) +
           " cannot be evaluated with the other arguments there: Kt, Kq or eta0 is not a number");
}

// A published model evaluated beyond its fitted ranges is a Python warning,
// as it is a warning of a run.
void warnOf(const ModelRangeNotes& notes) {
  const std::string reynolds = "helisolv: the Reynolds number lay outside " + reynoldsRangeText() +
                               " at some J; the correction there is the one at the nearer end";
  const char* texts[] = {
      notes.reynoldsClamped ? reynolds.c_str() : nullptr,
      notes.outsideGawnRegression ? "helisolv: the Gawn-Burrill regression was evaluated outside "
                                    "the P/D, area ratio or J it was fitted over"
                                  : nullptr,
  };
  for (const char* text : texts)
    if (text && PyErr_WarnEx(PyExc_RuntimeWarning, text, 2) != 0) throw py::error_already_set();
}

// The arrays a caller gives for the results (out=): three float32 arrays of
// the broadcast shape, C-contiguous, writable and apart from each other, so that
// a study evaluating grid after grid of one shape writes into memory it
// already has instead of the operating system's fresh pages.
std::tuple<py::array_t<float>, py::array_t<float>, py::array_t<float>> resultArrays(
    const py::object& given, const std::vector<py::ssize_t>& shape) {
  if (!py::isinstance<py::tuple>(given) || py::len(given) != 3)
    throw py::type_error("out must be a tuple of three arrays (kt, kq, eta0)");
  const char* names[] = {"kt", "kq", "eta0"};
  std::array<py::array_t<float>, 3> arrays;
  for (std::size_t i = 0; i < 3; ++i) {
    const py::object item = py::tuple(given)[i];
    const std::string name = std::string("out ") + names[i];
    if (!py::isinstance<py::array_t<float>>(item))
      throw py::type_error(name + " must be a float32 numpy array");
    const py::array a(item);
    if (!(a.flags() & py::array::c_style)) throw py::value_error(name + " must be C-contiguous");
    if (!a.writeable()) throw py::value_error(name + " must be writable");
    if (std::vector<py::ssize_t>(a.shape(), a.shape() + a.ndim()) != shape)
      throw py::value_error(name + " must have the broadcast shape of the arguments");
    arrays[i] = py::array_t<float>(item);
  }
  for (std::size_t i = 0; i < 3; ++i)
    for (std::size_t k = i + 1; k < 3; ++k) {
      const auto* a = reinterpret_cast<const char*>(arrays[i].data());
      const auto* b = reinterpret_cast<const char*>(arrays[k].data());
      const auto bytes = static_cast<std::size_t>(arrays[i].nbytes());
      if (bytes != 0 && a < b + bytes && b < a + bytes)
        throw py::value_error(std::string("out ") + names[i] + " and " + names[k] +
                              " must not share memory");
    }
  return {arrays[0], arrays[1], arrays[2]};
}

py::tuple openWater(const std::string& series, const py::object& blades,
                    const py::object& areaRatio, const py::object& pitchRatio, const py::object& j,
                    const py::object& correction, const py::object& diameter, const py::object& rpm,
                    const py::object& speed, const py::object& gawnModel, const py::object& given) {
  const OpenWaterCall call = openWaterCall(series, blades, areaRatio, pitchRatio, j, correction,
                                           diameter, rpm, speed, gawnModel);
  py::array_t<float> kt, kq, eta0;
  if (given.is_none()) {
    kt = py::array_t<float>(call.shape);
    kq = py::array_t<float>(call.shape);
    eta0 = py::array_t<float>(call.shape);
  } else {
    std::tie(kt, kq, eta0) = resultArrays(given, call.shape);
  }
  const Outputs out{kt.mutable_data(), kq.mutable_data(), eta0.mutable_data()};
  ModelRangeNotes notes;
  std::size_t bad = SIZE_MAX;
  {
    py::gil_scoped_release release;
    bad = evaluateAll(call, out, notes);
  }
  if (bad != SIZE_MAX) refuseOverflow(call, bad);
  warnOf(notes);
  return py::make_tuple(kt, kq, eta0);
}

// The same coefficients one point at a time through evaluateOpenWater, the
// program's point evaluator: the reference the tests hold open_water to.
py::tuple openWaterByPoint(const std::string& series, const py::object& blades,
                           const py::object& areaRatio, const py::object& pitchRatio,
                           const py::object& j, const py::object& correction,
                           const py::object& diameter, const py::object& rpm,
                           const py::object& speed, const py::object& gawnModel) {
  const OpenWaterCall call = openWaterCall(series, blades, areaRatio, pitchRatio, j, correction,
                                           diameter, rpm, speed, gawnModel);
  py::array_t<float> kt(call.shape), kq(call.shape), eta0(call.shape);
  float* ktOut = kt.mutable_data();
  float* kqOut = kq.mutable_data();
  float* etaOut = eta0.mutable_data();
  for (py::ssize_t i = 0; i < kt.size(); ++i) {
    const auto flat = static_cast<std::size_t>(i);
    std::array<float, kArgs> v;
    for (std::size_t a = 0; a < kArgs; ++a)
      v[a] = call.args[a].values[elementAt(call.args[a], call.shape, flat)];
    const OpenWaterPoint p = evaluateOpenWater(call.model, call.propeller(v), v[J], call.scale(v));
    ktOut[i] = p.kt;
    kqOut[i] = p.kq;
    etaOut[i] = p.eta0;
  }
  return py::make_tuple(kt, kq, eta0);
}

}  // namespace

void bindOpenWater(py::module_& m) {
  const char* doc =
      "open_water(series, blades, area_ratio, pitch_ratio, j, *, correction=None, "
      "diameter=None, rpm=None, speed=None, gawn_model=None, out=None) -> (kt, kq, eta0)\n\n"
      "Open-water Kt, Kq and eta0 as float32 arrays. Every numeric argument is a number or "
      "an array; they broadcast together by numpy's rules and the results have the broadcast "
      "shape, each point the same bits as a call with that point's numbers alone. series is "
      "\"wageningen\" or \"gawn\" (which evaluates any blade count not within 0.01 of 3 as "
      "3); |J| below 0.001 is evaluated at 0.001. correction names a scale correction as "
      "--viscous-correction does (CORRECTIONS; Wageningen series only) and needs the "
      "full-scale diameter (m) with rpm or speed (m/s), or rpm and speed, which imply the "
      "diameter at each J; \"reynolds\" always needs rpm. gawn_model names the Gawn model as "
      "--gawn-model does (GAWN_MODELS). A value that is not a number raises TypeError; one "
      "that cannot be evaluated (not finite, so large that a coefficient leaves the 32-bit "
      "range, a diameter, rpm or speed not positive) raises ValueError naming the argument "
      "and its first such element. A published model evaluated beyond its fitted ranges "
      "gives a RuntimeWarning. out=(kt, kq, eta0) writes the results into these float32 "
      "C-contiguous arrays of the broadcast shape and returns them (after a refusal they "
      "hold what was evaluated before it).";
  m.def("open_water", &openWater, doc, py::arg("series"), py::arg("blades"), py::arg("area_ratio"),
        py::arg("pitch_ratio"), py::arg("j"), py::kw_only(), py::arg("correction") = py::none(),
        py::arg("diameter") = py::none(), py::arg("rpm") = py::none(),
        py::arg("speed") = py::none(), py::arg("gawn_model") = py::none(),
        py::arg("out") = py::none());
  m.def("_open_water_by_point", &openWaterByPoint,
        "open_water evaluated one point at a time by the point evaluator (for tests).",
        py::arg("series"), py::arg("blades"), py::arg("area_ratio"), py::arg("pitch_ratio"),
        py::arg("j"), py::kw_only(), py::arg("correction") = py::none(),
        py::arg("diameter") = py::none(), py::arg("rpm") = py::none(),
        py::arg("speed") = py::none(), py::arg("gawn_model") = py::none());
}

}  // namespace helisolv::python

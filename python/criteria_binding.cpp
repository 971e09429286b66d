// The cavitation and loading criteria in Python: each argument a number or an
// array, broadcast together, each point computed by the library's criteria
// (the code the program's blade checks print with). All numbers in: a float;
// any array in: a float32 array of the broadcast shape.
#include <array>
#include <cmath>
#include <string>

#include "arguments.hpp"
#include "bindings.hpp"
#include "criteria/criteria_arrays.hpp"
#include "helisolv/criteria.hpp"

namespace helisolv::python {

namespace {

constexpr float kSeaWater = 1025.0f;  // kg/m3, the default density

template <std::size_t N>
std::vector<const RealArray*> pointers(const std::array<RealArray, N>& args) {
  std::vector<const RealArray*> out;
  for (const RealArray& a : args) out.push_back(&a);
  return out;
}

std::string indexText(const std::vector<py::ssize_t>& shape, std::size_t flat) {
  RealArray where{"", shape, {}};
  const std::string text = where.at(flat);
  return text.empty() ? "" : " at index " + text;
}

// The ValueError for the point at flat index bad, whose result left the
// 32-bit range: every argument's value there.
template <std::size_t N>
[[noreturn]] void refuseBeyondRange(const std::array<RealArray, N>& args,
                                    const std::vector<py::ssize_t>& shape, std::size_t bad,
                                    const char* what) {
  std::string given;
  for (const RealArray& a : args)
    given +=
        (given.empty() ? "" : ", ") + a.name + "=" + realText(a.values[elementAt(a, shape, bad)]);
  badValue(std::string("the arguments") + indexText(shape, bad) + " (" + given + ") give " + what +
           " beyond the 32-bit range");
}

// Fills values (and the off-chart mask, when given) point by point with
// GIL released; a result out of the 32-bit range is a ValueError.
template <std::size_t N, class Point>
void computeAll(const std::array<RealArray, N>& args, const std::vector<py::ssize_t>& shape,
                float* values, bool* offChart, Point&& point, const char* what) {
  std::size_t bad = SIZE_MAX;
  {
    py::gil_scoped_release release;
    forEachRow(pointers(args), shape,
               [&](const std::vector<std::size_t>& offsets, const std::vector<std::size_t>& strides,
                   std::size_t length, std::size_t first) {
                 std::array<const float*, N> base;
                 std::array<std::size_t, N> step;
                 for (std::size_t a = 0; a < N; ++a) {
                   base[a] = args[a].values.data() + offsets[a];
                   step[a] = strides[a];
                 }
                 float* row = values + first;
                 bool* rowOff = offChart ? offChart + first : nullptr;
                 bool anyBad = false;
                 for (std::size_t i = 0; i < length; ++i) {
                   std::array<float, N> v;
                   for (std::size_t a = 0; a < N; ++a) v[a] = base[a][i * step[a]];
                   bool off = false;
                   const float r = point(v, off);
                   row[i] = r;
                   if (rowOff) rowOff[i] = off;
                   anyBad |= !std::isfinite(r);
                 }
                 if (anyBad) {
                   for (std::size_t i = 0; i < length; ++i)
                     if (!std::isfinite(row[i])) {
                       bad = first + i;
                       return false;
                     }
                 }
                 return true;
               });
  }
  if (bad != SIZE_MAX) refuseBeyondRange(args, shape, bad, what);
}

template <std::size_t N, class Point>
py::object elementwise(const std::array<RealArray, N>& args, Point&& point, const char* what) {
  const std::vector<py::ssize_t> shape = broadcastShape(pointers(args));
  py::array_t<float> out(shape);
  computeAll(args, shape, out.mutable_data(), nullptr, point, what);
  if (shape.empty()) return py::float_(static_cast<double>(*out.data()));
  return out;
}

// The density argument, sea water unless given.
RealArray densityArgument(const py::object& density) {
  RealArray rho =
      density.is_none() ? RealArray{"density", {}, {kSeaWater}} : realArray(density, "density");
  requirePositive(rho);
  return rho;
}

RealArray positive(const py::object& value, const char* name) {
  RealArray a = realArray(value, name);
  requirePositive(a);
  return a;
}

py::object sigma(const py::object& advanceSpeed, const py::object& rpm, const py::object& diameter,
                 const py::object& shaftDepth, const py::object& density) {
  const std::array<RealArray, 5> args{realArray(advanceSpeed, "advance_speed"),
                                      positive(rpm, "rpm"), positive(diameter, "diameter"),
                                      realArray(shaftDepth, "shaft_depth"),
                                      densityArgument(density)};
  return elementwise(
      args,
      [](const std::array<float, 5>& v, bool&) { return sigma07R(v[0], v[1], v[2], v[3], v[4]); },
      "sigma 0.7R");
}

py::object loading(const py::object& thrust, const py::object& advanceSpeed, const py::object& rpm,
                   const py::object& diameter, const py::object& pitchRatio,
                   const py::object& areaRatio, const py::object& density) {
  const std::array<RealArray, 7> args{realArray(thrust, "thrust"),
                                      realArray(advanceSpeed, "advance_speed"),
                                      positive(rpm, "rpm"),
                                      positive(diameter, "diameter"),
                                      realArray(pitchRatio, "pitch_ratio"),
                                      positive(areaRatio, "area_ratio"),
                                      densityArgument(density)};
  return elementwise(
      args,
      [](const std::array<float, 7>& v, bool&) {
        return tauC(v[0], v[1], v[2], v[3], v[4], v[5], v[6]);
      },
      "tau_c");
}

BurrillCurve lineArgument(const py::object& line) {
  const std::string text = py::isinstance<py::str>(line) ? line.cast<std::string>() : "";
  if (text == "2.5") return BurrillCurve::BackCavitation2_5;
  if (text == "5") return BurrillCurve::BackCavitation5;
  if (text == "upper") return BurrillCurve::UpperLimit;
  badValue(
      "line must be \"2.5\" (2.5 % back cavitation), \"5\" (5 % back cavitation) or "
      "\"upper\" (the recommended upper limit), not " +
      std::string(py::repr(line)));
}

py::object burrill(const py::object& thrust, const py::object& advanceSpeed, const py::object& rpm,
                   const py::object& diameter, const py::object& pitchRatio,
                   const py::object& shaftDepth, const py::object& density,
                   const py::object& line) {
  const BurrillCurve curve = lineArgument(line);
  const std::array<RealArray, 7> args{realArray(thrust, "thrust"),
                                      realArray(advanceSpeed, "advance_speed"),
                                      positive(rpm, "rpm"),
                                      positive(diameter, "diameter"),
                                      realArray(pitchRatio, "pitch_ratio"),
                                      realArray(shaftDepth, "shaft_depth"),
                                      densityArgument(density)};
  const std::vector<py::ssize_t> shape = broadcastShape(pointers(args));
  py::array_t<float> values(shape);
  py::array_t<bool> off(shape);
  // A row at a time through the array form of the criterion, which reads the
  // chart's parabolas once; then the row's results are checked in cache.
  float* const valueOut = values.mutable_data();
  bool* const offOut = off.mutable_data();
  std::size_t bad = SIZE_MAX;
  {
    py::gil_scoped_release release;
    forEachRow(pointers(args), shape,
               [&](const std::vector<std::size_t>& offsets, const std::vector<std::size_t>& strides,
                   std::size_t length, std::size_t first) {
                 BurrillArguments row;
                 for (std::size_t a = 0; a < row.size(); ++a)
                   row[a] = {args[a].values.data() + offsets[a], strides[a]};
                 burrillMinAreaRatios(curve, row, length, valueOut + first, offOut + first);
                 bool anyBad = false;
                 for (std::size_t i = 0; i < length; ++i)
                   anyBad |= !std::isfinite(valueOut[first + i]);
                 if (!anyBad) return true;
                 for (std::size_t i = 0; i < length; ++i)
                   if (!std::isfinite(valueOut[first + i])) {
                     bad = first + i;
                     break;
                   }
                 return false;
               });
  }
  if (bad != SIZE_MAX) refuseBeyondRange(args, shape, bad, "a minimum area ratio");
  if (shape.empty()) {
    if (*off.data()) return py::none();
    return py::float_(static_cast<double>(*values.data()));
  }
  return py::module_::import("numpy").attr("ma").attr("masked_array")(values, off);
}

py::object keller(const py::object& thrust, const py::object& diameter,
                  const py::object& shaftDepth, const py::object& blades, const py::object& k,
                  const py::object& density) {
  const std::array<RealArray, 6> args{realArray(thrust, "thrust"),
                                      positive(diameter, "diameter"),
                                      realArray(shaftDepth, "shaft_depth"),
                                      realArray(blades, "blades"),
                                      realArray(k, "k"),
                                      densityArgument(density)};
  return elementwise(
      args,
      [](const std::array<float, 6>& v, bool&) {
        return kellerMinAreaRatio(v[0], v[1], v[2], v[3], v[5], v[4]);
      },
      "Keller's minimum area ratio");
}

py::object tipSpeed(const py::object& rpm, const py::object& diameter) {
  const std::array<RealArray, 2> args{positive(rpm, "rpm"), positive(diameter, "diameter")};
  return elementwise(
      args, [](const std::array<float, 2>& v, bool&) { return bladeTipSpeed(v[0], v[1]); },
      "a tip speed");
}

}  // namespace

void bindCriteria(py::module_& m) {
  py::dict k;
  k["single screw"] = static_cast<double>(kKellerSingleScrew);
  k["slow twin screw"] = static_cast<double>(kKellerSlowTwinScrew);
  k["fast twin screw"] = static_cast<double>(kKellerFastTwinScrew);
  m.attr("KELLER_K") = k;
  m.attr("BURRILL_LINES") = py::make_tuple("2.5", "5", "upper");

  const char* common =
      "\n\nEvery argument is a number or an array; they broadcast together by numpy's rules. "
      "All numbers give a float, any array a float32 array of the broadcast shape. Thrust in "
      "kN, speeds in m/s, rpm in rev/min, lengths in m, density in kg/m3 (sea water, 1025, "
      "unless given). A non-number raises TypeError; a value that is not finite, a diameter, "
      "rpm, area ratio or density not positive, or a result beyond the 32-bit range raises "
      "ValueError.";
  m.def("sigma_07r", &sigma,
        (std::string("sigma_07r(advance_speed, rpm, diameter, shaft_depth, *, density=1025)\n\n"
                     "Cavitation number at 0.7 R: (rho g h + 100000) / (0.5 rho V^2), "
                     "V^2 = (0.7 pi n D)^2 + Va^2, g = 9.81.") +
         common)
            .c_str(),
        py::arg("advance_speed"), py::arg("rpm"), py::arg("diameter"), py::arg("shaft_depth"),
        py::kw_only(), py::arg("density") = py::none());
  m.def("tau_c", &loading,
        (std::string("tau_c(thrust, advance_speed, rpm, diameter, pitch_ratio, area_ratio, *, "
                     "density=1025)\n\nThrust loading coefficient T / (0.5 rho V^2(0.7R) Ap), "
                     "Ap = (pi D^2 / 4) (Ae/A0) (1.067 - 0.229 P/D).") +
         common)
            .c_str(),
        py::arg("thrust"), py::arg("advance_speed"), py::arg("rpm"), py::arg("diameter"),
        py::arg("pitch_ratio"), py::arg("area_ratio"), py::kw_only(),
        py::arg("density") = py::none());
  m.def("burrill_min_area_ratio", &burrill,
        (std::string("burrill_min_area_ratio(thrust, advance_speed, rpm, diameter, pitch_ratio, "
                     "shaft_depth, *, density=1025, line=\"5\")\n\nMinimum expanded area ratio "
                     "by Burrill's chart: the area ratio at which tau_c is the line's tau_c at "
                     "the propeller's sigma 0.7R. line is \"2.5\" or \"5\" (% back cavitation) "
                     "or \"upper\" (the recommended upper limit). Off the chart (sigma below the "
                     "line's first point or above its last) there is no minimum: None for "
                     "numbers, a masked element (numpy.ma) for arrays.") +
         common)
            .c_str(),
        py::arg("thrust"), py::arg("advance_speed"), py::arg("rpm"), py::arg("diameter"),
        py::arg("pitch_ratio"), py::arg("shaft_depth"), py::kw_only(),
        py::arg("density") = py::none(), py::arg("line") = "5");
  m.def("keller_min_area_ratio", &keller,
        (std::string("keller_min_area_ratio(thrust, diameter, shaft_depth, blades, *, k=0, "
                     "density=1025)\n\nKeller's minimum expanded area ratio "
                     "(1.3 + 0.3 Z) T / ((rho g h + 98300) D^2) + k; KELLER_K holds k for each "
                     "class of ship.") +
         common)
            .c_str(),
        py::arg("thrust"), py::arg("diameter"), py::arg("shaft_depth"), py::arg("blades"),
        py::kw_only(), py::arg("k") = 0.0, py::arg("density") = py::none());
  m.def(
      "tip_speed", &tipSpeed,
      (std::string("tip_speed(rpm, diameter)\n\nBlade tip speed pi D n in m/s.") + common).c_str(),
      py::arg("rpm"), py::arg("diameter"));
}

}  // namespace helisolv::python

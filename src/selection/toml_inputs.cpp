// Every key is checked against the names the selection reads, so that a
// misspelt input is named rather than silently left at its default.
#include "selection/toml_inputs.hpp"

#include <cmath>
#include <cstdlib>
#include <set>
#include <string_view>

#include "taskfile/units.hpp"

namespace helisolv::selection {

namespace {

struct Error {
  std::string text;
};

// Whether a bare number for a dimensional input is read in the selection's
// unit (the Python module) or refused for want of its unit (a keyword file).
thread_local bool bareNumbersRead = false;

float finiteReal(double v, std::string_view key) {
  // A value beyond the 32-bit range would become infinite.
  if (!std::isfinite(v) || std::fabs(v) > 3.0e38)
    throw Error{std::string(key) + " must be a finite number"};
  return static_cast<float>(v);
}

// A dimensional input: "VALUE UNIT" through the program's unit table, or a
// bare number where those are read. A ship speed is held in knots.
float quantityOf(const toml::node& node, std::string_view key, units::Kind kind,
                 bool knots = false) {
  const std::string unit(knots ? std::string_view("kn") : units::programUnit(kind));
  if (const auto text = node.value<std::string>()) {
    const units::Reading r = units::parse(*text, kind, key);
    if (const std::string* why = std::get_if<std::string>(&r)) throw Error{*why};
    if (!knots) return std::get<float>(r);
    // Knots from the number and its unit's factor, in double and rounded once.
    const size_t end = text->find_first_not_of("0123456789.+-eE \t");
    const std::string number = text->substr(0, end);
    std::string symbol = text->substr(number.size());
    const units::Unit* u = units::find(symbol);
    return finiteReal(std::strtod(number.c_str(), nullptr) * u->factor / 0.5144, key);
  }
  if (const auto v = node.value<double>()) {
    if (!bareNumbersRead) {
      // The digits as the unit table writes them, then the unit this input is held in.
      const std::string written = units::format(finiteReal(*v, key), kind);
      throw Error{std::string(key) + " needs its unit: write \"" +
                  written.substr(0, written.find(' ')) + " " + unit + "\" (" +
                  units::acceptedUnits(kind) + ")"};
    }
    return finiteReal(*v, key);
  }
  throw Error{std::string(key) + " must be a number with its unit (" + units::acceptedUnits(kind) +
              ")"};
}

// A dimensionless input, or one in a unit the unit table has no kind for.
float realOf(const toml::node& node, std::string_view key, std::string_view unit) {
  if (const auto v = node.value<double>()) return finiteReal(*v, key);
  throw Error{std::string(key) + " must be a number" +
              (unit.empty() ? std::string() : " in " + std::string(unit))};
}

int intOf(const toml::node& node, std::string_view key) {
  if (const auto v = node.value_exact<int64_t>()) {
    if (*v < -1000 || *v > 1000) throw Error{std::string(key) + " is out of range"};
    return static_cast<int>(*v);
  }
  throw Error{std::string(key) + " must be a whole number"};
}

template <class Read>
Bounds boundsOf(const toml::node& node, std::string_view key, Read read) {
  if (const toml::array* a = node.as_array()) {
    if (a->size() != 2) throw Error{std::string(key) + " must be a number or a range [low, high]"};
    return {read(*a->get(0)), read(*a->get(1))};
  }
  const float v = read(node);
  return {v, v};
}

std::string textOf(const toml::node& node, std::string_view key) {
  if (const auto s = node.value<std::string>()) return *s;
  throw Error{std::string(key) + " must be a text"};
}

}  // namespace

ParsedInputs parseSelection(const toml::table& table, bool bareNumbers) {
  bareNumbersRead = bareNumbers;
  ParsedInputs out;
  SelectionInputs in;
  try {
    // The pair taken apart by hand: clang 14 lets no lambda capture a
    // structured binding.
    for (const auto& entry : table) {
      const toml::node& node = entry.second;
      const std::string_view key = entry.first.str();
      auto real = [&](std::string_view unit) { return realOf(node, key, unit); };
      if (key == "problem" || key == "title") {
        continue;
      } else if (key == "series") {
        if (node.is_string()) {
          const std::string s = textOf(node, key);
          if (s == "wageningen")
            in.seriesType = Series::Wageningen;
          else if (s == "gawn")
            in.seriesType = Series::Gawn;
          else
            throw Error{"series must be \"wageningen\" or \"gawn\", not \"" + s + "\""};
        } else {
          in.seriesType = static_cast<Series>(intOf(node, key));
        }
      } else if (key == "thrust") {
        in.thrust = quantityOf(node, key, units::Kind::Force);
      } else if (key == "advance_speed") {
        in.advanceSpeed = quantityOf(node, key, units::Kind::Speed);
      } else if (key == "ship_speed") {
        in.shipSpeed = quantityOf(node, key, units::Kind::Speed, true);
      } else if (key == "resistance") {
        in.resistance = quantityOf(node, key, units::Kind::Force);
      } else if (key == "delivered_power") {
        in.deliveredPower = quantityOf(node, key, units::Kind::Power);
      } else if (key == "resistance_curve") {
        const toml::array* a = node.as_array();
        if (!a) throw Error{"resistance_curve must be a list of [speed in kn, resistance in kN]"};
        for (const toml::node& point : *a) {
          const toml::array* pair = point.as_array();
          if (!pair || pair->size() != 2)
            throw Error{"resistance_curve must be a list of [speed in kn, resistance in kN]"};
          in.resistanceCurve.push_back({quantityOf(*pair->get(0), key, units::Kind::Speed, true),
                                        quantityOf(*pair->get(1), key, units::Kind::Force)});
        }
      } else if (key == "wake_fraction") {
        in.wakeFraction = real("");
      } else if (key == "thrust_deduction") {
        in.thrustDeduction = real("");
      } else if (key == "propellers") {
        in.propellers = intOf(node, key);
      } else if (key == "diameter") {
        in.diameter = boundsOf(node, key, [&](const toml::node& n) {
          return quantityOf(n, key, units::Kind::Length);
        });
      } else if (key == "rpm") {
        in.rpm = boundsOf(node, key, [&](const toml::node& n) {
          return quantityOf(n, key, units::Kind::Rotation);
        });
      } else if (key == "pitch_ratio") {
        in.pitchRatio =
            boundsOf(node, key, [&](const toml::node& n) { return realOf(n, key, ""); });
      } else if (key == "area_ratio") {
        in.areaRatio = boundsOf(node, key, [&](const toml::node& n) { return realOf(n, key, ""); });
      } else if (key == "blades") {
        if (const toml::array* a = node.as_array()) {
          for (const toml::node& z : *a) in.blades.push_back(intOf(z, key));
        } else {
          in.blades.push_back(intOf(node, key));
        }
      } else if (key == "cavitation") {
        const std::string s = textOf(node, key);
        if (s == "burrill-2.5")
          in.cavitation = CavitationCriterion::Burrill25;
        else if (s == "burrill-5")
          in.cavitation = CavitationCriterion::Burrill5;
        else if (s == "burrill-upper-limit")
          in.cavitation = CavitationCriterion::BurrillUpper;
        else if (s == "keller")
          in.cavitation = CavitationCriterion::Keller;
        else if (s == "none")
          in.cavitation = CavitationCriterion::None;
        else
          throw Error{
              "cavitation must be \"burrill-2.5\", \"burrill-5\", "
              "\"burrill-upper-limit\", \"keller\" or \"none\", not \"" +
              s + "\""};
      } else if (key == "cavitation_margin") {
        in.cavitationMargin = real("");
      } else if (key == "shaft_depth") {
        in.shaftDepth = quantityOf(node, key, units::Kind::Length);
      } else if (key == "vapour_pressure") {
        in.vapourPressure = real("Pa");
      } else if (key == "atmospheric_pressure") {
        in.atmosphericPressure = real("Pa");
      } else if (key == "keller_allowance") {
        in.kellerAllowance = real("");
      } else if (key == "density") {
        in.density = quantityOf(node, key, units::Kind::Density);
      } else if (key == "kinematic_viscosity") {
        in.kinematicViscosity = real("m2/s");
      } else if (key == "correction") {
        const std::string s = textOf(node, key);
        if (s == "none")
          in.correction = SelectionCorrection::None;
        else if (s == "legacy")
          in.correction = SelectionCorrection::Legacy;
        else if (s == "ittc78")
          in.correction = SelectionCorrection::Ittc78;
        else if (s == "reynolds")
          in.correction = SelectionCorrection::Reynolds;
        else
          throw Error{
              "correction must be \"none\", \"ittc78\", \"reynolds\" or \"legacy\", not \"" + s +
              "\""};
      } else if (key == "gawn_model") {
        const std::string s = textOf(node, key);
        if (s == "legacy")
          in.gawnModel = GawnModel::Legacy;
        else if (s == "regression")
          in.gawnModel = GawnModel::Regression;
        else
          throw Error{"gawn_model must be \"legacy\" or \"regression\", not \"" + s + "\""};
      } else if (key == "relative_rotative_efficiency") {
        in.relativeRotativeEfficiency = real("");
      } else if (key == "shaft_efficiency") {
        in.shaftEfficiency = real("");
      } else if (key == "engine_power") {
        in.enginePower = quantityOf(node, key, units::Kind::Power);
      } else if (key == "engine_rpm") {
        in.engineRpm = quantityOf(node, key, units::Kind::Rotation);
      } else if (key == "gear_ratio") {
        if (node.is_string() && textOf(node, key) == "free")
          in.gearRatio.reset();
        else
          in.gearRatio = real("");
      } else if (key == "sea_margin") {
        in.seaMargin = real("%");
      } else if (key == "light_running_margin") {
        in.lightRunningMargin = real("%");
      } else if (key == "tip_speed_max") {
        in.tipSpeedMax = quantityOf(node, key, units::Kind::Speed);
      } else {
        throw Error{"unknown input '" + std::string(key) + "' for problem \"selection\""};
      }
    }
  } catch (const Error& e) {
    out.error = e.text;
    return out;
  }
  out.inputs = in;
  return out;
}

}  // namespace helisolv::selection

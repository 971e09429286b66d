// Every key is checked against the names the selection reads, so that a
// misspelt input is named rather than silently left at its default.
#include "selection/toml_inputs.hpp"

#include <cmath>
#include <set>
#include <string_view>

namespace helisolv::selection {

namespace {

struct Error {
  std::string text;
};

float realOf(const toml::node& node, std::string_view key, std::string_view unit) {
  if (const auto v = node.value<double>()) {
    // A value beyond the 32-bit range would become infinite.
    if (!std::isfinite(*v) || std::fabs(*v) > 3.0e38)
      throw Error{std::string(key) + " must be a finite number"};
    return static_cast<float>(*v);
  }
  if (node.is_string())
    throw Error{std::string(key) + ": give a number" +
                (unit.empty() ? std::string() : " in " + std::string(unit)) +
                " (a value with its unit is not read here yet)"};
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

Bounds boundsOf(const toml::node& node, std::string_view key, std::string_view unit) {
  if (const toml::array* a = node.as_array()) {
    if (a->size() != 2) throw Error{std::string(key) + " must be a number or a range [low, high]"};
    return {realOf(*a->get(0), key, unit), realOf(*a->get(1), key, unit)};
  }
  const float v = realOf(node, key, unit);
  return {v, v};
}

std::string textOf(const toml::node& node, std::string_view key) {
  if (const auto s = node.value<std::string>()) return *s;
  throw Error{std::string(key) + " must be a text"};
}

}  // namespace

ParsedInputs parseSelection(const toml::table& table) {
  ParsedInputs out;
  SelectionInputs in;
  try {
    for (const auto& [k, node] : table) {
      const std::string_view key = k.str();
      auto real = [&](std::string_view unit) { return realOf(node, key, unit); };
      if (key == "problem" || key == "title") {
        continue;
      } else if (key == "series") {
        if (node.is_string()) {
          const std::string s = textOf(node, key);
          if (s == "wageningen")
            in.seriesType = 1;
          else if (s == "gawn")
            in.seriesType = 2;
          else
            throw Error{"series must be \"wageningen\" or \"gawn\", not \"" + s + "\""};
        } else {
          in.seriesType = intOf(node, key);
        }
      } else if (key == "thrust") {
        in.thrust = real("kN");
      } else if (key == "advance_speed") {
        in.advanceSpeed = real("m/s");
      } else if (key == "ship_speed") {
        in.shipSpeed = real("kn");
      } else if (key == "resistance") {
        in.resistance = real("kN");
      } else if (key == "delivered_power") {
        in.deliveredPower = real("kW");
      } else if (key == "resistance_curve") {
        const toml::array* a = node.as_array();
        if (!a) throw Error{"resistance_curve must be a list of [speed in kn, resistance in kN]"};
        for (const toml::node& point : *a) {
          const toml::array* pair = point.as_array();
          if (!pair || pair->size() != 2)
            throw Error{"resistance_curve must be a list of [speed in kn, resistance in kN]"};
          in.resistanceCurve.push_back(
              {realOf(*pair->get(0), key, "kn"), realOf(*pair->get(1), key, "kN")});
        }
      } else if (key == "wake_fraction") {
        in.wakeFraction = real("");
      } else if (key == "thrust_deduction") {
        in.thrustDeduction = real("");
      } else if (key == "propellers") {
        in.propellers = intOf(node, key);
      } else if (key == "diameter") {
        in.diameter = boundsOf(node, key, "m");
      } else if (key == "rpm") {
        in.rpm = boundsOf(node, key, "rpm");
      } else if (key == "pitch_ratio") {
        in.pitchRatio = boundsOf(node, key, "");
      } else if (key == "area_ratio") {
        in.areaRatio = boundsOf(node, key, "");
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
        in.shaftDepth = real("m");
      } else if (key == "vapour_pressure") {
        in.vapourPressure = real("Pa");
      } else if (key == "atmospheric_pressure") {
        in.atmosphericPressure = real("Pa");
      } else if (key == "keller_allowance") {
        in.kellerAllowance = real("");
      } else if (key == "density") {
        in.density = real("kg/m3");
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
        in.enginePower = real("kW");
      } else if (key == "engine_rpm") {
        in.engineRpm = real("rpm");
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
        in.tipSpeedMax = real("m/s");
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

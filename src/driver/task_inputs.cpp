#include "driver/task_inputs.hpp"

#include <string_view>

namespace helisolv {

namespace {

// How a read error names each value: its name, the report's symbol and the unit.
constexpr std::string_view kThrust = "required thrust T, kN";
constexpr std::string_view kPower = "delivered power Pd, kW";
constexpr std::string_view kTorque = "required torque Q, kN m";
constexpr std::string_view kDiameter = "diameter D, m";
constexpr std::string_view kSpeed = "speed of advance Va, m/s";
constexpr std::string_view kRho = "water density RHO, kg/m3";
constexpr std::string_view kBlades = "blade number Z";
constexpr std::string_view kAreaRatio = "expanded area ratio Ae/Ao";
constexpr std::string_view kRpm = "revolutions N, rpm";
constexpr std::string_view kPitch = "pitch ratio P/D";
constexpr std::string_view kViscous = "viscous correction flag, 1 yes or 0 no";
constexpr std::string_view kDepth = "shaft depth Hs, m";

}  // namespace

std::vector<TaskInput> taskInputsOf(Task& r) {
  // An input is "given", a requirement of types 8 to 10 "required", so that
  // no input shares its name with a result.
  const TaskInput diameter{{&r.diameter, kDiameter}, "given diameter", "m"};
  const TaskInput speed{{&r.advanceSpeed, kSpeed}, "given speed of advance", "m/s"};
  const TaskInput rho{{&r.rho, kRho}, "given density", "kg/m3"};
  const TaskInput blades{{&r.bladeCount, kBlades}, "given blades"};
  const TaskInput areaRatio{{&r.areaRatio, kAreaRatio}, "given area ratio"};
  const TaskInput rpm{{&r.rpm, kRpm}, "given rpm", "1/min"};
  const TaskInput pitch{{&r.pitchRatio, kPitch}, "given pitch ratio"};
  const TaskInput viscous{{&r.viscousFlag, kViscous}, "given viscous flag"};
  const TaskInput thrust{{&r.thrust, kThrust}, "given thrust", "kN"};
  const TaskInput power{{&r.powerKW, kPower}, "given power", "kW"};
  switch (r.problemType) {
    case 1:
      return {thrust, diameter, speed, rho, blades, areaRatio};
    case 2:
      return {thrust, rpm, speed, rho, blades, areaRatio};
    case 3:
      return {power, speed, rpm, rho, blades, areaRatio};
    case 4:
      return {power,
              rpm,
              rho,
              blades,
              areaRatio,
              {{&r.bollardDiameter1, "first diameter D1, m"}, "given diameter 1", "m"},
              {{&r.bollardDiameter2, "second diameter D2, m"}, "given diameter 2", "m"},
              {{&r.bollardDiameter3, "third diameter D3, m"}, "given diameter 3", "m"}};
    case 5:
      return {pitch, blades, areaRatio};
    case 6:
      return {pitch, blades, areaRatio, rho, diameter, rpm, speed, viscous};
    case 7:
      return {{{&r.bp, "power coefficient Bp"}, "given Bp"},
              {{&r.delta, "advance coefficient delta"}, "given delta"},
              blades,
              areaRatio,
              rho,
              diameter,
              rpm,
              speed,
              viscous};
    case 8:
    case 9:
    case 10: {
      const TaskInput required[] = {{{&r.thrust, kThrust}, "required thrust", "kN"},
                                    {{&r.powerKW, kPower}, "required power", "kW"},
                                    {{&r.torqueKNm, kTorque}, "required torque", "kN m"}};
      return {required[r.problemType - 8],
              diameter,
              rpm,
              speed,
              rho,
              blades,
              areaRatio,
              viscous,
              {{&r.shaftDepth, kDepth}, "given shaft depth", "m"}};
    }
    default:
      return {};
  }
}

data::Cell cellOf(const Target& target) {
  if (const int* const* i = std::get_if<int*>(&target)) return **i;
  return *std::get<float*>(target);
}

}  // namespace helisolv

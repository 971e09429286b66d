// The selection of a propeller for a ship: blade number, diameter, area
// ratio, pitch ratio and revolutions chosen together for a duty (a thrust at a
// speed of advance, a ship speed with its resistance, or a delivered power
// with the resistance curve), against a cavitation criterion, with the
// speed-power curve of the chosen propeller and the engine's margins.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "helisolv/open_water.hpp"

namespace helisolv {

// A value that is either fixed (low == high) or free between two ends.
struct Bounds {
  float low = 0.0f;
  float high = 0.0f;
  bool fixed() const { return low == high; }
};

// Where the area ratio comes from when it is not given: the minimum of a
// cavitation criterion times the margin.
enum class CavitationCriterion {
  None,
  Burrill25,     // Burrill's 2.5 % back cavitation line
  Burrill5,      // Burrill's 5 % back cavitation line
  BurrillUpper,  // Burrill's recommended upper limit
  Keller,
};

// Which correction turns the series' model-scale coefficients into full-scale ones.
enum class SelectionCorrection { None, Legacy, Ittc78, Reynolds };

// One resistance curve point: ship speed in kn, total resistance in kN.
struct ResistancePoint {
  float speed = 0.0f;
  float resistance = 0.0f;
};

// Inputs in the units of the keyword task file: thrust and resistance kN,
// advance speed m/s, ship speed kn, powers kW, diameter and depths m,
// revolutions rpm, pressures Pa, margins in per cent. Thrust and delivered
// power are those of one propeller; the resistance is the ship's, shared by
// the propellers.
struct SelectionInputs {
  Series seriesType = Series::Wageningen;

  // The duty: thrust with advance speed; or ship speed with resistance (or
  // the resistance curve); or delivered power with the resistance curve.
  std::optional<float> thrust;
  std::optional<float> advanceSpeed;
  std::optional<float> shipSpeed;
  std::optional<float> resistance;
  std::optional<float> deliveredPower;
  std::vector<ResistancePoint> resistanceCurve;
  float wakeFraction = 0.0f;
  float thrustDeduction = 0.0f;
  int propellers = 1;

  // What is free: a diameter or revolutions given as bounds with low < high.
  std::optional<Bounds> diameter;
  std::optional<Bounds> rpm;
  std::optional<Bounds> pitchRatio;  // none: the series' range

  std::vector<int> blades;  // empty: 3 to 6 (B-series), 3 (Gawn)
  std::optional<Bounds> areaRatio;
  CavitationCriterion cavitation = CavitationCriterion::None;
  float cavitationMargin = 1.0f;
  float shaftDepth = 0.0f;
  // None: the constants of the program's blade-area checks (100000 Pa in the
  // cavitation number, 98300 Pa for atmospheric less vapour pressure in Keller's);
  // either given: atmospheric (default 101325 Pa) less vapour (default 0) in both.
  std::optional<float> vapourPressure;
  std::optional<float> atmosphericPressure;
  std::optional<float> kellerAllowance;  // none: 0.2 single screw, 0.1 twin screw

  float density = 1025.87f;                // kg/m3, sea water at 15 degC
  float kinematicViscosity = 1.18831e-6f;  // m2/s, sea water at 15 degC
  SelectionCorrection correction = SelectionCorrection::None;
  GawnModel gawnModel = GawnModel::Legacy;

  float relativeRotativeEfficiency = 1.0f;
  float shaftEfficiency = 1.0f;
  std::optional<float> enginePower;  // MCR, kW
  std::optional<float> engineRpm;
  std::optional<float> gearRatio;  // none: free (engine rpm / propeller rpm)
  float seaMargin = 15.0f;
  float lightRunningMargin = 5.0f;
  std::optional<float> tipSpeedMax;  // m/s
};

// What holds a propeller at a limit of the search.
struct ActiveConstraints {
  bool diameterAtLimit = false;  // at the aperture (the upper end) or the lower end
  bool areaRatioAtMinimum = false;
  bool rpmAtLimit = false;
  bool tipSpeedAtLimit = false;
  bool pitchAtSeriesEdge = false;
};

// The best propeller of one blade number, behind the ship.
struct SelectedPropeller {
  int blades = 0;
  float diameter = 0.0f;  // m
  float pitchRatio = 0.0f;
  float areaRatio = 0.0f;
  float advanceRatio = 0.0f;  // J
  float kt = 0.0f;
  float kq = 0.0f;
  float eta0 = 0.0f;
  float etaD = 0.0f;  // eta0 etaR (1 - t) / (1 - w)
  float rpm = 0.0f;
  float advanceSpeed = 0.0f;    // m/s
  float shipSpeed = 0.0f;       // kn; 0 where the duty has no ship speed
  float thrust = 0.0f;          // kN, of one propeller
  float deliveredPower = 0.0f;  // kW, of one propeller behind the ship
  float brakePower = 0.0f;      // kW
  float sigma07 = 0.0f;
  float tauC = 0.0f;
  std::optional<float> tauAllowed;        // the Burrill line's loading; none off the chart
  std::optional<float> minimumAreaRatio;  // the criterion's, without the margin
  float tipSpeed = 0.0f;                  // m/s
  ActiveConstraints active;
};

// One speed of the speed-power curve of the chosen propeller in calm water.
struct SpeedPowerPoint {
  float shipSpeed = 0.0f;   // kn
  float resistance = 0.0f;  // kN, of the ship
  float thrust = 0.0f;      // kN, of one propeller
  float advanceRatio = 0.0f;
  float rpm = 0.0f;
  float deliveredPower = 0.0f;  // kW, of one propeller
  float brakePower = 0.0f;      // kW, of one propeller
};

// The engine against the curve: the speed reached at MCR in calm water and
// in service (brake power raised by the sea margin), and the light-running
// margin, the calm-water rpm at MCR over the service rpm at MCR, less one.
struct EngineMatch {
  float mcr = 0.0f;
  std::optional<float> trialSpeed;    // kn
  std::optional<float> serviceSpeed;  // kn
  std::optional<float> trialRpm;
  std::optional<float> serviceRpm;
  std::optional<float> lightRunningMargin;  // per cent
  std::optional<float> engineRpm;           // the engine's rated rpm at the propeller
  std::optional<float> gearRatio;
};

struct SelectionResult {
  bool refused = false;
  std::string reason;  // why no propeller was selected
  std::vector<SelectedPropeller> perBlades;
  std::vector<std::string> perBladesNote;  // a refusal of one blade number, else empty
  std::optional<SelectedPropeller> chosen;
  std::vector<SpeedPowerPoint> speedPower;
  std::optional<EngineMatch> engine;
  std::vector<std::string> warnings;
};

// eta0 of the best propeller of a blade number at one area ratio, and
// whether the cavitation criterion admits it there.
struct AreaRatioPoint {
  int blades = 0;
  float areaRatio = 0.0f;
  float eta0 = 0.0f;
  bool admitted = false;
};

// Validates the inputs and selects; a refusal says which input or limit.
SelectionResult select(const SelectionInputs& inputs);

// The speed-power curve of a propeller over speeds (kn) of the resistance
// curve's range, in calm water; speeds the propeller cannot reach are left out.
std::vector<SpeedPowerPoint> speedPowerCurve(const SelectionInputs& inputs,
                                             const SelectedPropeller& propeller,
                                             const std::vector<float>& speeds);

// eta0 against area ratio for each blade number of a selection, at the
// selection's duty (for a power, at the chosen propeller's speed), the area
// ratio in steps of 0.05 over the series' range: what the choice of the area
// ratio weighed. Not part of select(), which it would slow down several times.
std::vector<AreaRatioPoint> areaRatioSweep(const SelectionInputs& inputs,
                                           const SelectionResult& result);

}  // namespace helisolv

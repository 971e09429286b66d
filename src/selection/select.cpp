// The selection as a whole: the inputs checked, the best propeller of each
// blade number for the duty (for a power, the speed it reaches), the choice,
// the speed-power curve of the chosen propeller and the engine against it,
// and the warnings of every limit that holds the design.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "problems/ground_warnings.hpp"
#include "selection/search.hpp"
#include "series/formulas.hpp"
#include "series/model_ranges.hpp"

namespace helisolv {

namespace selection {

namespace {

bool finite(float v) {
  return std::isfinite(v);
}

std::string fixed(float v, int decimals) {
  if (!std::isfinite(v)) return "****";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, static_cast<double>(v));
  return buffer;
}

// Checks a bounds input: finite, positive, low not above high.
std::string checkBounds(const Bounds& b, const char* name) {
  if (!finite(b.low) || !finite(b.high)) return std::string(name) + " must be a finite number";
  if (!(b.low > 0.0f)) return std::string(name) + " must be above zero";
  if (b.low > b.high)
    return std::string(name) + " range must run from low to high (" + fixed(b.low, 3) + " > " +
           fixed(b.high, 3) + ")";
  return {};
}

}  // namespace

Checked checkInputs(const SelectionInputs& in) {
  Checked out;
  auto refuse = [&](std::string why) {
    out.reason = std::move(why);
    return out;
  };
  Problem p;
  p.in = in;
  if (in.seriesType != Series::Wageningen && in.seriesType != Series::Gawn)
    return refuse("series must be 1 (Wageningen B-series) or 2 (Gawn series)");
  if (in.propellers != 1 && in.propellers != 2) return refuse("propellers must be 1 or 2");
  const float reals[] = {in.wakeFraction,
                         in.thrustDeduction,
                         in.density,
                         in.kinematicViscosity,
                         in.cavitationMargin,
                         in.shaftDepth,
                         in.relativeRotativeEfficiency,
                         in.shaftEfficiency,
                         in.seaMargin,
                         in.lightRunningMargin};
  for (float v : reals)
    if (!finite(v)) return refuse("every input must be a finite number");
  if (!(in.wakeFraction >= 0.0f && in.wakeFraction < 1.0f))
    return refuse("wake_fraction must lie from 0 up to (not including) 1");
  if (!(in.thrustDeduction >= 0.0f && in.thrustDeduction < 1.0f))
    return refuse("thrust_deduction must lie from 0 up to (not including) 1");
  if (!(in.density > 0.0f)) return refuse("density must be above zero");
  if (!(in.kinematicViscosity > 0.0f)) return refuse("kinematic_viscosity must be above zero");
  if (!(in.cavitationMargin > 0.0f)) return refuse("cavitation_margin must be above zero");
  if (!(in.relativeRotativeEfficiency > 0.0f && in.relativeRotativeEfficiency <= 1.5f))
    return refuse("relative_rotative_efficiency must lie above 0 and at most 1.5");
  if (!(in.shaftEfficiency > 0.0f && in.shaftEfficiency <= 1.0f))
    return refuse("shaft_efficiency must lie above 0 and at most 1");
  if (in.seaMargin < 0.0f || in.lightRunningMargin < 0.0f)
    return refuse("sea_margin and light_running_margin must not be negative");
  for (const std::optional<float>* v :
       {&in.enginePower, &in.engineRpm, &in.gearRatio, &in.tipSpeedMax, &in.thrust,
        &in.advanceSpeed, &in.shipSpeed, &in.resistance, &in.deliveredPower})
    if (*v && !(finite(**v) && **v > 0.0f))
      return refuse(
          "engine_power, engine_rpm, gear_ratio, tip_speed_max, thrust, advance_speed, "
          "ship_speed, resistance and delivered_power must be above zero where given");
  for (const std::optional<float>* v :
       {&in.vapourPressure, &in.atmosphericPressure, &in.kellerAllowance})
    if (*v && !finite(**v)) return refuse("every input must be a finite number");

  // The resistance curve: speeds rising, resistances above zero.
  for (size_t i = 0; i < in.resistanceCurve.size(); ++i) {
    const ResistancePoint& r = in.resistanceCurve[i];
    if (!finite(r.speed) || !finite(r.resistance) || !(r.speed > 0.0f) || !(r.resistance > 0.0f))
      return refuse("resistance_curve: every speed (kn) and resistance (kN) must be above zero");
    if (i > 0 && !(r.speed > in.resistanceCurve[i - 1].speed))
      return refuse("resistance_curve: the speeds must rise from point to point");
  }
  if (in.resistanceCurve.size() == 1) return refuse("resistance_curve needs at least two points");

  // The duty: one of three.
  const int duties =
      (in.thrust || in.advanceSpeed ? 1 : 0) + (in.shipSpeed ? 1 : 0) + (in.deliveredPower ? 1 : 0);
  if (duties == 0)
    return refuse(
        "no duty: give thrust and advance_speed, or ship_speed with resistance (or "
        "resistance_curve), or delivered_power with resistance_curve");
  if (duties > 1)
    return refuse("give one duty only: thrust and advance_speed, ship_speed, or delivered_power");
  if (in.thrust || in.advanceSpeed) {
    if (!in.thrust) return refuse("thrust (kN) is missing beside advance_speed");
    if (!in.advanceSpeed) return refuse("advance_speed (m/s) is missing beside thrust");
    p.mode = Problem::Mode::Thrust;
  } else if (in.shipSpeed) {
    if (!in.resistance && in.resistanceCurve.empty())
      return refuse("ship_speed needs resistance (kN) or resistance_curve");
    p.mode = Problem::Mode::ShipSpeed;
  } else {
    if (in.resistanceCurve.empty())
      return refuse("delivered_power needs resistance_curve for the speed it reaches");
    p.mode = Problem::Mode::Power;
  }

  // What is free.
  if (!in.diameter) return refuse("diameter is missing: a number (m) or a range [low, high]");
  if (auto why = checkBounds(*in.diameter, "diameter"); !why.empty()) return refuse(why);
  p.diameter = *in.diameter;
  if (in.rpm) {
    if (auto why = checkBounds(*in.rpm, "rpm"); !why.empty()) return refuse(why);
    p.rpm = *in.rpm;
  } else if (in.engineRpm && in.gearRatio) {
    const float n = *in.engineRpm / *in.gearRatio;
    p.rpm = {n, n};
  } else {
    return refuse("rpm is missing: a number, a range [low, high], or engine_rpm with gear_ratio");
  }
  if (p.diameter.fixed() && p.rpm.fixed())
    return refuse("nothing is free: give diameter or rpm as a range [low, high]");

  const SeriesLimits limits = seriesLimits(in.seriesType);
  const float pdTop = in.seriesType == Series::Wageningen ? 1.4f : 2.0f;
  p.pitch = in.pitchRatio.value_or(Bounds{limits.pdMin, pdTop});
  if (auto why = checkBounds(p.pitch, "pitch_ratio"); !why.empty()) return refuse(why);
  if (p.pitch.low < limits.pdMin || p.pitch.high > pdTop)
    return refuse("pitch_ratio must lie within the series' " + fixed(limits.pdMin, 1) + " to " +
                  fixed(pdTop, 1));
  if (p.pitch.fixed()) return refuse("pitch_ratio must be a range [low, high]: it is searched");
  p.earMin = in.seriesType == Series::Wageningen ? 0.3f : 0.2f;
  p.earMax = in.seriesType == Series::Wageningen ? 1.05f : 1.1f;
  if (in.areaRatio) {
    if (auto why = checkBounds(*in.areaRatio, "area_ratio"); !why.empty()) return refuse(why);
    if (in.areaRatio->low < p.earMin || in.areaRatio->high > p.earMax)
      return refuse("area_ratio must lie within the series' " + fixed(p.earMin, 2) + " to " +
                    fixed(p.earMax, 2));
  } else if (in.cavitation == CavitationCriterion::None) {
    return refuse(
        "area_ratio is missing: a number, a range [low, high], or cavitation "
        "(burrill-2.5, burrill-5, burrill-upper-limit or keller)");
  }

  p.blades = in.blades;
  if (p.blades.empty()) {
    if (in.seriesType == Series::Wageningen)
      p.blades = {3, 4, 5, 6};
    else
      p.blades = {3};
  }
  for (int z : p.blades) {
    if (in.seriesType == Series::Wageningen && (z < 2 || z > 7))
      return refuse("blades: the B-series has 2 to 7 blades, not " + std::to_string(z));
    if (in.seriesType == Series::Gawn && z != 3)
      return refuse("blades: the Gawn series has 3 blades, not " + std::to_string(z));
  }
  std::sort(p.blades.begin(), p.blades.end());
  p.blades.erase(std::unique(p.blades.begin(), p.blades.end()), p.blades.end());
  out.problem = p;
  return out;
}

namespace {

struct Warnings {
  std::vector<std::string>& list;
  void add(std::string text) {
    if (std::find(list.begin(), list.end(), text) == list.end()) list.push_back(std::move(text));
  }
};

// The speed reached with this power for one blade number: the speed of the
// curve at which the best propeller needs just that delivered power.
BladeResult bestForPower(const Problem& p, int blades, SearchNotes& notes) {
  const auto& curve = p.in.resistanceCurve;
  const float power = *p.in.deliveredPower;
  auto at = [&](float v) {
    return bestForBlades(p, blades, dutyAtSpeed(p, v, resistanceAt(curve, v)), notes);
  };
  float lo = curve.front().speed;
  float hi = curve.back().speed;
  BladeResult atLo = at(lo);
  if (!atLo.propeller) return atLo;
  if (atLo.propeller->deliveredPower > power) {
    atLo.propeller.reset();
    atLo.refusal = "the delivered power " + fixed(power, 1) + " kW is below the " +
                   fixed(atLo.propeller ? 0.0f : 0.0f, 0) + "power the curve's lowest speed needs";
    atLo.refusal = "the delivered power " + fixed(power, 1) +
                   " kW is less than the lowest speed of the resistance curve needs";
    return atLo;
  }
  BladeResult atHi = at(hi);
  if (atHi.propeller && atHi.propeller->deliveredPower <= power) {
    atHi.refusal.clear();
    return atHi;  // the curve ends below the speed the power would reach: said in a warning
  }
  // Halving the speed bracket 40 times puts the speed within 1e-12 of the
  // curve's range; the cap keeps a curve of no solution from looping. A
  // speed at which no propeller fits counts as one that needs too much.
  BladeResult best = atLo;
  for (int step = 0; step < 40 && hi - lo > 1e-5f; ++step) {
    const float mid = 0.5f * (lo + hi);
    BladeResult r = at(mid);
    if (r.propeller && r.propeller->deliveredPower <= power) {
      lo = mid;
      best = r;
    } else {
      hi = mid;
    }
  }
  return best;
}

void warnActive(const SelectedPropeller& s, const Problem& p, Warnings& w) {
  const std::string z = "Z = " + std::to_string(s.blades) + ": ";
  if (s.active.diameterAtLimit)
    w.add(z + "the diameter is held at " + fixed(s.diameter, 3) + " m, " +
          (std::fabs(s.diameter - p.diameter.high) < std::fabs(s.diameter - p.diameter.low)
               ? "the aperture (the upper end of its range)"
               : "the lower end of its range"));
  if (s.active.areaRatioAtMinimum)
    w.add(z + "the area ratio is held at the cavitation criterion's minimum " +
          fixed(s.areaRatio, 3));
  if (s.active.rpmAtLimit)
    w.add(z + "the revolutions are held at " + fixed(s.rpm, 1) + " rpm, an end of their range");
  if (s.active.tipSpeedAtLimit)
    w.add(z + "the revolutions are held by the tip-speed limit at " + fixed(s.tipSpeed, 2) +
          " m/s");
  if (s.active.pitchAtSeriesEdge)
    w.add(z + "the pitch ratio " + fixed(s.pitchRatio, 3) +
          " lies at the edge of the range searched; the optimum may lie outside the series");
}

void warnGround(const SelectedPropeller& s, const Problem& p, Warnings& w) {
  const std::string z = "Z = " + std::to_string(s.blades) + ": ";
  if (!areaRatioTested(p.in.seriesType, static_cast<float>(s.blades), s.areaRatio)) {
    const auto range = testedAreaRatios(p.in.seriesType, static_cast<float>(s.blades));
    w.add(z + "the area ratio " + fixed(s.areaRatio, 3) +
          " lies outside the range the series was tested at" +
          (range ? " (" + fixed(range->low, 2) + " to " + fixed(range->high, 2) + ")"
                 : std::string()) +
          "; the result is extrapolated");
  }
  if (p.in.cavitation != CavitationCriterion::None &&
      p.in.cavitation != CavitationCriterion::Keller && !s.tauAllowed)
    w.add(z + "the cavitation number sigma 0.7R = " + fixed(s.sigma07, 3) +
          " lies off Burrill's chart for the criterion's line");
  if (s.tipSpeed > 30.0f)
    w.add(z + "the tip speed " + fixed(s.tipSpeed, 2) +
          " m/s is above the 30 m/s advised; tip vortex cavitation is likely");
}

std::string bladeLabel(int z) {
  return "Z = " + std::to_string(z);
}

}  // namespace

}  // namespace selection

std::vector<SpeedPowerPoint> speedPowerCurve(const SelectionInputs& inputs,
                                             const SelectedPropeller& propeller,
                                             const std::vector<float>& speeds) {
  using namespace selection;
  std::vector<SpeedPowerPoint> out;
  const Checked checked = checkInputs(inputs);
  Problem p;
  if (checked.problem)
    p = *checked.problem;
  else
    p.in = inputs;
  SearchNotes notes;
  for (float v : speeds) {
    if (inputs.resistanceCurve.empty()) break;
    const float r = resistanceAt(inputs.resistanceCurve, v);
    const auto s = atDuty(p, propeller, dutyAtSpeed(p, v, r), notes);
    if (!s) continue;
    out.push_back({v, r, s->thrust, s->advanceRatio, s->rpm, s->deliveredPower, s->brakePower});
  }
  return out;
}

std::vector<AreaRatioPoint> areaRatioSweep(const SelectionInputs& inputs,
                                           const SelectionResult& result) {
  using namespace selection;
  std::vector<AreaRatioPoint> out;
  const Checked checked = checkInputs(inputs);
  if (!checked.problem || !result.chosen) return out;
  const Problem& p = *checked.problem;
  Duty duty;
  if (p.mode == Problem::Mode::Thrust) {
    duty.thrust = *inputs.thrust * 1000.0f;
    duty.advanceSpeed = *inputs.advanceSpeed;
  } else {
    const float v = result.chosen->shipSpeed;
    const float r = p.mode == Problem::Mode::ShipSpeed && inputs.resistance
                        ? *inputs.resistance
                        : resistanceAt(inputs.resistanceCurve, v);
    duty = dutyAtSpeed(p, v, r);
  }
  const int steps = static_cast<int>(std::lround((p.earMax - p.earMin) / 0.05f));
  for (int z : p.blades)
    for (int i = 0; i <= steps; ++i) {
      const float ear = i == steps ? p.earMax : p.earMin + 0.05f * static_cast<float>(i);
      const auto s = bestAtAreaRatio(p, z, ear, duty);
      if (s) out.push_back({z, ear, s->eta0, admitted(p, *s)});
    }
  return out;
}

SelectionResult select(const SelectionInputs& inputs) {
  using namespace selection;
  SelectionResult out;
  const Checked checked = checkInputs(inputs);
  if (!checked.problem) {
    out.refused = true;
    out.reason = checked.reason;
    return out;
  }
  const Problem& p = *checked.problem;
  Warnings w{out.warnings};
  SearchNotes notes;
  Duty duty;
  if (p.mode == Problem::Mode::Thrust) {
    duty.thrust = *inputs.thrust * 1000.0f;
    duty.advanceSpeed = *inputs.advanceSpeed;
  } else if (p.mode == Problem::Mode::ShipSpeed) {
    const float r = inputs.resistance ? *inputs.resistance
                                      : resistanceAt(inputs.resistanceCurve, *inputs.shipSpeed);
    duty = dutyAtSpeed(p, *inputs.shipSpeed, r);
  }
  std::vector<std::string> refusals;
  for (int z : p.blades) {
    const BladeResult r = p.mode == Problem::Mode::Power ? bestForPower(p, z, notes)
                                                         : bestForBlades(p, z, duty, notes);
    if (!r.propeller) {
      refusals.push_back(bladeLabel(z) + ": " + r.refusal);
      out.perBladesNote.push_back(r.refusal);
      SelectedPropeller empty;
      empty.blades = z;
      out.perBlades.push_back(empty);
      continue;
    }
    out.perBlades.push_back(*r.propeller);
    out.perBladesNote.emplace_back();
    // Power mode: the highest speed; otherwise the highest eta0 etaR.
    const bool better = !out.chosen || (p.mode == Problem::Mode::Power
                                            ? r.propeller->shipSpeed > out.chosen->shipSpeed
                                            : r.propeller->eta0 > out.chosen->eta0);
    if (better) out.chosen = *r.propeller;
  }
  if (!out.chosen) {
    out.refused = true;
    out.reason = "no propeller in the ranges delivers the duty";
    for (const std::string& why : refusals) out.reason += "; " + why;
    out.perBlades.clear();
    out.perBladesNote.clear();
    return out;
  }
  for (const SelectedPropeller& s : out.perBlades)
    if (s.diameter > 0.0f) warnActive(s, p, w);
  for (const SelectedPropeller& s : out.perBlades)
    if (s.diameter > 0.0f) warnGround(s, p, w);
  if (p.mode == Problem::Mode::Power &&
      out.chosen->shipSpeed >= inputs.resistanceCurve.back().speed)
    w.add(
        "the delivered power reaches beyond the resistance curve's highest speed; the speed "
        "shown is that end of the curve");

  if (!inputs.resistanceCurve.empty()) {
    std::vector<float> speeds;
    for (const ResistancePoint& r : inputs.resistanceCurve) speeds.push_back(r.speed);
    out.speedPower = speedPowerCurve(inputs, *out.chosen, speeds);
  }
  if (inputs.enginePower) {
    EngineMatch e;
    e.mcr = *inputs.enginePower;
    const float mcr = e.mcr;
    const float margin = 1.0f + inputs.seaMargin / 100.0f;
    // The speed at which the brake power, raised by a factor, meets MCR: 40
    // halvings of the curve's speed range; none where the curve does not get there.
    auto speedAt = [&](float factor) -> std::optional<SelectedPropeller> {
      if (inputs.resistanceCurve.empty()) return std::nullopt;
      float lo = inputs.resistanceCurve.front().speed;
      float hi = inputs.resistanceCurve.back().speed;
      auto at = [&](float v) {
        return atDuty(p, *out.chosen, dutyAtSpeed(p, v, resistanceAt(inputs.resistanceCurve, v)),
                      notes);
      };
      auto a = at(lo);
      auto b = at(hi);
      if (!a || !b || a->brakePower * factor > mcr || b->brakePower * factor < mcr)
        return std::nullopt;
      for (int step = 0; step < 40 && hi - lo > 1e-5f; ++step) {
        const float mid = 0.5f * (lo + hi);
        auto m = at(mid);
        if (m && m->brakePower * factor <= mcr) {
          lo = mid;
          a = m;
        } else {
          hi = mid;
        }
      }
      return a;
    };
    const auto trial = speedAt(1.0f);
    const auto service = speedAt(margin);
    if (trial) {
      e.trialSpeed = trial->shipSpeed;
      e.trialRpm = trial->rpm;
    }
    if (service) {
      e.serviceSpeed = service->shipSpeed;
      e.serviceRpm = service->rpm;
    }
    if (trial && service) e.lightRunningMargin = (trial->rpm / service->rpm - 1.0f) * 100.0f;
    if (inputs.engineRpm) {
      if (inputs.gearRatio) {
        e.gearRatio = *inputs.gearRatio;
      } else if (service) {
        e.gearRatio = *inputs.engineRpm / service->rpm;
      } else {
        e.gearRatio = *inputs.engineRpm / out.chosen->rpm;
      }
      e.engineRpm = *inputs.engineRpm / *e.gearRatio;
    }
    if (!inputs.resistanceCurve.empty() && (!trial || !service))
      w.add("the engine's MCR of " + fixed(mcr, 0) +
            " kW is not met within the resistance curve's speeds; the speed reached is not shown");
    if (out.chosen->brakePower > mcr)
      w.add("the chosen propeller needs a brake power of " + fixed(out.chosen->brakePower, 1) +
            " kW, above the engine's MCR of " + fixed(mcr, 1) + " kW");
    if (e.lightRunningMargin && *e.lightRunningMargin < inputs.lightRunningMargin)
      w.add("the light-running margin " + fixed(*e.lightRunningMargin, 1) + " % is below the " +
            fixed(inputs.lightRunningMargin, 1) + " % asked for");
    if (e.engineRpm && e.serviceRpm && *e.serviceRpm < *e.engineRpm * 0.97f)
      w.add("at MCR in service the propeller turns at " + fixed(*e.serviceRpm, 1) +
            " rpm, more than 3 % below the engine's rated " + fixed(*e.engineRpm, 1) +
            " rpm at the propeller: the propeller is heavy for the engine");
    out.engine = e;
  }
  if (notes.reynoldsClamped) w.add(reynoldsRangeWarning());
  if (notes.outsideGawnRegression)
    w.add("the Gawn-Burrill regression was evaluated outside its fitted ranges (" +
          gawnRegressionRangesText() + "); its values there are extrapolated");
  if (inputs.correction != SelectionCorrection::None && inputs.seriesType == Series::Gawn)
    w.add("the Gawn series is never scale-corrected: the correction asked for was not applied");
  if (inputs.shaftDepth < 0.0f)
    w.add("the shaft depth is negative: the shaft would be above the water");
  return out;
}

}  // namespace helisolv

// The search runs from the inside out. For a propeller of given blade number,
// area ratio and pitch ratio and one of diameter or revolutions fixed, the
// advance coefficient that delivers the thrust is a root of Kt(J) minus the
// Kt the thrust asks for at that J. Over the pitch ratio the most efficient
// root is searched on a grid and refined by golden sections, with the
// revolutions or diameter that follow from J held inside their bounds; with
// both free, the diameter is searched the same way around it; then the area
// ratio, over its range or from the cavitation criterion's minimum up; then
// every blade number. The criterion is the highest eta0 etaR: for one thrust
// at one speed it is the lowest delivered power.
#include "selection/search.hpp"

#include <algorithm>
#include <cmath>
#include <functional>

#include "problems/solvers.hpp"
#include "selection/cavitation.hpp"
#include "series/formulas.hpp"

namespace helisolv::selection {

namespace {

constexpr float kKnot = 0.5144f;  // m/s per knot, as the program converts

// The state of a trial propeller against the bounds of the variable that
// follows from its J (revolutions or diameter).
enum class Fit { Inside, Below, Above, NoRoot };

struct Operating {
  float j = 0.0f;
  float d = 0.0f;
  float n = 0.0f;  // rev/s
  float kt = 0.0f;
  float kq = 0.0f;
  float eta0 = 0.0f;
};

OpenWaterPoint evaluateAt(const Problem& p, const Propeller& prop, float j, float d, float n,
                          float va, SearchNotes& notes) {
  ScaleCorrection c;
  if (p.in.correction != SelectionCorrection::None) {
    c.viscousFlag = 1;
    c.method = p.in.correction == SelectionCorrection::Ittc78     ? ViscousCorrection::Ittc78
               : p.in.correction == SelectionCorrection::Reynolds ? ViscousCorrection::Reynolds
                                                                  : ViscousCorrection::Legacy;
    c.diameter = d;
    c.advanceSpeed = va;
    c.rpm = revsPerMinute(n);
    c.kinematicViscosity = p.in.kinematicViscosity;
  }
  const Evaluator evaluate{SeriesModel{p.in.seriesType, p.in.gawnModel}, c, nullptr};
  const OpenWaterPoint point = evaluate(prop, j);
  notes.reynoldsClamped = notes.reynoldsClamped || point.notes.reynoldsClamped;
  notes.outsideGawnRegression = notes.outsideGawnRegression || point.notes.outsideGawnRegression;
  return point;
}

// The J at which the propeller delivers the thrust, with the diameter fixed
// (revolutions Va / (J D)) or the revolutions fixed (diameter Va / (J n)).
std::optional<Operating> solveAdvance(const Problem& p, const Propeller& prop, const Duty& duty,
                                      bool diameterFixed, float fixed, SearchNotes& notes) {
  const float va = duty.advanceSpeed;
  const float rho = p.in.density;
  Operating op;
  auto at = [&](float j) {
    op.j = j;
    op.d = diameterFixed ? fixed : diameterFromAdvance(va, j, fixed);
    op.n = diameterFixed ? va / (j * fixed) : fixed;
    const OpenWaterPoint point = evaluateAt(p, prop, j, op.d, op.n, va, notes);
    op.kt = point.kt;
    op.kq = point.kq;
    op.eta0 = point.eta0;
    const float required = duty.thrust / (intPow(op.d, 4) * intPow(op.n, 2) * rho);
    return point.kt - required;
  };
  // The bracket: at J 0.01 the thrust asks almost no Kt of a propeller turning
  // that fast (or that large), and by J 2.5 every propeller of the series has
  // stopped giving thrust; a sign that does not change there has no root.
  float lo = 0.01f;
  float hi = 2.5f;
  float fLo = at(lo);
  float fHi = at(hi);
  if (!(fLo > 0.0f) || !(fHi < 0.0f)) return std::nullopt;
  // Illinois' false position: 80 steps are far more than the 32-bit J needs
  // (the bracket halves at least every third step); the cap keeps a function
  // that is not a number somewhere from looping.
  int side = 0;
  for (int step = 0; step < 80 && hi - lo > 1e-7f * hi; ++step) {
    float j = (lo * fHi - hi * fLo) / (fHi - fLo);
    if (!(j > lo && j < hi)) j = 0.5f * (lo + hi);
    const float f = at(j);
    if (f == 0.0f) return op;
    if (f > 0.0f) {
      lo = j;
      fLo = f;
      if (side == 1) fHi = 0.5f * fHi;
      side = 1;
    } else {
      hi = j;
      fHi = f;
      if (side == -1) fLo = 0.5f * fLo;
      side = -1;
    }
  }
  at(fLo < -fHi ? lo : hi);
  return op;
}

struct Trial {
  float pd = 0.0f;
  Fit fit = Fit::NoRoot;
  Operating op;
};

struct Choice {
  Trial trial;
  bool atLow = false;   // the following variable at its lower bound
  bool atHigh = false;  // at its upper bound
};

struct PitchSearch {
  const Problem& p;
  const Duty& duty;
  Propeller prop;
  bool diameterFixed;
  float fixed;
  float low;  // bounds of the following variable: rpm, or diameter in m
  float high;
  SearchNotes& notes;

  Trial trial(float pd) {
    Trial t;
    t.pd = pd;
    Propeller q = prop;
    q.pitchRatio = pd;
    const auto op = solveAdvance(p, q, duty, diameterFixed, fixed, notes);
    if (!op || !(op->eta0 > 0.0f)) return t;
    t.op = *op;
    const float v = diameterFixed ? revsPerMinute(op->n) : op->d;
    t.fit = v < low ? Fit::Below : (v > high ? Fit::Above : Fit::Inside);
    return t;
  }

  // The pitch ratio between a fitting trial and one that leaves a bound,
  // where the following variable meets the bound: 40 halvings put it within
  // 1e-12 of the grid step, below any 32-bit difference.
  Choice boundary(Trial in, Trial out) {
    for (int step = 0; step < 40 && std::fabs(out.pd - in.pd) > 1e-6f; ++step) {
      const Trial mid = trial(0.5f * (in.pd + out.pd));
      if (mid.fit == Fit::Inside)
        in = mid;
      else
        out = mid;
    }
    return {in, out.fit == Fit::Below, out.fit == Fit::Above};
  }

  // The most efficient fitting trial between a and b by golden sections; 30
  // sections shrink the interval to 1e-6 of its width, below the printed P/D.
  Trial golden(float a, float b, Trial best) {
    constexpr float r = 0.618034f;
    float x1 = b - r * (b - a);
    float x2 = a + r * (b - a);
    Trial t1 = trial(x1);
    Trial t2 = trial(x2);
    auto score = [](const Trial& t) { return t.fit == Fit::Inside ? t.op.eta0 : -1.0f; };
    for (int step = 0; step < 30 && b - a > 1e-6f; ++step) {
      if (score(t1) >= score(t2)) {
        b = x2;
        x2 = x1;
        t2 = t1;
        x1 = b - r * (b - a);
        t1 = trial(x1);
      } else {
        a = x1;
        x1 = x2;
        t1 = t2;
        x2 = a + r * (b - a);
        t2 = trial(x2);
      }
      if (score(t1) > score(best)) best = t1;
      if (score(t2) > score(best)) best = t2;
    }
    return best;
  }

  // The best fitting propeller over the pitch range, or the fits of the grid
  // when none fits.
  std::optional<Choice> best(std::vector<Fit>& fits) {
    const float pdLo = p.pitch.low;
    const float pdHi = p.pitch.high;
    const int steps = std::max(2, static_cast<int>(std::lround((pdHi - pdLo) / 0.1f)));
    std::vector<Trial> grid;
    for (int i = 0; i <= steps; ++i) {
      const float pd =
          i == steps ? pdHi
                     : pdLo + (pdHi - pdLo) * static_cast<float>(i) / static_cast<float>(steps);
      grid.push_back(trial(pd));
      fits.push_back(grid.back().fit);
    }
    std::vector<Choice> candidates;
    int bestIndex = -1;
    for (int i = 0; i <= steps; ++i) {
      if (grid[i].fit != Fit::Inside) continue;
      candidates.push_back({grid[i]});
      if (bestIndex < 0 || grid[i].op.eta0 > grid[bestIndex].op.eta0) bestIndex = i;
    }
    if (bestIndex < 0) return std::nullopt;
    float left = grid[bestIndex].pd;
    float right = left;
    for (int i = 0; i < steps; ++i) {
      const bool inA = grid[i].fit == Fit::Inside;
      const bool inB = grid[i + 1].fit == Fit::Inside;
      const bool boundA = grid[i].fit == Fit::Below || grid[i].fit == Fit::Above;
      const bool boundB = grid[i + 1].fit == Fit::Below || grid[i + 1].fit == Fit::Above;
      Choice edge;
      bool found = false;
      if (inA && boundB) {
        edge = boundary(grid[i], grid[i + 1]);
        found = true;
      } else if (inB && boundA) {
        edge = boundary(grid[i + 1], grid[i]);
        found = true;
      }
      if (found) candidates.push_back(edge);
      if (i + 1 == bestIndex) left = found ? edge.trial.pd : (inA ? grid[i].pd : left);
      if (i == bestIndex) right = found ? edge.trial.pd : (inB ? grid[i + 1].pd : right);
    }
    if (right > left) candidates.push_back({golden(left, right, grid[bestIndex])});
    const Choice* chosen = &candidates.front();
    for (const Choice& c : candidates)
      if (c.trial.op.eta0 > chosen->trial.op.eta0) chosen = &c;
    return *chosen;
  }
};

std::string number(float v, int decimals) {
  if (!std::isfinite(v)) return "****";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, static_cast<double>(v));
  return buffer;
}

// Why no pitch ratio fits: which bound every propeller of the range leaves.
std::string fitReason(const std::vector<Fit>& fits, bool diameterFixed, float fixed, float low,
                      float high, bool tipLimited, const Problem& p) {
  const bool allAbove =
      std::all_of(fits.begin(), fits.end(), [](Fit f) { return f == Fit::Above; });
  const bool allBelow =
      std::all_of(fits.begin(), fits.end(), [](Fit f) { return f == Fit::Below; });
  const std::string pitch =
      "pitch ratio " + number(p.pitch.low, 2) + " to " + number(p.pitch.high, 2);
  if (diameterFixed) {
    if (allAbove)
      return "the thrust needs more than " + number(high, 1) + " rpm" +
             (tipLimited ? " (the tip-speed limit)" : " (the upper rpm limit)") + " at diameter " +
             number(fixed, 3) + " m for every " + pitch;
    if (allBelow)
      return "the thrust needs less than " + number(low, 1) +
             " rpm (the lower rpm limit) at diameter " + number(fixed, 3) + " m for every " + pitch;
  } else {
    if (allAbove)
      return "the thrust needs a diameter above " + number(high, 3) + " m" +
             (tipLimited ? " (the tip-speed limit)" : " (the aperture)") + " at " +
             number(revsPerMinute(fixed), 1) + " rpm for every " + pitch;
    if (allBelow)
      return "the thrust needs a diameter below " + number(low, 3) +
             " m (the lower diameter limit) at " + number(revsPerMinute(fixed), 1) +
             " rpm for every " + pitch;
  }
  return "no propeller of " + pitch + " within the diameter and rpm ranges delivers the thrust";
}

struct AreaChoice {
  std::optional<SelectedPropeller> propeller;
  std::string refusal;
};

SelectedPropeller fromChoice(const Problem& p, int blades, float ear, const Choice& c,
                             const Duty& duty, SearchNotes& notes) {
  SelectedPropeller s;
  s.blades = blades;
  s.areaRatio = ear;
  s.pitchRatio = c.trial.pd;
  s.diameter = c.trial.op.d;
  s.rpm = revsPerMinute(c.trial.op.n);
  completeFigures(p, duty, s, notes);
  const bool edge = s.pitchRatio <= p.pitch.low + 1e-4f || s.pitchRatio >= p.pitch.high - 1e-4f;
  s.active.pitchAtSeriesEdge = edge;
  return s;
}

// The best propeller at one area ratio.
AreaChoice bestAtArea(const Problem& p, int blades, float ear, const Duty& duty,
                      SearchNotes& notes) {
  const Propeller prop{static_cast<float>(blades), ear, 0.0f};
  const std::optional<float> tip = p.in.tipSpeedMax;
  AreaChoice out;
  auto mark = [&](SelectedPropeller& s, const Choice& c, bool diameterFixed, bool tipBinds) {
    if (diameterFixed) {
      if (c.atHigh && tipBinds)
        s.active.tipSpeedAtLimit = true;
      else if (c.atLow || c.atHigh)
        s.active.rpmAtLimit = true;
    } else {
      if (c.atHigh && tipBinds)
        s.active.tipSpeedAtLimit = true;
      else if (c.atLow || c.atHigh)
        s.active.diameterAtLimit = true;
    }
  };
  // One of diameter and revolutions fixed: the pitch search alone.
  auto withDiameter = [&](float d, std::vector<Fit>& fits, bool& tipBinds) {
    float high = p.rpm.high;
    tipBinds = false;
    if (tip && *tip * 60.0f / (kPi * d) < high) {
      high = *tip * 60.0f / (kPi * d);
      tipBinds = true;
    }
    PitchSearch search{p, duty, prop, true, d, p.rpm.low, high, notes};
    return search.best(fits);
  };
  if (!p.diameter.fixed() && p.rpm.fixed()) {
    const float n = revsPerSecond(p.rpm.low);
    float high = p.diameter.high;
    bool tipBinds = false;
    if (tip && *tip / (kPi * n) < high) {
      high = *tip / (kPi * n);
      tipBinds = true;
    }
    PitchSearch search{p, duty, prop, false, n, p.diameter.low, high, notes};
    std::vector<Fit> fits;
    const auto c = search.best(fits);
    if (!c) {
      out.refusal = fitReason(fits, false, n, p.diameter.low, high, tipBinds, p);
      return out;
    }
    SelectedPropeller s = fromChoice(p, blades, ear, *c, duty, notes);
    mark(s, *c, false, tipBinds);
    out.propeller = s;
    return out;
  }
  if (p.diameter.fixed()) {
    std::vector<Fit> fits;
    bool tipBinds = false;
    const auto c = withDiameter(p.diameter.low, fits, tipBinds);
    if (!c) {
      float high = p.rpm.high;
      if (tipBinds) high = *tip * 60.0f / (kPi * p.diameter.low);
      out.refusal = fitReason(fits, true, p.diameter.low, p.rpm.low, high, tipBinds, p);
      return out;
    }
    SelectedPropeller s = fromChoice(p, blades, ear, *c, duty, notes);
    mark(s, *c, true, tipBinds);
    out.propeller = s;
    return out;
  }
  // Both free: the diameter on a grid of six steps, refined by golden
  // sections between the neighbours of the best (24 sections shrink a step
  // to 1e-5 of itself).
  struct AtDiameter {
    float d;
    std::optional<Choice> c;
    bool tipBinds = false;
    std::vector<Fit> fits;
  };
  auto at = [&](float d) {
    AtDiameter a{d, std::nullopt, false, {}};
    a.c = withDiameter(d, a.fits, a.tipBinds);
    return a;
  };
  auto score = [](const AtDiameter& a) { return a.c ? a.c->trial.op.eta0 : -1.0f; };
  const float dLo = p.diameter.low;
  const float dHi = p.diameter.high;
  constexpr int kSteps = 6;
  std::vector<AtDiameter> grid;
  for (int i = 0; i <= kSteps; ++i)
    grid.push_back(
        at(i == kSteps ? dHi
                       : dLo + (dHi - dLo) * static_cast<float>(i) / static_cast<float>(kSteps)));
  int bestIndex = -1;
  for (int i = 0; i <= kSteps; ++i)
    if (grid[i].c && (bestIndex < 0 || score(grid[i]) > score(grid[bestIndex]))) bestIndex = i;
  if (bestIndex < 0) {
    // Say what binds at the aperture, where the thrust is easiest to give.
    out.refusal = fitReason(grid.back().fits, true, dHi, p.rpm.low,
                            grid.back().tipBinds ? *tip * 60.0f / (kPi * dHi) : p.rpm.high,
                            grid.back().tipBinds, p);
    return out;
  }
  AtDiameter best = grid[bestIndex];
  float a = grid[std::max(0, bestIndex - 1)].d;
  float b = grid[std::min(kSteps, bestIndex + 1)].d;
  constexpr float r = 0.618034f;
  float x1 = b - r * (b - a);
  float x2 = a + r * (b - a);
  AtDiameter t1 = at(x1);
  AtDiameter t2 = at(x2);
  for (int step = 0; step < 24 && b - a > 1e-6f * b; ++step) {
    if (score(t1) >= score(t2)) {
      b = x2;
      x2 = x1;
      t2 = t1;
      x1 = b - r * (b - a);
      t1 = at(x1);
    } else {
      a = x1;
      x1 = x2;
      t1 = t2;
      x2 = a + r * (b - a);
      t2 = at(x2);
    }
    if (score(t1) > score(best)) best = t1;
    if (score(t2) > score(best)) best = t2;
  }
  SelectedPropeller s = fromChoice(p, blades, ear, *best.c, duty, notes);
  mark(s, *best.c, true, best.tipBinds);
  s.active.diameterAtLimit = best.d >= dHi * (1.0f - 1e-5f) || best.d <= dLo * (1.0f + 1e-5f);
  out.propeller = s;
  return out;
}

bool criterionHolds(const Problem& p, const SelectedPropeller& s) {
  return s.minimumAreaRatio && s.areaRatio >= p.in.cavitationMargin * *s.minimumAreaRatio;
}

}  // namespace

float resistanceAt(const std::vector<ResistancePoint>& curve, float speed) {
  if (curve.size() == 1) return curve.front().resistance;
  size_t i = 1;
  while (i + 1 < curve.size() && curve[i].speed < speed) ++i;
  const ResistancePoint& a = curve[i - 1];
  const ResistancePoint& b = curve[i];
  // A power law R = c V^k through the two points, formed in double and
  // rounded once; a zero end falls back to a straight line.
  if (a.speed > 0.0f && b.speed > 0.0f && a.resistance > 0.0f && b.resistance > 0.0f) {
    const double ra = a.resistance, rb = b.resistance, va = a.speed, vb = b.speed;
    const double k = std::log(rb / ra) / std::log(vb / va);
    return static_cast<float>(ra * std::pow(static_cast<double>(speed) / va, k));
  }
  const float t = (speed - a.speed) / (b.speed - a.speed);
  return a.resistance + t * (b.resistance - a.resistance);
}

Duty dutyAtSpeed(const Problem& p, float shipSpeed, float resistance) {
  Duty d;
  d.shipSpeed = shipSpeed;
  d.advanceSpeed = shipSpeed * kKnot * (1.0f - p.in.wakeFraction);
  d.thrust =
      resistance * 1000.0f / (static_cast<float>(p.in.propellers) * (1.0f - p.in.thrustDeduction));
  return d;
}

void completeFigures(const Problem& p, const Duty& duty, SelectedPropeller& s, SearchNotes& notes) {
  const float n = revsPerSecond(s.rpm);
  const float d = s.diameter;
  const float rho = p.in.density;
  s.advanceSpeed = duty.advanceSpeed;
  s.shipSpeed = duty.shipSpeed;
  s.advanceRatio = advanceCoefficient(duty.advanceSpeed, n, d);
  const Propeller prop{static_cast<float>(s.blades), s.areaRatio, s.pitchRatio};
  const OpenWaterPoint point = evaluateAt(p, prop, s.advanceRatio, d, n, duty.advanceSpeed, notes);
  s.kt = point.kt;
  s.kq = point.kq;
  s.eta0 = point.eta0;
  const float etaR = p.in.relativeRotativeEfficiency;
  const float hull = (1.0f - p.in.thrustDeduction) / (1.0f - p.in.wakeFraction);
  s.etaD = s.eta0 * etaR * hull;
  s.thrust = s.kt * intPow(d, 4) * intPow(n, 2) * rho / 1000.0f;
  const float torque = s.kq * intPow(d, 5) * intPow(n, 2) * rho;
  s.deliveredPower = deliveredPowerKW(torque, n) / etaR;
  s.brakePower = s.deliveredPower / p.in.shaftEfficiency;
  const CavitationFigures f = cavitationFigures(p.in, s.blades, d, s.rpm, duty.advanceSpeed,
                                                s.thrust, s.pitchRatio, s.areaRatio);
  s.sigma07 = f.sigma;
  s.tauC = f.tauC;
  s.tipSpeed = f.tipSpeed;
  const CriterionMinimum m = criterionMinimum(p.in.cavitation, f);
  s.minimumAreaRatio = m.minimumAreaRatio;
  s.tauAllowed = m.allowedLoading;
  if (p.in.cavitation == CavitationCriterion::None) s.tauAllowed = f.tau5;
}

BladeResult bestForBlades(const Problem& p, int blades, const Duty& duty, SearchNotes& notes) {
  BladeResult out;
  auto at = [&](float ear) { return bestAtArea(p, blades, ear, duty, notes); };
  auto usable = [&](const AreaChoice& c) {
    return c.propeller &&
           (p.in.cavitation == CavitationCriterion::None || criterionHolds(p, *c.propeller));
  };
  float lo = p.earMin;
  float hi = p.earMax;
  if (p.in.areaRatio) {
    lo = p.in.areaRatio->low;
    hi = p.in.areaRatio->high;
  }
  if (lo == hi) {
    AreaChoice c = at(lo);
    if (!c.propeller) {
      out.refusal = c.refusal;
      return out;
    }
    if (!usable(c)) {
      out.refusal = "the area ratio " + number(lo, 3) +
                    " is below the cavitation criterion's minimum " +
                    (c.propeller->minimumAreaRatio ? number(*c.propeller->minimumAreaRatio, 3)
                                                   : "(off the chart)") +
                    " times the margin";
      return out;
    }
    out.propeller = c.propeller;
    return out;
  }
  // The lowest area ratio the criterion admits: the grid of 0.05 from the
  // lower end up, then 20 halvings of the step where it starts to hold (the
  // minimum moves with the propeller chosen at each area ratio).
  AreaChoice lower = at(lo);
  bool atMinimum = false;
  if (p.in.cavitation != CavitationCriterion::None && !usable(lower)) {
    const int steps = std::max(1, static_cast<int>(std::ceil((hi - lo) / 0.05f)));
    float failed = lo;
    bool found = false;
    std::string refusal = lower.refusal;
    for (int i = 1; i <= steps; ++i) {
      const float ear =
          i == steps ? hi : lo + (hi - lo) * static_cast<float>(i) / static_cast<float>(steps);
      AreaChoice c = at(ear);
      if (usable(c)) {
        float good = ear;
        lower = c;
        for (int k = 0; k < 20 && good - failed > 1e-5f; ++k) {
          const float mid = 0.5f * (good + failed);
          AreaChoice m = at(mid);
          if (usable(m)) {
            good = mid;
            lower = m;
          } else {
            failed = mid;
          }
        }
        found = true;
        break;
      }
      if (!c.propeller) refusal = c.refusal;
      failed = ear;
    }
    if (!found) {
      out.refusal = lower.propeller || refusal.empty()
                        ? "the cavitation criterion asks an area ratio above " + number(hi, 3) +
                              ", the largest of the range"
                        : refusal;
      return out;
    }
    atMinimum = true;
    lo = lower.propeller->areaRatio;
  }
  // The most efficient admitted area ratio: a grid of 0.05 steps from the
  // lower end, then golden sections between the neighbours of the best (20
  // sections shrink a step to 1e-5 of itself).
  auto score = [&](const AreaChoice& c) { return usable(c) ? c.propeller->eta0 : -1.0f; };
  const int steps = std::max(1, static_cast<int>(std::ceil((hi - lo) / 0.05f)));
  std::vector<std::pair<float, AreaChoice>> grid;
  grid.push_back({lo, lower});
  for (int i = 1; i <= steps; ++i) {
    const float ear =
        i == steps ? hi : lo + (hi - lo) * static_cast<float>(i) / static_cast<float>(steps);
    grid.push_back({ear, at(ear)});
  }
  int bestIndex = -1;
  for (int i = 0; i <= steps; ++i)
    if (score(grid[i].second) > 0.0f &&
        (bestIndex < 0 || score(grid[i].second) > score(grid[bestIndex].second)))
      bestIndex = i;
  if (bestIndex < 0) {
    for (const auto& g : grid)
      if (!g.second.propeller && !g.second.refusal.empty()) {
        out.refusal = g.second.refusal;
        return out;
      }
    out.refusal = "no area ratio of the range meets the cavitation criterion";
    return out;
  }
  AreaChoice best = grid[bestIndex].second;
  float a = grid[std::max(0, bestIndex - 1)].first;
  float b = grid[std::min(steps, bestIndex + 1)].first;
  constexpr float r = 0.618034f;
  float x1 = b - r * (b - a);
  float x2 = a + r * (b - a);
  AreaChoice t1 = at(x1);
  AreaChoice t2 = at(x2);
  for (int step = 0; step < 20 && b - a > 1e-5f; ++step) {
    if (score(t1) >= score(t2)) {
      b = x2;
      x2 = x1;
      t2 = t1;
      x1 = b - r * (b - a);
      t1 = at(x1);
    } else {
      a = x1;
      x1 = x2;
      t1 = t2;
      x2 = a + r * (b - a);
      t2 = at(x2);
    }
    if (score(t1) > score(best)) best = t1;
    if (score(t2) > score(best)) best = t2;
  }
  out.propeller = best.propeller;
  out.propeller->active.areaRatioAtMinimum = atMinimum && out.propeller->areaRatio <= lo + 1e-4f;
  return out;
}

std::optional<SelectedPropeller> atDuty(const Problem& p, const SelectedPropeller& geometry,
                                        const Duty& duty, SearchNotes& notes) {
  const Propeller prop{static_cast<float>(geometry.blades), geometry.areaRatio,
                       geometry.pitchRatio};
  const auto op = solveAdvance(p, prop, duty, true, geometry.diameter, notes);
  if (!op) return std::nullopt;
  SelectedPropeller s = geometry;
  s.rpm = revsPerMinute(op->n);
  completeFigures(p, duty, s, notes);
  return s;
}

}  // namespace helisolv::selection

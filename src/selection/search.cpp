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
  // Without a diameter and revolutions there is nothing to scale to yet.
  if (p.in.correction != SelectionCorrection::None && d > 0.0f && n > 0.0f) {
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
                                      bool diameterFixed, float fixed) {
  const float va = duty.advanceSpeed;
  const float rho = p.in.density;
  Operating op;
  auto at = [&](float j) {
    op.j = j;
    op.d = diameterFixed ? fixed : diameterFromAdvance(va, j, fixed);
    op.n = diameterFixed ? va / (j * fixed) : fixed;
    // The trial points of the bracket lie far outside any propeller's ground;
    // only the chosen one's notes count.
    SearchNotes trialNotes;
    const OpenWaterPoint point = evaluateAt(p, prop, j, op.d, op.n, va, trialNotes);
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

// Which bound a trial leaves or is held at.
enum class Limit { None, Diameter, Rpm, TipSpeed };

struct Trial {
  float x = 0.0f;  // the variable searched: P/D, or J
  float pd = 0.0f;
  Fit fit = Fit::NoRoot;
  Limit limit = Limit::None;  // the bound left (fit Below or Above) or held at
  bool atLow = false;         // held at the lower bound of a following variable
  bool atHigh = false;        // at its upper bound
  Operating op;
};

// The most efficient fitting trial over [lo, hi]: a grid of steps, the points
// where the fit changes found by halving, then golden sections between the
// best grid point's neighbours (or those points). tolerance is the width at
// which the halving and the sections stop.
class LineSearch {
 public:
  LineSearch(std::function<Trial(float)> trial, float tolerance)
      : trial_(std::move(trial)), tolerance_(tolerance) {}

  std::optional<Trial> best(float lo, float hi, int steps, std::vector<Trial>& grid) {
    for (int i = 0; i <= steps; ++i) {
      const float x =
          i == steps ? hi : lo + (hi - lo) * static_cast<float>(i) / static_cast<float>(steps);
      grid.push_back(trial_(x));
    }
    std::vector<Trial> candidates;
    int bestIndex = -1;
    for (int i = 0; i <= steps; ++i) {
      if (grid[i].fit != Fit::Inside) continue;
      candidates.push_back(grid[i]);
      if (bestIndex < 0 || grid[i].op.eta0 > grid[bestIndex].op.eta0) bestIndex = i;
    }
    if (bestIndex < 0) return std::nullopt;
    float left = grid[bestIndex].x;
    float right = left;
    for (int i = 0; i < steps; ++i) {
      const bool inA = grid[i].fit == Fit::Inside;
      const bool inB = grid[i + 1].fit == Fit::Inside;
      const bool boundA = grid[i].fit == Fit::Below || grid[i].fit == Fit::Above;
      const bool boundB = grid[i + 1].fit == Fit::Below || grid[i + 1].fit == Fit::Above;
      std::optional<Trial> edge;
      if (inA && boundB) edge = boundary(grid[i], grid[i + 1]);
      if (inB && boundA) edge = boundary(grid[i + 1], grid[i]);
      if (edge) candidates.push_back(*edge);
      if (i + 1 == bestIndex) left = edge ? edge->x : (inA ? grid[i].x : left);
      if (i == bestIndex) right = edge ? edge->x : (inB ? grid[i + 1].x : right);
    }
    if (right > left) candidates.push_back(golden(left, right, grid[bestIndex]));
    const Trial* chosen = &candidates.front();
    for (const Trial& c : candidates)
      if (c.op.eta0 > chosen->op.eta0) chosen = &c;
    return *chosen;
  }

 private:
  // Where the following variable meets the bound the outer trial leaves, to a
  // hundredth of the tolerance so that a bound held is met to its printed
  // digits: 40 halvings are more than that needs.
  Trial boundary(Trial in, Trial out) {
    for (int step = 0; step < 40 && std::fabs(out.x - in.x) > 0.01f * tolerance_; ++step) {
      const Trial mid = trial_(0.5f * (in.x + out.x));
      if (mid.fit == Fit::Inside)
        in = mid;
      else
        out = mid;
    }
    if (out.fit == Fit::Below || out.fit == Fit::Above) {
      in.limit = out.limit;
      in.atLow = out.fit == Fit::Below;
      in.atHigh = out.fit == Fit::Above;
    }
    return in;
  }

  // Golden sections of [a, b]; 40 are more than any tolerance here needs.
  Trial golden(float a, float b, Trial best) {
    constexpr float r = 0.618034f;
    float x1 = b - r * (b - a);
    float x2 = a + r * (b - a);
    Trial t1 = trial_(x1);
    Trial t2 = trial_(x2);
    auto score = [](const Trial& t) { return t.fit == Fit::Inside ? t.op.eta0 : -1.0f; };
    for (int step = 0; step < 40 && b - a > tolerance_; ++step) {
      if (score(t1) >= score(t2)) {
        b = x2;
        x2 = x1;
        t2 = t1;
        x1 = b - r * (b - a);
        t1 = trial_(x1);
      } else {
        a = x1;
        x1 = x2;
        t1 = t2;
        x2 = a + r * (b - a);
        t2 = trial_(x2);
      }
      if (score(t1) > score(best)) best = t1;
      if (score(t2) > score(best)) best = t2;
    }
    return best;
  }

  std::function<Trial(float)> trial_;
  float tolerance_;
};

// The grid over the pitch range: steps of about 0.1.
int pitchSteps(const Problem& p) {
  return std::max(2, static_cast<int>(std::lround((p.pitch.high - p.pitch.low) / 0.1f)));
}

// The propeller of this P/D and J with both diameter and revolutions free:
// the thrust fixes D = J (T / (rho Va^2 Kt))^0.5, and n = Va / (J D). A
// correction depends on D and n in turn: the fixed point is iterated until D
// settles to 1e-6 (its change falls tenfold a step; 12 steps is the cap).
std::optional<Operating> freeOperating(const Problem& p, const Propeller& prop, const Duty& duty,
                                       float j) {
  const float va = duty.advanceSpeed;
  const float rho = p.in.density;
  Operating op;
  op.j = j;
  float d = 0.0f;
  SearchNotes trialNotes;
  for (int step = 0; step < 12; ++step) {
    const float n = d > 0.0f ? va / (j * d) : 0.0f;
    const OpenWaterPoint point = evaluateAt(p, prop, j, d, n, va, trialNotes);
    if (!(point.kt > 0.0f)) return std::nullopt;
    op.kt = point.kt;
    op.kq = point.kq;
    op.eta0 = point.eta0;
    const float next = j * realPow(duty.thrust / (rho * va * va * point.kt), 0.5f);
    const bool settled = std::fabs(next - d) <= 1e-6f * next;
    d = next;
    if (settled || p.in.correction == SelectionCorrection::None) break;
  }
  op.d = d;
  op.n = va / (j * d);
  return op;
}

std::string number(float v, int decimals) {
  if (!std::isfinite(v)) return "****";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, static_cast<double>(v));
  return buffer;
}

// Why no propeller fits: which bound every trial of the range leaves.
std::string fitReason(const std::vector<Trial>& grid, const Problem& p, const std::string& where) {
  auto all = [&](Fit f, Limit l) {
    return !grid.empty() && std::all_of(grid.begin(), grid.end(), [&](const Trial& t) {
      return t.fit == f && (l == Limit::None || t.limit == l);
    });
  };
  const std::string pitch =
      " for every pitch ratio " + number(p.pitch.low, 2) + " to " + number(p.pitch.high, 2);
  const std::optional<float> tip = p.in.tipSpeedMax;
  if (all(Fit::Above, Limit::Rpm) || all(Fit::Below, Limit::Rpm)) {
    const bool above = grid.front().fit == Fit::Above;
    return "the thrust needs " + std::string(above ? "more than " : "less than ") +
           number(above ? p.rpm.high : p.rpm.low, 1) + " rpm (the " + (above ? "upper" : "lower") +
           " rpm limit)" + where + pitch;
  }
  if (all(Fit::Above, Limit::Diameter) || all(Fit::Below, Limit::Diameter)) {
    const bool above = grid.front().fit == Fit::Above;
    return "the thrust needs a diameter " + std::string(above ? "above " : "below ") +
           number(above ? p.diameter.high : p.diameter.low, 3) + " m (" +
           (above ? "the aperture" : "the lower diameter limit") + ")" + where + pitch;
  }
  if (tip && all(Fit::Above, Limit::TipSpeed))
    return "the thrust needs a tip speed above the limit of " + number(*tip, 1) + " m/s" + where +
           pitch;
  return "no propeller within the diameter, rpm and pitch ranges delivers the thrust" + where;
}

struct AreaChoice {
  std::optional<SelectedPropeller> propeller;
  std::string refusal;
};

SelectedPropeller fromTrial(const Problem& p, int blades, float ear, const Trial& t,
                            const Duty& duty, SearchNotes& notes) {
  SelectedPropeller s;
  s.blades = blades;
  s.areaRatio = ear;
  s.pitchRatio = t.pd;
  s.diameter = t.op.d;
  s.rpm = revsPerMinute(t.op.n);
  completeFigures(p, duty, s, notes);
  s.active.pitchAtSeriesEdge =
      s.pitchRatio <= p.pitch.low + 1e-4f || s.pitchRatio >= p.pitch.high - 1e-4f;
  // A propeller held at a bound is given that bound exactly: the search
  // found it to its tolerance only.
  if (!p.diameter.fixed() && !p.rpm.fixed() && (t.atLow || t.atHigh) &&
      (t.limit == Limit::Diameter || t.limit == Limit::Rpm)) {
    const bool diameter = t.limit == Limit::Diameter;
    const float bound = diameter ? (t.atLow ? p.diameter.low : p.diameter.high)
                                 : revsPerSecond(t.atLow ? p.rpm.low : p.rpm.high);
    const Propeller prop{static_cast<float>(blades), ear, t.pd};
    if (const auto op = solveAdvance(p, prop, duty, diameter, bound)) {
      s.diameter = op->d;
      s.rpm = revsPerMinute(op->n);
      completeFigures(p, duty, s, notes);
    }
  }
  if (t.atLow || t.atHigh) {
    s.active.diameterAtLimit = t.limit == Limit::Diameter;
    s.active.rpmAtLimit = t.limit == Limit::Rpm;
    s.active.tipSpeedAtLimit = t.limit == Limit::TipSpeed;
  }
  return s;
}

// The best propeller at one area ratio.
AreaChoice bestAtArea(const Problem& p, int blades, float ear, const Duty& duty,
                      SearchNotes& notes) {
  const Propeller prop{static_cast<float>(blades), ear, 0.0f};
  const std::optional<float> tip = p.in.tipSpeedMax;
  // How a propeller's diameter (m) and revolutions (rev/s) stand against
  // their bounds and the tip-speed limit.
  auto fitOf = [&](Trial& t) {
    const float rpm = revsPerMinute(t.op.n);
    const float d = t.op.d;
    t.fit = Fit::Inside;
    if (d < p.diameter.low) {
      t.fit = Fit::Below;
      t.limit = Limit::Diameter;
    } else if (d > p.diameter.high) {
      t.fit = Fit::Above;
      t.limit = Limit::Diameter;
    } else if (rpm < p.rpm.low) {
      t.fit = Fit::Below;
      t.limit = Limit::Rpm;
    } else if (rpm > p.rpm.high) {
      t.fit = Fit::Above;
      t.limit = Limit::Rpm;
    } else if (tip && tipSpeed(d, t.op.n) > *tip) {
      t.fit = Fit::Above;
      t.limit = Limit::TipSpeed;
    }
  };
  AreaChoice out;
  std::vector<Trial> grid;
  std::optional<Trial> best;
  std::string where;
  if (p.diameter.fixed() || p.rpm.fixed()) {
    // One of them fixed: for each P/D the J that delivers the thrust.
    const bool diameterFixed = p.diameter.fixed();
    const float fixed = diameterFixed ? p.diameter.low : revsPerSecond(p.rpm.low);
    where = diameterFixed ? " at diameter " + number(fixed, 3) + " m"
                          : " at " + number(p.rpm.low, 1) + " rpm";
    LineSearch pitch(
        [&](float pd) {
          Trial t;
          t.x = pd;
          t.pd = pd;
          Propeller q = prop;
          q.pitchRatio = pd;
          const auto op = solveAdvance(p, q, duty, diameterFixed, fixed);
          if (!op || !(op->eta0 > 0.0f)) return t;
          t.op = *op;
          fitOf(t);
          return t;
        },
        1e-4f);
    best = pitch.best(p.pitch.low, p.pitch.high, pitchSteps(p), grid);
  } else {
    // Both free: for each P/D the most efficient J whose D and n fit, the J
    // on a grid of 0.1 from 0.05 to 2.45 (beyond, no propeller of the series
    // gives thrust) refined to 1e-5.
    LineSearch pitch(
        [&](float pd) {
          Propeller q = prop;
          q.pitchRatio = pd;
          LineSearch advance(
              [&](float j) {
                Trial t;
                t.x = j;
                t.pd = pd;
                const auto op = freeOperating(p, q, duty, j);
                if (!op || !(op->eta0 > 0.0f)) return t;
                t.op = *op;
                fitOf(t);
                return t;
              },
              1e-5f);
          std::vector<Trial> js;
          std::optional<Trial> b = advance.best(0.05f, 2.45f, 24, js);
          if (b) {
            b->x = pd;
            return *b;
          }
          // None fits: the bound the fitting side of the grid leaves.
          Trial t;
          t.x = pd;
          t.pd = pd;
          for (const Trial& j : js)
            if (j.fit == Fit::Below || j.fit == Fit::Above) t = j;
          t.x = pd;
          return t;
        },
        1e-4f);
    best = pitch.best(p.pitch.low, p.pitch.high, pitchSteps(p), grid);
  }
  if (!best) {
    out.refusal = fitReason(grid, p, where);
    return out;
  }
  out.propeller = fromTrial(p, blades, ear, *best, duty, notes);
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
  // Without a Burrill criterion the 5 % line is the loading shown for reference.
  if (p.in.cavitation == CavitationCriterion::None ||
      p.in.cavitation == CavitationCriterion::Keller)
    s.tauAllowed = f.tau5;
}

BladeResult bestForBlades(const Problem& p, int blades, const Duty& duty, SearchNotes& notes) {
  BladeResult out;
  // The candidates' notes are not the run's: only the chosen propeller's are.
  SearchNotes candidateNotes;
  auto at = [&](float ear) { return bestAtArea(p, blades, ear, duty, candidateNotes); };
  auto noted = [&](BladeResult r) {
    if (r.propeller) {
      const ActiveConstraints active = r.propeller->active;
      completeFigures(p, duty, *r.propeller, notes);
      r.propeller->active = active;
    }
    return r;
  };
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
    return noted(out);
  }
  // The lowest area ratio the criterion admits: the grid of 0.05 from the
  // lower end up, then 20 halvings of the step where it starts to hold (the
  // minimum moves with the propeller chosen at each area ratio).
  AreaChoice lower = at(lo);
  bool atMinimum = false;
  if (p.in.cavitation != CavitationCriterion::None && !usable(lower) && lower.propeller &&
      lower.propeller->minimumAreaRatio) {
    // The minimum moves little with the area ratio: the area ratio the
    // criterion asks at the last one, a little above, settles to 2e-5 in a
    // few steps (12 at most); where it does not settle on one the criterion
    // admits, the grid below finds the lowest one.
    float ear = lo;
    AreaChoice c = lower;
    for (int step = 0; step < 12; ++step) {
      if (!c.propeller || !c.propeller->minimumAreaRatio) break;
      const float asked =
          std::max(lo, p.in.cavitationMargin * *c.propeller->minimumAreaRatio * 1.00002f);
      if (asked > hi) break;
      if (std::fabs(asked - ear) <= 2e-5f && usable(c)) {
        atMinimum = true;
        lower = c;
        break;
      }
      ear = asked;
      c = at(ear);
    }
    if (!atMinimum) lower = at(lo);
  }
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
        for (int k = 0; k < 20 && good - failed > 1e-4f; ++k) {
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
  }
  if (atMinimum) lo = lower.propeller->areaRatio;
  // The most efficient admitted area ratio: a grid of 0.05 steps from the
  // lower end, then golden sections between the neighbours of the best (20
  // sections shrink a step to 1e-5 of itself).
  auto score = [&](const AreaChoice& c) { return usable(c) ? c.propeller->eta0 : -1.0f; };
  const int steps = std::max(1, static_cast<int>(std::ceil((hi - lo) / 0.1f)));
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
  for (int step = 0; step < 20 && b - a > 1e-3f; ++step) {
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
  out.propeller->active.areaRatioAtMinimum = atMinimum && out.propeller->areaRatio <= lo + 1e-3f;
  return out;
}

std::optional<SelectedPropeller> bestAtAreaRatio(const Problem& p, int blades, float areaRatio,
                                                 const Duty& duty) {
  SearchNotes notes;
  return bestAtArea(p, blades, areaRatio, duty, notes).propeller;
}

bool admitted(const Problem& p, const SelectedPropeller& s) {
  return p.in.cavitation == CavitationCriterion::None || criterionHolds(p, s);
}

std::optional<SelectedPropeller> atDuty(const Problem& p, const SelectedPropeller& geometry,
                                        const Duty& duty, SearchNotes& notes) {
  const Propeller prop{static_cast<float>(geometry.blades), geometry.areaRatio,
                       geometry.pitchRatio};
  const auto op = solveAdvance(p, prop, duty, true, geometry.diameter);
  if (!op) return std::nullopt;
  SelectedPropeller s = geometry;
  s.rpm = revsPerMinute(op->n);
  completeFigures(p, duty, s, notes);
  return s;
}

}  // namespace helisolv::selection

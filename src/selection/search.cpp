// The search runs from the inside out. For a propeller of given blade number,
// area ratio and pitch ratio and one of diameter or revolutions fixed, the
// advance coefficient that delivers the thrust is a root of Kt(J) minus the
// Kt the thrust asks for at that J. Over the pitch ratio the most efficient
// root is searched on a grid and refined by parabolic and golden steps, with
// the revolutions or diameter that follow from J held inside their bounds;
// with both free, the diameter is searched the same way around it (its grid
// of J evaluated as one curve); then the area ratio, from the lowest one of
// its range or the cavitation criterion's minimum up to the peak of eta0;
// then every blade number. The criterion is the highest eta0 etaR: for one thrust
// at one speed it is the lowest delivered power.
#include "selection/search.hpp"

#include <algorithm>
#include <cmath>
#include <functional>

#include "problems/solvers.hpp"
#include "selection/cavitation.hpp"
#include "series/formulas.hpp"
#include "series/open_water_curve.hpp"

namespace helisolv::selection {

namespace {

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

// A propeller's open-water point at J. Without a correction its curve, made
// once for all the trials of one propeller, gives the same bits as the point
// evaluation at a fraction of the work.
OpenWaterPoint evaluateAt(const Problem& p, const Propeller& prop, float j, float d, float n,
                          float va, SearchNotes& notes, const OpenWaterCurve* curve = nullptr) {
  if (curve != nullptr && p.in.correction == SelectionCorrection::None) {
    const float advance[1] = {j};
    float evaluated[1], kt[1], kq[1], eta0[1];
    OpenWaterPoint point;
    point.notes = curve->evaluate(advance, evaluated, kt, kq, eta0);
    point.advanceRatio = evaluated[0];
    point.kt = kt[0];
    point.kq = kq[0];
    point.eta0 = eta0[0];
    notes.outsideGawnRegression = notes.outsideGawnRegression || point.notes.outsideGawnRegression;
    return point;
  }
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
                                      bool diameterFixed, float fixed,
                                      const OpenWaterCurve* curve = nullptr) {
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
    const OpenWaterPoint point = evaluateAt(p, prop, j, op.d, op.n, va, trialNotes, curve);
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

// The largest score over [a, b] of a function taken to have one peak there:
// parabolas through the three best points where they fall well inside the
// bracket, golden sections where they do not (Brent's rule), until the
// bracket is about tolerance wide. score(x) is called at each trial and the
// caller keeps the best; the ends themselves are never tried.
template <class Score>
void brentMaximum(float a, float b, float tolerance, Score&& score) {
  constexpr float golden = 0.381966f;
  const float tol1 = 0.25f * tolerance;
  const float tol2 = 2.0f * tol1;
  float x = a + golden * (b - a);
  float w = x;
  float v = x;
  // Minimised as the negative score.
  float fx = -score(x);
  float fw = fx;
  float fv = fx;
  float d = 0.0f;
  float e = 0.0f;
  // A parabolic step at least every other step shrinks the bracket by the
  // golden ratio, so 60 steps take any bracket here (at most 2.5 wide) far
  // below the tolerances asked; the cap stops a score that is not a number
  // somewhere from looping.
  for (int step = 0; step < 60; ++step) {
    const float xm = 0.5f * (a + b);
    if (std::fabs(x - xm) <= tol2 - 0.5f * (b - a)) break;
    bool parabolic = false;
    if (std::fabs(e) > tol1) {
      const float r = (x - w) * (fx - fv);
      float q = (x - v) * (fx - fw);
      float p = (x - v) * q - (x - w) * r;
      q = 2.0f * (q - r);
      if (q > 0.0f) p = -p;
      q = std::fabs(q);
      const float previous = e;
      if (std::fabs(p) < std::fabs(0.5f * q * previous) && p > q * (a - x) && p < q * (b - x)) {
        e = d;
        d = p / q;
        const float u = x + d;
        if (u - a < tol2 || b - u < tol2) d = xm >= x ? tol1 : -tol1;
        parabolic = true;
      }
    }
    if (!parabolic) {
      e = x >= xm ? a - x : b - x;
      d = golden * e;
    }
    const float u = std::fabs(d) >= tol1 ? x + d : x + (d >= 0.0f ? tol1 : -tol1);
    const float fu = -score(u);
    if (fu <= fx) {
      if (u >= x)
        a = x;
      else
        b = x;
      v = w;
      fv = fw;
      w = x;
      fw = fx;
      x = u;
      fx = fu;
    } else {
      if (u < x)
        a = u;
      else
        b = u;
      if (fu <= fw || w == x) {
        v = w;
        fv = fw;
        w = u;
        fw = fu;
      } else if (fu <= fv || v == x || v == w) {
        v = u;
        fv = fu;
      }
    }
  }
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
// where the fit changes found on the bound, then the peak between the best
// grid point's neighbours (or those points). tolerance is the width at which
// the search of the bound and of the peak stop.
class LineSearch {
 public:
  // How far a trial lies beyond a bound, relative to the bound: positive
  // beyond it, negative inside.
  using Excess = std::function<float(const Trial&, Limit, bool above)>;

  LineSearch(std::function<Trial(float)> trial, float tolerance, Excess excess = nullptr)
      : trial_(std::move(trial)), tolerance_(tolerance), excess_(std::move(excess)) {}

  // The trials of a whole grid at once, where they can be evaluated side by
  // side.
  using Batch = std::function<void(const std::vector<float>&, std::vector<Trial>&)>;
  void batch(Batch b) { batch_ = std::move(b); }

  std::optional<Trial> best(float lo, float hi, int steps, std::vector<Trial>& grid) {
    std::vector<float> xs;
    for (int i = 0; i <= steps; ++i)
      xs.push_back(i == steps ? hi
                              : lo + (hi - lo) * static_cast<float>(i) / static_cast<float>(steps));
    if (batch_)
      batch_(xs, grid);
    else
      for (const float x : xs) grid.push_back(trial_(x));
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
    if (right > left) candidates.push_back(refine(left, right, grid[bestIndex]));
    const Trial* chosen = &candidates.front();
    for (const Trial& c : candidates)
      if (c.op.eta0 > chosen->op.eta0) chosen = &c;
    return *chosen;
  }

 private:
  // Where the following variable meets the bound the outer trial leaves, to a
  // hundredth of the tolerance (or to 1e-6 of the bound) so that a bound held
  // is met to its printed digits. With a measure of how far a trial lies
  // beyond the bound, Illinois' false position on it, else halving: the
  // bracket halves at least every third step, so 60 steps are more than
  // either needs; the cap keeps a measure that is not a number from looping.
  Trial boundary(Trial in, Trial out) {
    const Limit limit = out.limit;
    const Fit side = out.fit;
    auto beyond = [&](const Trial& t) {
      return excess_ && t.fit != Fit::NoRoot ? excess_(t, limit, side == Fit::Above)
                                             : std::nanf("");
    };
    const float width = 0.01f * tolerance_;
    float gIn = beyond(in);
    float gOut = out.fit == side && out.limit == limit ? beyond(out) : std::nanf("");
    int kept = 0;
    for (int step = 0; step < 60 && std::fabs(out.x - in.x) > width; ++step) {
      if (gIn > -1e-6f && gIn <= 0.0f) break;
      float x = 0.5f * (in.x + out.x);
      if (gIn < 0.0f && gOut > 0.0f) {
        const float secant = in.x + (out.x - in.x) * (gIn / (gIn - gOut));
        if (secant > std::min(in.x, out.x) && secant < std::max(in.x, out.x)) x = secant;
      }
      const Trial mid = trial_(x);
      if (mid.fit == Fit::Inside) {
        in = mid;
        gIn = beyond(mid);
        if (kept == 1) gOut = 0.5f * gOut;
        kept = 1;
      } else {
        out = mid;
        // A trial that leaves another bound, or has no root, ends the
        // measure: halving from there on.
        gOut = mid.fit == side && mid.limit == limit ? beyond(mid) : std::nanf("");
        if (kept == -1) gIn = 0.5f * gIn;
        kept = -1;
      }
    }
    if (out.fit == Fit::Below || out.fit == Fit::Above) {
      in.limit = out.limit;
      in.atLow = out.fit == Fit::Below;
      in.atHigh = out.fit == Fit::Above;
    }
    return in;
  }

  // The peak between the best grid point's neighbours (or the fit's edges),
  // the best grid point kept where nothing between beats it.
  Trial refine(float a, float b, Trial best) {
    brentMaximum(a, b, tolerance_, [&](float x) {
      const Trial t = trial_(x);
      const float s = t.fit == Fit::Inside ? t.op.eta0 : -1.0f;
      if (t.fit == Fit::Inside && t.op.eta0 > best.op.eta0) best = t;
      return s;
    });
    return best;
  }

  std::function<Trial(float)> trial_;
  float tolerance_;
  Excess excess_;
  Batch batch_;
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
                                       float j, const OpenWaterCurve* curve = nullptr,
                                       const OpenWaterPoint* uncorrected = nullptr) {
  const float va = duty.advanceSpeed;
  const float rho = p.in.density;
  Operating op;
  op.j = j;
  float d = 0.0f;
  SearchNotes trialNotes;
  for (int step = 0; step < 12; ++step) {
    const float n = d > 0.0f ? va / (j * d) : 0.0f;
    // The first step has no diameter yet, so no correction: the point may
    // come from a curve evaluated ahead.
    const OpenWaterPoint point = step == 0 && uncorrected != nullptr
                                     ? *uncorrected
                                     : evaluateAt(p, prop, j, d, n, va, trialNotes, curve);
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
  // How far a trial's diameter, revolutions or tip speed lies beyond the
  // bound, relative to it, for the false position on the bound.
  auto excessOf = [&](const Trial& t, Limit limit, bool above) {
    float value = t.op.d;
    float bound = above ? p.diameter.high : p.diameter.low;
    if (limit == Limit::Rpm) {
      value = revsPerMinute(t.op.n);
      bound = above ? p.rpm.high : p.rpm.low;
    } else if (limit == Limit::TipSpeed) {
      value = tipSpeed(t.op.d, t.op.n);
      bound = tip ? *tip : 0.0f;
    }
    if (limit == Limit::None || !(bound > 0.0f)) return std::nanf("");
    return above ? value / bound - 1.0f : 1.0f - value / bound;
  };
  // Without a correction every J of one propeller evaluates on one curve.
  auto curveOf = [&](const Propeller& q) {
    std::optional<OpenWaterCurve> curve;
    if (p.in.correction == SelectionCorrection::None)
      curve.emplace(SeriesModel{p.in.seriesType, p.in.gawnModel}, q);
    return curve;
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
          const std::optional<OpenWaterCurve> curve = curveOf(q);
          const auto op = solveAdvance(p, q, duty, diameterFixed, fixed, curve ? &*curve : nullptr);
          if (!op || !(op->eta0 > 0.0f)) return t;
          t.op = *op;
          fitOf(t);
          return t;
        },
        1e-4f, excessOf);
    best = pitch.best(p.pitch.low, p.pitch.high, pitchSteps(p), grid);
  } else {
    // Both free: for each P/D the most efficient J whose D and n fit, the J
    // on a grid of 0.1 from 0.05 to 2.45 (beyond, no propeller of the series
    // gives thrust) refined to 1e-5.
    LineSearch pitch(
        [&](float pd) {
          Propeller q = prop;
          q.pitchRatio = pd;
          const std::optional<OpenWaterCurve> curve = curveOf(q);
          auto trialAt = [&](float j, const OpenWaterPoint* uncorrected) {
            Trial t;
            t.x = j;
            t.pd = pd;
            const auto op = freeOperating(p, q, duty, j, curve ? &*curve : nullptr, uncorrected);
            if (!op || !(op->eta0 > 0.0f)) return t;
            t.op = *op;
            fitOf(t);
            return t;
          };
          LineSearch advance([&](float j) { return trialAt(j, nullptr); }, 1e-5f, excessOf);
          if (curve)
            advance.batch([&](const std::vector<float>& js, std::vector<Trial>& trials) {
              const size_t count = js.size();
              std::vector<float> evaluated(count), kt(count), kq(count), eta0(count);
              curve->evaluate(js, evaluated, kt, kq, eta0);
              for (size_t i = 0; i < count; ++i) {
                OpenWaterPoint point;
                point.advanceRatio = evaluated[i];
                point.kt = kt[i];
                point.kq = kq[i];
                point.eta0 = eta0[i];
                trials.push_back(trialAt(js[i], &point));
              }
            });
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
    const double ra = static_cast<double>(a.resistance);
    const double rb = static_cast<double>(b.resistance);
    const double va = static_cast<double>(a.speed);
    const double vb = static_cast<double>(b.speed);
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
    // few steps (12 at most). Where the minimum, moving with the propeller
    // chosen to the search's tolerance, does not settle, the lowest admitted
    // area ratio lies between the highest refused one below the lowest
    // admitted one of the steps: halved to 1e-4 (20 halvings are more than
    // that needs). Where no step is admitted, the grid below finds it.
    std::vector<std::pair<float, AreaChoice>> tried;
    tried.reserve(13);
    tried.push_back({lo, lower});
    // The bracket of the steps so far: the lowest admitted area ratio and
    // the highest refused one below it.
    const std::pair<float, AreaChoice>* good = nullptr;
    float failed = lo;
    auto bracket = [&] {
      good = nullptr;
      for (const auto& t : tried)
        if (usable(t.second) && (good == nullptr || t.first < good->first)) good = &t;
      failed = lo;
      if (good != nullptr)
        for (const auto& t : tried)
          if (!usable(t.second) && t.first < good->first) failed = std::max(failed, t.first);
    };
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
      tried.push_back({ear, c});
      // Once the steps bracket the lowest admitted area ratio to 1e-3,
      // halving is quicker than steps that wander with the minimum's scatter.
      bracket();
      if (good != nullptr && good->first - failed <= 1e-3f) break;
    }
    if (!atMinimum) {
      bracket();
      if (good != nullptr) {
        float admittedEar = good->first;
        lower = good->second;
        for (int k = 0; k < 20 && admittedEar - failed > 1e-4f; ++k) {
          const float mid = 0.5f * (admittedEar + failed);
          AreaChoice m = at(mid);
          if (usable(m)) {
            admittedEar = mid;
            lower = std::move(m);
          } else {
            failed = mid;
          }
        }
        atMinimum = true;
      }
    }
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
  auto score = [&](const AreaChoice& c) { return usable(c) ? c.propeller->eta0 : -1.0f; };
  // The area ratio to 1e-3, the width at which eta0 no longer changes in its
  // printed digits.
  constexpr float earTolerance = 1e-3f;
  if (score(lower) > 0.0f) {
    // For one duty eta0 has one peak over the area ratio (blade friction
    // grows with it, a Reynolds-number correction gains with the larger
    // chord): if it falls from the lowest admitted one, that one is the
    // most efficient; else the peak lies above it, and the one-peak search
    // over the rest of the range finds it.
    AreaChoice best = lower;
    if (hi - lo > earTolerance) {
      AreaChoice next = at(lo + earTolerance);
      if (score(next) > score(lower)) {
        best = next;
        auto tried = [&](float ear) {
          AreaChoice c = at(ear);
          const float s = score(c);
          if (s > score(best)) best = std::move(c);
          return s;
        };
        brentMaximum(lo + earTolerance, hi, earTolerance, tried);
        // The ends are not tried by the sections: the largest area ratio
        // where the peak lies against it.
        if (best.propeller->areaRatio >= hi - 2.0f * earTolerance) tried(hi);
      }
    }
    out.propeller = best.propeller;
    out.propeller->active.areaRatioAtMinimum =
        atMinimum && out.propeller->areaRatio <= lo + earTolerance;
    return out;
  }
  // Nothing fits at the lowest area ratio: a grid of 0.1 steps from the
  // lower end for one where something does, then golden sections between the
  // neighbours of the best (20 sections shrink a step to 1e-5 of itself).
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

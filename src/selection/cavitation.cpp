// The figures follow the program's blade-area checks term by term (the same
// constants, the speed through knots as charted, the same interpolation in
// Burrill's chart) so that a selected propeller run as a pitch-for-thrust
// problem prints the figures the selection judged it by.
#include "selection/cavitation.hpp"

#include "io/session.hpp"
#include "numeric/interpolate.hpp"
#include "series/formulas.hpp"

namespace helisolv::selection {

namespace {

constexpr float kGravity = 9.81f;
constexpr float kKnot = 0.5144f;
constexpr float kAtmosphere = 100000.0f;
constexpr float kKellerPressure = 98300.0f;

constexpr int k25Points = 8;
constexpr float k25Sigma[k25Points + 1] = {0.0f, 0.18f, 0.29f, 0.4f, 0.5f, 0.6f, 0.8f, 1.0f, 1.5f};
constexpr float k25Tau[k25Points + 1] = {0.0f,  0.02f, 0.11f, 0.14f, 0.165f,
                                         0.18f, 0.21f, 0.25f, 0.29f};
constexpr int k5Points = 7;
constexpr float k5Sigma[k5Points + 1] = {0.0f, 0.15f, 0.21f, 0.3f, 0.4f, 0.6f, 1.0f, 1.5f};
constexpr float k5Tau[k5Points + 1] = {0.0f, 0.03f, 0.1f, 0.135f, 0.17f, 0.22f, 0.3f, 0.33f};

// A line's loading, read only inside the line, where the interpolation never
// reports: off the line there is no value.
std::optional<float> lineLoading(int points, const float* sigmas, const float* taus, float sigma) {
  if (!(sigma >= sigmas[1] && sigma <= sigmas[points])) return std::nullopt;
  Session quiet;
  float tau = 0.0f;
  interpolate(quiet, points, sigmas, taus, sigma, tau, points);
  return tau;
}

float upperLimitLoading(float sigma) {
  return 0.0331f + 0.382f * sigma - 0.1968f * intPow(sigma, 2) + 0.056f * intPow(sigma, 3);
}

// The recommended upper limit is drawn from sigma 0.10 to 1.50.
constexpr float kUpperFirst = 0.1f;
constexpr float kUpperLast = 1.5f;

}  // namespace

CavitationFigures cavitationFigures(const SelectionInputs& in, int blades, float diameter,
                                    float rpm, float advanceSpeed, float thrust, float pitchRatio,
                                    float areaRatio) {
  CavitationFigures f;
  const float d = diameter;
  const float rho = in.density;
  const float depth = in.shaftDepth;
  const float speedKnots = knots(advanceSpeed);
  const float rotation = rpm * kPi / 60.0f * d * 0.7f;
  const float v2 = intPow(rotation, 2) + intPow(speedKnots * kKnot, 2);
  const bool pressuresGiven = in.atmosphericPressure || in.vapourPressure;
  const float ambient =
      in.atmosphericPressure.value_or(kAtmosphere) - in.vapourPressure.value_or(0.0f);
  const float sigmaPressure = pressuresGiven ? ambient : kAtmosphere;
  const float kellerPressure = pressuresGiven ? ambient : kKellerPressure;

  f.sigma = (rho * depth * kGravity + sigmaPressure) / (rho * v2 * 0.5f);
  const float diskArea = intPow(d, 2) * kPi / 4.0f;
  const float projectedRatio = 1.067f - 0.229f * pitchRatio;
  auto minimumEar = [&](float tau) {
    return (1000.0f * thrust / (rho * tau * v2 * 0.5f)) / (diskArea * projectedRatio);
  };
  f.unitAreaLoading = minimumEar(1.0f);
  f.tau25 = lineLoading(k25Points, k25Sigma, k25Tau, f.sigma);
  f.tau5 = lineLoading(k5Points, k5Sigma, k5Tau, f.sigma);
  f.sigmaBelowChart = f.sigma < k5Sigma[1] || f.sigma < k25Sigma[1];
  f.sigmaAboveChart = f.sigma > k25Sigma[k25Points];
  if (f.tau25) f.minimum25 = minimumEar(*f.tau25);
  if (f.tau5) f.minimum5 = minimumEar(*f.tau5);
  if (f.sigma >= kUpperFirst && f.sigma <= kUpperLast) {
    f.tauUpper = upperLimitLoading(f.sigma);
    f.minimumUpper = minimumEar(*f.tauUpper);
  }
  const float projectedArea = diskArea * projectedRatio * areaRatio;
  f.tauC = 1000.0f * thrust / (projectedArea * rho * v2 * 0.5f);
  f.tipSpeed = rpm * kPi / 60.0f * d;
  const float k = in.kellerAllowance.value_or(in.propellers == 1 ? 0.2f : 0.1f);
  f.keller = (1.3f + 0.3f * static_cast<float>(blades)) * thrust * 1000.0f /
                 ((rho * depth * kGravity + kellerPressure) * d * d) +
             k;
  return f;
}

CriterionMinimum criterionMinimum(CavitationCriterion criterion, const CavitationFigures& f) {
  // Above the chart's last cavitation number the allowed loading is taken as
  // the line's last one: it only rises with sigma, so that is on the safe side.
  // Below its first point the chart gives nothing and the criterion cannot hold.
  auto line = [&](std::optional<float> tau, std::optional<float> minimum, float lastTau) {
    CriterionMinimum m{minimum, tau};
    if (!tau && f.sigmaAboveChart) {
      m.allowedLoading = lastTau;
      m.minimumAreaRatio = f.unitAreaLoading / lastTau;
    }
    return m;
  };
  switch (criterion) {
    case CavitationCriterion::Burrill25:
      return line(f.tau25, f.minimum25, k25Tau[k25Points]);
    case CavitationCriterion::Burrill5:
      return line(f.tau5, f.minimum5, k5Tau[k5Points]);
    case CavitationCriterion::BurrillUpper:
      return line(f.tauUpper, f.minimumUpper, upperLimitLoading(kUpperLast));
    case CavitationCriterion::Keller:
      return {f.keller, std::nullopt};
    case CavitationCriterion::None:
      break;
  }
  return {};
}

}  // namespace helisolv::selection

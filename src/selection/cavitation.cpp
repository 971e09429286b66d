// The figures are the program's own criteria functions, the code its
// pitch-for-thrust checks print, so that a selected propeller run as that
// problem shows the figures the selection judged it by. Pressures other than
// the criteria's own constants enter as the shaft depth that gives the same
// static pressure.
#include "selection/cavitation.hpp"

#include "helisolv/criteria.hpp"

namespace helisolv::selection {

namespace {

constexpr float kGravity = 9.81f;
constexpr float kSigmaPressure = 100000.0f;  // Pa, the cavitation number's
constexpr float kKellerPressure = 98300.0f;  // Pa, atmospheric less vapour in Keller's

std::optional<float> reading(const BurrillReading& r) {
  return r.onChart() ? std::optional<float>(r.value) : std::nullopt;
}

float lastLoading(BurrillCurve line) {
  return burrillLoading(line, burrillLastSigma(line)).value;
}

}  // namespace

CavitationFigures cavitationFigures(const SelectionInputs& in, int blades, float diameter,
                                    float rpm, float advanceSpeed, float thrust, float pitchRatio,
                                    float areaRatio) {
  CavitationFigures f;
  const float rho = in.density;
  float sigmaDepth = in.shaftDepth;
  float kellerDepth = in.shaftDepth;
  if (in.atmosphericPressure || in.vapourPressure) {
    const float ambient =
        in.atmosphericPressure.value_or(101325.0f) - in.vapourPressure.value_or(0.0f);
    sigmaDepth = in.shaftDepth + (ambient - kSigmaPressure) / (rho * kGravity);
    kellerDepth = in.shaftDepth + (ambient - kKellerPressure) / (rho * kGravity);
  }
  f.sigma = sigma07R(advanceSpeed, rpm, diameter, sigmaDepth, rho);
  f.tauC = tauC(thrust, advanceSpeed, rpm, diameter, pitchRatio, areaRatio, rho);
  f.unitAreaLoading = f.tauC * areaRatio;
  auto minimum = [&](BurrillCurve line) {
    return reading(burrillMinAreaRatio(line, thrust, advanceSpeed, rpm, diameter, pitchRatio,
                                       sigmaDepth, rho));
  };
  f.tau25 = reading(burrillLoading(BurrillCurve::BackCavitation2_5, f.sigma));
  f.tau5 = reading(burrillLoading(BurrillCurve::BackCavitation5, f.sigma));
  f.tauUpper = reading(burrillLoading(BurrillCurve::UpperLimit, f.sigma));
  f.minimum25 = minimum(BurrillCurve::BackCavitation2_5);
  f.minimum5 = minimum(BurrillCurve::BackCavitation5);
  f.minimumUpper = minimum(BurrillCurve::UpperLimit);
  f.sigmaBelowChart = f.sigma < burrillFirstSigma(BurrillCurve::BackCavitation2_5);
  f.sigmaAboveChart = f.sigma > burrillLastSigma(BurrillCurve::BackCavitation2_5);
  const float k =
      in.kellerAllowance.value_or(in.propellers == 1 ? kKellerSingleScrew : kKellerSlowTwinScrew);
  f.keller = kellerMinAreaRatio(thrust, diameter, kellerDepth, static_cast<float>(blades), rho, k);
  f.tipSpeed = bladeTipSpeed(rpm, diameter);
  return f;
}

CriterionMinimum criterionMinimum(CavitationCriterion criterion, const CavitationFigures& f) {
  // Above the chart's last cavitation number the allowed loading is taken as
  // the line's last one: it only rises with sigma, so that is on the safe side.
  // Below its first point the chart gives nothing and the criterion cannot hold.
  auto line = [&](std::optional<float> tau, std::optional<float> minimum, BurrillCurve curve) {
    CriterionMinimum m{minimum, tau};
    if (!tau && f.sigma > burrillLastSigma(curve)) {
      m.allowedLoading = lastLoading(curve);
      m.minimumAreaRatio = f.unitAreaLoading / *m.allowedLoading;
    }
    return m;
  };
  switch (criterion) {
    case CavitationCriterion::Burrill25:
      return line(f.tau25, f.minimum25, BurrillCurve::BackCavitation2_5);
    case CavitationCriterion::Burrill5:
      return line(f.tau5, f.minimum5, BurrillCurve::BackCavitation5);
    case CavitationCriterion::BurrillUpper:
      return line(f.tauUpper, f.minimumUpper, BurrillCurve::UpperLimit);
    case CavitationCriterion::Keller:
      return {f.keller, std::nullopt};
    case CavitationCriterion::None:
      break;
  }
  return {};
}

}  // namespace helisolv::selection

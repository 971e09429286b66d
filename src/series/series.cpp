// Open-water evaluation of the Wageningen B-series and the Gawn series (by
// this program's polynomials or the published regression), the scale
// corrections (this program's own ITTC78, the published ITTC-78 and the
// B-series' Reynolds-number correction) and the selection of the most
// efficient table row.
#include "series/series.hpp"

#include <array>
#include <cmath>

#include "series/formulas.hpp"
#include "series/gawn_regression.hpp"
#include "series/reynolds_correction.hpp"
#include "series/series_tables.hpp"

namespace helisolv {

namespace {

using namespace series_tables;

// Smallest |J| the polynomials are evaluated at: a bollard (J = 0) point is
// evaluated just off zero, and the caller receives that J.
constexpr float minimumAdvance = 0.001f;

// x^0 .. x^N of one variable, each power one more multiplication of the one
// before, which is exactly what x^k by repeated multiplication from the left
// gives (x^0 = 1 even for x = 0).
template <int N>
std::array<float, N + 1> powersOf(float x) {
  std::array<float, N + 1> p{};
  p[0] = 1.0f;
  for (int k = 1; k <= N; ++k) p[k] = p[k - 1] * x;
  return p;
}

struct Powers {
  std::array<float, maxAdvanceExponent + 1> j;
  std::array<float, maxPitchExponent + 1> pd;
  std::array<float, maxAreaExponent + 1> ear;
  std::array<float, maxBladeExponent + 1> z;
};

// Sum of C(i) * J^s * (P/D)^t * EAR^u * Z^v over the terms in table order, each
// product formed from the left, the running sum rounded to 32 bits per term.
template <std::size_t Terms>
float polynomialSum(const std::array<float, Terms>& coefficients,
                    const std::array<Exponents, Terms>& exponents, const Powers& p) {
  float sum = 0.0f;
  for (std::size_t i = 0; i < Terms; ++i) {
    const Exponents& e = exponents[i];
    float term = coefficients[i] * p.j[e.s] * p.pd[e.t] * p.ear[e.u] * p.z[e.v];
    sum = sum + term;
  }
  return sum;
}

// Kt and Kq of one series at J (already clamped), and eta0 from them.
OpenWaterPoint seriesPoint(const std::array<float, ktTermCount>& ktCoefficients,
                           const std::array<float, kqTermCount>& kqCoefficients,
                           const Propeller& propeller, float j) {
  const Powers p{powersOf<maxAdvanceExponent>(j), powersOf<maxPitchExponent>(propeller.pitchRatio),
                 powersOf<maxAreaExponent>(propeller.areaRatio),
                 powersOf<maxBladeExponent>(propeller.bladeCount)};
  OpenWaterPoint point;
  point.advanceRatio = j;
  point.bladeCount = propeller.bladeCount;
  point.kt = polynomialSum(ktCoefficients, ktExponents, p);
  point.kq = polynomialSum(kqCoefficients, kqExponents, p);
  return point;
}

}  // namespace

float seriesBladeCount(const SeriesModel& model, float bladeCount) {
  return model.seriesType == Series::Gawn ? gawnBladeCount(bladeCount) : bladeCount;
}

OpenWaterPoint evaluateOpenWater(const SeriesModel& model, const Propeller& propeller, float j,
                                 const ScaleCorrection& correction) {
  if (model.seriesType != Series::Wageningen && model.seriesType != Series::Gawn)
    return {j, 0.0f, 0.0f, 0.0f, 0.0f, {}};
  // Every term of both sums applies the clamp first; since nothing else
  // changes J between the terms, applying it once gives the same J for all.
  if (std::fabs(j) < minimumAdvance) j = minimumAdvance;
  if (model.seriesType == Series::Gawn) {
    // The Gawn series was tested with three blades and is never corrected.
    Propeller gawn = propeller;
    gawn.bladeCount = gawnBladeCount(propeller.bladeCount);
    OpenWaterPoint point;
    if (model.gawn == GawnModel::Regression) {
      // The regression has no blade count: it is the three-bladed series.
      point.advanceRatio = j;
      point.bladeCount = gawn.bladeCount;
      gawnRegression(j, propeller.pitchRatio, propeller.areaRatio, point.kt, point.kq);
      point.notes.outsideGawnRegression =
          outsideGawnRegression(propeller.pitchRatio, propeller.areaRatio, j);
    } else {
      point = seriesPoint(gawnKt, gawnKq, gawn, j);
    }
    point.eta0 = openWaterEfficiency(point.kt, point.kq, j);
    return point;
  }
  OpenWaterPoint point = seriesPoint(wageningenKt, wageningenKq, propeller, j);
  if (correction.applies())
    point.notes = correctToFullScale(correction, j, propeller, point.kt, point.kq);
  point.eta0 = openWaterEfficiency(point.kt, point.kq, j);
  return point;
}

ModelRangeNotes correctToFullScale(const ScaleCorrection& correction, float j,
                                   const Propeller& propeller, float& kt, float& kq) {
  ModelRangeNotes notes;
  if (correction.method != ViscousCorrection::Reynolds) {
    float dKt = 0.0f;
    float dKq = 0.0f;
    scaleCorrection(correction, j, propeller, dKt, dKq);
    kt = kt - dKt;
    kq = kq - dKq;
    return notes;
  }
  // The section at 0.75 R of the full-scale propeller: the diameter and the
  // speed the run gives, or where one is not given the one that J and the
  // other two imply, as the program's own correction does for the diameter.
  const float n = revsPerSecond(correction.rpm);
  float d = correction.diameter;
  if (correction.variesWithAdvance()) d = correction.advanceSpeed / (n * j);
  float va = correction.advanceSpeed;
  if (correction.speedFromAdvance()) va = j * n * d;
  const float rn = bSeriesReynoldsNumber(va, n, d, propeller.areaRatio, propeller.bladeCount,
                                         correction.kinematicViscosity);
  const ReynoldsCorrection r = bSeriesReynoldsCorrection(
      j, propeller.pitchRatio, propeller.areaRatio, propeller.bladeCount, rn);
  kt = kt + r.dKt;
  kq = kq + r.dKq;
  notes.reynoldsClamped = r.rnClamped;
  return notes;
}

bool outsideGawnRegression(float pitchRatio, float areaRatio, float j) {
  const bool inside = pitchRatio >= kGawnRegressionMinPitchRatio &&
                      pitchRatio <= kGawnRegressionMaxPitchRatio &&
                      areaRatio >= kGawnRegressionMinAreaRatio &&
                      areaRatio <= kGawnRegressionMaxAreaRatio && j >= kGawnRegressionMinAdvance;
  return !inside;
}

void scaleCorrection(const ScaleCorrection& correction, float j, const Propeller& propeller,
                     float& dKt, float& dKq) {
  // The correction diameter: the task's diameter, or for a problem whose
  // diameter is still unknown the one that the speed, revolutions and J imply.
  float dc = correction.diameter;
  if (correction.variesWithAdvance())
    dc = correction.advanceSpeed / (revsPerSecond(correction.rpm) * j);

  float pitchRatio = propeller.pitchRatio;
  const float bladeCount = propeller.bladeCount;
  const float areaRatio = propeller.areaRatio;
  int zi = truncToInt(bladeCount);
  // Three-bladed propellers have a wider blade at 0.75 R for the same area ratio.
  const float chordFactor = (zi == 3) ? 2.1475f : 2.073f;
  const float chord = areaRatio * dc * chordFactor / bladeCount;
  const float thickness = (0.0185f - 0.00125f * bladeCount) * dc;
  float thicknessRatio = thickness / chord;
  float chordRatio = chord / dc;
  float s = 0.24f / dc;
  float nR = 10.0f;
  float nu = kKinematicViscosity;

  dKt = 0.0f;
  dKq = 0.0f;
  if (correction.method == ViscousCorrection::Ittc78)
    publishedIttc78Correction(dc, pitchRatio, zi, thicknessRatio, chordRatio, s, nR, nu, dKt, dKq);
  else
    ittc78Correction(dc, pitchRatio, zi, thicknessRatio, chordRatio, s, nR, nu, dKt, dKq);
}

void ittc78Correction(float& dc, float& pitchRatio, int& zi, float& thicknessRatio,
                      float& chordRatio, float& s, float& nR, float& nu, float& dKt, float& dKq) {
  const float pi = kPi;
  // The section at 0.75 R and the lengths divided by the scale divisor.
  const float chord = chordRatio * dc;
  const float ds = dc / s;
  const float cs = chord / s;
  const float rn = nR * pi * ds * cs * 0.75f / nu;

  // Section drag by the friction line at this Reynolds number and by the
  // roughness formula with a roughness of 0.00003 m.
  const float formFactor = 2.0f * (1.0f + 2.0f * thicknessRatio);
  const float cdm = formFactor * (0.044f / realPow(rn, 0.1667f) - 5.0f / realPow(rn, 0.6667f));
  const float cds = formFactor / realPow(1.89f + 1.62f * realLog10(chord / 0.00003f), 2.5f);
  const float dcd = cds - cdm;

  const float blades = static_cast<float>(zi);
  dKt = -(blades * chordRatio * pitchRatio * dcd * 0.28f);
  dKq = blades * chordRatio * dcd * 0.248f;
}

void publishedIttc78Correction(float& dc, float& pitchRatio, int& zi, float& thicknessRatio,
                               float& chordRatio, float& s, float& nR, float& nu, float& dKt,
                               float& dKq) {
  const float pi = kPi;
  // The model is the propeller scaled to the 0.24 m model diameter; its section
  // at 0.75 R meets the water at the rotational speed 0.75 pi nR D_m.
  const float chord = chordRatio * dc;
  const float modelChord = chord * s;
  const float modelDiameter = dc * s;
  const float rn = modelChord * 0.75f * pi * nR * modelDiameter / nu;

  // Model section drag by the friction line at the model's Reynolds number;
  // full-scale drag by the roughness formula with the full-scale chord and a
  // roughness of 0.00003 m.
  const float formFactor = 2.0f * (1.0f + 2.0f * thicknessRatio);
  const float cdm =
      formFactor * (0.044f / realPow(rn, 1.0f / 6.0f) - 5.0f / realPow(rn, 2.0f / 3.0f));
  const float cds = formFactor * realPow(1.89f + 1.62f * realLog10(chord / 0.00003f), -2.5f);
  const float dcd = cdm - cds;

  const float blades = static_cast<float>(zi);
  const float bladeChords = chord * blades / dc;
  dKt = -0.3f * dcd * pitchRatio * bladeChords;
  dKq = 0.25f * dcd * bladeChords;
}

void findMaxIndex(int count, const float* values, int& index) {
  index = 1;
  if (count < 2) return;
  float best = values[1];
  for (int i = 2; i <= count; ++i) {
    // Efficiencies are compared to three decimals: a row must be better in
    // the first three decimals to replace an earlier one.
    if (truncToInt(1000.0f * values[i]) > truncToInt(1000.0f * best)) {
      best = values[i];
      index = i;
    }
  }
}

}  // namespace helisolv

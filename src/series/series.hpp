// Open-water coefficients of the two propeller series, the scale corrections
// (the two ITTC78 ones and the B-series Reynolds-number one) and the selection
// of the most efficient table row.
#pragma once

#include "helisolv/open_water.hpp"

namespace helisolv {

// The blade count the series evaluates with: the Gawn series forces any count
// not within 0.01 of 3 to 3; the Wageningen series keeps it.
float seriesBladeCount(const SeriesModel& model, float bladeCount);

// The scale correction of this program's own or the ITTC-78 method, which
// evaluateOpenWater subtracts from the Wageningen Kt and Kq at the clamped J of
// this propeller.
void scaleCorrection(const ScaleCorrection& correction, float j, const Propeller& propeller,
                     float& dKt, float& dKq);

// The Wageningen Kt and Kq of the polynomials at the clamped J corrected to
// full scale by the correction's method: the ITTC78 ones subtract their dKt
// and dKq, the Reynolds-number one adds its own. Returns where the Reynolds
// number had to be taken at an end of its fitted range.
ModelRangeNotes correctToFullScale(const ScaleCorrection& correction, float j,
                                   const Propeller& propeller, float& kt, float& kq);

// Whether the Gawn-Burrill regression extrapolates at this P/D, area ratio
// and (clamped) J. Anything not a number is outside.
bool outsideGawnRegression(float pitchRatio, float areaRatio, float j);

// This program's own ITTC78 correction, as every earlier report used: the
// model lengths are the full-scale ones divided by s, the drag difference is
// CDS - CDM, the factors are 0.28 and 0.248.
void ittc78Correction(float& dc, float& pitchRatio, int& zi, float& thicknessRatio,
                      float& chordRatio, float& s, float& nR, float& nu, float& dKt, float& dKq);

// The published ITTC-78 correction: a model of the full-scale lengths times s
// running at nR rev/s, dCD = CDM - CDS, dKt = -0.3 dCD (P/D) (c Z / D) and
// dKq = 0.25 dCD (c Z / D).
void publishedIttc78Correction(float& dc, float& pitchRatio, int& zi, float& thicknessRatio,
                               float& chordRatio, float& s, float& nR, float& nu, float& dKt,
                               float& dKq);

// 1-based index of the largest of values[1..count] at a resolution of 1/1000;
// ties keep the earlier row; count < 2 gives 1. values[0] is unused.
void findMaxIndex(int count, const float* values, int& index);

}  // namespace helisolv

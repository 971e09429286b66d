// Open-water coefficients of the two propeller series. Callers set
// rec.advanceRatio, call evalOpenWater and read rec.kt, rec.kq, rec.eta0.
#pragma once

#include "series/viscous_correction.hpp"

namespace helisolv {

// Series dispatch: Wageningen for seriesType 1, then (a separate test) Gawn for
// seriesType 2; any other type leaves kt, kq and eta0 as they were.
void evalOpenWater(float& pitchRatio, float& areaRatio, float& bladeCount);

// Wageningen B-series, with the scale correction of rec.viscousCorrection when
// viscousFlag asks for it.
// Clamps |J| < 0.001 to +0.001 in rec.advanceRatio.
void evalWageningen(float& pitchRatio, float& areaRatio, float& bladeCount);

// Gawn series: forces the caller's blade count to 3 when it is not within 0.01
// of 3; never corrected for viscosity.
void evalGawn(float& pitchRatio, float& areaRatio, float& bladeCount);

// Whether evalWageningen corrects the record's point for scale: the viscous
// flag is set and a speed or revolutions is known.
bool scaleCorrectionApplies();

// Whether the correction changes with J: it does when the diameter is still
// unknown and is implied by the speed, revolutions and J.
bool scaleCorrectionVariesWithAdvance();

// The scale correction evalWageningen subtracts from Kt and Kq at the clamped
// J of a propeller with these ratios and blade count, from the record's
// diameter, speed and revolutions, by the record's choice of method.
void scaleCorrection(float j, float pitchRatio, float areaRatio, float bladeCount, float& dKt,
                     float& dKq);

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

// The Reynolds-number correction of the Wageningen B-series: the polynomials
// give Kt and Kq at Rn = 2e6, and this model moves them to the Reynolds number
// of the blade section at 0.75 R. Pure 32-bit functions: nothing is read from
// or written to the record.
#pragma once

namespace helisolv {

// The Reynolds numbers the correction was fitted over; outside them it is
// evaluated at the nearer end.
inline constexpr float kBSeriesMinReynolds = 2.0e6f;
inline constexpr float kBSeriesMaxReynolds = 2.0e9f;

// Rn = c sqrt(Va^2 + (0.75 pi n D)^2) / nu of the section at 0.75 R, with the
// chord c = 2.073 (AE/A0) D / Z: va in m/s, n in rev/s, d in m, nu in m^2/s.
float bSeriesReynoldsNumber(float va, float n, float d, float areaRatio, float bladeCount,
                            float nu);

// The corrections and the Reynolds number they were evaluated at: rn is the
// caller's one, or the nearer end of the fitted range with rnClamped set.
struct ReynoldsCorrection {
  float dKt;
  float dKq;
  float rn;
  bool rnClamped;
};

// dKt and dKq at Reynolds number rn; the caller ADDS them to the polynomials'
// Kt and Kq. A NaN rn is passed through and gives NaN corrections.
ReynoldsCorrection bSeriesReynoldsCorrection(float j, float pitchRatio, float areaRatio,
                                             float bladeCount, float rn);

}  // namespace helisolv

// Every term C J^s (P/D)^t (AE/A0)^u Z^v x^w is formed from the left with each
// power by repeated multiplication, and the terms are added in table order, so
// the 32-bit result depends on nothing but the inputs.
#include "series/reynolds_correction.hpp"

#include <array>
#include <cstdint>

#include "series/formulas.hpp"

namespace helisolv {

namespace {

struct Term {
  float c;
  std::uint8_t s, t, u, v, w;  // exponents of J, P/D, AE/A0, Z and x
};

// Oosterveld and van Oossanen (1975), "Further computer-analyzed data of the
// Wageningen B-screw series", International Shipbuilding Progress 22(251), as
// copied in ../shared/models/reynolds_correction_b_series.tsv, rows in its order.
constexpr std::array<Term, 9> dKtTerms{{
    {0.000353485f, 0, 0, 0, 0, 0},
    {-0.00333758f, 2, 0, 1, 0, 0},
    {-0.00478125f, 1, 1, 1, 0, 0},
    {0.000257792f, 2, 0, 1, 0, 2},
    {0.0000643192f, 2, 6, 0, 0, 1},
    {-0.0000110636f, 2, 6, 0, 0, 2},
    {-0.0000276305f, 2, 0, 1, 1, 2},
    {0.0000954f, 1, 1, 1, 1, 1},
    {0.0000032049f, 1, 3, 1, 2, 1},
}};

constexpr std::array<Term, 13> dKqTerms{{
    {-0.000591412f, 0, 0, 0, 0, 0},
    {0.00696898f, 0, 1, 0, 0, 0},
    {-0.0000666654f, 0, 6, 0, 1, 0},
    {0.0160818f, 0, 0, 2, 0, 0},
    {-0.000938091f, 0, 1, 0, 0, 1},
    {-0.00059593f, 0, 2, 0, 0, 1},
    {0.0000782099f, 0, 2, 0, 0, 2},
    {0.0000052199f, 2, 0, 1, 1, 1},
    {-0.00000088528f, 1, 1, 1, 1, 2},
    {0.0000230171f, 0, 6, 0, 1, 1},
    {-0.00000184341f, 0, 6, 0, 1, 2},
    {-0.00400252f, 0, 0, 2, 0, 1},
    {0.000220915f, 0, 0, 2, 0, 2},
}};

template <std::size_t N>
float correctionSum(const std::array<Term, N>& terms, float j, float pitchRatio, float areaRatio,
                    float bladeCount, float x) {
  float sum = 0.0f;
  for (const Term& e : terms) {
    const float term = e.c * intPow(j, e.s) * intPow(pitchRatio, e.t) * intPow(areaRatio, e.u) *
                       intPow(bladeCount, e.v) * intPow(x, e.w);
    sum = sum + term;
  }
  return sum;
}

}  // namespace

float bSeriesReynoldsNumber(float va, float n, float d, float areaRatio, float bladeCount,
                            float nu) {
  const float chord = 2.073f * areaRatio * d / bladeCount;
  const float rotation = 0.75f * kPi * n * d;
  // The square root as the real power 0.5 through realPow, like every other
  // real power of the program: the 32-bit value nearest the true root.
  const float speed = realPow(va * va + rotation * rotation, 0.5f);
  return chord * speed / nu;
}

ReynoldsCorrection bSeriesReynoldsCorrection(float j, float pitchRatio, float areaRatio,
                                             float bladeCount, float rn) {
  ReynoldsCorrection r{0.0f, 0.0f, rn, false};
  // Beyond the fitted range the x^2 terms grow without bound; the nearer end
  // is the best the model knows.
  if (rn < kBSeriesMinReynolds) {
    r.rn = kBSeriesMinReynolds;
    r.rnClamped = true;
  } else if (rn > kBSeriesMaxReynolds) {
    r.rn = kBSeriesMaxReynolds;
    r.rnClamped = true;
  }
  const float x = realLog10(r.rn) - 0.301f;
  r.dKt = correctionSum(dKtTerms, j, pitchRatio, areaRatio, bladeCount, x);
  r.dKq = correctionSum(dKqTerms, j, pitchRatio, areaRatio, bladeCount, x);
  return r;
}

}  // namespace helisolv

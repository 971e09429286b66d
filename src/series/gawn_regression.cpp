// The Gawn-Burrill regression point by point and along a curve of J. The curve
// evaluator takes a block of 16 J at a time, one J per vector lane, as the
// series curve evaluator does: J^2 = J J, J^3 = J^2 J, each term
// ((C J^z) (P/D)^y) (AD/A0)^x and the running sum rounded to 32 bits per term in
// table order, exactly as the scalar evaluator does. A term without J is the
// same in every lane and is formed once per curve, in the same order. Factors
// of 1 (an exponent of 0) are left out: multiplying by exactly 1 never changes
// a float.
#include "series/gawn_regression.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "series/formulas.hpp"

namespace helisolv {

namespace {

struct Term {
  float c;               // C 10^E as one 32-bit constant
  std::uint8_t x, y, z;  // exponents of AD/A0, P/D and J
};

// Radojcic (1988), "Mathematical model of segmental section propeller series
// for open-water and cavitating conditions applicable in CAD", non-cavitating
// part, as copied in ../shared/models/gawn_burrill_regression.tsv, rows in its
// order; each literal is the tsv's C with its E as the decimal exponent.
constexpr std::array<Term, 16> ktTerms{{
    {0.1193852f, 0, 0, 0},
    {-0.6574682f, 0, 0, 1},
    {0.3493294f, 0, 1, 0},
    {0.4119366f, 0, 1, 1},
    {-0.1991927f, 0, 2, 1},
    {5.8630510e-2f, 0, 2, 2},
    {-1.1077350e-2f, 0, 2, 3},
    {-0.1341679f, 1, 0, 0},
    {0.2628839f, 1, 0, 1},
    {-0.5217023f, 1, 1, 1},
    {0.2970728f, 1, 2, 0},
    {6.1525800e-2f, 2, 1, 3},
    {-2.4708400e-2f, 2, 2, 3},
    {-4.0801660e-3f, 1, 6, 0},
    {4.1542010e-3f, 1, 6, 1},
    {-1.1364520e-3f, 2, 6, 0},
}};

constexpr std::array<Term, 17> kqTerms{{
    {1.5411660e-3f, 0, 0, 0},
    {0.1091688f, 0, 0, 1},
    {-0.3102420f, 0, 0, 2},
    {0.1547428f, 0, 0, 3},
    {-4.3706150e-2f, 0, 1, 0},
    {0.2490295f, 0, 1, 2},
    {-0.1594602f, 0, 1, 3},
    {8.5367470e-2f, 0, 2, 0},
    {-9.5121630e-2f, 0, 2, 1},
    {-9.3203070e-3f, 0, 2, 2},
    {3.2878050e-2f, 0, 2, 3},
    {5.4960340e-2f, 1, 0, 1},
    {-4.8650630e-2f, 1, 1, 0},
    {-0.1062500f, 1, 1, 1},
    {8.5299550e-2f, 1, 2, 0},
    {1.1010230e-2f, 2, 0, 3},
    {-3.1517560e-3f, 2, 2, 2},
}};

// Highest exponents over both tables: the power tables run from 0 to these.
constexpr std::size_t maxAreaExponent = 2;
constexpr std::size_t maxPitchExponent = 6;
constexpr std::size_t maxAdvanceExponent = 3;

template <std::size_t N>
constexpr bool withinPowerTables(const std::array<Term, N>& terms) {
  for (const Term& e : terms)
    if (e.x > maxAreaExponent || e.y > maxPitchExponent || e.z > maxAdvanceExponent) return false;
  return true;
}
static_assert(withinPowerTables(ktTerms) && withinPowerTables(kqTerms));

template <std::size_t N>
float regressionSum(const std::array<Term, N>& terms, float j, float pitchRatio, float areaRatio) {
  float sum = 0.0f;
  for (const Term& e : terms) {
    const float term = e.c * intPow(j, e.z) * intPow(pitchRatio, e.y) * intPow(areaRatio, e.x);
    sum = sum + term;
  }
  return sum;
}

// Sixteen J per block: four SSE or two AVX2 registers per value, enough
// independent chains to hide the latency of the runs of additions.
constexpr std::size_t kLanes = 16;
typedef float Sse __attribute__((vector_size(16)));
typedef float Avx __attribute__((vector_size(32)));

// What one curve shares between its points.
struct Shared {
  std::array<float, maxPitchExponent + 1> pd;
  std::array<float, maxAreaExponent + 1> ear;
  std::array<float, ktTerms.size()> ktTermWithoutJ;
  std::array<float, kqTerms.size()> kqTermWithoutJ;
};

// One value of a block: K registers of V side by side.
template <class V, std::size_t K>
struct Block {
  V r[K];
};

template <class V, std::size_t K, std::size_t N, const std::array<Term, N>& Terms, std::size_t I>
[[gnu::always_inline]] inline void addTerm(Block<V, K>& sum,
                                           const Block<V, K> (&j)[maxAdvanceExponent + 1],
                                           const Shared& c,
                                           const std::array<float, N>& termWithoutJ) {
  constexpr Term e = Terms[I];
  if constexpr (e.z == 0) {
    const float term = termWithoutJ[I];
#pragma GCC unroll 4
    for (std::size_t k = 0; k < K; ++k) sum.r[k] = sum.r[k] + term;
  } else {
#pragma GCC unroll 4
    for (std::size_t k = 0; k < K; ++k) {
      V term = e.c * j[e.z].r[k];
      if constexpr (e.y != 0) term = term * c.pd[e.y];
      if constexpr (e.x != 0) term = term * c.ear[e.x];
      sum.r[k] = sum.r[k] + term;
    }
  }
}

template <class V, std::size_t K, std::size_t N, const std::array<Term, N>& Terms, std::size_t... I>
[[gnu::always_inline]] inline void addTerms(Block<V, K>& sum,
                                            const Block<V, K> (&j)[maxAdvanceExponent + 1],
                                            const Shared& c,
                                            const std::array<float, N>& termWithoutJ,
                                            std::index_sequence<I...>) {
  // The comma fold adds the terms strictly in table order.
  (addTerm<V, K, N, Terms, I>(sum, j, c, termWithoutJ), ...);
}

template <class V>
[[gnu::always_inline]] inline void evalBlock(const Shared& c, const float* advance, float* kt,
                                             float* kq) {
  constexpr std::size_t K = kLanes * sizeof(float) / sizeof(V);
  constexpr std::size_t width = sizeof(V) / sizeof(float);
  Block<V, K> j[maxAdvanceExponent + 1];  // j[0], J^0, is never read
#pragma GCC unroll 4
  for (std::size_t k = 0; k < K; ++k) {
    std::memcpy(&j[1].r[k], advance + k * width, sizeof(V));
    j[2].r[k] = j[1].r[k] * j[1].r[k];
    j[3].r[k] = j[2].r[k] * j[1].r[k];
  }
  Block<V, K> ktSum{};
  addTerms<V, K, ktTerms.size(), ktTerms>(ktSum, j, c, c.ktTermWithoutJ,
                                          std::make_index_sequence<ktTerms.size()>{});
  Block<V, K> kqSum{};
  addTerms<V, K, kqTerms.size(), kqTerms>(kqSum, j, c, c.kqTermWithoutJ,
                                          std::make_index_sequence<kqTerms.size()>{});
#pragma GCC unroll 4
  for (std::size_t k = 0; k < K; ++k) {
    std::memcpy(kt + k * width, &ktSum.r[k], sizeof(V));
    std::memcpy(kq + k * width, &kqSum.r[k], sizeof(V));
  }
}

using Kernel = void (*)(const Shared&, const float*, float*, float*, std::size_t);

void baselineKernel(const Shared& c, const float* advance, float* kt, float* kq,
                    std::size_t blocks) {
  for (std::size_t b = 0; b < blocks; ++b) {
    const std::size_t at = b * kLanes;
    evalBlock<Sse>(c, advance + at, kt + at, kq + at);
  }
}

// The same loop compiled for AVX2. AVX2 brings no fused multiply-add of its
// own, and the build forbids contraction besides, so every lane rounds as the
// scalar code does.
__attribute__((target("avx2"))) void avx2Kernel(const Shared& c, const float* advance, float* kt,
                                                float* kq, std::size_t blocks) {
  for (std::size_t b = 0; b < blocks; ++b) {
    const std::size_t at = b * kLanes;
    evalBlock<Avx>(c, advance + at, kt + at, kq + at);
  }
}

// A processor without AVX2 gets the baseline kernel even when AVX2 is asked
// for: both give the same bits, and the AVX2 one would stop the program.
Kernel kernelFor(CurveIsa isa) {
  return isa != CurveIsa::Baseline && curveIsaAvailable(CurveIsa::Avx2) ? avx2Kernel
                                                                        : baselineKernel;
}

// x^0 .. x^N, each power one more multiplication of the one before, as intPow.
template <std::size_t N>
void formPowers(float x, std::array<float, N>& p) {
  p[0] = 1.0f;
  for (std::size_t k = 1; k < N; ++k) p[k] = p[k - 1] * x;
}

template <std::size_t N>
void formTermsWithoutJ(const std::array<Term, N>& terms, const Shared& c,
                       std::array<float, N>& withoutJ) {
  for (std::size_t i = 0; i < N; ++i)
    withoutJ[i] = terms[i].c * c.pd[terms[i].y] * c.ear[terms[i].x];
}

}  // namespace

void gawnRegression(float j, float pitchRatio, float areaRatio, float& kt, float& kq) {
  kt = regressionSum(ktTerms, j, pitchRatio, areaRatio);
  kq = regressionSum(kqTerms, j, pitchRatio, areaRatio);
}

void gawnRegressionCurve(float pitchRatio, float areaRatio, std::span<const float> j,
                         std::span<float> kt, std::span<float> kq, CurveIsa isa) {
  const std::size_t count = std::min({j.size(), kt.size(), kq.size()});
  Shared shared{};
  formPowers(pitchRatio, shared.pd);
  formPowers(areaRatio, shared.ear);
  formTermsWithoutJ(ktTerms, shared, shared.ktTermWithoutJ);
  formTermsWithoutJ(kqTerms, shared, shared.kqTermWithoutJ);

  const Kernel kernel = kernelFor(isa);
  const std::size_t whole = count / kLanes;
  kernel(shared, j.data(), kt.data(), kq.data(), whole);

  // The last, partial block through a padded copy; the padding repeats the
  // last J so that no lane meets a value the regression was not fitted for.
  const std::size_t done = whole * kLanes;
  if (done < count) {
    float padJ[kLanes], padKt[kLanes], padKq[kLanes];
    for (std::size_t l = 0; l < kLanes; ++l) padJ[l] = j[done + std::min(l, count - done - 1)];
    kernel(shared, padJ, padKt, padKq, 1);
    for (std::size_t l = 0; done + l < count; ++l) {
      kt[done + l] = padKt[l];
      kq[done + l] = padKq[l];
    }
  }
}

}  // namespace helisolv

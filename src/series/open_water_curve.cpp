// The curve evaluator: a block of J values at a time, one J per vector lane.
//
// Each lane repeats the scalar evaluator's arithmetic exactly: J, J^2 = J J,
// J^3 = J^2 J; every term formed from the left, ((((C J^s) PD^t) EAR^u) Z^v),
// and added to the running sum in table order, each step rounded to 32 bits.
// A term without J is the same for every lane and is formed once per curve in
// the same order. Factors of 1 (an exponent of 0) are left out: multiplying by
// exactly 1 never changes a float. The powers of PD, EAR and Z are never
// multiplied together ahead of C J^s, which would round differently.
//
// The Gawn-Burrill regression has a lane-parallel evaluator of its own, and a
// correction that changes with J (a diameter implied by J, or the Reynolds-
// number correction, whose terms hold J) is applied point by point after the
// lanes, by the scalar evaluator's own function.
#include "series/open_water_curve.hpp"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <utility>

#include "series/formulas.hpp"
#include "series/gawn_regression.hpp"
#include "series/series.hpp"

namespace helisolv {

namespace {

using namespace series_tables;
using Shared = OpenWaterCurve::Shared;

// Sixteen J per block: four SSE or two AVX2 registers per value, enough
// independent chains to hide the latency of the long runs of additions.
constexpr std::size_t kLanes = 16;
typedef float Sse __attribute__((vector_size(16)));
typedef float Avx __attribute__((vector_size(32)));

// Smallest |J| the polynomials are evaluated at, as in the scalar evaluator.
constexpr float minimumAdvance = 0.001f;

struct WageningenTables {
  static constexpr const std::array<float, ktTermCount>& kt = wageningenKt;
  static constexpr const std::array<float, kqTermCount>& kq = wageningenKq;
};
struct GawnTables {
  static constexpr const std::array<float, ktTermCount>& kt = gawnKt;
  static constexpr const std::array<float, kqTermCount>& kq = gawnKq;
};

// One value of a block: K registers of V side by side.
template <class V, std::size_t K>
struct Block {
  V r[K];
};

template <class V, std::size_t K, std::size_t Terms, const std::array<float, Terms>& Coefficients,
          const std::array<Exponents, Terms>& Powers, std::size_t I>
[[gnu::always_inline]] inline void addTerm(Block<V, K>& sum, const Block<V, K> (&j)[4],
                                           const Shared& c,
                                           const std::array<float, Terms>& termWithoutJ) {
  constexpr Exponents e = Powers[I];
  if constexpr (e.s == 0) {
    const float term = termWithoutJ[I];
#pragma GCC unroll 4
    for (std::size_t k = 0; k < K; ++k) sum.r[k] = sum.r[k] + term;
  } else {
#pragma GCC unroll 4
    for (std::size_t k = 0; k < K; ++k) {
      V term = Coefficients[I] * j[e.s].r[k];
      if constexpr (e.t != 0) term = term * c.pd[e.t];
      if constexpr (e.u != 0) term = term * c.ear[e.u];
      if constexpr (e.v != 0) term = term * c.z[e.v];
      sum.r[k] = sum.r[k] + term;
    }
  }
}

template <class V, std::size_t K, std::size_t Terms, const std::array<float, Terms>& Coefficients,
          const std::array<Exponents, Terms>& Powers, std::size_t... I>
[[gnu::always_inline]] inline void addTerms(Block<V, K>& sum, const Block<V, K> (&j)[4],
                                            const Shared& c,
                                            const std::array<float, Terms>& termWithoutJ,
                                            std::index_sequence<I...>) {
  // The comma fold adds the terms strictly in table order.
  (addTerm<V, K, Terms, Coefficients, Powers, I>(sum, j, c, termWithoutJ), ...);
}

// Kt, Kq and (when efficiency is set) eta0 of one block of clamped J.
template <class Tables, class V>
[[gnu::always_inline]] inline void evalBlock(const Shared& c, const float* advance, float* kt,
                                             float* kq, float* eta0, bool efficiency) {
  constexpr std::size_t K = kLanes * sizeof(float) / sizeof(V);
  Block<V, K> j[4];
#pragma GCC unroll 4
  for (std::size_t k = 0; k < K; ++k) {
    std::memcpy(&j[1].r[k], advance + k * (sizeof(V) / sizeof(float)), sizeof(V));
    j[2].r[k] = j[1].r[k] * j[1].r[k];
    j[3].r[k] = j[2].r[k] * j[1].r[k];
  }

  Block<V, K> ktSum{};
  addTerms<V, K, ktTermCount, Tables::kt, ktExponents>(ktSum, j, c, c.ktTermWithoutJ,
                                                       std::make_index_sequence<ktTermCount>{});
  Block<V, K> kqSum{};
  addTerms<V, K, kqTermCount, Tables::kq, kqExponents>(kqSum, j, c, c.kqTermWithoutJ,
                                                       std::make_index_sequence<kqTermCount>{});
#pragma GCC unroll 4
  for (std::size_t k = 0; k < K; ++k) {
    const std::size_t at = k * (sizeof(V) / sizeof(float));
    if (c.sameCorrection) {
      ktSum.r[k] = ktSum.r[k] - c.dKt;
      kqSum.r[k] = kqSum.r[k] - c.dKq;
    }
    std::memcpy(kt + at, &ktSum.r[k], sizeof(V));
    std::memcpy(kq + at, &kqSum.r[k], sizeof(V));
    if (efficiency) {
      // As openWaterEfficiency: (Kt / Kq) J / 2 pi.
      const V eta = (ktSum.r[k] / kqSum.r[k]) * j[1].r[k] / 6.2831855f;
      std::memcpy(eta0 + at, &eta, sizeof(V));
    }
  }
}

using Kernel = void (*)(const Shared&, const float*, float*, float*, float*, std::size_t, bool);

template <class Tables>
void baselineKernel(const Shared& c, const float* advance, float* kt, float* kq, float* eta0,
                    std::size_t blocks, bool efficiency) {
  for (std::size_t b = 0; b < blocks; ++b) {
    const std::size_t at = b * kLanes;
    evalBlock<Tables, Sse>(c, advance + at, kt + at, kq + at, eta0 + at, efficiency);
  }
}

// The same loop compiled for AVX2. AVX2 brings no fused multiply-add of its
// own, and the build forbids contraction besides, so every lane rounds as the
// scalar code does.
template <class Tables>
__attribute__((target("avx2"))) void avx2Kernel(const Shared& c, const float* advance, float* kt,
                                                float* kq, float* eta0, std::size_t blocks,
                                                bool efficiency) {
  for (std::size_t b = 0; b < blocks; ++b) {
    const std::size_t at = b * kLanes;
    evalBlock<Tables, Avx>(c, advance + at, kt + at, kq + at, eta0 + at, efficiency);
  }
}

template <class Tables>
Kernel kernelFor(CurveIsa isa) {
  if (isa == CurveIsa::Best) isa = curveIsaAvailable(CurveIsa::Avx2) ? CurveIsa::Avx2 : isa;
  return isa == CurveIsa::Avx2 ? avx2Kernel<Tables> : baselineKernel<Tables>;
}

template <std::size_t Terms>
void formTermsWithoutJ(const std::array<float, Terms>& coefficients,
                       const std::array<Exponents, Terms>& exponents, const Shared& c,
                       std::array<float, Terms>& terms) {
  for (std::size_t i = 0; i < Terms; ++i) {
    const Exponents& e = exponents[i];
    terms[i] = coefficients[i] * c.pd[e.t] * c.ear[e.u] * c.z[e.v];
  }
}

// x^0 .. x^N, each power one more multiplication of the one before.
template <std::size_t N>
void formPowers(float x, std::array<float, N>& p) {
  p[0] = 1.0f;
  for (std::size_t k = 1; k < N; ++k) p[k] = p[k - 1] * x;
}

}  // namespace

bool curveIsaAvailable(CurveIsa isa) {
  if (isa == CurveIsa::Avx2) return __builtin_cpu_supports("avx2");
  return true;
}

OpenWaterCurve::OpenWaterCurve(const SeriesModel& model, const Propeller& propeller,
                               const ScaleCorrection& correction, CurveIsa isa)
    : series_(model.seriesType),
      gawnRegression_(model.seriesType == 2 && model.gawn == GawnModel::Regression),
      pitchRatio_(propeller.pitchRatio),
      areaRatio_(propeller.areaRatio),
      bladeCount_(seriesBladeCount(model, propeller.bladeCount)),
      correction_(correction),
      isa_(isa) {
  // The regression has its own curve evaluator and shares nothing of these.
  if ((series_ != 1 && series_ != 2) || gawnRegression_) return;

  formPowers(pitchRatio_, shared_.pd);
  formPowers(areaRatio_, shared_.ear);
  formPowers(bladeCount_, shared_.z);
  if (series_ == 1) {
    formTermsWithoutJ(wageningenKt, ktExponents, shared_, shared_.ktTermWithoutJ);
    formTermsWithoutJ(wageningenKq, kqExponents, shared_, shared_.kqTermWithoutJ);
    // Only the Wageningen series is corrected for scale. Where the diameter is
    // known the ITTC78 corrections are the same at every J (the J given plays
    // no part) and are worked out once; the Reynolds-number one has terms in J.
    if (correction_.applies()) {
      perPointCorrection_ =
          correction_.variesWithAdvance() || correction_.method == ViscousCorrection::Reynolds;
      if (!perPointCorrection_) {
        shared_.sameCorrection = true;
        scaleCorrection(correction_, minimumAdvance, {bladeCount_, areaRatio_, pitchRatio_},
                        shared_.dKt, shared_.dKq);
      }
    }
  } else {
    formTermsWithoutJ(gawnKt, ktExponents, shared_, shared_.ktTermWithoutJ);
    formTermsWithoutJ(gawnKq, kqExponents, shared_, shared_.kqTermWithoutJ);
  }
}

ModelRangeNotes OpenWaterCurve::evaluate(std::span<const float> advance,
                                         std::span<float> evaluatedAdvance, std::span<float> kt,
                                         std::span<float> kq, std::span<float> eta0) const {
  const std::size_t count = advance.size();
  ModelRangeNotes notes;
  if (series_ != 1 && series_ != 2) {
    for (std::size_t i = 0; i < count; ++i) {
      evaluatedAdvance[i] = advance[i];
      kt[i] = 0.0f;
      kq[i] = 0.0f;
      eta0[i] = 0.0f;
    }
    return notes;
  }
  for (std::size_t i = 0; i < count; ++i) {
    const float j = advance[i];
    evaluatedAdvance[i] = std::fabs(j) < minimumAdvance ? minimumAdvance : j;
  }

  if (gawnRegression_) {
    const std::span<const float> evaluated(evaluatedAdvance.data(), count);
    gawnRegressionCurve(pitchRatio_, areaRatio_, evaluated, kt.first(count), kq.first(count), isa_);
    for (std::size_t i = 0; i < count; ++i) {
      eta0[i] = openWaterEfficiency(kt[i], kq[i], evaluated[i]);
      notes.outsideGawnRegression = notes.outsideGawnRegression ||
                                    outsideGawnRegression(pitchRatio_, areaRatio_, evaluated[i]);
    }
    return notes;
  }

  const Kernel kernel =
      series_ == 1 ? kernelFor<WageningenTables>(isa_) : kernelFor<GawnTables>(isa_);
  const std::size_t whole = count / kLanes;
  kernel(shared_, evaluatedAdvance.data(), kt.data(), kq.data(), eta0.data(), whole,
         !perPointCorrection_);

  // The last, partial block through a padded copy; the padding repeats the
  // last J so that no lane meets a value the polynomials were not fitted for.
  const std::size_t done = whole * kLanes;
  if (done < count) {
    float padJ[kLanes], padKt[kLanes], padKq[kLanes], padEta[kLanes];
    for (std::size_t l = 0; l < kLanes; ++l)
      padJ[l] = evaluatedAdvance[done + (l < count - done ? l : count - done - 1)];
    kernel(shared_, padJ, padKt, padKq, padEta, 1, !perPointCorrection_);
    for (std::size_t l = 0; done + l < count; ++l) {
      kt[done + l] = padKt[l];
      kq[done + l] = padKq[l];
      if (!perPointCorrection_) eta0[done + l] = padEta[l];
    }
  }

  if (perPointCorrection_) {
    for (std::size_t i = 0; i < count; ++i) {
      notes |= correctToFullScale(correction_, evaluatedAdvance[i],
                                  {bladeCount_, areaRatio_, pitchRatio_}, kt[i], kq[i]);
      eta0[i] = openWaterEfficiency(kt[i], kq[i], evaluatedAdvance[i]);
    }
  }
  return notes;
}

}  // namespace helisolv

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
// Curves over the same J (a grid of propellers) share the product C J^s of each
// term: it is formed once per block of J for a tile of curves, the same two
// values multiplied, and each curve goes on from it as it would alone.
//
// The Gawn-Burrill regression has a lane-parallel evaluator of its own, and a
// correction that changes with J (a diameter implied by J, or the Reynolds-
// number correction, whose terms hold J) is applied point by point after the
// lanes, by the scalar evaluator's own function.
#include "series/open_water_curve.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "series/formulas.hpp"
#include "series/gawn_regression.hpp"
#include "series/series.hpp"

namespace helisolv {

namespace {

using namespace series_tables;
using Shared = OpenWaterCurve::Shared;

// Four registers per value in every instruction set: with Kt and Kq that is
// eight independent chains of additions, enough to hide their latency (one
// register per value would leave the adders waiting on the previous sum).
// Sixteen J per block with SSE, thirty-two with AVX2, sixty-four with AVX-512.
constexpr std::size_t kRegisters = 4;
typedef float Sse __attribute__((vector_size(16)));
typedef float Avx __attribute__((vector_size(32)));
typedef float Avx512 __attribute__((vector_size(64)));
template <class V>
constexpr std::size_t lanesOf = kRegisters * sizeof(V) / sizeof(float);
// The widest block, for the padded copy of a curve's last, partial block.
constexpr std::size_t kMaxLanes = lanesOf<Avx512>;

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

// The index of term I among the terms of its table that hold J.
template <std::size_t Terms, const std::array<Exponents, Terms>& Powers, std::size_t I>
constexpr std::size_t jTermIndex() {
  std::size_t m = 0;
  for (std::size_t i = 0; i < I; ++i) m += Powers[i].s != 0 ? 1 : 0;
  return m;
}

template <std::size_t Terms, const std::array<Exponents, Terms>& Powers>
constexpr std::size_t jTermCount = jTermIndex<Terms, Powers, Terms>();

// C J^s of every term that holds J, for one block: what the curves of a grid
// share at the same J. Kt's terms first, then Kq's.
constexpr std::size_t kJTerms =
    jTermCount<ktTermCount, ktExponents> + jTermCount<kqTermCount, kqExponents>;

template <class V, std::size_t K>
struct JTerms {
  V r[kJTerms][K];
};

// Adds term I to the sum. Its C J^s is formed here, or (jTerms set) taken as
// formed by formJTerms, which multiplies the same two values.
template <class V, std::size_t K, std::size_t Terms, const std::array<float, Terms>& Coefficients,
          const std::array<Exponents, Terms>& Powers, std::size_t I, std::size_t JTermBase>
[[gnu::always_inline]] inline void addTerm(Block<V, K>& sum, const Block<V, K> (&j)[4],
                                           const JTerms<V, K>* jTerms, const Shared& c,
                                           const std::array<float, Terms>& termWithoutJ) {
  constexpr Exponents e = Powers[I];
  if constexpr (e.s == 0) {
    const float term = termWithoutJ[I];
#pragma GCC unroll 4
    for (std::size_t k = 0; k < K; ++k) sum.r[k] = sum.r[k] + term;
  } else {
#pragma GCC unroll 4
    for (std::size_t k = 0; k < K; ++k) {
      V term = jTerms ? jTerms->r[JTermBase + jTermIndex<Terms, Powers, I>()][k]
                      : Coefficients[I] * j[e.s].r[k];
      if constexpr (e.t != 0) term = term * c.pd[e.t];
      if constexpr (e.u != 0) term = term * c.ear[e.u];
      if constexpr (e.v != 0) term = term * c.z[e.v];
      sum.r[k] = sum.r[k] + term;
    }
  }
}

template <class V, std::size_t K, std::size_t Terms, const std::array<float, Terms>& Coefficients,
          const std::array<Exponents, Terms>& Powers, std::size_t JTermBase, std::size_t... I>
[[gnu::always_inline]] inline void addTerms(Block<V, K>& sum, const Block<V, K> (&j)[4],
                                            const JTerms<V, K>* jTerms, const Shared& c,
                                            const std::array<float, Terms>& termWithoutJ,
                                            std::index_sequence<I...>) {
  // The comma fold adds the terms strictly in table order.
  (addTerm<V, K, Terms, Coefficients, Powers, I, JTermBase>(sum, j, jTerms, c, termWithoutJ), ...);
}

template <class V, std::size_t K>
[[gnu::always_inline]] inline void loadAdvance(const float* advance, Block<V, K> (&j)[4]) {
#pragma GCC unroll 4
  for (std::size_t k = 0; k < K; ++k) {
    std::memcpy(&j[1].r[k], advance + k * (sizeof(V) / sizeof(float)), sizeof(V));
    j[2].r[k] = j[1].r[k] * j[1].r[k];
    j[3].r[k] = j[2].r[k] * j[1].r[k];
  }
}

template <class V, std::size_t K, std::size_t Terms, const std::array<float, Terms>& Coefficients,
          const std::array<Exponents, Terms>& Powers, std::size_t JTermBase>
[[gnu::always_inline]] inline void formJTermsOf(const Block<V, K> (&j)[4], JTerms<V, K>& out) {
  [&]<std::size_t... I>(std::index_sequence<I...>) {
    (
        [&] {
          if constexpr (Powers[I].s != 0) {
#pragma GCC unroll 4
            for (std::size_t k = 0; k < K; ++k)
              out.r[JTermBase + jTermIndex<Terms, Powers, I>()][k] =
                  Coefficients[I] * j[Powers[I].s].r[k];
          }
        }(),
        ...);
  }
  (std::make_index_sequence<Terms>{});
}

constexpr std::size_t kKqJTermBase = jTermCount<ktTermCount, ktExponents>;

template <class Tables, class V>
[[gnu::always_inline]] inline void formJTerms(const float* advance, JTerms<V, kRegisters>& out) {
  Block<V, kRegisters> j[4];
  loadAdvance(advance, j);
  formJTermsOf<V, kRegisters, ktTermCount, Tables::kt, ktExponents, 0>(j, out);
  formJTermsOf<V, kRegisters, kqTermCount, Tables::kq, kqExponents, kKqJTermBase>(j, out);
}

// Kt, Kq and (when efficiency is set) eta0 of one block of clamped J, with
// the products C J^s of jTerms where it is set.
template <class Tables, class V>
[[gnu::always_inline]] inline void evalBlock(const Shared& c, const float* advance, float* kt,
                                             float* kq, float* eta0, bool efficiency,
                                             const JTerms<V, kRegisters>* jTerms = nullptr) {
  constexpr std::size_t K = kRegisters;
  Block<V, K> j[4];
  if (jTerms) {
#pragma GCC unroll 4
    for (std::size_t k = 0; k < K; ++k)
      std::memcpy(&j[1].r[k], advance + k * (sizeof(V) / sizeof(float)), sizeof(V));
  } else {
    loadAdvance(advance, j);
  }

  Block<V, K> ktSum{};
  addTerms<V, K, ktTermCount, Tables::kt, ktExponents, 0>(ktSum, j, jTerms, c, c.ktTermWithoutJ,
                                                          std::make_index_sequence<ktTermCount>{});
  Block<V, K> kqSum{};
  addTerms<V, K, kqTermCount, Tables::kq, kqExponents, kKqJTermBase>(
      kqSum, j, jTerms, c, c.kqTermWithoutJ, std::make_index_sequence<kqTermCount>{});
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

// A kernel evaluates whole blocks of its own width: count is a multiple of it.
using KernelFn = void (*)(const Shared&, const float*, float*, float*, float*, std::size_t, bool);
using GridFn = void (*)(const Shared* const*, const std::uint8_t*, std::size_t, const float*,
                        std::size_t, float* const*, float* const*, float* const*);
struct Kernel {
  KernelFn run;
  GridFn grid;
  std::size_t lanes;
};

template <class Tables>
void baselineKernel(const Shared& c, const float* advance, float* kt, float* kq, float* eta0,
                    std::size_t count, bool efficiency) {
  for (std::size_t at = 0; at < count; at += lanesOf<Sse>)
    evalBlock<Tables, Sse>(c, advance + at, kt + at, kq + at, eta0 + at, efficiency);
}

// The same loop compiled for AVX2 and for AVX-512F. Neither instruction set is
// let fuse a multiply with an add here (the build forbids contraction, and fma
// is not among the targets), so every lane rounds as the scalar code does.
template <class Tables>
__attribute__((target("avx2"))) void avx2Kernel(const Shared& c, const float* advance, float* kt,
                                                float* kq, float* eta0, std::size_t count,
                                                bool efficiency) {
  for (std::size_t at = 0; at < count; at += lanesOf<Avx>)
    evalBlock<Tables, Avx>(c, advance + at, kt + at, kq + at, eta0 + at, efficiency);
}

template <class Tables>
__attribute__((target("avx512f"))) void avx512Kernel(const Shared& c, const float* advance,
                                                     float* kt, float* kq, float* eta0,
                                                     std::size_t count, bool efficiency) {
  for (std::size_t at = 0; at < count; at += lanesOf<Avx512>)
    evalBlock<Tables, Avx512>(c, advance + at, kt + at, kq + at, eta0 + at, efficiency);
}

// Several curves over one grid of J (count a multiple of the block), the row
// of curve q at rows[q]: each block's C J^s is formed once and used by every
// curve. The curves come in groups of equal pitch and area ratio (a group of
// one is a curve alone), whose members differ only in the blade count: a
// group forms ((C J^s) PD^t) EAR^u of a term once, and each member multiplies
// that same value by its own Z^v and adds it, exactly as it would alone.

// Adds term I of one table to the sums of the M members of a group.
template <class V, std::size_t M, std::size_t Terms, const std::array<Exponents, Terms>& Powers,
          std::size_t I, std::size_t JTermBase, bool IsKt>
[[gnu::always_inline]] inline void addGroupTerm(V (&sum)[M], const Shared* const* members,
                                                const V (&z)[M][maxBladeExponent + 1],
                                                const JTerms<V, kRegisters>& jTerms,
                                                std::size_t k) {
  constexpr Exponents e = Powers[I];
  if constexpr (e.s == 0) {
#pragma GCC unroll 8
    for (std::size_t m = 0; m < M; ++m)
      sum[m] = sum[m] + (IsKt ? members[m]->ktTermWithoutJ[I] : members[m]->kqTermWithoutJ[I]);
  } else {
    V prefix = jTerms.r[JTermBase + jTermIndex<Terms, Powers, I>()][k];
    if constexpr (e.t != 0) prefix = prefix * members[0]->pd[e.t];
    if constexpr (e.u != 0) prefix = prefix * members[0]->ear[e.u];
#pragma GCC unroll 8
    for (std::size_t m = 0; m < M; ++m) {
      if constexpr (e.v != 0)
        sum[m] = sum[m] + prefix * z[m][e.v];
      else
        sum[m] = sum[m] + prefix;
    }
  }
}

// The sums of one table (Kt or Kq) of every member, corrected and stored.
template <class V, std::size_t M, std::size_t Terms, const std::array<Exponents, Terms>& Powers,
          std::size_t JTermBase, bool IsKt, std::size_t... I>
[[gnu::always_inline]] inline void groupTable(V (&sum)[M], const Shared* const* members,
                                              const V (&z)[M][maxBladeExponent + 1],
                                              const JTerms<V, kRegisters>& jTerms, std::size_t k,
                                              float* const* out, std::size_t o,
                                              std::index_sequence<I...>) {
#pragma GCC unroll 8
  for (std::size_t m = 0; m < M; ++m) sum[m] = V{};
  // The comma fold adds the terms strictly in table order.
  (addGroupTerm<V, M, Terms, Powers, I, JTermBase, IsKt>(sum, members, z, jTerms, k), ...);
#pragma GCC unroll 8
  for (std::size_t m = 0; m < M; ++m) {
    if (members[m]->sameCorrection) sum[m] = sum[m] - (IsKt ? members[m]->dKt : members[m]->dKq);
    std::memcpy(out[m] + o, &sum[m], sizeof(V));
  }
}

// One register of J (lane block k of the block at advance) of a group of M:
// Kt of each member stored, then Kq, then eta0 from the stored Kt, so that
// the group needs only M sums at a time.
template <class V, std::size_t M>
[[gnu::always_inline]] inline void groupRegister(const Shared* const* members,
                                                 const V (&z)[M][maxBladeExponent + 1],
                                                 const JTerms<V, kRegisters>& jTerms, std::size_t k,
                                                 const float* advance, float* const* kt,
                                                 float* const* kq, float* const* eta0,
                                                 std::size_t at) {
  constexpr std::size_t width = sizeof(V) / sizeof(float);
  const std::size_t o = at + k * width;
  V sum[M];
  groupTable<V, M, ktTermCount, ktExponents, 0, true>(sum, members, z, jTerms, k, kt, o,
                                                      std::make_index_sequence<ktTermCount>{});
  groupTable<V, M, kqTermCount, kqExponents, kKqJTermBase, false>(
      sum, members, z, jTerms, k, kq, o, std::make_index_sequence<kqTermCount>{});
  V j;
  std::memcpy(&j, advance + k * width, sizeof(V));
#pragma GCC unroll 8
  for (std::size_t m = 0; m < M; ++m) {
    V ktm;
    std::memcpy(&ktm, kt[m] + o, sizeof(V));
    // As openWaterEfficiency: (Kt / Kq) J / 2 pi.
    const V eta = (ktm / sum[m]) * j / 6.2831855f;
    std::memcpy(eta0[m] + o, &eta, sizeof(V));
  }
}

// The largest group evaluated together: its sums and the shared prefix fit
// the registers; a larger group is evaluated in pieces of this size.
constexpr std::size_t kMaxGroup = 8;

// GCC 12 takes the lanes of the vectors of z below, each written whole, for
// possibly unset where AVX-512 inlines them: a false report, silenced here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
template <class Tables, class V, std::size_t M>
[[gnu::always_inline]] inline void groupBlock(const Shared* const* members,
                                              const JTerms<V, kRegisters>& jTerms,
                                              const float* advance, float* const* kt,
                                              float* const* kq, float* const* eta0,
                                              std::size_t at) {
  // Each member's powers of Z in every lane, once for the block: a full
  // register operand, where a number would be broadcast at each use.
  V z[M][maxBladeExponent + 1];
#pragma GCC unroll 8
  for (std::size_t m = 0; m < M; ++m) {
    // x - 0 is x, a -0 kept.
    z[m][0] = members[m]->z[0] - V{};
    z[m][1] = members[m]->z[1] - V{};
    z[m][2] = members[m]->z[2] - V{};
  }
#pragma GCC unroll 1
  for (std::size_t k = 0; k < kRegisters; ++k)
    groupRegister<V, M>(members, z, jTerms, k, advance, kt, kq, eta0, at);
}
#pragma GCC diagnostic pop

template <class Tables, class V>
[[gnu::always_inline]] inline void gridBlocks(const Shared* const* curves,
                                              const std::uint8_t* groupSizes,
                                              std::size_t groupCount, const float* advance,
                                              std::size_t count, float* const* kt, float* const* kq,
                                              float* const* eta0) {
  JTerms<V, kRegisters> jTerms;
  for (std::size_t at = 0; at < count; at += lanesOf<V>) {
    formJTerms<Tables, V>(advance + at, jTerms);
    std::size_t q = 0;
    for (std::size_t g = 0; g < groupCount; ++g) {
      const std::size_t m = groupSizes[g];
      const Shared* const* c = curves + q;
      const float* j = advance + at;
      switch (m) {
        case 1:
          evalBlock<Tables, V>(*c[0], j, kt[q] + at, kq[q] + at, eta0[q] + at, true, &jTerms);
          break;
        case 2:
          groupBlock<Tables, V, 2>(c, jTerms, j, kt + q, kq + q, eta0 + q, at);
          break;
        case 3:
          groupBlock<Tables, V, 3>(c, jTerms, j, kt + q, kq + q, eta0 + q, at);
          break;
        case 4:
          groupBlock<Tables, V, 4>(c, jTerms, j, kt + q, kq + q, eta0 + q, at);
          break;
        case 5:
          groupBlock<Tables, V, 5>(c, jTerms, j, kt + q, kq + q, eta0 + q, at);
          break;
        case 6:
          groupBlock<Tables, V, 6>(c, jTerms, j, kt + q, kq + q, eta0 + q, at);
          break;
        case 7:
          groupBlock<Tables, V, 7>(c, jTerms, j, kt + q, kq + q, eta0 + q, at);
          break;
        default:
          groupBlock<Tables, V, kMaxGroup>(c, jTerms, j, kt + q, kq + q, eta0 + q, at);
          break;
      }
      q += m;
    }
  }
}

template <class Tables>
void baselineGrid(const Shared* const* curves, const std::uint8_t* groupSizes,
                  std::size_t groupCount, const float* advance, std::size_t count, float* const* kt,
                  float* const* kq, float* const* eta0) {
  gridBlocks<Tables, Sse>(curves, groupSizes, groupCount, advance, count, kt, kq, eta0);
}

template <class Tables>
__attribute__((target("avx2"))) void avx2Grid(const Shared* const* curves,
                                              const std::uint8_t* groupSizes,
                                              std::size_t groupCount, const float* advance,
                                              std::size_t count, float* const* kt, float* const* kq,
                                              float* const* eta0) {
  gridBlocks<Tables, Avx>(curves, groupSizes, groupCount, advance, count, kt, kq, eta0);
}

template <class Tables>
__attribute__((target("avx512f"))) void avx512Grid(const Shared* const* curves,
                                                   const std::uint8_t* groupSizes,
                                                   std::size_t groupCount, const float* advance,
                                                   std::size_t count, float* const* kt,
                                                   float* const* kq, float* const* eta0) {
  gridBlocks<Tables, Avx512>(curves, groupSizes, groupCount, advance, count, kt, kq, eta0);
}

template <class Tables>
Kernel kernelFor(CurveIsa isa) {
  if (isa == CurveIsa::Best)
    isa = curveIsaAvailable(CurveIsa::Avx512) ? CurveIsa::Avx512
          : curveIsaAvailable(CurveIsa::Avx2) ? CurveIsa::Avx2
                                              : CurveIsa::Baseline;
  switch (isa) {
    case CurveIsa::Avx512:
      return {avx512Kernel<Tables>, avx512Grid<Tables>, lanesOf<Avx512>};
    case CurveIsa::Avx2:
      return {avx2Kernel<Tables>, avx2Grid<Tables>, lanesOf<Avx>};
    default:
      return {baselineKernel<Tables>, baselineGrid<Tables>, lanesOf<Sse>};
  }
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
  if (isa == CurveIsa::Avx512) return __builtin_cpu_supports("avx512f");
  return true;
}

OpenWaterCurve::OpenWaterCurve(const SeriesModel& model, const Propeller& propeller,
                               const ScaleCorrection& correction, CurveIsa isa)
    : series_(model.seriesType),
      gawnRegression_(model.seriesType == Series::Gawn && model.gawn == GawnModel::Regression),
      pitchRatio_(propeller.pitchRatio),
      areaRatio_(propeller.areaRatio),
      bladeCount_(seriesBladeCount(model, propeller.bladeCount)),
      correction_(correction),
      isa_(isa) {
  // The regression has its own curve evaluator and shares nothing of these.
  if ((series_ != Series::Wageningen && series_ != Series::Gawn) || gawnRegression_) return;

  formPowers(pitchRatio_, shared_.pd);
  formPowers(areaRatio_, shared_.ear);
  formPowers(bladeCount_, shared_.z);
  if (series_ == Series::Wageningen) {
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
  if (series_ != Series::Wageningen && series_ != Series::Gawn) {
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

  const Kernel kernel = series_ == Series::Wageningen ? kernelFor<WageningenTables>(isa_)
                                                      : kernelFor<GawnTables>(isa_);
  const std::size_t lanes = kernel.lanes;
  const std::size_t done = count / lanes * lanes;
  kernel.run(shared_, evaluatedAdvance.data(), kt.data(), kq.data(), eta0.data(), done,
             !perPointCorrection_);

  // The last, partial block through a padded copy; the padding repeats the
  // last J so that no lane meets a value the polynomials were not fitted for.
  if (done < count) {
    float padJ[kMaxLanes], padKt[kMaxLanes], padKq[kMaxLanes], padEta[kMaxLanes];
    for (std::size_t l = 0; l < lanes; ++l)
      padJ[l] = evaluatedAdvance[done + (l < count - done ? l : count - done - 1)];
    kernel.run(shared_, padJ, padKt, padKq, padEta, lanes, !perPointCorrection_);
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

bool OpenWaterCurve::sharesAdvanceTerms() const {
  return (series_ == Series::Wageningen || series_ == Series::Gawn) && !gawnRegression_ &&
         !perPointCorrection_;
}

bool OpenWaterCurve::sameRatios(const OpenWaterCurve& other) const {
  return std::memcmp(&pitchRatio_, &other.pitchRatio_, sizeof(float)) == 0 &&
         std::memcmp(&areaRatio_, &other.areaRatio_, sizeof(float)) == 0;
}

ModelRangeNotes OpenWaterCurve::evaluateGrid(std::span<const OpenWaterCurve> curves,
                                             std::span<const float> advance, std::span<float> kt,
                                             std::span<float> kq, std::span<float> eta0,
                                             std::span<const std::size_t> rows) {
  const std::size_t count = advance.size();
  ModelRangeNotes notes;
  if (count == 0) return notes;
  auto rowOf = [&](std::size_t q) { return (rows.empty() ? q : rows[q]) * count; };
  // The clamped J once for all the curves, padded to whole blocks of the
  // widest kernel by repeating the last J, as evaluate pads its last block.
  const std::size_t padded = (count + kMaxLanes - 1) / kMaxLanes * kMaxLanes;
  std::vector<float> clamped(padded);
  for (std::size_t i = 0; i < padded; ++i) {
    const float j = advance[i < count ? i : count - 1];
    clamped[i] = std::fabs(j) < minimumAdvance ? minimumAdvance : j;
  }

  // A curve that cannot share the products of J (no polynomials, the
  // regression, a correction at each J) is evaluated alone.
  std::vector<float> ownJ;
  std::size_t p = 0;
  while (p < curves.size()) {
    const OpenWaterCurve& first = curves[p];
    if (!first.sharesAdvanceTerms()) {
      const std::size_t o = rowOf(p);
      ownJ.resize(count);
      notes |= first.evaluate(advance, ownJ, kt.subspan(o, count), kq.subspan(o, count),
                              eta0.subspan(o, count));
      ++p;
      continue;
    }
    // A tile of curves of one series and instruction set: their constants and
    // a block of products of J together stay in the first-level cache. Next
    // curves of the same ratios form a group within it.
    constexpr std::size_t kTile = 32;
    const Shared* tile[kTile];
    std::uint8_t groupSizes[kTile];
    float* ktRows[kTile];
    float* kqRows[kTile];
    float* etaRows[kTile];
    std::size_t n = 0, groups = 0;
    auto joins = [&](std::size_t q) {
      return q < curves.size() && curves[q].sharesAdvanceTerms() &&
             curves[q].series_ == first.series_ && curves[q].isa_ == first.isa_;
    };
    while (n < kTile && joins(p + n)) {
      const OpenWaterCurve& c = curves[p + n];
      if (groups > 0 && groupSizes[groups - 1] < kMaxGroup && curves[p + n - 1].sameRatios(c)) {
        ++groupSizes[groups - 1];
      } else {
        // A group that would not fit whole waits for the next tile, where it
        // shares its products with all its members.
        std::size_t size = 1;
        while (size < kMaxGroup && joins(p + n + size) && c.sameRatios(curves[p + n + size]))
          ++size;
        if (n > 0 && n + size > kTile) break;
        groupSizes[groups++] = 1;
      }
      tile[n] = &c.shared_;
      const std::size_t o = rowOf(p + n);
      ktRows[n] = kt.data() + o;
      kqRows[n] = kq.data() + o;
      etaRows[n] = eta0.data() + o;
      ++n;
    }
    const Kernel kernel = first.series_ == Series::Wageningen
                              ? kernelFor<WageningenTables>(first.isa_)
                              : kernelFor<GawnTables>(first.isa_);
    const std::size_t done = count / kernel.lanes * kernel.lanes;
    kernel.grid(tile, groupSizes, groups, clamped.data(), done, ktRows, kqRows, etaRows);
    if (done < count) {
      // The last, partial block into a padded row of each curve.
      float padKt[kTile][kMaxLanes], padKq[kTile][kMaxLanes], padEta[kTile][kMaxLanes];
      for (std::size_t q = 0; q < n; ++q) {
        ktRows[q] = padKt[q];
        kqRows[q] = padKq[q];
        etaRows[q] = padEta[q];
      }
      kernel.grid(tile, groupSizes, groups, clamped.data() + done, kernel.lanes, ktRows, kqRows,
                  etaRows);
      for (std::size_t q = 0; q < n; ++q)
        for (std::size_t l = 0; done + l < count; ++l) {
          const std::size_t at = rowOf(p + q) + done + l;
          kt[at] = padKt[q][l];
          kq[at] = padKq[q][l];
          eta0[at] = padEta[q][l];
        }
    }
    p += n;
  }
  return notes;
}

}  // namespace helisolv

// Open-water evaluations per second: the Wageningen B-series without and with
// the ITTC78 correction, and the Gawn series. The point benchmarks make one
// evaluateOpenWater call per iteration at a J that moves along a typical table
// sweep; the curve benchmarks evaluate one design curve per iteration (1400 J
// from 0.1 by 0.001, a new pitch ratio each time) with each instruction set,
// and the grid benchmarks thirty-two curves over those J at once.
#include <benchmark/benchmark.h>

#include <vector>

#include "series/open_water_curve.hpp"
#include "series/series.hpp"

namespace {

void sweepEvaluations(benchmark::State& state, int seriesType, int viscousFlag) {
  const helisolv::SeriesModel model{static_cast<helisolv::Series>(seriesType)};
  const helisolv::ScaleCorrection correction{viscousFlag, helisolv::ViscousCorrection::Legacy, 4.0f,
                                             6.0f, 120.0f};
  const helisolv::Propeller propeller{seriesType == 2 ? 3.0f : 4.0f, 0.55f, 1.0f};
  float j = 0.05f;
  for (auto _ : state) {
    const helisolv::OpenWaterPoint p = helisolv::evaluateOpenWater(model, propeller, j, correction);
    benchmark::DoNotOptimize(p);
    j = j + 0.025f;
    if (j > 1.5f) j = 0.05f;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_WageningenUncorrected(benchmark::State& state) {
  sweepEvaluations(state, 1, 0);
}
void BM_WageningenCorrected(benchmark::State& state) {
  sweepEvaluations(state, 1, 1);
}
void BM_Gawn(benchmark::State& state) {
  sweepEvaluations(state, 2, 0);
}

BENCHMARK(BM_WageningenUncorrected);
BENCHMARK(BM_WageningenCorrected);
BENCHMARK(BM_Gawn);

void curveEvaluations(benchmark::State& state, int seriesType, helisolv::CurveIsa isa) {
  if (!helisolv::curveIsaAvailable(isa)) {
    state.SkipWithError("instruction set not available");
    return;
  }
  std::vector<float> grid(1400), curveJ(1400), kt(1400), kq(1400), eta0(1400);
  float j = 0.1f;
  for (float& g : grid) {
    g = j;
    j = j + 0.001f;
  }
  float pitchRatio = 0.5f;
  for (auto _ : state) {
    const helisolv::OpenWaterCurve curve({static_cast<helisolv::Series>(seriesType)},
                                         {seriesType == 2 ? 3.0f : 4.0f, 0.55f, pitchRatio}, {},
                                         isa);
    curve.evaluate(grid, curveJ, kt, kq, eta0);
    benchmark::DoNotOptimize(kt.data());
    benchmark::DoNotOptimize(kq.data());
    benchmark::DoNotOptimize(eta0.data());
    benchmark::ClobberMemory();
    pitchRatio = pitchRatio + 0.01f;
    if (pitchRatio > 1.4f) pitchRatio = 0.5f;
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(grid.size()));
}

BENCHMARK_CAPTURE(curveEvaluations, wageningen_baseline, 1, helisolv::CurveIsa::Baseline);
BENCHMARK_CAPTURE(curveEvaluations, wageningen_avx2, 1, helisolv::CurveIsa::Avx2);
BENCHMARK_CAPTURE(curveEvaluations, wageningen_avx512, 1, helisolv::CurveIsa::Avx512);
BENCHMARK_CAPTURE(curveEvaluations, gawn_baseline, 2, helisolv::CurveIsa::Baseline);
BENCHMARK_CAPTURE(curveEvaluations, gawn_avx2, 2, helisolv::CurveIsa::Avx2);

// Thirty-two Wageningen curves over the same 1400 J as one grid, whose results
// (537 kB) stay in the second-level cache: the kernel's rate without the cost
// of writing a large grid out to memory.
// grouped: six blade counts for each of six pitch ratios (36 curves), which
// share each term's product but its power of Z; otherwise 32 pitch ratios.
void curveGridEvaluations(benchmark::State& state, helisolv::CurveIsa isa, bool grouped = false) {
  if (!helisolv::curveIsaAvailable(isa)) {
    state.SkipWithError("instruction set not available");
    return;
  }
  std::vector<float> grid(1400);
  float j = 0.1f;
  for (float& g : grid) {
    g = j;
    j = j + 0.001f;
  }
  std::vector<helisolv::OpenWaterCurve> curves;
  for (int p = 0; p < (grouped ? 36 : 32); ++p)
    curves.emplace_back(helisolv::SeriesModel{helisolv::Series::Wageningen},
                        helisolv::Propeller{static_cast<float>(2 + p % 6), 0.55f,
                                            0.5f + 0.02f * static_cast<float>(grouped ? p / 6 : p)},
                        helisolv::ScaleCorrection{}, isa);
  const std::size_t n = curves.size() * grid.size();
  std::vector<float> kt(n), kq(n), eta0(n);
  for (auto _ : state) {
    helisolv::OpenWaterCurve::evaluateGrid(curves, grid, kt, kq, eta0);
    benchmark::DoNotOptimize(kt.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
}

BENCHMARK_CAPTURE(curveGridEvaluations, wageningen_baseline, helisolv::CurveIsa::Baseline);
BENCHMARK_CAPTURE(curveGridEvaluations, wageningen_avx2, helisolv::CurveIsa::Avx2);
BENCHMARK_CAPTURE(curveGridEvaluations, wageningen_avx512, helisolv::CurveIsa::Avx512);
BENCHMARK_CAPTURE(curveGridEvaluations, wageningen_grouped_baseline, helisolv::CurveIsa::Baseline,
                  true);
BENCHMARK_CAPTURE(curveGridEvaluations, wageningen_grouped_avx2, helisolv::CurveIsa::Avx2, true);
BENCHMARK_CAPTURE(curveGridEvaluations, wageningen_grouped_avx512, helisolv::CurveIsa::Avx512,
                  true);

}  // namespace

// Open-water evaluations per second: the Wageningen B-series without and with
// the ITTC78 correction, and the Gawn series. The point benchmarks make one
// evalOpenWater call per iteration at a J that moves along a typical table
// sweep; the curve benchmarks evaluate one design curve per iteration (1400 J
// from 0.1 by 0.001, a new pitch ratio each time) with each instruction set.
#include <benchmark/benchmark.h>

#include <vector>

#include "driver/record.hpp"
#include "series/open_water_curve.hpp"
#include "series/series.hpp"

namespace {

using helisolv::rec;

void sweepEvaluations(benchmark::State& state, int seriesType, int viscousFlag) {
  rec = helisolv::ProblemRecord{};
  rec.seriesType = seriesType;
  rec.viscousFlag = viscousFlag;
  rec.diameter = 4.0f;
  rec.rpm = 120.0f;
  rec.advanceSpeed = 6.0f;
  float pitchRatio = 1.0f;
  float areaRatio = 0.55f;
  float bladeCount = seriesType == 2 ? 3.0f : 4.0f;
  float j = 0.05f;
  for (auto _ : state) {
    rec.advanceRatio = j;
    helisolv::evalOpenWater(pitchRatio, areaRatio, bladeCount);
    benchmark::DoNotOptimize(rec.kt);
    benchmark::DoNotOptimize(rec.kq);
    benchmark::DoNotOptimize(rec.eta0);
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
  rec = helisolv::ProblemRecord{};
  rec.seriesType = seriesType;
  std::vector<float> grid(1400), curveJ(1400), kt(1400), kq(1400), eta0(1400);
  float j = 0.1f;
  for (float& g : grid) {
    g = j;
    j = j + 0.001f;
  }
  float pitchRatio = 0.5f;
  for (auto _ : state) {
    float bladeCount = seriesType == 2 ? 3.0f : 4.0f;
    const helisolv::OpenWaterCurve curve(seriesType, pitchRatio, 0.55f, bladeCount, isa);
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
BENCHMARK_CAPTURE(curveEvaluations, gawn_baseline, 2, helisolv::CurveIsa::Baseline);
BENCHMARK_CAPTURE(curveEvaluations, gawn_avx2, 2, helisolv::CurveIsa::Avx2);

}  // namespace
